#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace kaldorium;

namespace {

constexpr int BlockSize = 1024;
constexpr double Ts = 0.000025;

const double *TestBlock() {
    static double block[BlockSize];
    for (int i = 0; i < BlockSize; ++i) {
        block[i] = std::sin(2 * M_PI * 2000.0 * Ts * i);
    }
    return block;
}

// Every stage used, of every kind but the differentiator and integrator (they would make the
// network's level depend on ωref only).
FilterNetwork AllStagesUsed(bool secondOrderOnly = false) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        const int kinds[] = {fkBandPass,    fkBandReject, fkHighPass, fkLowPass,
                             fkHighPass4th, fkLowPass4th, fkAllPass};
        const int kind = secondOrderOnly ? i % 4 : kinds[i % 7];
        settings[i] = {true, kind, 500.0 + 300.0 * i, 0.8, 1.0};
    }
    network.ApplySettings(settings);
    return network;
}

// The designer's Bode computation: 10000 points of a sixth-order set.
void BM_DesignerBode(benchmark::State &state) {
    static DigitalFilterDesign design;
    design.FormActivate();
    design.SelectFilterOrder(2);
    for (auto _ : state) {
        design.ComputeBode();
        benchmark::DoNotOptimize(design.gainDb.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * DigitalFilterDesign::BodePoints);
}
BENCHMARK(BM_DesignerBode)->Unit(benchmark::kMillisecond);

// The network's response at 10000 frequencies, as the Bode plot asks for it.
void BM_NetworkFrequencyResponse(benchmark::State &state) {
    FilterNetwork network = AllStagesUsed();
    const double start = 2 * M_PI * 10.0;
    const double step = (M_PI / Ts - start) / 10000.0;
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < 10000; ++i) {
            double magnitude = 0.0, phase = 0.0;
            network.FrequencyResponse(start + i * step, Ts, magnitude, phase);
            sum += magnitude;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_NetworkFrequencyResponse)->Unit(benchmark::kMillisecond);

// FilterNetwork::ProcessSample with all fourteen stages used, over a block.
void BM_NetworkProcessSample(benchmark::State &state) {
    FilterNetwork network = AllStagesUsed(state.range(0) == 2);
    const double *in = TestBlock();
    static double out[BlockSize];
    for (auto _ : state) {
        for (int i = 0; i < BlockSize; ++i) {
            out[i] = network.ProcessSample(in[i], Ts, 2 * M_PI * 2000.0);
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
// Argument 0: stages of every kind but 6, 7; 2: only second-order stages, as the yardstick.
BENCHMARK(BM_NetworkProcessSample)->Arg(0)->Arg(2);

// The yardstick: fourteen bare direct-form-I biquads wired as the network (input, four rows of
// three, output) over the same block, with the coefficients of second-order stages designed at
// run time, so that the compiler cannot fold them.
void BM_FourteenBareBiquads(benchmark::State &state) {
    const double *in = TestBlock();
    static double out[BlockSize];
    struct Biquad {
        double b0, b1, b2, a1, a2;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double Step(double x) {
            const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };
    Biquad stages[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        Filter f;
        f.Configure(i % 4, 500.0 + 300.0 * i, 0.8, 1.0, Ts);
        stages[i] = {f.num[0], f.num[1], f.num[2], f.den[1], f.den[2]};
    }
    benchmark::DoNotOptimize(stages);
    for (auto _ : state) {
        for (int i = 0; i < BlockSize; ++i) {
            const double u = stages[0].Step(in[i]);
            double sum = 0.0;
            for (int k = 1; k <= 4; ++k) {
                double v = u;
                for (int c = 0; c < 3; ++c) {
                    v = stages[FilterNetwork::StageIndex(k, c)].Step(v);
                }
                sum += v;
            }
            out[i] = stages[13].Step(sum);
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BlockSize);
}
BENCHMARK(BM_FourteenBareBiquads);

} // namespace
