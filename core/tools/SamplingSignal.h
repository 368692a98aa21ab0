#pragma once

#include "core/tools/SamplingSettings.h"

#include <array>
#include <complex>
#include <vector>

// The sampling lab's signal path up to the sampler's output: the "analogue" source, the anti-alias
// filter, the sampler and the quantiser; and where a frequency lands once sampled.
namespace kaldorium {

// |f − k·fs| for the k that brings it nearest, i.e. f folded into 0 … fs/2. fs must be above 0.
double AliasFrequency(double frequency, double sampleRate);
// True when f lies above fs/2, so that sampling moves it to its alias frequency.
bool IsFolded(double frequency, double sampleRate);

// 6.02·b + 1.76 dB: the signal-to-noise ratio of a full-scale sine quantised to b bits.
double TheoreticalSnrDb(int bits);

// The quantiser of b bits over the full scale ±1: 2^b levels Δ/2, 3Δ/2, … apart from 0 on both
// sides (Δ = 2/2^b), inputs beyond the outermost levels held there. ExactBits returns x itself.
double Quantise(double x, int bits);

// Where the source stands at one instant. Streams advance it sample by sample, so a change of
// frequency continues the waveform where it is instead of jumping.
struct SignalPhase {
    double cycle = 0.0;  // fraction of a period of the signal frequency, 0 … 1
    double second = 0.0; // the same for the second tone
    double sweep = 0.0;  // s into the current pass of the sweep waveform
};

// One sinusoid of a signal, Im(a·e^(j2πft)) = |a|·sin(2πft + arg a), before and after the
// anti-alias filter.
struct SignalLine {
    double frequency = 0.0; // Hz
    std::complex<double> source;
    std::complex<double> filtered;
};

// The source and the anti-alias filter of the settings it was configured with. The filtered
// signal is the filter's steady state: each sinusoid of the source is multiplied by the filter's
// response at its frequency. Without a filter the square, triangle and sawtooth are exact; with
// one they are built from their first MaxHarmonics harmonics (those the filter would reduce below
// −120 dB are left out), and the sweep waveform is filtered at its instantaneous frequency.
class SamplingSignal {
public:
    static constexpr int MaxHarmonics = 1024;

    SamplingSignal();

    // Takes the settings. False, with the previous settings kept, when SamplingSettingsError
    // finds a value unusable; throws FloatingPointError when the circuit's components give no
    // response (a component of 0).
    bool Configure(const SamplingSettings &settings);
    // Only the signal frequency changes (the sweep's stepper); a negative one counts as 0.
    void SetFrequency(double hz);
    const SamplingSettings &Settings() const { return settings; }

    // The phase at time t, s (t = 0 starts every waveform at its phase 0).
    SignalPhase PhaseAt(double t) const;
    // Moves the phase on by dt at the present frequencies.
    void Advance(SignalPhase &phase, double dt) const;

    // The source before the filter, and the signal reaching the sampler.
    double Source(const SignalPhase &phase) const;
    double Filtered(const SignalPhase &phase) const;
    double Source(double t) const { return Source(PhaseAt(t)); }
    double Filtered(double t) const { return Filtered(PhaseAt(t)); }
    // Sample n, taken at n/fs, before and after the quantiser.
    double Sample(long long n) const;
    double QuantisedSample(long long n) const { return Quantise(Sample(n), settings.bits); }

    // The filter's response at f: the calculator's A0·ω0²/((ω0² − ω²) + j·2ζω0ω) for the
    // circuits (its Bode plot's, so the inverting circuit's sign is left out and the filtered
    // signal is not drawn upside down), 1 below fs/2 and 0 from there for the ideal filter, 1
    // without a filter.
    std::complex<double> AntiAliasResponse(double frequency) const;
    // 20·log10 of its magnitude; minus infinity where the ideal filter blocks.
    double AntiAliasGainDb(double frequency) const;
    // ω0 (rad/s), ζ and A0 of the selected circuit; zeros for no filter and the ideal one.
    const FilterParameters &Circuit() const { return circuit; }

    // The source's sinusoids, lowest first, with every harmonic up to MaxHarmonics (the sweep
    // waveform: one line at its instantaneous frequency at `phase`). Lines whose source amplitude
    // is below `floor` are left out.
    void Lines(const SignalPhase &phase, double floor, std::vector<SignalLine> &out) const;

private:
    // The harmonics 1, 1 + step, 1 + 2·step, … of the periodic waveforms.
    int HarmonicStep() const;
    // The sine-series amplitude b of harmonic k, the waveform being Σ b·sin(2πk·θ).
    double HarmonicAmplitude(int k) const;
    double ExactShape(double cycle) const;
    void UpdateFilteredHarmonics();
    double SweepFrequency(double sweep) const;

    SamplingSettings settings;
    FilterParameters circuit;
    // With a filter: a = A·b·H(k·f) of harmonic k = 1 + i·step, and the two tones' H.
    std::array<std::complex<double>, MaxHarmonics> harmonics{};
    int harmonicCount = 0;
    std::complex<double> toneResponse[2];
};

} // namespace kaldorium
