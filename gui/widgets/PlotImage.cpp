#include "gui/widgets/PlotImage.h"

#include "core/common/NumberText.h"
#include "core/signal/Oscilloscopeclass.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/ImageCanvas.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

QString Number(double v) {
    return QString::fromStdString(kaldorium::FormatGeneral(v, 6));
}

const QColor Cursor1Colour(0, 90, 220);
const QColor Cursor2Colour(200, 0, 200);

} // namespace

PlotImage::PlotImage(ImageCanvas &canvas_, QWidget *parent) : QWidget(parent), canvas(canvas_) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    readout = new QLabel(this);
    readout->setObjectName(QStringLiteral("CursorReadout"));
    readout->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout->setStyleSheet(QStringLiteral("QLabel { background: rgba(255, 255, 224, 230); "
                                          "border: 1px solid #808080; padding: 2px; }"));
    readout->hide();
}

void PlotImage::MeasureWith(kaldorium::Oscilloscope *measured, Axis measuredAxis) {
    scope = measured;
    axis = measuredAxis;
    if (ProjectorView()) {
        ApplyProjectorView();
    }
    UpdateReadout();
}

void PlotImage::SetServices(UiServices *dialogs) {
    services = dialogs;
}

void PlotImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), canvas.Image());
    // The cursors are drawn over the picture, not into it.
    auto drawCursor = [&](const std::optional<QPoint> &at, const std::optional<int> &row,
                          const QColor &colour) {
        if (!at) {
            return;
        }
        QPen pen(colour, ProjectorView() ? 2 : 1, Qt::DashLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        const int y = row.value_or(at->y());
        painter.drawLine(QPointF(at->x() + 0.5, 0), QPointF(at->x() + 0.5, height()));
        painter.drawLine(QPointF(0, y + 0.5), QPointF(width(), y + 0.5));
    };
    drawCursor(cursor1, cursorRow[0], Cursor1Colour);
    drawCursor(cursor2, cursorRow[1], Cursor2Colour);
}

void PlotImage::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    if (DragTo(p, event->buttons())) {
        return;
    }
    emit mouseMoved(p.x(), p.y());
}

void PlotImage::mousePressEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (!event->modifiers().testFlag(Qt::ShiftModifier) && scope != nullptr) {
            TakeHome();
            drag = Drag{p, view.Visible(), cursor1};
        }
        PlaceCursor(event->modifiers().testFlag(Qt::ShiftModifier) ? 2 : 1, p);
    } else if (event->button() == Qt::MiddleButton) {
        PlaceCursor(2, p);
    } else if (event->button() == Qt::RightButton) {
        ShowMenu(p, event->globalPosition().toPoint());
    }
    QWidget::mousePressEvent(event);
}

void PlotImage::PlaceCursor(int which, const QPoint &at) {
    if (scope == nullptr) {
        return;
    }
    (which == 2 ? cursor2 : cursor1) = at;
    UpdateReadout();
    update();
}

void PlotImage::ShowMenu(const QPoint &at, const QPoint &globalAt) {
    QMenu menu(this);
    QAction *place = menu.addAction(QStringLiteral("Place Cursor 2 Here"), this,
                                    [this, at] { PlaceCursor(2, at); });
    place->setEnabled(scope != nullptr);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Copy Image"), this, [this] { CopyImage(); });
    QAction *save = menu.addAction(QStringLiteral("Save Image As…"), this, [this] {
        const QString name = services->SaveFileName(
            this, QStringLiteral("Save Image As"), DataRoot(),
            QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)"), QStringLiteral("png"));
        if (!name.isEmpty() && !SaveImage(name)) {
            services->ReportError(this, QStringLiteral("Could not write the image %1").arg(name));
        }
    });
    save->setEnabled(services != nullptr);
    QAction *clear =
        menu.addAction(QStringLiteral("Clear Cursors"), this, [this] { ClearCursors(); });
    clear->setEnabled(cursor1 || cursor2);
    AddViewActions(menu);
    menu.exec(globalAt);
}

void PlotImage::ClearCursors() {
    cursor1.reset();
    cursor2.reset();
    UpdateReadout();
    update();
}

QString PlotImage::XText(double value) const {
    return Number(axis == Axis::LogFrequency ? std::pow(10.0, value) : value);
}

PlotImage::Reading PlotImage::Read(const QPoint &at) const {
    Reading r;
    // A sweep's page starts further along the axis; its labels show where.
    r.x = scope->ValueAtX(at.x()) + scope->xRange * scope->sweepOffset;
    kaldorium::Oscilloscope::TracePoint point;
    if (scope->TraceAt(at.x(), at.y(), point)) {
        r.y = point.value;
        r.row = point.pixelY;
    } else {
        r.y = scope->ValueAtY(at.y());
    }
    return r;
}

