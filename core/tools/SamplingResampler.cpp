#include "core/tools/SamplingResampler.h"

#include "core/tools/SamplingReconstruction.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kaldorium {

namespace {

// Intervals of the fine grid on which the low pass is integrated.
constexpr int IntegralPoints = 32768;

// The low pass h(v) = 2c·sinc(2c·v)·w(v/W) and its running integrals C = ∫h and D = ∫C over
// v = −W … W (in input samples), normalised so that C(W) = 1; read between the grid points by
// cubic Hermite interpolation, since each one's derivative is the one before.
class LowPassIntegrals {
public:
    LowPassIntegrals(double cutoff, double halfWidth)
        : w(halfWidth), step(2.0 * halfWidth / IntegralPoints), h(IntegralPoints + 1),
          c(IntegralPoints + 1), d(IntegralPoints + 1) {
        for (int i = 0; i <= IntegralPoints; ++i) {
            const double v = -w + i * step;
            h[Index(i)] = 2.0 * cutoff * Sinc(2.0 * cutoff * v) * KaiserWindow(v / w);
        }
        for (int i = 1; i <= IntegralPoints; ++i) {
            c[Index(i)] = c[Index(i - 1)] + 0.5 * step * (h[Index(i - 1)] + h[Index(i)]);
        }
        const double total = c[Index(IntegralPoints)];
        for (int i = 0; i <= IntegralPoints; ++i) {
            h[Index(i)] /= total;
            c[Index(i)] /= total;
        }
        // Trapezoids of C corrected by the end slopes (Euler-Maclaurin), as accurate as the
        // Hermite reading of C.
        for (int i = 1; i <= IntegralPoints; ++i) {
            d[Index(i)] = d[Index(i - 1)] + 0.5 * step * (c[Index(i - 1)] + c[Index(i)]) +
                          step * step / 12.0 * (h[Index(i - 1)] - h[Index(i)]);
        }
    }

    double H(double v) const { return Read(v, h, nullptr, 0.0, 0.0); }
    double C(double v) const { return Read(v, c, &h, 0.0, 1.0); }
    double D(double v) const {
        if (v >= w) {
            return d[Index(IntegralPoints)] + (v - w);
        }
        return Read(v, d, &c, 0.0, 0.0);
    }

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

    double Read(double v, const std::vector<double> &f, const std::vector<double> *slope,
                double below, double above) const {
        if (v <= -w) {
            return below;
        }
        if (v >= w) {
            return above;
        }
        const double pos = (v + w) / step;
        const int i = std::min(static_cast<int>(pos), IntegralPoints - 1);
        const double t = pos - i;
        const double f0 = f[Index(i)], f1 = f[Index(i + 1)];
        if (slope == nullptr) {
            return f0 + t * (f1 - f0);
        }
        const double m0 = (*slope)[Index(i)] * step, m1 = (*slope)[Index(i + 1)] * step;
        // Cubic Hermite: h00·f0 + h10·m0 + h01·f1 + h11·m1
        const double t2 = t * t, t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * f0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * f1 +
               (t3 - t2) * m1;
    }

    double w;
    double step;
    std::vector<double> h, c, d;
};

} // namespace

void ReconstructionResampler::Configure(double inRate, double outRate, ReconstructionKind kind) {
    inputRate = inRate;
    outputRate = outRate;
    ratio = inRate / outRate;
    BuildKernel(kind);
    Reset();
}

void ReconstructionResampler::Reset() {
    history.fill(0.0);
    pushed = 0;
    frame = 0;
}

void ReconstructionResampler::BuildKernel(ReconstructionKind kind) {
    // The output low pass in cycles per input sample.
    const double cutoff = OutputCutoff / ratio;
    if (kind == ReconstructionKind::Sinc && cutoff >= 0.5) {
        // The device carries the whole band up to fs/2: the tapered sinc alone.
        kernelStart = -SincHalfLength;
        kernelEnd = SincHalfLength;
        tablePerSample = TablePoints / (kernelEnd - kernelStart);
        for (int i = 0; i <= TablePoints; ++i) {
            table[static_cast<std::size_t>(i)] = TaperedSinc(kernelStart + i / tablePerSample);
        }
        return;
    }
    // SincHalfLength zero crossings of the low pass to each side, as far as the history holds.
    const double widest = 0.5 * HistoryLength - 4.0;
    const double w = std::min(SincHalfLength / (2.0 * cutoff), widest);
    const LowPassIntegrals lowPass(cutoff, w);
    switch (kind) {
    case ReconstructionKind::ZeroOrderHold: // K(v) = ∫ from v − 1 to v of h = C(v) − C(v − 1)
        kernelStart = -w;
        kernelEnd = w + 1.0;
        break;
    case ReconstructionKind::Linear: // K(v) = ∫ tri(s)·h(v − s) ds = D(v + 1) − 2D(v) + D(v − 1)
        kernelStart = -w - 1.0;
        kernelEnd = w + 1.0;
        break;
    case ReconstructionKind::Sinc: // the low pass is narrower than fs/2: K = h
        kernelStart = -w;
        kernelEnd = w;
        break;
    }
    tablePerSample = TablePoints / (kernelEnd - kernelStart);
    for (int i = 0; i <= TablePoints; ++i) {
        const double v = kernelStart + i / tablePerSample;
        double k = lowPass.H(v);
        if (kind == ReconstructionKind::ZeroOrderHold) {
            k = lowPass.C(v) - lowPass.C(v - 1.0);
        } else if (kind == ReconstructionKind::Linear) {
            k = lowPass.D(v + 1.0) - 2.0 * lowPass.D(v) + lowPass.D(v - 1.0);
        }
        table[static_cast<std::size_t>(i)] = k;
    }
}

double ReconstructionResampler::Kernel(double v) const {
    const double pos = (v - kernelStart) * tablePerSample;
    if (!(pos >= 0.0) || pos >= TablePoints) {
        return 0.0;
    }
    const auto i = static_cast<std::size_t>(pos);
    const double frac = pos - static_cast<double>(i);
    return table[i] + frac * (table[i + 1] - table[i]);
}

bool ReconstructionResampler::NeedsInput() const {
    const double u = static_cast<double>(frame) * ratio;
    return pushed <= static_cast<long long>(std::floor(u - kernelStart));
}

void ReconstructionResampler::Push(double x) {
    history[static_cast<std::size_t>(pushed % HistoryLength)] = x;
    ++pushed;
}

double ReconstructionResampler::Next() {
    // The frame's instant in input samples; the taps are the n with kernelStart ≤ u − n < end.
    const double u = static_cast<double>(frame) * ratio;
    ++frame;
    const auto last = std::min(static_cast<long long>(std::floor(u - kernelStart)), pushed - 1);
    auto first = static_cast<long long>(std::floor(u - kernelEnd)) + 1;
    first = std::max({first, 0LL, pushed - HistoryLength});
    double sum = 0.0;
    for (long long n = first; n <= last; ++n) {
        sum += history[static_cast<std::size_t>(n % HistoryLength)] *
               Kernel(u - static_cast<double>(n));
    }
    return sum;
}

} // namespace kaldorium
