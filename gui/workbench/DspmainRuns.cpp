#include "workbench/Dspmain.h"

#include "common/Errors.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"
#include "workbench/DspmainText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace kaldorium;
using namespace dspmain;

// ---------------------------------------------------------------------------------------------
// Runs

void TDSPMainForm::oTestClick() {
    if (oTest->text() == QLatin1String("Test")) {
        StartRun(WorkbenchRun::Kind::InputTest);
    } else {
        StopRun();
    }
}

void TDSPMainForm::fTestClick() {
    if (fTest->text() == QLatin1String("Test")) {
        StartRun(WorkbenchRun::Kind::FilterTest);
    } else {
        StopRun();
    }
}

void TDSPMainForm::StartRun(WorkbenchRun::Kind kind) {
    const bool filterTest = kind == WorkbenchRun::Kind::FilterTest;
    QPushButton *own = filterTest ? fTest : oTest;
    QPushButton *other = filterTest ? oTest : fTest;
    own->setText(QStringLiteral("Stop"));
    (filterTest ? filterTestStop : inputTestStop) = false;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    TimeScaleLabel->setVisible(true);
    ResetStatistics();
    other->setEnabled(false);
    ShowRunButtons(false);
    try {
        // Creating the filters designs them: a designed set that cannot run ends here.
        run = std::make_unique<WorkbenchRun>(kind, RunContext{settings, noise, *designer, network},
                                             scope, statistics);
    } catch (...) {
        StopRun();
        throw;
    }
    OpenOutput(filterTest);
    runTimer->start();
}

void TDSPMainForm::StopRun() {
    const bool filterTest = run && run->kind == WorkbenchRun::Kind::FilterTest;
    runTimer->stop();
    run.reset();
    inputTestStop = true;
    filterTestStop = true;
    (filterTest ? fTest : oTest)->setText(QStringLiteral("Test"));
    oTest->setText(QStringLiteral("Test"));
    fTest->setText(QStringLiteral("Test"));
    oTest->setEnabled(true);
    fTest->setEnabled(true);
    ShowRunButtons(true);
    CloseOutput();
    Image2->update();
}

void TDSPMainForm::RunChunk() {
    if (!run) {
        runTimer->stop();
        return;
    }
    const bool stop = run->kind == WorkbenchRun::Kind::FilterTest ? filterTestStop : inputTestStop;
    if (stop) {
        StopRun();
        return;
    }
    // Rows are written only while the box stays checked: unchecking it suspends the writing.
    run->rows = OutputToFile->isChecked() && !OutputFileName->text().isEmpty() && output.IsOpen()
                    ? &output
                    : nullptr;
    try {
        FloatingPointGuard guard;
        run->Step(WorkbenchRun::ChunkSamples);
        guard.Check();
    } catch (...) {
        StopRun();
        ShowStatistics();
        throw;
    }
    ShowStatistics();
    if (settings.fieldsChanged) {
        settings.fieldsChanged = false;
        ShowFieldsOfSettings();
    }
    Image2->update();
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

void TDSPMainForm::ShowRunButtons(bool visible) {
    for (QWidget *w : std::initializer_list<QWidget *>{oDFT, fDFT, oFFT, fFFT, ImpulseResponse,
                                                       StepResponse, DigitalFiltersDesign}) {
        w->setVisible(visible);
    }
    // The WAV workbench and the network window run loops of their own: never inside this one's.
    WaveFiles->setEnabled(visible);
    DesignNetwork->setEnabled(visible);
}

void TDSPMainForm::Image2MouseMove(int x, int y) {
    ClickX->setText(General(scope.ValueAtX(x)));
    ClickY->setText(General(scope.ValueAtY(y)));
}

void TDSPMainForm::RebindDisplay() {
    // The display changed size: draw the grid again at the new size, same ranges.
    scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
    Image2->update();
}
