#pragma once

#include "signal/DesignedFilterSource.h"
#include "signal/Oscilloscopeclass.h"
#include "tools/DigitalFilterDesign.h"
#include "widgets/ImageCanvas.h"
#include "workbench/DataFiles.h"
#include "workbench/Responses.h"
#include "workbench/Runs.h"
#include "workbench/SignalStatistics.h"
#include "workbench/WorkbenchSettings.h"
#include "workbench/WorkbenchSpectrum.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class NumberEdit;
class PlotImage;
class Stepper;
class UiServices;
class TGraphForm;
class TAnalogueFiltersForm;
class TDigitalFiltersForm;
class TFileEditForm;
class TFilterNetworkForm;
class TWAVMainForm;

namespace kaldorium {
class FilterNetwork;
class NoiseGenerator;
} // namespace kaldorium

// The workbench: oscillator, filter and display settings, the input and filter test runs on the
// display, and the RMS and range read-outs.
class TDSPMainForm : public QWidget, public kaldorium::DesignerWorkbench {
    Q_OBJECT
public:
    TDSPMainForm(UiServices &services, kaldorium::NoiseGenerator &noise,
                 kaldorium::FilterNetwork &network,
                 kaldorium::DesignedFilterSource *designer = nullptr, QWidget *parent = nullptr);
    ~TDSPMainForm() override;

    struct ToolWindows {
        TGraphForm *graph = nullptr;
        TAnalogueFiltersForm *analogue = nullptr;
        TDigitalFiltersForm *digital = nullptr;
        TFileEditForm *fileEdit = nullptr;
        TFilterNetworkForm *network = nullptr;
        TWAVMainForm *wav = nullptr;
    };
    void SetToolWindows(const ToolWindows &windows);

    // What the digital filter designer reads: the filter kind and four fields' texts.
    kaldorium::FilterKind CurrentFilterKind() const override;
    std::string SamplingPeriodText() const override;
    std::string FilterFrequencyText() const override;
    std::string QfactorText() const override;
    std::string AmplificationText() const override;

    const kaldorium::WorkbenchSettings &Settings() const { return settings; }
    const kaldorium::SignalStatistics &Statistics() const { return statistics; }
    const kaldorium::Oscilloscope &Scope() const { return scope; }
    ImageCanvas &DisplayCanvas() { return canvas; }
    bool IsRunning() const { return run != nullptr; }
    // Samples the current run has produced (0 when idle).
    long long RunSamples() const { return run ? run->samples : 0; }

    // One chunk of the running test (the run's timer calls it; tests may too, to step exactly).
    void RunChunk();

