#include "workbench/Dspmain.h"

#include "app/Guarded.h"
#include "audio/Wavmain.h"
#include "common/NumberText.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
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
    resize(867, 700);
    ConnectHandlers();
    FormCreate();
}

TDSPMainForm::~TDSPMainForm() {
    inputTestStop = filterTestStop = true;
    run.reset();
    // Destroying the window takes the focus away from its fields, which would run their
    // validations on members already gone: the handlers are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

void TDSPMainForm::SetToolWindows(const ToolWindows &windows) {
    tools = windows;
    if (tools.wav != nullptr) {
        connect(tools.wav, &TWAVMainForm::closed, this, [this] { show(); });
    }
}

// ---------------------------------------------------------------------------------------------
// Wiring

void TDSPMainForm::ConnectHandlers() {
    auto onAccepted = [this](NumberEdit *edit, void (TDSPMainForm::*handler)()) {
        connect(edit, &NumberEdit::accepted, this, guarded(this, services, handler));
    };
    onAccepted(soFrequency, &TDSPMainForm::soFrequencyExit);
    onAccepted(soAmplitude, &TDSPMainForm::soAmplitudeExit);
    onAccepted(soSamples, &TDSPMainForm::soSamplesExit);
    onAccepted(soDutyCycle, &TDSPMainForm::soDutyCycleExit);
    onAccepted(soDC_Offset, &TDSPMainForm::soDC_OffsetExit);
    onAccepted(sSN_Ratio, &TDSPMainForm::sSN_RatioExit);
    onAccepted(sfFrequency, &TDSPMainForm::sfFrequencyExit);
    onAccepted(sQfactor, &TDSPMainForm::sQfactorExit);
    onAccepted(sfAmplification, &TDSPMainForm::sfAmplificationExit);
    onAccepted(sSignal1Scale, &TDSPMainForm::sSignal1ScaleExit);
    onAccepted(sSignal2Scale, &TDSPMainForm::sSignal2ScaleExit);
    onAccepted(sTimeScale, &TDSPMainForm::sTimeScaleExit);
    onAccepted(sSignal1Shift, &TDSPMainForm::sSignal1ShiftExit);
    onAccepted(sSignal2Shift, &TDSPMainForm::sSignal2ShiftExit);

    // Read-only fields hand the focus on when entered.
    auto handFocus = [this](NumberEdit *from, QWidget *to) {
        connect(
            from, &NumberEdit::entered, this, [to] { to->setFocus(); }, Qt::QueuedConnection);
    };
    for (NumberEdit *e : {RMS_Field_Display1, RMS_Field_Display2, Range_Field_Display1,
                          Range_Field_Display2, ClickX, ClickY, oT}) {
        handFocus(e, soFrequency);
    }
    handFocus(sModulationFactor, ModulationFactorI->UpButton());
    handFocus(InputFileName, GetInputFile);
    handFocus(OutputFileName, GetOutputFile);
    connect(InputFileName, &QLineEdit::textChanged, this,
            guarded(this, services, &TDSPMainForm::InputFileNameChange));
    connect(OutputFileName, &QLineEdit::textChanged, this,
            [this] { OutputFileName->setCursorPosition(OutputFileName->text().size()); });

    auto onStep = [this](Stepper *s, void (TDSPMainForm::*handler)(bool)) {
        connect(s, &Stepper::clicked, this,
                guarded(this, services, [this, handler](bool up) { (this->*handler)(up); }));
    };
    onStep(oFrequencyI, &TDSPMainForm::oFrequencyIClick);
    onStep(fFrequencyI, &TDSPMainForm::fFrequencyIClick);
    onStep(oAmplitudeI, &TDSPMainForm::oAmplitudeIClick);
    onStep(fAmplificationI, &TDSPMainForm::fAmplificationIClick);
    onStep(QfactorI, &TDSPMainForm::QfactorIClick);
    onStep(TimeScaleI, &TDSPMainForm::TimeScaleIClick);
    onStep(TimeScaleM, &TDSPMainForm::TimeScaleMClick);
    onStep(oSamplesI, &TDSPMainForm::oSamplesIClick);
    onStep(oDC_OffsetI, &TDSPMainForm::oDC_OffsetIClick);
    onStep(oDutyCycleI, &TDSPMainForm::oDutyCycleIClick);
    onStep(ModulationFactorI, &TDSPMainForm::ModulationFactorIClick);
    auto onTraceStep = [this](Stepper *s, int trace, void (TDSPMainForm::*handler)(int, bool)) {
        connect(s, &Stepper::clicked, this,
                guarded(this, services,
                        [this, trace, handler](bool up) { (this->*handler)(trace, up); }));
    };
    onTraceStep(Signal1ScaleI, 1, &TDSPMainForm::SignalScaleIClick);
    onTraceStep(Signal2ScaleI, 2, &TDSPMainForm::SignalScaleIClick);
    onTraceStep(Signal1ScaleM, 1, &TDSPMainForm::SignalScaleMClick);
    onTraceStep(Signal2ScaleM, 2, &TDSPMainForm::SignalScaleMClick);
    onTraceStep(Signal1ShiftI, 1, &TDSPMainForm::SignalShiftIClick);
    onTraceStep(Signal2ShiftI, 2, &TDSPMainForm::SignalShiftIClick);

    auto onClick = [this](QAbstractButton *b, void (TDSPMainForm::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, guarded(this, services, handler));
    };
    onClick(oTest, &TDSPMainForm::oTestClick);
    onClick(fTest, &TDSPMainForm::fTestClick);
    onClick(CoupleScale, &TDSPMainForm::CoupleScaleClick);
    onClick(Modulate, &TDSPMainForm::ModulateClick);
    onClick(AM_Modulate, &TDSPMainForm::AM_ModulateClick);
    onClick(FM_Modulate, &TDSPMainForm::AM_ModulateClick);
    onClick(AddNoise, &TDSPMainForm::AddNoiseClick);
    onClick(Rectify, &TDSPMainForm::RectifyClick);
    onClick(MakeBodePlot, &TDSPMainForm::MakeBodePlotClick);
    onClick(AnalogueFiltersDesign, &TDSPMainForm::AnalogueFiltersDesignClick);
    onClick(DigitalFiltersDesign, &TDSPMainForm::DigitalFiltersDesignClick);
    onClick(DesignNetwork, &TDSPMainForm::DesignNetworkClick);
    onClick(WaveFiles, &TDSPMainForm::WaveFilesClick);
    onClick(GetInputFile, &TDSPMainForm::GetInputFileClick);
    onClick(GetOutputFile, &TDSPMainForm::GetOutputFileClick);
    onClick(EditInputFile, &TDSPMainForm::EditInputFileClick);
    onClick(EditOutputFile, &TDSPMainForm::EditOutputFileClick);
    onClick(OutputToFile, &TDSPMainForm::OutputToFileClick);
    for (QRadioButton *r : {NormalNoise, GaussianNoise, HalfRectify, FullRectify}) {
        onClick(r, &TDSPMainForm::ReadOptionBoxes);
    }

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
    for (QRadioButton *r : {BandPass, BandReject, HighPass, HighPass2, LowPass, LowPass2}) {
        connect(r, &QRadioButton::clicked, this, guarded(this, services, [this, r] {
                    BandPassEnter();
                    BandPassClick(r);
                }));
    }
    for (QRadioButton *r : {Diffrentiate, Integrate, DesignedFilter}) {
        connect(r, &QRadioButton::clicked, this,
                guarded(this, services, [this, r] { DiffrentiateClick(r); }));
    }
    connect(NetworkFiltering, &QRadioButton::clicked, this,
            guarded(this, services, [this] { NetworkFilteringClick(); }));

    connect(runTimer, &QTimer::timeout, this, guarded(this, services, &TDSPMainForm::RunChunk));
    for (QPushButton *b : {StepResponse, ImpulseResponse}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { StepResponseClick(b); }));
    }
    connect(responseTimer, &QTimer::timeout, this,
            guarded(this, services, &TDSPMainForm::ResponseChunk));
    for (QPushButton *b : {oDFT, oFFT}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { oDFTClick(b); }));
    }
    for (QPushButton *b : {fDFT, fFFT}) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b] { fDFTClick(b); }));
    }
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, [this] { RebindDisplay(); });
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    Image2->SetServices(&services);
}

void TDSPMainForm::FormCreate() {
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
    settings.amplification = ParseDouble(sfAmplification->text().toStdString());
    settings.filterFrequency = ParseDouble(sfFrequency->text().toStdString());
    settings.qFactor = ParseDouble(sQfactor->text().toStdString());
    settings.signal1Shift = ParseDouble(sSignal1Shift->text().toStdString());
    settings.signal2Shift = ParseDouble(sSignal2Shift->text().toStdString());
    settings.timeScale = ParseDouble(sTimeScale->text().toStdString());
    settings.signal1Scale = ParseDouble(sSignal1Scale->text().toStdString());
    settings.signal2Scale = ParseDouble(sSignal2Scale->text().toStdString());
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
    // Ends a running test at its next check.
    inputTestStop = true;
    filterTestStop = true;
    runTimer->stop();
    run.reset();
    if (response) {
        EndResponse();
    }
    QWidget::closeEvent(event);
}
