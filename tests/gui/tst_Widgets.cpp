#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/common/NumberText.h"
#include "core/common/Random.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "gui/services/MessagePump.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/workbench/Dspmain.h"

#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace {

// The program's own error display, a real modal box, with the errors recorded as well.
class BoxServices : public FakeUiServices {
public:
    void ShowError(QWidget *parent, const QString &text) override {
        FakeUiServices::ShowError(parent, text);
        QtUiServices().ShowError(parent, text);
    }
};

} // namespace

// The shared widgets' own features: the numeric field's validation, the picture exported as PNG
// and SVG, the measuring cursors, and drawing at a device pixel ratio; and the message pump that
// long work shares.
class TestWidgets : public QObject {
    Q_OBJECT

    // A plot of two known traces: time 0 … 5 ms across, −1 … 1 up, a black 0.8·sin(2πt/5) and a
    // red line from −0.5 to 0.5, sampled every 0.02 ms; the red trace is shown shifted by 0.1.
    struct Plot {
        ImageCanvas canvas{400, 240};
        kaldorium::Oscilloscope scope;
        PlotImage image{canvas};
        static double Black(double t) { return 0.8 * std::sin(2.0 * M_PI * t / 5.0); }
        static double Red(double t) { return 0.2 * t - 0.5; }
        Plot() {
            image.resize(400, 240);
            image.show();
            scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
            scope.traceShift[1] = 0.1;
            for (int k = 0; k <= 250; ++k) {
                const double t = 0.02 * k;
                scope.PlotPair(t, Black(t), Red(t) + 0.1);
            }
            image.MeasureWith(&scope, PlotImage::Axis::TimeMs);
        }
        // Where the plot draws (t, v).
        QPoint At(double t, double v) {
            kaldorium::Oscilloscope s = scope;
            s.ToPixelX(t);
            s.ToPixelY(v);
            return {s.pixelX, s.pixelY};
        }
    };

    static double Number(const QString &line, const QString &name) {
        const qsizetype at = line.indexOf(name + QStringLiteral(" = "));
        return at < 0 ? std::nan("") : line.mid(at + name.size() + 3).section(' ', 0, 0).toDouble();
    }

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
    void refusedTextShowsOneBoxThatEnterCloses() {
        BoxServices services;
        kaldorium::NoiseGenerator noise;
        kaldorium::FilterNetwork network;
        TDSPMainForm form(services, noise, network);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto *field = control<NumberEdit>(&form, "soFrequency");
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("1.2.3"));
        KeyboardAnswerer answerer;
        auto pressEnter = [&] {
            QTest::keyPress(form.windowHandle(), Qt::Key_Return);
            QTest::keyRelease(form.windowHandle(), Qt::Key_Return);
            QTest::qWait(300);
        };
        pressEnter();
        QCOMPARE(answerer.boxes, 1);
        QCOMPARE(services.errors,
                 QStringList{QStringLiteral("'1.2.3' is not a valid floating point value")});
        // The text stays for correcting, selected, in the field that has the focus.
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QCOMPARE(field->selectedText(), QStringLiteral("1.2.3"));
        QCOMPARE(form.Settings().frequency, 2000.0);

        // Enter again on the same text asks nothing; leaving the field validates again.
        pressEnter();
        QCOMPARE(answerer.boxes, 1);
        QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
        QTest::qWait(300);
        QCOMPARE(answerer.boxes, 2);
        QVERIFY(QApplication::focusWidget() != field);

