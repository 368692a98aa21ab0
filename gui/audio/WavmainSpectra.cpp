#include "gui/audio/Wavmain.h"

#include "core/audio/WavExports.h"
#include "core/audio/WavViews.h"
#include "core/audio/WaveFrames.h"
#include "core/common/Errors.h"
#include "core/common/ScopeExit.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "core/tools/FilterNetwork.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/spectrum/SpectrumWindows.h"
#include "gui/widgets/PlotImage.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <cfenv>
#include <stdexcept>

// The spectra of the files, the averaged spectra of input and filtered input, and the exports.
// Each runs as a block action (see TWAVMainForm::BlockAction).

using namespace kaldorium;

namespace {

// The workbench's conditioning and filter step for the paired spectra; the filters start with
// zero state.
class WorkbenchChain : public SpectrumSampleChain {
public:
    WorkbenchChain(const WavSettings &settings, NoiseGenerator &noise, FilterNetwork &network)
        : chain(settings, noise, network) {}
    double Condition(double x) override { return chain.Condition(x); }
    double Filter(double x) override { return chain.Filtered(x); }

private:
    WavFilterChain chain;
};

// Pending window messages run at most this often while the paired spectra are computed (ms):
// more often only costs time.
constexpr int kMessageIntervalMs = 50;

// A fault already raised stops the computation for its check; there is no use going on.
bool FaultRaised() {
    return std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW) != 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Spectrum windows

void TWAVMainForm::DFT_InputClick() {
    if (!IsBusy() && AcceptInput(false)) {
        OpenSpectrumWindow(InputFile, false);
    }
}

void TWAVMainForm::FFT_InputClick() {
    if (!IsBusy() && AcceptInput(false)) {
        OpenSpectrumWindow(InputFile, true);
    }
}

// The input's spectrogram, from FFT blocks, in a spectrum window of its own.
void TWAVMainForm::Spectrogram_InputClick() {
    if (!IsBusy() && AcceptInput(false)) {
        OpenSpectrumWindow(InputFile, true, true);
    }
}

void TWAVMainForm::DFT_OutputClick() {
    if (!IsBusy() && AcceptOutput(false) && OutputIsValidWav()) {
        OpenSpectrumWindow(OutputFile, false);
    }
}

void TWAVMainForm::FFT_OutputClick() {
    if (!IsBusy() && AcceptOutput(false) && OutputIsValidWav()) {
        OpenSpectrumWindow(OutputFile, true);
    }
}

void TWAVMainForm::OpenSpectrumWindow(const QLineEdit *field, bool fft, bool spectrogram) {
    BlockAction action(*this);
    if (!action.Entered()) {
        return;
    }
    // Closing the workbench while the window analyses releases it; it is freed once its
    // analysis has returned, so it is not touched afterwards.
    const QPointer<TDFTMainForm> window = spectrumWindows->Open();
    if (spectrogram) {
        window->ShowView(TDFTMainForm::View::Spectrogram);
    }
    window->show();
    window->Analyse(field->text(), fft, DFT_WindowItems->checkedId());
}

// ---------------------------------------------------------------------------------------------
// The spectra of input and filtered input

void TWAVMainForm::fDFTClick() {
    DrawPairedSpectra(false);
}

void TWAVMainForm::fFFTClick() {
    DrawPairedSpectra(true);
}

void TWAVMainForm::DrawPairedSpectra(bool fft) {
    if (IsBusy() || !AcceptInput(false)) {
        return;
    }
    AnalysisOutcome outcome = AnalysisOutcome::Stopped;
    {
        BlockAction action(*this, kMessageIntervalMs);
        if (!action.Entered()) {
            return;
        }
        WaveFile file;
        if (!file.OpenForReading(FilePath(InputFile->text()))) {
            throw std::runtime_error("Could not read the input file " +
                                     FilePath(InputFile->text()));
        }
        traces.TimeScaleLabel->hide();
        MessageLabel->show();
        const ScopeExit restore([this] { MessageLabel->hide(); });
        if (!pairedSpectra) {
            pairedSpectra = std::make_unique<PairedSpectrumAnalysis>();
        }
        PairedSpectrumAnalysis &paired = *pairedSpectra;

        FloatingPointGuard guard;
        if (settings.filterKind == fkNetwork) {
            network.ClearStages();
        }
        WorkbenchChain chain(settings, noise, network);
        WaveFrameSource frames(file);
        outcome = paired.Run(
            frames, fft, static_cast<WindowKind>(DFT_WindowItems->checkedId()), chain,
            [&action](long long, long long) { return !FaultRaised() && action.ProcessMessages(); });
        FloatingPointBarrier(paired.peak);
        guard.Check();
        if (outcome == AnalysisOutcome::Done) {
            // y 0 … peak; a silent file keeps the range 0 … 1 and draws a flat line at 0.
            const double top = paired.peak > 0.0 ? paired.peak : 1.0;
            scope.Bind(&canvas, 0.0, static_cast<double>(paired.sampleRate / 2), 0.0, top);
            // The cursors measure frequencies in Hz on this picture.
            Image2->MeasureWith(&scope, PlotImage::Axis::Plain);
            scope.columns = {"frequency (Hz)", {"input", "filtered input"}, false};
            const double df = static_cast<double>(paired.sampleRate) / paired.N;
            const double shift1 = settings.signal1Shift;
            const double shift2 = settings.signal2Shift;
            scope.traceShift[0] = shift1;
            scope.traceShift[1] = shift2;
            for (int i = 0; i < paired.N / 2; ++i) {
                const auto bin = static_cast<std::size_t>(i);
                scope.PlotPair((i - 0.1) * df, shift1, shift2);
                scope.PlotPair(i * df, paired.input[bin] + shift1, paired.output[bin] + shift2);
                scope.PlotPair((i + 0.1) * df, shift1, shift2);
            }
            canvas.TextOut(canvas.Width() / 2 - 20, canvas.Height() - 15, "Frequency (Hz)");
            Image2->update();
        }
    }
    if (outcome == AnalysisOutcome::TooShort) {
        ReportError(QStringLiteral("The file is too short for a spectrum"));
    }
}

// ---------------------------------------------------------------------------------------------
// Exports

template <typename Write> void TWAVMainForm::Export(const QString &output, Write &&write) {
    const std::string inputPath = FilePath(InputFile->text());
    const std::string outputPath = FilePath(output);
    ExportResult result = ExportResult::Done;
    {
        BlockAction action(*this);
        if (!action.Entered()) {
            return;
        }
        WaveFile input;
        result = input.OpenForReading(inputPath) ? write(action, input, outputPath)
                                                 : ExportResult::ReadFailed;
    }
    const std::string failure = ExportFailureText(result, outputPath, inputPath);
    if (!failure.empty()) {
        ReportError(QString::fromStdString(failure));
    }
}

void TWAVMainForm::CopyInputFileClick() {
    if (IsBusy() || !AcceptInput(false) || !AcceptOutput(false)) {
        return;
    }
    Export(OutputFile->text(), [](BlockAction &, WaveFile &input, const std::string &outputPath) {
        return CopyWaveFile(input, outputPath);
    });
}

void TWAVMainForm::CopyDataClick() {
    if (IsBusy() || !AcceptInput(false)) {
        return;
    }
    const QString text = SamplesFileName();
    if (text.isEmpty()) {
        return;
    }
    const std::string header = InputFile->text().toStdString();
    Export(text, [&header](BlockAction &action, WaveFile &input, const std::string &outputPath) {
        return WriteRawSamples(input, header, outputPath, action.AsProgress());
    });
}

QString TWAVMainForm::SamplesFileName() {
    // Named after the input, in the folder the last text went to.
    const QString folder = samplesFile.isEmpty() ? DataFolder(QStringLiteral("WAVs"))
                                                 : QFileInfo(samplesFile).absolutePath() + '/';
    const QString suggested =
        folder + QFileInfo(InputFile->text()).completeBaseName() + QStringLiteral(".txt");
    ++ownDialogs;
    const QString name = services.SaveFileName(
        this, QStringLiteral("Please Specify The Samples Text File"), suggested,
        QStringLiteral("Text Files (*.txt *.TXT *.Txt);;All (*)"), QStringLiteral("txt"));
    --ownDialogs;
    if (name.isEmpty()) {
        return QString();
    }
    // The input is read while the text is written: it must not be the text's own file.
    if (SameFile(FilePath(name), FilePath(InputFile->text()))) {
        ReportError(QStringLiteral("The samples must not be written over the Input File"));
        return QString();
    }
    WaveFile existing;
    if (existing.OpenForReading(FilePath(name))) {
        existing.CloseFile();
        ++ownDialogs;
        const QMessageBox::StandardButton answer = services.Message(
            this, QMessageBox::Warning, QStringLiteral("KALDOR Warning"),
            name + QStringLiteral(" is a WAVE file.\nReplace it with the samples as text?"),
            QMessageBox::Yes | QMessageBox::No);
        --ownDialogs;
        if (answer != QMessageBox::Yes) {
            return QString();
        }
    }
    samplesFile = name;
    return name;
}
