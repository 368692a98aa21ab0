#include "core/audio/WavEffects.h"

#include "core/common/Errors.h"
#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace kaldorium {

namespace {

constexpr double kMaxRate = 4294967295.0;
// Effects without blocks report their progress after this many input frames.
constexpr std::uint32_t kProgressFrames = 4096;
// Speed Up and Slow Down copy the data bytes in blocks of this size.
constexpr std::size_t kCopyBytes = 16 * 1024;

WavEffectResult Failure(const WaveFile &file) {
    const char *text = file.LastError();
    return {WavEffectStatus::Failed, text != nullptr ? text : ""};
}

// The value of channel 1 of the next frame; the other channels are read and dropped.
bool ReadFrame(WaveFile &input, double &x) {
    if (!input.ReadValue(x)) {
        return false;
    }
    double dropped = 0.0;
    for (int c = 1; c < input.channels; ++c) {
        if (!input.ReadValue(dropped)) {
            return false;
        }
    }
    return true;
}

// y once for every channel, so that all channels carry the same signal. An unstable filter must
// not pass as a saturated file: a value that is not finite ends the effect.
bool WriteFrame(WaveFile &output, double y) {
    if (!std::isfinite(y)) {
        CheckFloatingPoint(y);
        throw std::isnan(y) ? FloatingPointError::InvalidOperation()
                            : FloatingPointError::Overflow();
    }
    for (int c = 0; c < output.channels; ++c) {
        if (!output.WriteValue(y)) {
            return false;
        }
    }
    return true;
}

// Every frame of y as WriteFrame writes it: the frames before a value that is not finite are
// written, then the effect ends.
bool WriteFrames(WaveFile &output, const double *y, std::size_t n) {
    std::size_t finite = 0;
    while (finite < n && std::isfinite(y[finite])) {
        ++finite;
    }
    if (!output.WriteToEveryChannel(y, finite)) {
        return false;
    }
    return finite == n || WriteFrame(output, y[finite]);
}

// Calls the progress callback every kProgressFrames frames and at the end.
class ProgressTicker {
public:
    ProgressTicker(const Progress &progress_, std::uint32_t total_)
        : progress(progress_), total(total_) {}

    // The count of frames done at which the next Tick reports.
    std::uint32_t NextReport() const {
        if (!progress) {
            return total;
        }
        return reported + std::min(kProgressFrames, total - reported);
    }

    bool Tick(std::uint32_t done) {
        if (!progress || (done - reported < kProgressFrames && done < total)) {
            return true;
        }
        reported = done;
        finished = done == total;
        return progress(done, total);
    }

    // Reports the end unless the last tick did.
    void Finish() {
        if (progress && !finished) {
            progress(total, total);
        }
    }

private:
    const Progress &progress;
    std::uint32_t total;
    std::uint32_t reported = 0;
    bool finished = false;
};

// The rate of a file sped up (or slowed down) by `factor`, truncated; −1 when it cannot be one.
double ChangedRate(std::uint32_t rate, double factor, bool faster) {
    const double changed = std::trunc(faster ? rate * factor : rate / factor);
    return std::isfinite(changed) ? changed : -1.0;
}

// The gain of a bin at f (Hz) for an ideal filter of the kind, with the half-band v = fo/Q · 0.5.
double IdealGain(const WavEffectSettings &s, double f, double v) {
    switch (s.filterKind) {
    case fkDifferentiator:
    case fkIntegrator:
    case fkNetwork:
        return 1.0;
    case fkBandReject:
        return (f < s.fo - v || f > s.fo + v) ? s.amplification : 0.0;
    case fkLowPass:
    case fkLowPass4th:
        return f <= s.fo ? s.amplification : 0.0;
    case fkHighPass:
    case fkHighPass4th:
        return f >= s.fo ? s.amplification : 0.0;
    default:
        return (s.fo - v <= f && f <= s.fo + v) ? s.amplification : 0.0;
    }
}

} // namespace

WavEffects::WavEffects(FilterNetwork &network_, NoiseGenerator &noise_, EffectBlocks &blocks_)
    : network(network_), noise(noise_), blocks(blocks_) {}

std::uint32_t WavEffects::SampleCount(const WaveFile &file) {
    return file.blockAlign == 0 ? 0 : file.dataBytes / file.blockAlign;
}

