#include "FakeSoundPlayer.h"
#include "FakeUiServices.h"
#include "GuiTestSupport.h"

#include "audio/Wavmain.h"
#include "common/Random.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/DigitalFilterDesign.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
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

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <complex>
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

    // Types a text into a field (replacing what it held) without leaving it.
    void type(const char *name, const QString &value) {
        auto *field = find<QLineEdit>(name);
        field->selectAll();
        field->del();
        QTest::keyClicks(field, value);
    }
    // Leaves a field as the focus moving away does.
    void leave(const char *name) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(find<QLineEdit>(name), &out);
    }
    void enter(const char *name) { QTest::keyClick(find<QLineEdit>(name), Qt::Key_Return); }
    void step(const char *name, bool up) {
        auto *stepper = find<Stepper>(name);
        QTest::mouseClick(up ? stepper->UpButton() : stepper->DownButton(), Qt::LeftButton);
    }
    bool visible(const char *name) { return find<QWidget>(name)->isVisible(); }
    // The workbench with the program's designer linked to it, as the program starts.
    void useDesign(kaldorium::DigitalFilterDesign &design) {
        form = std::make_unique<TDSPMainForm>(services, noise, network, &design);
        design.SetWorkbench(form.get());
        design.FormActivate();
        form->show();
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

    void fieldsTakeValuesOnLeavingAndOnEnter() {
        type("soAmplitude", QStringLiteral("2.5"));
        QCOMPARE(form->Settings().amplitude, 1.0); // not yet: the field has not been left
        leave("soAmplitude");
        QCOMPARE(form->Settings().amplitude, 2.5);
        type("soFrequency", QStringLiteral("1000"));
        enter("soFrequency");
        QCOMPARE(form->Settings().frequency, 1000.0);
        // The frequency chain: Ts = 1/(f·N) = 1/(1000·20).
        QCOMPARE(text("oT"), QStringLiteral("5E-5"));
        // Refused values silently bring back the stored one.
        type("sQfactor", QStringLiteral("-3"));
        leave("sQfactor");
        QCOMPARE(text("sQfactor"), QStringLiteral("10"));
        type("soAmplitude", QString());
        leave("soAmplitude");
        QCOMPARE(text("soAmplitude"), QStringLiteral("1"));
        QCOMPARE(form->Settings().amplitude, 1.0);
        QVERIFY(services.errors.isEmpty());
    }

    void samplesAndDutyCycleRules() {
        type("soSamples", QStringLiteral("12.7"));
        leave("soSamples");
        QCOMPARE(text("soSamples"), QStringLiteral("12"));
        type("soSamples", QString());
        enter("soSamples");
        QCOMPARE(text("soSamples"), QStringLiteral("10"));
        QCOMPARE(form->Settings().samplingPeriod, 1.0 / (10 * 2000.0));
        type("soSamples", QStringLiteral("20"));
        enter("soSamples");
        click("SquareWave");
        QVERIFY(visible("soDutyCycle"));
        type("soDutyCycle", QStringLiteral("1"));
        leave("soDutyCycle");
        QCOMPARE(text("soDutyCycle"), QStringLiteral("5"));
        type("soDutyCycle", QStringLiteral("99"));
        leave("soDutyCycle");
        QCOMPARE(text("soDutyCycle"), QStringLiteral("95"));
        // A filter frequency above half the sampling rate is cut to it: 0.5/0.000025 = 20000.
        type("sfFrequency", QStringLiteral("30000"));
        leave("sfFrequency");
        QCOMPARE(text("sfFrequency"), QStringLiteral("20000"));
    }

    void steppersStepByTheValueSize_data() {
        QTest::addColumn<QString>("stepper");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("result");
        QTest::newRow("frequency up") << "oFrequencyI"
                                      << "soFrequency"
                                      << "100" << true << "200";
        QTest::newRow("frequency down") << "oFrequencyI"
                                        << "soFrequency"
                                        << "100" << false << "90";
        QTest::newRow("frequency from 1") << "oFrequencyI"
                                          << "soFrequency"
                                          << "1" << false << "0.9";
        QTest::newRow("fc to the limit") << "fFrequencyI"
                                         << "sfFrequency"
                                         << "19950" << true << "20000";
        QTest::newRow("amplitude") << "oAmplitudeI"
                                   << "soAmplitude"
                                   << "1" << false << "0.9";
        QTest::newRow("Q") << "QfactorI"
                           << "sQfactor"
                           << "0.1" << false << "0.09";
        QTest::newRow("amplification") << "fAmplificationI"
                                       << "sfAmplification"
                                       << "2" << true << "3";
        QTest::newRow("time scale") << "TimeScaleI"
                                    << "sTimeScale"
                                    << "5" << true << "6";
        QTest::newRow("time decade") << "TimeScaleM"
                                     << "sTimeScale"
                                     << "5" << false << "0.5";
        QTest::newRow("samples") << "oSamplesI"
                                 << "soSamples"
                                 << "20" << true << "21";
        QTest::newRow("samples floor") << "oSamplesI"
                                       << "soSamples"
                                       << "10" << false << "10";
        QTest::newRow("DC") << "oDC_OffsetI"
                            << "soDC_Offset"
                            << "0" << false << "-1";
        QTest::newRow("shift") << "Signal1ShiftI"
                               << "sSignal1Shift"
                               << "0" << true << "0.5000";
        // Values typed but not yet validated that give no step size: the clamp decides.
        QTest::newRow("frequency 0") << "oFrequencyI"
                                     << "soFrequency"
                                     << "0" << true << "1";
        QTest::newRow("frequency -5") << "oFrequencyI"
                                      << "soFrequency"
                                      << "-5" << false << "1";
        QTest::newRow("Q 0") << "QfactorI"
                             << "sQfactor"
                             << "0" << false << "1";
        QTest::newRow("amplitude -2") << "oAmplitudeI"
                                      << "soAmplitude"
                                      << "-2" << true << "0";
        QTest::newRow("amplification 0") << "fAmplificationI"
                                         << "sfAmplification"
                                         << "0" << false << "0";
        QTest::newRow("scale -1") << "Signal2ScaleI"
                                  << "sSignal2Scale"
                                  << "-1" << true << "1";
        QTest::newRow("scale decade 0") << "Signal1ScaleM"
                                        << "sSignal1Scale"
                                        << "0" << true << "1";
        QTest::newRow("time scale 0") << "TimeScaleI"
                                      << "sTimeScale"
                                      << "0" << false << "1";
    }

    void steppersStepByTheValueSize() {
        QFETCH(QString, stepper);
        QFETCH(QString, field);
        QFETCH(QString, start);
        QFETCH(bool, up);
        QFETCH(QString, result);
        const QByteArray fieldName = field.toLatin1();
        find<QLineEdit>(fieldName.constData())->setText(start);
        step(stepper.toLatin1().constData(), up);
        QCOMPARE(text(fieldName.constData()), result);
        QVERIFY(services.errors.isEmpty());
    }

    void steppersNeverStickAtALimit() {
        for (int i = 0; i < 60; ++i) {
            step("oDC_OffsetI", true);
        }
        QCOMPARE(text("soDC_Offset"), QStringLiteral("60"));
        QCOMPARE(find<Stepper>("oDC_OffsetI")->Position(), 50);
        // The modulation factor has a real position from 1 to 100.
        click("Modulate");
        step("ModulationFactorI", true);
        QCOMPARE(text("sModulationFactor"), QStringLiteral("100"));
        for (int i = 0; i < 120; ++i) {
            step("ModulationFactorI", false);
        }
        QCOMPARE(text("sModulationFactor"), QStringLiteral("1"));
        QCOMPARE(form->Settings().modulationFactor, 1);
    }

    void coupledScalesFollowEachOther() {
        step("Signal1ScaleM", true);
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("50"));
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("50"));
        click("CoupleScale"); // off
        type("sSignal2Scale", QStringLiteral("2"));
        leave("sSignal2Scale");
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("50"));
        type("sSignal1Scale", QStringLiteral("5"));
        leave("sSignal1Scale");
        click("CoupleScale"); // on: both take the larger
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("5"));
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("5"));
        QCOMPARE(form->Settings().signal2Scale, 5.0);
    }

    void keyFilterLetsThroughOnlyNumberCharacters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("digits") << "1234567890"
                                << "1234567890";
        QTest::newRow("signs and point") << "-1.5%'"
                                         << "-1.5%'";
        QTest::newRow("letters") << "2e3abc"
                                 << "23";
        QTest::newRow("blanks and comma") << "1 ,5+"
                                          << "15";
    }

    void keyFilterLetsThroughOnlyNumberCharacters() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        type("soFrequency", typed);
        QCOMPARE(text("soFrequency"), kept);
        // The scale fields have no key filter.
        type("sSignal1Scale", QStringLiteral("2e3"));
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("2e3"));
    }

    void waveformSelectionsShowAndHideTheirControls() {
        click("SquareWave");
        QCOMPARE(text("soSamples"), QStringLiteral("20")); // the first selection keeps N
        QVERIFY(visible("soDutyCycle") && visible("oDutyCycleI") && visible("DutyCycleLabel"));
        QCOMPARE(form->Settings().waveform, 2);
        click("Triangle");
        QVERIFY(!visible("soDutyCycle"));
        QCOMPARE(form->Settings().waveformName, std::string("Triangle Wave"));
        // Data from a file: the input file controls show, N is taken from the file.
        services.openAnswers.enqueue(QStringLiteral(KALDORIUM_TEST_DATA "/dsi/three.DSI"));
        click("FileData");
        QCOMPARE(services.shown.last().title, QStringLiteral("DSP Sampled Signal Input File "));
        QVERIFY(services.shown.last().text.endsWith(QStringLiteral("DSIs/")));
        QVERIFY(visible("InputFileName") && visible("GetInputFile") && visible("EditInputFile"));
        QVERIFY(!find<QWidget>("soSamples")->isEnabled());
        QVERIFY(!find<QWidget>("oSamplesI")->isEnabled());
        QVERIFY(!visible("Modulate"));
        QCOMPARE(form->Settings().waveform, 7);
        QVERIFY(QString::fromStdString(form->Settings().waveformName)
                    .startsWith(QStringLiteral("From Data File:")));
        click("SineWave");
        QVERIFY(!visible("InputFileName"));
        QVERIFY(find<QWidget>("soSamples")->isEnabled());
        QVERIFY(visible("Modulate"));
        QCOMPARE(text("soSamples"), QStringLiteral("20"));
    }

    void optionBoxesShowTheirGroups() {
        click("Modulate");
        QVERIFY(visible("Modulate_Group") && visible("sModulationFactor"));
        QCOMPARE(text("soSamples"), QStringLiteral("7000"));
        QCOMPARE(form->Settings().samplingPeriod, 1.0 / 14000000.0);
        QVERIFY(!find<QWidget>("soSamples")->isEnabled());
        QVERIFY(!visible("FileData"));
        click("Modulate");
        QCOMPARE(text("soSamples"), QStringLiteral("20"));
        QVERIFY(!visible("Modulate_Group") && !visible("sModulationFactor"));
        QVERIFY(visible("FileData"));
        click("AddNoise");
        QVERIFY(visible("sSN_Ratio") && visible("NoiseGroup") && visible("sSN_Label"));
        QVERIFY(form->Settings().addNoise);
        click("AddNoise");
        QVERIFY(!visible("sSN_Ratio"));
        click("Rectify");
        QVERIFY(visible("RectifyGroup"));
        click("FullRectify");
        QVERIFY(!form->Settings().halfRectify);
        click("Rectify");
        QVERIFY(!visible("RectifyGroup"));
        QVERIFY(!form->Settings().rectify);
    }

    void filterSelectionsShowAndHideTheParameters() {
        const char *parameters[] = {"sfFrequency", "sQfactor", "sfAmplification",
                                    "fFrequencyI", "QfactorI", "fAmplificationI",
                                    "Label1",      "Label2",   "Label3"};
        click("Integrate");
        for (const char *name : parameters) {
            QVERIFY2(!visible(name), name);
        }
        QVERIFY(visible("MakeBodePlot"));
        QCOMPARE(form->Settings().filterKind, 7);
        click("NetworkFiltering");
        QVERIFY(visible("DesignNetwork"));
        QCOMPARE(form->Settings().filterName, std::string("Filter Network"));
        click("HighPass2");
        for (const char *name : parameters) {
            QVERIFY2(visible(name), name);
        }
        QVERIFY(!visible("DesignNetwork"));
        QCOMPARE(form->Settings().filterKind, 4);
        QCOMPARE(form->Settings().filterName, std::string("High Pass 4th Order"));
        click("DesignedFilter");
        QCOMPARE(form->Settings().filterKind, 9);
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

    void toolButtonsOpenTheirWindowsModally() {
        kaldorium::DigitalFilterDesign design;
        TGraphForm graph(services, design, network);
        TDigitalFiltersForm digital(services, design);
        TAnalogueFiltersForm analogue(services, graph);
        TFilterNetworkForm networkForm(services, network);
        FakeSoundPlayer player;
        TFileEditForm editor(services);
        TWAVMainForm wav(services, player, noise, network, design, editor, &networkForm);
        form->SetToolWindows({&graph, &analogue, &digital, nullptr, &networkForm, &wav});
        const struct {
            const char *button;
            QDialog *window;
        } cases[] = {{"MakeBodePlot", &graph},
                     {"DigitalFiltersDesign", &digital},
                     {"AnalogueFiltersDesign", &analogue}};
        for (const auto &c : cases) {
            bool wasModal = false;
            QTimer::singleShot(0, [&] {
                wasModal = QApplication::activeModalWidget() == c.window;
                c.window->close();
            });
            click(c.button);
            QVERIFY2(wasModal, c.button);
        }
        // The Bode window gets the filter's inputs; for the differentiator ω0 is the
        // oscillator's angular frequency, not fc's.
        type("sfFrequency", QStringLiteral("1000"));
        leave("sfFrequency");
        click("LowPass2");
        QTimer::singleShot(0, [&] { graph.close(); });
        click("MakeBodePlot");
        QCOMPARE(graph.omega0, 6.283185307179586 * 1000);
        QCOMPARE(graph.damping, 0.05);
        QCOMPARE(graph.amplification, 2.0);
        QCOMPARE(graph.ts, 0.000025);
        QCOMPARE(graph.type, 5);
        QCOMPARE(graph.titleName, QStringLiteral("Digital Low Pass Filter (4th Order)"));
        click("Diffrentiate");
        QTimer::singleShot(0, [&] { graph.close(); });
        click("MakeBodePlot");
        QCOMPARE(graph.omega0, 6.283185307179586 * 2000);
        QCOMPARE(graph.titleName, QStringLiteral("Differentiator"));

        click("WaveFiles");
        QVERIFY(!form->isVisible());
        QVERIFY(wav.isVisible());
        wav.close();
        QVERIFY(form->isVisible());
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

    void editButtonsHandNamesToTheEditorAndBack() {
        TFileEditForm editor(services);
        form->SetToolWindows({nullptr, nullptr, nullptr, &editor, nullptr, nullptr});
        // Closes the editor whenever it is shown modally.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() == &editor) {
                editor.close();
            }
        });
        closer.start(10);

        // No name: the editor gets "*.DSI", whose open dialog is cancelled; the field stays empty.
        click("FileData"); // opens the input dialog at once (cancelled: no answer queued)
        click("EditInputFile");
        QVERIFY(text("InputFileName").isEmpty());
        QCOMPARE(services.Kinds().count(QStringLiteral("open")), 2);

        // "*.DSO": the file chosen in the editor's open dialog comes back into the name field.
        const QString chosen = QStringLiteral(KALDORIUM_TEST_DATA "/dsi/three.DSI");
        services.openAnswers.enqueue(chosen);
        click("EditOutputFile");
        QCOMPARE(text("OutputFileName"), chosen);
        // A name given goes to the editor and comes back unchanged.
        click("EditOutputFile");
        QCOMPARE(text("OutputFileName"), chosen);
        QCOMPARE(editor.FileName(), chosen);
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
        useDesign(design);
        double gain = 0.0;
        const double ts = 0.000025, omega = 6.283185307179586 * 2000;
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
        useDesign(design);
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

QTEST_MAIN(TestDspmain)
#include "tst_Dspmain.moc"
