#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include "core/common/NumberText.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/FixedPoint.h"
#include "core/tools/PoleZero.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Polezero.h"
#include "gui/widgets/PlotImage.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using kaldorium::Complex;

namespace {

// Pixels of a colour in an image.
int CountColour(const QImage &image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour;
        }
    }
    return n;
}

// The poles of the designer's present set, found afresh from its coefficients.
kaldorium::PoleZeroMap RootsOf(const kaldorium::DigitalFilterDesign &d) {
    return kaldorium::FindPolesAndZeros(kaldorium::DirectFormTransfer(d.a, d.b, 7));
}

bool Has(const std::vector<kaldorium::PoleZeroRoot> &roots, Complex z, double tolerance) {
    for (const kaldorium::PoleZeroRoot &r : roots) {
        if (std::abs(r.z - z) < tolerance) {
            return true;
        }
    }
    return false;
}

} // namespace

// The pole-zero window beside the designer, driven with the mouse as a user drives it.
class TestPolezero : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    PoleZeroWorkbench workbench;
    std::unique_ptr<kaldorium::DigitalFilterDesign> design;
    std::unique_ptr<kaldorium::FilterNetwork> network;
    std::unique_ptr<kaldorium::QuantisedFilterSource> quantised;
    std::unique_ptr<TDigitalFiltersForm> designer;
    std::unique_ptr<TPoleZeroForm> form;

    template <typename T = QWidget> T *find(QWidget *window, const char *name) {
        return control<T>(window, name);
    }
    QString stability() { return find<QLabel>(form.get(), "Stability")->text(); }
    PlotImage *plane() { return find<PlotImage>(form.get(), "ZPlane"); }
    // Presses on `from`, moves in two steps to `to` and lets go.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(plane(), Qt::LeftButton, {}, from);
        QTest::mouseMove(plane(), (from + to) / 2);
        QTest::mouseMove(plane(), to);
        QTest::mouseRelease(plane(), Qt::LeftButton, {}, to);
    }
    Complex valueAt(QPoint p) {
        return {form->Plane().ValueAtX(p.x()), form->Plane().ValueAtY(p.y())};
    }

