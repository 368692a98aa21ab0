#include "gui/workbench/Dspmain.h"

#include "core/common/Errors.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/tools/Graph.h"
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
// Tools and files

FilterKind TDSPMainForm::CurrentFilterKind() const {
    return settings.filterKind;
}

// T (secs) shows Ts to six digits; the designer gets all of them.
std::string TDSPMainForm::SamplingPeriodText() const {
    return FormatGeneral(settings.samplingPeriod);
}

std::string TDSPMainForm::FilterFrequencyText() const {
    return filter.sfFrequency->text().toStdString();
}

std::string TDSPMainForm::QfactorText() const {
    return filter.sQfactor->text().toStdString();
}

std::string TDSPMainForm::AmplificationText() const {
    return filter.sfAmplification->text().toStdString();
}

void TDSPMainForm::MakeBodePlotClick() {
    if (!tools.graph) {
        return;
    }
    constexpr double twoPi = 6.283185307179586;
    TGraphForm &graph = *tools.graph();
    const int kind = settings.filterKind;
    // The differentiator and the integrator are normalised at the oscillator's frequency.
    graph.omega0 = twoPi * (kind == 6 || kind == 7 ? settings.frequency : settings.filterFrequency);
    graph.amplification = settings.amplification;
    graph.damping = 0.5 / settings.qFactor;
    graph.ts = settings.samplingPeriod;
    graph.type = kind;
    graph.titleName = BodeTitle(kind);
    graph.exec();
}

QString TDSPMainForm::BodeTitle(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("Digital Band Pass Filter (2nd Order)");
    case 1:
        return QStringLiteral("Digital Band Reject Filter (2nd Order)");
    case 2:
        return QStringLiteral("Digital High Pass Filter (2nd Order)");
    case 3:
        return QStringLiteral("Digital Low Pass Filter (2nd Order)");
    case 4:
        return QStringLiteral("Digital High Pass Filter (4th Order)");
    case 5:
        return QStringLiteral("Digital Low Pass Filter (4th Order)");
    case 6:
        return QStringLiteral("Differentiator");
    case 7:
        return QStringLiteral("Integrator");
    case 19:
        return QStringLiteral("Network Filter");
    default:
        return QStringLiteral("Digital Special Design Filter");
    }
}

void TDSPMainForm::AnalogueFiltersDesignClick() {
    if (tools.analogue) {
        tools.analogue()->exec();
    }
}

void TDSPMainForm::DigitalFiltersDesignClick() {
    if (tools.digital) {
        tools.digital()->exec();
    }
}

void TDSPMainForm::DesignNetworkClick() {
    if (tools.network) {
        tools.network()->exec();
    }
}

void TDSPMainForm::WaveFilesClick() {
    TWAVMainForm *wav = tools.wav();
    if (wav == nullptr) {
        return;
    }
    // Closing the WAV workbench brings this one back.
    if (wav != shownWav) {
        shownWav = wav;
        connect(wav, &TWAVMainForm::closed, this, [this] { show(); });
    }
    hide();
    wav->show();
}

void TDSPMainForm::GetInputFileClick() {
    const QString name = services.OpenFileName(
        this, QStringLiteral("DSP Sampled Signal Input File "), DataFolder(QStringLiteral("DSIs")),
        QStringLiteral("DSP Sampled Signal Input File (*.DSI *.dsi);;Text File (*.Txt *.txt "
                       "*.TXT);;All Files (*)"));
    if (!name.isEmpty()) {
        InputFileName->setText(name);
    }
}

void TDSPMainForm::GetOutputFileClick() {
    const QString name = services.SaveFileName(
        this, QString(), DataFolder(QStringLiteral("DSOs")),
        QStringLiteral(
            "DSP Sampled Output File (*.DSO *.dso);;Text File (*.Txt *.txt *.TXT);;All Files (*)"),
        QStringLiteral("DSO"));
    if (!name.isEmpty()) {
        OutputFileName->setText(name);
    }
}

void TDSPMainForm::OutputToFileClick() {
    const bool on = OutputToFile->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{OutputFileLabel, OutputFileName,
                                                       GetOutputFile, EditOutputFile}) {
        w->setVisible(on);
    }
    if (on && OutputFileName->text().isEmpty()) {
        GetOutputFileClick();
    }
}

void TDSPMainForm::InputFileNameChange() {
    settings.inputFileName = InputFileName->text().toStdString();
    InputFileName->setCursorPosition(InputFileName->text().size());
}

void TDSPMainForm::UseDataFileWaveform(const QString &path, double frequency) {
    InputFileName->setText(path);
    soFrequency->setText(General(frequency));
    soFrequencyExit();
    FileData->click();
    show();
    raise();
    activateWindow();
}

void TDSPMainForm::EditInputFileClick() {
    if (!tools.fileEdit) {
        return;
    }
    const QString given = InputFileName->text();
    const QString back =
        tools.fileEdit()->EditFile(given.isEmpty() ? QStringLiteral("*.DSI") : given);
    if (!back.isEmpty() && !back.startsWith(QLatin1Char('*'))) {
        InputFileName->setText(back);
    }
}

void TDSPMainForm::EditOutputFileClick() {
    if (!tools.fileEdit) {
        return;
    }
    const QString given = OutputFileName->text();
    const QString back =
        tools.fileEdit()->EditFile(given.isEmpty() ? QStringLiteral("*.DSO") : given);
    if (!back.isEmpty() && !back.startsWith(QLatin1Char('*'))) {
        OutputFileName->setText(back);
    }
}

void TDSPMainForm::OpenOutput(bool withFilter) {
    if (!OutputToFile->isChecked() || OutputFileName->text().isEmpty()) {
        return;
    }
    OutputLimitLabel->clear();
    const std::string path = OutputFileName->text().toStdString();
    if (!output.OpenTimeDomain(path, settings, withFilter, designer->Parameters())) {
        // The user asked for a file: say so once, and let the run go on without writing.
        services.ReportError(this, Text(CouldNotCreateOutputFileText(path)));
    }
}

void TDSPMainForm::ShowOutputLimit() {
    // Once per file: the run goes on, only the file stops growing.
    if (output.LimitReached() && OutputLimitLabel->text().isEmpty()) {
        OutputLimitLabel->setText(Text(OutputRowLimitText(output.Limit())));
    }
}

void TDSPMainForm::CloseOutput() {
    if (output.IsOpen() && !output.Close()) {
        services.ReportError(this, QStringLiteral("Could not write the output file ") +
                                       OutputFileName->text());
    }
}
