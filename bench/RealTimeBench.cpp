#include "tests/gui/FakeAudioStream.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/WaveWriter.h"

#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/RealTimeSession.h"
#include "gui/services/UiServices.h"
#include "gui/tools/Fileedit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

// Answers the one file dialog with the prepared file.
class BenchServices : public QtUiServices {
public:
    QString input;
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return input;
    }
    void ShowError(QWidget *, const QString &text) override { qWarning() << "ERROR" << text; }
    QMessageBox::StandardButton Message(QWidget *, QMessageBox::Icon, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons) override {
        qWarning() << "MESSAGE" << title << text;
        return QMessageBox::Ok;
    }
};

// Ten seconds of 44.1 kHz 16-bit stereo: a chord, a different note on each side.
QString WriteStereo(const QString &path) {
    return WriteWav(path, 44100, 2, 16, 441000, [](int i, int c) {
        return c == 0 ? 0.4 * std::sin(0.0627 * i) + 0.3 * std::sin(0.094 * i)
                      : 0.4 * std::sin(0.079 * i) + 0.3 * std::sin(0.0313 * i);
    });
}

template <typename T> T *Find(QWidget *window, const char *name) {
    return window->findChild<T *>(QString::fromLatin1(name));
}

// The WAV workbench's Test in real time at 1×: 44.1 kHz stereo through the 4th-order low pass,
// heard (through a simulated device that plays at the wall clock's rate) and drawn, for
// REALTIME_BENCH_SECONDS (60 by default) of wall time under the window's own timers. Reports the
// share of one core the GUI thread used, the dropouts, and the delay from a field typed half way
// to the speaker playing its first frame.
void BM_RealTimeWavTest(benchmark::State &state) {
    const char *env = std::getenv("REALTIME_BENCH_SECONDS");
    const double seconds = env != nullptr ? std::atof(env) : 60.0;
    QTemporaryDir dir;
    BenchServices services;
    services.input = WriteStereo(dir.filePath(QStringLiteral("chord.wav")));
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designed;
    TFileEditForm editor(services);
    TWAVMainForm wav(services, player, noise, network, designed, editor);
    FakeAudioStream audio;
    wav.SetAudioStream(&audio);
    wav.show();
    wav.activateWindow();
    // Shown and activated, as a user finds it, before the file is chosen.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    Find<QAbstractButton>(&wav, "GetInputFile")->click();
    Find<QAbstractButton>(&wav, "LowPass2")->click();
    Find<QCheckBox>(&wav, "RealTime")->setChecked(true);
    QElapsedTimer wall;
    // The device plays at the wall clock, taking what is queued every 5 ms.
    QTimer device;
    device.setTimerType(Qt::PreciseTimer);
    QObject::connect(&device, &QTimer::timeout,
                     [&] { audio.Advance(wall.nsecsElapsed() * 1e-9 - audio.now); });
    double latency = 0.0;
    for (auto _ : state) {
        wall.start();
        audio.now = 0.0;
        device.start(5);
        Find<QAbstractButton>(&wav, "fTest")->click();
        // Half way, the filter frequency is typed: its first frame is the next one pushed.
        QTimer::singleShot(static_cast<int>(seconds * 500), [&] {
            auto *field = Find<QWidget>(&wav, "sfFrequency");
            field->setProperty("text", QStringLiteral("2000"));
            QMetaObject::invokeMethod(field, "accepted");
            const long long first = audio.PushedFrames();
            const double typed = audio.now;
            auto *watch = new QTimer(&wav);
            QObject::connect(watch, &QTimer::timeout, [&, watch, first, typed] {
                if (audio.PlayedFrames() > first) {
                    latency = audio.now - typed;
                    watch->deleteLater();
                }
            });
            watch->start(1);
        });
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        Find<QAbstractButton>(&wav, "fTest")->click();
        device.stop();
    }
    state.counters["cpu_%"] =
        benchmark::Counter(seconds / 100.0 * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["dropouts"] = audio.Dropouts();
    state.counters["latency_ms"] = latency * 1000.0;
    state.counters["frames"] = static_cast<double>(audio.PushedFrames());
    wav.close();
}
BENCHMARK(BM_RealTimeWavTest)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
