#include "gui/widgets/FilterControls.h"

#include "core/common/NumberText.h"
#include "core/signal/Filterclass.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FieldInput.h"
#include "gui/widgets/Stepper.h"

#include <QGroupBox>
#include <algorithm>

using namespace kaldorium;
using namespace controls;
using namespace fieldinput;

namespace {

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

} // namespace

void FilterControls::CreateParameters(QWidget *parent, const char *frequency, const char *q,
                                      const char *amplification) {
    Label3 = named<QLabel>(parent, "Label3", QStringLiteral("Frequency (Hz)"));
    Label2 = named<QLabel>(parent, "Label2", QStringLiteral("Qfactor"));
    Label1 = named<QLabel>(parent, "Label1", QStringLiteral("Amplification"));
    sfFrequency = NumberField(parent, "sfFrequency", frequency, true);
    fFrequencyI = named<Stepper>(parent, "fFrequencyI");
    sQfactor = NumberField(parent, "sQfactor", q, true);
    QfactorI = named<Stepper>(parent, "QfactorI");
    sfAmplification = NumberField(parent, "sfAmplification", amplification, true);
    fAmplificationI = named<Stepper>(parent, "fAmplificationI");
}

void FilterControls::CreateKinds(QWidget *parent) {
    BandPass = Radio(parent, "BandPass", "BandPass 2nd Order");
    BandReject = Radio(parent, "BandReject", "BandReject 2nd Order");
    HighPass = Radio(parent, "HighPass", "HighPass 2nd Order");
    LowPass = Radio(parent, "LowPass", "LowPass 2nd Order");
    HighPass2 = Radio(parent, "HighPass2", "HighPass 4th Order");
    LowPass2 = Radio(parent, "LowPass2", "LowPass 4th Order");
    Diffrentiate = Radio(parent, "Diffrentiate", "Differentiator");
    Integrate = Radio(parent, "Integrate", "Integrator");
    NetworkFiltering = Radio(parent, "NetworkFiltering", "Filter Network");
    BandPass->setChecked(true);
}

void FilterControls::CreateRectify(QWidget *parent) {
    Rectify = Check(parent, "Rectify", "Rectify Input Signal");
    RectifyGroup = named<QGroupBox>(parent, "RectifyGroup");
    auto *layout = new QHBoxLayout(RectifyGroup);
    layout->setContentsMargins(4, 0, 4, 0);
    HalfRectify = Radio(RectifyGroup, "HalfRectify", "Half");
    FullRectify = Radio(RectifyGroup, "FullRectify", "Full");
    HalfRectify->setChecked(true);
    layout->addWidget(HalfRectify);
    layout->addWidget(FullRectify);
}

void FilterControls::CreateNoise(QWidget *parent, QBoxLayout::Direction direction) {
    AddNoise = Check(parent, "AddNoise", "Add Noise");
    sSN_Label = named<QLabel>(parent, "sSN_Label", QStringLiteral("S/N"));
    sSN_Ratio = NumberField(parent, "sSN_Ratio", "100", true);
    NoiseGroup = named<QGroupBox>(parent, "NoiseGroup");
    auto *layout = new QBoxLayout(direction, NoiseGroup);
    layout->setContentsMargins(4, 0, 4, 0);
    NormalNoise = Radio(NoiseGroup, "NormalNoise", "Normal");
    GaussianNoise = Radio(NoiseGroup, "GaussianNoise", "Gaussian");
    NormalNoise->setChecked(true);
    layout->addWidget(NormalNoise);
    layout->addWidget(GaussianNoise);
}

void FilterControls::ShowParameters(bool visible) {
    for (QWidget *w :
         std::initializer_list<QWidget *>{sfFrequency, sQfactor, sfAmplification, fFrequencyI,
                                          QfactorI, fAmplificationI, Label1, Label2, Label3}) {
        w->setVisible(visible);
    }
}

FilterControls::Kind FilterControls::KindOf(const QRadioButton *button) const {
    const std::pair<const QRadioButton *, Kind> kinds[] = {
        {BandPass, {fkBandPass, "Band Pass"}},
        {BandReject, {fkBandReject, "Band Reject"}},
        {HighPass, {fkHighPass, "High Pass"}},
        {LowPass, {fkLowPass, "Low Pass"}},
        {HighPass2, {fkHighPass4th, "High Pass 4th Order"}},
        {LowPass2, {fkLowPass4th, "Low Pass 4th Order"}},
        {Diffrentiate, {fkDifferentiator, "Differentiator"}},
        {Integrate, {fkIntegrator, "Integrator"}},
        {NetworkFiltering, {fkNetwork, "Filter Network"}}};
    for (const auto &[b, kind] : kinds) {
        if (b == button) {
            return kind;
        }
    }
    return {-1, ""};
}

void FilterControls::FrequencyExit(FilterSettings &s, double nyquist) {
    double v = ReadField(sfFrequency, "1");
    if (v > 0) {
        if (v > nyquist) {
            v = nyquist;
            sfFrequency->setText(General(v));
        }
        s.filterFrequency = v;
    } else {
        sfFrequency->setText(General(s.filterFrequency));
    }
}

void FilterControls::FrequencyStep(FilterSettings &s, double nyquist, bool up) {
    const double v = SteppedValue(sfFrequency, up, 100.0);
    s.filterFrequency = std::min(v, nyquist);
    sfFrequency->setText(General(s.filterFrequency));
}

void FilterControls::QfactorExit(FilterSettings &s) {
    AcceptPositive(sQfactor, "1", s.qFactor);
}

void FilterControls::QfactorStep(FilterSettings &s, bool up) {
    StepField(sQfactor, up, 1.0, s.qFactor);
}

void FilterControls::AmplificationExit(FilterSettings &s) {
    AcceptPositive(sfAmplification, "1", s.amplification);
}

void FilterControls::AmplificationStep(FilterSettings &s, bool up) {
    StepField(sfAmplification, up, 1.0, s.amplification);
}

void FilterControls::SN_RatioExit(ConditioningSettings &s) {
    AcceptPositive(sSN_Ratio, "1", s.snRatio);
}

void FilterControls::RectifyClick(ConditioningSettings &s) {
    s.rectify = Rectify->isChecked();
    RectifyGroup->setVisible(s.rectify);
}

void FilterControls::AddNoiseClick(ConditioningSettings &s) {
    const bool on = AddNoise->isChecked();
    s.addNoise = on;
    sSN_Ratio->setVisible(on);
    sSN_Label->setVisible(on);
    NoiseGroup->setVisible(on);
    if (on) {
        AcceptPositive(sSN_Ratio, "1", s.snRatio);
    }
}

void FilterControls::ReadOptionBoxes(ConditioningSettings &s) const {
    s.addNoise = AddNoise->isChecked();
    s.normalNoise = NormalNoise->isChecked();
    s.rectify = Rectify->isChecked();
    s.halfRectify = HalfRectify->isChecked();
}
