#pragma once

#include "core/signal/PanelSettings.h"

#include <QBoxLayout>

class NumberEdit;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QWidget;
class Stepper;

// The filter group that both workbenches show: the filter's parameters, the common filter kinds,
// and the conditioning of the input (rectification, noise). It creates the controls with their
// own object names (findChild finds them below any group) and keeps the rules they share; each
// window places the controls in its own layout and forwards its handlers here in one line.
class FilterControls {
public:
    // The labels, fields and steppers of frequency, Q and amplification, with starting texts.
    void CreateParameters(QWidget *parent, const char *frequency, const char *q,
                          const char *amplification);
    // The filter kinds both windows offer (a window adds its own beside them).
    void CreateKinds(QWidget *parent);
    // "Rectify Input Signal" and its Half/Full group (Half checked).
    void CreateRectify(QWidget *parent);
    // "Add Noise", its Normal/Gaussian group laid out in `direction`, and the S/N field.
    void CreateNoise(QWidget *parent, QBoxLayout::Direction direction);

    // Shows or hides the parameters (the differentiator, integrator and network have none).
    void ShowParameters(bool visible);
    // The kind a kind button selects, and the name the output files give it; -1 for a button
    // that is not one of these.
    struct Kind {
        int kind;
        const char *name;
    };
    Kind KindOf(const QRadioButton *button) const;

    // Field exits and steppers: positive values only; the frequency at most `nyquist`.
    void FrequencyExit(kaldorium::FilterSettings &s, double nyquist);
    void FrequencyStep(kaldorium::FilterSettings &s, double nyquist, bool up);
    void QfactorExit(kaldorium::FilterSettings &s);
    void QfactorStep(kaldorium::FilterSettings &s, bool up);
    void AmplificationExit(kaldorium::FilterSettings &s);
    void AmplificationStep(kaldorium::FilterSettings &s, bool up);
    void SN_RatioExit(kaldorium::ConditioningSettings &s);

    // The check boxes show their groups; the S/N shown is taken when the noise is switched on.
    void RectifyClick(kaldorium::ConditioningSettings &s);
    void AddNoiseClick(kaldorium::ConditioningSettings &s);
    // The check boxes and option groups as they are.
    void ReadOptionBoxes(kaldorium::ConditioningSettings &s) const;

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    NumberEdit *sfFrequency = nullptr, *sQfactor = nullptr, *sfAmplification = nullptr;
    Stepper *fFrequencyI = nullptr, *QfactorI = nullptr, *fAmplificationI = nullptr;

    QRadioButton *BandPass = nullptr, *BandReject = nullptr, *HighPass = nullptr,
                 *LowPass = nullptr, *HighPass2 = nullptr, *LowPass2 = nullptr,
                 *Diffrentiate = nullptr, *Integrate = nullptr, *NetworkFiltering = nullptr;

    QCheckBox *Rectify = nullptr;
    QGroupBox *RectifyGroup = nullptr;
    QRadioButton *HalfRectify = nullptr, *FullRectify = nullptr;
    QCheckBox *AddNoise = nullptr;
    QGroupBox *NoiseGroup = nullptr;
    QRadioButton *NormalNoise = nullptr, *GaussianNoise = nullptr;
    QLabel *sSN_Label = nullptr;
    NumberEdit *sSN_Ratio = nullptr;
};
