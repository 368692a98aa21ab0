#include "signal/DesignedFilterSource.h"
#include "tools/BodeResponse.h"
#include "tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace kaldorium;

namespace {

// One Bode computation of 10000 points with the workbench's defaults: f0 = 2000 Hz, Q = 10,
// A0 = 2, Ts = 0.000025 s.
void BM_BodeCompute(benchmark::State &state) {
    const FilterKind kind = static_cast<FilterKind>(state.range(0));
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    if (kind == fkNetwork) {
        // Every stage used: band passes, low and high passes of both orders in the branches.
        StageSetting settings[FilterNetwork::StageCount];
        const FilterKind kinds[] = {fkBandPass,   fkLowPass,     fkHighPass,
                                    fkLowPass4th, fkHighPass4th, fkBandReject};
        for (int i = 0; i < FilterNetwork::StageCount; ++i) {
            settings[i] = {true, kinds[i % 6], 500.0 + 250.0 * i, 2.0, 1.0};
        }
        network.ApplySettings(settings);
    }
    auto response = std::make_unique<BodeResponse>();
    const BodeInputs inputs{6.283185307179586 * 2000.0, 2.0, 0.05, 0.000025, kind};
    for (auto _ : state) {
        response->Compute(inputs, designed, network);
        benchmark::DoNotOptimize(response->gainDb);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BodeResponse::Points);
}
BENCHMARK(BM_BodeCompute)
    ->Arg(fkBandPass)
    ->Arg(fkLowPass4th)
    ->Arg(fkDesigned)
    ->Arg(fkNetwork)
    ->Unit(benchmark::kMillisecond);

} // namespace
