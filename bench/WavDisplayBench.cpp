#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/Canvas.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"
#include "gui/tools/Fileedit.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>

namespace {

// Answers every open dialog with one file; nothing else is asked in a test run.
class OneFileServices : public UiServices {
public:
    explicit OneFileServices(QString file) : path(std::move(file)) {}
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return path;
    }
    QString SaveFileName(QWidget *, const QString &, const QString &, const QString &,
                         const QString &) override {
        return QString();
    }
    QMessageBox::StandardButton Message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &, QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    void ShowError(QWidget *, const QString &) override {}

private:
    QString path;
};

class SilentPlayer : public SoundPlayer {
public:
    void PlayAsync(const QString &) override {}
    bool TryPlayAsync(const QString &) override { return true; }
    void StopAll() override {}
    QString PlaybackError() const override { return QString(); }
};

void WriteLongFile(const QString &path) {
    kaldorium::WaveFile w;
    w.SetPcmFormat(44100, 2, 16);
    w.CreateForWriting(QFile::encodeName(path).toStdString());
    for (int i = 0; i < 60 * 44100; ++i) {
        for (int c = 0; c < 2; ++c) {
            w.WriteValue(0.5 * std::sin(0.05 * i + c));
        }
    }
    w.CloseFile();
}

// Draws nothing: the stepper's own cost.
class NullCanvas : public kaldorium::Canvas {
public:
    int Width() const override { return 779; }
    int Height() const override { return 386; }
    void SetPenColor(kaldorium::Color) override {}
    void SetPenWidth(int) override {}
    void SetFillColor(kaldorium::Color) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(int, int, int, int) override {}
    void Line(int x1, int, int, int) override { benchmark::DoNotOptimize(x1); }
    void TextOut(int, int, const std::string &) override {}
};

// The anchor of the next: the same stepper (Test, the workbench's default band pass, the same
// file) in chunks of the same size, drawing on a canvas that draws nothing.
void BM_WavTestStepperOnly(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.wav"));
    WriteLongFile(path);
    kaldorium::WavSettings settings;
    settings.inputFileName = QFile::encodeName(path).toStdString();
    settings.samplingPeriod = 1.0 / 44100;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    NullCanvas canvas;
    kaldorium::Oscilloscope scope;
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
    auto view = std::make_unique<kaldorium::WavView>(kaldorium::WavView::Kind::Test, settings,
                                                     noise, network, scope);
    long long samples = 0;
    for (auto _ : state) {
        if (!view->Step(kaldorium::WavView::ChunkSamples)) {
            samples += view->samples;
            view = std::make_unique<kaldorium::WavView>(kaldorium::WavView::Kind::Test, settings,
                                                        noise, network, scope);
        }
    }
    state.SetItemsProcessed(samples + view->samples);
}
BENCHMARK(BM_WavTestStepperOnly)->Unit(benchmark::kMicrosecond);

// The WAV workbench's Test through its second-order band pass on 60 s of 16-bit stereo at
// 44.1 kHz, drawing on the display, chunk by chunk, offscreen.
void BM_WavTestWithDisplay(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.wav"));
    WriteLongFile(path);

    OneFileServices services(path);
    SilentPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designed;
    TFileEditForm editor(services);
    TWAVMainForm form(services, player, noise, network, designed, editor);
    form.show();
    form.findChild<QPushButton *>(QStringLiteral("GetInputFile"))->click();
    form.findChild<QPushButton *>(QStringLiteral("fTest"))->click();
    form.findChild<QTimer *>(QStringLiteral("viewTimer"))->stop();
    for (auto _ : state) {
        form.ViewChunk();
    }
    state.SetItemsProcessed(form.ViewSamples());
    form.close();
}
BENCHMARK(BM_WavTestWithDisplay)->Unit(benchmark::kMicrosecond);

} // namespace
