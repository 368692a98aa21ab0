#include "tests/gui/DspmainFixture.h"

#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QTest>

// The workbench's fields, steppers and selections, typed and clicked as a user does.
class TestDspmainFields : public QObject, DspmainFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

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
        const struct {
            const char *tag, *stepper, *field, *start;
            bool up;
            const char *result;
        } rows[] = {
            {"frequency up", "oFrequencyI", "soFrequency", "100", true, "200"},
            {"frequency down", "oFrequencyI", "soFrequency", "100", false, "90"},
            {"frequency from 1", "oFrequencyI", "soFrequency", "1", false, "0.9"},
            {"fc to the limit", "fFrequencyI", "sfFrequency", "19950", true, "20000"},
            {"amplitude", "oAmplitudeI", "soAmplitude", "1", false, "0.9"},
            {"Q", "QfactorI", "sQfactor", "0.1", false, "0.09"},
            {"amplification", "fAmplificationI", "sfAmplification", "2", true, "3"},
            {"time scale", "TimeScaleI", "sTimeScale", "5", true, "6"},
            {"time decade", "TimeScaleM", "sTimeScale", "5", false, "0.5"},
            {"samples", "oSamplesI", "soSamples", "20", true, "21"},
            {"samples floor", "oSamplesI", "soSamples", "10", false, "10"},
            {"DC", "oDC_OffsetI", "soDC_Offset", "0", false, "-1"},
            {"shift", "Signal1ShiftI", "sSignal1Shift", "0", true, "0.5000"},
            // Values typed but not yet validated that give no step size: the clamp decides.
            {"frequency 0", "oFrequencyI", "soFrequency", "0", true, "1"},
            {"frequency -5", "oFrequencyI", "soFrequency", "-5", false, "1"},
            {"Q 0", "QfactorI", "sQfactor", "0", false, "1"},
            // The amplitude fields refuse 0 as well: their steppers never store it.
            {"amplitude -2", "oAmplitudeI", "soAmplitude", "-2", true, "1"},
            {"amplitude 0", "oAmplitudeI", "soAmplitude", "0", true, "1"},
            {"amplification 0", "fAmplificationI", "sfAmplification", "0", false, "1"},
            {"scale -1", "Signal2ScaleI", "sSignal2Scale", "-1", true, "1"},
            {"scale decade 0", "Signal1ScaleM", "sSignal1Scale", "0", true, "1"},
            {"time scale 0", "TimeScaleI", "sTimeScale", "0", false, "1"},
        };
        for (const auto &r : rows) {
            QTest::newRow(r.tag) << r.stepper << r.field << r.start << r.up << r.result;
        }
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

    // The display keeps its view in the fields: the wheel zooms time into sTimeScale, Ctrl+wheel
    // the heights into the scales and shifts, and the fields then draw what the zoom showed.
    // Typing into them goes on working.
    void wheelOnTheDisplayZoomsItsFields() {
        click("fTest");
        stepChunks(20);
        click("fTest");
        auto *display = find<PlotImage>("Image2");
        const QPoint middle = display->rect().center();
        wheel(display, middle, 2); // 1.25² as much time in
        QCOMPARE(form->Settings().timeScale, text("sTimeScale").toDouble());
        QVERIFY(std::abs(form->Settings().timeScale - 5.0 / 1.5625) < 1e-3);
        wheel(display, QPoint(middle.x(), display->height() / 4), 1, Qt::ControlModifier);
        const double scale = text("sSignal1Scale").toDouble();
        QVERIFY(std::abs(scale - 5.0 / 1.25) < 1e-3);
        QCOMPARE(text("sSignal2Scale").toDouble(), scale); // coupled
        QCOMPARE(form->Settings().signal1Scale, scale);
        QVERIFY(form->Settings().signal1Shift < 0.0); // the upper part is shown: shifted down
        QCOMPARE(form->Settings().signal2Shift, form->Settings().signal1Shift);
        QVERIFY(services.errors.isEmpty());
        setField("sTimeScale", QStringLiteral("2"));
        QCOMPARE(form->Settings().timeScale, 2.0);
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
};

QTEST_MAIN(TestDspmainFields)
#include "tst_DspmainFields.moc"
