#pragma once

#include "core/audio/WavEffects.h"
#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/spectrum/Transforms.h"
#include "gui/audio/WavmainRealTime.h"
#include "gui/services/DeferredWindow.h"
#include "gui/services/MessagePump.h"
#include "gui/services/PlaybackNotice.h"
#include "gui/widgets/FilterControls.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/TraceScaleControls.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class AudioStream;
class ChunkDriver;
template <typename Form> class Wiring;
class QButtonGroup;
class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class NumberEdit;
class PlotImage;
class SoundPlayer;
class SpectrumWindows;
class Stepper;
class UiServices;
class TDFTMainForm;
class DataFileEditor;
class TFilterNetworkForm;

namespace kaldorium {
class DesignedFilterSource;
class FilterNetwork;
class NoiseGenerator;
class PairedSpectrumAnalysis;
} // namespace kaldorium

// The WAV workbench: an input and an output WAVE file, their format, the views of both on a
// sweeping display, the selected filter run live over the input ("Test"), playback, and the
// effects, spectra and exports of the files. Shown without blocking the program while the main
// window is hidden; closing it shows the main window again.
class TWAVMainForm : public QWidget {
    Q_OBJECT
public:
    TWAVMainForm(UiServices &services, SoundPlayer &player, kaldorium::NoiseGenerator &noise,
                 kaldorium::FilterNetwork &network, kaldorium::DesignedFilterSource &designedFilter,
                 DataFileEditor &editor, WindowRef<TFilterNetworkForm> networkForm = nullptr,
                 QWidget *parent = nullptr);
    ~TWAVMainForm() override;

    // The busy state of a block action (an effect, a spectrum, an export). While one lives the
    // window hides every action control, disables the four view buttons and refuses any other
    // action; its destruction — the end, a stop, an error or an exception — puts the idle
    // controls back. A block action that finds the window busy does nothing:
    //
    //     BlockAction action(*this);
    //     if (!action.Entered()) return;
    //     for (each block) { ...; if (!action.ProcessMessages()) break; }
    //
    // Messages run through the window's one MessagePump, at most every `intervalMs` (0: at every
    // call); closing the window is its stop request.
    class BlockAction {
    public:
        explicit BlockAction(TWAVMainForm &form, int intervalMs = 0);
        ~BlockAction();
        BlockAction(const BlockAction &) = delete;
        BlockAction &operator=(const BlockAction &) = delete;

        bool Entered() const { return entered; }
        // Lets pending window messages run (when the interval has passed); false when the action
        // must stop now (the window is closing).
        bool ProcessMessages();
        // ProcessMessages as the core's progress callback.
        kaldorium::Progress AsProgress() { return form.pump.AsProgress(); }

    private:
        TWAVMainForm &form;
        bool entered = false;
    };

    // Whether a view, Test or a block action runs (playback runs alongside them).
    bool IsBusy() const { return view != nullptr || blockActionRunning; }
    bool IsViewRunning() const { return view != nullptr; }
    const kaldorium::WavSettings &Settings() const { return settings; }
    const kaldorium::Oscilloscope &Scope() const { return scope; }
    ImageCanvas &DisplayCanvas() { return canvas; }
    // Frames the running view has drawn (0 when idle).
    long long ViewSamples() const;

    // One chunk of the running view (its timer calls it; tests may too, to step exactly).
    void ViewChunk();

    // The live sound of real-time views and Test; none: they stay silent.
    void SetAudioStream(AudioStream *stream);

    // The spectrum windows opened from this window, oldest first.
    const SpectrumWindows &Spectra() const { return *spectrumWindows; }
    // The last averaged spectra of input and filtered input drawn here (nullptr before the
    // first).
    const kaldorium::PairedSpectrumAnalysis *PairedSpectra() const { return pairedSpectra.get(); }

signals:
    // The window was closed; the main window shows itself again.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    enum class Playing { None, Input, Output };