int WavEffects::BlockLength(const WaveFile &file) {
    const std::uint32_t n = std::min({SampleCount(file), file.sampleRate / 100u,
                                      static_cast<std::uint32_t>(kMaxTransformLength)});
    return FFTLength(static_cast<int>(n));
}

const char *WavEffects::Check(WavEffectKind kind, const WaveFile &input,
                              WavEffectSettings &settings) {
    switch (kind) {
    case WavEffectKind::SpeedUp:
    case WavEffectKind::SlowDown: {
        const bool faster = kind == WavEffectKind::SpeedUp;
        const double rate = ChangedRate(input.sampleRate, settings.speedFactor, faster);
        const double byteRate = ChangedRate(input.byteRate, settings.speedFactor, faster);
        if (!(rate >= 1.0 && rate <= kMaxRate && byteRate >= 0.0 && byteRate <= kMaxRate)) {
            return kRateText;
        }
        return nullptr;
    }
    case WavEffectKind::FrequencyShifter:
    case WavEffectKind::FrequencyRotater: {
        const int limit = BlockLength(input) / 2 - 1;
        settings.shift = std::clamp(settings.shift, -limit, limit);
        return nullptr;
    }
    case WavEffectKind::Robot:
        return settings.shift == 0 ? kRobotStepText : nullptr;
    case WavEffectKind::Retard:
        // A negative k would stop at once and leave an empty file.
        return settings.shift < 1 ? kRetardFactorText : nullptr;
    default:
        return nullptr;
    }
}

WavEffectResult WavEffects::Run(WavEffectKind kind, const std::string &inputPath,
                                const std::string &outputPath, WavEffectSettings &settings,
                                const Progress &progress) {
    WaveFile input;
    if (!input.OpenForReading(inputPath)) {
        return Failure(input);
    }
    if (const char *reason = Check(kind, input, settings)) {
        return {WavEffectStatus::Refused, reason};
    }
    WaveFile output;
    output.TakeFormatOf(input);
    if (!output.CreateForWriting(outputPath)) {
        WavEffectResult failed = Failure(output);
        output.CloseFile();
        return failed;
    }
    WavEffectResult result;
    try {
        result = Apply(kind, input, output, settings, progress);
    } catch (...) {
        output.CloseFile();
        input.CloseFile();
        throw;
    }
    if (!output.CloseFile() && result.status != WavEffectStatus::Failed) {
        result = Failure(output);
    }
    input.CloseFile();
    return result;
}

WavEffectResult WavEffects::Apply(WavEffectKind kind, WaveFile &input, WaveFile &output,
                                  const WavEffectSettings &settings, const Progress &progress) {
    // Settings are taken as they stand when the effect starts.
    WavEffectSettings s = settings;
    if (const char *reason = Check(kind, input, s)) {
        return {WavEffectStatus::Refused, reason};
    }
    ClearFloatingPointFlags();
    switch (kind) {
    case WavEffectKind::SpeedUp:
    case WavEffectKind::SlowDown:
        return ChangeSpeed(input, output, s, kind == WavEffectKind::SpeedUp, progress);
    case WavEffectKind::ModifyFile:
        return FilterFile(input, output, s, progress);
    case WavEffectKind::Retard:
        return SampleAndHold(input, output, s, progress);
    default:
        return BlockEffect(kind, input, output, s, progress);
    }
}

WavEffectResult WavEffects::ChangeSpeed(WaveFile &input, WaveFile &output,
                                        const WavEffectSettings &settings, bool faster,
                                        const Progress &progress) {
    // The data bytes are copied unchanged, a block at a time, so that a long copy tells its
    // progress (and can be stopped) as it goes.
    if (!input.RewindToSamples()) {
        return Failure(input);
    }
    const std::uint32_t count = SampleCount(input);
    ProgressTicker ticker(progress, count);
    std::uint8_t block[kCopyBytes];
    for (std::uint32_t copied = 0; copied < input.dataBytes;) {
        const std::size_t n = std::min<std::size_t>(kCopyBytes, input.dataBytes - copied);
        if (!input.ReadBytes(block, n)) {
            return Failure(input);
        }
        if (!output.WriteBytes(block, n)) {
            return Failure(output);
        }
        copied += static_cast<std::uint32_t>(n);
        const std::uint32_t frames = input.blockAlign == 0 ? 0 : copied / input.blockAlign;
        if (!ticker.Tick(std::min(count, frames))) {
            return {WavEffectStatus::Stopped, {}};
        }
    }
    // The audio is not resampled: only the declared rates change, blockAlign stays.
    output.sampleRate =
        static_cast<std::uint32_t>(ChangedRate(input.sampleRate, settings.speedFactor, faster));
    output.byteRate =
        static_cast<std::uint32_t>(ChangedRate(input.byteRate, settings.speedFactor, faster));
    output.headerDirty = true;
    ticker.Finish();
    return {};
}

