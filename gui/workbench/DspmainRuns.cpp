#include "gui/workbench/Dspmain.h"

#include "gui/services/ChunkDriver.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/workbench/DspmainText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace kaldorium;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Runs

void TDSPMainForm::oTestClick() {
    if (work == Work::InputTest) {
        runDriver->Stop();
    } else if (!Busy()) {
        StartRun(WorkbenchRun::Kind::InputTest);
    }
}

void TDSPMainForm::fTestClick() {
    if (work == Work::FilterTest) {
        runDriver->Stop();
    } else if (!Busy()) {
        StartRun(WorkbenchRun::Kind::FilterTest);
    }
}

void TDSPMainForm::StartRun(WorkbenchRun::Kind kind) {
    work = kind == WorkbenchRun::Kind::FilterTest ? Work::FilterTest : Work::InputTest;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    traces.TimeScaleLabel->setVisible(true);
    ResetStatistics();
    UpdateControls();
    try {
        // Creating the filters designs them: a designed set that cannot run ends here.
        run = std::make_unique<WorkbenchRun>(kind, RunContext{settings, noise, *designer, network},
                                             scope, statistics);
    } catch (...) {
        StopRun();
        throw;
    }
    OpenOutput(kind == WorkbenchRun::Kind::FilterTest);
    BeginRealTime(*runDriver, settings.samplingPeriod);
    runDriver->Start({.step =
                          [this](int count) {
                              // Rows are written only while the box stays checked: unchecking it
                              // suspends the writing.
                              run->rows = RealTimeRows(OutputToFile->isChecked() &&
                                                               !OutputFileName->text().isEmpty() &&
                                                               output.IsOpen()
                                                           ? &output
                                                           : nullptr);
                              run->Step(count);
                              realTime->Flush();
                              return true;
                          },
                      .shown =
                          [this] {
                              ShowStatistics();
                              ShowOutputLimit();
                              if (settings.fieldsChanged) {
                                  settings.fieldsChanged = false;
                                  ShowFieldsOfSettings();
                              }
                              Image2->update();
                          },
                      .finish =
                          [this] {
                              StopRun();
                              // What the failed chunk counted is shown with its error.
                              if (runDriver->HowEnded() == ChunkDriver::Ending::Failed) {
                                  ShowStatistics();
                              }
                          }});
}

// Every way out of a run (the Stop click, an error, closing the window) leaves the same idle
// window.
void TDSPMainForm::StopRun() {
    realTime->End();
    runDriver->Stop();
    run.reset();
    work = Work::Idle;
    UpdateControls();
    CloseOutput();
    Image2->update();
}

void TDSPMainForm::RunChunk() {
    runDriver->Chunk();
}

void TDSPMainForm::ShowStatistics() {
    RMS_Field_Display1->setText(Statistic(statistics.shownRmsIn));
    RMS_Field_Display2->setText(Statistic(statistics.shownRmsOut));
    Range_Field_Display1->setText(Statistic(statistics.shownRangeIn));
    Range_Field_Display2->setText(Statistic(statistics.shownRangeOut));
}

void TDSPMainForm::ResetStatistics() {
    statistics.Reset();
    for (NumberEdit *e :
         {RMS_Field_Display1, RMS_Field_Display2, Range_Field_Display1, Range_Field_Display2}) {
        e->setText(QStringLiteral("0"));
    }
}

void TDSPMainForm::UpdateControls() {
    const bool idle = work == Work::Idle;
    const bool testing = work == Work::InputTest || work == Work::FilterTest;
    const bool responding = work == Work::StepResponse || work == Work::ImpulseResponse;
    oTest->setText(work == Work::InputTest ? QStringLiteral("Stop") : QStringLiteral("Test"));
    fTest->setText(work == Work::FilterTest ? QStringLiteral("Stop") : QStringLiteral("Test"));
    oTest->setEnabled(idle || work == Work::InputTest);
    fTest->setEnabled(idle || work == Work::FilterTest);
    // A response keeps its own button, captioned "Stop".
    StepResponse->setText(responding ? QStringLiteral("Stop") : QStringLiteral("Step Response"));
    ImpulseResponse->setText(responding ? QStringLiteral("Stop")
                                        : QStringLiteral("Impulse Response"));
    StepResponse->setVisible(idle || work == Work::StepResponse);
    ImpulseResponse->setVisible(idle || work == Work::ImpulseResponse);
    for (QWidget *w :
         std::initializer_list<QWidget *>{oDFT, fDFT, oFFT, fFFT, DigitalFiltersDesign}) {
        w->setVisible(idle);
    }
    // The WAV workbench and the network window run loops of their own: never inside this one's.
    WaveFiles->setEnabled(!testing && work != Work::Spectrum);
    DesignNetwork->setEnabled(!testing && work != Work::Spectrum);
}

void TDSPMainForm::Image2MouseMove(int x, int y) {
    traces.ClickX->setText(Reading(scope.ValueAtX(x)));
    traces.ClickY->setText(Reading(scope.ValueAtY(y)));
}

void TDSPMainForm::RebindDisplay() {
    // The display changed size: draw the grid again at the new size, same ranges.
    scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
    Image2->update();
}
