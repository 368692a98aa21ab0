#include "core/tools/SampledSound.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

std::string PlaybackError(const SamplingSettings &settings, double outputRate) {
    const std::string error = SamplingSettingsError(settings);
    if (!error.empty()) {
        return error;
    }
    if (!(outputRate > 0.0) || !std::isfinite(outputRate)) {
        return "The sound device's rate must be above 0 Hz";
    }
    if (settings.sampleRate > MaxSamplesPerFrame * outputRate) {
        return "A sample rate of " + FormatGeneral(settings.sampleRate) +
               " Hz is too high to be played at " + FormatGeneral(outputRate) + " Hz";
    }
    return {};
}

bool SampledSound::Start(const SamplingSettings &settings, double outputRate) {
    if (!PlaybackError(settings, outputRate).empty() || !signal.Configure(settings)) {
        return false;
    }
    phase = {};
    sampleIndex = 0;
    sweepRate = 0.0;
    timeOffset = 0.0;
    resampler.Configure(settings.sampleRate, outputRate, settings.reconstruction);
    return true;
}

bool SampledSound::Update(const SamplingSettings &settings) {
    const SamplingSettings before = signal.Settings();
    if (!PlaybackError(settings, resampler.OutputRate()).empty() || !signal.Configure(settings)) {
        return false;
    }
    if (settings.sampleRate != before.sampleRate ||
        settings.reconstruction != before.reconstruction) {
        timeOffset = OutputTime();
        resampler.Configure(settings.sampleRate, resampler.OutputRate(), settings.reconstruction);
    }
    return true;
}

double SampledSound::OutputTime() const {
    return timeOffset + static_cast<double>(resampler.FramesMade()) / resampler.OutputRate();
}

double SampledSound::NextSample() {
    const double fs = signal.Settings().sampleRate;
    if (sweepRate != 0.0 && sampleIndex % UpdateInterval == 0) {
        signal.SetFrequency(sweepRate * static_cast<double>(sampleIndex) / fs);
    }
    const double x = Quantise(signal.Filtered(phase), signal.Settings().bits);
    signal.Advance(phase, 1.0 / fs);
    ++sampleIndex;
    return x;
}

void SampledSound::Render(std::span<double> out) {
    const FloatingPointGuard guard;
    resampler.Render(out.data(), static_cast<int>(out.size()), [this] { return NextSample(); });
    guard.Check();
}

bool SamplingSweep::Start(const SamplingSettings &settings, double seconds, double outputRate) {
    running = false;
    if (!(seconds > 0.0) || seconds > MaxSeconds) {
        return false;
    }
    SamplingSettings from = settings;
    from.signalFrequency = 0.0;
    if (!sound.Start(from, outputRate)) {
        return false;
    }
    duration = seconds;
    topFrequency = 2.0 * settings.sampleRate;
    sound.SetSweepRate(topFrequency / seconds);
    running = true;
    return true;
}

int SamplingSweep::Step(std::span<double> out) {
    if (!running) {
        return 0;
    }
    const double fd = sound.OutputRate();
    const auto total = static_cast<long long>(std::llround(duration * fd));
    const auto made = static_cast<long long>(std::llround(sound.OutputTime() * fd));
    const long long count =
        std::clamp<long long>(total - made, 0, static_cast<long long>(out.size()));
    try {
        sound.Render(out.first(static_cast<std::size_t>(count)));
    } catch (const FloatingPointError &) {
        running = false;
        throw;
    }
    if (made + count >= total) {
        running = false;
    }
    return static_cast<int>(count);
}

double SamplingSweep::Frequency() const {
    return std::min(topFrequency, topFrequency * sound.OutputTime() / duration);
}

} // namespace kaldorium
