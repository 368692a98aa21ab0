#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/common/NumberText.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/BodeResponse.h"
#include "core/tools/FilterNetwork.h"
#include "gui/tools/Graph.h"
#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {
const char *const resultControls[] = {"PhasePlot", "GainPlot", "GainX",  "GainY",  "PhaseX",
                                      "PhaseY",    "Label1",   "Label2", "Label3", "Label4",
                                      "Label5",    "Label6",   "Label7", "Label8"};

int RedPixels(const QImage &image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == qRgb(255, 0, 0);
        }
    }
    return n;
}
} // namespace

// The Bode plot window as the workbench and the calculator use it: inputs set, then exec().
class TestGraph : public QObject, FormDriver {
    Q_OBJECT

private:
    FakeUiServices services;
    kaldorium::DefaultDesignedFilterSource designed;
    kaldorium::FilterNetwork network;
    std::unique_ptr<TGraphForm> graph;

    bool computed() { return !visible("MessageLabel") && visible("GainPlot"); }
    // Moves the mouse to the pixel of value (x, y) on a plot.
    void hover(const char *plot, const kaldorium::Oscilloscope &scope, double x, double y) {
        kaldorium::Oscilloscope s = scope;
        s.ToPixelX(x);
        s.ToPixelY(y);
        const QPointF at(s.pixelX, s.pixelY);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(find<QWidget>(plot), &move);
    }

private slots:
    void init() {
        services = FakeUiServices();
        designed = kaldorium::DefaultDesignedFilterSource();
        graph = std::make_unique<TGraphForm>(services, designed, network);
        root = graph.get();
    }
    void cleanup() { graph.reset(); }

    void showsMessageWhileComputingThenPlotsAndReadsOut() {
        // The workbench's band pass: f0 = 2000 Hz, Q = 10, A0 = 2, Ts = 0.000025 s.
        graph->omega0 = 2 * std::numbers::pi * 2000.0;
        graph->amplification = 2.0;
        graph->damping = 0.05;
        graph->ts = 0.000025;
        graph->type = 0;
        graph->titleName = QStringLiteral("Digital Band Pass Filter (2nd Order)");
        bool modal = false;
        bool waitingShown = false;
        QStringList hiddenWhileComputing;
        bool plotted = false;
        QTimer::singleShot(0, graph.get(), [&] {
            modal = QApplication::activeModalWidget() == graph.get();
            waitingShown = visible("MessageLabel");
            for (const char *name : resultControls) {
                if (!visible(name)) {
                    hiddenWhileComputing << QString::fromLatin1(name);
                }
            }
            QTRY_VERIFY(computed());
            plotted = true;
            graph->accept();
        });
        QCOMPARE(graph->exec(), int(QDialog::Accepted));
        QVERIFY(modal);
        QVERIFY(waitingShown);
        QCOMPARE(hiddenWhileComputing.size(), int(std::size(resultControls)));
        QVERIFY(plotted);
        QCOMPARE(graph->windowTitle(),
                 QStringLiteral("(KALDOR) Bode Plot Of Digital Band Pass Filter (2nd Order)"));
        QCOMPARE(graph->size(), QSize(704, 649));
        QCOMPARE(find<QWidget>("GainPlot")->size(), QSize(657, 313));
        QCOMPARE(find<QWidget>("PhasePlot")->size(), QSize(657, 267));
        qInfo("Bode band pass, computed and plotted in %.1f ms", graph->LastPlotMilliseconds());

        // The axis ends at the Nyquist frequency; the gain range runs to about 8 dB.
        QCOMPARE(std::pow(10.0, graph->GainScope().xMax), 20000.0);
        QVERIFY(std::abs(graph->GainScope().yMax - 8.02) < 0.01);
        auto *gainPlot = find<PlotImage>("GainPlot");
        QVERIFY(RedPixels(gainPlot->Canvas().Image()) > 600);
        auto *phasePlot = find<PlotImage>("PhasePlot");
        QVERIFY(RedPixels(phasePlot->Canvas().Image()) > 600);

        // The read-outs at the peak: frequency (Hz) and gain (dB), each within a pixel.
        graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
        QTRY_VERIFY(computed());
        hover("GainPlot", graph->GainScope(), std::log10(2000.0), 6.02);
        const double hz = find<QLineEdit>("GainX")->text().toDouble();
        QVERIFY2(std::abs(hz / 2000.0 - 1.0) < 0.02, qPrintable(QString::number(hz)));
        QVERIFY(std::abs(find<QLineEdit>("GainY")->text().toDouble() - 6.02) < 0.5);
        hover("PhasePlot", graph->PhaseScope(), std::log10(200.0), 45.0);
        const double phaseHz = find<QLineEdit>("PhaseX")->text().toDouble();
        QVERIFY(std::abs(phaseHz / 200.0 - 1.0) < 0.02);
        QVERIFY(std::abs(find<QLineEdit>("PhaseY")->text().toDouble() - 45.0) < 1.0);
        QVERIFY(!find<QLineEdit>("GainX")->isEnabled());
    }

