#include "tests/gui/DspmainFixture.h"
#include "tests/gui/FakeAudioStream.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/WaveWriter.h"

#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Filterclass.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/FixedPoint.h"
#include "core/tools/PoleZero.h"
#include "core/workbench/DataFiles.h"
#include "core/workbench/Runs.h"
#include "gui/audio/Wavmain.h"
#include "gui/media/QtAudioStream.h"
#include "gui/services/Guarded.h"
#include "gui/services/Media.h"
#include "gui/services/RealTimeSession.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Polezero.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/PlotImage.h"
#include "gui/workbench/Dspmain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Outputs : kaldorium::RunRowSink {
    std::vector<double> y;
    void InputRow(double, double x) override { y.push_back(x); }
    void FilterRow(double, double, double y_) override { y.push_back(y_); }
};

} // namespace

// Real time on both workbenches: runs, responses, views and Test paced by a clock the test moves,
// and their sound handed to a fake stream.
class TestRealTime : public QObject, public DspmainFixture {
    Q_OBJECT

private:
    FakeAudioStream audio;
    // The designer of the test that runs the designed filter; outlives the form.
    std::unique_ptr<kaldorium::DigitalFilterDesign> design;
    std::unique_ptr<kaldorium::QuantisedFilterSource> quantised;
    QTemporaryDir dir;

    // Real Time on, at `speed`, listening to `listen`; the pacing clock is the fake stream's.
    void realTime(const QString &speed, const QString &listen) {
        find<QCheckBox>("RealTime")->setChecked(true);
        find<QComboBox>("TimeStretch")->setCurrentText(speed);
        find<QComboBox>("ListenTo")->setCurrentText(listen);
        find<RealTimeSession>("realTimeSession")->SetTimeSource([this] { return audio.now; });
    }
    // Moves the clock on by `seconds` in ticks of the screen's rate, a chunk at each.
    template <typename Chunk> void play(double seconds, QTimer *timer, Chunk chunk) {
        timer->stop();
        for (double t = 0.0; t < seconds - 1e-9; t += 0.015) {
            audio.Advance(0.015);
            chunk();
        }
    }
    void playRun(double seconds) {
        play(seconds, find<QTimer>("runTimer"), [this] { form->RunChunk(); });
    }
    QString status() { return find<QLabel>("SoundStatus")->text(); }
    // Types a field's text as a user does and takes it with Enter.
    void enterText(const char *name, const QString &value) {
        type(name, value);
        enter(name);
    }

    // The largest magnitude in the second half of what was handed over: the filter has settled.
    static double LoudestOfSettled(const std::vector<double> &given) {
        double loudest = 0.0;
        for (std::size_t i = given.size() / 2; i < given.size(); ++i) {
            loudest = std::max(loudest, std::abs(given[i]));
        }
        return loudest;
    }

    // The output goes quiet within 100 ms of sound after `change`, made while a run plays the
    // 2 kHz default through a filter that passes it: a filter kind clicked, a stepper stepped,
    // the network applied anew.
    void quietsWithin100Ms(const std::function<void()> &change) {
        click("fTest");
        playRun(0.4);
        const long long heardAtChange = audio.PlayedFrames();
        const double loudest = LoudestOfSettled(audio.GivenSamples());
        QVERIFY(loudest > 0.0);
        change();
        playRun(0.3);
        const std::vector<double> given = audio.GivenSamples();
        // The first of 100 samples in a row (five cycles) below a third of the loudest.
        std::size_t quiet = given.size();
        int run = 0;
        for (std::size_t i = static_cast<std::size_t>(heardAtChange); i < given.size(); ++i) {
            run = std::abs(given[i]) < loudest / 3.0 ? run + 1 : 0;
            if (run == 100) {
                quiet = i - 99;
                break;
            }
        }
        QVERIFY2(quiet < given.size(), "never quieter");
        QVERIFY2(static_cast<double>(quiet - heardAtChange) < 0.1 * 40000,
                 qPrintable(QString::number(quiet - heardAtChange)));
        QVERIFY(form->IsRunning());
        click("fTest");
    }

private slots:
    void init() {
        audio = FakeAudioStream();
        open(nullptr, &audio);
    }
    void cleanup() { form.reset(); }

