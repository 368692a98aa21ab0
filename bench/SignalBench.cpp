#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Filterclass.h"
#include "core/signal/Oscillatorclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/FilterStage.h"
#include "core/workbench/SignalStatistics.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace kaldorium;

namespace {

constexpr int BlockSize = 1024;

// A block of test input: a sine at the band pass's centre.
const double *TestBlock() {
    static double block[BlockSize];
    for (int i = 0; i < BlockSize; ++i) {
        block[i] = std::sin(2 * M_PI * 2000.0 * 0.000025 * i);
    }
    return block;
}

// The yardstick: a bare direct-form-I biquad over a block, coefficients fixed.
void BM_BareBiquad(benchmark::State &state) {
    const double *in = TestBlock();
    static double out[BlockSize];
    const double b0 = 0.0155, b1 = 0.0, b2 = -0.0155, a1 = -1.9, a2 = 0.969;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (auto _ : state) {
        for (int i = 0; i < BlockSize; ++i) {
            const double x = in[i];
            const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            out[i] = y;
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
BENCHMARK(BM_BareBiquad);

// The same biquad with its state kept in memory from one sample to the next, as it is for any
// filter called once per sample by a caller that keeps the filter: the recursion waits for the
// last output to come back from memory. The floor of a call per sample.
void BM_BiquadStateInMemory(benchmark::State &state) {
    const double *in = TestBlock();
    static double out[BlockSize];
    struct {
        double b0 = 0.0155, b1 = 0.0, b2 = -0.0155, a1 = -1.9, a2 = 0.969;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    } q;
    benchmark::DoNotOptimize(&q);
    for (auto _ : state) {
        for (int i = 0; i < BlockSize; ++i) {
            const double x = in[i];
            const double y = q.b0 * x + q.b1 * q.x1 + q.b2 * q.x2 - q.a1 * q.y1 - q.a2 * q.y2;
            q.x2 = q.x1;
            q.x1 = x;
            q.y2 = q.y1;
            q.y1 = y;
            out[i] = y;
            // The state is written back and read again, as a call per sample does.
            benchmark::ClobberMemory();
        }
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
BENCHMARK(BM_BiquadStateInMemory);

// Filter::Process over the same block: one call per sample with the current parameters.
void BM_FilterProcess(benchmark::State &state) {
    const int kind = static_cast<int>(state.range(0));
    const double *in = TestBlock();
    static double out[BlockSize];
    DefaultDesignedFilterSource designer;
    Filter filter(kind, &designer);
    for (auto _ : state) {
        for (int i = 0; i < BlockSize; ++i) {
            out[i] = filter.Process(2000.0, 10.0, 2.0, 0.000025, in[i]);
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
BENCHMARK(BM_FilterProcess)->Arg(0)->Arg(5)->Arg(9);

// Filter::ProcessBlock over the same block: the recursion in registers, 1024 samples a call.
void BM_FilterProcessBlock(benchmark::State &state) {
    const double *in = TestBlock();
    static double out[BlockSize];
    DefaultDesignedFilterSource designer;
    Filter filter(static_cast<int>(state.range(0)), &designer);
    for (auto _ : state) {
        filter.ProcessBlock(2000.0, 10.0, 2.0, 0.000025, in, out, BlockSize);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
BENCHMARK(BM_FilterProcessBlock)->Arg(0);

void BM_OscillatorNextSample(benchmark::State &state) {
    Oscillator oscillator(static_cast<WaveformType>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(oscillator.NextSample(1.0, 2000.0, 20, 0.0, 50.0));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OscillatorNextSample)->Arg(0)->Arg(2)->Arg(3);

// One sample of the whole chain a filter test runs: source → filter stage → statistics.
void BM_SampleChain(benchmark::State &state) {
    WorkbenchSettings settings;
    settings.filterKind = static_cast<int>(state.range(0));
    NoiseGenerator noise;
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    InputSignalSource source(noise);
    FilterStage stage(designer, network);
    SignalStatistics statistics;
    for (auto _ : state) {
        const double x = source.NextSample(settings, settings.samplesPerCycle);
        const double y = stage.Process(x, settings, settings.samplingPeriod, settings.frequency);
        statistics.Add(x, y, settings.samplesPerCycle);
    }
    benchmark::DoNotOptimize(statistics.shownRmsOut);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SampleChain)->Arg(0)->Arg(5)->Arg(19);

} // namespace
