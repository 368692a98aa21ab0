#include "gui/workbench/Dspmain.h"

#include "core/common/NumberText.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/ChunkDriver.h"
#include "gui/services/Guarded.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/widgets/Wiring.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

using namespace kaldorium;

TDSPMainForm::TDSPMainForm(UiServices &services_, NoiseGenerator &noise_, FilterNetwork &network_,
                           DesignedFilterSource *designer_, QWidget *parent)
    : QWidget(parent), services(services_), noise(noise_), network(network_), designer(designer_) {
    if (designer == nullptr) {
        ownDesigner = std::make_unique<DefaultDesignedFilterSource>();
        designer = ownDesigner.get();
    }
    setObjectName(QStringLiteral("DSPMainForm"));
    setWindowTitle(QStringLiteral("Kaldorium (KALDOR)"));
    // A compact font, so the whole workbench fits its starting size of 867 × 700.
    QFont compact = font();
    compact.setPointSizeF(std::min(compact.pointSizeF(), 8.0));
    setFont(compact);
    CreateControls();
    CreateRealTime();
    resize(867, 700);
    ConnectHandlers();
    AddToolItems();
    FormCreate();
}

TDSPMainForm::~TDSPMainForm() {
    runDriver.reset();
    responseDriver.reset();
    run.reset();
    // Destroying the window takes the focus away from its fields, which would run their
    // validations on members already gone: the handlers are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

void TDSPMainForm::SetToolWindows(const ToolWindows &windows) {
    tools = windows;
}

// ---------------------------------------------------------------------------------------------
// Wiring

void TDSPMainForm::ConnectHandlers() {
    Wiring<TDSPMainForm> wire(this, services);
    ConnectFields(wire);
    ConnectButtons(wire);
    ConnectSelections();
    ConnectDisplay();
}

// The fields' exits and steppers; read-only fields hand the focus on.
void TDSPMainForm::ConnectFields(Wiring<TDSPMainForm> &wire) {
    wire.OnAccepted(soFrequency, &TDSPMainForm::soFrequencyExit);
    wire.OnAccepted(soAmplitude, &TDSPMainForm::soAmplitudeExit);
    wire.OnAccepted(soSamples, &TDSPMainForm::soSamplesExit);
    wire.OnAccepted(soDutyCycle, &TDSPMainForm::soDutyCycleExit);
    wire.OnAccepted(soDC_Offset, &TDSPMainForm::soDC_OffsetExit);
    wire.OnAccepted(filter.sSN_Ratio, &TDSPMainForm::sSN_RatioExit);
    wire.OnAccepted(filter.sfFrequency, &TDSPMainForm::sfFrequencyExit);
    wire.OnAccepted(filter.sQfactor, &TDSPMainForm::sQfactorExit);
    wire.OnAccepted(filter.sfAmplification, &TDSPMainForm::sfAmplificationExit);
    wire.OnAccepted(traces.sSignal1Scale, &TDSPMainForm::sSignal1ScaleExit);
    wire.OnAccepted(traces.sSignal2Scale, &TDSPMainForm::sSignal2ScaleExit);
    wire.OnAccepted(traces.sTimeScale, &TDSPMainForm::sTimeScaleExit);
    wire.OnAccepted(traces.sSignal1Shift, &TDSPMainForm::sSignal1ShiftExit);
    wire.OnAccepted(traces.sSignal2Shift, &TDSPMainForm::sSignal2ShiftExit);

    // Read-only fields hand the focus on when entered.
    auto handFocus = [this](NumberEdit *from, QWidget *to) {
        connect(
            from, &NumberEdit::entered, this, [to] { to->setFocus(); }, Qt::QueuedConnection);
    };
    for (NumberEdit *e : {RMS_Field_Display1, RMS_Field_Display2, Range_Field_Display1,
                          Range_Field_Display2, traces.ClickX, traces.ClickY, oT}) {
        handFocus(e, soFrequency);
    }
    handFocus(sModulationFactor, ModulationFactorI->UpButton());
    handFocus(InputFileName, GetInputFile);
    handFocus(OutputFileName, GetOutputFile);
    connect(InputFileName, &QLineEdit::textChanged, this,
            guarded(this, services, &TDSPMainForm::InputFileNameChange));
    connect(OutputFileName, &QLineEdit::textChanged, this,
            [this] { OutputFileName->setCursorPosition(OutputFileName->text().size()); });

    wire.OnStep(oFrequencyI, &TDSPMainForm::oFrequencyIClick);
    wire.OnStep(filter.fFrequencyI, &TDSPMainForm::fFrequencyIClick);
    wire.OnStep(oAmplitudeI, &TDSPMainForm::oAmplitudeIClick);
    wire.OnStep(filter.fAmplificationI, &TDSPMainForm::fAmplificationIClick);
    wire.OnStep(filter.QfactorI, &TDSPMainForm::QfactorIClick);
    wire.OnStep(traces.TimeScaleI, &TDSPMainForm::TimeScaleIClick);
    wire.OnStep(traces.TimeScaleM, &TDSPMainForm::TimeScaleMClick);
    wire.OnStep(oSamplesI, &TDSPMainForm::oSamplesIClick);
    wire.OnStep(oDC_OffsetI, &TDSPMainForm::oDC_OffsetIClick);
    wire.OnStep(oDutyCycleI, &TDSPMainForm::oDutyCycleIClick);
    wire.OnStep(ModulationFactorI, &TDSPMainForm::ModulationFactorIClick);
    for (int trace : {1, 2}) {
        wire.OnStep(trace == 1 ? traces.Signal1ScaleI : traces.Signal2ScaleI,
                    [this, trace](bool up) { SignalScaleIClick(trace, up); });
        wire.OnStep(trace == 1 ? traces.Signal1ScaleM : traces.Signal2ScaleM,
                    [this, trace](bool up) { SignalScaleMClick(trace, up); });
        wire.OnStep(trace == 1 ? traces.Signal1ShiftI : traces.Signal2ShiftI,
                    [this, trace](bool up) { SignalShiftIClick(trace, up); });
    }
}

void TDSPMainForm::ConnectButtons(Wiring<TDSPMainForm> &wire) {
    wire.OnClick(oTest, &TDSPMainForm::oTestClick);
    wire.OnClick(fTest, &TDSPMainForm::fTestClick);
    wire.OnClick(traces.CoupleScale, &TDSPMainForm::CoupleScaleClick);
    wire.OnClick(Modulate, &TDSPMainForm::ModulateClick);
    wire.OnClick(AM_Modulate, &TDSPMainForm::AM_ModulateClick);
    wire.OnClick(FM_Modulate, &TDSPMainForm::AM_ModulateClick);
    wire.OnClick(filter.AddNoise, &TDSPMainForm::AddNoiseClick);
    wire.OnClick(filter.Rectify, &TDSPMainForm::RectifyClick);
    wire.OnClick(MakeBodePlot, &TDSPMainForm::MakeBodePlotClick);
    wire.OnClick(AnalogueFiltersDesign, &TDSPMainForm::AnalogueFiltersDesignClick);
    wire.OnClick(DigitalFiltersDesign, &TDSPMainForm::DigitalFiltersDesignClick);
    wire.OnClick(DesignNetwork, &TDSPMainForm::DesignNetworkClick);
    wire.OnClick(WaveFiles, &TDSPMainForm::WaveFilesClick);
    wire.OnClick(GetInputFile, &TDSPMainForm::GetInputFileClick);
    wire.OnClick(GetOutputFile, &TDSPMainForm::GetOutputFileClick);
    wire.OnClick(EditInputFile, &TDSPMainForm::EditInputFileClick);
    wire.OnClick(EditOutputFile, &TDSPMainForm::EditOutputFileClick);
    wire.OnClick(OutputToFile, &TDSPMainForm::OutputToFileClick);
    for (QRadioButton *r :
         {filter.NormalNoise, filter.GaussianNoise, filter.HalfRectify, filter.FullRectify}) {
        wire.OnClick(r, &TDSPMainForm::ReadOptionBoxes);
    }
}

// The waveform and filter selections, and the buttons that share one handler.
void TDSPMainForm::ConnectSelections() {
    // Waveforms: the entry rules run before the click handler, as a mouse click enters first.
    for (QRadioButton *r : {SineWave, SawTooth, FSawTooth, Triangle, FTriangle}) {
        connect(r, &QRadioButton::clicked, this, guarded(this, services, [this, r] {
                    SineWaveEnter(r);
                    SineWaveClick(r);
                }));
    }
    connect(SquareWave, &QRadioButton::clicked, this, guarded(this, services, [this] {
                SineWaveEnter(SquareWave);
                SquareWaveClick();
            }));
    connect(FileData, &QRadioButton::clicked, this, guarded(this, services, [this] {
                SineWaveEnter(FileData);
                FileDataClick();
            }));
    for (QRadioButton *r : {filter.BandPass, filter.BandReject, filter.HighPass, filter.HighPass2,
                            filter.LowPass, filter.LowPass2}) {
        connect(r, &QRadioButton::clicked, this, guarded(this, services, [this, r] {
                    BandPassEnter();
                    BandPassClick(r);
                }));
    }
    for (QRadioButton *r : {filter.Diffrentiate, filter.Integrate, DesignedFilter}) {
        connect(r, &QRadioButton::clicked, this,
                guarded(this, services, [this, r] { DiffrentiateClick(r); }));
    }
    connect(filter.NetworkFiltering, &QRadioButton::clicked, this,
            guarded(this, services, [this] { NetworkFilteringClick(); }));

    for (QPushButton *b : {StepResponse, ImpulseResponse}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { StepResponseClick(b); }));
    }
    for (QPushButton *b : {oDFT, oFFT}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { oDFTClick(b); }));
    }
    for (QPushButton *b : {fDFT, fFFT}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { fDFTClick(b); }));
    }
}

