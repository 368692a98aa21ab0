#include "tests/gui/WavWorkbenchFixture.h"

#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// The WAV workbench's fields, steppers and options, typed and clicked as a user does.
class TestWavmainFields : public QObject, WavWorkbenchFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void fieldsAndSteppers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");   // typed and left, when not empty
        QTest::addColumn<QString>("stepper"); // then clicked, when not empty
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("expected");
        const struct {
            const char *tag, *field, *typed, *stepper;
            bool up;
            const char *expected;
        } rows[] = {
            {"fo above fs/2 is cut", "sfFrequency", "30000", "", true, "4000"},
            {"fo 0 refused", "sfFrequency", "0", "", true, "1000"},
            {"fo empty", "sfFrequency", "", "", true, "1"},
            {"fo key filter", "sfFrequency", "12a.5", "", true, "12.5"},
            {"fo up", "sfFrequency", "1000", "fFrequencyI", true, "1100"},
            {"fo down from 100", "sfFrequency", "100", "fFrequencyI", false, "90"},
            {"fo up to fs/2", "sfFrequency", "3950", "fFrequencyI", true, "4000"},
            {"Q down", "sQfactor", "1", "QfactorI", false, "0.9"},
            {"Q refused", "sQfactor", "-2", "", true, "1"},
            {"A down to 0", "sfAmplification", "0.01", "fAmplificationI", false, "0.009"},
            {"S/N refused", "sSN_Ratio", "0", "", true, "100"},
            {"speed factor", "sSpeedFactor", "", "", true, "1"},
            {"time up ×10", "sTimeScale", "1500", "TimeScaleM", true, "15000"},
            {"time down", "sTimeScale", "1500", "TimeScaleI", false, "1499"},
            {"scale ×0.1", "sSignal1Scale", "5", "Signal1ScaleM", false, "0.5"},
            {"shift up", "sSignal2Shift", "0", "Signal2ShiftI", true, "0.1000"},
            {"shift any", "sSignal1Shift", "-7", "", true, "-7"},
        };
        for (const auto &r : rows) {
            QTest::newRow(r.tag) << r.field << r.typed << r.stepper << r.up << r.expected;
        }
    }

    void fieldsAndSteppers() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, stepper);
        QFETCH(bool, up);
        QFETCH(QString, expected);
        chooseInput(tone()); // Ts = 1/8000
        const QByteArray f = field.toLatin1();
        type(f.constData(), typed);
        QTest::keyClick(find<QLineEdit>(f.constData()), Qt::Key_Return); // Enter leaves it
        if (!stepper.isEmpty()) {
            step(stepper.toLatin1().constData(), up);
        }
        QCOMPARE(text(f.constData()), expected);
    }

    void coupledScalesAndOptions() {
        type("sSignal1Scale", QStringLiteral("5"));
        leave("sSignal1Scale");
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("1"));
        click("CoupleScale");
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("5"));
        step("Signal2ScaleM", true);
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("50"));
        QCOMPARE(form->Settings().signal1Scale, 50.0);

        click("Rectify");
        QVERIFY(visible("RectifyGroup"));
        click("FullRectify");
        QVERIFY(form->Settings().rectify && !form->Settings().halfRectify);
        type("sSN_Ratio", QStringLiteral("20"));
        click("AddNoise");
        QVERIFY(visible("NoiseGroup") && visible("sSN_Ratio") && visible("sSN_Label"));
        QCOMPARE(form->Settings().snRatio, 20.0);

        click("NetworkFiltering");
        QCOMPARE(form->Settings().filterKind, 19);
        QVERIFY(visible("DesignNetwork"));
        QVERIFY(!visible("sfFrequency") && !visible("Label3") && !visible("fFrequencyI"));
        const auto modal = AnswerModal();
        click("DesignNetwork");
        QVERIFY(modal->window == networkForm.get());
        click("Integrate");
        QCOMPARE(form->Settings().filterKind, 7);
        QVERIFY(!visible("DesignNetwork") && !visible("FFT_Filtering"));
        click("LowPass2");
        QCOMPARE(form->Settings().filterKind, 5);
        QVERIFY(visible("sfFrequency") && visible("FFT_Filtering"));

        auto *image = find<PlotImage>("Image2");
        QTest::mouseMove(image, QPoint(30, 0));
        QTRY_COMPARE(text("ClickX"), QStringLiteral("0"));
        QCOMPARE(text("ClickY"), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestWavmainFields)
#include "tst_WavmainFields.moc"
