#pragma once

#include "core/tools/SamplingSettings.h"

#include <array>

// Plays a sampled signal at a sound device's rate: the reconstruction of the samples, as the
// chosen kind makes it, band-limited to what the device can carry and taken at the device's
// instants.
namespace kaldorium {

// Output frame m is y(m/fd) = Σ x[n]·K(m·fs/fd − n): the reconstruction pulse p (a hold over one
// sample, a triangle over two, the tapered sinc) convolved with a low pass h at 0.45·fd, so the
// images of the hold and of linear interpolation reach the device only where it can carry them
// instead of folding back. K is tabulated once per configuration; a frame costs a few dozen
// multiplications and allocates nothing. The output lags the input by Latency().
class ReconstructionResampler {
public:
    // Input samples held for the kernel; the kernel is shortened where it would need more.
    static constexpr int HistoryLength = 8192;
    static constexpr int TablePoints = 16384;
    // Cutoff of the output low pass, as a fraction of the output rate.
    static constexpr double OutputCutoff = 0.45;

    // Both rates in Hz and above 0. Starts afresh: no samples, frame 0 next.
    void Configure(double inputRate, double outputRate, ReconstructionKind kind);
    void Reset();

    // True while the next frame needs more input than has been pushed.
    bool NeedsInput() const;
    void Push(double x);
    // The next frame; call only when NeedsInput() is false.
    double Next();

    // Fills `count` frames, pulling each input sample from `source()` as it is needed.
    template <typename Source> void Render(double *out, int count, Source &&source) {
        for (int i = 0; i < count; ++i) {
            while (NeedsInput()) {
                Push(source());
            }
            out[i] = Next();
        }
    }

    // How far the output trails the input, s.
    double Latency() const { return -kernelStart / inputRate; }
    double InputRate() const { return inputRate; }
    double OutputRate() const { return outputRate; }
    long long FramesMade() const { return frame; }
    long long SamplesPushed() const { return pushed; }

private:
    double Kernel(double v) const;
    void BuildKernel(ReconstructionKind kind);

    double inputRate = 1.0;
    double outputRate = 1.0;
    double ratio = 1.0; // fs/fd: input samples per frame
    // K over v = τ·fs from kernelStart to kernelEnd, tablePerSample entries per input sample.
    double kernelStart = 0.0;
    double kernelEnd = 0.0;
    double tablePerSample = 1.0;
    std::array<double, TablePoints + 1> table{};
    std::array<double, HistoryLength> history{};
    long long pushed = 0;
    long long frame = 0;
};

} // namespace kaldorium