void TDSPMainForm::ConnectDisplay() {
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, [this] { RebindDisplay(); });
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    scope.columns = {"time (ms)", {"input", "output"}, false};
    Image2->SetServices(&services);
    Image2->zoomFields = guarded(this, services, [this](const kaldorium::PlotView &shown) {
        traces.ZoomFields(settings, shown);
    });
}

void TDSPMainForm::FormCreate() {
    // The display takes the size the layout gives it now, so that its grid is drawn once and
    // not again when the window first shows.
    layout()->activate();
    canvas.Resize(Image2->width(), Image2->height(), Image2->devicePixelRatioF());
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
    ResetStatistics();
    settings.waveform = 0;
    settings.waveformName = "Sine Wave";
    settings.filterKind = 0;
    settings.filterName = "Band Pass";
    settings.snRatio = 100.0;
    settings.frequency = ParseDouble(soFrequency->text().toStdString());
    settings.amplitude = ParseDouble(soAmplitude->text().toStdString());
    settings.dcOffset = ParseDouble(soDC_Offset->text().toStdString());
    settings.dutyCycle = ParseDouble(soDutyCycle->text().toStdString());
    settings.samplingPeriod = ParseDouble(oT->text().toStdString());
    settings.samplesPerCycle = ParseInt(soSamples->text().toStdString());
    // The waveform buttons restore N from the saved value; starting it at 0 would turn the
    // first waveform selection into N = 10.
    settings.savedSamplesPerCycle = settings.samplesPerCycle;
    settings.amplification = ParseDouble(filter.sfAmplification->text().toStdString());
    settings.filterFrequency = ParseDouble(filter.sfFrequency->text().toStdString());
    settings.qFactor = ParseDouble(filter.sQfactor->text().toStdString());
    settings.signal1Shift = ParseDouble(traces.sSignal1Shift->text().toStdString());
    settings.signal2Shift = ParseDouble(traces.sSignal2Shift->text().toStdString());
    settings.timeScale = ParseDouble(traces.sTimeScale->text().toStdString());
    settings.signal1Scale = ParseDouble(traces.sSignal1Scale->text().toStdString());
    settings.signal2Scale = ParseDouble(traces.sSignal2Scale->text().toStdString());
    settings.modulationFactor = ParseInt(sModulationFactor->text().toStdString());
    ReadOptionBoxes();
}

void TDSPMainForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!centred) {
        centred = true;
        if (QScreen *s = screen()) {
            const QRect area = s->availableGeometry();
            move(area.center() - rect().center());
        }
    }
}

void TDSPMainForm::closeEvent(QCloseEvent *event) {
    // Closing ends a running test or response: the window is idle when it shows again.
    runDriver->Stop();
    responseDriver->Stop();
    QWidget::closeEvent(event);
}
