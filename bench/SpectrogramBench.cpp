#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/spectrum/Spectrogram.h"

#include <benchmark/benchmark.h>

#ifdef KALDORIUM_BENCH_FFTW
#include <fftw3.h>
#endif

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

constexpr int kSeconds = 600;
constexpr int kRate = 44100;
constexpr int kN = 1024;
constexpr int kWidth = 1200;
constexpr int kHeight = 400;
// Columns per step, as a window drives the stepper between its message pumps.
constexpr int kColumnsPerStep = 8;

// Ten minutes of stereo 16-bit 44.1 kHz in /tmp, written once per run and removed at exit: on
// the left a tone and a slow sweep repeating every 20 s, on the right a tone and quiet noise.
class SpectrogramFile {
public:
    SpectrogramFile()
        : path("/tmp/kaldorium-bench-spectrogram-" + std::to_string(getpid()) + ".wav") {
        WaveFile file;
        file.SetPcmFormat(kRate, 2, 16);
        file.CreateForWriting(path);
        const long long frames = static_cast<long long>(kRate) * kSeconds;
        unsigned noise = 12345;
        for (long long k = 0; k < frames; ++k) {
            const double t = static_cast<double>(k) / kRate;
            const double u = std::fmod(t, 20.0);
            // f(u) = 200 + 400·u Hz: phase 2π·(200·u + 200·u²)
            const double sweep = std::sin(2 * std::numbers::pi * (200.0 * u + 200.0 * u * u));
            file.WriteValue(0.3 * std::sin(2 * std::numbers::pi * 440.0 * t) + 0.3 * sweep);
            noise = noise * 1664525u + 1013904223u;
            file.WriteValue(0.4 * std::sin(2 * std::numbers::pi * 1234.0 * t) +
                            0.01 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5));
        }
        file.CloseFile();
    }
    ~SpectrogramFile() { std::remove(path.c_str()); }

    std::string path;
};

const SpectrogramFile &TenMinutes() {
    static const SpectrogramFile file;
    return file;
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

SpectrogramSettings BenchSettings(int threads) {
    SpectrogramSettings settings;
    settings.N = kN;
    settings.kind = WindowKind::Hamming;
    settings.overlap = Overlap::ThreeQuarters;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.threads = threads;
    return settings;
}

// The whole file into a 1200 × 400 picture and its colours, the left channel or the sum.
void BM_Spectrogram600s(benchmark::State &state) {
    const int threads = static_cast<int>(state.range(0));
    const auto channel = static_cast<FrameChannel>(state.range(1));
    const std::string &path = TenMinutes().path; // written before the clock starts
    Spectrogram spectrogram;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(path);
        WaveFrameSource frames(file, channel);
        spectrogram.Start(frames, BenchSettings(threads));
        while (!spectrogram.Finished()) {
            spectrogram.Step(kColumnsPerStep);
        }
        const LevelColours colours(ColourMap::Viridis, spectrogram.DefaultDbTop(), kDefaultDbRange);
        PaintSpectrogram(spectrogram, colours, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["transforms"] = static_cast<double>(spectrogram.Transforms());
    state.counters["buffers_MB"] = static_cast<double>(spectrogram.BufferBytes()) / (1 << 20);
    state.counters["peak_rss_MB"] = PeakResidentMB();
}
BENCHMARK(BM_Spectrogram600s)
    ->ArgNames({"threads", "channel"})
    ->Args({2, 0})
    ->Args({1, 0})
    ->Args({2, 2})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

#ifdef KALDORIUM_BENCH_FFTW
// The anchor: the same blocks (N 1024, Hamming, hop 256, left channel) read from the same file
// through the same frame source, transformed by a planned real-input FFTW transform, their
// powers combined by maximum into the same 1200 columns and 400 linear rows, then coloured.
void BM_FFTWAnchor600s(benchmark::State &state) {
    constexpr int kHop = kN / 4;
    constexpr int kBins = kN / 2 + 1;
    const std::string &path = TenMinutes().path;
    double *in = fftw_alloc_real(kN);
    fftw_complex *out = fftw_alloc_complex(kBins);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
    std::vector<double> weight(kN);
    for (int n = 0; n < kN; ++n) {
        weight[static_cast<std::size_t>(n)] = WindowWeight(WindowKind::Hamming, n, kN);
    }
    std::vector<double> frames(kN);
    std::vector<double> column(kBins);
    std::vector<float> levels(static_cast<std::size_t>(kWidth) * kHeight);
    std::vector<std::uint32_t> pixels(levels.size());
    long long blocks = 0;
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(path);
        WaveFrameSource source(file);
        const long long S = source.FrameCount();
        const long long total = (S - kN) / kHop + 1;
        source.Read(frames.data(), kN - kHop);
        std::fill(column.begin(), column.end(), 0.0);
        int x = 0;
        double peak = 0.0;
        for (long long j = 0; j < total; ++j) {
            std::copy(frames.begin() + kHop, frames.end(), frames.begin());
            source.Read(frames.data() + kN - kHop, kHop);
            for (int n = 0; n < kN; ++n) {
                in[n] = frames[static_cast<std::size_t>(n)] * weight[static_cast<std::size_t>(n)];
            }
            fftw_execute(plan);
            for (int k = 0; k < kBins; ++k) {
                const double p = (out[k][0] * out[k][0] + out[k][1] * out[k][1]) * 4.0 / kN / kN;
                column[static_cast<std::size_t>(k)] =
                    std::max(column[static_cast<std::size_t>(k)], p);
            }
            // The column of the block's middle frame; a column is finished when the next block
            // belongs to another one.
            const long long middle = j * kHop + kN / 2;
            const long long nextMiddle = middle + kHop;
            const int nextX = j + 1 < total ? static_cast<int>(nextMiddle * kWidth / S) : kWidth;
            if (nextX != x) {
                for (int r = 0; r < kHeight; ++r) {
                    const int first = r * (kBins - 1) / kHeight;
                    const int last = std::max(first, (r + 1) * (kBins - 1) / kHeight - 1);
                    double p = 0.0;
                    for (int k = first; k <= last; ++k) {
                        p = std::max(p, column[static_cast<std::size_t>(k)]);
                    }
                    peak = std::max(peak, p);
                    levels[static_cast<std::size_t>(kHeight - 1 - r) * kWidth + x] =
                        static_cast<float>(p > 1e-30 ? 10.0 * std::log10(p) : -300.0);
                }
                std::fill(column.begin(), column.end(), 0.0);
                x = nextX;
            }
        }
        const LevelColours colours(ColourMap::Viridis, 10.0 * std::log10(peak), kDefaultDbRange);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            pixels[i] = colours(levels[i]);
        }
        benchmark::DoNotOptimize(pixels.data());
        blocks = total;
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    state.counters["transforms"] = static_cast<double>(blocks);
    state.counters["peak_rss_MB"] = PeakResidentMB();
}
BENCHMARK(BM_FFTWAnchor600s)->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

} // namespace
