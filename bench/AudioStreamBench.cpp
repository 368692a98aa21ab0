#include "core/audio/SpeakerFeed.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace kaldorium;

namespace {

// Live sound of a WAV run: chunks of 502 stereo frames at 44.1 kHz pushed into the stream's
// queue, clipped, converted to the device's format and taken by the device, at the device's own
// rate or resampled to 48 kHz. Real time needs 44,100 frames per second.
void BM_SpeakerFeed(benchmark::State &state) {
    const auto format = static_cast<SpeakerFormat>(state.range(0));
    const double deviceRate = state.range(1) != 0 ? 48000.0 : 44100.0;
    constexpr int Chunk = 502;
    auto feed = std::make_unique<SpeakerFeed>();
    feed->Configure(44100.0, 2, deviceRate, format);
    std::vector<double> chunk(2 * Chunk);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = 1.1 * std::sin(0.0123 * static_cast<double>(i)); // some samples clip
    }
    for (auto _ : state) {
        for (int pushed = 0; pushed < Chunk;) {
            pushed += feed->Push(std::span<const double>(chunk).subspan(2 * pushed));
            for (auto bytes = feed->Ready(4096); !bytes.empty(); bytes = feed->Ready(4096)) {
                benchmark::DoNotOptimize(bytes.data());
                feed->Taken(bytes.size());
            }
        }
        feed->SinkHolds(0);
    }
    state.SetItemsProcessed(state.iterations() * Chunk);
}
BENCHMARK(BM_SpeakerFeed)
    ->ArgNames({"float", "resample"})
    ->Args({static_cast<int>(SpeakerFormat::Int16), 0})
    ->Args({static_cast<int>(SpeakerFormat::Float32), 0})
    ->Args({static_cast<int>(SpeakerFormat::Int16), 1});

} // namespace