    void CreateControls();
    void CreateFileGroup(QHBoxLayout *top);
    void CreateFormatReadOuts(QVBoxLayout *fileLayout);
    void CreateFilterGroup(QHBoxLayout *top);
    void CreateConditioning(QGridLayout *filterGrid);
    void CreateEffects(QVBoxLayout *filterOuter);
    void CreateDisplay(QVBoxLayout *outer);
    void KeepPlacesAndHide();
    void ConnectHandlers();
    void ConnectButtons(Wiring<TWAVMainForm> &wire);
    void ConnectFields(Wiring<TWAVMainForm> &wire);
    void ConnectFilesAndDisplay();
    void FormCreate();
    void FormActivate();

    // Files (WavmainViews.cpp)
    bool AcceptInput(bool force);
    // Shows the format of the file named in InputFile; false, with the reason in `why` where
    // there is one, when the file cannot be read or its samples cannot be converted.
    bool LoadSpecifications(QString &why);
    bool AcceptOutput(bool force);
    bool OutputIsValidWav();
    void GetInputFileClick();
    void GetOutputFileClick();
    void ShowError(const QString &title, const QString &text);
    // The "DSP Error" box (UiServices::ReportError), counted as the window's own dialog.
    void ReportError(const QString &text);
    // The path of a file field's text as the file system spells it.
    static std::string FilePath(const QString &text);

    // Views and Test (WavmainViews.cpp)
    void ViewClick(QPushButton *button, kaldorium::WavView::Kind kind);
    void StartView(QPushButton *button, kaldorium::WavView::Kind kind);
    void StopView();
    // Every way out of a view: the window idle again, the last picture shown.
    void EndView();
    QString RestingCaption(const QPushButton *button) const;
    void Image2MouseMove(int x, int y);
    void RebindDisplay();

    // Real time (WavmainRealTime.cpp)
    void CreateRealTime();
    void BeginRealTime(kaldorium::WavView::Kind kind);
    // One chunk of the running view, and its frames to the sound while it is heard.
    bool ViewStep(int count);
    RealTimeSession *realTime = nullptr;
    std::optional<WavSecondChannel> secondChannel;

    // Playback
    void PlayInputClick();
    void PlayOutputClick();
    void Timer1Timer();
    void StopPlaying();
    // Stops the sound and tells the user (once per window session) when it cannot be heard.
    bool PlaybackFailed();

    // The visibility and enabled state of every action control, from the window's state: a
    // running view, a block action, playback and the filter kind.
    void UpdateControls();

    // Fields and selections (WavmainFields.cpp)
    double Nyquist() const { return 0.5 / settings.samplingPeriod; }
    void sfFrequencyExit();
    void sQfactorExit();
    void sfAmplificationExit();
    void sSN_RatioExit();
    void sSpeedFactorExit();
    void sSignalScaleExit(int trace);
    void sTimeScaleExit();
    void sSignalShiftExit(int trace);
    void CoupleScales(int changed);
    void CoupleScaleClick();
    void fFrequencyIClick(bool up);
    void QfactorIClick(bool up);
    void fAmplificationIClick(bool up);
    void SignalScaleIClick(int trace, bool up);
    void SignalScaleMClick(int trace, bool up);
    void TimeScaleIClick(bool up);
    void TimeScaleMClick(bool up);
    void SignalShiftIClick(int trace, bool up);
    void BandPassClick(QRadioButton *clicked);
    void DiffrentiateClick(QRadioButton *clicked);
    void NetworkFilteringClick();
    void DesignNetworkClick();
    void ShowFilterParameters(bool visible);
    void RectifyClick();
    void AddNoiseClick();
    void ReadOptionBoxes();

    // Effects (WavmainEffects.cpp)
    void SpeedUpClick();
    void SlowDownClick();
    void ModifyFileClick();
    void FFT_FilteringClick();
    void FrequencyShifterClick();
    void FrequencyRotaterClick();
    void RobotClick();
    void RetardClick();
    // Runs `kind` over the accepted input and output as a block action that shows its progress
    // in EffectProgress; refusals and file failures end it with a message.
    void RunEffect(kaldorium::WavEffectKind kind);
    // The workbench's settings for `kind`; a shift or factor text that is not a whole number
    // throws ConversionError.
    kaldorium::WavEffectSettings EffectSettings(kaldorium::WavEffectKind kind) const;
    kaldorium::EffectBlocks effectBlocks;
    QProgressBar *EffectProgress = nullptr;