    void controlsAndDefaults() {
        QVERIFY(!find<QCheckBox>("RealTime")->isChecked());
        QStringList speeds;
        auto *speed = find<QComboBox>("TimeStretch");
        for (int i = 0; i < speed->count(); ++i) {
            speeds << speed->itemText(i);
        }
        QCOMPARE(speeds, QStringList({"1×", "1/10×", "1/100×", "1/1000×"}));
        QCOMPARE(speed->currentText(), QStringLiteral("1×"));
        QCOMPARE(find<QComboBox>("ListenTo")->currentText(), QStringLiteral("Output"));
        // Unchecked, a run goes as fast as ever and stays silent.
        click("fTest");
        QCOMPARE(find<QTimer>("runTimer")->interval(), 0);
        find<QTimer>("runTimer")->stop();
        form->RunChunk();
        QCOMPARE(form->RunSamples(), 502LL);
        QVERIFY(audio.calls.isEmpty());
        click("fTest");
        QVERIFY(!form->IsRunning());
    }

    // At 1× the sound paces the run: what it computed is what was handed over, at the rate.
    void oneTimesHandsOverWhatTheRunComputed() {
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        const QString path = dir.filePath(QStringLiteral("heard.DSO"));
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        const kaldorium::WorkbenchSettings start = form->Settings();
        click("fTest");
        QCOMPARE(audio.calls.value(0), QStringLiteral("open 40000 1"));
        playRun(2.0);
        const std::vector<double> given = audio.GivenSamples();
        QVERIFY2(std::abs(static_cast<double>(given.size()) - 80000.0) <= 4000.0,
                 qPrintable(QString::number(given.size())));
        QCOMPARE(static_cast<long long>(given.size()), form->RunSamples());
        QCOMPARE(audio.Dropouts(), 0);
        QCOMPARE(status(), QStringLiteral("Dropouts: 0"));

        // The same run computed apart, sample for sample.
        kaldorium::WorkbenchSettings settings = start;
        kaldorium::NoiseGenerator ownNoise;
        kaldorium::DefaultDesignedFilterSource designer;
        kaldorium::FilterNetwork ownNetwork;
        ImageCanvas canvas;
        kaldorium::Oscilloscope scope;
        scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
        kaldorium::SignalStatistics statistics;
        kaldorium::WorkbenchRun reference(kaldorium::WorkbenchRun::Kind::FilterTest,
                                          {settings, ownNoise, designer, ownNetwork}, scope,
                                          statistics);
        Outputs outputs;
        reference.rows = &outputs;
        reference.Step(static_cast<int>(given.size()));
        QVERIFY(outputs.y == given);

        // Stopping silences at once and leaves the window idle, its timer back to full speed.
        click("fTest");
        QCOMPARE(audio.calls.last(), QStringLiteral("stop"));
        QCOMPARE(audio.CurrentState(), AudioStream::State::Closed);
        QVERIFY(!form->IsRunning());
        QCOMPARE(find<QAbstractButton>("fTest")->text(), QStringLiteral("Test"));
        QCOMPARE(find<QTimer>("runTimer")->interval(), 0);
        // The data file got a row for every sample heard: written at the real rate.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 12 + static_cast<qsizetype>(given.size()));
    }

    void slowerSpeedsRunSilentlyByTheClock() {
        realTime(QStringLiteral("1/100×"), QStringLiteral("Output"));
        click("oTest");
        // The display is stepped at about the screen's rate, 30 to 60 times a second (or a
        // little faster), not once per sample.
        const int tick = find<QTimer>("runTimer")->interval();
        QVERIFY2(tick >= 14 && tick <= 34, qPrintable(QString::number(tick)));
        playRun(2.0);
        QVERIFY2(std::abs(form->RunSamples() - 800.0) <= 40.0,
                 qPrintable(QString::number(form->RunSamples())));
        QVERIFY(audio.given.empty());
        // The speed may change while the run goes on.
        find<QComboBox>("TimeStretch")->setCurrentText(QStringLiteral("1/1000×"));
        const long long before = form->RunSamples();
        playRun(1.0);
        QVERIFY(std::abs(form->RunSamples() - before - 40.0) <= 2.0);
        // Closing the window ends the run.
        form->close();
        QVERIFY(!form->IsRunning());
    }

    // A field typed while the sound plays is in what is handed over within 100 ms of what is
    // heard.
    void fieldChangeIsHeardWithin100Ms() {
        realTime(QStringLiteral("1×"), QStringLiteral("Input"));
        click("fTest");
        playRun(0.5);
        const long long heardAtChange = audio.PlayedFrames();
        enterText("soAmplitude", QStringLiteral("0.25"));
        playRun(0.3);
        const std::vector<double> given = audio.GivenSamples();
        // The last sample as loud as before the change.
        std::size_t lastLoud = 0;
        for (std::size_t i = 0; i < given.size(); ++i) {
            if (std::abs(given[i]) > 0.26) {
                lastLoud = i;
            }
        }
        QVERIFY(lastLoud >= static_cast<std::size_t>(heardAtChange));
        QVERIFY2(static_cast<double>(lastLoud - heardAtChange) < 0.1 * 40000,
                 qPrintable(QString::number(lastLoud - heardAtChange)));
    }

