#include "tests/gui/WavWorkbenchFixture.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

// The WAV workbench's views and test loop, and the block actions that exclude them.
class TestWavmainViews : public QObject, WavWorkbenchFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void shortFileIsDrawnOnceLongFileRepeats() {
        chooseInput(tone()); // 1000 ms
        click("iView");
        QCOMPARE(caption("iView"), QStringLiteral("Stop"));
        QVERIFY(visible("TimeScaleLabel"));
        QTRY_COMPARE(caption("iView"), QStringLiteral("View"));
        checkIdle();
        const QImage image = form->DisplayCanvas().Image();
        int black = 0, red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                black += image.pixel(x, y) == qRgb(0, 0, 0);
                red += image.pixel(x, y) == qRgb(255, 0, 0);
            }
        }
        QVERIFY(black > 500);
        QVERIFY(red > 500);

        type("sTimeScale", QStringLiteral("500"));
        leave("sTimeScale");
        click("fTest");
        stepChunks(40); // 20080 frames: two and a half passes
        QVERIFY(form->IsViewRunning());
        QCOMPARE(form->ViewSamples(), 40LL * 502);
        click("fTest");
        checkIdle();
    }

    void everyLoopHasItsBusySet_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("resting");
        QTest::newRow("input view") << QStringLiteral("iView") << QStringLiteral("View");
        QTest::newRow("output view") << QStringLiteral("oView") << QStringLiteral("View");
        QTest::newRow("joint view")
            << QStringLiteral("bView") << QStringLiteral("View Input && Output");
        QTest::newRow("test") << QStringLiteral("fTest") << QStringLiteral("Test");
    }

    void everyLoopHasItsBusySet() {
        QFETCH(QString, button);
        QFETCH(QString, resting);
        chooseInput(tone("in.wav", 80000));
        chooseOutput(tone("out.wav", 80000));
        const QByteArray name = button.toLatin1();
        click(name.constData());
        QCOMPARE(caption(name.constData()), QStringLiteral("Stop"));
        for (const char *other : {"iView", "oView", "bView", "fTest"}) {
            QCOMPARE(enabled(other), button == QLatin1String(other));
        }
        for (const char *hidden :
             {"DFT_Input", "DFT_Output", "FFT_Input", "FFT_Output", "fDFT", "fFFT", "ModifyFile",
              "FFT_Filtering", "FrequencyShifter", "FrequencyRotater", "Robot", "Retard",
              "CopyInputFile", "CopyData", "SpeedUp", "SlowDown"}) {
            QVERIFY2(!visible(hidden), hidden);
        }
        QVERIFY(visible("GetInputFile"));
        // A block action that arrives meanwhile is refused.
        {
            TWAVMainForm::BlockAction second(*form);
            QVERIFY(!second.Entered());
        }
        stepChunks(3);
        QCOMPARE(form->ViewSamples(), 3LL * 502);
        click(name.constData());
        QCOMPARE(caption(name.constData()), resting);
        checkIdle();
    }

    void blockActionHidesEverythingAndRestoresOnAnyExit() {
        chooseInput(tone());
        try {
            TWAVMainForm::BlockAction action(*form);
            QVERIFY(action.Entered());
            QVERIFY(form->IsBusy());
            for (const QString &name : BusySet()) {
                QVERIFY2(!isShown(name), qPrintable(name));
            }
            for (const char *name : {"iView", "oView", "bView", "fTest"}) {
                QVERIFY2(!enabled(name), name);
            }
            TWAVMainForm::BlockAction second(*form);
            QVERIFY(!second.Entered());
            // A view click that arrives while the action runs is refused.
            QMetaObject::invokeMethod(find<QPushButton>("iView"), "click");
            QVERIFY(!form->IsViewRunning());
            QVERIFY(action.ProcessMessages());
            throw std::runtime_error("failed block");
        } catch (const std::runtime_error &) {
        }
        checkIdle();
        // With the differentiator chosen, FFT_Filtering stays hidden afterwards.
        click("Diffrentiate");
        { TWAVMainForm::BlockAction action(*form); }
        QVERIFY(!visible("FFT_Filtering"));
        QVERIFY(visible("ModifyFile"));
    }

    void monoInputShowsZeroAsTheRedTrace() {
        chooseInput(WriteWav(file("mono.wav"), 8000, 1, 16, 80000, Tone));
        type("sSignal2Shift", QStringLiteral("0.5"));
        leave("sSignal2Shift");
        click("iView");
        stepChunks(1);
        click("iView");
        // Red only on the row of 0 + shift (a 2-pixel pen), top of the plot at 1.
        const QImage image = form->DisplayCanvas().Image();
        const int plotHeight = image.height() - 30;
        const int row = static_cast<int>((1 - (0.5 + 1) / 2) * plotHeight);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 31; x < image.width(); ++x) {
                if (image.pixel(x, y) == qRgb(255, 0, 0)) {
                    QVERIFY2(std::abs(y - row) <= 1, qPrintable(QString::number(y)));
                }
            }
        }
    }

    void anotherInputSwitchesTheRunningLoop() {
        chooseInput(tone("first.wav", 80000));
        click("fTest");
        stepChunks(4);
        const QString second = WriteWav(file("second.wav"), 4000, 1, 16, 40000, Tone);
        chooseInput(second);
        QVERIFY(form->IsViewRunning());
        QCOMPARE(caption("fTest"), QStringLiteral("Stop"));
        stepChunks(1);
        // The loop started the new file from t = 0 at its own Ts.
        QCOMPARE(form->Settings().samplingPeriod, 1.0 / 4000);
        QCOMPARE(form->Scope().xMax, 1500.0);
        QCOMPARE(form->ViewSamples(), 5LL * 502);
        QCOMPARE(form->Settings().inputFileName, QFile::encodeName(second).toStdString());
        click("fTest");
    }

    void jointViewRefusesDifferentSamplingPeriods() {
        chooseInput(tone());
        chooseOutput(WriteWav(file("other-rate.wav"), 4000, 2, 16, 100, Tone));
        click("bView");
        QTRY_VERIFY(!form->IsViewRunning());
        QCOMPARE(messages(),
                 QStringList{"KALDOR Warning: The Input and Output Files are not comparable"});
        checkIdle();
        // An output that is not a WAVE file is refused before the view starts.
        QFile junk(file("junk.wav"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a wave file");
        junk.close();
        chooseOutput(file("junk.wav"));
        click("oView");
        QVERIFY(!form->IsViewRunning());
        QCOMPARE(messages().last(), QStringLiteral("DSP error: Not a valid WAV file"));
    }

    void activationStopsTheInputViewAndTestOnly() {
        chooseInput(tone("in.wav", 80000));
        chooseOutput(tone("out.wav", 80000));
        for (const char *name : {"iView", "fTest", "oView"}) {
            click(name);
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(form.get(), &activate);
            QCOMPARE(form->IsViewRunning(), QByteArray(name) == "oView");
        }
        click("oView");
        checkIdle();
    }

    void errorInTheLoopEndsItIdle() {
        chooseInput(tone("in.wav", 80000));
        // A network stage with Q = 0 divides by zero in its design.
        kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
        stages[0] = {true, kaldorium::fkBandPass, 1000.0, 0.0, 1.0};
        network.ApplySettings(stages);
        click("NetworkFiltering");
        click("fTest");
        QTRY_VERIFY(!form->IsViewRunning());
        QCOMPARE(services.errors, QStringList{"Floating point division by zero"});
        checkIdle();
    }

    void closingMidViewStopsItAndShowsTheMainWindow() {
        chooseInput(tone("in.wav", 80000));
        QSignalSpy closed(form.get(), &TWAVMainForm::closed);
        click("iView");
        QTRY_VERIFY(form->ViewSamples() > 0);
        form->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!form->IsViewRunning());
        QTest::qWait(20);
        QVERIFY(!form->IsViewRunning());
        // Closed during a block action: the action ends at its next message check.
        form->show();
        checkIdle();
        TWAVMainForm::BlockAction action(*form);
        QTimer::singleShot(0, form.get(), [this] { form->close(); });
        int blocks = 0;
        while (action.ProcessMessages() && blocks < 1000) {
            ++blocks;
        }
        QVERIFY(blocks < 1000);
    }
};

QTEST_MAIN(TestWavmainViews)
#include "tst_WavmainViews.moc"
