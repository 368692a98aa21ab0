#include "gui/audio/Wavmain.h"

#include "core/common/NumberText.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "gui/services/ChunkDriver.h"
#include "gui/services/Guarded.h"
#include "gui/services/MessagePump.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/spectrum/SpectrumWindows.h"
#include "gui/tools/Fileedit.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/widgets/Wiring.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace kaldorium;

TWAVMainForm::TWAVMainForm(UiServices &services_, SoundPlayer &player_, NoiseGenerator &noise_,
                           FilterNetwork &network_, DesignedFilterSource &designedFilter_,
                           DataFileEditor &editor_, WindowRef<TFilterNetworkForm> networkForm_,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), services(services_), player(player_), noise(noise_),
      network(network_), designedFilter(designedFilter_), editor(editor_),
      networkForm(std::move(networkForm_)),
      spectrumWindows(std::make_unique<SpectrumWindows>([this] {
          // Owned by the workbench, which releases them.
          return new TDFTMainForm(services, player, editor, this);
      })) {
    setObjectName(QStringLiteral("WAVMainForm"));
    setWindowTitle(QStringLiteral("(KALDOR) WAV Files Processing"));
    QFont compact = font();
    compact.setPointSizeF(std::min(compact.pointSizeF(), 8.0));
    setFont(compact);
    CreateControls();
    CreateRealTime();
    resize(960, 720);
    ConnectHandlers();
    FormCreate();
}