    // The filter's own fields are heard as soon as the oscillator's: four times the
    // amplification, four times as loud within 100 ms of Enter.
    void filterChangeIsHeardWithin100Ms() {
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        click("fTest");
        playRun(0.5);
        const long long heardAtChange = audio.PlayedFrames();
        const double loudest = LoudestOfSettled(audio.GivenSamples());
        QVERIFY(loudest > 0.0);
        const QString amplification = find<QLineEdit>("sfAmplification")->text();
        enterText("sfAmplification", QString::number(4.0 * amplification.toDouble()));
        playRun(0.3);
        const std::vector<double> given = audio.GivenSamples();
        std::size_t firstLouder = given.size();
        for (std::size_t i = static_cast<std::size_t>(heardAtChange); i < given.size(); ++i) {
            if (std::abs(given[i]) > 2.0 * loudest) {
                firstLouder = i;
                break;
            }
        }
        QVERIFY(firstLouder < given.size());
        QVERIFY2(static_cast<double>(firstLouder - heardAtChange) < 0.1 * 40000,
                 qPrintable(QString::number(firstLouder - heardAtChange)));
        click("fTest");
    }

    void filterKindClickedWhilePlayingIsHeardWithin100Ms() {
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        quietsWithin100Ms([this] { click("BandReject"); });
    }

    void stepperStepsWhilePlayingAreHeardWithin100Ms() {
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        quietsWithin100Ms([this] {
            for (int i = 0; i < 6; ++i) {
                step("fFrequencyI", false);
            }
            QVERIFY(text("sfFrequency").toDouble() < 1700.0);
        });
    }

    void networkAppliedWhilePlayingIsHeardWithin100Ms() {
        click("NetworkFiltering");
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        quietsWithin100Ms([this] {
            // What the network window's Apply does: a notch at 2 kHz at the network's input.
            kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
            stages[kaldorium::FilterNetwork::InputStage] = {true, kaldorium::fkBandReject, 2000.0,
                                                            1.0, 1.0};
            stages[kaldorium::FilterNetwork::StageIndex(1, 0)] = {true, kaldorium::fkAllPass,
                                                                  1000.0, 1.0, 1.0};
            network.ApplySettings(stages);
        });
    }

    // Output To File in real time: the file grows at the run's own rate (40,000 rows a second at
    // 1×), and the row limit holds as it does for a run at full speed.
    void outputToFileWritesAtTheRealRateUpToTheRowLimit() {
        const QString path = dir.filePath(QStringLiteral("realtime.DSO"));
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        click("oTest");
        playRun(1.0);
        const long long inOneSecond = form->RunSamples();
        QVERIFY2(std::abs(inOneSecond - 40000) <= 2000, qPrintable(QString::number(inOneSecond)));
        const long long limit = kaldorium::DataFileWriter::RowLimit;
        auto *notice = find<QLabel>("OutputLimitLabel");
        // 26.2 s of sound fill the limit; a little more shows the notice and the run goes on.
        playRun(26.5);
        QCOMPARE(notice->text(), QStringLiteral("Output file limit reached: 1,048,576 rows"));
        QVERIFY(form->IsRunning());
        QVERIFY(services.shown.isEmpty());
        click("oTest");
        QVERIFY(!form->IsRunning());
        const QList<QByteArray> lines = Lines(path);
        QCOMPARE(lines.size(), 12 + limit + 1);
        QCOMPARE(lines[lines.size() - 2].left(18).trimmed().toDouble(), (limit - 1) * 0.025);
    }

