// The Bode window's zoom, its growing layout and the group delay plot.
#include "gui/tools/Graph.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/tools/BodeResponse.h"
#include "gui/services/Guarded.h"
#include "gui/tools/BodeReadout.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/ProjectorView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <cmath>

using namespace kaldorium;

namespace {

// Heights of the three plots at the window's starting size; the plots share what the window
// grows by in the same proportions. Each plot has a row of read-outs 31 pixels high under it.
constexpr int GainHeight = 313;
constexpr int PhaseHeight = 267;
constexpr int DelayHeight = 230;
constexpr int RowHeight = 31;
constexpr int BaseWidth = 704;
constexpr int BaseHeight = 649;

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

} // namespace

BodeInputs TGraphForm::Inputs() const {
    return {omega0, amplification, damping, ts, type};
}

void TGraphForm::ConnectViews() {
    connect(ShowGroupDelay, &QCheckBox::toggled, this,
            guarded(this, services, [this](bool) { ShowGroupDelayClick(); }));
    connect(DelayPlot, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { DelayPlotMouseMove(x, y); }));
    DelayPlot->MeasureWith(&delayScope, PlotImage::Axis::LogFrequency);
    DelayPlot->SetServices(&services);
    delayScope.columns = {"frequency (Hz)", {"group delay (ms)", ""}, true};
    gainScope.columns = {"frequency (Hz)", {"", "gain (dB)"}, true};
    phaseScope.columns = {"frequency (Hz)", {"", "phase (degrees)"}, true};
    DelayPlot->cursorExtras = [this](std::optional<double> x1, std::optional<double> x2) {
        QStringList lines;
        int n = 0;
        for (const std::optional<double> &x : {x1, x2}) {
            ++n;
            if (x && ts > 0.0) {
                const double tau = BodeResponse::GroupDelay(Inputs(), designed, network,
                                                            6.283185307179586 * std::pow(10.0, *x));
                lines << QStringLiteral("delay%1 = %2 samples").arg(n).arg(General(tau / ts));
            }
        }
        return lines.join(QStringLiteral("   "));
    };
    for (PlotImage *plot : {GainPlot, PhasePlot, DelayPlot}) {
        // A zoom computes the response afresh over the frequencies shown.
        plot->redraw = guarded(this, services, [this, plot](const PlotView &) { Redraw(plot); });
        connect(plot, &PlotImage::resized, this,
                guarded(this, services, [this, plot] { Redraw(plot); }));
    }
}

void TGraphForm::Redraw(PlotImage *zoomed) {
    if (!computed || computing) {
        return;
    }
    // Every plot shows the frequencies of the one zoomed, each keeping its own heights.
    const PlotRanges shown = zoomed->View().Visible();
    for (PlotImage *plot : {GainPlot, PhasePlot, DelayPlot}) {
        PlotRanges r = plot->View().Visible();
        r.left = shown.left;
        r.right = shown.right;
        plot->View().Show(r);
    }
    FloatingPointGuard guard;
    const bool whole = !GainPlot->View().IsZoomed() && !PhasePlot->View().IsZoomed() &&
                       !DelayPlot->View().IsZoomed();
    if (whole) {
        // Exactly the picture the window opened with.
        response->Compute(Inputs(), designed, network);
        response->Plot(gainScope, &gainCanvas, phaseScope, &phaseCanvas);
        response->PlotDelay(delayScope, &delayCanvas);
    } else {
        const double hzToOmega = 6.283185307179586;
        response->ComputeBetween(Inputs(), designed, network,
                                 hzToOmega * std::pow(10.0, shown.left),
                                 hzToOmega * std::pow(10.0, shown.right));
        response->PlotOver(gainScope, &gainCanvas, GainPlot->View().Visible(), phaseScope,
                           &phaseCanvas, PhasePlot->View().Visible());
        response->PlotDelayOver(delayScope, &delayCanvas, DelayPlot->View().Visible());
    }
    guard.Check();
    for (ImageCanvas *canvas : {&gainCanvas, &phaseCanvas, &delayCanvas}) {
        canvas->Flush();
    }
    for (PlotImage *plot : {GainPlot, PhasePlot, DelayPlot}) {
        plot->update();
    }
}

void TGraphForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    LayOut();
}

void TGraphForm::LayOut() {
    // In the projector view every place and size is larger by its factor.
    const double k = projector::FactorOf(this);
    const auto s = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    const bool delay = ShowGroupDelay->isChecked();
    const int dw = width() - s(BaseWidth);
    const int base = s(GainHeight) + s(PhaseHeight) + (delay ? s(DelayHeight) : 0);
    const int room =
        height() - s(BaseHeight) + s(GainHeight) + s(PhaseHeight) - (delay ? s(RowHeight) : 0);
    auto share = [&](int h) { return static_cast<int>(std::lround(double(s(h)) * room / base)); };
    const int gainH = share(GainHeight);
    const int phaseH = share(PhaseHeight);
    const int delayH = delay ? room - gainH - phaseH : s(DelayHeight);
    int top = s(6);
    auto place = [&](QWidget *plot, int h, QLabel *upright, QLabel *unit, QLabel *axis,
                     QLabel *coordinates, QLineEdit *x, QLineEdit *y) {
        plot->setGeometry(s(42), top, s(657) + dw, h);
        upright->move(upright->x(), top + s(upright == Label4 || upright == Label9 ? 60 : 84));
        unit->move(unit->x(), upright->y() + upright->height() + s(6));
        // The gain's read-outs stand 4 pixels under their plot, the others 5.
        const int row = top + h + s(plot == GainPlot ? 4 : 5);
        axis->move(s(300) + dw / 2, row);
        coordinates->move(s(470) + dw, row);
        x->move(s(548) + dw, row);
        y->move(s(625) + dw, row);
        top = top + h + s(RowHeight);
    };
    place(GainPlot, gainH, Label2, Label3, Label1, Label7, GainX, GainY);
    place(PhasePlot, phaseH, Label4, Label5, Label6, Label8, PhaseX, PhaseY);
    ShowGroupDelay->move(s(42), PhasePlot->geometry().bottom() + 1 + s(5));
    if (delay) {
        place(DelayPlot, delayH, Label9, Label10, Label11, Label12, DelayX, DelayY);
    }
    MessageLabel->setGeometry(0, s(290) + (height() - s(BaseHeight)) / 2, width(), s(50));
}

void TGraphForm::ShowGroupDelayClick() {
    const double k = projector::FactorOf(this);
    const auto s = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    const int grow = s(DelayHeight) + s(RowHeight);
    const bool delay = ShowGroupDelay->isChecked();
    setMinimumSize(s(BaseWidth), s(BaseHeight) + (delay ? grow : 0));
    if (!isMaximized() && !isFullScreen()) {
        resize(width(), height() + (delay ? grow : -grow));
    }
    LayOut();
    ShowResults(!MessageLabel->isVisible());
}

void TGraphForm::DelayPlotMouseMove(int x, int y) {
    DelayX->setText(General(std::pow(10.0, delayScope.ValueAtX(x))));
    DelayY->setText(General(delayScope.ValueAtY(y)));
}
