#include "gui/workbench/Dspmain.h"

#include "core/common/Errors.h"
#include "gui/services/MessagePump.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/workbench/DspmainText.h"

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
    work = Work::Spectrum;
    traces.TimeScaleLabel->setVisible(false);
    UpdateControls();
    // Messages run at most every 50 ms (the first sample lets them run); the spectrum goes on to
    // its end.
    MessagePump pump(50);
    try {
        while (!spectrum->SamplesDone()) {
            {
                FloatingPointGuard guard;
                spectrum->Step(1);
                guard.Check();
            }
            pump.Pump();
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
    OutputLimitLabel->clear();
    if (!output.OpenFrequencyDomain(path, settings, withFilter, result.transform,
                                    designer->Parameters())) {
        services.ReportError(this, Text(CouldNotCreateOutputFileText(path)));
        return;
    }
    result.WriteRows(output);
    CloseOutput();
}

void TDSPMainForm::EndSpectrum() {
    spectrum.reset();
    CloseOutput();
    work = Work::Idle;
    UpdateControls();
    Image2->update();
}