WavEffectResult WavEffects::FilterFile(WaveFile &input, WaveFile &output,
                                       const WavEffectSettings &s, const Progress &progress) {
    const bool known =
        (s.filterKind >= fkBandPass && s.filterKind <= fkIntegrator) || s.filterKind == fkNetwork;
    const FilterKind kind = known ? s.filterKind : fkBandPass;
    if (kind == fkNetwork) {
        // The first samples must not depend on what ran through the network before.
        network.ClearStages();
    }
    Filter filter(kind == fkNetwork ? fkAllPass : kind);
    const std::uint32_t count = SampleCount(input);
    ProgressTicker ticker(progress, count);
    // Read, conditioned and filtered a block at a time; written up to each point where the
    // progress is told, so that a stop leaves the frames written before it and no more.
    constexpr std::uint32_t Block = 1024;
    double samples[Block];
    for (std::uint32_t n = 0; n < count;) {
        const std::uint32_t wanted = std::min(Block, count - n);
        const auto read = static_cast<std::uint32_t>(input.ReadFirstChannel(samples, wanted));
        for (std::uint32_t i = 0; i < read; ++i) {
            samples[i] = ConditionSample(samples[i], s, noise);
        }
        FilterSamples(kind, filter, s, samples, static_cast<int>(read));
        for (std::uint32_t i = 0; i < read;) {
            const std::uint32_t upto = std::min(read, i + (ticker.NextReport() - n));
            if (!WriteFrames(output, samples + i, upto - i)) {
                return Failure(output);
            }
            n += upto - i;
            i = upto;
            if (!ticker.Tick(n)) {
                return {WavEffectStatus::Stopped, {}};
            }
        }
        if (read < wanted) {
            return Failure(input);
        }
    }
    ticker.Finish();
    return {};
}

void WavEffects::FilterSamples(FilterKind kind, Filter &filter, const WavEffectSettings &s,
                               double *samples, int n) {
    switch (kind) {
    case fkDifferentiator:
        for (int i = 0; i < n; ++i) {
            // y = D(x)·Ts/π
            samples[i] = filter.Differentiate(samples[i], s.ts) * s.ts / std::numbers::pi;
        }
        break;
    case fkIntegrator:
        for (int i = 0; i < n; ++i) {
            // y = I(x)·π/Ts
            samples[i] = filter.Integrate(false, samples[i], s.ts) * std::numbers::pi / s.ts;
        }
        break;
    case fkNetwork:
        for (int i = 0; i < n; ++i) {
            samples[i] = network.ProcessSample(samples[i], s.ts, std::numbers::pi / s.ts);
        }
        break;
    default:
        filter.ProcessBlock(s.fo, s.q, s.amplification, s.ts, samples, samples, n);
        break;
    }
}

void WavEffects::ChangeSpectrum(WavEffectKind kind, int N, double fs, const WavEffectSettings &s) {
    ComplexSample *B = blocks.B.data();
    const int h = N / 2;
    if (kind == WavEffectKind::FFTFiltering) {
        const double df = fs / N;
        const double v = s.fo / s.q * 0.5;
        for (int i = 0; i < h; ++i) {
            const double H = IdealGain(s, i * df, v);
            B[i].re *= H;
            B[i].im *= H;
            if (i >= 1) {
                B[N - i].re *= H;
                B[N - i].im *= H;
            }
        }
        B[h] = B[0];
        return;
    }

    if (kind == WavEffectKind::Robot) {
        const long long step = std::llabs(static_cast<long long>(s.shift));
        // Every step-th bin from bin 0 starts a run of shift2 cleared bins.
        for (long long d = 0; d < h; d += step) {
            for (long long i = 0; i < s.shift2 && d + i < N; ++i) {
                B[d + i] = ComplexSample{};
            }
        }
    } else {
        const int d = std::clamp(s.shift, -(h - 1), h - 1);
        if (d == 0) {
            return;
        }
        const bool rotate = kind == WavEffectKind::FrequencyRotater;
        if (d > 0) {
            // Down in frequency by d bins: B[k] = B[k+d].
            for (int k = 0; k <= h - d - 1; ++k) {
                B[k] = B[k + d];
            }
            if (rotate) {
                // The bins that left at the bottom return at the top, read from the upper half
                // that still holds the transform's own (mirrored) values.
                for (int j = 1; j <= d - 1; ++j) {
                    B[h - d + j] = B[N - j];
                }
                B[h - d] = B[h];
            } else {
                for (int k = h - d; k <= h - 1; ++k) {
                    B[k] = ComplexSample{};
                }
            }
        } else {
            const int e = -d;
            // Up in frequency by e bins: B[k] = B[k−e], from the top down.
            for (int k = h - 1; k >= e; --k) {
                B[k] = B[k - e];
            }
            if (rotate) {
                for (int j = 1; j <= e - 1; ++j) {
                    B[j] = B[h + e - j];
                }
            } else {
                for (int k = 0; k <= e - 1; ++k) {
                    B[k] = ComplexSample{};
                }
            }
        }
    }
    // The upper half takes the lower half's values themselves, not their conjugates.
    for (int k = 1; k <= h - 1; ++k) {
        B[N - k] = B[k];
    }
    B[h] = B[0];
}