    // Spectra and exports (WavmainSpectra.cpp)
    void DFT_InputClick();
    void FFT_InputClick();
    void Spectrogram_InputClick();
    void DFT_OutputClick();
    void FFT_OutputClick();
    void fDFTClick();
    void fFFTClick();
    void CopyInputFileClick();
    void CopyDataClick();
    // Opens a spectrum window on the file named by `field`.
    void OpenSpectrumWindow(const QLineEdit *field, bool fft, bool spectrogram = false);
    // The averaged spectra of the input and the filtered input, drawn on the display.
    void DrawPairedSpectra(bool fft);
    // Copies the input into the file `output` by `write`, reporting a failure.
    template <typename Write> void Export(const QString &output, Write &&write);
    // The text file "Copy Samples" writes, named by the user; "" when cancelled or refused.
    // Asks before replacing a WAVE file.
    QString SamplesFileName();
    QString samplesFile; // the last text file of the samples
    // Releases the spectrum windows, stopping their analyses first.
    void ReleaseSpectrumWindows();

    UiServices &services;
    SoundPlayer &player;
    kaldorium::NoiseGenerator &noise;
    kaldorium::FilterNetwork &network;
    kaldorium::DesignedFilterSource &designedFilter;
    DataFileEditor &editor;
    WindowRef<TFilterNetworkForm> networkForm;

    kaldorium::WavSettings settings;
    kaldorium::WaveFile inputFile; // the accepted input, kept open
    bool inputAccepted = false;
    bool outputAccepted = false;
    QString programFolder;
    int inputChannels = 1;
    unsigned inputSamples = 1;
    MessagePump pump; // the block actions' messages and stop request
    ImageCanvas canvas;
    kaldorium::Oscilloscope scope;
    std::unique_ptr<kaldorium::WavView> view;
    QPushButton *viewButton = nullptr; // the button of the running view
    std::unique_ptr<ChunkDriver> viewDriver;
    bool blockActionRunning = false;
    Playing playing = Playing::None;
    PlaybackNotice playbackNotice;
    // Own dialogs take the activation away; coming back from them is no activation.
    int ownDialogs = 0;
    bool deactivatedByOwnDialog = false;
    bool centred = false;

    // Spectrum windows on demand (at most six) and the averaged spectra drawn here (made at their
    // first use); the block actions keep their working arrays in the core.
    std::unique_ptr<SpectrumWindows> spectrumWindows;
    std::unique_ptr<kaldorium::PairedSpectrumAnalysis> pairedSpectra;

    // File specifications
    QGroupBox *OscillatorSpecs;
    QLineEdit *InputFile;
    QPushButton *GetInputFile, *PlayInput, *iView, *DFT_Input, *FFT_Input, *Spectrogram_Input;
    NumberEdit *sFormat, *sChannels, *sSampleRate, *sBytesPerSec, *sBytesPerSample,
        *sBitsPerChannel, *sBytes, *sSamples, *sSeconds, *sTs;
    QCheckBox *Compressed;
    NumberEdit *sSpeedFactor;
    QPushButton *SpeedUp, *SlowDown, *CopyInputFile, *CopyData, *bView;
    QGroupBox *DFT_Window;
    QButtonGroup *DFT_WindowItems;

    // Filter specifications: the parameters, kinds and conditioning shared with the main window
    QGroupBox *Filter_Specs;
    FilterControls filter;
    QPushButton *DesignNetwork;
    QPushButton *fTest;
    QLineEdit *OutputFile;
    QPushButton *GetOutputFile, *PlayOutput, *oView, *DFT_Output, *FFT_Output, *fDFT, *fFFT;
    QPushButton *ModifyFile, *FFT_Filtering, *FrequencyShifter, *FrequencyRotater, *Robot, *Retard;
    NumberEdit *FrequencyShift, *FrequencyShift2;

    // Time axis, traces, display
    QWidget *Panel2, *Panel4;
    TraceScaleControls traces;
    PlotImage *Image2;
    QLabel *MessageLabel;
    QTimer *Timer1;
};