TWAVMainForm::~TWAVMainForm() {
    pump.RequestStop();
    viewDriver.reset();
    Timer1->stop();
    if (view) {
        view->Close();
        view.reset();
    }
    ReleaseSpectrumWindows();
    // Destroying the window takes the focus from its fields, whose validations would then run on
    // members already gone: the handlers are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

long long TWAVMainForm::ViewSamples() const {
    return view ? view->samples : 0;
}

// ---------------------------------------------------------------------------------------------
// Wiring

void TWAVMainForm::ConnectHandlers() {
    Wiring<TWAVMainForm> wire(this, services);
    ConnectButtons(wire);
    ConnectFields(wire);
    ConnectFilesAndDisplay();
}

void TWAVMainForm::ConnectButtons(Wiring<TWAVMainForm> &wire) {
    wire.OnClick(GetInputFile, &TWAVMainForm::GetInputFileClick);
    wire.OnClick(GetOutputFile, &TWAVMainForm::GetOutputFileClick);
    wire.OnClick(PlayInput, &TWAVMainForm::PlayInputClick);
    wire.OnClick(PlayOutput, &TWAVMainForm::PlayOutputClick);
    wire.OnClick(SpeedUp, &TWAVMainForm::SpeedUpClick);
    wire.OnClick(SlowDown, &TWAVMainForm::SlowDownClick);
    wire.OnClick(ModifyFile, &TWAVMainForm::ModifyFileClick);
    wire.OnClick(FFT_Filtering, &TWAVMainForm::FFT_FilteringClick);
    wire.OnClick(FrequencyShifter, &TWAVMainForm::FrequencyShifterClick);
    wire.OnClick(FrequencyRotater, &TWAVMainForm::FrequencyRotaterClick);
    wire.OnClick(Robot, &TWAVMainForm::RobotClick);
    wire.OnClick(Retard, &TWAVMainForm::RetardClick);
    wire.OnClick(DFT_Input, &TWAVMainForm::DFT_InputClick);
    wire.OnClick(FFT_Input, &TWAVMainForm::FFT_InputClick);
    wire.OnClick(Spectrogram_Input, &TWAVMainForm::Spectrogram_InputClick);
    wire.OnClick(DFT_Output, &TWAVMainForm::DFT_OutputClick);
    wire.OnClick(FFT_Output, &TWAVMainForm::FFT_OutputClick);
    wire.OnClick(fDFT, &TWAVMainForm::fDFTClick);
    wire.OnClick(fFFT, &TWAVMainForm::fFFTClick);
    wire.OnClick(CopyInputFile, &TWAVMainForm::CopyInputFileClick);
    wire.OnClick(CopyData, &TWAVMainForm::CopyDataClick);
    wire.OnClick(traces.CoupleScale, &TWAVMainForm::CoupleScaleClick);
    wire.OnClick(filter.Rectify, &TWAVMainForm::RectifyClick);
    wire.OnClick(filter.AddNoise, &TWAVMainForm::AddNoiseClick);
    wire.OnClick(DesignNetwork, &TWAVMainForm::DesignNetworkClick);
    wire.OnClick(filter.NetworkFiltering, &TWAVMainForm::NetworkFilteringClick);
    for (QRadioButton *r :
         {filter.NormalNoise, filter.GaussianNoise, filter.HalfRectify, filter.FullRectify}) {
        wire.OnClick(r, &TWAVMainForm::ReadOptionBoxes);
    }
    for (QRadioButton *r : {filter.BandPass, filter.BandReject, filter.HighPass, filter.LowPass,
                            filter.HighPass2, filter.LowPass2}) {
        connect(r, &QRadioButton::clicked, this,
                guarded(this, services, [this, r] { BandPassClick(r); }));
    }
    for (QRadioButton *r : {filter.Diffrentiate, filter.Integrate}) {
        connect(r, &QRadioButton::clicked, this,
                guarded(this, services, [this, r] { DiffrentiateClick(r); }));
    }
    const std::pair<QPushButton *, WavView::Kind> views[] = {{iView, WavView::Kind::Input},
                                                             {oView, WavView::Kind::Output},
                                                             {bView, WavView::Kind::Joint},
                                                             {fTest, WavView::Kind::Test}};
    for (const auto &[b, kind] : views) {
        connect(b, &QPushButton::clicked, this,
                guarded(this, services, [this, b = b, kind = kind] { ViewClick(b, kind); }));
    }
}

void TWAVMainForm::ConnectFields(Wiring<TWAVMainForm> &wire) {
    wire.OnAccepted(filter.sfFrequency, [this] { sfFrequencyExit(); });
    wire.OnAccepted(filter.sQfactor, [this] { sQfactorExit(); });
    wire.OnAccepted(filter.sfAmplification, [this] { sfAmplificationExit(); });
    wire.OnAccepted(filter.sSN_Ratio, [this] { sSN_RatioExit(); });
    wire.OnAccepted(sSpeedFactor, [this] { sSpeedFactorExit(); });
    wire.OnAccepted(traces.sSignal1Scale, [this] { sSignalScaleExit(1); });
    wire.OnAccepted(traces.sSignal2Scale, [this] { sSignalScaleExit(2); });
    wire.OnAccepted(traces.sTimeScale, [this] { sTimeScaleExit(); });
    wire.OnAccepted(traces.sSignal1Shift, [this] { sSignalShiftExit(1); });
    wire.OnAccepted(traces.sSignal2Shift, [this] { sSignalShiftExit(2); });

    wire.OnStep(filter.fFrequencyI, [this](bool up) { fFrequencyIClick(up); });
    wire.OnStep(filter.QfactorI, [this](bool up) { QfactorIClick(up); });
    wire.OnStep(filter.fAmplificationI, [this](bool up) { fAmplificationIClick(up); });
    wire.OnStep(traces.TimeScaleI, [this](bool up) { TimeScaleIClick(up); });
    wire.OnStep(traces.TimeScaleM, [this](bool up) { TimeScaleMClick(up); });
    wire.OnStep(traces.Signal1ScaleI, [this](bool up) { SignalScaleIClick(1, up); });
    wire.OnStep(traces.Signal2ScaleI, [this](bool up) { SignalScaleIClick(2, up); });
    wire.OnStep(traces.Signal1ScaleM, [this](bool up) { SignalScaleMClick(1, up); });
    wire.OnStep(traces.Signal2ScaleM, [this](bool up) { SignalScaleMClick(2, up); });
    wire.OnStep(traces.Signal1ShiftI, [this](bool up) { SignalShiftIClick(1, up); });
    wire.OnStep(traces.Signal2ShiftI, [this](bool up) { SignalShiftIClick(2, up); });
}

void TWAVMainForm::ConnectFilesAndDisplay() {
    // The file names: the caret goes to the end; the fields hand the focus to their buttons.
    for (auto [edit, next] : {std::pair{InputFile, GetInputFile}, {OutputFile, GetOutputFile}}) {
        connect(edit, &QLineEdit::textChanged, this,
                [edit = edit] { edit->setCursorPosition(edit->text().size()); });
        connect(edit, &QLineEdit::returnPressed, this, [next = next] { next->setFocus(); });
    }
    connect(InputFile, &QLineEdit::textChanged, this,
            [this] { settings.inputFileName = InputFile->text().toStdString(); });
    connect(OutputFile, &QLineEdit::textChanged, this,
            [this] { settings.outputFileName = OutputFile->text().toStdString(); });

    connect(Timer1, &QTimer::timeout, this, guarded(this, services, &TWAVMainForm::Timer1Timer));
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, [this] { RebindDisplay(); });
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    Image2->SetServices(&services);
    Image2->zoomFields = guarded(this, services, [this](const kaldorium::PlotView &shown) {
        traces.ZoomFields(settings, shown);
    });
}

