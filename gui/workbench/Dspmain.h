#pragma once

#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/workbench/DataFiles.h"
#include "core/workbench/Responses.h"
#include "core/workbench/Runs.h"
#include "core/workbench/SignalStatistics.h"
#include "core/workbench/WorkbenchSettings.h"
#include "core/workbench/WorkbenchSpectrum.h"
#include "gui/services/DeferredWindow.h"
#include "gui/widgets/FilterControls.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/TraceScaleControls.h"
#include "gui/workbench/DspmainRealTime.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QGroupBox;
class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class AudioStream;
class ChunkDriver;
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
template <typename Form> class Wiring;

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

    // The windows the workbench opens; each may be built only when first opened.
    struct ToolWindows {
        WindowRef<TGraphForm> graph;
        WindowRef<TAnalogueFiltersForm> analogue;
        WindowRef<TDigitalFiltersForm> digital;
        WindowRef<TFileEditForm> fileEdit;
        WindowRef<TFilterNetworkForm> network;
        WindowRef<TWAVMainForm> wav;
    };
    void SetToolWindows(const ToolWindows &windows);
    // Takes a data file another window wrote as the waveform, played at `frequency` periods
    // per second, and comes to the front.
    void UseDataFileWaveform(const QString &path, double frequency);

    // The menu bar above the controls. Other windows' owners add their items here: a menu that
    // has no item yet is not shown.
    QMenuBar *MainMenu = nullptr;
    QMenu *FileMenu = nullptr;
    QMenu *ViewMenu = nullptr;
    QMenu *ToolsMenu = nullptr;
    QMenu *HelpMenu = nullptr;

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
    bool Busy() const { return work != Work::Idle; }

    // The live sound of real-time runs; none: they stay silent.
    void SetAudioStream(AudioStream *stream);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void CreateMenus(QVBoxLayout *outer);
    void AddToolItems();
    void CreateOscillatorGroup(QHBoxLayout *panel);
    void CreateOscillatorButtons(QGridLayout *grid);
    void CreateWaveforms(QHBoxLayout *group);
    void CreateFilterGroup(QHBoxLayout *panel);
    void CreateFilterOptions(QGridLayout *grid);
    void CreateFilterKinds(QHBoxLayout *group);
    void CreateScalePanel(QVBoxLayout *outer);
    void CreateDisplay(QVBoxLayout *outer);
    void ConnectHandlers();
    void ConnectFields(Wiring<TDSPMainForm> &wire);
    void ConnectButtons(Wiring<TDSPMainForm> &wire);
    void ConnectSelections();
    void ConnectDisplay();
    void FormCreate();

    // Real time (DspmainRealTime.cpp)
    void CreateRealTime();
    // Real time for a run or response starting on `driver`, its sampling period read from `ts`.
    void BeginRealTime(ChunkDriver &driver, const double &ts);
    // The rows of a run or response while its sound is heard, `file` otherwise.
    kaldorium::RunRowSink *RealTimeRows(kaldorium::RunRowSink *file);
    RealTimeSession *realTime = nullptr;
    RunSoundTap soundTap;

    // Runs
    void oTestClick();
    void fTestClick();
    void StartRun(kaldorium::WorkbenchRun::Kind kind);
    void StopRun();
    void ShowStatistics();
    void ResetStatistics();
    // Captions, visibility and enabled state of the controls that start and stop long work, from
    // the window's busy state.
    void UpdateControls();
    void Image2MouseMove(int x, int y);
    void RebindDisplay();

    // Step and impulse responses
    void StepResponseClick(QPushButton *clicked);
    void StartResponse(kaldorium::ResponseRun::Kind kind);
    bool ResponseStep(int count);
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
    void ShowOutputLimit();
    void CloseOutput();

    UiServices &services;
    kaldorium::NoiseGenerator &noise;
    kaldorium::FilterNetwork &network;
    std::unique_ptr<kaldorium::DefaultDesignedFilterSource> ownDesigner;
    kaldorium::DesignedFilterSource *designer;
    ToolWindows tools;
    // The WAV workbench whose closing shows this window again.
    TWAVMainForm *shownWav = nullptr;

    kaldorium::WorkbenchSettings settings;
    kaldorium::SignalStatistics statistics;
    // Sized to the display by the layout before anything is drawn on it.
    ImageCanvas canvas{1, 1};
    kaldorium::Oscilloscope scope;
    // The window's busy state: what long work goes on. Every control that starts or stops long
    // work follows it (UpdateControls); every way out of the work sets it back to Idle.
    enum class Work { Idle, InputTest, FilterTest, StepResponse, ImpulseResponse, Spectrum };
    Work work = Work::Idle;
    std::unique_ptr<kaldorium::WorkbenchRun> run;
    kaldorium::DataFileWriter output; // the open output data file, if any
    std::unique_ptr<ChunkDriver> runDriver;
    std::unique_ptr<kaldorium::ResponseRun> response;
    std::unique_ptr<ChunkDriver> responseDriver;
    bool responseModulate = false; // Modulate as it was before the response
    std::unique_ptr<kaldorium::WorkbenchSpectrum> spectrum;
    bool centred = false;

    // Panels and groups
    QWidget *Panel1, *Panel2, *Panel3, *Panel4;
    QGroupBox *OscillatorSpecs, *Filter_Specs;
    QGroupBox *Modulate_Group;

    // Oscillator group
    NumberEdit *soFrequency, *soAmplitude, *soSamples, *oT, *soDC_Offset, *soDutyCycle;
    Stepper *oFrequencyI, *oAmplitudeI, *oSamplesI, *oDC_OffsetI, *oDutyCycleI;
    QLabel *DutyCycleLabel, *InputFileLabel;
    NumberEdit *InputFileName;
    QPushButton *GetInputFile, *EditInputFile;
    QPushButton *oTest, *oDFT, *oFFT, *WaveFiles;
    NumberEdit *Range_Field_Display1, *RMS_Field_Display1;
    QRadioButton *SineWave, *SquareWave, *SawTooth, *FSawTooth, *Triangle, *FTriangle, *FileData;
    QCheckBox *Modulate;
    QRadioButton *AM_Modulate, *FM_Modulate;
    QLabel *ModulationFactorLabel;
    NumberEdit *sModulationFactor;
    Stepper *ModulationFactorI;

    // Filter group: the parameters, kinds and conditioning shared with the WAV workbench
    FilterControls filter;
    QPushButton *MakeBodePlot, *StepResponse, *ImpulseResponse;
    QPushButton *DigitalFiltersDesign, *AnalogueFiltersDesign;
    QCheckBox *OutputToFile;
    QLabel *OutputLimitLabel; // says once that the output file took its limit of rows
    QLabel *OutputFileLabel;
    NumberEdit *OutputFileName;
    QPushButton *GetOutputFile, *EditOutputFile;
    QPushButton *fTest, *fDFT, *fFFT;
    QRadioButton *DesignedFilter;
    QPushButton *DesignNetwork;
    NumberEdit *Range_Field_Display2, *RMS_Field_Display2;

    // Trace scales, time scale, coordinates
    TraceScaleControls traces;
    PlotImage *Image2;
};
