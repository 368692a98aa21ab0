#include "core/tools/SamplingLab.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/signal/DataFileValues.h"
#include "core/tools/SamplingReconstruction.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

namespace kaldorium {

namespace {

bool IsPeriodic(SamplingWaveform w) {
    return w != SamplingWaveform::TwoTone && w != SamplingWaveform::Sweep;
}

std::string Hz(double frequency) {
    return FormatGeneral(frequency, 6) + " Hz";
}

// The highest frequency the settings name.
double HighestSetFrequency(const SamplingSettings &s) {
    return s.waveform == SamplingWaveform::TwoTone ? std::max(s.signalFrequency, s.secondFrequency)
                                                   : s.signalFrequency;
}

void FillSamples(SamplingTimeView &view, const SamplingSignal &signal, long long firstSample,
                 const std::vector<double> &block, long long blockStart) {
    const double fs = signal.Settings().sampleRate;
    const auto last = static_cast<long long>(std::floor((view.start + view.span) * fs));
    view.sampleTime.clear();
    view.sampleValue.clear();
    view.sampleError.clear();
    for (long long n = firstSample; n <= last; ++n) {
        const double q = block[static_cast<std::size_t>(n - blockStart)];
        view.sampleTime.push_back(static_cast<double>(n) / fs);
        view.sampleValue.push_back(q);
        view.sampleError.push_back(q - signal.Sample(n));
    }
}

// A component seen by the sampler: its base-band frequency and its complex amplitude there.
struct Folding {
    double alias;
    std::complex<double> amplitude;
    bool folded;
};

// Adds up the components that land on one base-band frequency: a component whose frequency
// modulo fs lies above fs/2 arrives mirrored, Im(a·e^(−jφ)) = Im(−conj(a)·e^(jφ)).
std::vector<Folding> BaseBand(const std::vector<SignalLine> &lines, double fs) {
    std::vector<Folding> landed;
    landed.reserve(lines.size());
    for (const SignalLine &line : lines) {
        const double r = std::fmod(line.frequency, fs);
        const bool mirrored = r > 0.5 * fs;
        landed.push_back({mirrored ? fs - r : r,
                          mirrored ? -std::conj(line.filtered) : line.filtered,
                          IsFolded(line.frequency, fs)});
    }
    std::sort(landed.begin(), landed.end(),
              [](const Folding &a, const Folding &b) { return a.alias < b.alias; });
    const double tolerance = 1e-9 * fs;
    std::vector<Folding> merged;
    for (const Folding &f : landed) {
        if (!merged.empty() && f.alias - merged.back().alias <= tolerance) {
            merged.back().amplitude += f.amplitude;
            merged.back().folded = merged.back().folded || f.folded;
        } else {
            merged.push_back(f);
        }
    }
    return merged;
}

void AddImages(SamplingSpectrum &spectrum, const Folding &band, ReconstructionKind kind) {
    const double fs = spectrum.sampleRate;
    const double tolerance = 1e-9 * fs;
    // At 0 and at fs/2 a real sequence keeps only Im(a): cos-phased samples vanish there.
    const bool edge = band.alias <= tolerance || band.alias >= 0.5 * fs - tolerance;
    const double amplitude = edge ? std::fabs(band.amplitude.imag()) : std::abs(band.amplitude);
    if (amplitude < SpectrumFloor) {
        return;
    }
    auto add = [&](double frequency, int k) {
        if (frequency <= spectrum.span) {
            spectrum.sampled.push_back({frequency, amplitude,
                                        amplitude * ReconstructionGain(kind, frequency, fs),
                                        band.alias, k, band.folded});
        }
    };
    for (int k = 0; k <= MaxImages && k * fs - band.alias <= spectrum.span; ++k) {
        if (k > 0 && !edge) {
            add(k * fs - band.alias, k);
        }
        add(k * fs + band.alias, k);
    }
}

// The count N ≤ capacity of samples whose N·f/fs periods come nearest to a whole number (at least
// one), the larger N where two are equally near; `capacity` when no period fits or the waveform
// has none.
long long WholePeriods(const SamplingSignal &signal, long long capacity) {
    const SamplingSettings &s = signal.Settings();
    if (!IsPeriodic(s.waveform) || !(s.signalFrequency > 0.0)) {
        return capacity;
    }
    const double cyclesPerSample = s.signalFrequency / s.sampleRate;
    long long count = capacity;
    double best = HUGE_VAL;
    for (long long n = capacity; n >= 1; --n) {
        const double cycles = static_cast<double>(n) * cyclesPerSample;
        const double whole = std::round(cycles);
        const double miss = std::fabs(cycles - whole);
        if (cycles >= 1.0 - 1e-9 && miss < best - 1e-9) {
            best = miss;
            count = n;
        }
    }
    return count;
}

} // namespace

double SuggestedTimeSpan(const SamplingSignal &signal) {
    const SamplingSettings &s = signal.Settings();
    const double fs = s.sampleRate;
    double span = s.sweepTime;
    if (s.waveform != SamplingWaveform::Sweep) {
        double lowest = AliasFrequency(s.signalFrequency, fs);
        if (s.waveform == SamplingWaveform::TwoTone) {
            lowest = std::min(lowest, AliasFrequency(s.secondFrequency, fs));
        }
        span = lowest > 0.0 ? 4.0 / lowest : HUGE_VAL;
    }
    return std::clamp(span, 16.0 / fs, 2048.0 / fs);
}

void ComputeTimeView(const SamplingSignal &signal, double start, double span, int points,
                     SamplingTimeView &view) {
    const FloatingPointGuard guard;
    const double fs = signal.Settings().sampleRate;
    // Sample numbers stay far inside what a long long and a double's mantissa hold.
    start = std::clamp(start, -LatestViewSample / fs, LatestViewSample / fs);
    view.start = start;
    view.span = std::clamp(span, 0.0, MaxViewSamples / fs);
    points = std::clamp(points, 2, MaxViewPoints);
    // The samples in view, and SincHalfLength more on both sides for the reconstruction.
    const auto firstSample = static_cast<long long>(std::ceil(start * fs));
    const long long blockStart = firstSample - SincHalfLength - 1;
    const auto blockEnd =
        static_cast<long long>(std::floor((start + view.span) * fs)) + SincHalfLength + 1;
    std::vector<double> block(static_cast<std::size_t>(blockEnd - blockStart + 1));
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = signal.QuantisedSample(blockStart + static_cast<long long>(i));
    }
    const auto n = static_cast<std::size_t>(points);
    view.time.resize(n);
    view.source.resize(n);
    view.continuous.resize(n);
    view.reconstructed.resize(n);
    const ReconstructionKind kind = signal.Settings().reconstruction;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = start + view.span * static_cast<double>(i) / static_cast<double>(n - 1);
        const SignalPhase phase = signal.PhaseAt(t);
        view.time[i] = t;
        view.source[i] = signal.Source(phase);
        view.continuous[i] = signal.Filtered(phase);
        view.reconstructed[i] = Reconstruct(kind, block, t * fs - static_cast<double>(blockStart));
    }
    FillSamples(view, signal, firstSample, block, blockStart);
    guard.Check();
}

