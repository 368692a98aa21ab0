#include "audio/Wavmain.h"

#include "audio/WavExports.h"
#include "audio/WavViews.h"
#include "common/Errors.h"
#include "spectrum/Dftmain.h"
#include "spectrum/SpectrumAnalysis.h"
#include "spectrum/SpectrumWindows.h"
#include "tools/FilterNetwork.h"
#include "widgets/PlotImage.h"

#include <QButtonGroup>
#include <QElapsedTimer>
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

constexpr int FaultFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

// Lets window messages run during a computation, at most every few milliseconds (more often only
// costs time). The computation's floating-point flags survive the other handlers run meanwhile,
// which clear and raise their own; a fault already raised stops the computation for its check.
class Progress {
public:
    explicit Progress(TWAVMainForm::BlockAction &action_) : action(action_) { clock.start(); }

    bool operator()() {
        if (std::fetestexcept(FaultFlags) != 0) {
            return false;
        }
        if (clock.elapsed() < IntervalMs) {
            return true;
        }
        std::fexcept_t flags;
        std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
        const bool goOn = action.ProcessMessages();
        std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
        clock.restart();
        return goOn;
    }

private:
    static constexpr int IntervalMs = 15;
    TWAVMainForm::BlockAction &action;
    QElapsedTimer clock;
};

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

void TWAVMainForm::OpenSpectrumWindow(const QLineEdit *field, bool fft) {
    BlockAction action(*this);
    if (!action.Entered()) {
        return;
    }
    // Closing the workbench while the window analyses releases it; it is freed once its
    // analysis has returned, so it is not touched afterwards.
    const QPointer<TDFTMainForm> window = spectrumWindows->Open();
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
        BlockAction action(*this);
        if (!action.Entered()) {
            return;
        }
        WaveFile file;
        if (!file.OpenForReading(FilePath(InputFile->text()))) {
            throw std::runtime_error("Could not read the input file " +
                                     FilePath(InputFile->text()));
        }
        TimeScaleLabel->hide();
        MessageLabel->show();
        struct Restore {
            QLabel *message;
            ~Restore() { message->hide(); }
        } restore{MessageLabel};
        if (!pairedSpectra) {
            pairedSpectra = std::make_unique<PairedSpectrumAnalysis>();
        }
        PairedSpectrumAnalysis &paired = *pairedSpectra;

        FloatingPointGuard guard;
        if (settings.filterKind == fkNetwork) {
            network.ClearStages();
        }
        WorkbenchChain chain(settings, noise, network);
        Progress progress(action);
        outcome = paired.Run(file, fft, static_cast<WindowKind>(DFT_WindowItems->checkedId()),
                             chain, [&progress](long long) { return progress(); });
        FloatingPointBarrier(paired.peak);
        guard.Check();
        if (outcome == AnalysisOutcome::Done) {
            // y 0 … peak; a silent file keeps the range 0 … 1 and draws a flat line at 0.
            const double top = paired.peak > 0.0 ? paired.peak : 1.0;
            scope.Bind(&canvas, 0.0, static_cast<double>(paired.sampleRate / 2), 0.0, top);
            // The cursors measure frequencies in Hz on this picture.
            Image2->MeasureWith(&scope, PlotImage::Axis::Plain);
            const double df = static_cast<double>(paired.sampleRate) / paired.N;
            const double shift1 = settings.signal1Shift;
            const double shift2 = settings.signal2Shift;
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
        ShowError(QStringLiteral("DSP Error"),
                  QStringLiteral("The file is too short for a spectrum"));
    }
}

// ---------------------------------------------------------------------------------------------
// Exports

template <typename Write> void TWAVMainForm::Export(Write &&write) {
    if (IsBusy() || !AcceptInput(false) || !AcceptOutput(false)) {
        return;
    }
    const std::string inputPath = FilePath(InputFile->text());
    const std::string outputPath = FilePath(OutputFile->text());
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
        ShowError(QStringLiteral("DSP Error"), QString::fromStdString(failure));
    }
}

void TWAVMainForm::CopyInputFileClick() {
    Export([](BlockAction &, WaveFile &input, const std::string &outputPath) {
        return CopyWaveFile(input, outputPath);
    });
}

void TWAVMainForm::CopyDataClick() {
    const std::string header = InputFile->text().toStdString();
    Export([&header](BlockAction &action, WaveFile &input, const std::string &outputPath) {
        return WriteRawSamples(input, header, outputPath,
                               [&action](long long) { return action.ProcessMessages(); });
    });
}