private slots:
    void init() {
        services = FakeUiServices();
        workbench = PoleZeroWorkbench();
        design = std::make_unique<kaldorium::DigitalFilterDesign>();
        network = std::make_unique<kaldorium::FilterNetwork>();
        quantised = std::make_unique<kaldorium::QuantisedFilterSource>(*design);
        designer = std::make_unique<TDigitalFiltersForm>(services, *design);
        form = std::make_unique<TPoleZeroForm>(services, *design, *network);
        designer->SetPoleZeroForm(form.get());
        designer->SetQuantisedSource(quantised.get());
        form->SetQuantisedSource(quantised.get());
        form->SetWorkbench([this] { return workbench; });
        designer->show();
        QTest::mouseClick(find<QPushButton>(designer.get(), "PoleZeroPlot"), Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        designer.reset();
        quantised.reset();
        network.reset();
        design.reset();
    }

    void showsTheSelectedFilterAndFollowsIt() {
        // Band pass 2000 Hz, Q 10: one pair of poles whose f0 and Q read back, zeros at ±1.
        auto *table = find<QTableWidget>(form.get(), "PoleZeroTable");
        QVERIFY(stability().startsWith(QStringLiteral("stable (largest pole radius 0.9")));
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("pole"));
        QVERIFY(std::fabs(table->item(0, 5)->text().toDouble() - 2000.0) < 1e-6);
        QVERIFY(std::fabs(table->item(0, 6)->text().toDouble() - 10.0) < 1e-9);
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("zero"));
        const QImage before = form->PlaneCanvas().Image().copy();

        // A field changed on the workbench: the window follows by itself.
        workbench.f0 = 5000.0;
        QTRY_VERIFY(std::fabs(table->item(0, 5)->text().toDouble() - 5000.0) < 1e-6);
        QVERIFY(form->PlaneCanvas().Image() != before);

        // The 4th-order low pass: its pole pair twice and zeros at −1 four times, both counted.
        workbench.kind = kaldorium::fkLowPass4th;
        QTRY_COMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("pole ×2"));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("zero ×4"));

        workbench.kind = kaldorium::fkIntegrator;
        workbench.name = "Integrator";
        QTRY_VERIFY(stability().startsWith(QStringLiteral("marginally stable")));
        QCOMPARE(find<QLabel>(form.get(), "FilterName")->text(), QStringLiteral("Integrator"));
        QVERIFY(!find<QLabel>(form.get(), "DragHint")->text().startsWith(QStringLiteral("Drag")));

        // Only the designed filter's roots move: a drag elsewhere changes nothing.
        const double b1 = design->b[1];
        const QPoint pole = form->PixelOf(form->Map().poles[0].z);
        drag(pole, pole + QPoint(-40, 30));
        QCOMPARE(design->b[1], b1);
    }

    void draggingRewritesTheDesign() {
        workbench.kind = kaldorium::fkDesigned;
        form->Follow();
        QVERIFY(find<QLabel>(form.get(), "DragHint")->text().startsWith(QStringLiteral("Drag")));
        const Complex upper =
            form->Map().poles[1].z.imag() > 0 ? form->Map().poles[1].z : form->Map().poles[0].z;
        const QPoint from = form->PixelOf(upper);
        // Dropped in the lower half: the pair keeps the dropped point and its conjugate.
        const QPoint to = form->PixelOf({0.5, -0.5});
        drag(from, to);
        const Complex dropped = valueAt(to);
        const kaldorium::PoleZeroMap roots = RootsOf(*design);
        QVERIFY(Has(roots.poles, dropped, 1e-9));
        QVERIFY(Has(roots.poles, std::conj(dropped), 1e-9));
        QCOMPARE(design->order, 2);
        QCOMPARE(design->designType, kaldorium::DigitalFilterDesign::UnknownType);
        // The designer's fields show the new set.
        QCOMPARE(find<QLineEdit>(designer.get(), "b1")->text(),
                 QString::fromStdString(kaldorium::FormatGeneral(design->b[1])));

        // The band pass's zero at +1 is real: it stays on the real axis.
        const QPoint zero = form->PixelOf({1.0, 0.0});
        const QPoint zeroTo = form->PixelOf({0.6, 0.3});
        drag(zero, zeroTo);
        QVERIFY(Has(RootsOf(*design).zeros, {valueAt(zeroTo).real(), 0.0}, 1e-9));

        // Outside the circle: unstable, drawn red.
        drag(form->PixelOf(dropped), form->PixelOf({1.1, 0.2}));
        QVERIFY(stability().startsWith(QStringLiteral("unstable")));
        QVERIFY(CountColour(form->PlaneCanvas().Image(), qRgb(255, 0, 0)) > 10);
        QVERIFY(services.errors.isEmpty());
    }

    void roundedCoefficientsMoveThePoles() {
        // A narrow low pass (100 Hz at 40 kHz) at 8 bits: the classic lesson.
        design->SelectFilterType(3);
        design->sfFrequencyExit("100");
        design->sQfactorExit("0.7");
        workbench.kind = kaldorium::fkDesigned;
        form->Follow();
        QVERIFY(form->QuantisedMap().poles.empty());
        auto *bits = find<QComboBox>(designer.get(), "CoefficientBits");
        QCOMPARE(bits->count(), 5);
        QCOMPARE(bits->itemText(0), QStringLiteral("Exact"));
        bits->setCurrentIndex(bits->findText(QStringLiteral("8")));
        QCOMPARE(quantised->Bits(), kaldorium::CoefficientBits::Bits8);
        QTRY_VERIFY(!form->QuantisedMap().poles.empty());
        QVERIFY(!Has(form->QuantisedMap().poles, form->Map().poles[0].z, 1e-4));
        QVERIFY(stability().contains(QStringLiteral("; 8 bits: ")));
        QVERIFY(CountColour(form->PlaneCanvas().Image(), qRgb(0, 110, 220)) > 10);

        // The designer's Bode plot overlays the rounded response.
        QTest::mouseClick(find<QPushButton>(designer.get(), "BodePlot"), Qt::LeftButton);
        QVERIFY(CountColour(designer->GainCanvas().Image(), qRgb(230, 120, 0)) > 50);
        bits->setCurrentIndex(0);
        QCOMPARE(CountColour(designer->GainCanvas().Image(), qRgb(230, 120, 0)), 0);
        QTRY_VERIFY(form->QuantisedMap().poles.empty());
    }

    void exportWritesTheChosenFormat() {
        QTemporaryDir dir;
        auto *button = find<QPushButton>(designer.get(), "ExportCoefficients");
        services.saveAnswers << dir.filePath(QStringLiteral("design.py"));
        QTest::mouseClick(button, Qt::LeftButton);
        QFile py(dir.filePath(QStringLiteral("design.py")));
        QVERIFY(py.open(QIODevice::ReadOnly));
        const QByteArray text = py.readAll();
        QVERIFY(text.contains("scipy.signal"));
        QVERIFY(
            text.contains(QByteArray::fromStdString(kaldorium::FormatGeneral(design->a[0], 17))));
        QVERIFY(services.errors.isEmpty());

        // A name of no known format is refused, and nothing is written.
        services.saveAnswers << dir.filePath(QStringLiteral("design.txt"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(services.errors.size(), 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("design.txt"))));

        // A set the filter cannot run is refused before a name is asked for.
        design->SetCoefficients({1, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0});
        const int asked = static_cast<int>(services.shown.size());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(services.errors.size(), 2);
        QCOMPARE(static_cast<int>(services.shown.size()), asked + 1); // the error alone
        // The pole-zero window says why it shows nothing.
        workbench.kind = kaldorium::fkDesigned;
        form->Follow();
        QCOMPARE(stability(), QStringLiteral("Floating point division by zero"));
    }
};

QTEST_MAIN(TestPolezero)
#include "tst_Polezero.moc"