void TWAVMainForm::FormCreate() {
    programFolder = ProgramFolder();
    settings.filterFrequency = ParseDouble(filter.sfFrequency->text().toStdString());
    settings.qFactor = ParseDouble(filter.sQfactor->text().toStdString());
    settings.amplification = ParseDouble(filter.sfAmplification->text().toStdString());
    settings.samplingPeriod = ParseDouble(sTs->text().toStdString());
    settings.snRatio = 100.0;
    settings.speedFactor = ParseDouble(sSpeedFactor->text().toStdString());
    settings.timeScale = ParseDouble(traces.sTimeScale->text().toStdString());
    settings.signal1Scale = ParseDouble(traces.sSignal1Scale->text().toStdString());
    settings.signal2Scale = ParseDouble(traces.sSignal2Scale->text().toStdString());
    settings.signal1Shift = ParseDouble(traces.sSignal1Shift->text().toStdString());
    settings.signal2Shift = ParseDouble(traces.sSignal2Shift->text().toStdString());
    settings.filterKind = fkBandPass;
    ReadOptionBoxes();
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
}

// ---------------------------------------------------------------------------------------------
// Window life

void TWAVMainForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!centred) {
        centred = true;
        if (QScreen *s = screen()) {
            move(s->availableGeometry().center() - rect().center());
        }
    }
}

bool TWAVMainForm::event(QEvent *e) {
    if (e->type() == QEvent::WindowDeactivate) {
        deactivatedByOwnDialog = ownDialogs > 0;
    } else if (e->type() == QEvent::WindowActivate) {
        if (deactivatedByOwnDialog) {
            deactivatedByOwnDialog = false;
        } else {
            guarded(this, services, &TWAVMainForm::FormActivate)();
        }
    }
    return QWidget::event(e);
}

void TWAVMainForm::FormActivate() {
    if (view && (viewButton == iView || viewButton == fTest)) {
        StopView();
    }
}

void TWAVMainForm::closeEvent(QCloseEvent *event) {
    pump.RequestStop();
    StopView();
    inputFile.CloseFile();
    playbackNotice.Reset();
    // A window still analysing is freed once its analysis has returned; the action that started
    // it no longer touches it.
    ReleaseSpectrumWindows();
    QWidget::closeEvent(event);
    emit closed();
}

void TWAVMainForm::ReleaseSpectrumWindows() {
    spectrumWindows->ReleaseAll();
}

// ---------------------------------------------------------------------------------------------
// Busy and idle

TWAVMainForm::BlockAction::BlockAction(TWAVMainForm &form_, int intervalMs) : form(form_) {
    if (form.IsBusy()) {
        return;
    }
    entered = true;
    form.blockActionRunning = true;
    form.pump.Start(intervalMs);
    form.UpdateControls();
}

TWAVMainForm::BlockAction::~BlockAction() {
    if (!entered) {
        return;
    }
    form.blockActionRunning = false;
    form.UpdateControls();
}

bool TWAVMainForm::BlockAction::ProcessMessages() {
    return form.pump.Pump();
}

void TWAVMainForm::UpdateControls() {
    const bool viewing = view != nullptr;
    const bool derivative = filter.Diffrentiate->isChecked() || filter.Integrate->isChecked();
    const bool playIn = playing == Playing::Input;
    const bool playOut = playing == Playing::Output;
    const bool playAny = playing != Playing::None;

    for (QPushButton *b : {iView, oView, bView, fTest}) {
        b->setEnabled(!blockActionRunning && (!viewing || b == viewButton));
    }
    // Loops and block actions hide every other action; playback hides the effects and copies.
    const bool actionsHidden = viewing || blockActionRunning;
    for (QPushButton *b :
         {DFT_Input, DFT_Output, FFT_Input, FFT_Output, Spectrogram_Input, fDFT, fFFT}) {
        b->setVisible(!actionsHidden);
    }
    for (QPushButton *b : {ModifyFile, FrequencyShifter, FrequencyRotater, Robot, Retard,
                           CopyInputFile, CopyData, SpeedUp, SlowDown}) {
        b->setVisible(!actionsHidden && !playAny);
    }
    FFT_Filtering->setVisible(!actionsHidden && !playAny && !derivative);
    // Playback hides what could disturb the sound; a block action hides the files too.
    GetInputFile->setVisible(!blockActionRunning && !playAny);
    GetOutputFile->setVisible(!blockActionRunning && !playAny);
    PlayInput->setVisible(!blockActionRunning && !playOut);
    PlayOutput->setVisible(!blockActionRunning && !playIn);
    PlayInput->setText(playIn ? QStringLiteral("Stop") : QStringLiteral("Play"));
    PlayOutput->setText(playOut ? QStringLiteral("Stop") : QStringLiteral("Play"));
    DesignNetwork->setVisible(filter.NetworkFiltering->isChecked() && !blockActionRunning);
}
