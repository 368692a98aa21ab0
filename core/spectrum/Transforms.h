#pragma once

// The transform engine: direct DFT and radix-2 FFT of a block of complex samples, each also for the
// conjugate of its input (used as the inverse transform), with one of six weighting windows. Every
// transform fills the spectrum X, the magnitude of each bin M and the largest magnitude P. The
// engine keeps no state and allocates nothing: all arrays belong to the caller.
namespace kaldorium {

// Blocks never hold more samples than this; the callers' arrays have this many entries.
inline constexpr int kMaxTransformLength = 1024;

// One complex sample or bin of a transform: a plain pair, apart from the polynomials' Complex
// (std::complex<double>, core/common/Polynomial.h), which has its own arithmetic.
struct ComplexSample {
    double re = 0.0;
    double im = 0.0;
};

// The index of the weighting window, in the order of the window lists. Any value other than 0 to
// 4 behaves as NoWindow.
enum class WindowKind : int {
    Hamming = 0,
    VonHann = 1,
    Blackman = 2,
    BlackmanHarris = 3,
    Bartlett = 4,
    NoWindow = 5,
};

// Weight w(n) of the window at sample n of a block of N. The window spans the whole block: n = 0
// and n = N − 1 take the end value, (N − 1)/2 the value 1. A block of one sample weighs 1.
double WindowWeight(WindowKind kind, int n, int N);

// Direct DFT of the windowed input, X[k] = Σ w(n)·x[n]·e^(−j2πkn/N). Leaves w(n)·x[n] in x; a block
// of one sample is copied unwindowed.
void ComputeDFT(WindowKind kind, int N, ComplexSample *x, ComplexSample *X, double *M, double &P);

// As ComputeDFT, applied to conj(x[n]); leaves w(n)·conj(x[n]) in x.
void ComputeConjugateDFT(WindowKind kind, int N, ComplexSample *x, ComplexSample *X, double *M,
                         double &P);

// Radix-2 FFT of the windowed input; N must be a power of two (any other length transforms
// nothing and gives zeros). The input is left untouched. A caller that reads no magnitudes may
// pass a null M; P is then 0.
void ComputeFFT(WindowKind kind, int N, const ComplexSample *x, ComplexSample *X, double *M,
                double &P);

// As ComputeFFT, applied to conj(x[n]). With NoWindow this is N times the conjugate of the inverse
// DFT of x.
void ComputeConjugateFFT(WindowKind kind, int N, const ComplexSample *x, ComplexSample *X,
                         double *M, double &P);

// The smallest power of two that is at least n, and never less than 2.
int FFTLength(int n);

} // namespace kaldorium
