#pragma once

#include "core/common/Progress.h"
#include "core/spectrum/FrameSource.h"
#include "core/spectrum/Transforms.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// The averaged amplitude spectrum of a whole recording (a WAVE file): the file is cut into blocks
// of N sample frames (the last one padded with zeros), each block of channel 1 is transformed with
// the chosen weighting window, and the magnitudes are averaged over the blocks as (2/(N·B))·Σ M.
namespace kaldorium {

// Block length of a spectrum over S sample frames at fs Hz: the smaller of S and fs/100 (integer
// division), at most 1024; the FFT raises it with FFTLength. 0 when no spectrum can be taken: a
// file without a whole frame, or the DFT below 100 Hz.
int SpectrumBlockLength(long long sampleCount, std::uint32_t sampleRate, bool fft);

// Blocks averaged over S frames: ⌊S/N⌋ + 1, so when N divides S an all-zero block counts too.
long long SpectrumBlockCount(long long sampleCount, int N);

// The bins shown, counted from 1: at least 20 of them, and none beyond N/2. When N/2 is below 20
// the two limits meet at From = 1, To = N/2.
int LimitFromBin(int value, int to);
int LimitToBin(int value, int from, int N);

// The direct DFT evaluated for many bins at once. Each bin still runs Horner's rule through its
// own dependent chain, X[k] = (…(x[N−1]·W_k + x[N−2])·W_k + …)·W_k + x[0] with W_k = w₁^k, in the
// same operations and order as ComputeDFT, so every X[k] and M[k] is identical to it bit for bit;
// the chains of neighbouring bins are interleaved so that they overlap in the vector units.
// Twiddles and window weights are prepared once per length instead of once per block. Transform
// is const and may run on several threads at once.
class MultiBinDFT {
public:
    MultiBinDFT();
    ~MultiBinDFT();
    MultiBinDFT(const MultiBinDFT &) = delete;
    MultiBinDFT &operator=(const MultiBinDFT &) = delete;

    void Prepare(WindowKind kind, int N);
    int Length() const { return length; }

    // The transform of the real block x[0 … N−1] (imaginary parts 0): the spectrum X (may be
    // nullptr) and the magnitudes M of all N bins, as ComputeDFT gives them.
    void Transform(const double *x, ComplexSample *X, double *M) const;

    // Bins evaluated together in one pass over the block.
    static constexpr int kBinsPerPass = 16;

private:
    struct Tables;
    WindowKind kind = WindowKind::NoWindow;
    int length = 0;
    std::unique_ptr<Tables> tables;
};

enum class AnalysisOutcome {
    Done,
    // The progress callback asked to stop; the results are incomplete.
    Stopped,
    // No block fits the file (N = 0): nothing was read.
    TooShort,
};

// The spectrum of channel 1 of a WAVE file, as the spectrum window shows and exports it.
class SpectrumAnalysis {
public:
    SpectrumAnalysis();
    ~SpectrumAnalysis();
    SpectrumAnalysis(const SpectrumAnalysis &) = delete;
    SpectrumAnalysis &operator=(const SpectrumAnalysis &) = delete;

    // Reads the frames from their first and averages the spectra of
    // all its blocks. The blocks are transformed on `threads` threads (1 or 2); the results do
    // not depend on it. Floating-point faults raised on a helper thread are raised again on the
    // caller's, for its check.
    AnalysisOutcome Run(FrameSource &frames, bool fft, WindowKind kind,
                        const Progress &progress = {});

    int threads = 2;

    // Of the last run.
    bool fft = false;
    WindowKind kind = WindowKind::NoWindow;
    int channels = 0;
    std::uint32_t sampleRate = 0;
    long long sampleCount = 0;
    int N = 0;
    long long blocks = 0; // B, blocks averaged (of a finished run)
    double peak = 0.0;    // the largest averaged magnitude over all N bins
    // Averaged magnitudes (2/(N·B))·Σ M of bins 0 … N−1; zero when the run did not finish.
    std::array<double, kMaxTransformLength> magnitudes{};

private:
    struct Work;
    std::unique_ptr<Work> work;
};

// Conditions the workbench's input samples and runs its filter over them, one sample at a time.
class SpectrumSampleChain {
public:
    virtual ~SpectrumSampleChain() = default;
    // The input sample x after noise and rectification.
    virtual double Condition(double x) = 0;
    // One step of the filter.
    virtual double Filter(double x) = 0;
};

// The spectra of the input and of the filtered input side by side, as the WAV workbench draws
// them: each block of channel 1 (zero-padded at the end) is conditioned sample by sample, then
// transformed once as it is and once after the filter.
class PairedSpectrumAnalysis {
public:
    PairedSpectrumAnalysis();
    ~PairedSpectrumAnalysis();
    PairedSpectrumAnalysis(const PairedSpectrumAnalysis &) = delete;
    PairedSpectrumAnalysis &operator=(const PairedSpectrumAnalysis &) = delete;

    AnalysisOutcome Run(FrameSource &frames, bool fft, WindowKind kind, SpectrumSampleChain &chain,
                        const Progress &progress = {});

    int threads = 2;

    std::uint32_t sampleRate = 0;
    long long sampleCount = 0;
    int N = 0;
    long long blocks = 0;
    double peak = 0.0; // the largest of both averaged spectra
    std::array<double, kMaxTransformLength> input{};
    std::array<double, kMaxTransformLength> output{};

private:
    struct Work;
    std::unique_ptr<Work> work;
};

} // namespace kaldorium
