#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/common/NumberText.h"
#include "core/tools/DigitalFilterDesign.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

class FakeWorkbench : public kaldorium::DesignerWorkbench {
public:
    kaldorium::FilterKind CurrentFilterKind() const override { return kind; }
    std::string SamplingPeriodText() const override { return oT; }
    std::string FilterFrequencyText() const override { return "2000"; }
    std::string QfactorText() const override { return "10"; }
    std::string AmplificationText() const override { return "2"; }

    kaldorium::FilterKind kind = kaldorium::fkBandPass;
    std::string oT = "0.000025";
};

QString General(double v) {
    return QString::fromStdString(kaldorium::FormatGeneral(v));
}

// Pixels of the plotted colour in an image.
int CountColour(const QImage &image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour;
        }
    }
    return n;
}

} // namespace

// The designer window driven as a user drives it.
class TestDigitalfiltersdesign : public QObject, public FormDriver {
    Q_OBJECT

private:
    FakeUiServices services;
    FakeWorkbench workbench;
    std::unique_ptr<kaldorium::DigitalFilterDesign> design;
    std::unique_ptr<TDigitalFiltersForm> form;

    QRadioButton *radio(const char *group, const char *caption) {
        for (QRadioButton *r : find<QGroupBox>(group)->findChildren<QRadioButton *>()) {
            if (r->text() == QLatin1String(caption)) {
                return r;
            }
        }
        QTest::qFail(caption, __FILE__, __LINE__);
        return nullptr;
    }

private slots:
    void init() {
        services = FakeUiServices();
        workbench = FakeWorkbench();
        design = std::make_unique<kaldorium::DigitalFilterDesign>();
        design->SetWorkbench(&workbench);
        form = std::make_unique<TDigitalFiltersForm>(services, *design);
        root = form.get();
        settleBeforeClick = false;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        design.reset();
    }

    void startsWithTheWorkbenchBandPass() {
        QCOMPARE(form->windowTitle(), QStringLiteral("(KALDOR) Digital Filters Design"));
        QCOMPARE(form->size(), QSize(889, 634));
        QCOMPARE(text("sTs"), QStringLiteral("0.000025"));
        // a = A0·(2·Ts·k, 0, −2·Ts·k), b = (4 + 2·Ts·k + W, 2·W − 8, 4 − 2·Ts·k + W)
        const double ts = 0.000025, wa = 2 / ts * std::tan(2 * M_PI * 2000 * ts / 2);
        const double k = wa / 10, w = wa * wa * ts * ts;
        QCOMPARE(text("a0").toDouble(), 2 * 2 * ts * k);
        QCOMPARE(text("a1"), QStringLiteral("0"));
        QCOMPARE(text("a2").toDouble(), -2 * 2 * ts * k);
        QCOMPARE(text("b0").toDouble(), 4 + 2 * ts * k + w);
        QCOMPARE(text("b2"), General(design->b[2]));
        QVERIFY(radio("FilterType", "Band Pass")->isChecked());
        QVERIFY(radio("FilterOrder", "2nd")->isChecked());
        for (const char *hidden : {"a3", "b6", "a3Label", "Image4th", "Image6th", "MessageLabel"}) {
            QVERIFY2(!visible(hidden), hidden);
        }
        QVERIFY(visible("Image2nd"));
        QVERIFY(visible("CalcFilter"));
        QVERIFY(!enabled("GainX"));
    }

