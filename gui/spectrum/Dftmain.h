#pragma once

#include "audio/WaveFile.h"
#include "signal/Oscilloscopeclass.h"
#include "spectrum/SpectrumAnalysis.h"
#include "widgets/ImageCanvas.h"

#include <QDialog>
#include <QElapsedTimer>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class NumberEdit;
class PlotImage;
class SoundPlayer;
class Stepper;
class TFileEditForm;
class UiServices;

// The spectrum window: the averaged amplitude spectrum of a whole WAVE file as spikes over a
// chosen range of bins, the file played, the spectrum written to a text file and such files
// opened in the data file editor. The WAV workbench owns the windows and releases them.
class TDFTMainForm : public QDialog {
    Q_OBJECT
public:
    TDFTMainForm(UiServices &services, SoundPlayer &player, TFileEditForm &editor,
                 QWidget *parent = nullptr);
    ~TDFTMainForm() override;

    // Analyses the file with the FFT or the DFT and the weighting window `windowKind` (0 … 5)
    // and draws bins 1 … N/2. Window messages run while it works. Returns false when refused: an
    // analysis runs already, or the file cannot be read.
    bool Analyse(const QString &path, bool fft, int windowKind);
    // Ends a running analysis at its next block; the window is then not ready.
    void StopAnalysis() { stopRequested = true; }
    bool IsAnalysing() const { return analysing; }
    bool IsReady() const { return ready; }

    // For the owner: stops the analysis and the sound of this window, hides it and deletes it
    // once nothing of it runs any more. The pointer must not be used afterwards.
    void Release();

    const kaldorium::SpectrumAnalysis &Analysis() const { return analysis; }
    const kaldorium::Oscilloscope &Scope() const { return scope; }
    ImageCanvas &DisplayCanvas() { return canvas; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
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
    void OutputToFileClick();
    void ViewDFTFileClick();

    // Fills the fields and captions for an analysis of N-sample blocks.
    void ShowSpecifications(const QString &path, bool fft, int N);
    // Draws bins From … To of the averaged spectrum, heights relative to the peak.
    void DrawBins();
    // The busy set: what must not start while the analysis runs.
    void SetBusy(bool busy);
    // Lets window messages run every few milliseconds of a long analysis; false once stopped.
    bool AnalysisProgress();
    static int BinOf(NumberEdit *field);

    UiServices &services;
    SoundPlayer &player;
    TFileEditForm &editor;

    kaldorium::WaveFile file;
    kaldorium::SpectrumAnalysis analysis;
    ImageCanvas canvas;
    kaldorium::Oscilloscope scope;
    int From = 1;
    int To = 20;
    bool ready = false;
    bool analysing = false;
    bool stopRequested = false;
    bool releaseWhenIdle = false;
    QElapsedTimer sinceMessages;

    QGroupBox *OscillatorSpecs;
    NumberEdit *sSampleRate, *sNumSamples, *sMaxFrequency, *sDFT_Samples, *InputFile;
    QLabel *DFT_Label;
    QPushButton *PlayInput, *OutputToFile, *ViewDFTFile;
    QWidget *Panel2;
    NumberEdit *sSignal1Scale, *sFrom_Sample, *sTo_Sample, *ClickX, *ClickY;
    Stepper *From_SampleI, *To_SampleI;
    QComboBox *WindowType;
    PlotImage *Image2;
    QLabel *MessageLabel;
    QTimer *Timer1;
};
