#include "core/tools/SamplingSignal.h"

#include "core/common/Errors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kaldorium {

namespace {

// A circuit's harmonics stop at this multiple of its corner frequency: a second-order low pass
// has taken them down by 120 dB there.
constexpr double CircuitHarmonicReach = 1000.0;

double Wrap(double cycles) {
    return cycles - std::floor(cycles);
}

// Im(a·(cos φ + j·sin φ)), without the checks of the complex product.
double ImaginaryOfProduct(std::complex<double> a, double c, double s) {
    return a.real() * s + a.imag() * c;
}

bool IsPeriodic(SamplingWaveform w) {
    return w != SamplingWaveform::TwoTone && w != SamplingWaveform::Sweep;
}

} // namespace

double AliasFrequency(double frequency, double sampleRate) {
    const double folded = std::fmod(std::fabs(frequency), sampleRate);
    return folded > 0.5 * sampleRate ? sampleRate - folded : folded;
}

bool IsFolded(double frequency, double sampleRate) {
    return std::fabs(frequency) > 0.5 * sampleRate;
}

double TheoreticalSnrDb(int bits) {
    return 6.02 * bits + 1.76;
}

double Quantise(double x, int bits) {
    if (bits == ExactBits) {
        return x;
    }
    const double delta = std::ldexp(2.0, -bits);
    const double outer = 1.0 - 0.5 * delta;
    // q = Δ·(⌊x/Δ⌋ + ½), held to ±(1 − Δ/2)
    const double q = delta * (std::floor(x / delta) + 0.5);
    return std::clamp(q, -outer, outer);
}

SamplingSignal::SamplingSignal() {
    Configure(settings);
}

bool SamplingSignal::Configure(const SamplingSettings &newSettings) {
    if (!SamplingSettingsError(newSettings).empty()) {
        return false;
    }
    FilterParameters p;
    const FloatingPointGuard guard;
    switch (newSettings.antiAlias) {
    case AntiAliasKind::InvertingLowPass:
        p = Transfer(newSettings.invertingLowPass);
        break;
    case AntiAliasKind::NonInvertingLowPass:
        p = Transfer(newSettings.nonInvertingLowPass).parameters;
        break;
    case AntiAliasKind::None:
    case AntiAliasKind::Ideal:
        break;
    }
    CheckFloatingPoint(p);
    const SamplingSettings previous = settings;
    const FilterParameters previousCircuit = circuit;
    settings = newSettings;
    circuit = p;
    UpdateFilteredHarmonics();
    try {
        guard.Check();
    } catch (const FloatingPointError &) {
        // A response that overflows at one of the harmonics: nothing of the new settings stays.
        settings = previous;
        circuit = previousCircuit;
        UpdateFilteredHarmonics();
        throw;
    }
    return true;
}

void SamplingSignal::SetFrequency(double hz) {
    settings.signalFrequency = std::isgreater(hz, 0.0) ? hz : 0.0;
    UpdateFilteredHarmonics();
}

SignalPhase SamplingSignal::PhaseAt(double t) const {
    SignalPhase p;
    p.cycle = Wrap(settings.signalFrequency * t);
    p.second = Wrap(settings.secondFrequency * t);
    p.sweep = settings.sweepTime * Wrap(t / settings.sweepTime);
    return p;
}

void SamplingSignal::Advance(SignalPhase &phase, double dt) const {
    phase.cycle = Wrap(phase.cycle + settings.signalFrequency * dt);
    phase.second = Wrap(phase.second + settings.secondFrequency * dt);
    phase.sweep += dt;
    if (phase.sweep >= settings.sweepTime) {
        phase.sweep = settings.sweepTime * Wrap(phase.sweep / settings.sweepTime);
    }
}

int SamplingSignal::HarmonicStep() const {
    return settings.waveform == SamplingWaveform::Sawtooth ? 1 : 2;
}

