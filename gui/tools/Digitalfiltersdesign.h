#pragma once

#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FixedPoint.h"
#include "gui/services/DeferredWindow.h"
#include "gui/services/MessagePump.h"
#include "gui/widgets/ImageCanvas.h"

#include <QDialog>
#include <QRect>
#include <array>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class FormulaPicture;
class NumberEdit;
class PlotImage;
class Stepper;
class UiServices;

// Digital Filters Design: the window of the program's digital filter design. The design's rules
// live in the model; the window hands it what the user typed and clicked and shows what changed.
class TDigitalFiltersForm : public QDialog, private kaldorium::DesignView {
    Q_OBJECT
public:
    TDigitalFiltersForm(UiServices &services, kaldorium::DigitalFilterDesign &design,
                        QWidget *parent = nullptr);
    ~TDigitalFiltersForm() override;

    kaldorium::DigitalFilterDesign &Design() { return design; }
    ImageCanvas &GainCanvas() { return gainCanvas; }
    ImageCanvas &PhaseCanvas() { return phaseCanvas; }
    bool IsBusy() const { return busy; }
    // The window the "Poles/Zeros" button opens (none: the button does nothing), and the
    // rounding the coefficient list sets, which the workbench runs (none: the window's own).
    void SetPoleZeroForm(WindowRef<QWidget> form) { poleZeroForm = std::move(form); }
    void SetQuantisedSource(kaldorium::QuantisedFilterSource *source);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void CreatePlots();
    // The formulas, order and type.
    void CreateSelections();
    void CreateParameters(int &y);
    void CreateCoefficients(int &y);
    void ConnectHandlers();
    void DesignChanged(unsigned parts) override;

    void FormActivate();
    void BodePlotClick();
    // Shows the window's busy state: the Bode plot's message while it is computed.
    void UpdateControls();
    void a0Exit();
    void GainPlotScreenMouseMove(int x, int y);
    void PhasePlotScreenMouseMove(int x, int y);
    // The analogue prototype over the Bode diagram, with a legend, while ShowAnalogue is ticked.
    void DrawAnalogue();

    // DigitalfiltersdesignZoom.cpp: zoom and the growing window
    void ConnectViews();
    // Both plots show the frequencies of the one zoomed, each keeping its own heights.
    void ShowZoomed(PlotImage *zoomed);
    void LayOut();

    // DigitalfiltersdesignFixedPoint.cpp: poles and zeros, rounding, export
    void CreateFixedPointControls(int y);
    void ConnectFixedPointHandlers();
    void CoefficientBitsChange(int index);
    void ExportCoefficientsClick();
    void PoleZeroPlotClick();
    // The response of the rounded coefficients over the Bode diagram, while they are rounded.
    void DrawQuantised();

    UiServices &services;
    kaldorium::DigitalFilterDesign &design;
    ImageCanvas gainCanvas{633, 321};
    ImageCanvas phaseCanvas{633, 241};
    // The Bode plot is being computed (messages are processed while it shows its message).
    bool busy = false;
    MessagePump pump; // the Bode plot's messages and stop request (closing the window)

    PlotImage *GainPlotScreen, *PhasePlotScreen;
    QLabel *MessageLabel;
    QLabel *Label10;
    NumberEdit *sTs;
    std::array<NumberEdit *, 7> aEdits;
    std::array<NumberEdit *, 7> bEdits;
    std::array<QLabel *, 7> aLabels;
    std::array<QLabel *, 7> bLabels;
    FormulaPicture *Image2nd, *Image4th, *Image6th;
    QGroupBox *FilterOrder, *FilterType;
    QButtonGroup *filterOrderButtons, *filterTypeButtons;
    NumberEdit *sfFrequency, *sQfactor, *sfAmplification;
    Stepper *fFrequencyI, *QfactorI, *fAmplificationI;
    QPushButton *CalcFilter, *BodePlot;
    QCheckBox *ShowAnalogue;
    QLineEdit *GainX, *GainY, *PhaseX, *PhaseY;
    QLabel *Label14, *Label13, *Label12, *Label11, *Label15, *Label16, *Label17, *Label18;

    WindowRef<QWidget> poleZeroForm;
    kaldorium::QuantisedFilterSource ownQuantised{design};
    kaldorium::QuantisedFilterSource *quantised = &ownQuantised;
    QPushButton *PoleZeroPlot, *ExportCoefficients;
    QLabel *CoefficientBitsLabel;
    QComboBox *CoefficientBits;
    // Where each control stands at the window's starting size; LayOut places them from there.
    std::vector<std::pair<QWidget *, QRect>> startingPlaces;
};
