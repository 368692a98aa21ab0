#include "core/tools/SamplingReconstruction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kaldorium {

namespace {

// I0(x) = Σ ((x/2)^k / k!)², summed until the terms stop counting.
double BesselI0(double x) {
    const double quarterSquare = 0.25 * x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k < 200 && term > 1e-17 * sum; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// The window at WindowPoints + 1 evenly spaced x from 0 to 1, read with linear interpolation:
// the reconstruction needs it at every tap.
constexpr int WindowPoints = 4096;

const std::array<double, WindowPoints + 1> &WindowTable() {
    static const auto table = [] {
        std::array<double, WindowPoints + 1> t{};
        const double norm = 1.0 / BesselI0(KaiserBeta);
        for (int i = 0; i <= WindowPoints; ++i) {
            const double x = static_cast<double>(i) / WindowPoints;
            // w(x) = I0(β·√(1 − x²))/I0(β)
            t[static_cast<std::size_t>(i)] = BesselI0(KaiserBeta * std::sqrt(1.0 - x * x)) * norm;
        }
        return t;
    }();
    return table;
}

double SampleAt(std::span<const double> samples, long long n) {
    return n >= 0 && n < static_cast<long long>(samples.size())
               ? samples[static_cast<std::size_t>(n)]
               : 0.0;
}

} // namespace

double Sinc(double x) {
    if (x == 0.0) {
        return 1.0;
    }
    return std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

double KaiserWindow(double x) {
    const double a = std::fabs(x);
    if (!(a < 1.0)) {
        return 0.0;
    }
    const double pos = a * WindowPoints;
    const auto i = static_cast<std::size_t>(pos);
    const double frac = pos - static_cast<double>(i);
    const auto &t = WindowTable();
    return t[i] + frac * (t[i + 1] - t[i]);
}

double TaperedSinc(double x) {
    return Sinc(x) * KaiserWindow(x / SincHalfLength);
}

double Reconstruct(ReconstructionKind kind, std::span<const double> samples, double position) {
    const double floorPosition = std::floor(position);
    const auto n = static_cast<long long>(floorPosition);
    const double frac = position - floorPosition;
    switch (kind) {
    case ReconstructionKind::ZeroOrderHold:
        return SampleAt(samples, n);
    case ReconstructionKind::Linear:
        return SampleAt(samples, n) + frac * (SampleAt(samples, n + 1) - SampleAt(samples, n));
    case ReconstructionKind::Sinc:
        break;
    }
    if (frac == 0.0) {
        return SampleAt(samples, n);
    }
    // sin(π(p − m)) = ±sin(π·frac): one sine for all taps, the sign alternating with m.
    const double sineOfFrac = std::sin(std::numbers::pi * frac);
    const long long first = std::max<long long>(n - SincHalfLength + 1, 0);
    const long long last =
        std::min<long long>(n + SincHalfLength, static_cast<long long>(samples.size()) - 1);
    double sum = 0.0;
    for (long long m = first; m <= last; ++m) {
        const double d = position - static_cast<double>(m);
        const double sign = ((n - m) % 2 == 0) ? 1.0 : -1.0;
        sum += samples[static_cast<std::size_t>(m)] * sign * sineOfFrac / (std::numbers::pi * d) *
               KaiserWindow(d / SincHalfLength);
    }
    return sum;
}

double ReconstructionGain(ReconstructionKind kind, double frequency, double sampleRate) {
    const double r = std::fabs(Sinc(frequency / sampleRate));
    switch (kind) {
    case ReconstructionKind::ZeroOrderHold:
        return r;
    case ReconstructionKind::Linear:
        return r * r;
    case ReconstructionKind::Sinc:
        break;
    }
    return std::fabs(frequency) <= 0.5 * sampleRate ? 1.0 : 0.0;
}

} // namespace kaldorium
