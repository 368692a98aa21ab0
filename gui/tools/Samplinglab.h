#pragma once

#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/SampledSound.h"
#include "core/tools/SamplingLab.h"
#include "core/tools/SamplingSignal.h"
#include "gui/services/PlaybackNotice.h"
#include "gui/widgets/ImageCanvas.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class NumberEdit;
class PlotImage;
class SoundPlayer;
class Stepper;
class UiServices;

// The sampling lab: an "analogue" signal through an anti-alias filter, a sampler and a quantiser
// to its reconstruction, drawn in time and in frequency with the quantisation error beside, the
// alias frequencies and the quantisation SNR read out, and the result heard: played, swept from
// 0 to 2·fs, saved as a WAVE file or handed to the workbench as a data-file waveform.
class TSamplingForm : public QDialog {
    Q_OBJECT
public:
    TSamplingForm(UiServices &services, SoundPlayer &player, QWidget *parent = nullptr);
    ~TSamplingForm() override;

    // Fills in the analogue calculator's current low-pass components (the anti-alias circuits);
    // without it the lab keeps its own Butterworth defaults. May throw a conversion error.
    std::function<void(kaldorium::SamplingSettings &)> circuitSource;
    // Hands a written data file to the workbench as its waveform, to be played at `frequency`.
    std::function<void(const QString &path, double frequency)> sendToWorkbench;
    // The sweep's clock in seconds; a wall clock unless a test sets its own.
    std::function<double()> clock;

    // The rate the sound is made at, frames per second, without a sound device to ask.
    static constexpr double DefaultOutputRate = 44100.0;
    // How long "Play" sounds, s.
    static constexpr double PlaySeconds = 4.0;
    // The longest sweep that can be listened to, s (its sound is written out first).
    static constexpr double MaxListenSeconds = 120.0;

    const kaldorium::SamplingSignal &Signal() const { return signal; }
    const kaldorium::SamplingSweep &SweepRun() const { return sweep; }
    const kaldorium::SamplingTimeView &TimeView() const { return timeView; }
    const kaldorium::SamplingSpectrum &Spectrum() const { return spectrum; }
    const kaldorium::Oscilloscope &TimeScope() const { return scopes[0]; }
    const kaldorium::Oscilloscope &SpectrumScope() const { return scopes[1]; }
    const kaldorium::Oscilloscope &ErrorScope() const { return scopes[2]; }
    bool Sweeping() const { return sweep.Running(); }
    // The file "Play" and "Listen" hand to the player.
    QString SoundFile() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Layout (Samplinglab.cpp)
    void CreateControls();
    QWidget *CreateSignalGroup();
    QWidget *CreateSamplerGroup();
    QWidget *CreateReadouts();
    QWidget *CreateActions();
    void ConnectHandlers();

    // Fields and read-outs (SamplinglabFields.cpp)
    void SignalFrequencyExit();
    void SecondFrequencyExit();
    void PassTimeExit();
    void AmplitudeExit();
    void SampleRateExit();
    void BitsExit();
    void SweepSecondsExit();
    void SignalFrequencyIClick(bool up);
    void SecondFrequencyIClick(bool up);
    void SampleRateIClick(bool up);
    void BitsIClick(bool up);
    void WaveformChange();
    void AntiAliasChange();
    void ReconstructionChange();
    // Takes edited settings; a refused value shows in the error display and the settings stay.
    void Apply(kaldorium::SamplingSettings edited);
    void ShowFields();
    void ShowReadouts();
    void ShowWaveformFields();

    // Plots (SamplinglabPlots.cpp)
    void Redraw();
    void DrawTime();
    void DrawSpectrum();
    void DrawError();
    void PlotResized();

    // Sound and files (SamplinglabSound.cpp)
    void PlayClick();
    bool WritePlaySound();
    // Writes the sound file; false, told in the error display, when it cannot be made.
    bool WriteSound(const kaldorium::SamplingSettings &settings, double seconds, bool swept);
    void StartSound();
    void StopSound();
    void PlayerTimerTick();
    // Stops the sound and tells the user (once per window session) when it cannot be heard.
    bool PlaybackFailed();
    void SweepClick();
    void SweepTick();
    // Ends a sweep: the settings come back with the frequency of the field.
    void StopSweep();
    // What can be used follows from whether a sweep runs.
    void UpdateControls();
    void SaveWavClick();
    void SendToWorkbenchClick();
    double Now() const;
    // The sound device's own rate (the lab resamples to it, so that nothing else does), or
    // DefaultOutputRate without a device.
    static double DeviceRate();

    UiServices &services;
    SoundPlayer &player;
    kaldorium::SamplingSignal signal;
    kaldorium::SamplingSweep sweep;
    kaldorium::SamplingTimeView timeView;
    kaldorium::SamplingSpectrum spectrum;
    std::array<ImageCanvas, 3> canvases{ImageCanvas{600, 220}, ImageCanvas{600, 220},
                                        ImageCanvas{600, 150}};
    std::array<kaldorium::Oscilloscope, 3> scopes;
    // The frequency set in the field, while a sweep moves the signal's own.
    double setFrequency = 1000.0;
    double sweepSeconds = 10.0;
    double sweepStart = 0.0;
    long long sweepFrames = 0;
    double outputRate = DefaultOutputRate; // of the sound being made
    bool playing = false;
    QElapsedTimer wallClock;
    QTemporaryDir soundFolder;
    PlaybackNotice playbackNotice;

    QComboBox *Waveform, *AntiAlias, *Reconstruction;
    NumberEdit *SignalFrequency, *SecondFrequency, *PassTime, *Amplitude, *SampleRate, *Bits,
        *SweepSeconds;
    Stepper *SignalFrequencyI, *SecondFrequencyI, *SampleRateI, *BitsI;
    QLabel *SecondFrequencyLabel, *PassTimeLabel;
    QLineEdit *AliasFrequency, *QuantisationSNR, *AntiAliasAttenuation, *SweepFrequency;
    QCheckBox *Listen;
    QPushButton *Play, *Sweep, *SendToWorkbench, *SaveWav;
    PlotImage *TimePlot, *SpectrumPlot, *ErrorPlot;
    QTimer *SweepTimer, *PlayerTimer;
};
