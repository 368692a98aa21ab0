#pragma once

#include "core/spectrum/Transforms.h"

#include <array>

namespace kaldorium {

// The power spectra of two weighted real blocks from one complex FFT of z = w·a + j·w·b. The FFT is
// the radix-2 decimation in time of ComputeFFT, on separate arrays of real and imaginary parts with
// each stage's twiddles side by side, so that a stage runs four butterflies per instruction where
// the processor allows. Its results agree with ComputeFFT to rounding, not bit for bit.
class PairedRealFFT {
public:
    // Tables for blocks of N, a power of two 2 … 1024 (other lengths are refused: Length() 0),
    // weighted by the window `kind`.
    void Prepare(WindowKind kind, int N);
    int Length() const { return length; }

    // (2/N)²·|A[k]|² of bins k = 0 … N/2 of the weighted block a into pa, and the same of b into
    // pb; a null b transforms a alone and leaves pb alone. Const: several threads may call it at
    // once.
    void Powers(const double *a, const double *b, double *pa, double *pb) const;

private:
    int length = 0;
    // The twiddles e^(−jπk/h), k = 0 … h − 1, of the stage of half-span h start at index h.
    alignas(32) std::array<double, kMaxTransformLength> twiddleRe{};
    alignas(32) std::array<double, kMaxTransformLength> twiddleIm{};
    std::array<int, kMaxTransformLength> reversed{};
    std::array<double, kMaxTransformLength> weight{};
    void (*stage)(int, int, double *, double *, const double *, const double *) = nullptr;
};

} // namespace kaldorium