double SamplingSignal::HarmonicAmplitude(int k) const {
    switch (settings.waveform) {
    case SamplingWaveform::Square: // (4/π)·Σ sin(2πkθ)/k over odd k
        return 4.0 / (std::numbers::pi * k);
    case SamplingWaveform::Triangle: // (8/π²)·Σ (−1)^((k−1)/2)·sin(2πkθ)/k² over odd k
        return ((k / 2) % 2 == 0 ? 8.0 : -8.0) / (std::numbers::pi * std::numbers::pi * k * k);
    case SamplingWaveform::Sawtooth: // (2/π)·Σ (−1)^(k+1)·sin(2πkθ)/k
        return (k % 2 == 1 ? 2.0 : -2.0) / (std::numbers::pi * k);
    default:
        return k == 1 ? 1.0 : 0.0;
    }
}

double SamplingSignal::ExactShape(double cycle) const {
    switch (settings.waveform) {
    case SamplingWaveform::Square:
        return cycle < 0.5 ? 1.0 : -1.0;
    case SamplingWaveform::Triangle:
        if (cycle < 0.25) {
            return 4.0 * cycle;
        }
        return cycle < 0.75 ? 2.0 - 4.0 * cycle : 4.0 * cycle - 4.0;
    case SamplingWaveform::Sawtooth:
        return cycle < 0.5 ? 2.0 * cycle : 2.0 * cycle - 2.0;
    default:
        return std::sin(2 * std::numbers::pi * cycle);
    }
}

void SamplingSignal::UpdateFilteredHarmonics() {
    const double f = settings.signalFrequency;
    toneResponse[0] = AntiAliasResponse(f);
    toneResponse[1] = AntiAliasResponse(settings.secondFrequency);
    harmonicCount = 0;
    if (settings.antiAlias == AntiAliasKind::None || !IsPeriodic(settings.waveform) || !(f > 0.0)) {
        return;
    }
    const int step = HarmonicStep();
    // The highest harmonic worth adding: below fs/2 for the ideal filter, up to the reach of the
    // circuit's roll-off otherwise.
    const double reach = settings.antiAlias == AntiAliasKind::Ideal
                             ? 0.5 * settings.sampleRate
                             : CircuitHarmonicReach * circuit.omega0 / (2 * std::numbers::pi);
    // Harmonic k = 1 + i·step is added while k·f < reach.
    int count = MaxHarmonics;
    if (reach < (1.0 + MaxHarmonics * step) * f) {
        count = static_cast<int>(std::max(0.0, std::ceil((reach / f - 1.0) / step)));
    }
    if (settings.waveform == SamplingWaveform::Sine) {
        count = std::min(count, 1);
    }
    for (int i = 0; i < count; ++i) {
        const int k = 1 + i * step;
        harmonics[static_cast<std::size_t>(i)] =
            settings.amplitude * HarmonicAmplitude(k) * AntiAliasResponse(k * f);
    }
    harmonicCount = count;
}

double SamplingSignal::SweepFrequency(double sweep) const {
    // f(τ) = F·τ/T rises from 0 to F over one pass.
    return settings.signalFrequency * sweep / settings.sweepTime;
}

double SamplingSignal::Source(const SignalPhase &phase) const {
    const double a = settings.amplitude;
    switch (settings.waveform) {
    case SamplingWaveform::TwoTone:
        return 0.5 * a *
               (std::sin(2 * std::numbers::pi * phase.cycle) +
                std::sin(2 * std::numbers::pi * phase.second));
    case SamplingWaveform::Sweep: {
        // The phase of f(τ) is ∫f dτ = F·τ²/(2T) cycles.
        const double cycles = 0.5 * SweepFrequency(phase.sweep) * phase.sweep;
        return a * std::sin(2 * std::numbers::pi * Wrap(cycles));
    }
    default:
        return a * ExactShape(phase.cycle);
    }
}

