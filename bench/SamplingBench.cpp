#include "core/tools/SampledSound.h"
#include "core/tools/SamplingLab.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace kaldorium;

namespace {

// Listening to the lab: chunks of 2048 frames at 48 kHz from an 8 kHz sampler, by waveform and
// anti-alias filter. A square wave through a circuit sums up to 1024 harmonics per sample; the
// ideal filter at a low frequency is the worst case.
void BM_SampledSoundRender(benchmark::State &state) {
    SamplingSettings s;
    s.waveform = static_cast<SamplingWaveform>(state.range(0));
    s.antiAlias = static_cast<AntiAliasKind>(state.range(1));
    s.reconstruction = static_cast<ReconstructionKind>(state.range(2));
    s.signalFrequency = s.antiAlias == AntiAliasKind::Ideal ? 20.0 : 1000.0;
    auto sound = std::make_unique<SampledSound>();
    sound->Start(s, 48000.0);
    std::vector<double> chunk(2048);
    for (auto _ : state) {
        sound->Render(chunk);
        benchmark::DoNotOptimize(chunk.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(chunk.size()));
}
BENCHMARK(BM_SampledSoundRender)
    ->Args({static_cast<int>(SamplingWaveform::Sine), static_cast<int>(AntiAliasKind::None),
            static_cast<int>(ReconstructionKind::Sinc)})
    ->Args({static_cast<int>(SamplingWaveform::Sine), static_cast<int>(AntiAliasKind::None),
            static_cast<int>(ReconstructionKind::ZeroOrderHold)})
    ->Args({static_cast<int>(SamplingWaveform::Square),
            static_cast<int>(AntiAliasKind::InvertingLowPass),
            static_cast<int>(ReconstructionKind::Linear)})
    ->Args({static_cast<int>(SamplingWaveform::Square), static_cast<int>(AntiAliasKind::Ideal),
            static_cast<int>(ReconstructionKind::Sinc)});

// One redraw of the time plot: 2000 instants over the suggested span, sinc reconstruction.
void BM_SamplingTimeView(benchmark::State &state) {
    SamplingSettings s;
    s.signalFrequency = 7000.0;
    s.reconstruction = ReconstructionKind::Sinc;
    SamplingSignal signal;
    signal.Configure(s);
    SamplingTimeView view;
    for (auto _ : state) {
        ComputeTimeView(signal, 0.0, SuggestedTimeSpan(signal), 2000, view);
        benchmark::DoNotOptimize(view.reconstructed.data());
    }
}
BENCHMARK(BM_SamplingTimeView);

// The spectrum of one redraw, as a sweep redraws it many times a second: a square wave's
// harmonics and their images up to the suggested span.
void BM_SamplingSpectrum(benchmark::State &state) {
    SamplingSettings s;
    s.waveform = SamplingWaveform::Square;
    s.signalFrequency = 700.0;
    auto signal = std::make_unique<SamplingSignal>();
    signal->Configure(s);
    SamplingSpectrum spectrum;
    for (auto _ : state) {
        ComputeSpectrum(*signal, SuggestedSpectrumSpan(*signal), 0.0, spectrum);
        benchmark::DoNotOptimize(spectrum.sampled.data());
    }
}
BENCHMARK(BM_SamplingSpectrum);

} // namespace
