#include "core/tools/DesignSections.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/PoleZero.h"

#include <benchmark/benchmark.h>

using namespace kaldorium;

namespace {

constexpr double Ts = 0.000025;

// What the pole-zero window does at every mouse move over a sixth-order design: the root moved
// (the design's set rewritten), then the roots of every section found again.
void BM_PoleZeroDragStep(benchmark::State &state) {
    DigitalFilterDesign design;
    design.FormActivate();
    design.SelectFilterOrder(2);
    DesignEditor editor;
    editor.Update(design);
    RootHandle handle = editor.Nearest(true, Complex(0.9, 0.1));
    double step = 0.0;
    for (auto _ : state) {
        step = step > 0.05 ? 0.0 : step + 0.001;
        handle = editor.Move(design, handle, Complex(0.8 + step, 0.2));
        editor.Update(design);
        PoleZeroMap map = FindPolesAndZeros(editor.Transfer());
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(BM_PoleZeroDragStep);

// The network with every stage used: its combined numerator (of high degree) factored.
void BM_PoleZeroNetwork(benchmark::State &state) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        settings[i] = {true, i % 4, 500.0 + 300.0 * i, 0.8, 1.0};
    }
    network.ApplySettings(settings);
    for (auto _ : state) {
        PoleZeroMap map = FindPolesAndZeros(NetworkTransfer(network, Ts, 2 * M_PI * 2000.0));
        benchmark::DoNotOptimize(map);
    }
}
BENCHMARK(BM_PoleZeroNetwork);

} // namespace
