#pragma once

#include "gui/services/RealTimeClock.h"

#include <QObject>

#include <functional>
#include <span>
#include <vector>

class AudioStream;
class ChunkDriver;
class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

// Real time for one workbench: the Real Time, Speed and Listen controls, the clock that paces the
// window's long work through its chunk drivers, and the sound of a run at 1×.
//
// The window creates it (it is the child "realTimeSession" of the window), places its strip of
// controls with PlaceBelow, and hands each chunk driver to Attach. Around each piece of work it
// calls Begin and End; while listening, the work's step adds each frame it computes with Add and
// calls Flush after the chunk. With Real Time unchecked every call here leaves the work as fast as
// ever and silent.
//
// While the sound plays it is the clock: each tick computes as many frames as the stream has room
// for, so computation and playback cannot drift apart. Otherwise the wall clock paces the work at
// the chosen fraction of real time. A tick comes at about the screen's rate (TickMs), so the
// display redraws at that rate rather than after every sample.
class RealTimeSession : public QObject {
    Q_OBJECT
public:
    enum class Listen { Off, Input, Output };
    static constexpr int TickMs = 15;
    // Frames computed in one tick at most: beyond about a million per second the work falls
    // behind real time.
    static constexpr int MaxTickFrames = 16384;
    static constexpr int MaxChannels = 2;

    // The controls sit on one strip, the child "RealTimePanel" of `window`.
    explicit RealTimeSession(QWidget *window);
    ~RealTimeSession() override;

    // Puts the strip in the window's top-level box layout, right below the item that holds
    // `above` (the group of the Test buttons).
    void PlaceBelow(QWidget *above);

    // The live sound output; none: the runs stay silent.
    void SetAudioStream(AudioStream *stream_) { stream = stream_; }
    AudioStream *Stream() const { return stream; }
    // Tests move the pacing clock by hand.
    void SetTimeSource(RealTimeClock::TimeSource source) { clock.SetTimeSource(std::move(source)); }

    // Paces `driver`'s chunks while a piece of work began here is running.
    void Attach(ChunkDriver &driver);

    // A piece of work starts on `driver`: real time when the box is checked. `rate` gives the
    // simulated samples per second (read at every tick: the user may change it); `channels` the
    // frames' width for the sound (0: the work has no sound).
    void Begin(ChunkDriver &driver, std::function<double()> rate, int channels);
    // The work ended: the sound stops at once (`playOut`: what is queued plays out first, for
    // work that came to its own end).
    void End(bool playOut = false);

    bool Active() const { return active; }
    // Frames are wanted from the work now: real time at 1× with Listen on and a stream playing.
    bool Listening() const { return listeningNow; }
    Listen ListenChoice() const;
    double Stretch() const;

    // One frame of `channels` samples, or one sample of a mono frame.
    void Add(double sample) {
        if (used < samples.size()) {
            samples[used++] = sample;
        }
    }
    void AddFrame(std::span<const double> frame);
    // Hands the frames added since the last flush to the stream and shows its indicators.
    void Flush();

    QWidget *RealTimePanel;
    QCheckBox *RealTime;
    QComboBox *TimeStretch;
    QLabel *SpeedLabel;
    QComboBox *ListenTo;
    QLabel *ListenLabel;
    QLabel *SoundStatus; // "Dropouts: 3", or why nothing is heard
    QLabel *Clipping;

private:
    QWidget *window;
    int Pace(int chunkSamples);
    void UpdateSound(double rate);
    void OpenSound(double rate);
    void StopSound();
    void ShowIndicators();

    AudioStream *stream = nullptr;
    RealTimeClock clock;
    ChunkDriver *driver = nullptr;
    std::function<double()> rate;
    int channels = 0;
    bool active = false;
    bool listeningNow = false;
    double openedRate = 0.0; // the rate the stream was last opened at; 0: not opened
    std::vector<double> samples;
    std::size_t used = 0;
    int shownDropouts = -1;
};
