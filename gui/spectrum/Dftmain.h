#pragma once

#include "core/audio/WaveFile.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/spectrum/ColourMap.h"
#include "core/spectrum/Spectrogram.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "gui/services/MessagePump.h"
#include "gui/services/PlaybackNotice.h"
#include "gui/widgets/ImageCanvas.h"

#include <QDialog>
#include <QRect>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;
class NumberEdit;
class PlotImage;
class SoundPlayer;
class Stepper;
class DataFileEditor;
class UiServices;

namespace kaldorium {
class Spectrogram;
}

// The spectrum window: the averaged amplitude spectrum of a whole WAVE file as spikes over a
// chosen range of bins, the file played, the spectrum written to a text file and such files
// opened in the data file editor. The WAV workbench owns the windows and releases them.
//
// Its second view, the spectrogram, shows how the spectrum changes in time: time across,
// frequency up, the level in dB as colour, from blocks of the same length and window. The
// picture is computed for the part shown at the picture's own size, so zooming (the mouse
// wheel; Shift zooms the frequencies) recomputes the visible part at full resolution.
class TDFTMainForm : public QDialog {
    Q_OBJECT
public:
    TDFTMainForm(UiServices &services, SoundPlayer &player, DataFileEditor &editor,
                 QWidget *parent = nullptr);
    ~TDFTMainForm() override;

    // Analyses the file with the FFT or the DFT and the weighting window `windowKind` (0 … 5)
    // and draws bins 1 … N/2; in the spectrogram view it computes the spectrogram of the whole
    // file instead. Window messages run while it works. Returns false when refused: an analysis
    // runs already, or the file cannot be read.
    bool Analyse(const QString &path, bool fft, int windowKind);
    // The view shown: "Spectrum" (0) or "Spectrogram" (1). Choosing it in `ViewKind` computes
    // what the new view needs for the file analysed last.
    enum class View { Spectrum = 0, Spectrogram = 1 };
    View CurrentView() const;
    void ShowView(View view);
    // Ends a running analysis at its next block; the window is then not ready.
    void StopAnalysis() { pump.RequestStop(); }
    bool IsAnalysing() const { return analysing; }
    bool IsReady() const { return ready; }

    // For the owner: stops the analysis and the sound of this window, hides it and deletes it
    // once nothing of it runs any more. The pointer must not be used afterwards.
    void Release();

    const kaldorium::SpectrumAnalysis &Analysis() const { return analysis; }
    const kaldorium::Oscilloscope &Scope() const { return scope; }
    ImageCanvas &DisplayCanvas() { return canvas; }
    // The spectrogram shown; its picture is valid while SpectrogramReady().
    const kaldorium::Spectrogram &SpectrogramPicture() const { return *spectrogram; }
    bool SpectrogramReady() const { return spectrogramReady; }
    // The panes shown from the top: the picture of one channel, or with "Side by Side" on a
    // stereo file the left channel's above the right one's, sharing the time axis.
    int SpectrogramPanes() const { return rightPane ? 2 : 1; }
    const kaldorium::Spectrogram &SpectrogramPane(int pane) const {
        return pane == 1 && rightPane ? *rightPane : *spectrogram;
    }
    // Where pane `pane` lies on the display, in logical pixels.
    QRect PaneRect(int pane) const;
    // Where the picture lies on the display, in logical pixels.
    QRect PictureRect() const { return pictureRect; }
    // Zooms the spectrogram's time by `factor` (< 1 zooms in) around the frame `at`, or its
    // frequencies around `atHz`, and computes the part shown; ShowAll goes back to everything.
    void ZoomTime(double factor, long long at);
    void ZoomFrequency(double factor, double atHz);
    void ShowAll();
    // Moves the part shown by the pixels dragged: time across, frequency up.
    void PanSpectrogram(const QPoint &moved);
    // Writes the levels of the visible part as CSV; false when the file cannot be written.
    bool SaveSpectrogramData(const QString &fileName);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void CreateSpecifications(QVBoxLayout *outer);
    void CreatePanel(QVBoxLayout *outer);
    void ConnectHandlers();
    void FormCreate();
    void FormResize();

    void From_SampleIClick(bool up);
    void To_SampleIClick(bool up);
    void sFrom_SampleExit();
    void sTo_SampleExit();
    void Image2MouseMove(int x, int y);
    void ClickXEnter();
    void PlayInputClick();
    void Timer1Timer();
    // Stops the sound and tells the user (once per window session) when it cannot be heard.
    bool PlaybackFailed();
    void OutputToFileClick();
    void ViewDFTFileClick();