        // A corrected text is taken at the first Enter.
        field->setFocus();
        QTest::keyClick(form.windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("440"));
        pressEnter();
        QCOMPARE(answerer.boxes, 2);
        QCOMPARE(form.Settings().frequency, 440.0);
    }

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

    // Named columns put the axis titles beside the exported plot and a legend above it; the
    // plot itself is unchanged inside.
    void exportedPicturesCarryAxisTitlesAndALegend() {
        Plot plot;
        plot.scope.columns = {"time (ms)", {"input", "output"}, false};
        const QImage shown = plot.canvas.Image().copy();
        const QImage exported = plot.image.ExportedImage();
        // Two traces: a legend above and the x title below, no y title beside.
        QCOMPARE(exported.width(), shown.width());
        const int band = (exported.height() - shown.height()) / 2;
        QVERIFY(band > 10);
        QCOMPARE(exported.copy(0, band, shown.width(), shown.height()), shown);
        auto colourIn = [&](int y0, int y1, QRgb colour) {
            return HasColour(exported.copy(0, y0, exported.width(), y1 - y0), colour);
        };
        QVERIFY(colourIn(0, band, qRgb(255, 0, 0))); // the output's line in the legend
        auto textIn = [&](int y0, int y1) {          // anti-aliased: dark rather than black
            for (int y = y0; y < y1; ++y) {
                for (int x = 0; x < exported.width(); ++x) {
                    if (qGray(exported.pixel(x, y)) < 100) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(textIn(0, band));
        QVERIFY(textIn(band + shown.height(), exported.height()));

        // One named trace: its name is the y title, on the left; the SVG takes the same room.
        plot.scope.columns = {"frequency (Hz)", {"", "gain (dB)"}, true};
        const QImage single = plot.image.ExportedImage();
        QVERIFY(single.width() > shown.width());
        QVERIFY(single.height() > shown.height());
        QTemporaryDir dir;
        const QString svg = dir.filePath(QStringLiteral("titled.svg"));
        QVERIFY(plot.image.SaveImage(svg));
        QSvgRenderer renderer(svg);
        QCOMPARE(renderer.viewBox().size(), single.size());
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("gain (dB)"));
    }

    void cursorsReadTheTracesUnderThem() {
        Plot plot;
        QLabel *readout = plot.image.findChild<QLabel *>(QStringLiteral("CursorReadout"));
        QVERIFY(readout != nullptr);
        QVERIFY(!readout->isVisible());
        // Cursor 1 on the black trace at 1 ms, cursor 2 (Shift) on the red one at 3.5 ms, both
        // clicked a few pixels off the trace: each reads its trace's value, not the mouse height.
        const QPoint first = plot.At(1.0, Plot::Black(1.0)) + QPoint(0, 4);
        const QPoint second = plot.At(3.5, Plot::Red(3.5) + 0.1) - QPoint(0, 4);
        QTest::mouseClick(&plot.image, Qt::LeftButton, {}, first);
        QTest::mouseClick(&plot.image, Qt::LeftButton, Qt::ShiftModifier, second);
        const double x1 = plot.scope.ValueAtX(first.x());
        const double x2 = plot.scope.ValueAtX(second.x());
        const QStringList lines = plot.image.CursorText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QVERIFY(std::fabs(Number(lines[0], QStringLiteral("x1")) - x1) < 1e-5);
        // The nearest sample lies within half a sample spacing and a pixel column.
        const double near = 0.01 + 5.0 / 370;
        const double y1 = Number(lines[0], QStringLiteral("y1"));
        const double y2 = Number(lines[1], QStringLiteral("y2"));
        QVERIFY2(std::fabs(y1 - Plot::Black(x1)) < 0.8 * 2 * M_PI / 5 * near, qPrintable(lines[0]));
        QVERIFY2(std::fabs(y2 - Plot::Red(x2)) < 0.2 * near + 1e-5, qPrintable(lines[1]));
        QVERIFY(std::fabs(Number(lines[2], QStringLiteral("Δx")) - (x2 - x1)) < 1e-5);
        // Time in ms: 1/Δx is the frequency in Hz.
        QVERIFY(std::fabs(Number(lines[2], QStringLiteral("1/Δx")) - 1000.0 / (x2 - x1)) <
                1e-3 * 1000.0 / (x2 - x1));
        QVERIFY(std::fabs(Number(lines[3], QStringLiteral("Δy")) - (y2 - y1)) < 1e-5);
        QVERIFY(readout->isVisible());
        // A middle click moves cursor 2.
        QTest::mouseClick(&plot.image, Qt::MiddleButton, {}, plot.At(4.5, Plot::Black(4.5)));
        QVERIFY(std::fabs(Number(plot.image.CursorText().split('\n')[1], QStringLiteral("y2")) -
                          Plot::Black(4.5)) < 0.02);

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

    void rightClickOpensTheMenuOnly() {
        Plot plot;
        const QPoint at = plot.At(2.0, Plot::Black(2.0));
        // Answers the menu once it is up: records its entries, then picks one or closes it.
        auto rightClick = [&](const QString &pick) {
            QStringList entries;
            QTimer::singleShot(50, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(menu != nullptr);
                for (QAction *a : menu->actions()) {
                    entries << a->text();
                    if (a->text() == pick) {
                        menu->setActiveAction(a);
                    }
                }
                QTest::keyClick(menu, pick.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
            });
            QTest::mouseClick(&plot.image, Qt::RightButton, {}, at);
            return entries;
        };
        const QStringList entries = rightClick(QString());
        QVERIFY(entries.contains(QStringLiteral("Place Cursor 2 Here")));
        QVERIFY(entries.contains(QStringLiteral("Copy Image")));
        QVERIFY(plot.image.CursorText().isEmpty());

        rightClick(QStringLiteral("Place Cursor 2 Here"));
        const QString text = plot.image.CursorText();
        QVERIFY2(text.startsWith(QStringLiteral("x2 = ")), qPrintable(text));
        QVERIFY(std::fabs(Number(text, QStringLiteral("x2")) - plot.scope.ValueAtX(at.x())) < 1e-5);
    }

    void wheelZoomsDragPansClickPlacesAndDoubleClickResets() {
        Plot plot;
        const kaldorium::PlotRanges home = plot.scope.Ranges();
        // Two notches about t = 4: the value under the pointer stays put.
        const QPoint at = plot.At(4.0, 0.0);
        wheel(&plot.image, at, 2);
        QVERIFY(plot.image.View().IsZoomed());
        QVERIFY(std::fabs(plot.scope.xRange - 5.0 / 1.5625) < 1e-9);
        QVERIFY(std::fabs(plot.scope.ValueAtX(at.x()) - 4.0) < 0.02);
        QCOMPARE(plot.scope.yMax, 1.0);
        wheel(&plot.image, at, 1, Qt::ControlModifier);
        QVERIFY(std::fabs(plot.scope.yRange - 2.0 / 1.25) < 1e-9);

        // A drag of 40 pixels to the right pans; cursor 1 stays unplaced.
        const double left = plot.scope.xMin;
        const QPoint from = plot.At(3.0, 0.0);
        QTest::mousePress(&plot.image, Qt::LeftButton, {}, from);
        QTest::mouseMove(&plot.image, from + QPoint(3, 0));
        QTest::mouseMove(&plot.image, from + QPoint(40, 0));
        QTest::mouseRelease(&plot.image, Qt::LeftButton, {}, from + QPoint(40, 0));
        QVERIFY(plot.scope.xMin < left);
        QVERIFY(plot.image.CursorText().isEmpty());
        // A click still places cursor 1.
        QTest::mouseClick(&plot.image, Qt::LeftButton, {}, from);
        QVERIFY(plot.image.CursorText().startsWith(QStringLiteral("x1 = ")));

        QTest::mouseDClick(&plot.image, Qt::LeftButton, {}, from);
        QVERIFY(plot.scope.Ranges() == home);
        wheel(&plot.image, at, 3);
        QTest::keyClick(&plot.image, Qt::Key_Home);
        QVERIFY(plot.scope.Ranges() == home);
        QVERIFY(!plot.image.View().IsZoomed());
    }

    void heldTracesShowGreyAndGoIntoTheData() {
        Plot plot;
        QVERIFY(plot.image.HoldTraces());
        // The next run draws other traces over the grey ones.
        plot.scope.Bind(&plot.canvas, 0.0, 5.0, -1.0, 1.0);
        for (int k = 0; k <= 250; ++k) {
            plot.scope.PlotPair(0.02 * k, -0.9, 0.9);
        }
        plot.canvas.Flush();
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("held.png"));
        QVERIFY(plot.image.SaveImage(png));
        const QImage saved(png);
        const QPoint heldAt = plot.At(2.0, Plot::Black(2.0));
        QCOMPARE(QColor(saved.pixel(heldAt)).red(), 200);
        QCOMPARE(QColor(saved.pixel(heldAt)).green(), 200);

        const QString csv = dir.filePath(QStringLiteral("data.csv"));
        QVERIFY(plot.image.SaveData(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(rows.size(), 253); // header, 251 points, the empty end
        QCOMPARE(rows[0].count(QLatin1String("held 1")), 3);
        QCOMPARE(rows[101].section(',', 3, 4),
                 QStringLiteral("2,%1").arg(
                     QString::fromStdString(kaldorium::FormatGeneral(Plot::Black(2.0), 12))));

        plot.image.ClearHeld();
        QVERIFY(QColor(plot.canvas.Image().pixel(heldAt)).red() != 200);
    }

    // The context menu's data items: Copy Data puts the CSV on the clipboard, Save Data As…
    // writes it to the file the dialog answers.
    void dataMenuCopiesAndSavesTheCsv() {
        Plot plot;
        FakeUiServices services;
        plot.image.SetServices(&services);
        plot.scope.columns = {"time (ms)", {"input", "output"}, false};
        const QString csv = plot.image.DataText();
        QVERIFY(csv.startsWith(QStringLiteral("time (ms),input,output\r\n")));
        QCOMPARE(csv.count(QStringLiteral("\r\n")), 252);
        QVERIFY(
            chooseFromMenu(&plot.image, plot.image.rect().center(), QStringLiteral("Copy Data")));
        QCOMPARE(QApplication::clipboard()->text(), csv);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("menu.csv"));
        services.saveAnswers.enqueue(path);
        QVERIFY(chooseFromMenu(&plot.image, plot.image.rect().center(),
                               QStringLiteral("Save Data As…")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), csv);
        QVERIFY(services.errors.isEmpty());
    }

    // The projector view on every plot, those made later too: traces 3 pixels wide, the labels'
    // margin doubled, the cursors' lines thicker; off again, the picture is as it was.
    void projectorViewWidensTracesLabelsAndCursors() {
        Plot plot;
        plot.canvas.Flush();
        const QImage before = plot.canvas.Image().copy();
        auto thickness = [&](const QImage &image, int x) { // dark rows of the black trace
            int dark = 0;
            for (int y = 0; y < image.height(); ++y) {
                dark += image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
            return dark;
        };
        PlotImage::SetProjectorView(true);
        QCOMPARE(plot.scope.traceWidth, 3);
        QCOMPARE(plot.scope.LabelMargin(), 60);
        plot.canvas.Flush();
        const QPoint flat = plot.At(1.25, Plot::Black(1.25)); // the sine's crest: level
        QVERIFY(thickness(plot.canvas.Image(), flat.x()) >= 3);
        Plot later;
        QCOMPARE(later.scope.traceWidth, 3);
        QTest::mouseClick(&plot.image, Qt::LeftButton, {}, plot.At(2.5, 0.0));
        const QImage withCursor = plot.image.grab().toImage();
        PlotImage::SetProjectorView(false);
        QTest::mouseClick(&plot.image, Qt::LeftButton, {}, plot.At(2.5, 0.0));
        const QImage thinCursor = plot.image.grab().toImage();
        auto cursorWidth = [](const QImage &image) { // columns of cursor 1's blue in a row
            int columns = 0;
            for (int x = 0; x < image.width(); ++x) {
                columns += image.pixel(x, image.height() / 3) == qRgb(0, 90, 220) ? 1 : 0;
            }
            return columns;
        };
        QVERIFY2(
            cursorWidth(withCursor) > cursorWidth(thinCursor),
            qPrintable(
                QStringLiteral("%1 %2").arg(cursorWidth(withCursor)).arg(cursorWidth(thinCursor))));
        QCOMPARE(plot.scope.traceWidth, 2);
        QCOMPARE(plot.scope.LabelMargin(), 30);
        plot.canvas.Flush();
        QCOMPARE(plot.canvas.Image(), before);
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

    // A trace with many samples per pixel column is drawn column by column, yet as the same
    // pixels as segment by segment (each segment flushed on its own), at any pen width and
    // scale, with points, a second colour and clipping at the edges.
    void denseTraceDrawsTheSamePixelsAsSegmentBySegment() {
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            for (const int width : {1, 2, 3}) {
                ImageCanvas joined(120, 60);
                ImageCanvas single(120, 60);
                for (ImageCanvas *c : {&joined, &single}) {
                    c->Resize(120, 60, ratio);
                    c->SetPenWidth(width);
                }
                std::uint32_t seed = 7;
                int x = -2, y[2] = {10, 40};
                for (int k = 0; k < 3000; ++k) {
                    seed = seed * 1664525u + 1013904223u;
                    const int t = k % 2;
                    const int nextX = t == 1 && seed % 13 == 0 ? x + 1 : x;
                    // Each trace in its own band (the top and bottom ones past the edges).
                    const int nextY = std::clamp(y[t] + static_cast<int>((seed >> 28) % 7) - 3,
                                                 t == 0 ? -5 : 32, t == 0 ? 25 : 65);
                    for (ImageCanvas *c : {&joined, &single}) {
                        c->SetPenColor(t == 0 ? kaldorium::ColorBlack : kaldorium::ColorRed);
                        c->Line(x, y[t], nextX, nextY);
                        if (c == &single) {
                            c->Image();
                        }
                    }
                    y[t] = nextY;
                    x = t == 1 ? nextX : x;
                }
                QCOMPARE(joined.Image(), single.Image());
            }
        }
    }

    // Messages that run in the middle of a piece of work neither hide its fault (a handler that
    // starts by clearing the flags) nor hand it theirs (a handler that divides by zero).
    void messagePumpKeepsTheWorksFloatingPointFlags() {
        volatile double zero = 0.0;
        int ran = 0;
        QTimer::singleShot(0, [&] {
            std::feclearexcept(FE_ALL_EXCEPT);
            ++ran;
        });
        QTimer::singleShot(0, [&] {
            volatile double quotient = 1.0 / zero;
            (void)quotient;
            ++ran;
        });
        std::feclearexcept(FE_ALL_EXCEPT);
        std::feraiseexcept(FE_OVERFLOW);
        PumpMessages();
        const int raised = std::fetestexcept(FE_ALL_EXCEPT);
        std::feclearexcept(FE_ALL_EXCEPT);
        QCOMPARE(ran, 2);
        QVERIFY(raised & FE_OVERFLOW);
        QVERIFY(!(raised & FE_DIVBYZERO));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_Widgets.moc"
