#include "gui/workbench/Dspmain.h"

#include "core/common/Errors.h"
#include "gui/services/ChunkDriver.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/workbench/DspmainText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace kaldorium;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Step and impulse responses

void TDSPMainForm::StepResponseClick(QPushButton *clicked) {
    if (work == Work::StepResponse || work == Work::ImpulseResponse) {
        // The running response's "Stop".
        EndResponse();
        return;
    }
    if (Busy()) {
        return;
    }
    const bool step = clicked == StepResponse;
    work = step ? Work::StepResponse : Work::ImpulseResponse;
    UpdateControls();
    StartResponse(step ? ResponseRun::Kind::Step : ResponseRun::Kind::Impulse);
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
        traces.TimeScaleLabel->setVisible(true);
        ResetStatistics();
        OpenOutput(true);
    } catch (...) {
        EndResponse();
        throw;
    }
    BeginRealTime(*responseDriver, response->samplingPeriod);
    responseDriver->Start({.step = [this](int count) { return ResponseStep(count); },
                           .shown =
                               [this] {
                                   ShowStatistics();
                                   ShowOutputLimit();
                                   Image2->UpdateWhileDrawing();
                               },
                           .finish = [this] { EndResponse(); }});
    // The first chunk at once: a sweep shorter than one sample ends before the click returns.
    responseDriver->Chunk();
}

bool TDSPMainForm::ResponseStep(int count) {
    response->rows = RealTimeRows(OutputToFile->isChecked() && !OutputFileName->text().isEmpty() &&
                                          output.IsOpen()
                                      ? &output
                                      : nullptr);
    response->Step(count);
    realTime->Flush();
    return !response->Finished();
}

void TDSPMainForm::ResponseChunk() {
    responseDriver->Chunk();
}

// Every way out of a response (its end, the stop click, an error, closing the window) leaves
// the same idle window.
void TDSPMainForm::EndResponse() {
    // A response that came to its end plays out; a stopped one is silent at once.
    realTime->End(response != nullptr && response->Finished());
    responseDriver->Stop();
    const bool wasRunning = response != nullptr;
    response.reset();
    CloseOutput();
    if (wasRunning && responseModulate && !Modulate->isChecked()) {
        Modulate->setChecked(true);
        ModulateClick();
    }
    responseModulate = false;
    work = Work::Idle;
    UpdateControls();
    ShowStatistics();
    Image2->update();
}
