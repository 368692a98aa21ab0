#include "FakeUiServices.h"
#include "GuiTestSupport.h"

#include "common/Random.h"
#include "tools/FilterNetwork.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"
#include "workbench/Dspmain.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The workbench window driven as a user drives it: clicks, typing, leaving fields.
class TestDspmain : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    std::unique_ptr<TDSPMainForm> form;

    template <typename T> T *find(const char *name) {
        T *c = form->findChild<T *>(QString::fromLatin1(name));
        if (c == nullptr) {
            qWarning("missing control %s", name);
        }
        return c;
    }
    QString text(const char *name) { return find<QLineEdit>(name)->text(); }
    void click(const char *name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    // Runs exactly `chunks` chunks of the current run, without the timer.
    void stepChunks(int chunks) {
        find<QTimer>("runTimer")->stop();
        for (int i = 0; i < chunks; ++i) {
            form->RunChunk();
        }
    }

private slots:
    void init() {
        services = FakeUiServices();
        form = std::make_unique<TDSPMainForm>(services, noise, network);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void windowHasTitleSizeAndEveryControl() {
        QCOMPARE(form->windowTitle(), QStringLiteral("Kaldorium (KALDOR)"));
        QCOMPARE(form->size(), QSize(867, 700));
        const char *names[] = {"Panel1",
                               "Panel2",
                               "Panel3",
                               "Panel4",
                               "OscillatorSpecs",
                               "Filter_Specs",
                               "soFrequency",
                               "oFrequencyI",
                               "soAmplitude",
                               "oAmplitudeI",
                               "soSamples",
                               "oSamplesI",
                               "oT",
                               "soDC_Offset",
                               "oDC_OffsetI",
                               "DutyCycleLabel",
                               "soDutyCycle",
                               "oDutyCycleI",
                               "InputFileLabel",
                               "InputFileName",
                               "GetInputFile",
                               "EditInputFile",
                               "oTest",
                               "oDFT",
                               "oFFT",
                               "WaveFiles",
                               "AddNoise",
                               "sSN_Label",
                               "sSN_Ratio",
                               "NoiseGroup",
                               "NormalNoise",
                               "GaussianNoise",
                               "Range_Field_Display1",
                               "RMS_Field_Display1",
                               "SineWave",
                               "SquareWave",
                               "SawTooth",
                               "FSawTooth",
                               "Triangle",
                               "FTriangle",
                               "FileData",
                               "Modulate",
                               "Modulate_Group",
                               "AM_Modulate",
                               "FM_Modulate",
                               "ModulationFactorLabel",
                               "sModulationFactor",
                               "ModulationFactorI",
                               "Label1",
                               "Label2",
                               "Label3",
                               "sfFrequency",
                               "fFrequencyI",
                               "sQfactor",
                               "QfactorI",
                               "sfAmplification",
                               "fAmplificationI",
                               "MakeBodePlot",
                               "StepResponse",
                               "ImpulseResponse",
                               "DigitalFiltersDesign",
                               "AnalogueFiltersDesign",
                               "Rectify",
                               "RectifyGroup",
                               "HalfRectify",
                               "FullRectify",
                               "OutputToFile",
                               "OutputFileLabel",
                               "OutputFileName",
                               "GetOutputFile",
                               "EditOutputFile",
                               "fTest",
                               "fDFT",
                               "fFFT",
                               "BandPass",
                               "BandReject",
                               "HighPass",
                               "HighPass2",
                               "LowPass",
                               "LowPass2",
                               "DesignedFilter",
                               "NetworkFiltering",
                               "DesignNetwork",
                               "Diffrentiate",
                               "Integrate",
                               "Range_Field_Display2",
                               "RMS_Field_Display2",
                               "sSignal1Scale",
                               "Signal1ScaleM",
                               "Signal1ScaleI",
                               "sSignal1Shift",
                               "Signal1ShiftI",
                               "CoupleScale",
                               "sSignal2Scale",
                               "Signal2ScaleM",
                               "Signal2ScaleI",
                               "sSignal2Shift",
                               "Signal2ShiftI",
                               "sTimeScale",
                               "TimeScaleM",
                               "TimeScaleI",
                               "TimeScaleLabel",
                               "ClickX",
                               "ClickY",
                               "Image2"};
        for (const char *name : names) {
            QVERIFY2(form->findChild<QObject *>(QString::fromLatin1(name)) != nullptr, name);
        }
        QCOMPARE(find<QGroupBox>("OscillatorSpecs")->title(),
                 QStringLiteral("Oscillator Specifications"));
        QCOMPARE(find<QLabel>("TimeScaleLabel")->text(), QStringLiteral("Time (milliseconds)"));
        QVERIFY(find<QLabel>("TimeScaleLabel")->font().bold());
        QVERIFY(find<QRadioButton>("SineWave")->isChecked());
        QVERIFY(find<QRadioButton>("BandPass")->isChecked());
        QVERIFY(find<QCheckBox>("CoupleScale")->isChecked());
        QVERIFY(!find<QRadioButton>("FM_Modulate")->isEnabled());
    }

    void hiddenAtStartAndFieldDefaults() {
        for (const char *name :
             {"DutyCycleLabel", "soDutyCycle", "oDutyCycleI", "InputFileLabel", "InputFileName",
              "GetInputFile", "EditInputFile", "sSN_Ratio", "NoiseGroup", "Modulate_Group",
              "sModulationFactor", "ModulationFactorI", "RectifyGroup", "OutputFileName",
              "GetOutputFile", "EditOutputFile", "DesignNetwork"}) {
            QVERIFY2(!find<QWidget>(name)->isVisible(), name);
        }
        QCOMPARE(text("soFrequency"), QStringLiteral("2000"));
        QCOMPARE(text("soSamples"), QStringLiteral("20"));
        QCOMPARE(text("oT"), QStringLiteral("0.000025"));
        QCOMPARE(text("RMS_Field_Display1"), QStringLiteral("0"));
        const auto &s = form->Settings();
        QCOMPARE(s.frequency, 2000.0);
        QCOMPARE(s.samplesPerCycle, 20);
        QCOMPARE(s.samplingPeriod, 0.000025);
        QCOMPARE(s.qFactor, 10.0);
        QCOMPARE(s.amplification, 2.0);
        QCOMPARE(s.waveformName, std::string("Sine Wave"));
        QCOMPARE(s.filterName, std::string("Band Pass"));
    }

    void inputTestStartsAndStops() {
        click("oTest");
        QCOMPARE(find<QPushButton>("oTest")->text(), QStringLiteral("Stop"));
        QVERIFY(!find<QPushButton>("fTest")->isEnabled());
        for (const char *name : {"oDFT", "fDFT", "oFFT", "fFFT", "ImpulseResponse", "StepResponse",
                                 "DigitalFiltersDesign"}) {
            QVERIFY2(!find<QWidget>(name)->isVisible(), name);
        }
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

    void mouseOverDisplayShowsValueCoordinates() {
        auto *image = find<PlotImage>("Image2");
        QTest::mouseMove(image, QPoint(30, 0));
        QTRY_COMPARE(text("ClickX"), QStringLiteral("0"));
        QCOMPARE(text("ClickY"), QStringLiteral("1"));
        QTest::mouseMove(image, QPoint(image->width() - 1, image->height() - 30));
        const double plotWidth = image->width() - 30;
        QTRY_COMPARE(text("ClickX").toDouble(), (plotWidth - 1) * 5.0 / plotWidth);
        QCOMPARE(text("ClickY"), QStringLiteral("-1"));
    }

    void textThatIsNoNumberShowsInTheErrorDisplay() {
        auto *field = find<NumberEdit>("sfFrequency");
        field->setText(QStringLiteral("12..5"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(services.errors,
                 QStringList{QStringLiteral("'12..5' is not a valid floating point value")});
        QCOMPARE(form->Settings().filterFrequency, 2000.0);
        // The program goes on: a good value is taken afterwards.
        field->setText(QStringLiteral("1500"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(form->Settings().filterFrequency, 1500.0);
    }
};

QTEST_MAIN(TestDspmain)
#include "tst_Dspmain.moc"