WavEffectResult WavEffects::BlockEffect(WavEffectKind kind, WaveFile &input, WaveFile &output,
                                        const WavEffectSettings &s, const Progress &progress) {
    const bool conditioned = kind == WavEffectKind::FFTFiltering;
    if (conditioned && s.filterKind == fkNetwork) {
        network.ClearStages();
    }
    const int N = BlockLength(input);
    const std::uint32_t count = SampleCount(input);
    const double fs = input.sampleRate;
    // The inverse is scaled by 2/N, not 1/N.
    const double scale = 2.0 / N;
    ComplexSample *A = blocks.A.data();
    ComplexSample *B = blocks.B.data();
    double peak = 0.0;
    std::uint64_t consumed = 0;
    // ⌊S/N⌋ + 1 blocks; the last one is padded with zeros and written only up to S frames.
    // One block's frames as read, then as written: as many out as came in.
    std::vector<double> frames(static_cast<std::size_t>(N));
    while (consumed <= count) {
        const auto present = static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(N), count - consumed));
        if (input.ReadFirstChannel(frames.data(), present) != present) {
            return Failure(input);
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(N); ++i) {
            double x = i < present ? frames[i] : 0.0;
            if (conditioned && i < present) {
                x = ConditionSample(x, s, noise);
            }
            A[i] = ComplexSample{x, 0.0};
        }
        // No magnitudes are read, so none are computed.
        ComputeFFT(s.window, N, A, B, nullptr, peak);
        ChangeSpectrum(kind, N, fs, s);
        ComputeConjugateFFT(WindowKind::NoWindow, N, B, A, nullptr, peak);
        for (std::size_t m = 0; m < present; ++m) {
            frames[m] = scale * A[m].re;
        }
        if (!WriteFrames(output, frames.data(), present)) {
            return Failure(output);
        }
        consumed += static_cast<std::uint64_t>(N);
        const auto done = static_cast<std::uint32_t>(std::min<std::uint64_t>(consumed, count));
        if (progress && !progress(done, count) && consumed <= count) {
            return {WavEffectStatus::Stopped, {}};
        }
    }
    return {};
}

WavEffectResult WavEffects::SampleAndHold(WaveFile &input, WaveFile &output,
                                          const WavEffectSettings &s, const Progress &progress) {
    const auto k = static_cast<std::uint64_t>(s.shift);
    const std::uint32_t count = SampleCount(input);
    ProgressTicker ticker(progress, count);
    // Each group of k input frames becomes k copies of its first frame's channel-1 sample;
    // a last group shorter than k is dropped.
    for (std::uint64_t position = k; position <= count; position += k) {
        double x = 0.0;
        if (!ReadFrame(input, x)) {
            return Failure(input);
        }
        for (std::uint64_t i = 0; i < k; ++i) {
            if (!WriteFrame(output, x)) {
                return Failure(output);
            }
        }
        double dropped = 0.0;
        for (std::uint64_t i = 1; i < k; ++i) {
            if (!ReadFrame(input, dropped)) {
                return Failure(input);
            }
        }
        if (!ticker.Tick(static_cast<std::uint32_t>(position))) {
            return {WavEffectStatus::Stopped, {}};
        }
    }
    ticker.Finish();
    return {};
}

} // namespace kaldorium
