#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/spectrum/SpectrumWindows.h"
#include "gui/tools/Fileedit.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/PlotImage.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"
#include "tests/gui/WaveWriter.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>
#include <numbers>

using namespace kaldorium;

namespace {

// A 16-bit file of a sine at `frequency` on every channel.
QString WriteWave(const QString &path, std::uint32_t rate, int channels, std::uint32_t frames,
                  double frequency, double amplitude) {
    return WriteWav(path, rate, channels, 16, frames, [=](int k, int) {
        return amplitude * std::sin(2 * std::numbers::pi * frequency * k / rate);
    });
}

QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsDark(const QImage &image, int x, int y) {
    return qGray(image.pixel(x, y)) < 60;
}

} // namespace

class TestDftmain : public QObject, public FormDriver {
    Q_OBJECT

    QTemporaryDir dir;
    QString song, longFile, tiny, empty, silent;

    struct Window {
        FakeUiServices services;
        FakeSoundPlayer player;
        TFileEditForm editor{services};
        TDFTMainForm form{services, player, editor};
    };
    std::unique_ptr<Window> window;

    // A fresh spectrum window, shown, driven by the test.
    Window &open() {
        window = std::make_unique<Window>();
        root = &window->form;
        settleBeforeClick = false;
        window->form.show();
        return *window;
    }
    // Types a bin number into a field that has the focus and takes it with Enter.
    void enterNumber(const char *name, const QString &value) {
        typeFocused(name, value);
        enter(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        song = WriteWave(dir.filePath("song.wav"), 44100, 1, 4410, 1000.0, 0.5);
        longFile = WriteWave(dir.filePath("long.wav"), 44100, 2, 44100 * 30, 440.0, 0.5);
        tiny = WriteWave(dir.filePath("tiny.wav"), 8000, 1, 30, 1000.0, 0.5);
        empty = WriteWave(dir.filePath("empty.wav"), 8000, 2, 0, 0.0, 0.0);
        silent = WriteWave(dir.filePath("silent.wav"), 8000, 1, 4000, 0.0, 0.0);
    }
    void cleanup() { window.reset(); }

    void analysisFillsTheWindow_data() {
        QTest::addColumn<bool>("fft");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("N");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("transform");
        QTest::newRow("DFT Hamming") << false << 0 << "441"
                                     << "220"
                                     << "(KALDOR)  DFT_Spectral Analysis  [Hamming]"
                                     << "DFT";
        QTest::newRow("FFT Blackman_Harris") << true << 3 << "512"
                                             << "256"
                                             << "(KALDOR)  FFT_Spectral Analysis  [Blackman_Harris]"
                                             << "FFT";
        QTest::newRow("DFT beyond the list") << false << 9 << "441"
                                             << "220"
                                             << "(KALDOR)  DFT_Spectral Analysis  [No Window]"
                                             << "DFT";
    }
    void analysisFillsTheWindow() {
        QFETCH(bool, fft);
        QFETCH(int, kind);
        Window &w = open();
        QVERIFY(w.form.Analyse(song, fft, kind));
        QVERIFY(w.form.IsReady());
        QTEST(text("sDFT_Samples"), "N");
        QTEST(text("sTo_Sample"), "to");
        QCOMPARE(text("sFrom_Sample"), QStringLiteral("1"));
        QCOMPARE(text("sSampleRate"), QStringLiteral("44100"));
        QCOMPARE(text("sNumSamples"), QStringLiteral("4410"));
        QCOMPARE(text("sMaxFrequency"), QStringLiteral("22050"));
        QCOMPARE(text("InputFile"), song);
        QTEST(w.form.windowTitle(), "title");
        QFETCH(QString, transform);
        QCOMPARE(find<QLabel>("DFT_Label")->text(), transform + " Samples");
        QCOMPARE(find<QPushButton>("OutputToFile")->text(), "Output " + transform + " To File");
        QCOMPARE(find<QPushButton>("ViewDFTFile")->text(), "View " + transform + " File");
        QVERIFY(!visible("MessageLabel"));
        QVERIFY(text("sSignal1Scale").toDouble() > 0.1);
    }

    // A 1000 Hz tone lies on bin 10 (100 Hz per bin): without a window it reaches the top.
    void toneSpikeReachesTheTopAndFollowsTheWindowSize() {
        Window &w = open();
        QVERIFY(w.form.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(w.form.Analyse(song, false, 5));
        for (QSize size : {QSize(820, 623), QSize(1100, 760)}) {
            w.form.resize(size);
            QCoreApplication::processEvents();
            Oscilloscope scope = w.form.Scope();
            QCOMPARE(scope.width, w.form.DisplayCanvas().Width());
            scope.ToPixelX(1000.0);
            const QImage image = w.form.DisplayCanvas().Image();
            QVERIFY2(IsDark(image, scope.pixelX, 1), "spike of bin 10 below the top");
            scope.ToPixelX(1500.0);
            QVERIFY(!IsDark(image, scope.pixelX, 40));
        }
        QVERIFY(w.form.DisplayCanvas().Width() > 1000);
    }

    // The wheel zooms within the bins computed: nothing is analysed again, the spike stays
    // where its frequency is, and Home returns to the whole spectrum exactly.
    void wheelZoomsWithinTheComputedBins() {
        Window &w = open();
        QVERIFY(w.form.Analyse(song, false, 5));
        const PlotRanges whole = w.form.Scope().Ranges();
        const std::size_t bins = w.form.Scope().Data().Current().points.size();
        auto *plot = find<PlotImage>("Image2");
        Oscilloscope at = w.form.Scope();
        at.ToPixelX(1000.0);
        wheel(plot, QPoint(at.pixelX, 100), 6);
        const PlotRanges zoomed = w.form.Scope().Ranges();
        QVERIFY(zoomed.left > whole.left && zoomed.right < whole.right);
        QVERIFY(zoomed.left < 1000.0 && 1000.0 < zoomed.right);
        QVERIFY(zoomed.right - zoomed.left < 0.3 * (whole.right - whole.left));
        QCOMPARE(w.form.Scope().Data().Current().points.size(), bins);
        Oscilloscope now = w.form.Scope();
        now.ToPixelX(1000.0);
        QVERIFY(IsDark(w.form.DisplayCanvas().Image(), now.pixelX, 1));
        plot->setFocus();
        QTest::keyClick(plot, Qt::Key_Home);
        QVERIFY(w.form.Scope().Ranges() == whole);
    }

    void binRange_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("from up at its limit") << song << QStringList{"From=201", "FromUp"} << "201"
                                              << "220";
        QTest::newRow("to down at its limit")
            << song << QStringList{"From=5", "To=24", "ToDown"} << "5"
            << "24";
        QTest::newRow("to beyond N/2") << song << QStringList{"To=999.7"} << "1"
                                       << "220";
        QTest::newRow("from below 1") << song << QStringList{"From=-5"} << "1"
                                      << "220";
        QTest::newRow("empty from") << song << QStringList{"From=", "ToDown"} << "1"
                                    << "219";
        QTest::newRow("from stepped up") << song << QStringList{"FromUp", "FromUp"} << "3"
                                         << "220";
        QTest::newRow("N/2 below 20") << tiny << QStringList{"FromUp", "ToUp", "To=1"} << "1"
                                      << "15";
    }
    void binRange() {
        QFETCH(QString, file);
        QFETCH(QStringList, steps);
        Window &w = open();
        QVERIFY(w.form.Analyse(file, false, 0));
        for (const QString &action : steps) {
            if (action.startsWith("From=")) {
                enterNumber("sFrom_Sample", action.mid(5));
            } else if (action.startsWith("To=")) {
                enterNumber("sTo_Sample", action.mid(3));
            } else {
                step(action.startsWith("From") ? "From_SampleI" : "To_SampleI",
                     action.endsWith("Up"));
            }
        }
        QTEST(text("sFrom_Sample"), "from");
        QTEST(text("sTo_Sample"), "to");
        QVERIFY(w.services.errors.isEmpty());
        const Oscilloscope &scope = w.form.Scope();
        const double df = 44100.0 / 441;
        if (file == song) {
            QCOMPARE(scope.xMin, (text("sFrom_Sample").toInt() - 1) * df);
            QCOMPARE(scope.xMax, text("sTo_Sample").toInt() * df);
        }
    }

    void exportWritesTheSpectrumUnderTheSuggestedName() {
        Window &w = open();
        QVERIFY(w.form.Analyse(song, false, 1));
        const QString out = dir.filePath("out.DFT");
        w.services.saveAnswers.enqueue(out);
        click("OutputToFile");
        QCOMPARE(w.services.Kinds(), QStringList{"save"});
        QVERIFY(w.services.shown[0].text.endsWith("/DFTs/song.DFT"));
        const QList<QByteArray> lines = ReadBytes(out).split('\n');
        QCOMPARE(lines.size(), 9 + 220 + 1);
        QCOMPARE(lines[5], QByteArray("Maximum Frequency = 22050   DFT Samples = 441  "
                                      "Window=Von Hann\r"));
        QVERIFY(lines[10].startsWith("          100.000000"));
        QCOMPARE(lines[10].size(), 41);

        // A disk that is full is reported, not passed off as written.
        w.services.saveAnswers.enqueue("/dev/full");
        click("OutputToFile");
        QCOMPARE(w.services.shown.last().kind, QStringLiteral("message"));
        QCOMPARE(w.services.shown.last().title, QStringLiteral("DSP Error"));
        QCOMPARE(w.services.shown.last().icon, QMessageBox::Critical);
    }

    void tooShortAndSilentFilesShowNoFault() {
        Window &w = open();
        QVERIFY(w.form.Analyse(empty, false, 0));
        QCOMPARE(text("sDFT_Samples"), QStringLiteral("0"));
        auto *label = find<QLabel>("MessageLabel");
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QStringLiteral("The file is too short for a spectrum"));
        const QString out = dir.filePath("empty.DFT");
        w.services.saveAnswers.enqueue(out);
        click("OutputToFile");
        QCOMPARE(ReadBytes(out).count('\n'), 9);

        QVERIFY(w.form.Analyse(silent, true, 2));
        QVERIFY(!label->isVisible());
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("0"));
        w.form.resize(900, 650);
        QCoreApplication::processEvents();
        QVERIFY(w.services.errors.isEmpty());
    }

    void viewOpensTheEditorOnTheChosenFile() {
        Window &w = open();
        const QString dft = dir.filePath("view.DFT");
        QFile f(dft);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Data From The KALDOR Program\r\n");
        f.close();
        w.services.openAnswers.enqueue(dft);
        QString shownName;
        const auto seen = AnswerModal(
            [&](QWidget *) { shownName = control<QLabel>(&w.editor, "Panel1")->text(); });
        click("ViewDFTFile");
        QCOMPARE(shownName, dft);
        QVERIFY(w.services.shown[0].text.endsWith("/DFTs/*.DFT"));
        QCOMPARE(w.services.shown[0].title, QStringLiteral("DSP Sampled Signal Input File "));
    }

    void playsUntilTheSoundEnds() {
        Window &w = open();
        QVERIFY(w.form.Analyse(song, false, 0));
        auto *play = find<QPushButton>("PlayInput");
        click(play);
        QCOMPARE(play->text(), QStringLiteral("Stop"));
        QCOMPARE(w.player.calls, QStringList{"play " + song});
        QTest::qWait(600);
        QCOMPARE(w.player.calls.last(), "try " + song);
        QCOMPARE(play->text(), QStringLiteral("Stop"));
        w.player.FinishSound();
        QTRY_COMPARE_WITH_TIMEOUT(play->text(), QStringLiteral("Play"), 2000);
        QCOMPARE(w.player.calls.mid(w.player.calls.size() - 2),
                 (QStringList{"try " + song, "stop"}));

        // Stopping by hand stops the polling too.
        click(play);
        click(play);
        QCOMPARE(w.player.calls.last(), QStringLiteral("stop"));
        QVERIFY(!find<QTimer>("Timer1")->isActive());
    }

    // Without an audio output: told once per window session, and the button shows Play again.
    void noAudioOutputIsToldOnce() {
        Window &w = open();
        QVERIFY(w.form.Analyse(song, false, 0));
        w.player.noDevice = true;
        auto *play = find<QPushButton>("PlayInput");
        click(play);
        click(play);
        QCOMPARE(play->text(), QStringLiteral("Play"));
        QVERIFY(!find<QTimer>("Timer1")->isActive());
        QCOMPARE(w.services.Kinds(), QStringList{"message"});
        QCOMPARE(w.services.shown[0].text, QStringLiteral("No audio output device is available"));
        // The backend's error while the sound plays.
        w.player.noDevice = false;
        click(play);
        w.player.Fail(QStringLiteral("Could not open the audio device"));
        QTRY_COMPARE_WITH_TIMEOUT(play->text(), QStringLiteral("Play"), 2000);
        QCOMPARE(w.services.shown.last().text, QStringLiteral("Could not open the audio device"));
    }

    // Closing the window while it analyses stops the analysis; the busy set refuses a second.
    void closingStopsTheAnalysisAndEndsIdle() {
        Window &w = open();
        bool second = true;
        QTimer::singleShot(0, &w.form, [&] {
            QVERIFY(w.form.IsAnalysing());
            QVERIFY(!enabled("OutputToFile"));
            second = w.form.Analyse(song, false, 0);
            w.form.close();
        });
        QVERIFY(w.form.Analyse(longFile, false, 0));
        QVERIFY(!second);
        QVERIFY(!w.form.IsAnalysing());
        QVERIFY(!w.form.IsReady());
        QVERIFY(!visible("MessageLabel"));
        QVERIFY(enabled("OutputToFile"));
        QVERIFY(enabled("To_SampleI"));
        QVERIFY(w.form.Analyse(song, false, 0));
        QVERIFY(w.form.IsReady());
    }

    // A handler that divides by zero while the analysis lets messages run is not reported as
    // the analysis's fault.
    void aHandlersFaultDuringTheAnalysisIsNotTheSpectrums() {
        Window &w = open();
        volatile double zero = 0.0;
        int faults = 0;
        QTimer handler;
        connect(&handler, &QTimer::timeout, &w.form, [&] {
            if (!w.form.IsAnalysing()) {
                return;
            }
            volatile double quotient = 1.0 / zero;
            (void)quotient;
            if (++faults == 3) {
                w.form.StopAnalysis();
            }
        });
        handler.start(0);
        bool analysed = false;
        QVERIFY_THROWS_NO_EXCEPTION(analysed = w.form.Analyse(longFile, false, 0));
        QVERIFY(analysed);
        // The messages run every 50 ms: a fast machine may finish before the third fault.
        QVERIFY(faults >= 1 && faults <= 3);
        QVERIFY(w.services.errors.isEmpty());
    }

    // Refused with the reason: a spectrum of samples the reader cannot convert would be wrong.
    void aFileThatCannotBeReadIsRefused_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << "missing.wav"
                                 << "Couldn't open file";
        QTest::newRow("24-bit PCM") << "24-bit.wav" << kOnlyPcmText;
    }
    void aFileThatCannotBeReadIsRefused() {
        QFETCH(QString, file);
        QFETCH(QString, why);
        const QString path = dir.filePath(file);
        if (file != QLatin1String("missing.wav")) {
            WaveFile odd; // 24-bit mono, 100 silent frames
            odd.SetPcmFormat(8000, 1, 24);
            const char zeros[300] = {};
            QVERIFY(odd.CreateForWriting(path.toStdString()) &&
                    odd.WriteBytes(zeros, sizeof zeros) && odd.CloseFile());
        }
        Window &w = open();
        QVERIFY(!w.form.Analyse(path, true, 0));
        QCOMPARE(w.services.Kinds(), QStringList{"message"});
        QCOMPARE(w.services.shown[0].title, QStringLiteral("DSP Error"));
        QCOMPARE(w.services.shown[0].text, "Input File name is not a valid WAV File\n" + why);
        QVERIFY(!w.form.IsReady());
        QVERIFY(!w.form.IsAnalysing());
        QVERIFY(enabled("OutputToFile"));
        QVERIFY(!visible("MessageLabel"));
    }

    // At most six windows: the seventh releases the oldest; a window released while it
    // analyses is freed only after its analysis has stopped.
    void sixWindowsAtMost() {
        FakeUiServices services;
        FakeSoundPlayer player;
        TFileEditForm editor(services);
        SpectrumWindows windows([&] { return new TDFTMainForm(services, player, editor); });
        QList<QPointer<TDFTMainForm>> opened;
        for (int i = 0; i < 7; ++i) {
            TDFTMainForm *w = windows.Open();
            opened << w;
            w->show();
            QVERIFY(w->Analyse(i % 2 ? song : tiny, i % 3 == 0, i % 6));
        }
        QCOMPARE(windows.Count(), 6);
        QCOMPARE(windows.At(0), opened[1].data());
        QCOMPARE(windows.At(5), opened[6].data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(opened[0].isNull());
        QCOMPARE(opened[1]->Analysis().N, 441);
        QCOMPARE(opened[2]->Analysis().N, 30);

        // Released in the middle of its analysis (the workbench closing).
        TDFTMainForm *busy = windows.Open();
        QPointer<TDFTMainForm> guard(busy);
        QTimer::singleShot(0, busy, [&] { windows.ReleaseAll(); });
        QVERIFY(busy->Analyse(longFile, false, 0));
        QVERIFY(!guard.isNull());
        QVERIFY(!guard->IsReady());
        QCOMPARE(windows.Count(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
        for (const auto &p : opened) {
            QVERIFY(p.isNull());
        }
    }
};

QTEST_MAIN(TestDftmain)
#include "tst_Dftmain.moc"
