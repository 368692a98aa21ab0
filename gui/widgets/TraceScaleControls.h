#pragma once

#include "core/signal/PanelSettings.h"
#include "core/signal/PlotView.h"

class NumberEdit;
class QCheckBox;
class QLabel;
class QWidget;
class Stepper;

// The display's scales that both workbenches show: the panel of the two traces (black input, red
// output: scale with fine and decade steppers, shift) with "Couple The Scales", and the panel of
// the time axis with the coordinates read-out. It creates the panels and their controls with
// their own object names and keeps the rules they share.
class TraceScaleControls {
public:
    // The traces' panel, named `panelName`, child of `window`; the scales start at `scale`.
    QWidget *CreateTracePanel(QWidget *window, const char *panelName, const char *scale);
    // The time axis' panel: the time scale (starting at `timeScale`), the bold "Time
    // (milliseconds)" label and the two coordinate read-outs, `readOutWidth` wide.
    QWidget *CreateTimePanel(QWidget *window, const char *panelName, const char *timeScale,
                             int readOutWidth);

    // Field exits: positive scales; a scale typed into a coupled trace is the other's too.
    void ScaleExit(kaldorium::TraceSettings &s, int trace);
    void ShiftExit(kaldorium::TraceSettings &s, int trace);
    void TimeScaleExit(kaldorium::TraceSettings &s);
    // While "Couple The Scales" is checked, the other trace takes the scale of `changed`.
    void CoupleScales(kaldorium::TraceSettings &s, int changed);

    // Steppers: a fine step, or a decade step (the M steppers).
    void ScaleStep(kaldorium::TraceSettings &s, int trace, bool up, bool decade);
    void TimeScaleStep(kaldorium::TraceSettings &s, bool up, bool decade);
    // A tenth of the trace's scale.
    void ShiftStep(kaldorium::TraceSettings &s, int trace, bool up);

    // A zoom or pan of the display, `shown`, taken into the Scale and Shift fields: typed in as
    // a user would, through the fields' own exits.
    void ZoomFields(kaldorium::TraceSettings &s, const kaldorium::PlotView &shown);

    NumberEdit *sSignal1Scale = nullptr, *sSignal1Shift = nullptr, *sSignal2Scale = nullptr,
               *sSignal2Shift = nullptr;
    Stepper *Signal1ScaleM = nullptr, *Signal1ScaleI = nullptr, *Signal1ShiftI = nullptr;
    Stepper *Signal2ScaleM = nullptr, *Signal2ScaleI = nullptr, *Signal2ShiftI = nullptr;
    QCheckBox *CoupleScale = nullptr;
    NumberEdit *sTimeScale = nullptr;
    Stepper *TimeScaleM = nullptr, *TimeScaleI = nullptr;
    QLabel *TimeScaleLabel = nullptr;
    NumberEdit *ClickX = nullptr, *ClickY = nullptr;

private:
    NumberEdit *ScaleField(int trace) const { return trace == 1 ? sSignal1Scale : sSignal2Scale; }
    NumberEdit *ShiftField(int trace) const { return trace == 1 ? sSignal1Shift : sSignal2Shift; }
};
