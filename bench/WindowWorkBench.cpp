#include "tests/gui/FakeSoundPlayer.h"

#include "core/audio/WavEffects.h"
#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/UiServices.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/tools/Fileedit.h"

#include <QAbstractButton>
#include <QDebug>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// The long work a user clicks in a window, each beside the core call the window makes, in the
// same run: the WAV workbench's two filter effects and the spectrum window's two analyses of
// ten minutes of stereo. And the start-up of the program beside a plain Qt window's.

namespace {

// Ten minutes of 16-bit stereo at 44.1 kHz in /tmp, written once per run, removed at exit.
struct LongFiles {
    const std::string input = "/tmp/kaldorium-window-" + std::to_string(getpid()) + "-in.wav";
    const std::string output = "/tmp/kaldorium-window-" + std::to_string(getpid()) + "-out.wav";
    LongFiles() {
        kaldorium::WaveFile file;
        file.SetPcmFormat(44100, 2, 16);
        file.CreateForWriting(input);
        for (long long k = 0; k < 600LL * 44100; ++k) {
            const double t = static_cast<double>(k) / 44100.0;
            file.WriteValue(0.5 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                            0.2 * std::sin(2 * std::numbers::pi * 3001 * t));
            file.WriteValue(0.3 * std::sin(2 * std::numbers::pi * 1234.0 * t));
        }
        file.CloseFile();
    }
    ~LongFiles() {
        std::remove(input.c_str());
        std::remove(output.c_str());
    }
};

// startup_probe, built beside this benchmark.
std::string StartupProbe(const char *name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

const LongFiles &Files() {
    static const LongFiles files;
    return files;
}

// Answers the open dialog with the input and the save dialog with the output.
class FileServices : public UiServices {
public:
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return QString::fromStdString(Files().input);
    }
    QString SaveFileName(QWidget *, const QString &, const QString &, const QString &,
                         const QString &) override {
        return QString::fromStdString(Files().output);
    }
    QMessageBox::StandardButton Message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &text,
                                        QMessageBox::StandardButtons) override {
        qWarning() << "MESSAGE" << text;
        return QMessageBox::Ok;
    }
    void ShowError(QWidget *, const QString &text) override { qWarning() << "ERROR" << text; }
};

// The WAV workbench with its defaults and the input chosen.
struct Workbench {
    FileServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designed;
    TFileEditForm editor{services};
    TWAVMainForm wav{services, player, noise, network, designed, editor};
    Workbench() {
        Files();
        wav.show();
        wav.findChild<QAbstractButton *>(QStringLiteral("GetInputFile"))->click();
    }
};

// A click on `button` runs the effect in the window.
void WindowEffect(benchmark::State &state, const char *button) {
    Workbench bench;
    auto *run = bench.wav.findChild<QAbstractButton *>(QString::fromLatin1(button));
    for (auto _ : state) {
        run->click();
    }
    bench.wav.close();
}

// The same effect as the core runs it for the window, with the window's own settings.
void CoreEffect(benchmark::State &state, kaldorium::WavEffectKind kind) {
    Workbench bench;
    const kaldorium::WavSettings &w = bench.wav.Settings();
    kaldorium::WavEffectSettings s;
    s.filterKind = w.filterKind;
    s.fo = w.filterFrequency;
    s.q = w.qFactor;
    s.amplification = w.amplification;
    s.ts = w.samplingPeriod;
    s.addNoise = w.addNoise;
    s.normalNoise = w.normalNoise;
    s.snRatio = w.snRatio;
    s.rectify = w.rectify;
    s.halfRectify = w.halfRectify;
    s.speedFactor = w.speedFactor;
    s.window = kaldorium::WindowKind::NoWindow; // the window list's default
    bench.wav.close();
    kaldorium::EffectBlocks blocks;
    for (auto _ : state) {
        kaldorium::WavEffects effects(bench.network, bench.noise, blocks);
        effects.Run(kind, Files().input, Files().output, s);
    }
}

void BM_WindowFilterInputFile(benchmark::State &state) {
    WindowEffect(state, "ModifyFile");
}
void BM_CoreFilterInputFile(benchmark::State &state) {
    CoreEffect(state, kaldorium::WavEffectKind::ModifyFile);
}
void BM_WindowFFTFilterInputFile(benchmark::State &state) {
    WindowEffect(state, "FFT_Filtering");
}
void BM_CoreFFTFilterInputFile(benchmark::State &state) {
    CoreEffect(state, kaldorium::WavEffectKind::FFTFiltering);
}

// The spectrum window's analysis with the Hamming window, FFT (N 512) or direct DFT (N 441).
void BM_WindowSpectrum(benchmark::State &state) {
    Files();
    FileServices services;
    FakeSoundPlayer player;
    TFileEditForm editor(services);
    TDFTMainForm form(services, player, editor);
    form.show();
    const QString input = QString::fromStdString(Files().input);
    for (auto _ : state) {
        if (!form.Analyse(input, state.range(0) == 1, 0)) {
            state.SkipWithError("the analysis did not run");
            break;
        }
    }
    form.close();
}

void BM_CoreSpectrum(benchmark::State &state) {
    Files();
    kaldorium::SpectrumAnalysis analysis;
    for (auto _ : state) {
        kaldorium::WaveFile file;
        file.OpenForReading(Files().input);
        kaldorium::WaveFrameSource frames(file);
        benchmark::DoNotOptimize(
            analysis.Run(frames, state.range(0) == 1, kaldorium::WindowKind::Hamming));
    }
}

} // namespace

BENCHMARK(BM_WindowFilterInputFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreFilterInputFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowFFTFilterInputFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreFFTFilterInputFile)->Unit(benchmark::kMillisecond)->UseRealTime();
// 1: FFT, 0: direct DFT.
BENCHMARK(BM_WindowSpectrum)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreSpectrum)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {

// The program started until its main window has painted, as a whole process (startup_probe),
// and a plain Qt Widgets window in a program of its own (startup_plain) the same way: wall
// time, and the peak resident size in MiB.
void BM_StartUp(benchmark::State &state) {
    const std::string probe = StartupProbe(state.range(0) == 1 ? "startup_probe" : "startup_plain");
    double peak = 0.0;
    for (auto _ : state) {
        std::vector<char *> argv{const_cast<char *>(probe.c_str()), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, probe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("the probe did not start");
            break;
        }
        int status = 0;
        rusage usage{};
        if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("the probe failed");
            break;
        }
        peak = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    state.counters["peak_MiB"] = peak;
}

} // namespace

// 1: the program, 0: the plain window.
BENCHMARK(BM_StartUp)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
