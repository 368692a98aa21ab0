#include "gui/workbench/Dspmain.h"

#include "core/common/NumberText.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace kaldorium;

// ---------------------------------------------------------------------------------------------
// Selections

void TDSPMainForm::SineWaveEnter(QRadioButton *entered) {
    UpdateControls();
    DutyCycleLabel->setVisible(false);
    soDutyCycle->setVisible(false);
    oDutyCycleI->setVisible(false);
    if (entered == FileData) {
        return;
    }
    settings.fileData = false;
    InputFileLabel->setVisible(false);
    InputFileName->setVisible(false);
    GetInputFile->setVisible(false);
    EditInputFile->setVisible(false);
    soSamples->setEnabled(!Modulate->isChecked());
    oSamplesI->setEnabled(!Modulate->isChecked());
    soSamples->setText(QString::number(settings.savedSamplesPerCycle));
    soSamplesExit();
    Modulate->setVisible(true);
}

void TDSPMainForm::SineWaveClick(QRadioButton *clicked) {
    ResetStatistics();
    struct Entry {
        QRadioButton *button;
        int waveform;
        const char *name;
    };
    const Entry entries[] = {{SineWave, 0, "Sine Wave"},
                             {SawTooth, 4, "Sawtooth Wave"},
                             {FSawTooth, 6, "Faulty Sawtooth Wave"},
                             {Triangle, 3, "Triangle Wave"},
                             {FTriangle, 5, "Faulty Triangle Wave"}};
    for (const Entry &e : entries) {
        if (e.button == clicked) {
            settings.waveform = e.waveform;
            settings.waveformName = e.name;
        }
    }
}

void TDSPMainForm::SquareWaveClick() {
    DutyCycleLabel->setVisible(true);
    soDutyCycle->setVisible(true);
    oDutyCycleI->setVisible(true);
    ResetStatistics();
    settings.waveform = 2;
    settings.waveformName = "Square Wave";
}

void TDSPMainForm::FileDataClick() {
    if (InputFileName->text().isEmpty()) {
        GetInputFileClick();
    }
    ResetStatistics();
    settings.waveform = 7;
    settings.fileData = true;
    settings.waveformName = "From Data File:" + InputFileName->text().toStdString();
    InputFileLabel->setVisible(true);
    InputFileName->setVisible(true);
    GetInputFile->setVisible(true);
    EditInputFile->setVisible(true);
    soSamples->setEnabled(false);
    settings.savedSamplesPerCycle = settings.samplesPerCycle;
    oSamplesI->setEnabled(false);
    Modulate->setVisible(false);
}

void TDSPMainForm::ShowFilterParameters(bool visible) {
    filter.ShowParameters(visible);
}

void TDSPMainForm::BandPassEnter() {
    DesignNetwork->setVisible(false);
    MakeBodePlot->setVisible(true);
    ShowFilterParameters(true);
}

void TDSPMainForm::BandPassClick(QRadioButton *clicked) {
    ResetStatistics();
    const FilterControls::Kind kind = filter.KindOf(clicked);
    settings.filterKind = kind.kind;
    settings.filterName = kind.name;
}

void TDSPMainForm::DiffrentiateClick(QRadioButton *clicked) {
    MakeBodePlot->setVisible(true);
    DesignNetwork->setVisible(false);
    ShowFilterParameters(false);
    ResetStatistics();
    if (clicked == DesignedFilter) {
        settings.filterKind = 9;
        settings.filterName = "Special Designed Filter";
    } else {
        const FilterControls::Kind kind = filter.KindOf(clicked);
        settings.filterKind = kind.kind;
        settings.filterName = kind.name;
    }
}

void TDSPMainForm::NetworkFilteringClick() {
    DesignNetwork->setVisible(true);
    MakeBodePlot->setVisible(true);
    ShowFilterParameters(false);
    ResetStatistics();
    const FilterControls::Kind kind = filter.KindOf(filter.NetworkFiltering);
    settings.filterKind = kind.kind;
    settings.filterName = kind.name;
}

void TDSPMainForm::ModulateClick() {
    const bool on = Modulate->isChecked();
    settings.modulate = on;
    Modulate_Group->setVisible(on);
    const bool factor = on && AM_Modulate->isChecked();
    ModulationFactorLabel->setVisible(factor);
    sModulationFactor->setVisible(factor);
    ModulationFactorI->setVisible(factor);
    soSamples->setEnabled(!on);
    oSamplesI->setEnabled(!on);
    FileData->setVisible(!on);
    if (on) {
        settings.savedSamplesPerCycle = settings.samplesPerCycle;
        AM_ModulateClick();
    } else {
        settings.samplesPerCycle = settings.savedSamplesPerCycle;
        soSamples->setText(QString::number(settings.samplesPerCycle));
        soSamplesExit();
    }
}

void TDSPMainForm::AM_ModulateClick() {
    settings.amModulate = AM_Modulate->isChecked();
    if (AM_Modulate->isChecked() || FM_Modulate->isChecked()) {
        soSamplesExit();
    }
}

void TDSPMainForm::AddNoiseClick() {
    filter.AddNoiseClick(settings);
}

void TDSPMainForm::RectifyClick() {
    filter.RectifyClick(settings);
}

void TDSPMainForm::ReadOptionBoxes() {
    settings.modulate = Modulate->isChecked();
    settings.amModulate = AM_Modulate->isChecked();
    filter.ReadOptionBoxes(settings);
}
