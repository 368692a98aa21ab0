#include "core/audio/WavExports.h"
#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/common/Random.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "core/tools/FilterNetwork.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <unistd.h>

using namespace kaldorium;

namespace {

// A stereo 16-bit 44.1 kHz file of `seconds` in /tmp, written once per run and removed at exit.
class GeneratedFile {
public:
    explicit GeneratedFile(int seconds_)
        : seconds(seconds_), path("/tmp/kaldorium-bench-" + std::to_string(getpid()) + "-" +
                                  std::to_string(seconds) + "s.wav") {
        WaveFile file;
        file.SetPcmFormat(44100, 2, 16);
        file.CreateForWriting(path);
        const long long frames = 44100LL * seconds;
        for (long long k = 0; k < frames; ++k) {
            const double t = static_cast<double>(k) / 44100.0;
            file.WriteValue(0.5 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                            0.2 * std::sin(2 * std::numbers::pi * 3001 * t));
            file.WriteValue(0.3 * std::sin(2 * std::numbers::pi * 1234.0 * t));
        }
        file.CloseFile();
    }
    ~GeneratedFile() { std::remove(path.c_str()); }

    int seconds;
    std::string path;
};

const GeneratedFile &TenMinutes() {
    static const GeneratedFile file(600);
    return file;
}

const GeneratedFile &OneMinute() {
    static const GeneratedFile file(60);
    return file;
}

void ReportPeakResident(benchmark::State &state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void AnalyseFile(benchmark::State &state, bool fft, int threads) {
    const std::string &path = TenMinutes().path;
    SpectrumAnalysis analysis;
    analysis.threads = threads;
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(path);
        WaveFrameSource frames(file);
        benchmark::DoNotOptimize(analysis.Run(frames, fft, WindowKind::Hamming));
        benchmark::DoNotOptimize(analysis.peak);
    }
    state.counters["N"] = analysis.N;
    state.counters["blocks"] = static_cast<double>(analysis.blocks);
    ReportPeakResident(state);
}

// The spectrum window's analysis of the ten-minute file.
void BM_DirectDFTAnalysis600s(benchmark::State &state) {
    AnalyseFile(state, false, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_DirectDFTAnalysis600s)
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(2);

void BM_FFTAnalysis600s(benchmark::State &state) {
    AnalyseFile(state, true, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_FFTAnalysis600s)
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(2);

// Reading the file's frames alone, as the analyses read them: the floor under both.
void BM_ReadFrames600s(benchmark::State &state) {
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(TenMinutes().path);
        const long long frames = SampleCountOf(file);
        double sum = 0.0;
        for (long long k = 0; k < frames; ++k) {
            double a = 0.0;
            double b = 0.0;
            file.ReadValue(a);
            file.ReadValue(b);
            sum += a;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadFrames600s)->Unit(benchmark::kMillisecond)->Iterations(1);

// The workbench's own spectra of input and filtered input (a one-pole low pass as the chain).
class Smoothing : public SpectrumSampleChain {
public:
    double Condition(double x) override { return x; }
    double Filter(double x) override { return y = 0.9 * y + 0.1 * x; }
    double y = 0.0;
};

void BM_WorkbenchSpectra600s(benchmark::State &state) {
    PairedSpectrumAnalysis analysis;
    const bool fft = state.range(0) != 0;
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(TenMinutes().path);
        Smoothing chain;
        WaveFrameSource frames(file);
        benchmark::DoNotOptimize(analysis.Run(frames, fft, WindowKind::Hamming, chain));
    }
    state.SetLabel(fft ? "FFT" : "DFT");
    ReportPeakResident(state);
}
BENCHMARK(BM_WorkbenchSpectra600s)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same with the workbench's own chain: no noise or rectification, its 2nd-order band pass.
class WorkbenchBandPass : public SpectrumSampleChain {
public:
    WorkbenchBandPass() : chain(settings, noise, network) { settings.samplingPeriod = 1.0 / 44100; }
    double Condition(double x) override { return chain.Condition(x); }
    double Filter(double x) override { return chain.Filtered(x); }

private:
    WavSettings settings;
    NoiseGenerator noise;
    FilterNetwork network;
    WavFilterChain chain;
};

void BM_WorkbenchBandPassSpectra600s(benchmark::State &state) {
    PairedSpectrumAnalysis analysis;
    const bool fft = state.range(0) != 0;
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(TenMinutes().path);
        WorkbenchBandPass chain;
        WaveFrameSource frames(file);
        benchmark::DoNotOptimize(analysis.Run(frames, fft, WindowKind::Hamming, chain));
    }
    state.SetLabel(fft ? "FFT" : "DFT");
    state.counters["N"] = analysis.N;
    ReportPeakResident(state);
}
BENCHMARK(BM_WorkbenchBandPassSpectra600s)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One block of 441 by the one-bin DFT and by the many-bins evaluation, on one thread.
void BM_OneBinDFTBlock441(benchmark::State &state) {
    ComplexSample x[1024], X[1024];
    double M[1024], P = 0.0;
    for (auto _ : state) {
        for (int n = 0; n < 441; ++n) {
            x[n] = {std::sin(0.1 * n), 0.0};
        }
        ComputeDFT(WindowKind::Hamming, 441, x, X, M, P);
        benchmark::DoNotOptimize(M[7]);
    }
}
BENCHMARK(BM_OneBinDFTBlock441)->Unit(benchmark::kMicrosecond);

void BM_MultiBinDFTBlock441(benchmark::State &state) {
    MultiBinDFT dft;
    dft.Prepare(WindowKind::Hamming, 441);
    double x[1024], M[1024];
    for (int n = 0; n < 441; ++n) {
        x[n] = std::sin(0.1 * n);
    }
    for (auto _ : state) {
        dft.Transform(x, nullptr, M);
        benchmark::DoNotOptimize(M[7]);
    }
}
BENCHMARK(BM_MultiBinDFTBlock441)->Unit(benchmark::kMicrosecond);

// "Copy Samples" of the one-minute stereo file, and the same text by fprintf in the same run.
void BM_CopySamples60s(benchmark::State &state) {
    const std::string out = "/tmp/kaldorium-bench-" + std::to_string(getpid()) + "-samples.txt";
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(OneMinute().path);
        benchmark::DoNotOptimize(WriteRawSamples(file, OneMinute().path, out));
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_CopySamples60s)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CopySamples60sStdio(benchmark::State &state) {
    const std::string out = "/tmp/kaldorium-bench-" + std::to_string(getpid()) + "-stdio.txt";
    for (auto _ : state) {
        WaveFile file;
        file.OpenForReading(OneMinute().path);
        std::FILE *f = std::fopen(out.c_str(), "wb");
        const long long S = SampleCountOf(file);
        std::fprintf(f, "Raw Samples form:%s\r\n", OneMinute().path.c_str());
        std::fprintf(f, "%s\r\n", std::string(36, '=').c_str());
        std::fprintf(f,
                     "Channels=%i   Samples/Sec=%lu   Bytes/Sample=%i   Total Samples=%lu, "
                     "Seconds=%f\r\n",
                     static_cast<int>(file.channels), static_cast<unsigned long>(file.sampleRate),
                     static_cast<int>(file.blockAlign), static_cast<unsigned long>(S),
                     static_cast<double>(file.dataBytes) / file.byteRate);
        std::fprintf(f, "%s\r\n", std::string(93, '=').c_str());
        std::fprintf(f, "Time(millisecs)\t\tChannel 1\t\tChannel 2\r\n");
        std::fprintf(f, "%s\r\n", std::string(93, '=').c_str());
        double t = 0.0;
        const double step = (1.0 / file.sampleRate) * 1000.0;
        for (long long k = 0; k < S; ++k) {
            std::fprintf(f, "%15f\t", t);
            for (int c = 0; c < file.channels; ++c) {
                float v = 0.0f;
                file.ReadValue(v);
                std::fprintf(f, "%15f\t", static_cast<double>(v));
            }
            std::fprintf(f, "\r\n");
            t += step;
        }
        std::fclose(f);
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_CopySamples60sStdio)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