    // The workbench's band pass shown without exec(), once computed.
    void showBandPass(double q) {
        graph->omega0 = 6.283185307179586 * 2000.0;
        graph->amplification = 2.0;
        graph->damping = 0.5 / q;
        graph->ts = 0.000025;
        graph->type = 0;
        graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
        QTRY_VERIFY(computed());
    }

    void wheelZoomComputesTheVisibleDecadeAndResetRestoresTheAxes() {
        showBandPass(10.0);
        auto *gainPlot = control<PlotImage>(graph.get(), "GainPlot");
        const kaldorium::PlotRanges stated = graph->GainScope().Ranges();
        // Zoomed about 2 kHz until less than a decade shows.
        kaldorium::Oscilloscope s = graph->GainScope();
        s.ToPixelX(std::log10(2000.0));
        for (int i = 0; i < 4; ++i) {
            wheel(gainPlot, QPoint(s.pixelX, 100), 2);
        }
        const double left = std::pow(10.0, graph->GainScope().xMin);
        const double right = std::pow(10.0, graph->GainScope().xMax);
        QVERIFY2(right / left < 10.0 && left < 2000.0 && right > 2000.0,
                 qPrintable(QStringLiteral("%1 … %2").arg(left).arg(right)));
        // Every computed point lies inside the view, and the phase plot shows the same
        // frequencies.
        const auto &response = graph->Response();
        const int inside = static_cast<int>(
            std::count_if(response.frequency, response.frequency + kaldorium::BodeResponse::Points,
                          [&](double w) {
                              const double hz = w / 6.283185307179586;
                              return hz >= left * 0.999999 && hz <= right * 1.000001;
                          }));
        QVERIFY(inside > 1000);
        QCOMPARE(graph->PhaseScope().xMin, graph->GainScope().xMin);
        QVERIFY(RedPixels(gainPlot->Canvas().Image()) > 600);

        QTest::mouseDClick(gainPlot, Qt::LeftButton, {}, QPoint(200, 100));
        QVERIFY(graph->GainScope().Ranges() == stated);
        QCOMPARE(graph->Response().frequency[0], 6.283185307179586 * 2000.0 * 0.0015);
    }

    void csvHoldsEveryPointAndTheHeldRun() {
        showBandPass(2.0);
        auto *gainPlot = control<PlotImage>(graph.get(), "GainPlot");
        QVERIFY(gainPlot->HoldTraces());
        graph->hide();
        showBandPass(10.0); // the next run
        QStringList rows = gainPlot->DataText().split(QStringLiteral("\r\n"));
        rows.removeLast();
        QCOMPARE(rows.size(), kaldorium::BodeResponse::Points + 1);
        QCOMPARE(rows[0], QStringLiteral("frequency (Hz),gain (dB),held 1 frequency (Hz),"
                                         "held 1 gain (dB)"));
        // The row nearest 2 kHz reads what cursor 1 reads there.
        kaldorium::Oscilloscope s = graph->GainScope();
        s.ToPixelX(std::log10(2000.0));
        s.ToPixelY(6.02);
        QTest::mouseClick(gainPlot, Qt::LeftButton, {}, QPoint(s.pixelX, s.pixelY));
        const QString readout = gainPlot->CursorText();
        const double cursorHz =
            readout.section(QStringLiteral("x1 = "), 1).section(' ', 0, 0).toDouble();
        const double cursorDb =
            readout.section(QStringLiteral("y1 = "), 1).section('\n', 0, 0).toDouble();
        // The cursor reads a sample of its pixel column: one of the rows, to its 6 digits.
        bool found = false;
        for (int i = 1; i < rows.size() && !found; ++i) {
            const double hz = rows[i].section(',', 0, 0).toDouble();
            const double db = rows[i].section(',', 1, 1).toDouble();
            found = std::fabs(hz - cursorHz) < 30.0 && std::fabs(db - cursorDb) < 1e-5;
        }
        QVERIFY2(found, qPrintable(readout));
        QVERIFY2(std::fabs(cursorDb - 6.02) < 0.05, qPrintable(readout));
    }

