#include "core/audio/WaveFile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

using kaldorium::WaveFile;

namespace {

// One second of 16-bit stereo at 44100 Hz.
constexpr std::uint32_t kSamples = 2 * 44100;

std::string BenchPath(const char *name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The input file, written once through WaveFile.
const std::string &InputFile() {
    static const std::string path = [] {
        const std::string p = BenchPath("kaldorium-bench-in.wav");
        WaveFile w;
        w.SetPcmFormat(44100, 2, 16);
        w.CreateForWriting(p);
        for (std::uint32_t i = 0; i < kSamples; ++i) {
            w.WriteValue(0.8 * std::sin(0.01 * i));
        }
        w.CloseFile();
        return p;
    }();
    return path;
}

void SetCounters(benchmark::State &state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSamples);
    state.counters["per_sample"] = benchmark::Counter(
        kSamples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

// How the WAV effects stream a file: ReadValue, transform, WriteValue, sample by sample.
static void BM_WaveFileReadWriteValue(benchmark::State &state) {
    const std::string &in = InputFile();
    const std::string out = BenchPath("kaldorium-bench-out.wav");
    for (auto _ : state) {
        WaveFile reader;
        WaveFile writer;
        reader.OpenForReading(in);
        writer.TakeFormatOf(reader);
        writer.CreateForWriting(out);
        const std::uint32_t samples = reader.dataBytes / 2;
        double v = 0.0;
        for (std::uint32_t i = 0; i < samples; ++i) {
            reader.ReadValue(v);
            writer.WriteValue(v);
        }
        writer.CloseFile();
        reader.CloseFile();
    }
    SetCounters(state);
}
BENCHMARK(BM_WaveFileReadWriteValue)->Unit(benchmark::kMillisecond);

// The comparison: the same file copied in plain C with one fread and one fwrite per sample.
static void BM_PlainFreadFwriteBaseline(benchmark::State &state) {
    const std::string &in = InputFile();
    const std::string out = BenchPath("kaldorium-bench-plain.wav");
    for (auto _ : state) {
        std::FILE *source = std::fopen(in.c_str(), "rb");
        std::FILE *target = std::fopen(out.c_str(), "wb");
        unsigned char header[44];
        if (source == nullptr || target == nullptr ||
            std::fread(header, 1, sizeof header, source) != sizeof header) {
            state.SkipWithError("cannot open the bench files");
            break;
        }
        std::fwrite(header, 1, sizeof header, target);
        std::int16_t s = 0;
        for (std::uint32_t i = 0; i < kSamples; ++i) {
            if (std::fread(&s, sizeof s, 1, source) != 1) {
                break;
            }
            std::fwrite(&s, sizeof s, 1, target);
        }
        std::fseek(target, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, target);
        std::fclose(target);
        std::fclose(source);
    }
    SetCounters(state);
}
BENCHMARK(BM_PlainFreadFwriteBaseline)->Unit(benchmark::kMillisecond);
