#include "core/audio/SampledWav.h"

#include "core/audio/WaveFile.h"
#include "core/common/NumberText.h"
#include "core/tools/SampledSound.h"
#include "core/tools/SamplingSignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

namespace kaldorium {

namespace {

// The byte rate, twice the sample rate, must fit the header's 32 bits.
constexpr double HighestRate = 2147483647.0;

} // namespace

bool WriteSampledWav(const std::string &path, const SamplingSignal &signal, double seconds,
                     std::string &error) {
    const double fs = signal.Settings().sampleRate;
    const double rate = std::round(fs);
    if (!(rate >= 1.0 && rate <= HighestRate)) {
        error = "A WAVE file cannot hold a sample rate of " + FormatGeneral(fs) + " Hz";
        return false;
    }
    const double samples = std::max(0.0, std::round(seconds * fs));
    if (!(samples <= WaveFile::kMaxDataBytes / 2)) {
        error = "The samples do not fit into a WAVE file";
        return false;
    }
    WaveFile file;
    file.SetPcmFormat(static_cast<std::uint32_t>(rate), 1, 16);
    bool ok = file.CreateForWriting(path);
    const auto count = static_cast<long long>(samples);
    for (long long n = 0; n < count && ok; ++n) {
        // Rounded rather than truncated, so a sample on a level of the lab's quantiser keeps its
        // level as nearly as 16 bits allow.
        const double q = signal.QuantisedSample(n);
        const double x = std::isnan(q) ? 0.0 : std::clamp(q, -1.0, 1.0);
        ok = file.WriteWordSample(static_cast<std::int16_t>(std::lround(x * 32767.0)));
    }
    ok = file.CloseFile() && ok;
    if (!ok) {
        error = file.LastError() != nullptr ? file.LastError() : "Couldn't write samples";
    }
    return ok;
}

namespace {

// Writes frames as 16-bit values, clipped to ±1.
bool WriteFrames(WaveFile &file, std::span<const double> frames) {
    for (double x : frames) {
        const double v = std::isnan(x) ? 0.0 : std::clamp(x, -1.0, 1.0);
        if (!file.WriteWordSample(static_cast<std::int16_t>(std::lround(v * 32767.0)))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool WriteReconstructedWav(const std::string &path, const SamplingSettings &settings,
                           double seconds, double outputRate, bool sweep, std::string &error) {
    error = PlaybackError(settings, outputRate);
    if (!error.empty()) {
        return false;
    }
    const double frames = std::round(seconds * outputRate);
    if (!(frames > 0.0 && frames <= WaveFile::kMaxDataBytes / 2) ||
        !(seconds <= SamplingSweep::MaxSeconds)) {
        error = "The sound cannot last " + FormatGeneral(seconds) + " s";
        return false;
    }
    WaveFile file;
    file.formatTag = 1;
    file.channels = 1;
    file.sampleRate = static_cast<std::uint32_t>(std::lround(outputRate));
    file.bitsPerSample = 16;
    file.blockAlign = 2;
    file.byteRate = 2 * file.sampleRate;
    bool ok = file.CreateForWriting(path);
    std::array<double, 4096> chunk{};
    if (sweep) {
        SamplingSweep run;
        ok = ok && run.Start(settings, seconds, outputRate);
        while (ok && run.Running()) {
            const int made = run.Step(chunk);
            ok = WriteFrames(file,
                             std::span<const double>(chunk.data(), static_cast<std::size_t>(made)));
        }
    } else {
        SampledSound sound;
        ok = ok && sound.Start(settings, outputRate);
        for (auto left = static_cast<long long>(frames); ok && left > 0;) {
            const auto n = static_cast<std::size_t>(std::min<long long>(left, 4096));
            sound.Render(std::span<double>(chunk.data(), n));
            ok = WriteFrames(file, std::span<const double>(chunk.data(), n));
            left -= static_cast<long long>(n);
        }
    }
    ok = file.CloseFile() && ok;
    if (!ok) {
        error = file.LastError() != nullptr ? file.LastError() : "Couldn't write samples";
    }
    return ok;
}

} // namespace kaldorium
