#include "workbench/Dspmain.h"

#include "common/Errors.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "workbench/DspmainText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace kaldorium;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Step and impulse responses

void TDSPMainForm::StepResponseClick(QPushButton *clicked) {
    if (StepResponse->text() != QLatin1String("Step Response")) {
        // The running response's "Stop".
        filterTestStop = true;
        EndResponse();
        return;
    }
    if (Busy()) {
        return;
    }
    StepResponse->setText(QStringLiteral("Stop"));
    ImpulseResponse->setText(QStringLiteral("Stop"));
    (clicked == StepResponse ? ImpulseResponse : StepResponse)->setVisible(false);
    filterTestStop = false;
    StartResponse(clicked == StepResponse ? ResponseRun::Kind::Step : ResponseRun::Kind::Impulse);
}

void TDSPMainForm::StartResponse(ResponseRun::Kind kind) {
    try {
        // Ts_r = (1/fc)/N is taken before unchecking the modulation brings N back.
        FloatingPointGuard guard;
        response = std::make_unique<ResponseRun>(
            kind, RunContext{settings, noise, *designer, network}, scope, statistics);
        guard.Check();
        responseModulate = Modulate->isChecked();
        if (responseModulate) {
            Modulate->setChecked(false);
            ModulateClick();
        }
        scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
        TimeScaleLabel->setVisible(true);
        fTest->setEnabled(false);
        oTest->setEnabled(false);
        for (QWidget *w :
             std::initializer_list<QWidget *>{oDFT, fDFT, oFFT, fFFT, DigitalFiltersDesign}) {
            w->setVisible(false);
        }
        ResetStatistics();
        OpenOutput(true);
    } catch (...) {
        EndResponse();
        throw;
    }
    responseRepaint.invalidate();
    // The first chunk at once: a sweep shorter than one sample ends before the click returns.
    ResponseChunk();
    if (response) {
        responseTimer->start();
    }
}

void TDSPMainForm::ResponseChunk() {
    if (!response) {
        responseTimer->stop();
        return;
    }
    if (filterTestStop) {
        EndResponse();
        return;
    }
    response->rows =
        OutputToFile->isChecked() && !OutputFileName->text().isEmpty() && output.IsOpen() ? &output
                                                                                          : nullptr;
    try {
        FloatingPointGuard guard;
        response->Step(ResponseRun::ChunkSamples);
        guard.Check();
    } catch (...) {
        EndResponse();
        throw;
    }
    ShowStatistics();
    // Repainting the whole display after every chunk would cost more than the chunk itself;
    // some 40 frames a second look the same.
    if (!responseRepaint.isValid() || responseRepaint.elapsed() >= 25) {
        responseRepaint.start();
        Image2->update();
    }
    if (response->Finished()) {
        EndResponse();
    }
}

// Every way out of a response (its end, the stop click, an error, closing the window) leaves
// the same idle window.
void TDSPMainForm::EndResponse() {
    responseTimer->stop();
    const bool wasRunning = response != nullptr;
    response.reset();
    CloseOutput();
    if (wasRunning && responseModulate && !Modulate->isChecked()) {
        Modulate->setChecked(true);
        ModulateClick();
    }
    responseModulate = false;
    oTest->setEnabled(true);
    fTest->setEnabled(true);
    ShowRunButtons(true);
    StepResponse->setText(QStringLiteral("Step Response"));
    ImpulseResponse->setText(QStringLiteral("Impulse Response"));
    ShowStatistics();
    Image2->update();
}
