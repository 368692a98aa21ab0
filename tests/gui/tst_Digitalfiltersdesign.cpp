#include "FakeUiServices.h"
#include "GuiTestSupport.h"

#include "common/NumberText.h"
#include "tools/DigitalFilterDesign.h"
#include "tools/Digitalfiltersdesign.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

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
class TestDigitalfiltersdesign : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    FakeWorkbench workbench;
    std::unique_ptr<kaldorium::DigitalFilterDesign> design;
    std::unique_ptr<TDigitalFiltersForm> form;

    template <typename T = QWidget> T *find(const char *name) {
        return control<T>(form.get(), name);
    }
    QString text(const char *name) { return find<QLineEdit>(name)->text(); }
    QRadioButton *radio(const char *group, const char *caption) {
        for (QRadioButton *r : find<QGroupBox>(group)->findChildren<QRadioButton *>()) {
            if (r->text() == QLatin1String(caption)) {
                return r;
            }
        }
        QTest::qFail(caption, __FILE__, __LINE__);
        return nullptr;
    }
    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void type(const char *name, const QString &value) {
        auto *edit = find<NumberEdit>(name);
        edit->setFocus();
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, value);
    }
    void leave(const char *name) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(find<QLineEdit>(name), &out);
    }

private slots:
    void init() {
        services = FakeUiServices();
        workbench = FakeWorkbench();
        design = std::make_unique<kaldorium::DigitalFilterDesign>();
        design->SetWorkbench(&workbench);
        form = std::make_unique<TDigitalFiltersForm>(services, *design);
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
            QVERIFY2(!find(hidden)->isVisible(), hidden);
        }
        QVERIFY(find("Image2nd")->isVisible());
        QVERIFY(find("CalcFilter")->isVisible());
        QVERIFY(!find("GainX")->isEnabled());
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
        QCOMPARE(find("Image2nd")->isVisible(), shown == 2);
        QCOMPARE(find("Image4th")->isVisible(), shown == 4);
        QCOMPARE(find("Image6th")->isVisible(), shown == 6);
        QCOMPARE(find("CalcFilter")->isVisible(), shown == 2);
        QCOMPARE(text("b0"), shown == 2 ? General(design->b[0]) : QStringLiteral("1"));
        QCOMPARE(text(("a" + QByteArray::number(shown)).constData()), General(design->a[shown]));
    }

    void typedCoefficientsAreKept() {
        type("a1", QStringLiteral("0.5x"));
        QVERIFY(radio("FilterType", "Unknown")->isChecked());
        type("b0", QString());
        leave("b0");
        QCOMPARE(text("b0"), QStringLiteral("0"));
        QCOMPARE(design->a[1], 0.5);
        click(radio("FilterOrder", "4th"));
        QCOMPARE(text("a1"), QStringLiteral("0.5"));
        QCOMPARE(design->a[1], 0.5);
        // Reopened with the workbench on the designed filter and the same oT.
        type("b0", QStringLiteral("2"));
        leave("b0");
        form->hide();
        workbench.kind = kaldorium::fkDesigned;
        form->show();
        QCOMPARE(text("a1"), QStringLiteral("0.5"));
        QCOMPARE(design->b[0], 2.0);
    }

    void calculateGivesBackTheParameters() {
        // The typed frequency is taken when the click moves the focus to the button.
        type("sfFrequency", QStringLiteral("3000"));
        click(radio("FilterType", "High Pass"));
        click(radio("FilterType", "Band Pass"));
        click(find<QPushButton>("CalcFilter"));
        QVERIFY(radio("FilterType", "Band Pass")->isChecked());
        QVERIFY(std::fabs(text("sfFrequency").toDouble() - 3000) < 1e-8);
        QVERIFY(std::fabs(text("sQfactor").toDouble() - 10) < 1e-10);
        QVERIFY(std::fabs(text("sfAmplification").toDouble() - 2) < 1e-12);
    }

    void steppers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("stepper");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("after");
        QTest::newRow("100 up") << "sfFrequency"
                                << "fFrequencyI"
                                << "100" << true << "200";
        QTest::newRow("100 down") << "sfFrequency"
                                  << "fFrequencyI"
                                  << "100" << false << "90";
        QTest::newRow("50 up") << "sfFrequency"
                               << "fFrequencyI"
                               << "50" << true << "60";
        QTest::newRow("at 0.5/ts") << "sfFrequency"
                                   << "fFrequencyI"
                                   << "20000" << true << "20000";
        QTest::newRow("typed 0") << "sfFrequency"
                                 << "fFrequencyI"
                                 << "0" << true << "1";
        QTest::newRow("Q typed 0") << "sQfactor"
                                   << "QfactorI"
                                   << "0" << false << "1";
        QTest::newRow("Q 1 down") << "sQfactor"
                                  << "QfactorI"
                                  << "1" << false << "0.9";
        QTest::newRow("A0 typed -1") << "sfAmplification"
                                     << "fAmplificationI"
                                     << "-1" << true << "0";
    }
    void steppers() {
        QFETCH(QString, field);
        QFETCH(QString, stepper);
        QFETCH(QString, before);
        QFETCH(bool, up);
        QFETCH(QString, after);
        type(field.toLatin1().constData(), before); // typed, the field not left
        auto *s = find<Stepper>(stepper.toLatin1().constData());
        click(up ? s->UpButton() : s->DownButton());
        QCOMPARE(text(field.toLatin1().constData()), after);
        QVERIFY(services.errors.isEmpty());
    }

    void fieldRules() {
        type("sQfactor", QString());
        leave("sQfactor");
        QCOMPARE(text("sQfactor"), QStringLiteral("1"));
        QCOMPARE(design->q, 1.0);
        type("sfAmplification", QStringLiteral("3a"));
        QTest::keyClick(find<NumberEdit>("sfAmplification"), Qt::Key_Return);
        QCOMPARE(design->amplification, 3.0);
        QCOMPARE(text("a0"), General(design->a[0]));
        type("sQfactor", QStringLiteral("1..2"));
        leave("sQfactor");
        QCOMPARE(services.errors, QStringList{"'1..2' is not a valid floating point value"});
        QCOMPARE(design->q, 1.0);
    }

    void bodePlotDrawsAndReadsOut() {
        click(find<QPushButton>("BodePlot"));
        QVERIFY(!find("MessageLabel")->isVisible());
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
        click(find<QPushButton>("BodePlot"));
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
        click(find<QPushButton>("BodePlot"));
        QVERIFY(CountColour(form->GainCanvas().Image(), blue) > 600);
    }

    void bodePlotFaultEndsIdle() {
        // A numerator of zeros has no gain in dB.
        type("a0", QStringLiteral("0"));
        type("a2", QStringLiteral("0"));
        leave("a2");
        click(find<QPushButton>("BodePlot"));
        QCOMPARE(services.errors, QStringList{"Floating point division by zero"});
        QVERIFY(!find("MessageLabel")->isVisible());
        QVERIFY(!form->IsBusy());
        QVERIFY(find("BodePlot")->isEnabled());
    }
};

QTEST_MAIN(TestDigitalfiltersdesign)
#include "tst_Digitalfiltersdesign.moc"
