#include "FakeSoundPlayer.h"
#include "FakeUiServices.h"
#include "GuiTestSupport.h"
#include "audio/WaveFile.h"
#include "spectrum/Dftmain.h"
#include "spectrum/SpectrumWindows.h"
#include "tools/Fileedit.h"
#include "widgets/NumberEdit.h"
#include "widgets/Stepper.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace kaldorium;

namespace {

QString WriteWave(const QString &path, std::uint32_t rate, int channels, long long frames,
                  double frequency, double amplitude) {
    WaveFile file;
    file.formatTag = 1;
    file.channels = static_cast<std::uint16_t>(channels);
    file.sampleRate = rate;
    file.bitsPerSample = 16;
    file.blockAlign = static_cast<std::uint16_t>(2 * channels);
    file.byteRate = rate * file.blockAlign;
    file.CreateForWriting(path.toStdString());
    for (long long k = 0; k < frames; ++k) {
        for (int c = 0; c < channels; ++c) {
            file.WriteValue(amplitude * std::sin(6.283185307179586 * frequency *
                                                 static_cast<double>(k) / rate));
        }
    }
    file.CloseFile();
    return path;
}

QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsDark(const QImage &image, int x, int y) {
    return qGray(image.pixel(x, y)) < 60;
}

} // namespace

