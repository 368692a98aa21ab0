#include "tests/gui/DspmainFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <complex>
#include <numbers>

// The workbench's input and filter test runs: start and stop, read-outs, drawing and the output
// file.
class TestDspmainRuns : public QObject, DspmainFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

    void inputTestStartsAndStops() {
        click("oTest");
        QCOMPARE(find<QPushButton>("oTest")->text(), QStringLiteral("Stop"));
        QVERIFY(!find<QPushButton>("fTest")->isEnabled());
        for (const char *name : {"oDFT", "fDFT", "oFFT", "fFFT", "ImpulseResponse", "StepResponse",
                                 "DigitalFiltersDesign"}) {
            QVERIFY2(!find<QWidget>(name)->isVisible(), name);
        }
        // No WAV loop or network design can start inside the run.
        QVERIFY(!find<QWidget>("WaveFiles")->isEnabled());
        QVERIFY(!find<QWidget>("DesignNetwork")->isEnabled());
        QTRY_VERIFY(form->RunSamples() > 1000);
        QVERIFY(form->IsRunning());
        // The red statistics stay at zero during the input test.
        QCOMPARE(text("RMS_Field_Display2"), QStringLiteral("0.00000"));
        QCOMPARE(text("Range_Field_Display2"), QStringLiteral("0.00000"));
        click("oTest");
        QVERIFY(!form->IsRunning());
        QCOMPARE(find<QPushButton>("oTest")->text(), QStringLiteral("Test"));
        QVERIFY(find<QPushButton>("fTest")->isEnabled());
        for (const char *name : {"oDFT", "fDFT", "oFFT", "fFFT", "ImpulseResponse", "StepResponse",
                                 "DigitalFiltersDesign"}) {
            QVERIFY2(find<QWidget>(name)->isVisible(), name);
        }
        QVERIFY(find<QWidget>("WaveFiles")->isEnabled());
        QVERIFY(find<QWidget>("DesignNetwork")->isEnabled());
        // The statistics keep showing the values of the samples produced.
        QVERIFY(text("RMS_Field_Display1") != QStringLiteral("0"));
    }

    void unitSineSettlesAtItsRms() {
        click("oTest");
        // 2510 samples: the RMS window restarted after 2000 and holds 510, a whole number of half
        // periods of N = 20.
        stepChunks(5);
        QCOMPARE(text("RMS_Field_Display1"), QStringLiteral("0.70711"));
        QCOMPARE(text("Range_Field_Display1"), QStringLiteral("2.00000"));
        QCOMPARE(form->Statistics().n, 511);
        click("oTest");
    }

    void filterTestShowsBandPassGainAtItsCentre() {
        click("fTest");
        QCOMPARE(find<QPushButton>("fTest")->text(), QStringLiteral("Stop"));
        QVERIFY(!find<QPushButton>("oTest")->isEnabled());
        // 2510 samples: the RMS window (510 samples) and the range window (104 samples) both lie
        // well past the transient (time constant 2Q/ω0 ≈ 64 samples), on the steady output of
        // amplitude 2 in phase with the input.
        stepChunks(5);
        QCOMPARE(text("RMS_Field_Display2"), QStringLiteral("1.41420"));
        QCOMPARE(text("Range_Field_Display2"), QStringLiteral("4.00000"));
        click("fTest");
        QVERIFY(find<QPushButton>("oTest")->isEnabled());
        QCOMPARE(find<QPushButton>("fTest")->text(), QStringLiteral("Test"));
    }

    void runDrawsBothTracesOnTheGrid() {
        click("fTest");
        stepChunks(4);
        click("fTest");
        const QImage image = form->DisplayCanvas().Image();
        int black = 0, red = 0, green = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                black += p == qRgb(0, 0, 0);
                red += p == qRgb(255, 0, 0);
                green += p == qRgb(0, 128, 0);
            }
        }
        // 2008 samples: the sweep has just started its fifth page.
        QVERIFY(black > 20);
        QVERIFY(red > 20);
        QVERIFY(green > 1000);
    }

    void closingTheWindowEndsTheRun() {
        click("fTest");
        QTRY_VERIFY(form->RunSamples() > 0);
        form->close();
        QVERIFY(!form->IsRunning());
        QTest::qWait(20); // a pending tick after closing does nothing
        QVERIFY(!form->IsRunning());
    }

    void selectionDuringARunActsAtTheNextChunk() {
        click("fTest");
        stepChunks(5);
        QCOMPARE(text("RMS_Field_Display2"), QStringLiteral("1.41420"));
        click("BandReject"); // the notch at f0 removes the input
        QCOMPARE(text("RMS_Field_Display2"), QStringLiteral("0"));
        QCOMPARE(form->Statistics().n, 1);
        stepChunks(5);
        QVERIFY(text("RMS_Field_Display2").toDouble() < 0.05);
        click("fTest");
    }

    void outputFileControlsAndDialog() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.DSO"));
        services.saveAnswers.enqueue(path);
        click("OutputToFile");
        QCOMPARE(services.Kinds(), QStringList{QStringLiteral("save")});
        QVERIFY(services.shown.last().text.endsWith(QStringLiteral("DSOs/")));
        QVERIFY(services.shown.last().filter.contains(QStringLiteral("*.DSO")));
        QCOMPARE(text("OutputFileName"), path);
        for (const char *name :
             {"OutputFileLabel", "OutputFileName", "GetOutputFile", "EditOutputFile"}) {
            QVERIFY2(visible(name), name);
        }
        click("OutputToFile");
        QVERIFY(!visible("OutputFileName"));
        click("OutputToFile"); // a name is given now: no dialog
        QCOMPARE(services.Kinds().size(), 1);
    }

    void runsWriteTheTimeDomainFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("input.DSO"));
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        click("oTest");
        stepChunks(2);
        click("oTest");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 12 + 1004 + 1); // header, rows, nothing after the last CR LF
        QCOMPARE(lines[0], QByteArray("Data From the KALDOR Program:\r"));
        QCOMPARE(lines[4],
                 QByteArray("Frequency = 2000.000000   Samples/Cycle = 20  Ts = 0.000025   "
                            "Amplitude = 1.000000   Type = Sine Wave\r"));
        QCOMPARE(lines[8], QByteArray("No Filtering\r"));
        QCOMPARE(lines[12], QByteArray("          0.000000          0.309017\r"));

        // The filter test writes the output column too; unchecking the box suspends the rows.
        const QString second = dir.filePath(QStringLiteral("filter.DSO"));
        find<QLineEdit>("OutputFileName")->setText(second);
        click("fTest");
        stepChunks(1);
        click("OutputToFile");
        stepChunks(2);
        click("OutputToFile");
        stepChunks(1);
        click("fTest");
        QFile filtered(second);
        QVERIFY(filtered.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = filtered.readAll().split('\n');
        QCOMPARE(rows.size(), 12 + 2 * 502 + 1);
        QCOMPARE(rows[8],
                 QByteArray("Frequency = 2000.000000   Amplification = 2.000000  Qfactor = "
                            "10.000000  Type = Band Pass\r"));
        QCOMPARE(rows[12].size(), 3 * 18 + 1);
    }

    void outputFileThatCannotBeCreatedIsReportedOnce() {
        const QString path = QStringLiteral("/nonexistent-folder/run.DSO");
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        click("fTest");
        stepChunks(3);
        QVERIFY(form->IsRunning()); // the run goes on without writing
        click("fTest");
        QCOMPARE(services.Kinds(), QStringList{QStringLiteral("message")});
        QCOMPARE(services.shown[0].title, QStringLiteral("DSP Error"));
        QCOMPARE(services.shown[0].text,
                 QStringLiteral("Could not create the output file ") + path);
        QCOMPARE(services.shown[0].icon, QMessageBox::Critical);
    }

    // A filter test through the designed filter and through the network: the output RMS is the
    // input's 0.70711 times the filter's gain at the oscillator frequency.
    void filterTestsThroughDesignAndNetworkFollowTheirGain_data() {
        QTest::addColumn<QString>("filter");
        QTest::newRow("designed") << "DesignedFilter";
        QTest::newRow("network") << "NetworkFiltering";
    }

    void filterTestsThroughDesignAndNetworkFollowTheirGain() {
        QFETCH(QString, filter);
        kaldorium::DigitalFilterDesign design;
        open(&design);
        double gain = 0.0;
        const double ts = 0.000025, omega = 2 * std::numbers::pi * 2000;
        if (filter == QLatin1String("DesignedFilter")) {
            // Fourth-order low pass at 1200 Hz; its gain at 2000 Hz from the set itself.
            design.sfFrequencyExit("1200");
            design.sQfactorExit("0.8");
            design.SelectFilterType(3);
            design.SelectFilterOrder(1);
            std::complex<double> n = 0, d = 0;
            for (int m = 0; m < 7; ++m) {
                n += design.a[m] * std::polar(1.0, -m * omega * ts);
                d += design.b[m] * std::polar(1.0, -m * omega * ts);
            }
            gain = std::abs(n / d);
        } else {
            // A high pass at 1000 Hz in branch 1 plus a gain of 0.5 in branch 3.
            kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
            stages[1] = {true, kaldorium::fkHighPass, 1000, 0.7071, 1.0};
            stages[8] = {true, kaldorium::fkAllPass, 1, 1, 0.5};
            network.ApplySettings(stages);
            kaldorium::Filter highPass;
            highPass.Configure(kaldorium::fkHighPass, 1000, 0.7071, 1.0, ts);
            double re = 0, im = 0;
            highPass.FrequencyResponse(ts, omega, re, im);
            gain = std::abs(std::complex<double>(re + 0.5, im));
        }
        click(filter.toLatin1().constData());
        click("fTest");
        // 2510 samples: the RMS window holds 510, a whole number of half periods, past the
        // transient.
        stepChunks(5);
        const double rms = text("RMS_Field_Display2").toDouble();
        click("fTest");
        network = kaldorium::FilterNetwork();
        QVERIFY2(std::fabs(rms - 0.70711 * gain) < 2e-4,
                 qPrintable(QString::number(rms) + " " + QString::number(gain)));
    }

    void designedSetWithZeroB0EndsTheRunIdle() {
        kaldorium::DigitalFilterDesign design;
        open(&design);
        design.a0KeyUp();
        design.a0Exit({"1", "0", "0", "0", "0", "0", "0"}, {"0", "1", "0", "0", "0", "0", "0"});
        click("DesignedFilter");
        click("fTest");
        QCOMPARE(services.errors, QStringList{"Floating point division by zero"});
        QVERIFY(!form->IsRunning());
        QCOMPARE(find<QPushButton>("fTest")->text(), QStringLiteral("Test"));
        QVERIFY(find<QPushButton>("oTest")->isEnabled());
        QVERIFY(visible("DigitalFiltersDesign"));
    }
};

QTEST_MAIN(TestDspmainRuns)
#include "tst_DspmainRuns.moc"
