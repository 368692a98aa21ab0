#include "tests/gui/DspmainFixture.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/WaveWriter.h"

#include "core/audio/WaveFile.h"
#include "core/common/Errors.h"
#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/ChunkDriver.h"
#include "gui/services/MessagePump.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/workbench/Dspmain.h"

#include <QAbstractButton>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cfenv>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

// A handler that divides by zero, as an unrelated window's handler might while long work lets
// messages run; it notes whether the work was going on.
void DivideByZeroSoon(TWAVMainForm &form, bool &duringWork) {
    QTimer::singleShot(0, &form, [&form, &duringWork] {
        duringWork = form.IsBusy();
        volatile double zero = 0.0;
        volatile double quotient = 1.0 / zero;
        (void)quotient;
    });
}

} // namespace

// The driver and the pump of long work, and the windows that use them: every way out of a piece
// of work leaves the window idle, and the flags of a handler that ran meanwhile are not the
// work's.
class TestLongWork : public QObject, public DspmainFixture {
    Q_OBJECT

private:
    QTemporaryDir dir;

    struct Counts {
        int steps = 0;
        int samples = 0;
        int shown = 0;
        int finished = 0;
    };
    ChunkDriver::Work Counting(Counts &c, int endAfter = 1000) {
        return {.step =
                    [&c, endAfter](int count) {
                        c.samples += count;
                        return ++c.steps < endAfter;
                    },
                .shown = [&c] { ++c.shown; },
                .finish = [&c] { ++c.finished; }};
    }

private slots:
    void init() {
        services = FakeUiServices();
        network = kaldorium::FilterNetwork();
    }
    void cleanup() { form.reset(); }

    void driverFinishesOnceOnEveryWayOut() {
        QWidget window;
        ChunkDriver driver(&window, services, QStringLiteral("workTimer"), 502);
        QTimer *timer = control<QTimer>(&window, "workTimer");
        QCOMPARE(timer, driver.Timer());

        // Its own end, from the timer.
        Counts ended;
        driver.Start(Counting(ended, 3));
        QVERIFY(timer->isActive());
        QTRY_COMPARE(ended.finished, 1);
        QCOMPARE(ended.steps, 3);
        QCOMPARE(ended.samples, 3 * 502);
        QCOMPARE(ended.shown, 3);
        QVERIFY(!driver.Running() && !timer->isActive());
        QCOMPARE(driver.HowEnded(), ChunkDriver::Ending::Finished);

        // Stop now, and a stop request seen before the next chunk.
        Counts stopped;
        driver.Start(Counting(stopped));
        timer->stop();
        driver.Chunk();
        driver.Stop();
        driver.Stop();
        QCOMPARE(stopped.steps, 1);
        QCOMPARE(stopped.finished, 1);
        QCOMPARE(driver.HowEnded(), ChunkDriver::Ending::Stopped);
        Counts requested;
        driver.Start(Counting(requested));
        timer->stop();
        driver.RequestStop();
        driver.Chunk();
        QCOMPARE(requested.steps, 0);
        QCOMPARE(requested.finished, 1);
        driver.Chunk();
        QCOMPARE(requested.finished, 1);

        // Starting again ends the work that runs first.
        Counts first;
        Counts second;
        driver.Start(Counting(first));
        driver.Start(Counting(second));
        QCOMPARE(first.finished, 1);
        driver.Stop();
        QCOMPARE(second.finished, 1);
        QVERIFY(services.errors.isEmpty());
    }

    void driverEndsAFaultyChunkAndShowsTheFault() {
        QWidget window;
        ChunkDriver driver(&window, services, QStringLiteral("workTimer"), 10);
        int finished = 0;
        int shown = 0;
        const auto faulty = [&] {
            return ChunkDriver::Work{.step =
                                         [](int) {
                                             volatile double zero = 0.0;
                                             volatile double q = 1.0 / zero;
                                             (void)q;
                                             return true;
                                         },
                                     .shown = [&] { ++shown; },
                                     .finish = [&] { ++finished; }};
        };
        // By hand the fault reaches the caller, after the work has ended.
        driver.Start(faulty());
        driver.Timer()->stop();
        bool thrown = false;
        try {
            driver.Chunk();
        } catch (const kaldorium::FloatingPointError &) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(finished, 1);
        QVERIFY(!driver.Running());
        QCOMPARE(driver.HowEnded(), ChunkDriver::Ending::Failed);
        // From the timer it goes to the error display.
        driver.Start(faulty());
        QTRY_COMPARE(finished, 2);
        QCOMPARE(shown, 0);
        QCOMPARE(services.errors, QStringList{QStringLiteral("Floating point division by zero")});
        // Any other error ends it the same way.
        driver.Start({.step = [](int) -> bool { throw std::runtime_error("read failed"); },
                      .shown = {},
                      .finish = [&] { ++finished; }});
        QTRY_COMPARE(finished, 3);
        QCOMPARE(services.errors.last(), QStringLiteral("read failed"));
    }