    void groupDelayPlotAndGrowingWindow() {
        showBandPass(10.0);
        auto *check = control<QCheckBox>(graph.get(), "ShowGroupDelay");
        QCOMPARE(check->text(), QStringLiteral("Group delay"));
        QVERIFY(!control<QWidget>(graph.get(), "DelayPlot")->isVisible());
        QTest::mouseClick(check, Qt::LeftButton);
        auto *delayPlot = control<PlotImage>(graph.get(), "DelayPlot");
        QVERIFY(delayPlot->isVisible());
        QVERIFY(delayPlot->geometry().top() >
                control<QWidget>(graph.get(), "PhasePlot")->geometry().bottom());
        // The delay at 2 kHz, in ms: 2Q/ω0 within the warping.
        QVERIFY(std::fabs(graph->DelayScope().yMax - 1000.0 * 20.0 / (6.283185307179586 * 2000.0)) <
                0.2 * graph->DelayScope().yMax);
        QVERIFY(RedPixels(delayPlot->Canvas().Image()) == 0);
        // A cursor on the delay plot reads it in ms and in samples (40 a ms at Ts 25 µs).
        kaldorium::Oscilloscope at = graph->DelayScope();
        at.ToPixelX(std::log10(2000.0));
        QTest::mouseClick(delayPlot, Qt::LeftButton, {}, QPoint(at.pixelX, 20));
        const QString readout = delayPlot->CursorText();
        auto number = [&](const QString &name) {
            const QRegularExpression re(name + QStringLiteral(" = ([-0-9.e+]+)"));
            return re.match(readout).captured(1).toDouble();
        };
        const double samples = number(QStringLiteral("delay1"));
        QVERIFY2(samples > 10.0, qPrintable(readout));
        QVERIFY2(std::fabs(samples - 40.0 * number(QStringLiteral("y1"))) < 0.02 * samples,
                 qPrintable(readout));

        graph->resize(1000, graph->height() + 200);
        QTRY_VERIFY(control<QWidget>(graph.get(), "GainPlot")->width() == 657 + 296);
        QVERIFY(control<QWidget>(graph.get(), "GainPlot")->height() > 313);
        QCOMPARE(control<PlotImage>(graph.get(), "GainPlot")->Canvas().Width(), 657 + 296);
        QVERIFY(RedPixels(control<PlotImage>(graph.get(), "GainPlot")->Canvas().Image()) > 600);
    }

