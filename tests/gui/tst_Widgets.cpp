#include "FakeUiServices.h"

#include "signal/Oscilloscopeclass.h"
#include "widgets/ImageCanvas.h"
#include "widgets/PlotImage.h"

#include <QFile>
#include <QLabel>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

// The plot widget's own features: the picture exported as PNG and SVG, the measuring cursors,
// and drawing at a device pixel ratio.
class TestWidgets : public QObject {
    Q_OBJECT

    // A plot of one known trace: time 0 … 5 ms across, −1 … 1 up, a red line from (1, −0.5) to
    // (4, 0.5) under a black one at 0.
    struct Plot {
        ImageCanvas canvas{400, 240};
        kaldorium::Oscilloscope scope;
        PlotImage image{canvas};
        Plot() {
            image.resize(400, 240);
            image.show();
            scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
            scope.PlotPair(1.0, 0.0, -0.5);
            scope.PlotPair(4.0, 0.0, 0.5);
            image.MeasureWith(&scope, PlotImage::Axis::TimeMs);
        }
    };

    static bool HasColour(const QImage &image, QRgb colour) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

private slots:
    void savedPicturesHoldTheWholePlot() {
        Plot plot;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("plot.png"));
        QVERIFY(plot.image.SaveImage(png));
        const QImage saved(png);
        QCOMPARE(saved.size(), QSize(400, 240));
        QVERIFY(HasColour(saved, qRgb(255, 0, 0))); // the red trace
        QVERIFY(HasColour(saved, qRgb(0, 0, 0)));   // the black trace and the labels
        QVERIFY(HasColour(saved, qRgb(0, 128, 0))); // the grid

        // The SVG is drawn from the same calls: vector lines in the trace colours, and it
        // renders to the same picture size.
        const QString svg = dir.filePath(QStringLiteral("plot.svg"));
        QVERIFY(plot.image.SaveImage(svg));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("<svg"));
        QVERIFY(text.contains("stroke=\"#ff0000\""));
        QVERIFY(text.contains("stroke=\"#008000\""));
        QVERIFY(text.contains("polyline") || text.contains("<path"));
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(0, 0, 400, 240));
        QImage rendered(400, 240, QImage::Format_RGB32);
        rendered.fill(Qt::white);
        QPainter painter(&rendered);
        renderer.render(&painter);
        painter.end();
        QVERIFY(HasColour(rendered, qRgb(255, 0, 0)));
    }

    void cursorsReadTwoPositionsAndTheirDifferences() {
        Plot plot;
        QLabel *readout = plot.image.findChild<QLabel *>(QStringLiteral("CursorReadout"));
        QVERIFY(readout != nullptr);
        QVERIFY(!readout->isVisible());
        const QPoint first(100, 60);
        const QPoint second(300, 150);
        QTest::mouseClick(&plot.image, Qt::LeftButton, {}, first);
        QTest::mouseClick(&plot.image, Qt::LeftButton, Qt::ShiftModifier, second);
        const double x1 = plot.scope.ValueAtX(first.x());
        const double x2 = plot.scope.ValueAtX(second.x());
        const double y1 = plot.scope.ValueAtY(first.y());
        const double y2 = plot.scope.ValueAtY(second.y());
        QVERIFY(x2 > x1);
        const QStringList lines = plot.image.CursorText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        auto number = [](const QString &line, const QString &name) {
            const qsizetype at = line.indexOf(name + QStringLiteral(" = "));
            return at < 0 ? std::nan("")
                          : line.mid(at + name.size() + 3).section(' ', 0, 0).toDouble();
        };
        QVERIFY(std::fabs(number(lines[0], QStringLiteral("x1")) - x1) < 1e-5);
        QVERIFY(std::fabs(number(lines[1], QStringLiteral("y2")) - y2) < 1e-5);
        QVERIFY(std::fabs(number(lines[2], QStringLiteral("Δx")) - (x2 - x1)) < 1e-5);
        // Time in ms: 1/Δx is the frequency in Hz.
        QVERIFY(std::fabs(number(lines[2], QStringLiteral("1/Δx")) - 1000.0 / (x2 - x1)) <
                1e-3 * 1000.0 / (x2 - x1));
        QVERIFY(std::fabs(number(lines[3], QStringLiteral("Δy")) - (y2 - y1)) < 1e-5);
        QVERIFY(readout->isVisible());

        QTest::keyClick(&plot.image, Qt::Key_Escape);
        QVERIFY(plot.image.CursorText().isEmpty());
        QVERIFY(!readout->isVisible());

        // The read-out takes the corner that hides no trace: the red one runs on to the top
        // right.
        plot.scope.PlotPair(5.0, 0.0, 1.0);
        QTest::mouseClick(&plot.image, Qt::LeftButton, Qt::ShiftModifier, second);
        const QImage under = plot.canvas.Image().copy(readout->geometry());
        QVERIFY(!HasColour(under, qRgb(255, 0, 0)));
    }

    void drawingFollowsTheDevicePixelRatio() {
        ImageCanvas canvas(100, 50);
        canvas.Resize(100, 50, 2.0);
        QCOMPARE(canvas.Width(), 100);
        QCOMPARE(canvas.Image().size(), QSize(200, 100));
        canvas.SetPenColor(kaldorium::ColorRed);
        canvas.SetPenWidth(1);
        canvas.Line(10, 20, 60, 20);
        // One logical pixel of pen is two image rows, and the line stays where it was drawn.
        const QImage image = canvas.Image();
        QCOMPARE(image.pixel(60, 40), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(60, 41), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(60, 39), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(60, 42), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_Widgets.moc"
