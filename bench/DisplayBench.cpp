#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/Runs.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/workbench/Dspmain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

// A filter test with the display drawing, as the window runs it, chunk by chunk, offscreen.
void BM_FilterTestWithDisplay(benchmark::State &state) {
    QtUiServices services;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    TDSPMainForm form(services, noise, network);
    form.show();
    form.findChild<QPushButton *>(QStringLiteral("fTest"))->click();
    form.findChild<QTimer *>(QStringLiteral("runTimer"))->stop();
    for (auto _ : state) {
        form.RunChunk();
    }
    form.close();
    state.SetItemsProcessed(state.iterations() * kaldorium::WorkbenchRun::ChunkSamples);
}
BENCHMARK(BM_FilterTestWithDisplay)->Unit(benchmark::kMicrosecond);

// The same run drawing into an image canvas without the window around it.
void BM_FilterRunOnImageCanvas(benchmark::State &state) {
    kaldorium::WorkbenchSettings settings;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designer;
    ImageCanvas canvas(1097, 420);
    kaldorium::Oscilloscope scope;
    kaldorium::SignalStatistics statistics;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    kaldorium::WorkbenchRun run(kaldorium::WorkbenchRun::Kind::FilterTest,
                                kaldorium::RunContext{settings, noise, designer, network}, scope,
                                statistics);
    for (auto _ : state) {
        run.Step(kaldorium::WorkbenchRun::ChunkSamples);
    }
    state.SetItemsProcessed(state.iterations() * kaldorium::WorkbenchRun::ChunkSamples);
}
BENCHMARK(BM_FilterRunOnImageCanvas)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    // Offscreen unless a platform is named (the start-up is measured on an X server too).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
