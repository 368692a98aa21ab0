#include "core/signal/DesignedFilterSource.h"
#include "core/tools/BodeResponse.h"
#include "core/tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>

using namespace kaldorium;

namespace {

// Every stage used: band passes, low and high passes of both orders in the branches.
void UseEveryStage(FilterNetwork &network) {
    StageSetting settings[FilterNetwork::StageCount];
    const FilterKind kinds[] = {fkBandPass,   fkLowPass,     fkHighPass,
                                fkLowPass4th, fkHighPass4th, fkBandReject};
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        settings[i] = {true, kinds[i % 6], 500.0 + 250.0 * i, 2.0, 1.0};
    }
    network.ApplySettings(settings);
}

// One Bode computation of 10000 points with the workbench's defaults: f0 = 2000 Hz, Q = 10,
// A0 = 2, Ts = 0.000025 s.
void BM_BodeCompute(benchmark::State &state) {
    const FilterKind kind = static_cast<FilterKind>(state.range(0));
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    if (kind == fkNetwork) {
        UseEveryStage(network);
    }
    auto response = std::make_unique<BodeResponse>();
    const BodeInputs inputs{2 * std::numbers::pi * 2000.0, 2.0, 0.05, 0.000025, kind};
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

// The network's response at θ with cos θ and sin θ given: every stage a rational function of
// e^(−jθ) by rotation, the branches multiplied, summed, then the input and output stages.
void NetworkAt(const FilterNetwork &network, double c, double s, double &re, double &im) {
    auto stage = [&](int index, double &sRe, double &sIm) {
        const Filter &f = network.stages[index];
        const int order = f.type >= fkHighPass4th ? 4 : 2;
        double pRe = 1.0, pIm = 0.0, nRe = 0.0, nIm = 0.0, dRe = 0.0, dIm = 0.0;
        for (int i = 0; i <= order; ++i) {
            nRe += f.num[i] * pRe;
            nIm += f.num[i] * pIm;
            dRe += f.den[i] * pRe;
            dIm += f.den[i] * pIm;
            const double next = pRe * c + pIm * s;
            pIm = pIm * c - pRe * s;
            pRe = next;
        }
        const double gRe = f.gain * nRe, gIm = f.gain * nIm, d2 = dRe * dRe + dIm * dIm;
        const double hRe = (gRe * dRe + gIm * dIm) / d2, hIm = (dRe * gIm - gRe * dIm) / d2;
        const double next = sRe * hRe - sIm * hIm;
        sIm = sRe * hIm + sIm * hRe;
        sRe = next;
    };
    double sumRe = 0.0, sumIm = 0.0;
    for (int k = 1; k <= 4; ++k) {
        double pRe = 1.0, pIm = 0.0;
        for (int column = 0; column < 3; ++column) {
            stage(FilterNetwork::StageIndex(k, column), pRe, pIm);
        }
        sumRe += pRe;
        sumIm += pIm;
    }
    stage(FilterNetwork::InputStage, sumRe, sumIm);
    stage(FilterNetwork::OutputStage, sumRe, sumIm);
    re = sumRe;
    im = sumIm;
}

// The anchor of the network's Bode computation: a plain loop over the same 10000 frequencies
// with one cos and sin per frequency shared by the fourteen stages. Like the computation it
// evaluates the network at ω and a small step either side (gain, phase and group delay, the
// delay from magnitudes and phases as the computation takes it).
void BM_BodeNetworkAnchor(benchmark::State &state) {
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    UseEveryStage(network);
    auto response = std::make_unique<BodeResponse>();
    const double ts = 0.000025;
    const BodeInputs inputs{2 * std::numbers::pi * 2000.0, 2.0, 0.05, ts, fkNetwork};
    response->Compute(inputs, designed, network); // designs the stages for ts; gives the ω
    auto gain = std::make_unique<double[]>(BodeResponse::Points);
    auto phase = std::make_unique<double[]>(BodeResponse::Points);
    auto delay = std::make_unique<double[]>(BodeResponse::Points);
    for (auto _ : state) {
        for (int i = 0; i < BodeResponse::Points; ++i) {
            const double omega = response->frequency[i];
            const double h = omega * 1e-6;
            double m[3], p[3];
            for (int j = 0; j < 3; ++j) {
                const double theta = (omega + (j - 1) * h) * ts;
                double re = 0.0, im = 0.0;
                NetworkAt(network, std::cos(theta), std::sin(theta), re, im);
                m[j] = std::sqrt(re * re + im * im);
                p[j] = std::atan2(im, re);
            }
            gain[i] = 20.0 * std::log10(m[1]);
            phase[i] = p[1];
            const double dRe = (m[2] * std::cos(p[2]) - m[0] * std::cos(p[0])) / (2.0 * h);
            const double dIm = (m[2] * std::sin(p[2]) - m[0] * std::sin(p[0])) / (2.0 * h);
            const double hRe = m[1] * std::cos(p[1]);
            const double hIm = m[1] * std::sin(p[1]);
            delay[i] = -(dIm * hRe - dRe * hIm) / (m[1] * m[1]);
        }
        benchmark::DoNotOptimize(gain.get());
        benchmark::DoNotOptimize(phase.get());
        benchmark::DoNotOptimize(delay.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * BodeResponse::Points);
}
BENCHMARK(BM_BodeNetworkAnchor)->Unit(benchmark::kMillisecond);

} // namespace