    // A pole dragged in the pole-zero window while the designed filter runs in real time: the
    // run goes on with the new set (not started again); dragged outside the circle, it overflows
    // and ends with the floating-point error.
    void draggedPoleIsHeardWhileRunning() {
        design = std::make_unique<kaldorium::DigitalFilterDesign>();
        // The start-up band pass, as the designer window computes it when first shown.
        design->FormActivate();
        quantised = std::make_unique<kaldorium::QuantisedFilterSource>(*design);
        form = std::make_unique<TDSPMainForm>(services, noise, network, quantised.get());
        root = form.get();
        form->SetAudioStream(&audio);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        TPoleZeroForm poles(services, *design, network);
        poles.SetWorkbench([] {
            PoleZeroWorkbench w;
            w.kind = kaldorium::fkDesigned;
            return w;
        });
        poles.show();
        QVERIFY(QTest::qWaitForWindowExposed(&poles));
        poles.Follow();
        auto *plane = control<PlotImage>(&poles, "ZPlane");
        auto drag = [&](QPoint from, QPoint to) {
            QTest::mousePress(plane, Qt::LeftButton, {}, from);
            QTest::mouseMove(plane, to);
            QTest::mouseRelease(plane, Qt::LeftButton, {}, to);
        };
        click("DesignedFilter");
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        click("fTest");
        QVERIFY2(form->IsRunning(), qPrintable(services.errors.join(", ")));
        playRun(0.2);
        const long long before = form->RunSamples();
        QVERIFY2(before > 0, qPrintable(services.errors.join(", ")));
        const std::complex<double> upper =
            poles.Map().poles[0].z.imag() > 0 ? poles.Map().poles[0].z : poles.Map().poles[1].z;
        drag(poles.PixelOf(upper), poles.PixelOf({0.5, 0.5}));
        playRun(0.1);
        QVERIFY(form->IsRunning());
        QVERIFY(form->RunSamples() > before);
        QVERIFY(services.errors.isEmpty());
        drag(poles.PixelOf({0.5, 0.5}), poles.PixelOf({1.1, 0.2}));
        // As the run's timer steps it: a failed chunk is reported by the window.
        guarded(form.get(), services, [this] { playRun(1.0); })();
        QVERIFY(!form->IsRunning());
        QCOMPARE(services.errors.size(), 1);
        QVERIFY2(services.errors.first().startsWith(QStringLiteral("Floating point")),
                 qPrintable(services.errors.first()));
        // The error silences the speaker too: nothing more is handed over.
        QCOMPARE(audio.CurrentState(), AudioStream::State::Closed);
        const long long pushed = audio.PushedFrames();
        playRun(0.1);
        QCOMPARE(audio.PushedFrames(), pushed);
    }

    void indicatorsClippingAndDropouts() {
        realTime(QStringLiteral("1×"), QStringLiteral("Input"));
        enterText("soAmplitude", QStringLiteral("2"));
        click("oTest");
        auto *clipping = find<QLabel>("Clipping");
        QVERIFY(!clipping->isEnabled());
        playRun(0.3);
        QVERIFY(clipping->isEnabled());
        // Clipped for the speaker only: the run's own samples go beyond 1.
        const std::vector<double> given = audio.GivenSamples();
        QCOMPARE(*std::max_element(given.begin(), given.end()), 2.0);
        QCOMPARE(*std::max_element(audio.heard.begin(), audio.heard.end()), 1.0F);
        // The machine stalls for 200 ms: the speaker runs dry once, and it is shown.
        audio.Advance(0.2);
        playRun(0.1);
        QCOMPARE(status(), QStringLiteral("Dropouts: 1"));
        click("oTest");
    }

    // A rate the device cannot play is named in the window; the run goes on, paced and silent.
    void refusedRateIsNamedAndTheRunGoesOnSilently() {
        enterText("soFrequency", QStringLiteral("1"));
        enterText("soSamples", QStringLiteral("50"));
        audio.deviceRate = 48000.0;
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        click("fTest");
        QCOMPARE(status(), QStringLiteral("The sound device cannot play a sample rate of 50 Hz"));
        playRun(1.0);
        QVERIFY(form->IsRunning());
        QVERIFY2(std::abs(form->RunSamples() - 50.0) <= 5.0,
                 qPrintable(QString::number(form->RunSamples())));
        QCOMPARE(audio.PushedFrames(), 0LL);
        click("fTest");
        QVERIFY(!form->IsRunning());
        QVERIFY(services.errors.isEmpty());
    }

    void noDeviceSaysSoOnceAndListensOff() {
        audio.noDevice = true;
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        click("fTest");
        QCOMPARE(status(), QStringLiteral("No audio output device is available"));
        QCOMPARE(find<QComboBox>("ListenTo")->currentText(), QStringLiteral("Off"));
        playRun(0.5);
        // Silently on, paced by the clock.
        QVERIFY(std::abs(form->RunSamples() - 20000.0) <= 1000.0);
        click("fTest");
        find<QComboBox>("ListenTo")->setCurrentText(QStringLiteral("Output"));
        click("fTest");
        QVERIFY(status().isEmpty());
        click("fTest");
    }

