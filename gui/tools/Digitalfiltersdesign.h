#pragma once

#include "tools/DigitalFilterDesign.h"
#include "widgets/ImageCanvas.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QCheckBox;
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

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void DesignChanged(unsigned parts) override;

    void FormActivate();
    void BodePlotClick();
    void a0Exit();
    void GainPlotScreenMouseMove(int x, int y);
    void PhasePlotScreenMouseMove(int x, int y);
    // The analogue prototype over the Bode diagram, with a legend, while ShowAnalogue is ticked.
    void DrawAnalogue();

    UiServices &services;
    kaldorium::DigitalFilterDesign &design;
    ImageCanvas gainCanvas{633, 321};
    ImageCanvas phaseCanvas{633, 241};
    // The Bode plot is being computed (messages are processed while it shows its message).
    bool busy = false;

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
};
