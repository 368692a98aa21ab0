#include "gui/workbench/Dspmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/workbench/FieldRules.h"
#include "gui/widgets/FieldInput.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/workbench/DspmainText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using namespace kaldorium;
using namespace fieldinput;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Fields

void TDSPMainForm::ShowFieldsOfSettings() {
    soSamples->setText(QString::number(settings.samplesPerCycle));
    oT->setText(Reading(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::soFrequencyExit() {
    AcceptPositive(soFrequency, "1", settings.frequency);
    soSamplesExit();
}

void TDSPMainForm::soAmplitudeExit() {
    AcceptPositive(soAmplitude, "1", settings.amplitude);
}

void TDSPMainForm::soSamplesExit() {
    FloatingPointGuard guard;
    const std::string shown = ValidateSamplesPerCycle(settings, soSamples->text().toStdString());
    guard.Check();
    soSamples->setText(Text(shown));
    oT->setText(Reading(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::oTExit() {
    FloatingPointGuard guard;
    UpdateSamplingPeriod(settings);
    guard.Check();
    oT->setText(Reading(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::soDutyCycleExit() {
    const double v = ReadField(soDutyCycle, "50.0");
    FloatingPointGuard guard;
    const double duty = LimitDutyCycle(v, settings.frequency, settings.samplingPeriod);
    guard.Check();
    settings.dutyCycle = duty;
    soDutyCycle->setText(General(duty));
}

void TDSPMainForm::soDC_OffsetExit() {
    settings.dcOffset = ReadField(soDC_Offset, "0");
}

void TDSPMainForm::sSN_RatioExit() {
    filter.SN_RatioExit(settings);
}

void TDSPMainForm::sfFrequencyExit() {
    filter.FrequencyExit(settings, 0.5 / settings.samplingPeriod);
}

void TDSPMainForm::sQfactorExit() {
    filter.QfactorExit(settings);
}

void TDSPMainForm::sfAmplificationExit() {
    filter.AmplificationExit(settings);
}

void TDSPMainForm::sSignal1ScaleExit() {
    traces.ScaleExit(settings, 1);
}

void TDSPMainForm::sSignal2ScaleExit() {
    traces.ScaleExit(settings, 2);
}

void TDSPMainForm::sTimeScaleExit() {
    traces.TimeScaleExit(settings);
}

void TDSPMainForm::sSignal1ShiftExit() {
    traces.ShiftExit(settings, 1);
}

void TDSPMainForm::sSignal2ShiftExit() {
    traces.ShiftExit(settings, 2);
}

void TDSPMainForm::CoupleScales(int changed) {
    traces.CoupleScales(settings, changed);
}

void TDSPMainForm::CoupleScaleClick() {
    settings.coupleScales = traces.CoupleScale->isChecked();
    if (!settings.coupleScales) {
        return;
    }
    const double larger = std::max(settings.signal1Scale, settings.signal2Scale);
    settings.signal1Scale = settings.signal2Scale = larger;
    traces.sSignal1Scale->setText(General(larger));
    traces.sSignal2Scale->setText(General(larger));
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TDSPMainForm::oFrequencyIClick(bool up) {
    StepField(soFrequency, up, 100.0, settings.frequency);
    soFrequencyExit();
}

void TDSPMainForm::fFrequencyIClick(bool up) {
    filter.FrequencyStep(settings, 0.5 / settings.samplingPeriod, up);
}

void TDSPMainForm::oAmplitudeIClick(bool up) {
    StepField(soAmplitude, up, 1.0, settings.amplitude);
}

void TDSPMainForm::fAmplificationIClick(bool up) {
    filter.AmplificationStep(settings, up);
}

void TDSPMainForm::QfactorIClick(bool up) {
    filter.QfactorStep(settings, up);
}

void TDSPMainForm::SignalScaleIClick(int trace, bool up) {
    traces.ScaleStep(settings, trace, up, false);
}

void TDSPMainForm::SignalScaleMClick(int trace, bool up) {
    traces.ScaleStep(settings, trace, up, true);
}

void TDSPMainForm::TimeScaleIClick(bool up) {
    traces.TimeScaleStep(settings, up, false);
}

void TDSPMainForm::TimeScaleMClick(bool up) {
    traces.TimeScaleStep(settings, up, true);
}

void TDSPMainForm::oSamplesIClick(bool up) {
    const double field = ReadField(soSamples, nullptr);
    // trunc(field) ± 1, kept within int range for absurd texts
    double n = std::trunc(field) + (up ? 1.0 : -1.0);
    if (n < 10) {
        n = 10;
    }
    if (n > 2147483647.0) {
        n = 2147483647.0;
    }
    settings.samplesPerCycle = static_cast<int>(n);
    soSamples->setText(QString::number(settings.samplesPerCycle));
    soSamplesExit();
}

void TDSPMainForm::oDC_OffsetIClick(bool up) {
    const double v = ReadField(soDC_Offset, nullptr) + (up ? 1.0 : -1.0);
    settings.dcOffset = v;
    soDC_Offset->setText(General(v));
}

void TDSPMainForm::oDutyCycleIClick(bool up) {
    const double v = ReadField(soDutyCycle, nullptr) + (up ? 1.0 : -1.0);
    settings.dutyCycle = v;
    soDutyCycle->setText(General(v));
    soDutyCycleExit();
}

void TDSPMainForm::SignalShiftIClick(int trace, bool up) {
    traces.ShiftStep(settings, trace, up);
}

void TDSPMainForm::ModulationFactorIClick(bool) {
    settings.modulationFactor = ModulationFactorI->Position();
    sModulationFactor->setText(QString::number(settings.modulationFactor));
}