    void refusedInputsShowTheErrorAndNeverOpen_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("omega0");
        QTest::addColumn<double>("amplification");
        QTest::newRow("band pass at 0 Hz") << 0 << 0.0 << 2.0;
        QTest::newRow("low pass amplified 0 times") << 3 << 12566.0 << 0.0;
        QTest::newRow("analogue calculator, negative w0") << 13 << -1000.0 << 1.0;
        QTest::newRow("integrator at 0 Hz") << 7 << 0.0 << 1.0;
    }
    void refusedInputsShowTheErrorAndNeverOpen() {
        QFETCH(int, type);
        QFETCH(double, omega0);
        QFETCH(double, amplification);
        graph->type = type;
        graph->omega0 = omega0;
        graph->amplification = amplification;
        bool opened = false;
        QTimer::singleShot(200, graph.get(), [&] {
            opened = graph->isVisible();
            graph->reject();
        });
        QCOMPARE(graph->exec(), int(QDialog::Rejected));
        QVERIFY(!opened);
        QCOMPARE(services.errors.size(), 1);
        QVERIFY(services.errors[0].contains(QStringLiteral("above 0")));
        QTest::qWait(250);
        QVERIFY(!opened);
    }

    void faultDuringTheComputationEndsWithEmptyPlotsShown() {
        // Typed coefficients with an all-zero denominator.
        std::fill(designed.b, designed.b + 7, 0.0);
        graph->type = 9;
        graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
        QTRY_VERIFY(computed());
        for (const char *name : resultControls) {
            QVERIFY2(visible(name), name);
        }
        QCOMPARE(services.errors, QStringList{QStringLiteral("Floating point division by zero")});
        QCOMPARE(RedPixels(find<PlotImage>("GainPlot")->Canvas().Image()), 0);
    }

    void cursorsReadFrequenciesHalfPowerPointsAndPhase() {
        // The workbench band pass (f0 = 2000 Hz, ζ = 0.05, pre-warped at Ts = 25 µs): its half
        // power points lie at (2/T)·atan(ωa·T/2·(√(1 + ζ²) ± ζ)), 1903.98 and 2100.69 Hz.
        graph->omega0 = 2 * std::numbers::pi * 2000.0;
        graph->amplification = 2.0;
        graph->damping = 0.05;
        graph->show();
        QTRY_VERIFY(computed());
        auto *plot = find<PlotImage>("GainPlot");
        kaldorium::Oscilloscope s = graph->GainScope();
        s.ToPixelX(std::log10(1000.0));
        const QPoint first(s.pixelX, 100);
        s.ToPixelX(std::log10(3000.0));
        const QPoint second(s.pixelX, 100);
        QTest::mouseClick(plot, Qt::LeftButton, {}, first);
        QTest::mouseClick(plot, Qt::LeftButton, Qt::ShiftModifier, second);
        const QStringList lines = plot->CursorText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 6);
        auto after = [](const QString &line, const QString &name) {
            const qsizetype at = line.indexOf(name);
            return at < 0 ? std::nan("")
                          : line.mid(at + name.size())
                                .section(' ', 0, 0)
                                .remove(QChar(0xB0))
                                .toDouble();
        };
        // Each x within a pixel (1.5 % on this axis) of its frequency.
        QVERIFY(std::abs(after(lines[0], QStringLiteral("x1 = ")) / 1000.0 - 1.0) < 0.02);
        QVERIFY(std::abs(after(lines[1], QStringLiteral("x2 = ")) / 3000.0 - 1.0) < 0.02);
        QVERIFY2(lines[4].startsWith(QStringLiteral("−3 dB at ")), qPrintable(lines[4]));
        const QStringList hz = lines[4].mid(9).chopped(3).split(QStringLiteral(", "));
        QCOMPARE(hz.size(), 2);
        QVERIFY(std::abs(hz[0].toDouble() / 1903.98 - 1.0) < 1e-3);
        QVERIFY(std::abs(hz[1].toDouble() / 2100.69 - 1.0) < 1e-3);
        // The phase at each cursor's frequency: below the centre leading, above it lagging.
        const double x1 = std::pow(10.0, graph->GainScope().ValueAtX(first.x()));
        const double phase1 = after(lines[5], QStringLiteral("phase1 = "));
        QVERIFY(phase1 > 80.0 && phase1 < 90.0);
        QVERIFY(std::abs(phase1 - *graph->Response().PhaseAtHz(x1)) < 1e-3);
        QVERIFY(after(lines[5], QStringLiteral("phase2 = ")) < -80.0);
        // The phase plot measures alike; reopening the window clears the cursors.
        QTest::mouseClick(find<PlotImage>("PhasePlot"), Qt::LeftButton, {}, first);
        QVERIFY(find<PlotImage>("PhasePlot")->CursorText().contains("−3 dB at "));
        graph->hide();
        graph->show();
        QVERIFY(plot->CursorText().isEmpty());
    }

    // The half power points are read on the response itself, not from its samples: the
    // workbench's band pass (f0 = 2000 Hz, ζ = 0.05, pre-warped at Ts = 25 µs) at
    // (2/T)·atan(ωa·T/2·(√(1 + ζ²) ∓ ζ)) = 1903.98 and 2100.69 Hz; the calculator's band pass
    // (ω0 = 6.2832 krad/s, B = 0.62832 krad/s) at ω0/2π·(√(1 + ζ²) ∓ ζ) = 951.251 and
    // 1051.25 Hz. Six digits are shown.
    void halfPowerReadOutMatchesTheClosedForm_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("omega0");
        QTest::addColumn<double>("amplification");
        QTest::addColumn<QString>("line");
        QTest::newRow("workbench band pass") << 0 << 2 * std::numbers::pi * 2000.0 << 2.0
                                             << QStringLiteral("−3 dB at 1903.98, 2100.69 Hz");
        QTest::newRow("calculator band pass")
            << 10 << 6283.2 << 1.0 << QStringLiteral("−3 dB at 951.251, 1051.25 Hz");
    }
    void halfPowerReadOutMatchesTheClosedForm() {
        QFETCH(int, type);
        QFETCH(double, omega0);
        QFETCH(double, amplification);
        graph->type = type;
        graph->omega0 = omega0;
        graph->amplification = amplification;
        graph->damping = 0.05;
        graph->show();
        QTRY_VERIFY(computed());
        auto *plot = find<PlotImage>("GainPlot");
        QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(300, 100));
        const QStringList lines = plot->CursorText().split(QLatin1Char('\n'));
        const qsizetype at = lines.indexOf(QRegularExpression(QStringLiteral("−3 dB at .*")));
        QVERIFY2(at >= 0, qPrintable(lines.join(" | ")));
        QTEST(lines[at], "line");
    }

    void plotsTheNetworkItIsGiven() {
        // A network of gain 0 is drawn at the floor, not refused.
        kaldorium::StageSetting settings[kaldorium::FilterNetwork::StageCount];
        settings[kaldorium::FilterNetwork::OutputStage] = {true, kaldorium::fkAllPass, 1.0, 1.0,
                                                           0.0};
        network.ApplySettings(settings);
        graph->type = 19;
        graph->titleName = QStringLiteral("Network Filter");
        graph->show();
        QTRY_VERIFY(computed());
        QVERIFY(services.errors.isEmpty());
        QCOMPARE(graph->GainScope().yMin, kaldorium::BodeResponse::FloorDb);
        QCOMPARE(std::pow(10.0, graph->GainScope().xMax), 0.96 * 20000.0);
    }
};

QTEST_MAIN(TestGraph)
#include "tst_Graph.moc"
