#include "gui/tools/Samplinglab.h"

#include "gui/services/Tooltips.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/FieldInput.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/Stepper.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace kaldorium;
using fieldinput::ReadField;
using fieldinput::SteppedValue;

namespace {

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

bool UsesCircuit(AntiAliasKind kind) {
    return kind == AntiAliasKind::InvertingLowPass || kind == AntiAliasKind::NonInvertingLowPass;
}

// The steppers' base steps: the fine step moves by these from the base up and by a tenth of
// them below it.
constexpr double FrequencyStep = 100.0;
constexpr double RateStep = 1000.0;

} // namespace

// ---------------------------------------------------------------------------------------------
// Settings

void TSamplingForm::Apply(SamplingSettings edited) {
    if (circuitSource && UsesCircuit(edited.antiAlias)) {
        circuitSource(edited);
    }
    const std::string why = SamplingSettingsError(edited);
    if (!why.empty()) {
        ShowFields();
        services.ShowError(this, QString::fromStdString(why));
        return;
    }
    // A circuit that gives no response throws here, before anything has changed.
    SamplingSignal checked;
    checked.Configure(edited);
    signal.Configure(edited);
    setFrequency = edited.signalFrequency;
    ShowFields();
    Redraw();
}

void TSamplingForm::ShowFields() {
    const SamplingSettings &s = signal.Settings();
    SignalFrequency->setText(General(setFrequency));
    SecondFrequency->setText(General(s.secondFrequency));
    PassTime->setText(General(s.sweepTime));
    Amplitude->setText(General(s.amplitude));
    SampleRate->setText(General(s.sampleRate));
    Bits->setText(QString::fromStdString(BitsText(s.bits)));
    SweepSeconds->setText(General(sweepSeconds));
    Waveform->setCurrentIndex(static_cast<int>(s.waveform));
    AntiAlias->setCurrentIndex(static_cast<int>(s.antiAlias));
    Reconstruction->setCurrentIndex(static_cast<int>(s.reconstruction));
    ShowWaveformFields();
}

void TSamplingForm::ShowWaveformFields() {
    const SamplingWaveform w = signal.Settings().waveform;
    for (QWidget *widget : std::initializer_list<QWidget *>{SecondFrequency, SecondFrequencyI,
                                                            SecondFrequencyLabel}) {
        widget->setVisible(w == SamplingWaveform::TwoTone);
    }
    PassTime->setVisible(w == SamplingWaveform::Sweep);
    PassTimeLabel->setVisible(w == SamplingWaveform::Sweep);
}

void TSamplingForm::ShowReadouts() {
    FloatingPointGuard guard;
    const double time = Sweeping() ? sweep.Elapsed() : 0.0;
    const QString alias = QString::fromStdString(AliasFrequencyText(signal, time));
    const QString snr = QString::fromStdString(QuantisationSnrText(signal));
    const QString attenuation = QString::fromStdString(AttenuationText(signal));
    guard.Check();
    for (auto [field, text] : {std::pair{AliasFrequency, alias}, std::pair{QuantisationSNR, snr},
                               std::pair{AntiAliasAttenuation, attenuation}}) {
        field->setText(text);
        field->setCursorPosition(0);
        field->setToolTip(TooltipWithValue(field, text));
    }
}

// ---------------------------------------------------------------------------------------------
// Fields

void TSamplingForm::SignalFrequencyExit() {
    SamplingSettings s = signal.Settings();
    s.signalFrequency = ReadField(SignalFrequency, "1000");
    Apply(s);
}

void TSamplingForm::SecondFrequencyExit() {
    SamplingSettings s = signal.Settings();
    s.secondFrequency = ReadField(SecondFrequency, "1500");
    Apply(s);
}

void TSamplingForm::PassTimeExit() {
    SamplingSettings s = signal.Settings();
    s.sweepTime = ReadField(PassTime, "1");
    Apply(s);
}

void TSamplingForm::AmplitudeExit() {
    SamplingSettings s = signal.Settings();
    s.amplitude = ReadField(Amplitude, "1");
    Apply(s);
}

void TSamplingForm::SampleRateExit() {
    SamplingSettings s = signal.Settings();
    s.sampleRate = ReadField(SampleRate, "8000");
    Apply(s);
}

void TSamplingForm::BitsExit() {
    if (Bits->text().trimmed().isEmpty()) {
        Bits->setText(QStringLiteral("16"));
    }
    SamplingSettings s = signal.Settings();
    s.bits = ParseBits(Bits->text().toStdString());
    Apply(s);
}

void TSamplingForm::SweepSecondsExit() {
    const double v = ReadField(SweepSeconds, "10");
    if (v > 0.0 && v <= SamplingSweep::MaxSeconds) {
        sweepSeconds = v;
    } else {
        SweepSeconds->setText(General(sweepSeconds));
        services.ShowError(this, QStringLiteral("The sweep takes more than 0 s and at most %1 s")
                                     .arg(General(SamplingSweep::MaxSeconds)));
    }
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TSamplingForm::SignalFrequencyIClick(bool up) {
    SamplingSettings s = signal.Settings();
    s.signalFrequency = SteppedValue(SignalFrequency, up, FrequencyStep);
    Apply(s);
}

void TSamplingForm::SecondFrequencyIClick(bool up) {
    SamplingSettings s = signal.Settings();
    s.secondFrequency = SteppedValue(SecondFrequency, up, FrequencyStep);
    Apply(s);
}

void TSamplingForm::SampleRateIClick(bool up) {
    SamplingSettings s = signal.Settings();
    s.sampleRate = SteppedValue(SampleRate, up, RateStep);
    Apply(s);
}

void TSamplingForm::BitsIClick(bool up) {
    SamplingSettings s = signal.Settings();
    // A text typed but not yet taken steps from the bits in use.
    int bits = s.bits;
    try {
        bits = ParseBits(Bits->text().toStdString());
    } catch (const ConversionError &) {
    }
    s.bits = StepBits(bits, up);
    Apply(s);
}

// ---------------------------------------------------------------------------------------------
// Choices

void TSamplingForm::WaveformChange() {
    SamplingSettings s = signal.Settings();
    s.waveform = static_cast<SamplingWaveform>(Waveform->currentIndex());
    Apply(s);
}

void TSamplingForm::AntiAliasChange() {
    SamplingSettings s = signal.Settings();
    s.antiAlias = static_cast<AntiAliasKind>(AntiAlias->currentIndex());
    try {
        Apply(s);
    } catch (...) {
        // The choice stays as it was when the circuit cannot be used.
        ShowFields();
        throw;
    }
}

void TSamplingForm::ReconstructionChange() {
    SamplingSettings s = signal.Settings();
    s.reconstruction = static_cast<ReconstructionKind>(Reconstruction->currentIndex());
    Apply(s);
}
