#include "core/spectrum/Transforms.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>
#include <utility>

using namespace kaldorium;

namespace {

struct Block {
    std::array<ComplexSample, kMaxTransformLength> x{};
    std::array<ComplexSample, kMaxTransformLength> X{};
    std::array<double, kMaxTransformLength> M{};
    double P = 0.0;

    // A tone between two bins plus a weaker one, as a WAV block would bring.
    explicit Block(int N) {
        for (int n = 0; n < N; ++n) {
            x[static_cast<std::size_t>(n)] = {std::sin(2 * std::numbers::pi * 5.3 * n / N) +
                                                  0.25 *
                                                      std::cos(2 * std::numbers::pi * 41.0 * n / N),
                                              0.0};
        }
    }
};

// The comparison: a textbook in-place iterative radix-2 FFT that precomputes nothing. Each
// stage takes one cosine and sine and advances its twiddle by a complex product per butterfly.
void PlainFFT(int N, ComplexSample *a) {
    for (int i = 1, j = 0; i < N; ++i) {
        int bit = N >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (int length = 2; length <= N; length <<= 1) {
        const double angle = -2 * std::numbers::pi / length;
        const double stepRe = std::cos(angle);
        const double stepIm = std::sin(angle);
        const int half = length / 2;
        for (int i = 0; i < N; i += length) {
            double wr = 1.0;
            double wi = 0.0;
            for (int j = 0; j < half; ++j) {
                ComplexSample &u = a[i + j];
                ComplexSample &v = a[i + j + half];
                const double vr = v.re * wr - v.im * wi;
                const double vi = v.re * wi + v.im * wr;
                v = {u.re - vr, u.im - vi};
                u = {u.re + vr, u.im + vi};
                const double t = wr * stepRe - wi * stepIm;
                wi = wr * stepIm + wi * stepRe;
                wr = t;
            }
        }
    }
}

} // namespace

// The WAV workbench transforms one block per button press or effect block, N ≤ 1024.
static void BM_ComputeFFT(benchmark::State &state) {
    const int N = static_cast<int>(state.range(0));
    Block b(N);
    for (auto _ : state) {
        ComputeFFT(WindowKind::NoWindow, N, b.x.data(), b.X.data(), b.M.data(), b.P);
        benchmark::DoNotOptimize(b.P);
    }
}
BENCHMARK(BM_ComputeFFT)->Arg(512)->Arg(1024);

// With a window every load also evaluates w(n) (one cosine for Hamming).
static void BM_ComputeFFTHamming(benchmark::State &state) {
    const int N = static_cast<int>(state.range(0));
    Block b(N);
    for (auto _ : state) {
        ComputeFFT(WindowKind::Hamming, N, b.x.data(), b.X.data(), b.M.data(), b.P);
        benchmark::DoNotOptimize(b.P);
    }
}
BENCHMARK(BM_ComputeFFTHamming)->Arg(1024);

// The baseline on the same block, copied first as ComputeFFT leaves its input alone.
static void BM_PlainFFTBaseline(benchmark::State &state) {
    const int N = static_cast<int>(state.range(0));
    Block b(N);
    for (auto _ : state) {
        b.X = b.x;
        PlainFFT(N, b.X.data());
        benchmark::DoNotOptimize(b.X.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainFFTBaseline)->Arg(512)->Arg(1024);

// The direct DFT windows its input in place, so each pass starts from a fresh copy.
static void BM_ComputeDFT(benchmark::State &state) {
    const int N = static_cast<int>(state.range(0));
    const Block source(N);
    Block b(N);
    for (auto _ : state) {
        b.x = source.x;
        ComputeDFT(WindowKind::NoWindow, N, b.x.data(), b.X.data(), b.M.data(), b.P);
        benchmark::DoNotOptimize(b.P);
    }
}
BENCHMARK(BM_ComputeDFT)->Arg(441)->Arg(1024);