class TestDftmain : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString song, longFile, tiny, empty, silent;

    struct Window {
        FakeUiServices services;
        FakeSoundPlayer player;
        TFileEditForm editor{services};
        TDFTMainForm form{services, player, editor};
        Window() { form.show(); }
        NumberEdit *Field(const char *name) { return control<NumberEdit>(&form, name); }
        QString Text(const char *name) { return Field(name)->text(); }
        void Type(const char *name, const QString &text) {
            NumberEdit *field = Field(name);
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, text);
            QTest::keyClick(field, Qt::Key_Return);
        }
        void Step(const char *name, bool up) {
            Stepper *s = control<Stepper>(&form, name);
            QTest::mouseClick(up ? s->UpButton() : s->DownButton(), Qt::LeftButton);
        }
    };

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        song = WriteWave(dir.filePath("song.wav"), 44100, 1, 4410, 1000.0, 0.5);
        longFile = WriteWave(dir.filePath("long.wav"), 44100, 2, 44100 * 30, 440.0, 0.5);
        tiny = WriteWave(dir.filePath("tiny.wav"), 8000, 1, 30, 1000.0, 0.5);
        empty = WriteWave(dir.filePath("empty.wav"), 8000, 2, 0, 0.0, 0.0);
        silent = WriteWave(dir.filePath("silent.wav"), 8000, 1, 4000, 0.0, 0.0);
    }

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
        Window w;
        QVERIFY(w.form.Analyse(song, fft, kind));
        QVERIFY(w.form.IsReady());
        QTEST(w.Text("sDFT_Samples"), "N");
        QTEST(w.Text("sTo_Sample"), "to");
        QCOMPARE(w.Text("sFrom_Sample"), QStringLiteral("1"));
        QCOMPARE(w.Text("sSampleRate"), QStringLiteral("44100"));
        QCOMPARE(w.Text("sNumSamples"), QStringLiteral("4410"));
        QCOMPARE(w.Text("sMaxFrequency"), QStringLiteral("22050"));
        QCOMPARE(w.Text("InputFile"), song);
        QTEST(w.form.windowTitle(), "title");
        QFETCH(QString, transform);
        QCOMPARE(control<QLabel>(&w.form, "DFT_Label")->text(), transform + " Samples");
        QCOMPARE(control<QPushButton>(&w.form, "OutputToFile")->text(),
                 "Output " + transform + " To File");
        QCOMPARE(control<QPushButton>(&w.form, "ViewDFTFile")->text(),
                 "View " + transform + " File");
        QVERIFY(!control<QLabel>(&w.form, "MessageLabel")->isVisible());
        QVERIFY(w.Text("sSignal1Scale").toDouble() > 0.1);
    }

    // A 1000 Hz tone lies on bin 10 (100 Hz per bin): without a window it reaches the top.
    void toneSpikeReachesTheTopAndFollowsTheWindowSize() {
        Window w;
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
        Window w;
        QVERIFY(w.form.Analyse(file, false, 0));
        for (const QString &step : steps) {
            if (step.startsWith("From=")) {
                w.Type("sFrom_Sample", step.mid(5));
            } else if (step.startsWith("To=")) {
                w.Type("sTo_Sample", step.mid(3));
            } else {
                w.Step(step.startsWith("From") ? "From_SampleI" : "To_SampleI",
                       step.endsWith("Up"));
            }
        }
        QTEST(w.Text("sFrom_Sample"), "from");
        QTEST(w.Text("sTo_Sample"), "to");
        QVERIFY(w.services.errors.isEmpty());
        const Oscilloscope &scope = w.form.Scope();
        const double df = 44100.0 / 441;
        if (file == song) {
            QCOMPARE(scope.xMin, (w.Text("sFrom_Sample").toInt() - 1) * df);
            QCOMPARE(scope.xMax, w.Text("sTo_Sample").toInt() * df);
        }
    }

    void exportWritesTheSpectrumUnderTheSuggestedName() {
        Window w;
        QVERIFY(w.form.Analyse(song, false, 1));
        const QString out = dir.filePath("out.DFT");
        w.services.saveAnswers.enqueue(out);
        QTest::mouseClick(control<QPushButton>(&w.form, "OutputToFile"), Qt::LeftButton);
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
        QTest::mouseClick(control<QPushButton>(&w.form, "OutputToFile"), Qt::LeftButton);
        QCOMPARE(w.services.shown.last().kind, QStringLiteral("message"));
        QCOMPARE(w.services.shown.last().title, QStringLiteral("DSP Error"));
        QCOMPARE(w.services.shown.last().icon, QMessageBox::Critical);
    }

    void tooShortAndSilentFilesShowNoFault() {
        Window w;
        QVERIFY(w.form.Analyse(empty, false, 0));
        QCOMPARE(w.Text("sDFT_Samples"), QStringLiteral("0"));
        auto *label = control<QLabel>(&w.form, "MessageLabel");
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QStringLiteral("The file is too short for a spectrum"));
        const QString out = dir.filePath("empty.DFT");
        w.services.saveAnswers.enqueue(out);
        QTest::mouseClick(control<QPushButton>(&w.form, "OutputToFile"), Qt::LeftButton);
        QCOMPARE(ReadBytes(out).count('\n'), 9);

        QVERIFY(w.form.Analyse(silent, true, 2));
        QVERIFY(!label->isVisible());
        QCOMPARE(w.Text("sSignal1Scale"), QStringLiteral("0"));
        w.form.resize(900, 650);
        QCoreApplication::processEvents();
        QVERIFY(w.services.errors.isEmpty());
    }

    void viewOpensTheEditorOnTheChosenFile() {
        Window w;
        const QString dft = dir.filePath("view.DFT");
        QFile f(dft);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Data From The KALDOR Program\r\n");
        f.close();
        w.services.openAnswers.enqueue(dft);
        QString shownName;
        auto *poll = new QTimer(&w.form);
        connect(poll, &QTimer::timeout, &w.form, [&, poll, deadline = QDeadlineTimer(5000)] {
            if (w.editor.isVisible() || deadline.hasExpired()) {
                poll->stop();
                shownName = control<QLabel>(&w.editor, "Panel1")->text();
                w.editor.close();
            }
        });
        poll->start(5);
        QTest::mouseClick(control<QPushButton>(&w.form, "ViewDFTFile"), Qt::LeftButton);
        QCOMPARE(shownName, dft);
        QVERIFY(w.services.shown[0].text.endsWith("/DFTs/*.DFT"));
        QCOMPARE(w.services.shown[0].title, QStringLiteral("DSP Sampled Signal Input File "));
    }

    void playsUntilTheSoundEnds() {
        Window w;
        QVERIFY(w.form.Analyse(song, false, 0));
        auto *play = control<QPushButton>(&w.form, "PlayInput");
        QTest::mouseClick(play, Qt::LeftButton);
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
        QTest::mouseClick(play, Qt::LeftButton);
        QTest::mouseClick(play, Qt::LeftButton);
        QCOMPARE(w.player.calls.last(), QStringLiteral("stop"));
        QVERIFY(!control<QTimer>(&w.form, "Timer1")->isActive());
    }

    // Closing the window while it analyses stops the analysis; the busy set refuses a second.
    void closingStopsTheAnalysisAndEndsIdle() {
        Window w;
        bool second = true;
        QTimer::singleShot(0, &w.form, [&] {
            QVERIFY(w.form.IsAnalysing());
            QVERIFY(!control<QPushButton>(&w.form, "OutputToFile")->isEnabled());
            second = w.form.Analyse(song, false, 0);
            w.form.close();
        });
        QVERIFY(w.form.Analyse(longFile, false, 0));
        QVERIFY(!second);
        QVERIFY(!w.form.IsAnalysing());
        QVERIFY(!w.form.IsReady());
        QVERIFY(!control<QLabel>(&w.form, "MessageLabel")->isVisible());
        QVERIFY(control<QPushButton>(&w.form, "OutputToFile")->isEnabled());
        QVERIFY(control<Stepper>(&w.form, "To_SampleI")->isEnabled());
        QVERIFY(w.form.Analyse(song, false, 0));
        QVERIFY(w.form.IsReady());
    }

    void aFileThatCannotBeReadIsRefused() {
        Window w;
        QVERIFY(!w.form.Analyse(dir.filePath("missing.wav"), true, 0));
        QCOMPARE(w.services.Kinds(), QStringList{"message"});
        QCOMPARE(w.services.shown[0].title, QStringLiteral("DSP Error"));
        QVERIFY(!w.form.IsAnalysing());
        QVERIFY(control<QPushButton>(&w.form, "OutputToFile")->isEnabled());
        QVERIFY(!control<QLabel>(&w.form, "MessageLabel")->isVisible());
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
