#include "core/common/NumberText.h"

#include <benchmark/benchmark.h>

// The read-outs are refreshed once per chunk; this keeps an eye on what one refresh costs.
static void BM_FormatFixedStatistics(benchmark::State &state) {
    double v = 0.70710678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kaldorium::FormatFixed(v, 5, 5));
        v += 1e-7;
    }
}
BENCHMARK(BM_FormatFixedStatistics);