    // Fills the fields and captions for an analysis of N-sample blocks.
    void ShowSpecifications(const QString &path, bool fft, int N);
    // Draws bins From … To of the averaged spectrum, heights relative to the peak.
    void DrawBins();
    // Enables, captions and shows the controls from the window's state: what must not start
    // while an analysis runs, the playback's Play/Stop and the controls of the view shown.
    void UpdateControls();
    static int BinOf(NumberEdit *field);
    // Opens the analysed file, or tells the user why it cannot be analysed.
    bool OpenAnalysedFile();
    // The spectrum of the analysed file (the view "Spectrum").
    bool AnalyseSpectrum();
    // The busy state of an analysis or a computation: BeginWork refuses while one runs; EndWork
    // closes the file and frees a released window.
    bool BeginWork();
    void EndWork();

    // The spectrogram view (DftmainSpectrogram.cpp).
    void CreateSpectrogramControls();
    void ConnectSpectrogramHandlers();
    void ViewKindChange();
    void SpectrogramSettingChange();
    void DbRangeExit();
    void DbTopExit();
    void StopCalculationClick();
    void SaveDataAsClick();
    void SaveImageAsClick();
    void SpectrogramMouseMove(int x, int y);
    void ShowSpectrogramMenu(const QPoint &globalAt);
    // Computes the visible part for the picture's size; with `fresh` the specifications are
    // filled as for a new file. Window messages run meanwhile; false when refused.
    bool ComputeSpectrogram(bool fresh);
    // Where the picture goes on the display at its current size.
    QRect PictureArea() const;
    // Paints the computed levels, the axes and the colour bar.
    void DrawSpectrogram();
    void DrawFrequencyAxis(const QRect &picture);
    void DrawTimeAxis(const QRect &picture);
    void DrawColourBar(const QRect &picture, const kaldorium::LevelColours &colours);
    // Computes pane `pane` (0 or 1) of the visible part; false when stopped.
    bool ComputePane(int pane, kaldorium::FrameChannel channel,
                     const kaldorium::SpectrogramSettings &settings,
                     kaldorium::SpectrogramOutcome &outcome);
    // Binds the cursors' mapping to the picture of the pane at `area`.
    void BindSpectrogramScope(const QRect &area);
    // Shows the controls of the current view, and enables them unless busy.
    void UpdateViewControls();
    double ShownDbTop() const;

    // The file analysed last: path, transform and window kind.
    QString analysedPath;
    bool analysedFft = false;
    int analysedKind = 5;
    bool analysed = false;
    std::unique_ptr<kaldorium::Spectrogram> spectrogram;
    // The right channel's pane while "Side by Side" shows a stereo file; null otherwise.
    std::unique_ptr<kaldorium::Spectrogram> rightPane;
    bool spectrogramReady = false;
    bool spectrumCurrent = false;
    // The file's maximum level, from the last computation of the whole recording.
    double fileTop = 0.0;
    bool dbTopTyped = false;
    // The part shown: frames [viewFrom, viewTo) (viewTo < 0: to the end) and viewFromHz …
    // viewToHz (≤ 0: to half the sample rate).
    long long viewFrom = 0;
    long long viewTo = -1;
    double viewFromHz = 0.0;
    double viewToHz = -1.0;
    QRect pictureRect;
    // The pane whose frequencies the cursors read: the one last clicked.
    int cursorPane = 0;
    QTimer *recomputeTimer;

    UiServices &services;
    SoundPlayer &player;
    DataFileEditor &editor;

    kaldorium::WaveFile file;
    kaldorium::SpectrumAnalysis analysis;
    ImageCanvas canvas;
    kaldorium::Oscilloscope scope;
    int From = 1;
    int To = 20;
    bool ready = false;
    bool analysing = false;
    bool playing = false; // the input file plays (Timer1 waits for its end)
    bool releaseWhenIdle = false;
    MessagePump pump; // the analysis' messages and stop request
    PlaybackNotice playbackNotice;

    QGroupBox *OscillatorSpecs;
    NumberEdit *sSampleRate, *sNumSamples, *sMaxFrequency, *sDFT_Samples, *InputFile;
    QLabel *DFT_Label;
    QPushButton *PlayInput, *OutputToFile, *ViewDFTFile;
    QWidget *Panel2, *SpectrumBar;
    NumberEdit *sSignal1Scale, *sFrom_Sample, *sTo_Sample, *ClickX, *ClickY;
    Stepper *From_SampleI, *To_SampleI;
    QComboBox *WindowType;
    PlotImage *Image2;
    QLabel *MessageLabel;
    QTimer *Timer1;
    QComboBox *ViewKind, *Overlap, *Channels;
    QWidget *SpectrogramBar;
    NumberEdit *DbRange, *DbTop, *ClickLevel;
    QPushButton *StopCalculation;
    QAction *LinearFrequency, *LogFrequency, *ViridisColours, *GreyColours;
};
