#include "gui/audio/Wavmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/workbench/FieldRules.h"
#include "gui/tools/Filternetwork.h"
#include "gui/widgets/FieldInput.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/Stepper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

using namespace kaldorium;
using namespace fieldinput;

// ---------------------------------------------------------------------------------------------
// Fields

void TWAVMainForm::sfFrequencyExit() {
    filter.FrequencyExit(settings, Nyquist());
}

void TWAVMainForm::sQfactorExit() {
    filter.QfactorExit(settings);
}

void TWAVMainForm::sfAmplificationExit() {
    filter.AmplificationExit(settings);
}

void TWAVMainForm::sSN_RatioExit() {
    filter.SN_RatioExit(settings);
}

void TWAVMainForm::sSpeedFactorExit() {
    AcceptPositive(sSpeedFactor, "1", settings.speedFactor);
}

void TWAVMainForm::sSignalScaleExit(int trace) {
    traces.ScaleExit(settings, trace);
}

void TWAVMainForm::sTimeScaleExit() {
    traces.TimeScaleExit(settings);
}

void TWAVMainForm::sSignalShiftExit(int trace) {
    traces.ShiftExit(settings, trace);
}

void TWAVMainForm::CoupleScales(int changed) {
    traces.CoupleScales(settings, changed);
}

void TWAVMainForm::CoupleScaleClick() {
    if (!traces.CoupleScale->isChecked()) {
        return;
    }
    const bool first = settings.signal1Scale >= settings.signal2Scale;
    CoupleScales(first ? 1 : 2);
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TWAVMainForm::fFrequencyIClick(bool up) {
    filter.FrequencyStep(settings, Nyquist(), up);
}

void TWAVMainForm::QfactorIClick(bool up) {
    filter.QfactorStep(settings, up);
}

void TWAVMainForm::fAmplificationIClick(bool up) {
    filter.AmplificationStep(settings, up);
}

void TWAVMainForm::SignalScaleIClick(int trace, bool up) {
    traces.ScaleStep(settings, trace, up, false);
}

void TWAVMainForm::SignalScaleMClick(int trace, bool up) {
    traces.ScaleStep(settings, trace, up, true);
}

void TWAVMainForm::TimeScaleIClick(bool up) {
    traces.TimeScaleStep(settings, up, false);
}

void TWAVMainForm::TimeScaleMClick(bool up) {
    traces.TimeScaleStep(settings, up, true);
}

void TWAVMainForm::SignalShiftIClick(int trace, bool up) {
    traces.ShiftStep(settings, trace, up);
}

// ---------------------------------------------------------------------------------------------
// Filter choice and options

void TWAVMainForm::ShowFilterParameters(bool visible) {
    filter.ShowParameters(visible);
}

void TWAVMainForm::BandPassClick(QRadioButton *clicked) {
    settings.filterKind = filter.KindOf(clicked).kind;
    ShowFilterParameters(true);
    UpdateControls();
}

void TWAVMainForm::DiffrentiateClick(QRadioButton *clicked) {
    settings.filterKind = filter.KindOf(clicked).kind;
    ShowFilterParameters(false);
    UpdateControls();
}

void TWAVMainForm::NetworkFilteringClick() {
    settings.filterKind = fkNetwork;
    ShowFilterParameters(false);
    UpdateControls();
}

void TWAVMainForm::DesignNetworkClick() {
    if (networkForm && !blockActionRunning) {
        networkForm()->exec();
    }
}

void TWAVMainForm::RectifyClick() {
    filter.RectifyClick(settings);
}

void TWAVMainForm::AddNoiseClick() {
    filter.AddNoiseClick(settings);
}

void TWAVMainForm::ReadOptionBoxes() {
    filter.ReadOptionBoxes(settings);
}