double SamplingSignal::Filtered(const SignalPhase &phase) const {
    if (settings.antiAlias == AntiAliasKind::None) {
        return Source(phase);
    }
    const double a = settings.amplitude;
    switch (settings.waveform) {
    case SamplingWaveform::TwoTone: {
        const double c1 = std::cos(2 * std::numbers::pi * phase.cycle),
                     s1 = std::sin(2 * std::numbers::pi * phase.cycle);
        const double c2 = std::cos(2 * std::numbers::pi * phase.second),
                     s2 = std::sin(2 * std::numbers::pi * phase.second);
        return 0.5 * a *
               (ImaginaryOfProduct(toneResponse[0], c1, s1) +
                ImaginaryOfProduct(toneResponse[1], c2, s2));
    }
    case SamplingWaveform::Sweep: {
        const double f = SweepFrequency(phase.sweep);
        const double angle = 2 * std::numbers::pi * Wrap(0.5 * f * phase.sweep);
        return a * ImaginaryOfProduct(AntiAliasResponse(f), std::cos(angle), std::sin(angle));
    }
    default:
        break;
    }
    if (!(settings.signalFrequency > 0.0)) {
        // A standing waveform is its present value, passed with the filter's gain at 0 Hz.
        return Source(phase) * toneResponse[0].real();
    }
    // Σ Im(a_k·z^k) with z = e^(j2πθ); the powers by rotation, one step being z^step.
    const double angle = 2 * std::numbers::pi * phase.cycle;
    double zRe = std::cos(angle), zIm = std::sin(angle);
    double stepRe = zRe, stepIm = zIm;
    if (HarmonicStep() == 2) {
        stepRe = zRe * zRe - zIm * zIm;
        stepIm = 2.0 * zRe * zIm;
    }
    double sum = 0.0;
    for (int i = 0; i < harmonicCount; ++i) {
        sum += ImaginaryOfProduct(harmonics[static_cast<std::size_t>(i)], zRe, zIm);
        const double next = zRe * stepRe - zIm * stepIm;
        zIm = zRe * stepIm + zIm * stepRe;
        zRe = next;
    }
    return sum;
}

double SamplingSignal::Sample(long long n) const {
    return Filtered(static_cast<double>(n) / settings.sampleRate);
}

std::complex<double> SamplingSignal::AntiAliasResponse(double frequency) const {
    switch (settings.antiAlias) {
    case AntiAliasKind::Ideal:
        return std::fabs(frequency) < 0.5 * settings.sampleRate ? 1.0 : 0.0;
    case AntiAliasKind::InvertingLowPass:
    case AntiAliasKind::NonInvertingLowPass: {
        // H = A0·ω0²/P, P = (ω0² − ω²) + j·2·ζ·ω0·ω
        const double w0 = circuit.omega0;
        const double w = 2 * std::numbers::pi * frequency;
        const double pRe = w0 * w0 - w * w;
        const double pIm = 2.0 * circuit.zeta * w0 * w;
        const double n = circuit.a0 * w0 * w0;
        const double d2 = pRe * pRe + pIm * pIm;
        return {n * pRe / d2, -n * pIm / d2};
    }
    case AntiAliasKind::None:
        break;
    }
    return 1.0;
}

double SamplingSignal::AntiAliasGainDb(double frequency) const {
    const double magnitude = std::abs(AntiAliasResponse(frequency));
    if (magnitude == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 20.0 * std::log10(magnitude);
}

void SamplingSignal::Lines(const SignalPhase &phase, double floor,
                           std::vector<SignalLine> &out) const {
    out.clear();
    const double a = settings.amplitude;
    const double f = settings.signalFrequency;
    auto add = [&](double hz, std::complex<double> source) {
        if (std::abs(source) >= floor) {
            out.push_back({hz, source, source * AntiAliasResponse(hz)});
        }
    };
    switch (settings.waveform) {
    case SamplingWaveform::TwoTone:
        add(std::min(f, settings.secondFrequency), 0.5 * a);
        add(std::max(f, settings.secondFrequency), 0.5 * a);
        return;
    case SamplingWaveform::Sweep:
        add(SweepFrequency(phase.sweep), a);
        return;
    default:
        break;
    }
    if (!(f > 0.0)) {
        // Im(j·v) = v: a standing value as a line at 0 Hz.
        add(0.0, {0.0, Source(phase)});
        return;
    }
    const int step = HarmonicStep();
    const int count = settings.waveform == SamplingWaveform::Sine ? 1 : MaxHarmonics;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int k = 1 + i * step;
        add(k * f, a * HarmonicAmplitude(k));
    }
}

} // namespace kaldorium
