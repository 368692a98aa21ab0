#include "workbench/Dspmain.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "widgets/FieldInput.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"
#include "workbench/DspmainText.h"
#include "workbench/FieldRules.h"

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
    oT->setText(General(settings.samplingPeriod));
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
    oT->setText(General(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::oTExit() {
    FloatingPointGuard guard;
    UpdateSamplingPeriod(settings);
    guard.Check();
    oT->setText(General(settings.samplingPeriod));
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
    AcceptPositive(sSN_Ratio, "1", settings.snRatio);
}

void TDSPMainForm::sfFrequencyExit() {
    double v = ReadField(sfFrequency, "1");
    if (v > 0) {
        const double nyquist = 0.5 / settings.samplingPeriod;
        if (v > nyquist) {
            v = nyquist;
            sfFrequency->setText(General(v));
        }
        settings.filterFrequency = v;
    } else {
        sfFrequency->setText(General(settings.filterFrequency));
    }
}

void TDSPMainForm::sQfactorExit() {
    AcceptPositive(sQfactor, "1", settings.qFactor);
}

void TDSPMainForm::sfAmplificationExit() {
    AcceptPositive(sfAmplification, "1", settings.amplification);
}

void TDSPMainForm::sSignal1ScaleExit() {
    AcceptPositive(sSignal1Scale, "1", settings.signal1Scale);
    CoupleScales(1);
}

void TDSPMainForm::sSignal2ScaleExit() {
    AcceptPositive(sSignal2Scale, "1", settings.signal2Scale);
    CoupleScales(2);
}

void TDSPMainForm::sTimeScaleExit() {
    AcceptPositive(sTimeScale, "1", settings.timeScale);
}

void TDSPMainForm::sSignal1ShiftExit() {
    settings.signal1Shift = ReadField(sSignal1Shift, "0");
}

void TDSPMainForm::sSignal2ShiftExit() {
    settings.signal2Shift = ReadField(sSignal2Shift, "0");
}

void TDSPMainForm::CoupleScales(int changed) {
    if (!CoupleScale->isChecked()) {
        return;
    }
    if (changed == 1) {
        settings.signal2Scale = settings.signal1Scale;
        sSignal2Scale->setText(sSignal1Scale->text());
    } else {
        settings.signal1Scale = settings.signal2Scale;
        sSignal1Scale->setText(sSignal2Scale->text());
    }
}

void TDSPMainForm::CoupleScaleClick() {
    settings.coupleScales = CoupleScale->isChecked();
    if (!settings.coupleScales) {
        return;
    }
    const double larger = std::max(settings.signal1Scale, settings.signal2Scale);
    settings.signal1Scale = settings.signal2Scale = larger;
    sSignal1Scale->setText(General(larger));
    sSignal2Scale->setText(General(larger));
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TDSPMainForm::oFrequencyIClick(bool up) {
    StepField(soFrequency, up, 100.0, Clamp::ToOne, settings.frequency);
    soFrequencyExit();
}

void TDSPMainForm::fFrequencyIClick(bool up) {
    const double v = SteppedValue(sfFrequency, up, 100.0, Clamp::ToOne);
    settings.filterFrequency = std::min(v, 0.5 / settings.samplingPeriod);
    sfFrequency->setText(General(settings.filterFrequency));
}

void TDSPMainForm::oAmplitudeIClick(bool up) {
    StepField(soAmplitude, up, 1.0, Clamp::ToZero, settings.amplitude);
}

void TDSPMainForm::fAmplificationIClick(bool up) {
    StepField(sfAmplification, up, 1.0, Clamp::ToZero, settings.amplification);
}

void TDSPMainForm::QfactorIClick(bool up) {
    StepField(sQfactor, up, 1.0, Clamp::ToOne, settings.qFactor);
}

void TDSPMainForm::SignalScaleIClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    StepField(field, up, 1.0, Clamp::ToOne, scale);
    CoupleScales(trace);
}

void TDSPMainForm::SignalScaleMClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    StepField(field, up, DecadeRule, Clamp::ToOne, scale);
    CoupleScales(trace);
}

void TDSPMainForm::TimeScaleIClick(bool up) {
    StepField(sTimeScale, up, 1.0, Clamp::ToOne, settings.timeScale);
}

void TDSPMainForm::TimeScaleMClick(bool up) {
    StepField(sTimeScale, up, DecadeRule, Clamp::ToOne, settings.timeScale);
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
    NumberEdit *field = trace == 1 ? sSignal1Shift : sSignal2Shift;
    const double scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    const double v = ReadField(field, nullptr) + (up ? 0.1 : -0.1) * scale;
    (trace == 1 ? settings.signal1Shift : settings.signal2Shift) = v;
    field->setText(Shift(v));
}

void TDSPMainForm::ModulationFactorIClick(bool) {
    settings.modulationFactor = ModulationFactorI->Position();
    sModulationFactor->setText(QString::number(settings.modulationFactor));
}
