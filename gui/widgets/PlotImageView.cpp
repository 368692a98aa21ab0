// Zoom, pan, held traces and the data out of a plot.
#include "gui/widgets/PlotImage.h"

#include "core/signal/Oscilloscopeclass.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/ImageCanvas.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace {

// One notch of the wheel zooms by this factor.
constexpr double NotchFactor = 1.25;
// A left press that moves further than this (in pixels) pans instead of placing a cursor.
constexpr int DragThreshold = 4;

bool projectorView = false;

} // namespace

void PlotImage::SetProjectorView(bool on) {
    projectorView = on;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *plot = qobject_cast<PlotImage *>(widget)) {
            plot->ApplyProjectorView();
        }
    }
}

bool PlotImage::ProjectorView() {
    return projectorView;
}

void PlotImage::ApplyProjectorView() {
    QFont font;
    if (projectorView) {
        font.setPointSizeF(font.pointSizeF() * 1.5);
    }
    canvas.SetTextFont(font);
    // The larger labels need more room beside and below the plotting area.
    const int labelMargin = projectorView ? 60 : 30;
    if (scope != nullptr &&
        (scope->traceWidth != (projectorView ? 3 : 2) || scope->LabelMargin() != labelMargin)) {
        scope->traceWidth = projectorView ? 3 : 2;
        scope->SetLabelMargin(labelMargin);
        if (scope->canvas == &canvas) {
            ReplotAsShown();
        }
    }
    update();
}

void PlotImage::TakeHome() {
    // A plot drawn afresh by its window (a new run, new settings) brings its own axes.
    if (scope != nullptr && !(scope->Ranges() == view.Visible())) {
        view.SetHome(scope->Ranges());
    }
}

void PlotImage::ApplyView() {
    if (scope == nullptr) {
        return;
    }
    if (zoomFields && axis == Axis::TimeMs) {
        zoomFields(view);
        // The fields now show the view as the display's own axes.
        view.SetHome(scope->Ranges());
    } else if (redraw) {
        redraw(view);
    } else {
        scope->Replot(view.Visible());
    }
    canvas.Flush();
    UpdateReadout();
    update();
    emit viewChanged();
}

void PlotImage::ZoomAt(const QPoint &at, double factor, bool yAxis) {
    if (scope == nullptr) {
        return;
    }
    TakeHome();
    if (yAxis) {
        view.ZoomY(factor, scope->ValueAtY(at.y()));
    } else {
        view.ZoomX(factor, scope->ValueAtX(at.x()));
    }
    ApplyView();
}

void PlotImage::ResetView() {
    if (scope == nullptr) {
        return;
    }
    TakeHome();
    if (!view.IsZoomed()) {
        return;
    }
    view.Reset();
    ApplyView();
}

bool PlotImage::DragTo(const QPoint &at, Qt::MouseButtons buttons) {
    if (!drag || !buttons.testFlag(Qt::LeftButton)) {
        drag.reset();
        return false;
    }
    if (!drag->moving) {
        if ((at - drag->start).manhattanLength() <= DragThreshold) {
            return false;
        }
        // A pan, not a click: cursor 1 stays where it was.
        drag->moving = true;
        cursor1 = drag->cursorBefore;
        setCursor(Qt::ClosedHandCursor);
    }
    const QPoint moved = at - drag->start;
    if (pan && pan(moved)) {
        drag->start = at;
        return true;
    }
    const kaldorium::PlotRanges start = drag->ranges;
    const double dx =
        -moved.x() * (start.right - start.left) / std::max(1, scope->width - scope->margin);
    const double dy =
        moved.y() * (start.top - start.bottom) / std::max(1, scope->height - scope->margin);
    view.Show({start.left + dx, start.right + dx, start.bottom + dy, start.top + dy});
    ApplyView();
    // The next move pans on from here (a display that keeps its view in fields has taken this
    // one as its own axes).
    drag->start = at;
    drag->ranges = view.Visible();
    return true;
}

void PlotImage::mouseReleaseEvent(QMouseEvent *event) {
    if (drag && drag->moving) {
        setCursor(Qt::CrossCursor);
    }
    drag.reset();
    QWidget::mouseReleaseEvent(event);
}