QString PlotImage::CursorText() const {
    if (scope == nullptr || (!cursor1 && !cursor2)) {
        return QString();
    }
    QStringList lines;
    std::optional<double> x[2];
    std::optional<double> y[2];
    const std::optional<QPoint> *cursors[2] = {&cursor1, &cursor2};
    for (int i = 0; i < 2; ++i) {
        if (*cursors[i]) {
            const Reading r = Read(**cursors[i]);
            x[i] = r.x;
            y[i] = r.y;
            lines << QStringLiteral("x%1 = %2   y%1 = %3")
                         .arg(i + 1)
                         .arg(XText(*x[i]), Number(*y[i]));
        }
    }
    if (x[0] && x[1]) {
        const double dx = axis == Axis::LogFrequency ? std::pow(10.0, *x[1]) - std::pow(10.0, *x[0])
                                                     : *x[1] - *x[0];
        QString line = QStringLiteral("Δx = %1").arg(Number(dx));
        if (axis == Axis::TimeMs && dx != 0.0) {
            line += QStringLiteral("   1/Δx = %1 Hz").arg(Number(1000.0 / std::fabs(dx)));
        } else if (axis != Axis::TimeMs && dx != 0.0) {
            line += QStringLiteral("   1/Δx = %1").arg(Number(1.0 / dx));
        }
        lines << line << QStringLiteral("Δy = %1").arg(Number(*y[1] - *y[0]));
    }
    if (cursorExtras) {
        const QString extra = cursorExtras(x[0], x[1]);
        if (!extra.isEmpty()) {
            lines << extra;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QPoint PlotImage::ReadoutCorner(const QSize &size) {
    // The corner of the plotting area (right of the y labels, above the x labels) that hides
    // the least: no cursor's crossing if it can, then the fewest trace pixels. Ties keep the
    // earlier corner, top right first.
    const int left = scope != nullptr ? scope->margin : 0;
    const int bottom = height() - (scope != nullptr ? scope->margin : 0);
    const int rightX = std::max(0, width() - size.width() - 4);
    const int lowY = std::max(4, bottom - size.height() - 4);
    const QPoint corners[] = {{rightX, 4},
                              {std::min(left + 4, rightX), 4},
                              {rightX, lowY},
                              {std::min(left + 4, rightX), lowY}};
    const QImage &image = canvas.Image();
    const qreal ratio = canvas.DevicePixelRatio();
    QPoint best = corners[0];
    long bestCost = -1;
    for (const QPoint &corner : corners) {
        const QRect area(corner, size);
        long cost = 0;
        for (const std::optional<QPoint> &at : {cursor1, cursor2}) {
            cost += at && area.contains(*at) ? 1000000 : 0;
        }
        // Every second pixel is enough to tell a trace from the empty grid.
        for (int y = area.top(); y <= area.bottom(); y += 2) {
            for (int x = area.left(); x <= area.right(); x += 2) {
                const QPoint device(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
                if (!image.valid(device)) {
                    continue;
                }
                const QRgb c = image.pixel(device);
                const bool red = qRed(c) > 160 && qGreen(c) < 96 && qBlue(c) < 96;
                const bool black = qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
                cost += red || black;
            }
        }
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            best = corner;
        }
    }
    return best;
}

void PlotImage::UpdateReadout() {
    const std::optional<QPoint> *cursors[2] = {&cursor1, &cursor2};
    for (int i = 0; i < 2; ++i) {
        cursorRow[i].reset();
        if (scope != nullptr && *cursors[i]) {
            cursorRow[i] = Read(**cursors[i]).row;
        }
    }
    const QString text = CursorText();
    readout->setText(text);
    readout->setVisible(!text.isEmpty());
    if (!text.isEmpty()) {
        readout->adjustSize();
        readout->move(ReadoutCorner(readout->size()));
        readout->raise();
    }
    WatchKeys();
}

void PlotImage::WatchKeys() {
    // Escape clears the cursors wherever the focus is in the window, but only while there are
    // cursors: otherwise it keeps its usual meaning (closing a dialog). Home resets a zoomed view.
    const bool watching = cursor1 || cursor2 || view.IsZoomed() || (showsPart && showsPart());
    if (watching != watchingEscape) {
        watchingEscape = watching;
        if (watching) {
            qApp->installEventFilter(this);
        } else {
            qApp->removeEventFilter(this);
        }
    }
}

bool PlotImage::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Home && isVisible() &&
        (view.IsZoomed() || (showsPart && showsPart()))) {
        // Home keeps its meaning in a text field unless the pointer is over the plot.
        auto *target = qobject_cast<QWidget *>(watched);
        if (target != nullptr && target->window() == window() &&
            (underMouse() || !target->testAttribute(Qt::WA_InputMethodEnabled))) {
            if (showWhole && showsPart && showsPart()) {
                showWhole();
            } else {
                ResetView();
            }
            event->accept();
            return true;
        }
    }
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && isVisible() &&
        (cursor1 || cursor2)) {
        auto *target = qobject_cast<QWidget *>(watched);
        if (target != nullptr && target->window() == window()) {
            if (event->type() == QEvent::KeyPress) {
                ClearCursors();
            }
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlotImage::UpdateWhileDrawing() {
    if (!sinceRepaint.isValid() || sinceRepaint.elapsed() >= RepaintIntervalMs) {
        sinceRepaint.start();
        update();
    }
}

void PlotImage::MatchCanvas() {
    const qreal ratio = devicePixelRatioF();
    if (canvas.Width() != width() || canvas.Height() != height() ||
        canvas.DevicePixelRatio() != ratio) {
        canvas.Resize(width(), height(), ratio);
        emit resized();
    }
}

void PlotImage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    MatchCanvas();
    UpdateReadout();
}

void PlotImage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The screen's scale is known once the widget is shown.
    MatchCanvas();
}
