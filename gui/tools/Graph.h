#pragma once

#include "core/signal/Oscilloscopeclass.h"
#include "gui/widgets/ImageCanvas.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class PlotImage;
class UiServices;

namespace kaldorium {
struct BodeInputs;
class BodeResponse;
class DesignedFilterSource;
class FilterNetwork;
} // namespace kaldorium

// The Bode plot: gain in dB and phase in degrees of one filter over a logarithmic frequency
// axis, computed when the window is shown, with frequency and value read-outs under the mouse.
// The caller sets the inputs, then shows the window modally with exec().
class TGraphForm : public QDialog {
    Q_OBJECT
public:
    TGraphForm(UiServices &services, kaldorium::DesignedFilterSource &designed,
               kaldorium::FilterNetwork &network, QWidget *parent = nullptr);
    ~TGraphForm() override;

    // Inputs, set by the caller before showing the window.
    double omega0 = 0.0;        // rad/s the response formulas scale by
    double amplification = 1.0; // A0
    double damping = 0.5;       // ζ = 0.5/Q
    double ts = 0.000025;       // sampling period, s
    int type = 0;               // FilterKind
    QString titleName = QStringLiteral("No input");

    // Inputs the formula of `type` cannot take are shown in the error display and the window
    // stays closed (Rejected); otherwise the window is shown modally.
    int exec() override;

    const kaldorium::BodeResponse &Response() const { return *response; }
    const kaldorium::Oscilloscope &GainScope() const { return gainScope; }
    const kaldorium::Oscilloscope &PhaseScope() const { return phaseScope; }
    const kaldorium::Oscilloscope &DelayScope() const { return delayScope; }
    // Milliseconds from the start of the computation to the plotted images, last activation.
    double LastPlotMilliseconds() const { return lastPlotMs; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void FormActivate();
    void ShowResults(bool visible);
    void ShowEmptyPlots();
    void GainPlotMouseMove(int x, int y);
    void PhasePlotMouseMove(int x, int y);
    // Zoom, resizing and the group delay (GraphViews.cpp).
    void ConnectViews();
    void LayOut();
    void ShowGroupDelayClick();
    // Draws the plots as their views show them: the whole response when none is zoomed,
    // otherwise the response computed afresh over the visible frequencies `left` … `right`
    // (log10 of Hz), which every plot then shows.
    void Redraw(PlotImage *zoomed);
    void PlotDelay();
    void DelayPlotMouseMove(int x, int y);
    kaldorium::BodeInputs Inputs() const;

    UiServices &services;
    kaldorium::DesignedFilterSource &designed;
    kaldorium::FilterNetwork &network;
    std::unique_ptr<kaldorium::BodeResponse> response; // 4 × 10000 points, made once
    ImageCanvas gainCanvas{657, 313};
    ImageCanvas phaseCanvas{657, 267};
    kaldorium::Oscilloscope gainScope;
    kaldorium::Oscilloscope phaseScope;
    ImageCanvas delayCanvas{657, 230};
    kaldorium::Oscilloscope delayScope;
    bool computed = false;
    bool computing = false;
    double lastPlotMs = 0.0;

    PlotImage *GainPlot, *PhasePlot;
    QLabel *MessageLabel;
    QLineEdit *GainX, *GainY, *PhaseX, *PhaseY;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QCheckBox *ShowGroupDelay;
    PlotImage *DelayPlot;
    QLineEdit *DelayX, *DelayY;
    QLabel *Label9, *Label10, *Label11, *Label12;
};
