#include "workbench/Dspmain.h"

#include "app/UiServices.h"
#include "common/Errors.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "workbench/DspmainText.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

using namespace kaldorium;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Spectra

void TDSPMainForm::oDFTClick(QPushButton *clicked) {
    RunSpectrum(WorkbenchSpectrum::Kind::Input,
                clicked == oFFT ? TransformKind::FFT : TransformKind::DFT);
}

void TDSPMainForm::fDFTClick(QPushButton *clicked) {
    RunSpectrum(WorkbenchSpectrum::Kind::InputAndOutput,
                clicked == fFFT ? TransformKind::FFT : TransformKind::DFT);
}

// Runs to its end once started: the window stays responsive (messages after every sample) with
// the Test buttons disabled and no spectrum, response or designer button to start another.
void TDSPMainForm::RunSpectrum(WorkbenchSpectrum::Kind kind, TransformKind transform) {
    if (Busy()) {
        return;
    }
    settings.transformKind = transform;
    spectrum = std::make_unique<WorkbenchSpectrum>(kind, transform,
                                                   RunContext{settings, noise, *designer, network});
    TimeScaleLabel->setVisible(false);
    fTest->setEnabled(false);
    oTest->setEnabled(false);
    ShowRunButtons(false);
    try {
        while (!spectrum->SamplesDone()) {
            {
                FloatingPointGuard guard;
                spectrum->Step(1);
                guard.Check();
            }
            QCoreApplication::processEvents();
        }
        FloatingPointGuard guard;
        spectrum->Transform();
        spectrum->Plot(scope, &canvas);
        guard.Check();
        WriteSpectrumFile(*spectrum);
    } catch (...) {
        EndSpectrum();
        throw;
    }
    EndSpectrum();
}

void TDSPMainForm::WriteSpectrumFile(const WorkbenchSpectrum &result) {
    if (!OutputToFile->isChecked() || OutputFileName->text().isEmpty()) {
        return;
    }
    const std::string path = OutputFileName->text().toStdString();
    const bool withFilter = result.kind == WorkbenchSpectrum::Kind::InputAndOutput;
    // The designer's start-up design is a band pass (design type 0).
    if (!output.OpenFrequencyDomain(path, settings, withFilter, result.transform, 0)) {
        services.Message(this, QMessageBox::Critical, QStringLiteral("DSP Error"),
                         Text(CouldNotCreateOutputFileText(path)), QMessageBox::Ok);
        return;
    }
    result.WriteRows(output);
    CloseOutput();
}

void TDSPMainForm::EndSpectrum() {
    spectrum.reset();
    CloseOutput();
    oTest->setEnabled(true);
    fTest->setEnabled(true);
    ShowRunButtons(true);
    Image2->update();
}
