#include "core/audio/WavEffects.h"
#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <numbers>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace kaldorium;

namespace {

// Ten minutes of 16-bit stereo at 44100 Hz.
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrames = 600 * kRate;

std::string BenchPath(const char *name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The generated files live in /tmp for one run and are removed at its end.
struct BenchFiles {
    const std::string input = BenchPath("kaldorium-effects-in.wav");
    const std::string ours = BenchPath("kaldorium-effects-ours.wav");
    const std::string theirs = BenchPath("kaldorium-effects-sox.wav");
    ~BenchFiles() {
        for (const std::string *path : {&input, &ours, &theirs}) {
            std::remove(path->c_str());
        }
    }
};

// Written once per run: a chord of three tones with noise on it, channel 2 a little different.
const BenchFiles &Files() {
    static const BenchFiles files = [] {
        BenchFiles f;
        WaveFile w;
        w.SetPcmFormat(kRate, 2, 16);
        w.CreateForWriting(f.input);
        NoiseGenerator noise;
        std::vector<std::int16_t> block(2 * 4096);
        for (std::uint32_t start = 0; start < kFrames; start += 4096) {
            for (std::uint32_t i = 0; i < 4096; ++i) {
                const double t = (start + i) / static_cast<double>(kRate);
                const double x = 0.25 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                                 0.15 * std::sin(2 * std::numbers::pi * 1000.0 * t) +
                                 0.1 * std::sin(2 * std::numbers::pi * 5000.0 * t) +
                                 0.1 * (noise.Next() / 32767.0 - 0.5);
                block[2 * i] = static_cast<std::int16_t>(x * 32767.0);
                block[2 * i + 1] = static_cast<std::int16_t>(-x * 30000.0);
            }
            w.WriteBytes(block.data(), block.size() * sizeof(std::int16_t));
        }
        w.CloseFile();
        return f;
    }();
    return files;
}

WavEffectSettings SettingsFor(WavEffectKind kind) {
    WavEffectSettings s;
    s.ts = 1.0 / kRate;
    if (kind == WavEffectKind::FFTFiltering) {
        // Bins from 300 Hz to 3000 Hz: fo ± fo/(2Q).
        s.fo = 1650.0;
        s.q = 1650.0 / 2700.0;
    }
    return s;
}

void RunOurs(WavEffectKind kind) {
    static FilterNetwork network;
    static NoiseGenerator noise;
    static EffectBlocks blocks;
    WavEffects effects(network, noise, blocks);
    WavEffectSettings settings = SettingsFor(kind);
    effects.Run(kind, Files().input, Files().ours, settings);
}

// The peak resident size of one run of the effect, in a child process of its own so that earlier
// runs do not count.
double PeakResidentMiB(WavEffectKind kind) {
    Files();
    const pid_t child = fork();
    if (child == 0) {
        RunOurs(kind);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        return -1.0;
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Runs sox once; its peak resident size in MiB, or −1 when it did not run. Adds its processor
// time (user and system) to `cpu`.
double RunSox(const std::vector<std::string> &effect, double &cpu) {
    std::vector<std::string> args = {"sox", Files().input, Files().theirs};
    args.insert(args.end(), effect.begin(), effect.end());
    std::vector<char *> argv;
    for (std::string &a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "sox", nullptr, nullptr, argv.data(), environ) != 0) {
        return -1.0;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    cpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Effect(benchmark::State &state, WavEffectKind kind) {
    Files();
    for (auto _ : state) {
        RunOurs(kind);
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["peak_MiB"] = PeakResidentMiB(kind);
}

void Sox(benchmark::State &state, const std::vector<std::string> &effect) {
    Files();
    double peak = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        peak = RunSox(effect, cpu);
        if (peak < 0.0) {
            state.SkipWithError("sox did not run");
            break;
        }
    }
    state.counters["peak_MiB"] = peak;
    // The benchmark's own CPU column does not see the child's time.
    state.counters["sox_cpu_ms"] = 1000.0 * cpu / static_cast<double>(state.iterations());
}

} // namespace

// The two yardsticks sit next to the effects they are compared with, in the same run.
BENCHMARK_CAPTURE(Effect, FilterInputFile_BandPass, WavEffectKind::ModifyFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Sox, bandpass_1000_1q, std::vector<std::string>{"bandpass", "1000", "1q"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, FFTFilterInputFile_N512, WavEffectKind::FFTFiltering)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Sox, sinc_300_3000, std::vector<std::string>{"sinc", "300-3000"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, SpeedUp, WavEffectKind::SpeedUp)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, SlowDown, WavEffectKind::SlowDown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, FrequencyShift, WavEffectKind::FrequencyShifter)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, FrequencyRotate, WavEffectKind::FrequencyRotater)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, Robot, WavEffectKind::Robot)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Effect, Retard, WavEffectKind::Retard)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