double SuggestedSpectrumSpan(const SamplingSignal &signal) {
    const SamplingSettings &s = signal.Settings();
    return 1.25 * std::max(2.0 * s.sampleRate, HighestSetFrequency(s));
}

void ComputeSpectrum(const SamplingSignal &signal, double span, double time,
                     SamplingSpectrum &spectrum) {
    const FloatingPointGuard guard;
    const double fs = signal.Settings().sampleRate;
    spectrum.sampleRate = fs;
    spectrum.nyquist = 0.5 * fs;
    spectrum.span = span;
    spectrum.continuous.clear();
    spectrum.sampled.clear();
    std::vector<SignalLine> lines;
    signal.Lines(signal.PhaseAt(time), SpectrumFloor, lines);
    for (const SignalLine &line : lines) {
        if (line.frequency <= span) {
            spectrum.continuous.push_back(
                {line.frequency, std::abs(line.source), std::abs(line.filtered),
                 AliasFrequency(line.frequency, fs), IsFolded(line.frequency, fs)});
        }
    }
    for (const Folding &band : BaseBand(lines, fs)) {
        AddImages(spectrum, band, signal.Settings().reconstruction);
    }
    std::sort(spectrum.sampled.begin(), spectrum.sampled.end(),
              [](const SampledLine &a, const SampledLine &b) { return a.frequency < b.frequency; });
    guard.Check();
}

