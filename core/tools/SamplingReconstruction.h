#pragma once

#include "core/tools/SamplingSettings.h"

#include <span>

// Reconstruction of a continuous signal from its samples: the zero-order hold, linear
// interpolation, and the sinc interpolation of the sampling theorem (its sinc tapered by a Kaiser
// window SincHalfLength samples to each side, so that it needs only the samples near it).
namespace kaldorium {

inline constexpr int SincHalfLength = 64;
// The Kaiser window's β: side lobes about 90 dB down.
inline constexpr double KaiserBeta = 9.0;

// sin(πx)/(πx), 1 at 0.
double Sinc(double x);
// The Kaiser window at x, 1 at 0 falling to its edge at |x| = 1; 0 beyond.
double KaiserWindow(double x);
// The tapered sinc: Sinc(x)·KaiserWindow(x/SincHalfLength).
double TaperedSinc(double x);

// The reconstruction at `position`, counted in sample periods from samples[0] (samples outside
// the span count as 0): the zero-order hold keeps sample n from n to n + 1, linear interpolation
// joins neighbours, the sinc interpolation sums samples[n]·TaperedSinc(position − n).
double Reconstruct(ReconstructionKind kind, std::span<const double> samples, double position);

// |R(f)|, the magnitude by which a reconstruction weights a line of the sampled signal's
// spectrum at f: |sinc(f/fs)| for the hold, sinc²(f/fs) for linear interpolation, and for the
// sinc interpolation 1 up to fs/2 and 0 above it (its ideal form).
double ReconstructionGain(ReconstructionKind kind, double frequency, double sampleRate);

} // namespace kaldorium
