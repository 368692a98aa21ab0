// The designer's zoom and its growing window.
#include "gui/tools/Digitalfiltersdesign.h"

#include "gui/services/Guarded.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/ProjectorView.h"

#include <QLabel>
#include <QResizeEvent>
#include <cmath>

using kaldorium::PlotRanges;
using kaldorium::PlotView;

namespace {

// The window's starting size and the left edge of its control column.
constexpr int BaseWidth = 889;
constexpr int BaseHeight = 634;
constexpr int PanelLeft = 676;

} // namespace

void TDigitalFiltersForm::ConnectViews() {
    for (PlotImage *plot : {GainPlotScreen, PhasePlotScreen}) {
        // A zoom computes the response afresh over the frequencies shown.
        plot->redraw =
            guarded(this, services, [this, plot](const PlotView &) { ShowZoomed(plot); });
        connect(plot, &PlotImage::resized, this, guarded(this, services, [this] {
                    design.RedrawPlots();
                    // The overlays were drawn with the diagram; the empty grids need a repaint.
                    GainPlotScreen->update();
                    PhasePlotScreen->update();
                }));
    }
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        startingPlaces.emplace_back(child, child->geometry());
    }
}

void TDigitalFiltersForm::ShowZoomed(PlotImage *zoomed) {
    const PlotRanges shown = zoomed->View().Visible();
    for (PlotImage *plot : {GainPlotScreen, PhasePlotScreen}) {
        // A plot drawn afresh since its view last changed (a new Bode plot) brings its own axes.
        const PlotRanges drawn =
            (plot == GainPlotScreen ? design.gainPlot : design.phasePlot).Ranges();
        if (plot != zoomed && !(drawn == plot->View().Visible())) {
            plot->View().SetHome(drawn);
        }
        PlotRanges r = plot->View().Visible();
        r.left = shown.left;
        r.right = shown.right;
        plot->View().Show(r);
    }
    if (design.bodeShown) {
        design.ZoomBode(GainPlotScreen->View().Visible(), PhasePlotScreen->View().Visible());
    } else {
        // The empty grids only change their axes.
        design.gainPlot.Replot(GainPlotScreen->View().Visible());
        design.phasePlot.Replot(PhasePlotScreen->View().Visible());
    }
    GainPlotScreen->update();
    PhasePlotScreen->update();
}

void TDigitalFiltersForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    LayOut();
}

void TDigitalFiltersForm::LayOut() {
    if (startingPlaces.empty()) {
        return;
    }
    // The two plots share the height the window grew by in proportion to their own heights, and
    // take all of its width; the control column moves right and everything under a plot down.
    // In the projector view every starting place is larger by its factor.
    const double k = projector::FactorOf(this);
    const auto scaled = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    const auto start = [&](const QRect &r) {
        return QRect(scaled(r.x()), scaled(r.y()), scaled(r.width()), scaled(r.height()));
    };
    const int dw = width() - scaled(BaseWidth);
    const int dh = height() - scaled(BaseHeight);
    QRect gainAt;
    QRect phaseAt;
    for (const auto &[widget, at] : startingPlaces) {
        if (widget == GainPlotScreen) {
            gainAt = start(at);
        } else if (widget == PhasePlotScreen) {
            phaseAt = start(at);
        }
    }
    const int gainGrowth = static_cast<int>(
        std::lround(double(dh) * gainAt.height() / (gainAt.height() + phaseAt.height())));
    const int phaseGrowth = dh - gainGrowth;
    // A row of the starting layout, where it is now.
    const auto row = [&](int y) {
        const int gainEnd = gainAt.top() + gainAt.height();
        const int phaseEnd = phaseAt.top() + phaseAt.height();
        if (y <= gainAt.top()) {
            return y;
        }
        if (y <= gainEnd) {
            return gainAt.top() +
                   static_cast<int>(std::lround(double(y - gainAt.top()) *
                                                (gainAt.height() + gainGrowth) / gainAt.height()));
        }
        if (y <= phaseAt.top()) {
            return y + gainGrowth;
        }
        if (y <= phaseEnd) {
            return phaseAt.top() + gainGrowth +
                   static_cast<int>(
                       std::lround(double(y - phaseAt.top()) * (phaseAt.height() + phaseGrowth) /
                                   phaseAt.height()));
        }
        return y + dh;
    };
    for (const auto &[widget, startingAt] : startingPlaces) {
        const QRect at = start(startingAt);
        QRect r = at;
        if (at.left() >= scaled(PanelLeft)) {
            r.translate(dw, 0);
        } else if (widget == GainPlotScreen || widget == PhasePlotScreen) {
            const int top = row(at.top());
            r = QRect(at.left(), top, at.width() + dw, row(at.top() + at.height()) - top);
        } else if (widget == MessageLabel) {
            r.translate(dw / 2, gainGrowth / 2);
        } else {
            // Captions that span a plot's width grow with it.
            r.moveTop(row(at.top()));
            if (at.width() == gainAt.width()) {
                r.setWidth(at.width() + dw);
            }
        }
        widget->setGeometry(r);
    }
}
