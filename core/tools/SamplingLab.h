#pragma once

#include "core/tools/SamplingSignal.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

// What the sampling lab shows, computed from a configured SamplingSignal: the time and spectrum
// plots, the quantisation error, the read-outs, and the sampled signal for the workbench.
namespace kaldorium {

// --- Time plot and quantisation error ---------------------------------------------------------

struct SamplingTimeView {
    double start = 0.0; // s
    double span = 0.0;  // s
    // At evenly spaced instants: the source, the signal reaching the sampler and the
    // reconstruction of the quantised samples.
    std::vector<double> time;
    std::vector<double> source;
    std::vector<double> continuous;
    std::vector<double> reconstructed;
    // Every sample inside the view: its instant, its quantised value and the quantisation error
    // (quantised − exact).
    std::vector<double> sampleTime;
    std::vector<double> sampleValue;
    std::vector<double> sampleError;
};

// The most samples one view covers (a longer span is cut to this many sample periods), the most
// instants it draws, and how far from t = 0 it may start, in sample periods.
inline constexpr int MaxViewSamples = 65536;
inline constexpr int MaxViewPoints = 65536;
inline constexpr double LatestViewSample = 1e15;

// Four periods of the lowest frequency the sampled signal shows (its lowest alias), held to 16 …
// 2048 sample periods; for the sweep waveform one pass, held the same way.
double SuggestedTimeSpan(const SamplingSignal &signal);

// Fills the view for start … start + span with `points` instants (2 … MaxViewPoints). The
// reconstruction sees the samples beyond both edges as well, so it is the same wherever the view
// starts. Throws FloatingPointError when the computation faults.
void ComputeTimeView(const SamplingSignal &signal, double start, double span, int points,
                     SamplingTimeView &view);

// --- Spectrum ---------------------------------------------------------------------------------

// A sinusoid of the continuous signal: its amplitude before and after the anti-alias filter and
// where sampling puts it.
struct ContinuousLine {
    double frequency = 0.0;
    double sourceAmplitude = 0.0;
    double amplitude = 0.0;
    double aliasFrequency = 0.0;
    bool folded = false; // above fs/2: to be labelled with its alias frequency
};

// A line of the sampled signal's spectrum: image `image` of a line of the base band 0 … fs/2,
// at |image·fs ± aliasFrequency|. Components that land on the same base-band frequency are added
// with their phases, as the samples add them. `reconstructed` is the amplitude the
// reconstruction leaves of it.
struct SampledLine {
    double frequency = 0.0;
    double amplitude = 0.0;
    double reconstructed = 0.0;
    double aliasFrequency = 0.0;
    int image = 0;
    bool folded = false; // a folded component contributes to it
};

struct SamplingSpectrum {
    double sampleRate = 0.0;
    double nyquist = 0.0;
    double span = 0.0; // Hz, the lines run from 0 to here
    std::vector<ContinuousLine> continuous;
    std::vector<SampledLine> sampled;
};

// Lines weaker than this (of full scale) are left out, and so are images beyond the MaxImages-th
// sample rate.
inline constexpr double SpectrumFloor = 1e-6;
inline constexpr int MaxImages = 64;

// 1.25 times the larger of 2·fs and the highest frequency set.
double SuggestedSpectrumSpan(const SamplingSignal &signal);

// The lines up to `span` Hz; `time` places the sweep waveform's instantaneous frequency.
// Throws FloatingPointError when the computation faults.
void ComputeSpectrum(const SamplingSignal &signal, double span, double time,
                     SamplingSpectrum &spectrum);

// --- Read-outs --------------------------------------------------------------------------------

struct ComponentAlias {
    double frequency = 0.0;
    double alias = 0.0;
    bool folded = false;
};

// The main components and where they land: the sine, both tones, the first three harmonics of
// the other periodic waveforms, the sweep waveform's instantaneous frequency at `time`.
std::vector<ComponentAlias> ComponentAliases(const SamplingSignal &signal, double time);
// "7000 Hz → 1000 Hz", several joined by "; ".
std::string AliasFrequencyText(const SamplingSignal &signal, double time);

// The samples SnrSampleCount measures at most.
inline constexpr long long SnrSamples = 8192;
// The count of samples up to SnrSamples that holds the nearest to a whole number of periods;
// SnrSamples when no period fits or the signal has none.
long long SnrSampleCount(const SamplingSignal &signal);
// 10·log10(Σx²/Σ(q − x)²) over samples 0 … count − 1, x the exact and q the quantised sample;
// nothing when there is no quantisation error (Exact), minus infinity for a silent signal.
std::optional<double> MeasuredSnrDb(const SamplingSignal &signal, long long count);
// "49.93 dB (6.02·b + 1.76 = 49.92 dB)", "No quantisation error (…)" when every sample lies on a
// level, "No signal (…)" for a silent one, or "Exact: no quantisation".
std::string QuantisationSnrText(const SamplingSignal &signal);
// The filter's gain at the signal frequency: "−3.01 dB at 3000 Hz", "Blocked at 5000 Hz", or
// "No anti-alias filter".
std::string AttenuationText(const SamplingSignal &signal);

// --- Send to Workbench ------------------------------------------------------------------------

// The quantised samples from t = 0 for the workbench's data-file waveform, which plays them as one
// period: of the counts up to out.size() (at most 1024) that hold at least one period, the one
// whose periods come nearest to a whole number, so the repeat joins; all of them for a signal
// without a period or with a period longer than that. Returns the count N; the workbench plays
// them at the lab's sample rate when its frequency is fs/N.
int WorkbenchValues(const SamplingSignal &signal, std::span<double> out);
// Writes them as an input data file: one header line, then one value per line, CR LF. False
// when the file cannot be written.
bool WriteWorkbenchDataFile(const std::string &path, const SamplingSignal &signal);

} // namespace kaldorium
