#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/Canvas.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

// 60 s of 16-bit stereo at 44100 Hz.
constexpr std::uint32_t kFrames = 60 * 44100;

const std::string &LongFile() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "kaldorium-bench-60s.wav").string();
        WaveFile w;
        w.SetPcmFormat(44100, 2, 16);
        w.CreateForWriting(p);
        for (std::uint32_t i = 0; i < kFrames; ++i) {
            w.WriteValue(0.6 * std::sin(0.031 * i));
            w.WriteValue(0.4 * std::sin(0.017 * i));
        }
        w.CloseFile();
        return p;
    }();
    return path;
}

// Draws nothing: the stepper's own cost, without the image.
class NullCanvas : public Canvas {
public:
    int Width() const override { return 779; }
    int Height() const override { return 386; }
    void SetPenColor(Color) override {}
    void SetPenWidth(int) override {}
    void SetFillColor(Color) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(int, int, int, int) override {}
    void Line(int x1, int, int, int) override { benchmark::DoNotOptimize(x1); }
    void TextOut(int, int, const std::string &) override {}
};

void PerFrame(benchmark::State &state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFrames);
}

} // namespace

// Test through a 2nd-order band pass over the whole file, in chunks as the window drives it,
// with ReadValue per sample and the sweep's pixel mapping.
static void BM_WavViewTestBandPass(benchmark::State &state) {
    WavSettings settings;
    settings.inputFileName = LongFile();
    settings.samplingPeriod = 1.0 / 44100;
    settings.filterFrequency = 1000.0;
    settings.qFactor = 2.0;
    NoiseGenerator noise;
    FilterNetwork network;
    NullCanvas canvas;
    Oscilloscope scope;
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
    for (auto _ : state) {
        WavView view(WavView::Kind::Test, settings, noise, network, scope);
        for (std::uint32_t done = 0; done < kFrames; done += WavView::ChunkSamples) {
            view.Step(WavView::ChunkSamples);
        }
        benchmark::DoNotOptimize(view.trace2);
    }
    PerFrame(state);
}
BENCHMARK(BM_WavViewTestBandPass)->Unit(benchmark::kMillisecond);

// Reading alone: ReadValue for every sample of the file.
static void BM_WavReadValuePerSample(benchmark::State &state) {
    for (auto _ : state) {
        WaveFile f;
        f.OpenForReading(LongFile());
        double sum = 0.0;
        double v = 0.0;
        for (std::uint32_t i = 0; i < 2 * kFrames; ++i) {
            f.ReadValue(v);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    PerFrame(state);
}
BENCHMARK(BM_WavReadValuePerSample)->Unit(benchmark::kMillisecond);

// The baseline: the same file read in 64 KB blocks and converted s/32767.
static void BM_PlainBufferedRead(benchmark::State &state) {
    std::vector<std::int16_t> block(32768);
    for (auto _ : state) {
        std::FILE *in = std::fopen(LongFile().c_str(), "rb");
        if (in == nullptr || std::fseek(in, 44, SEEK_SET) != 0) {
            state.SkipWithError("cannot open the bench file");
            break;
        }
        double sum = 0.0;
        std::size_t n = 0;
        while ((n = std::fread(block.data(), sizeof(std::int16_t), block.size(), in)) > 0) {
            for (std::size_t i = 0; i < n; ++i) {
                sum += block[i] / 32767.0;
            }
        }
        std::fclose(in);
        benchmark::DoNotOptimize(sum);
    }
    PerFrame(state);
}
BENCHMARK(BM_PlainBufferedRead)->Unit(benchmark::kMillisecond);