    void driverPacingSetsTheChunkSize() {
        QWidget window;
        ChunkDriver driver(&window, services, QStringLiteral("workTimer"), 502);
        int due = 0;
        driver.SetPacing([&due](int chunk) { return std::min(due, chunk); });
        Counts c;
        driver.Start(Counting(c));
        driver.Timer()->stop();
        driver.Chunk(); // nothing due: the tick is skipped
        QCOMPARE(c.steps, 0);
        due = 100;
        driver.Chunk();
        due = 5000;
        driver.Chunk();
        QCOMPARE(c.samples, 100 + 502);
        driver.Stop();
    }

    void pumpKeepsItsIntervalAndCarriesTheStopRequest() {
        MessagePump pump(60'000);
        int ran = 0;
        QTimer::singleShot(0, this, [&] { ++ran; });
        pump.Start();
        QVERIFY(pump.Pump()); // the first call of a piece of work lets messages run
        QCOMPARE(ran, 1);
        QTimer::singleShot(0, this, [&] {
            ++ran;
            pump.RequestStop();
        });
        QVERIFY(pump.Pump()); // within the interval: nothing runs
        QCOMPARE(ran, 1);
        pump.Start();
        QVERIFY(!pump.Pump()); // the message that ran asked to stop
        QCOMPARE(ran, 2);
        QVERIFY(!pump.Pump());
        pump.Start(0);
        QVERIFY(pump.Pump());
        QCOMPARE(pump.Interval(), 0);
    }

    // Closing the workbench mid-run leaves it idle, its output file complete; the run's timer
    // stops.
    void closingTheWorkbenchMidRunLeavesItIdle() {
        open();
        click("fTest");
        QVERIFY(form->IsRunning());
        QCOMPARE(caption("fTest"), QStringLiteral("Stop"));
        QVERIFY(!enabled("oTest"));
        form->RunChunk();
        form->close();
        QVERIFY(!form->Busy());
        QVERIFY(!find<QTimer>("runTimer")->isActive());
        form->show();
        QCOMPARE(caption("fTest"), QStringLiteral("Test"));
        for (const char *name : {"oTest", "fTest", "WaveFiles", "DesignNetwork"}) {
            QVERIFY2(enabled(name), name);
        }
        for (const char *name : {"oDFT", "fFFT", "StepResponse", "ImpulseResponse"}) {
            QVERIFY2(visible(name), name);
        }
    }

    // A handler that divides by zero while an effect, a spectrum or an export lets messages run
    // is not blamed on the work: it ends as it would have, and the window is idle.
    void anUnrelatedHandlersFaultIsNotTheWorks_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("effect") << "ModifyFile";
        QTest::newRow("paired spectra") << "fFFT";
        QTest::newRow("export") << "CopyData";
    }
    void anUnrelatedHandlersFaultIsNotTheWorks() {
        QFETCH(QString, button);
        FakeSoundPlayer player;
        kaldorium::DefaultDesignedFilterSource designed;
        TFileEditForm editor(services);
        TWAVMainForm wav(services, player, noise, network, designed, editor);
        wav.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wav));
        root = &wav;
        settleBeforeClick = false;
        services.openAnswers.enqueue(WriteWav(dir.filePath("in.wav"), 22050, 1, 16, 40000, Tone));
        click("GetInputFile");
        services.saveAnswers.enqueue(dir.filePath("out.wav"));
        click("GetOutputFile");
        services.saveAnswers.enqueue(dir.filePath("samples.txt"));
        services.shown.clear();

        bool duringWork = false;
        DivideByZeroSoon(wav, duringWork);
        click(button);
        QVERIFY(duringWork);
        QVERIFY2(services.errors.isEmpty(), qPrintable(services.errors.join('\n')));
        QVERIFY(!wav.IsBusy());
        QVERIFY(visible(qPrintable(button)));
        QVERIFY(!find<QProgressBar>("EffectProgress")->isVisible());
    }
};

QTEST_MAIN(TestLongWork)
#include "tst_LongWork.moc"