    bool IsResponding() const { return response != nullptr; }
    long long ResponseSamples() const { return response ? response->samples : 0; }
    // One chunk of the running step or impulse response (its timer calls it, tests may too).
    void ResponseChunk();
    // A run, a response or a spectrum is going on: a second one is refused.
    bool Busy() const { return run || response || spectrum; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void FormCreate();

    // Runs
    void oTestClick();
    void fTestClick();
    void StartRun(kaldorium::WorkbenchRun::Kind kind);
    void StopRun();
    void ShowStatistics();
    void ResetStatistics();
    void ShowRunButtons(bool visible);
    void Image2MouseMove(int x, int y);
    void RebindDisplay();

    // Step and impulse responses
    void StepResponseClick(QPushButton *clicked);
    void StartResponse(kaldorium::ResponseRun::Kind kind);
    void EndResponse();

    // Spectra
    void oDFTClick(QPushButton *clicked);
    void fDFTClick(QPushButton *clicked);
    void RunSpectrum(kaldorium::WorkbenchSpectrum::Kind kind, kaldorium::TransformKind transform);
    void EndSpectrum();
    void WriteSpectrumFile(const kaldorium::WorkbenchSpectrum &result);

    // Fields
    void ShowFieldsOfSettings();
    void soFrequencyExit();
    void soAmplitudeExit();
    void soSamplesExit();
    void soDutyCycleExit();
    void soDC_OffsetExit();
    void sSN_RatioExit();
    void sfFrequencyExit();
    void sQfactorExit();
    void sfAmplificationExit();
    void sSignal1ScaleExit();
    void sSignal2ScaleExit();
    void sTimeScaleExit();
    void sSignal1ShiftExit();
    void sSignal2ShiftExit();
    void oTExit();
    void CoupleScales(int changed);
    void CoupleScaleClick();

    // Steppers
    void oFrequencyIClick(bool up);
    void fFrequencyIClick(bool up);
    void oAmplitudeIClick(bool up);
    void fAmplificationIClick(bool up);
    void QfactorIClick(bool up);
    void SignalScaleIClick(int trace, bool up);
    void SignalScaleMClick(int trace, bool up);
    void TimeScaleIClick(bool up);
    void TimeScaleMClick(bool up);
    void oSamplesIClick(bool up);
    void oDC_OffsetIClick(bool up);
    void oDutyCycleIClick(bool up);
    void SignalShiftIClick(int trace, bool up);
    void ModulationFactorIClick(bool up);

    // Selections
    void SineWaveEnter(QRadioButton *entered);
    void SineWaveClick(QRadioButton *clicked);
    void SquareWaveClick();
    void FileDataClick();
    void BandPassEnter();
    void BandPassClick(QRadioButton *clicked);
    void DiffrentiateClick(QRadioButton *clicked);
    void NetworkFilteringClick();
    void ModulateClick();
    void AM_ModulateClick();
    void AddNoiseClick();
    void RectifyClick();
    void ShowFilterParameters(bool visible);
    void ReadOptionBoxes();

    // Tools and files
    void MakeBodePlotClick();
    static QString BodeTitle(int kind);
    void AnalogueFiltersDesignClick();
    void DigitalFiltersDesignClick();
    void DesignNetworkClick();
    void WaveFilesClick();
    void GetInputFileClick();
    void GetOutputFileClick();
    void EditInputFileClick();
    void EditOutputFileClick();
    void OutputToFileClick();
    void InputFileNameChange();
    void OpenOutput(bool withFilter);
    void CloseOutput();

    UiServices &services;
    kaldorium::NoiseGenerator &noise;
    kaldorium::FilterNetwork &network;
    std::unique_ptr<kaldorium::DefaultDesignedFilterSource> ownDesigner;
    kaldorium::DesignedFilterSource *designer;
    ToolWindows tools;

    kaldorium::WorkbenchSettings settings;
    kaldorium::SignalStatistics statistics;
    ImageCanvas canvas;
    kaldorium::Oscilloscope scope;
    std::unique_ptr<kaldorium::WorkbenchRun> run;
    kaldorium::DataFileWriter output; // the open output data file, if any
    QTimer *runTimer = nullptr;
    std::unique_ptr<kaldorium::ResponseRun> response;
    QTimer *responseTimer = nullptr;
    bool responseModulate = false; // Modulate as it was before the response
    QElapsedTimer responseRepaint; // since the display was last repainted during a response
    std::unique_ptr<kaldorium::WorkbenchSpectrum> spectrum;
    bool inputTestStop = true;
    bool filterTestStop = true;
    bool centred = false;

    // Panels and groups
    QWidget *Panel1, *Panel2, *Panel3, *Panel4;
    QGroupBox *OscillatorSpecs, *Filter_Specs;
    QGroupBox *NoiseGroup, *Modulate_Group, *RectifyGroup;

    // Oscillator group
    NumberEdit *soFrequency, *soAmplitude, *soSamples, *oT, *soDC_Offset, *soDutyCycle;
    Stepper *oFrequencyI, *oAmplitudeI, *oSamplesI, *oDC_OffsetI, *oDutyCycleI;
    QLabel *DutyCycleLabel, *InputFileLabel;
    NumberEdit *InputFileName;
    QPushButton *GetInputFile, *EditInputFile;
    QPushButton *oTest, *oDFT, *oFFT, *WaveFiles;
    QCheckBox *AddNoise;
    QLabel *sSN_Label;
    NumberEdit *sSN_Ratio;
    QRadioButton *NormalNoise, *GaussianNoise;
    NumberEdit *Range_Field_Display1, *RMS_Field_Display1;
    QRadioButton *SineWave, *SquareWave, *SawTooth, *FSawTooth, *Triangle, *FTriangle, *FileData;
    QCheckBox *Modulate;
    QRadioButton *AM_Modulate, *FM_Modulate;
    QLabel *ModulationFactorLabel;
    NumberEdit *sModulationFactor;
    Stepper *ModulationFactorI;

    // Filter group
    QLabel *Label1, *Label2, *Label3;
    NumberEdit *sfFrequency, *sQfactor, *sfAmplification;
    Stepper *fFrequencyI, *QfactorI, *fAmplificationI;
    QPushButton *MakeBodePlot, *StepResponse, *ImpulseResponse;
    QPushButton *DigitalFiltersDesign, *AnalogueFiltersDesign;
    QCheckBox *Rectify;
    QRadioButton *HalfRectify, *FullRectify;
    QCheckBox *OutputToFile;
    QLabel *OutputFileLabel;
    NumberEdit *OutputFileName;
    QPushButton *GetOutputFile, *EditOutputFile;
    QPushButton *fTest, *fDFT, *fFFT;
    QRadioButton *BandPass, *BandReject, *HighPass, *HighPass2, *LowPass, *LowPass2,
        *DesignedFilter, *NetworkFiltering, *Diffrentiate, *Integrate;
    QPushButton *DesignNetwork;
    NumberEdit *Range_Field_Display2, *RMS_Field_Display2;

    // Trace scales, time scale, coordinates
    NumberEdit *sSignal1Scale, *sSignal1Shift, *sSignal2Scale, *sSignal2Shift;
    Stepper *Signal1ScaleM, *Signal1ScaleI, *Signal1ShiftI;
    Stepper *Signal2ScaleM, *Signal2ScaleI, *Signal2ShiftI;
    QCheckBox *CoupleScale;
    NumberEdit *sTimeScale;
    Stepper *TimeScaleM, *TimeScaleI;
    QLabel *TimeScaleLabel;
    NumberEdit *ClickX, *ClickY;
    PlotImage *Image2;
};