std::vector<ComponentAlias> ComponentAliases(const SamplingSignal &signal, double time) {
    const SamplingSettings &s = signal.Settings();
    std::vector<SignalLine> lines;
    signal.Lines(signal.PhaseAt(time), 0.0, lines);
    const std::size_t count = IsPeriodic(s.waveform) ? 3 : 2;
    std::vector<ComponentAlias> out;
    for (std::size_t i = 0; i < std::min(count, lines.size()); ++i) {
        const double f = lines[i].frequency;
        out.push_back({f, AliasFrequency(f, s.sampleRate), IsFolded(f, s.sampleRate)});
    }
    return out;
}

std::string AliasFrequencyText(const SamplingSignal &signal, double time) {
    std::string text;
    for (const ComponentAlias &c : ComponentAliases(signal, time)) {
        text += (text.empty() ? "" : "; ") + Hz(c.frequency) + " → " + Hz(c.alias);
    }
    return text;
}

long long SnrSampleCount(const SamplingSignal &signal) {
    return WholePeriods(signal, SnrSamples);
}

std::optional<double> MeasuredSnrDb(const SamplingSignal &signal, long long count) {
    const int bits = signal.Settings().bits;
    double signalPower = 0.0;
    double noisePower = 0.0;
    for (long long n = 0; n < count; ++n) {
        const double x = signal.Sample(n);
        const double e = Quantise(x, bits) - x;
        signalPower += x * x;
        noisePower += e * e;
    }
    if (noisePower == 0.0) {
        return std::nullopt;
    }
    if (signalPower == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(signalPower / noisePower);
}

std::string QuantisationSnrText(const SamplingSignal &signal) {
    const int bits = signal.Settings().bits;
    if (bits == ExactBits) {
        return "Exact: no quantisation";
    }
    const std::optional<double> measured = MeasuredSnrDb(signal, SnrSampleCount(signal));
    std::string value = "No quantisation error";
    if (measured) {
        value = std::isfinite(*measured) ? FormatDecimals(*measured, 2) + " dB" : "No signal";
    }
    return value + " (6.02·b + 1.76 = " + FormatDecimals(TheoreticalSnrDb(bits), 2) + " dB)";
}

std::string AttenuationText(const SamplingSignal &signal) {
    const SamplingSettings &s = signal.Settings();
    if (s.antiAlias == AntiAliasKind::None) {
        return "No anti-alias filter";
    }
    const double gain = signal.AntiAliasGainDb(s.signalFrequency);
    if (!std::isfinite(gain)) {
        return "Blocked at " + Hz(s.signalFrequency);
    }
    return FormatDecimals(gain, 2) + " dB at " + Hz(s.signalFrequency);
}

int WorkbenchValues(const SamplingSignal &signal, std::span<double> out) {
    const auto capacity = static_cast<int>(
        std::min<std::size_t>(out.size(), static_cast<std::size_t>(MaxDataFileValues)));
    const auto count = static_cast<int>(WholePeriods(signal, capacity));
    for (int n = 0; n < count; ++n) {
        out[static_cast<std::size_t>(n)] = signal.QuantisedSample(n);
    }
    return count;
}

bool WriteWorkbenchDataFile(const std::string &path, const SamplingSignal &signal) {
    std::vector<double> values(MaxDataFileValues);
    const int count = WorkbenchValues(signal, values);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    const SamplingSettings &s = signal.Settings();
    // The reader skips a line that does not start with a number.
    file << "Sampling Lab: " << Hz(s.signalFrequency) << " sampled at " << Hz(s.sampleRate) << ", "
         << BitsText(s.bits) << " bits, " << count << " samples\r\n";
    for (int n = 0; n < count; ++n) {
        file << FormatGeneral(values[static_cast<std::size_t>(n)], 17) << "\r\n";
    }
    file.close();
    return !file.fail();
}

} // namespace kaldorium
