#include "tests/gui/DspmainFixture.h"

#include "gui/widgets/NumberEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

// The workbench's step and impulse responses and line spectra, and how every busy state of the
// window (runs included) ends when an error cuts it short.
class TestDspmainResponses : public QObject, DspmainFixture {
    Q_OBJECT

    QTemporaryDir dir;

    // Types a value the program's way and presses Enter.
    void setField(const char *name, const QString &value) {
        find<QLineEdit>(name)->setText(value);
        enter(name);
    }
    QString outputTo(const char *fileName) {
        const QString path = dir.filePath(QString::fromLatin1(fileName));
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        return path;
    }
    // The network whose band-pass stage has Q = 0 faults on its first sample.
    void selectFaultyNetwork() {
        kaldorium::StageSetting settings[kaldorium::FilterNetwork::StageCount];
        settings[kaldorium::FilterNetwork::InputStage] = {true, kaldorium::fkBandPass, 1000.0, 0.0,
                                                          1.0};
        network.ApplySettings(settings);
        click("NetworkFiltering");
    }
    // The idle window: captions, visibility and enabled state as after any normal end.
    void verifyIdle() {
        QVERIFY(!form->Busy());
        QCOMPARE(caption("oTest"), QStringLiteral("Test"));
        QCOMPARE(caption("fTest"), QStringLiteral("Test"));
        QCOMPARE(caption("StepResponse"), QStringLiteral("Step Response"));
        QCOMPARE(caption("ImpulseResponse"), QStringLiteral("Impulse Response"));
        QVERIFY(enabled("oTest") && enabled("fTest"));
        for (const char *name : {"oDFT", "fDFT", "oFFT", "fFFT", "ImpulseResponse", "StepResponse",
                                 "DigitalFiltersDesign"}) {
            QVERIFY2(visible(name), name);
        }
    }

private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

    void responseRunsOneSweepAndRestoresTheWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("modulate");
        QTest::addColumn<int>("samples");
        QTest::newRow("step") << "StepResponse" << false << 199;
        // AM modulation makes N = 14e6/f = 7000, taken into Ts_r before it is unchecked.
        QTest::newRow("impulse, modulated") << "ImpulseResponse" << true << 70000;
    }
    void responseRunsOneSweepAndRestoresTheWindow() {
        QFETCH(QString, button);
        QFETCH(bool, modulate);
        QFETCH(int, samples);
        const QByteArray name = button.toLatin1();
        const char *twin =
            button == QLatin1String("StepResponse") ? "ImpulseResponse" : "StepResponse";
        if (modulate) {
            click("Modulate");
        }
        const QString shownN = find<QLineEdit>("soSamples")->text();
        const QString path = outputTo("response.DSO");
        QElapsedTimer clock;
        clock.start();
        click(name.constData());
        // A sweep shorter than one chunk has ended before the click returns.
        if (form->IsResponding()) {
            QCOMPARE(caption(name.constData()), QStringLiteral("Stop"));
            QVERIFY(!visible(twin));
            QVERIFY(!find<QCheckBox>("Modulate")->isChecked());
            QVERIFY(!enabled("oTest") && !enabled("fTest"));
            QVERIFY(!visible("oDFT") && !visible("DigitalFiltersDesign"));
            QVERIFY(visible("TimeScaleLabel"));
        }
        while (form->IsResponding() && clock.elapsed() < 60000) {
            QCoreApplication::processEvents();
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
        qInfo("%s: %d samples drawn in %.3f s, %.2f M samples/s", name.constData(), samples,
              seconds, samples / seconds * 1e-6);
        verifyIdle();
        QCOMPARE(find<QCheckBox>("Modulate")->isChecked(), modulate);
        QCOMPARE(find<QLineEdit>("soSamples")->text(), shownN);

        const QList<QByteArray> rows = Lines(path);
        // Header, the rows and nothing after the last CR LF; the sweep has about N samples.
        QVERIFY2(std::abs(rows.size() - 13 - samples) <= 1,
                 qPrintable(QString::number(rows.size())));
        QCOMPARE(rows[8], QByteArray("Frequency = 2000.000000   Amplification = 2.000000  "
                                     "Qfactor = 10.000000  Type = Band Pass\r"));
        QVERIFY(rows[12].startsWith("          0.000000          1.000000"));
        const QByteArray second = rows[13].mid(18, 18);
        QCOMPARE(second,
                 modulate ? QByteArray("          0.000000") : QByteArray("          1.000000"));
        if (!modulate) {
            // The step's input: RMS 1, range 0.
            QCOMPARE(find<QLineEdit>("RMS_Field_Display1")->text(), QStringLiteral("1.00000"));
            QCOMPARE(find<QLineEdit>("Range_Field_Display1")->text(), QStringLiteral("0.00000"));
        }
    }

    void hiddenControlsKeepTheirPlace() {
        const char *names[] = {"WaveFiles", "MakeBodePlot", "AnalogueFiltersDesign",
                               "Rectify",   "Filter_Specs", "oTest"};
        QList<QRect> before;
        for (const char *name : names) {
            before << find(name)->geometry();
        }
        auto unchanged = [&](const char *state) {
            QCoreApplication::processEvents();
            for (int i = 0; i < int(std::size(names)); ++i) {
                QVERIFY2(find(names[i])->geometry() == before[i],
                         qPrintable(QStringLiteral("%1 moved %2").arg(names[i], state)));
            }
        };
        click("fTest");
        unchanged("during a filter test");
        click("fTest");
        click("Diffrentiate");
        unchanged("with the filter parameters hidden");
    }

    void stopClickEndsTheResponseMidSweep() {
        setField("sTimeScale", QStringLiteral("1000"));
        const QString path = outputTo("stopped.DSO");
        click("ImpulseResponse");
        QVERIFY(form->IsResponding());
        QCOMPARE(caption("ImpulseResponse"), QStringLiteral("Stop"));
        QVERIFY(!visible("StepResponse"));
        QVERIFY(!find<QCheckBox>("Modulate")->isChecked());
        QVERIFY(!enabled("oTest") && !enabled("fTest"));
        form->ResponseChunk();
        form->ResponseChunk();
        // Entering a waveform button during the response leaves its Stop where it is.
        click("SquareWave");
        QVERIFY(visible("ImpulseResponse"));
        click("ImpulseResponse");
        QVERIFY(form->ResponseSamples() == 0);
        verifyIdle();
        // The file is closed: every row so far has reached it.
        const QList<QByteArray> rows = Lines(path);
        QVERIFY(rows.size() >= 12 + 3 * 502);
        QVERIFY(rows.last().isEmpty());
    }

    void timeScaleShorterThanOneSampleEndsAtOnce() {
        setField("sTimeScale", QStringLiteral("0.01"));
        click("StepResponse");
        verifyIdle();
    }

    void inputSpectrumShowsHarmonicsAndWritesTheFrequencyRows() {
        const QString path = outputTo("spectrum.DSO");
        // Inside the computation (messages run after every sample) nothing else can start.
        bool busyInside = false;
        QStringList hiddenInside;
        QTimer::singleShot(0, form.get(), [&] {
            busyInside = form->Busy() && !enabled("oTest") && !enabled("fTest");
            for (const char *name : {"oDFT", "fDFT", "oFFT", "fFFT", "ImpulseResponse",
                                     "StepResponse", "DigitalFiltersDesign"}) {
                if (!visible(name)) {
                    hiddenInside << QString::fromLatin1(name);
                }
            }
            find<QPushButton>("fDFT")->click(); // refused while busy
            find<QPushButton>("StepResponse")->click();
        });
        click("oDFT");
        QVERIFY(busyInside);
        QCOMPARE(hiddenInside.size(), 7);
        verifyIdle();
        QVERIFY(!visible("TimeScaleLabel"));
        // L = 20: the axis runs to 10·f, the amplitude to the sine's 1.
        QCOMPARE(form->Scope().xMax, 20000.0);
        QVERIFY(std::abs(form->Scope().yMax - 1.0) < 1e-9);
        const QList<QByteArray> rows = Lines(path);
        QCOMPARE(rows.size(), 12 + 20 + 1);
        QCOMPARE(rows[0], QByteArray("Data From The KALDOR Program:\r"));
        QVERIFY(rows[10].contains("DFT"));
        QVERIFY(rows[12].startsWith("          0.000000       0.309017"));
        QCOMPARE(rows[13], QByteArray("       2000.000000       0.587785\t| 10.000000 "
                                      "+0.000000j|= 10.000000\r"));
    }

    void filterSpectrumOfTheLargestBlock() {
        setField("soSamples", QStringLiteral("2000"));
        QElapsedTimer clock;
        clock.start();
        click("fDFT");
        qInfo("fDFT at L = 1024: %lld ms from click to drawn", clock.elapsed());
        verifyIdle();
        // 102 400 samples at f·L/2 = 1.024 MHz on the axis; the band pass at f has gain 2.
        QCOMPARE(form->Scope().xMax, 2000.0 * 512);
        QVERIFY(std::abs(form->Scope().yMax - 2.0) < 1e-3);
    }

    void errorsEndEveryBusyStateInTheIdleWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("filter test") << "fTest";
        QTest::newRow("step response") << "StepResponse";
        QTest::newRow("filter spectrum") << "fFFT";
    }
    void errorsEndEveryBusyStateInTheIdleWindow() {
        QFETCH(QString, button);
        click("Modulate");
        selectFaultyNetwork();
        const QString path = outputTo("fault.DSO");
        click(button.toLatin1().constData());
        QTRY_VERIFY(!form->Busy());
        QCOMPARE(services.errors, QStringList{QStringLiteral("Floating point division by zero")});
        verifyIdle();
        QVERIFY(find<QCheckBox>("Modulate")->isChecked());
        // A file opened for the run is closed with its header complete.
        const QList<QByteArray> rows = Lines(path);
        QVERIFY(rows.isEmpty() || (rows.size() >= 13 && rows.last().isEmpty()));
    }
};

QTEST_MAIN(TestDspmainResponses)
#include "tst_DspmainResponses.moc"
