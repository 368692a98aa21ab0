#pragma once

#include "core/tools/SamplingResampler.h"
#include "core/tools/SamplingSignal.h"

#include <span>
#include <string>

// The sampled-and-reconstructed signal as sound, at a sound device's rate, and the sweep of the
// signal frequency that lets a class hear the alias walk down past fs/2.
namespace kaldorium {

// Input samples per device frame at most: a higher sample rate would cost more per frame than
// playback can afford.
inline constexpr double MaxSamplesPerFrame = 16.0;

// Why the settings cannot be played at the device's rate, as the text a window shows, or an empty
// text when they can.
std::string PlaybackError(const SamplingSettings &settings, double outputRate);

// Generates the quantised samples of the settings one by one, with a phase that runs on across
// frequency changes, and hands them through the reconstruction to the device's rate. Render is
// called chunk by chunk; consecutive chunks join without a gap.
class SampledSound {
public:
    // Starts from time 0 with the settings; false, with nothing changed, where PlaybackError
    // objects. Throws FloatingPointError as SamplingSignal::Configure does.
    bool Start(const SamplingSettings &settings, double outputRate);
    // Takes edited settings while playing (false, nothing changed, where PlaybackError objects):
    // the waveform goes on from its present phase; a new sample rate or reconstruction restarts
    // the reconstruction (a short silence).
    bool Update(const SamplingSettings &settings);
    // From now on the signal frequency follows the samples being made: f = rate·t at the time t
    // of each UpdateInterval-th sample (0: it stays as set).
    static constexpr int UpdateInterval = 16;
    void SetSweepRate(double hzPerSecond) { sweepRate = hzPerSecond; }

    // Fills `out` with device frames. Throws FloatingPointError when a sample faults.
    void Render(std::span<double> out);

    const SamplingSignal &Signal() const { return signal; }
    double OutputRate() const { return resampler.OutputRate(); }
    // Time of the next frame, s: what has been heard.
    double OutputTime() const;
    // Samples generated so far, ahead of the output by the reconstruction's latency.
    long long SamplesMade() const { return sampleIndex; }
    double Latency() const { return resampler.Latency(); }

private:
    double NextSample();

    SamplingSignal signal;
    SignalPhase phase;
    long long sampleIndex = 0;
    double sweepRate = 0.0;
    // Output time before the last restart of the reconstruction.
    double timeOffset = 0.0;
    ReconstructionResampler resampler;
};

// Runs the signal frequency linearly from 0 to 2·fs over the chosen time, the other settings as
// given. The window calls Step with a buffer of device frames per chunk (the frames are the sound
// when Listen is on; the sweep's clock either way) and redraws with Frequency(); the sweep ends
// idle after the chosen time.
class SamplingSweep {
public:
    // The longest sweep, s.
    static constexpr double MaxSeconds = 86400.0;

    // False, with the sweep idle, where PlaybackError objects or for a time outside 0 …
    // MaxSeconds.
    bool Start(const SamplingSettings &settings, double seconds, double outputRate);
    // Renders up to out.size() frames and returns how many; fewer, and idle, once the time is up.
    int Step(std::span<double> out);
    void Stop() { running = false; }
    bool Running() const { return running; }

    // The frequency being heard now (the one the plots show), Hz.
    double Frequency() const;
    double Elapsed() const { return sound.OutputTime(); }
    double Duration() const { return duration; }
    const SamplingSignal &Signal() const { return sound.Signal(); }

private:
    SampledSound sound;
    double duration = 0.0;
    double topFrequency = 0.0;
    bool running = false;
};

} // namespace kaldorium