    void responseIsPacedAndPlaysOut() {
        realTime(QStringLiteral("1×"), QStringLiteral("Output"));
        // 200 samples at 40 kHz: the sound has room for all of them in the first chunk.
        click("StepResponse");
        play(3.0, find<QTimer>("responseTimer"), [this] {
            if (form->IsResponding()) {
                form->ResponseChunk();
            }
        });
        QVERIFY(!form->IsResponding());
        // Every sample of the sweep is heard (t stops one sample short of the time scale).
        QCOMPARE(audio.GivenSamples().size(), std::size_t{199});
        QCOMPARE(audio.calls.last(), QStringLiteral("finish"));
    }

    // Stereo through the filter stays stereo, each channel its own filter's output.
    void wavTestHandsOverStereoFiltered_data() {
        QTest::addColumn<QString>("listen");
        QTest::newRow("output, filtered") << QStringLiteral("Output");
        QTest::newRow("input as read") << QStringLiteral("Input");
    }
    void wavTestHandsOverStereoFiltered() {
        QFETCH(QString, listen);
        FakeSoundPlayer player;
        kaldorium::DefaultDesignedFilterSource designed;
        TFileEditForm editor(services);
        TWAVMainForm wav(services, player, noise, network, designed, editor);
        wav.SetAudioStream(&audio);
        wav.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wav));
        // A different tone on each channel.
        const QString path = WriteWav(
            dir.filePath(QStringLiteral("stereo.wav")), 8000, 2, 16, 16000, [](int i, int c) {
                return c == 0 ? 0.5 * std::sin(0.3 * i) : 0.25 * std::sin(0.05 * i);
            });
        root = &wav; // the workbench is driven from here on
        services.openAnswers.enqueue(path);
        click("GetInputFile");
        realTime(QStringLiteral("1×"), listen);
        click("fTest");
        play(0.5, find<QTimer>("viewTimer"), [&wav] { wav.ViewChunk(); });
        QCOMPARE(audio.calls.value(0), QStringLiteral("open 8000 2"));
        const std::vector<double> given = audio.GivenSamples();
        // Half a second played, and up to 50 ms queued ahead of the speaker.
        QVERIFY2(std::abs(static_cast<double>(given.size()) / 2 - 4200.0) <= 200.0,
                 qPrintable(QString::number(given.size() / 2)));

        kaldorium::WaveFile in;
        QVERIFY(in.OpenForReading(QFile::encodeName(path).toStdString()));
        kaldorium::Filter left(kaldorium::fkBandPass);
        kaldorium::Filter right(kaldorium::fkBandPass);
        const kaldorium::WavSettings &s = wav.Settings();
        for (std::size_t i = 0; i + 1 < given.size(); i += 2) {
            double l = 0.0;
            double r = 0.0;
            in.ReadValue(l);
            in.ReadValue(r);
            if (listen == QLatin1String("Input")) {
                QCOMPARE(given[i], l);
                QCOMPARE(given[i + 1], r);
                continue;
            }
            QCOMPARE(given[i], left.Process(s.filterFrequency, s.qFactor, s.amplification,
                                            s.samplingPeriod, l));
            QCOMPARE(given[i + 1], right.Process(s.filterFrequency, s.qFactor, s.amplification,
                                                 s.samplingPeriod, r));
        }
        wav.close();
        QVERIFY(!wav.IsViewRunning());
        QCOMPARE(audio.calls.last(), QStringLiteral("stop"));
    }

    // The real sound output on a machine without a sound device: the run goes on, says why it
    // is silent, and stops as asked.
    void realStreamWithoutDeviceFallsBack() {
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            QSKIP("this machine has a sound device");
        }
        DeferredAudioStream real;
        form->SetAudioStream(&real);
        find<QCheckBox>("RealTime")->setChecked(true);
        click("fTest");
        QTest::qWait(1000);
        QVERIFY(form->IsRunning());
        QVERIFY(form->RunSamples() > 0);
        QCOMPARE(status(), QtAudioStream::NoDeviceText());
        QCOMPARE(find<QComboBox>("ListenTo")->currentText(), QStringLiteral("Off"));
        click("fTest");
        QVERIFY(!form->IsRunning());
        form->SetAudioStream(nullptr);
    }
};

QTEST_MAIN(TestRealTime)
#include "tst_RealTime.moc"
