#pragma once

#include "core/audio/WaveFile.h"
#include "core/signal/Filterclass.h"
#include "core/signal/PanelSettings.h"

#include <cstdint>
#include <string>

namespace kaldorium {

class FilterNetwork;
class NoiseGenerator;
class Oscilloscope;

// True when the reader can convert the file's samples: PCM (format tag 1), at least one channel,
// a block align and a sample rate of at least 1, and 8 or 16 bits per sample.
bool IsConvertiblePcm(const WaveFile &file);
// Why the reader cannot convert the file's samples, or nullptr when it can.
const char *PcmRefusal(const WaveFile &file);
inline constexpr const char *kOnlyPcmText = "Only 8- and 16-bit PCM WAVE files can be read";
inline constexpr const char *kDamagedFormatText =
    "The file's format gives no channels, sample rate or block size";
// Sample frames of the file: dataBytes / blockAlign (0 when the block align is 0).
std::uint32_t SampleFrames(const WaveFile &file);
// Duration in seconds: dataBytes / byteRate (0 when the byte rate is 0).
double DurationSeconds(const WaveFile &file);
// Whether two path texts name the same file: the files themselves are compared where both exist
// (a relative path, "./" or a symbolic link names the same file), the normalised absolute paths
// otherwise. Empty texts name no file.
bool SameFile(const std::string &a, const std::string &b);

// The WAV workbench's settings. The window's field validations keep them; the views, Test, the
// spectra and the effects read them afresh at every sample.
struct WavSettings : FilterSettings, TraceSettings, ConditioningSettings {
    // The WAV workbench starts with other filter and display values than the main window.
    WavSettings()
        : FilterSettings{fkBandPass, 1000.0, 1.0, 1.0}, TraceSettings{1500.0, 1.0, 1.0,
                                                                      0.0,    0.0, true} {}

    double samplingPeriod = 0.5; // Ts of the input, s
    double speedFactor = 2.0;
    std::string inputFileName;  // the text of InputFile
    std::string outputFileName; // the text of OutputFile
};

// The conditioning of an input sample (noise, rectification) and the filter step of the selected
// kind, shared by Test, the spectra and the effects. Create one per action: the filters start
// with zero state and keep it over the whole action.
class WavFilterChain {
public:
    WavFilterChain(const WavSettings &settings, NoiseGenerator &noise, FilterNetwork &network);

    // Noise of amplitude b = x/(S/N), uniform or Gaussian, then half or full rectification.
    double Condition(double x);
    // y of the selected kind for the sample x at the input's Ts.
    double Filtered(double x);

private:
    const WavSettings &settings;
    NoiseGenerator &noise;
    FilterNetwork &network;
    Filter filters[8]; // index = kind 0 … 7
};

// The four loops of the WAV workbench as one stepper: the input view, the output view, the joint
// view of input and output, and Test (the input through the filter). Each sample frame is drawn
// with the display's free-running sweep at t in ms. The window steps it in chunks until the user
// stops it or it ends by itself.
class WavView {
public:
    enum class Kind { Input, Output, Joint, Test };
    enum class End {
        Running,
        Finished,      // a file not longer than the time window was drawn once
        CannotOpen,    // a file is missing, not convertible PCM, or holds no whole sample frame
        NotComparable, // joint view: the sampling periods of input and output differ
    };

    static constexpr int ChunkSamples = 502;

    // Test clears the network's stages; its filters start with zero state.
    WavView(Kind kind, const WavSettings &settings, NoiseGenerator &noise, FilterNetwork &network,
            Oscilloscope &scope);

    // Runs up to `count` sample frames; false once the view has ended (see `ended`). The input
    // view and Test reopen the input from its start when its name changed since the last call.
    bool Step(int count);

    // Closes the files (the window does it when the view stops).
    void Close();

    Kind kind;
    End ended = End::Running;
    double time = 0.0;     // t of the next sample, ms
    long long samples = 0; // frames drawn so far
    int rewinds = 0;       // times a file was drawn again from its start
    double trace1 = 0.0;   // the last frame's traces, before the shifts
    double trace2 = 0.0;

private:
    bool Open();
    bool OpenInput();
    void StartPage();
    bool Rewind();
    bool Finish(End reason);
    double Read(WaveFile &file);
    void Skip(WaveFile &file, int values);

    const WavSettings &settings;
    Oscilloscope &scope;
    WavFilterChain chain;
    WaveFile primary;   // the input (the output for the output view)
    WaveFile secondary; // the output of the joint view
    std::string openedName = "--";
    bool opened = false;
    std::uint32_t frames = 0; // frames to draw before the end or a rewind
    std::uint32_t frame = 0;
    double durationMs = 0.0;
    double outputTs = 0.0; // the output view's own Ts, s
};

} // namespace kaldorium