    void ordersShowTheirCoefficients_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("shown"); // highest coefficient shown
        QTest::newRow("4th") << "4th" << 4;
        QTest::newRow("6th") << "6th" << 6;
        QTest::newRow("2nd") << "2nd" << 2;
    }
    void ordersShowTheirCoefficients() {
        QFETCH(QString, order);
        QFETCH(int, shown);
        if (order != QLatin1String("2nd")) {
            click(radio("FilterOrder", order.toLatin1().constData()));
        } else {
            click(radio("FilterOrder", "6th"));
            click(radio("FilterOrder", "2nd"));
        }
        for (int i = 3; i <= 6; ++i) {
            for (const char *side : {"a", "b"}) {
                const QByteArray name = side + QByteArray::number(i);
                QCOMPARE(find(name.constData())->isVisible(), i <= shown);
                QCOMPARE(find((name + "Label").constData())->isVisible(), i <= shown);
            }
        }
        QCOMPARE(visible("Image2nd"), shown == 2);
        QCOMPARE(visible("Image4th"), shown == 4);
        QCOMPARE(visible("Image6th"), shown == 6);
        QCOMPARE(visible("CalcFilter"), shown == 2);
        QCOMPARE(text("b0"), shown == 2 ? General(design->b[0]) : QStringLiteral("1"));
        QCOMPARE(text(("a" + QByteArray::number(shown)).constData()), General(design->a[shown]));
    }

    void typedCoefficientsAreKept() {
        typeFocused("a1", QStringLiteral("0.5x"));
        QVERIFY(radio("FilterType", "Unknown")->isChecked());
        typeFocused("b0", QString());
        leave("b0");
        QCOMPARE(text("b0"), QStringLiteral("0"));
        QCOMPARE(design->a[1], 0.5);
        click(radio("FilterOrder", "4th"));
        QCOMPARE(text("a1"), QStringLiteral("0.5"));
        QCOMPARE(design->a[1], 0.5);
        // Reopened with the workbench on the designed filter and the same oT.
        typeFocused("b0", QStringLiteral("2"));
        leave("b0");
        form->hide();
        workbench.kind = kaldorium::fkDesigned;
        form->show();
        QCOMPARE(text("a1"), QStringLiteral("0.5"));
        QCOMPARE(design->b[0], 2.0);
    }

    void calculateGivesBackTheParameters() {
        // The typed frequency is taken when the click moves the focus to the button.
        typeFocused("sfFrequency", QStringLiteral("3000"));
        click(radio("FilterType", "High Pass"));
        click(radio("FilterType", "Band Pass"));
        click("CalcFilter");
        QVERIFY(radio("FilterType", "Band Pass")->isChecked());
        QVERIFY(std::fabs(text("sfFrequency").toDouble() - 3000) < 1e-8);
        QVERIFY(std::fabs(text("sQfactor").toDouble() - 10) < 1e-10);
        QVERIFY(std::fabs(text("sfAmplification").toDouble() - 2) < 1e-12);
    }

    // Each field's stepper is named after it: sfFrequency, fFrequencyI.
    void steppers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("after");
        const QString f = QStringLiteral("sfFrequency");
        const QString q = QStringLiteral("sQfactor");
        const QString a0 = QStringLiteral("sfAmplification");
        QTest::newRow("100 up") << f << "100" << true << "200";
        QTest::newRow("100 down") << f << "100" << false << "90";
        QTest::newRow("50 up") << f << "50" << true << "60";
        QTest::newRow("at 0.5/ts") << f << "20000" << true << "20000";
        QTest::newRow("typed 0") << f << "0" << true << "1";
        QTest::newRow("Q typed 0") << q << "0" << false << "1";
        QTest::newRow("Q 1 down") << q << "1" << false << "0.9";
        QTest::newRow("A0 typed -1") << a0 << "-1" << true << "1";
    }
    void steppers() {
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(bool, up);
        QFETCH(QString, after);
        typeFocused(field.toLatin1().constData(), before); // typed, the field not left
        step((field.mid(1) + QLatin1Char('I')).toLatin1().constData(), up);
        QCOMPARE(text(field.toLatin1().constData()), after);
        QVERIFY(services.errors.isEmpty());
    }

    void fieldRules() {
        typeFocused("sQfactor", QString());
        leave("sQfactor");
        QCOMPARE(text("sQfactor"), QStringLiteral("1"));
        QCOMPARE(design->q, 1.0);
        typeFocused("sfAmplification", QStringLiteral("3a"));
        enter("sfAmplification");
        QCOMPARE(design->amplification, 3.0);
        QCOMPARE(text("a0"), General(design->a[0]));
        typeFocused("sQfactor", QStringLiteral("1..2"));
        leave("sQfactor");
        QCOMPARE(services.errors, QStringList{"'1..2' is not a valid floating point value"});
        QCOMPARE(design->q, 1.0);
    }

    void bodePlotDrawsAndReadsOut() {
        // The empty grids have no half power points to read.
        auto *gainPlot = find<PlotImage>("GainPlotScreen");
        QTest::mouseClick(gainPlot, Qt::LeftButton, {}, QPoint(300, 100));
        QVERIFY(!gainPlot->CursorText().contains(QStringLiteral("dB at")));
        click("BodePlot");
        QVERIFY(!visible("MessageLabel"));
        QVERIFY(!form->IsBusy());
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(255, 0, 0)) > 600);
        QVERIFY(CountColour(form->PhaseCanvas().Image(), qRgb(255, 0, 0)) > 600);
        // The peak of the band pass: 20·log10(2) at 2000 Hz.
        double peak = -1e9;
        for (double g : design->gainDb) {
            peak = std::max(peak, g);
        }
        QVERIFY(std::fabs(peak - 20 * std::log10(2.0)) < 0.01);
        QTest::mouseMove(find("GainPlotScreen"), QPoint(300, 100));
        QVERIFY(text("GainX").toDouble() > 10);
        QVERIFY(!text("GainY").isEmpty());
        // The cursor read-out's half power points, on the response: the pre-warped band pass
        // (f0 = 2000 Hz, Q = 10) has them at (2/T)·atan(ωa·T/2·(√(1 + ζ²) ∓ ζ)), ζ = 1/(2Q).
        QTest::mouseClick(gainPlot, Qt::LeftButton, {}, QPoint(300, 100));
        QVERIFY2(gainPlot->CursorText().contains(QStringLiteral("−3 dB at 1903.98, 2100.69 Hz")),
                 qPrintable(gainPlot->CursorText()));
    }

    void wheelZoomComputesTheVisibleDecadeAndResetRestoresTheAxes() {
        click(find<QPushButton>("BodePlot"));
        auto *gainPlot = find<PlotImage>("GainPlotScreen");
        const kaldorium::PlotRanges gainAxes = design->gainPlot.Ranges();
        const kaldorium::PlotRanges phaseAxes = design->phasePlot.Ranges();
        const double firstOmega = design->frequency[0];
        // Zoomed about 2 kHz until less than a decade shows.
        kaldorium::Oscilloscope s = design->gainPlot;
        s.ToPixelX(std::log10(2000.0));
        for (int i = 0; i < 4; ++i) {
            wheel(gainPlot, QPoint(s.pixelX, 100), 2);
        }
        const double left = std::pow(10.0, design->gainPlot.xMin);
        const double right = std::pow(10.0, design->gainPlot.xMax);
        QVERIFY2(right / left < 10.0 && left < 2000.0 && right > 2000.0,
                 qPrintable(QStringLiteral("%1 … %2").arg(left).arg(right)));
        const auto inside =
            std::count_if(design->frequency.begin(), design->frequency.end(), [&](double w) {
                const double hz = w / (2 * M_PI);
                return hz >= left * 0.999999 && hz <= right * 1.000001;
            });
        QVERIFY(inside > 1000);
        // The phase shows the same frequencies; the overlays follow the zoom.
        QCOMPARE(design->phasePlot.xMin, design->gainPlot.xMin);
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(255, 0, 0)) > 600);
        click(find<QCheckBox>("ShowAnalogue"));
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(0, 0, 255)) > 600);
        QCOMPARE(design->gainPlot.xMin, std::log10(left));

        QTest::mouseDClick(gainPlot, Qt::LeftButton, {}, QPoint(200, 100));
        QVERIFY(design->gainPlot.Ranges() == gainAxes);
        QVERIFY(design->phasePlot.Ranges() == phaseAxes);
        QCOMPARE(design->frequency[0], firstOmega);
        QVERIFY(services.errors.isEmpty());
    }

    void decadeLabelsFromTheMenuLabelBothPlots() {
        click(find<QPushButton>("BodePlot"));
        auto *gainPlot = find<PlotImage>("GainPlotScreen");
        QVERIFY(!gainPlot->DecadeLabels());
        const QImage gain = form->GainCanvas().Image().copy();
        const QImage phase = form->PhaseCanvas().Image().copy();
        QTimer::singleShot(50, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction *a : menu->actions()) {
                if (a->text() == QLatin1String("Decade Labels")) {
                    menu->setActiveAction(a);
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(gainPlot, Qt::RightButton, {}, QPoint(300, 100));
        QVERIFY(gainPlot->DecadeLabels());
        QVERIFY(find<PlotImage>("PhasePlotScreen")->DecadeLabels());
        QVERIFY(form->GainCanvas().Image() != gain);
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(255, 0, 0)) > 600);
        // Off again, the plots are as they were.
        gainPlot->SetDecadeLabels(false);
        QCOMPARE(form->GainCanvas().Image(), gain);
        QCOMPARE(form->PhaseCanvas().Image(), phase);
    }

    void theWindowGrowsAndThePlotsWithIt() {
        QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
        click(find<QPushButton>("BodePlot"));
        const QRect bodePlot = find("BodePlot")->geometry();
        form->resize(889 + 200, 634 + 150);
        QTRY_COMPARE(find("GainPlotScreen")->width(), 633 + 200);
        const QRect gain = find("GainPlotScreen")->geometry();
        const QRect phase = find("PhasePlotScreen")->geometry();
        QVERIFY(gain.height() > 321 && phase.height() > 241);
        QCOMPARE(gain.height() + phase.height(), 321 + 241 + 150);
        QCOMPARE(form->GainCanvas().Width(), 633 + 200);
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(255, 0, 0)) > 600);
        // The controls move right, the captions and read-outs under their plots.
        QCOMPARE(find("BodePlot")->geometry(), bodePlot.translated(200, 0));
        const QRect caption = find("Label15")->geometry();
        QVERIFY(caption.top() > gain.bottom() && caption.bottom() < phase.top());
        QVERIFY(find("GainX")->geometry().top() > find("Label16")->geometry().bottom());
        QVERIFY(find("GainX")->geometry().bottom() < form->height());
    }

    void analogueOverlayComesAndGoesWithTheBox() {
        auto *box = find<QCheckBox>("ShowAnalogue");
        QCOMPARE(box->text(), QStringLiteral("Show analogue prototype"));
        QVERIFY(!box->isChecked());
        const QRgb blue = qRgb(0, 0, 255);
        const auto fields = [this] {
            QStringList texts;
            for (QLineEdit *edit : form->findChildren<QLineEdit *>()) {
                texts << edit->objectName() + QLatin1Char('=') + edit->text();
            }
            return texts;
        };
        click(radio("FilterType", "Low Pass"));
        click("BodePlot");
        const QImage gain = form->GainCanvas().Image().copy();
        const QImage phase = form->PhaseCanvas().Image().copy();
        const QStringList before = fields();
        QCOMPARE(CountColour(gain, blue), 0);

        click(box);
        QVERIFY(CountColour(form->GainCanvas().Image(), blue) > 600);
        QVERIFY(CountColour(form->PhaseCanvas().Image(), blue) > 600);
        // Where pre-warping parts the two near Nyquist, the digital trace still shows.
        QVERIFY(CountColour(form->GainCanvas().Image(), qRgb(255, 0, 0)) > 100);
        QCOMPARE(fields(), before);
        QVERIFY(radio("FilterType", "Low Pass")->isChecked());
        QVERIFY(services.errors.isEmpty());

        click(box);
        QCOMPARE(form->GainCanvas().Image(), gain);
        QCOMPARE(form->PhaseCanvas().Image(), phase);
        QCOMPARE(fields(), before);

        // Ticked, the overlay comes with the next Bode plot of a new design.
        click(box);
        click(radio("FilterType", "Band Pass"));
        QCOMPARE(CountColour(form->GainCanvas().Image(), blue), 0);
        click("BodePlot");
        QVERIFY(CountColour(form->GainCanvas().Image(), blue) > 600);
    }

    void bodePlotFaultEndsIdle() {
        // A numerator of zeros has no gain in dB.
        typeFocused("a0", QStringLiteral("0"));
        typeFocused("a2", QStringLiteral("0"));
        leave("a2");
        click("BodePlot");
        QCOMPARE(services.errors, QStringList{"Floating point division by zero"});
        QVERIFY(!visible("MessageLabel"));
        QVERIFY(!form->IsBusy());
        QVERIFY(enabled("BodePlot"));
    }
};

QTEST_MAIN(TestDigitalfiltersdesign)
#include "tst_Digitalfiltersdesign.moc"