void PlotImage::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        ResetView();
    }
    QWidget::mouseDoubleClickEvent(event);
}

void PlotImage::wheelEvent(QWheelEvent *event) {
    const int delta = event->angleDelta().y();
    if (scope == nullptr || delta == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(NotchFactor, delta / 120.0);
    ZoomAt(event->position().toPoint(), factor, event->modifiers().testFlag(Qt::ControlModifier));
    event->accept();
}

void PlotImage::ReplotAsShown() {
    scope->Replot(scope->Ranges());
    canvas.Flush();
    UpdateReadout();
    update();
}

void PlotImage::RedrawAsShown() {
    if (scope == nullptr) {
        return;
    }
    TakeHome();
    if (redraw) {
        redraw(view);
    } else {
        scope->Replot(scope->Ranges());
    }
    canvas.Flush();
    UpdateReadout();
    update();
}

bool PlotImage::DecadeLabels() const {
    return scope != nullptr && scope->decadeLabels;
}

void PlotImage::SetDecadeLabels(bool on) {
    // The gain and the phase of one response read alike.
    QList<PlotImage *> plots = window()->findChildren<PlotImage *>();
    if (!plots.contains(this)) {
        plots.prepend(this);
    }
    for (PlotImage *plot : plots) {
        if (plot->axis == Axis::LogFrequency && plot->scope != nullptr &&
            plot->scope->decadeLabels != on) {
            plot->scope->decadeLabels = on;
            plot->RedrawAsShown();
        }
    }
}

bool PlotImage::HoldTraces() {
    if (scope == nullptr || !scope->Data().Hold()) {
        return false;
    }
    ReplotAsShown();
    return true;
}

void PlotImage::ClearHeld() {
    if (scope == nullptr || scope->Data().HeldCount() == 0) {
        return;
    }
    scope->Data().ClearHeld();
    ReplotAsShown();
}

QString PlotImage::DataText() const {
    if (scope == nullptr) {
        return QString();
    }
    return QString::fromStdString(scope->Data().Csv(scope->columns));
}

bool PlotImage::SaveData(const QString &fileName) const {
    QFile file(fileName);
    const QByteArray bytes = DataText().toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

void PlotImage::CopyData() const {
    QApplication::clipboard()->setText(DataText());
}

void PlotImage::AddViewActions(QMenu &menu) {
    const bool measured = scope != nullptr;
    if (measured) {
        TakeHome();
    }
    menu.addSeparator();
    QAction *reset = menu.addAction(QStringLiteral("Reset View"), this, [this] { ResetView(); });
    reset->setEnabled(measured && view.IsZoomed());
    QAction *hold = menu.addAction(QStringLiteral("Hold Traces"), this, [this] { HoldTraces(); });
    hold->setEnabled(measured && !scope->Data().Current().points.empty());
    QAction *clear = menu.addAction(QStringLiteral("Clear Held"), this, [this] { ClearHeld(); });
    clear->setEnabled(measured && scope->Data().HeldCount() > 0);
    menu.addSeparator();
    QAction *copy = menu.addAction(QStringLiteral("Copy Data"), this, [this] { CopyData(); });
    copy->setEnabled(measured);
    QAction *save = menu.addAction(QStringLiteral("Save Data As…"), this, [this] {
        const QString name =
            services->SaveFileName(this, QStringLiteral("Save Data As"), DataRoot(),
                                   QStringLiteral("CSV Files (*.csv)"), QStringLiteral("csv"));
        if (!name.isEmpty() && !SaveData(name)) {
            services->ReportError(this, QStringLiteral("Could not write the data %1").arg(name));
        }
    });
    save->setEnabled(measured && services != nullptr);
    for (QAction *a : {reset, hold, clear, copy, save}) {
        a->setObjectName(a->text().remove(QLatin1Char(' ')).remove(QChar(0x2026)));
    }
    if (measured && axis == Axis::LogFrequency) {
        menu.addSeparator();
        QAction *decades = menu.addAction(QStringLiteral("Decade Labels"));
        decades->setObjectName(QStringLiteral("DecadeLabels"));
        decades->setCheckable(true);
        decades->setChecked(scope->decadeLabels);
        connect(decades, &QAction::toggled, this, [this](bool on) { SetDecadeLabels(on); });
    }
}
