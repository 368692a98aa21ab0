#include "audio/Wavmain.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "tools/Filternetwork.h"
#include "widgets/FieldInput.h"
#include "widgets/NumberEdit.h"
#include "widgets/Stepper.h"
#include "workbench/FieldRules.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

using namespace kaldorium;
using namespace fieldinput;

namespace {

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Fields

void TWAVMainForm::sfFrequencyExit() {
    double v = ReadField(sfFrequency, "1");
    if (v > Nyquist()) {
        v = Nyquist();
        sfFrequency->setText(General(v));
    }
    if (v > 0) {
        settings.filterFrequency = v;
    } else {
        sfFrequency->setText(General(settings.filterFrequency));
    }
}

void TWAVMainForm::sQfactorExit() {
    AcceptPositive(sQfactor, "1", settings.qFactor);
}

void TWAVMainForm::sfAmplificationExit() {
    AcceptPositive(sfAmplification, "1", settings.amplification);
}

void TWAVMainForm::sSN_RatioExit() {
    AcceptPositive(sSN_Ratio, "1", settings.snRatio);
}

void TWAVMainForm::sSpeedFactorExit() {
    AcceptPositive(sSpeedFactor, "1", settings.speedFactor);
}

void TWAVMainForm::sSignalScaleExit(int trace) {
    AcceptPositive(trace == 1 ? sSignal1Scale : sSignal2Scale, "1",
                   trace == 1 ? settings.signal1Scale : settings.signal2Scale);
    CoupleScales(trace);
}

void TWAVMainForm::sTimeScaleExit() {
    AcceptPositive(sTimeScale, "1", settings.timeScale);
}

void TWAVMainForm::sSignalShiftExit(int trace) {
    (trace == 1 ? settings.signal1Shift : settings.signal2Shift) =
        ReadField(trace == 1 ? sSignal1Shift : sSignal2Shift, "0");
}

void TWAVMainForm::CoupleScales(int changed) {
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

void TWAVMainForm::CoupleScaleClick() {
    if (!CoupleScale->isChecked()) {
        return;
    }
    const bool first = settings.signal1Scale >= settings.signal2Scale;
    CoupleScales(first ? 1 : 2);
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TWAVMainForm::fFrequencyIClick(bool up) {
    const double v = SteppedValue(sfFrequency, up, 100.0, Clamp::ToOne);
    settings.filterFrequency = std::min(v, Nyquist());
    sfFrequency->setText(General(settings.filterFrequency));
}

void TWAVMainForm::QfactorIClick(bool up) {
    StepField(sQfactor, up, 1.0, Clamp::ToOne, settings.qFactor);
}

void TWAVMainForm::fAmplificationIClick(bool up) {
    StepField(sfAmplification, up, 1.0, Clamp::ToZero, settings.amplification);
}

void TWAVMainForm::SignalScaleIClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    StepField(field, up, 1.0, Clamp::ToOne, scale);
    CoupleScales(trace);
}

void TWAVMainForm::SignalScaleMClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    StepField(field, up, DecadeRule, Clamp::ToOne, scale);
    CoupleScales(trace);
}

void TWAVMainForm::TimeScaleIClick(bool up) {
    StepField(sTimeScale, up, 1.0, Clamp::ToOne, settings.timeScale);
}

void TWAVMainForm::TimeScaleMClick(bool up) {
    StepField(sTimeScale, up, DecadeRule, Clamp::ToOne, settings.timeScale);
}

void TWAVMainForm::SignalShiftIClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Shift : sSignal2Shift;
    const double scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    const double v = ReadField(field, nullptr) + (up ? 0.1 : -0.1) * scale;
    (trace == 1 ? settings.signal1Shift : settings.signal2Shift) = v;
    field->setText(QString::fromStdString(FormatFixed(v, 5, 4)));
}

// ---------------------------------------------------------------------------------------------
// Filter choice and options

void TWAVMainForm::ShowFilterParameters(bool visible) {
    for (QWidget *w :
         std::initializer_list<QWidget *>{sfFrequency, sQfactor, sfAmplification, fFrequencyI,
                                          QfactorI, fAmplificationI, Label1, Label2, Label3}) {
        w->setVisible(visible);
    }
}

void TWAVMainForm::BandPassClick(QRadioButton *clicked) {
    const std::pair<QRadioButton *, int> kinds[] = {
        {BandPass, fkBandPass}, {BandReject, fkBandReject}, {HighPass, fkHighPass},
        {LowPass, fkLowPass},   {HighPass2, fkHighPass4th}, {LowPass2, fkLowPass4th}};
    for (const auto &[button, kind] : kinds) {
        if (button == clicked) {
            settings.filterKind = kind;
        }
    }
    ShowFilterParameters(true);
    UpdateControls();
}

void TWAVMainForm::DiffrentiateClick(QRadioButton *clicked) {
    settings.filterKind = clicked == Diffrentiate ? fkDifferentiator : fkIntegrator;
    ShowFilterParameters(false);
    UpdateControls();
}

void TWAVMainForm::NetworkFilteringClick() {
    settings.filterKind = fkNetwork;
    ShowFilterParameters(false);
    UpdateControls();
}

void TWAVMainForm::DesignNetworkClick() {
    if (networkForm != nullptr && !blockActionRunning) {
        networkForm->exec();
    }
}

void TWAVMainForm::RectifyClick() {
    settings.rectify = Rectify->isChecked();
    RectifyGroup->setVisible(settings.rectify);
}

void TWAVMainForm::AddNoiseClick() {
    const bool on = AddNoise->isChecked();
    settings.addNoise = on;
    sSN_Ratio->setVisible(on);
    sSN_Label->setVisible(on);
    NoiseGroup->setVisible(on);
    if (on) {
        AcceptPositive(sSN_Ratio, "1", settings.snRatio);
    }
}

void TWAVMainForm::ReadOptionBoxes() {
    settings.addNoise = AddNoise->isChecked();
    settings.normalNoise = NormalNoise->isChecked();
    settings.rectify = Rectify->isChecked();
    settings.halfRectify = HalfRectify->isChecked();
}
