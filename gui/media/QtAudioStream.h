#pragma once

#include "core/audio/SpeakerFeed.h"
#include "gui/services/AudioStream.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QDeadlineTimer>
#include <QTimer>

#include <memory>

class QAudioSink;
class QIODevice;

// Live sound through the desktop's default output: a QAudioSink in push mode, fed by a timer on
// the owner's thread from the feed's preallocated queue. The device takes float or 16-bit samples
// at the run's own rate where it can; otherwise the feed resamples to a rate the device plays.
class QtAudioStream : public AudioStream {
public:
    // The device's own buffer; with the feed's queue it keeps a push within 100 ms of the
    // speaker.
    static constexpr double SinkBufferSeconds = 0.04;
    static constexpr int PumpIntervalMs = 5;
    // How long a stopped sink is kept before it is deleted, ms.
    static constexpr int RetireMs = 1000;
    // How much longer than its queue a finished stream may take to play out, ms.
    static constexpr int FinishSlackMs = 500;
    static QString NoDeviceText() { return QStringLiteral("No audio output device is available"); }

    QtAudioStream();
    ~QtAudioStream() override;
    QtAudioStream(const QtAudioStream &) = delete;
    QtAudioStream &operator=(const QtAudioStream &) = delete;

    bool Open(double rate, int channels) override;
    int Push(std::span<const double> interleaved) override;
    void Finish() override;
    void Stop() override;

    int FreeFrames() const override;
    long long PushedFrames() const override { return feed.PushedFrames(); }
    long long PlayedFrames() const override;
    int Dropouts() const override { return feed.Dropouts(); }
    long long ClippedSamples() const override { return feed.ClippedSamples(); }
    bool Clipping() const override { return feed.Clipping(); }

    State CurrentState() const override { return state; }
    QString ErrorText() const override { return error; }
    QString TakeNotice() override;

    // What the device was opened with, while Playing.
    const kaldorium::SpeakerFeed &Feed() const { return feed; }

private:
    // Finds a format the device plays and configures the feed for it; the refusal otherwise.
    QString ChooseFormat(const QAudioDevice &device, double rate, int channels,
                         QAudioFormat &chosen);
    void StartSink(const QAudioDevice &device, const QAudioFormat &format);
    void Pump();
    void SinkStateChanged();
    // Frames written to the sink and not yet played.
    long long SinkUnplayed() const;
    // The sink has nothing left to hand to the sound server.
    bool SinkEmpty() const;
    void CloseSink();
    void LoseDevice();
    void Refuse(const QString &why);

    kaldorium::SpeakerFeed feed;
    std::unique_ptr<QAudioSink> sink;
    QIODevice *io = nullptr;
    QTimer pumpTimer;
    QDeadlineTimer finishDeadline;
    State state = State::Closed;
    int channelCount = 1;
    QString error;
    QString notice;
    bool noDeviceTold = false;
};
