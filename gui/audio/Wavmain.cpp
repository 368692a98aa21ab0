#include "audio/Wavmain.h"

#include "app/Guarded.h"
#include "app/ProgramFolder.h"
#include "app/UiServices.h"
#include "audio/SoundPlayer.h"
#include "common/NumberText.h"
#include "spectrum/Dftmain.h"
#include "spectrum/SpectrumAnalysis.h"
#include "spectrum/SpectrumWindows.h"
#include "widgets/Named.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

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
                           TFileEditForm &editor_, TFilterNetworkForm *networkForm_,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), services(services_), player(player_), noise(noise_),
      network(network_), designedFilter(designedFilter_), editor(editor_),
      networkForm(networkForm_), spectrumWindows(std::make_unique<SpectrumWindows>([this] {
          // Owned by the workbench, which releases them.
          return new TDFTMainForm(services, player, editor, this);
      })) {
    setObjectName(QStringLiteral("WAVMainForm"));
    setWindowTitle(QStringLiteral("(KALDOR) WAV Files Processing"));
    QFont compact = font();
    compact.setPointSizeF(std::min(compact.pointSizeF(), 8.0));
    setFont(compact);
    CreateControls();
    resize(960, 720);
    ConnectHandlers();
    FormCreate();
}

TWAVMainForm::~TWAVMainForm() {
    stopFlag = true;
    viewTimer->stop();
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
    auto onClick = [this](QAbstractButton *b, void (TWAVMainForm::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, guarded(this, services, handler));
    };
    onClick(GetInputFile, &TWAVMainForm::GetInputFileClick);
    onClick(GetOutputFile, &TWAVMainForm::GetOutputFileClick);
    onClick(PlayInput, &TWAVMainForm::PlayInputClick);
    onClick(PlayOutput, &TWAVMainForm::PlayOutputClick);
    onClick(SpeedUp, &TWAVMainForm::SpeedUpClick);
    onClick(SlowDown, &TWAVMainForm::SlowDownClick);
    onClick(ModifyFile, &TWAVMainForm::ModifyFileClick);
    onClick(FFT_Filtering, &TWAVMainForm::FFT_FilteringClick);
    onClick(FrequencyShifter, &TWAVMainForm::FrequencyShifterClick);
    onClick(FrequencyRotater, &TWAVMainForm::FrequencyRotaterClick);
    onClick(Robot, &TWAVMainForm::RobotClick);
    onClick(Retard, &TWAVMainForm::RetardClick);
    onClick(DFT_Input, &TWAVMainForm::DFT_InputClick);
    onClick(FFT_Input, &TWAVMainForm::FFT_InputClick);
    onClick(DFT_Output, &TWAVMainForm::DFT_OutputClick);
    onClick(FFT_Output, &TWAVMainForm::FFT_OutputClick);
    onClick(fDFT, &TWAVMainForm::fDFTClick);
    onClick(fFFT, &TWAVMainForm::fFFTClick);
    onClick(CopyInputFile, &TWAVMainForm::CopyInputFileClick);
    onClick(CopyData, &TWAVMainForm::CopyDataClick);
    onClick(CoupleScale, &TWAVMainForm::CoupleScaleClick);
    onClick(Rectify, &TWAVMainForm::RectifyClick);
    onClick(AddNoise, &TWAVMainForm::AddNoiseClick);
    onClick(DesignNetwork, &TWAVMainForm::DesignNetworkClick);
    onClick(NetworkFiltering, &TWAVMainForm::NetworkFilteringClick);
    for (QRadioButton *r : {NormalNoise, GaussianNoise, HalfRectify, FullRectify}) {
        onClick(r, &TWAVMainForm::ReadOptionBoxes);
    }
    for (QRadioButton *r : {BandPass, BandReject, HighPass, LowPass, HighPass2, LowPass2}) {
        connect(r, &QRadioButton::clicked, this,
                guarded(this, services, [this, r] { BandPassClick(r); }));
    }
    for (QRadioButton *r : {Diffrentiate, Integrate}) {
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

    auto onAccepted = [this](NumberEdit *edit, auto handler) {
        connect(edit, &NumberEdit::accepted, this, guarded(this, services, handler));
    };
    onAccepted(sfFrequency, [this] { sfFrequencyExit(); });
    onAccepted(sQfactor, [this] { sQfactorExit(); });
    onAccepted(sfAmplification, [this] { sfAmplificationExit(); });
    onAccepted(sSN_Ratio, [this] { sSN_RatioExit(); });
    onAccepted(sSpeedFactor, [this] { sSpeedFactorExit(); });
    onAccepted(sSignal1Scale, [this] { sSignalScaleExit(1); });
    onAccepted(sSignal2Scale, [this] { sSignalScaleExit(2); });
    onAccepted(sTimeScale, [this] { sTimeScaleExit(); });
    onAccepted(sSignal1Shift, [this] { sSignalShiftExit(1); });
    onAccepted(sSignal2Shift, [this] { sSignalShiftExit(2); });

    auto onStep = [this](Stepper *s, auto handler) {
        connect(s, &Stepper::clicked, this, guarded(this, services, handler));
    };
    onStep(fFrequencyI, [this](bool up) { fFrequencyIClick(up); });
    onStep(QfactorI, [this](bool up) { QfactorIClick(up); });
    onStep(fAmplificationI, [this](bool up) { fAmplificationIClick(up); });
    onStep(TimeScaleI, [this](bool up) { TimeScaleIClick(up); });
    onStep(TimeScaleM, [this](bool up) { TimeScaleMClick(up); });
    onStep(Signal1ScaleI, [this](bool up) { SignalScaleIClick(1, up); });
    onStep(Signal2ScaleI, [this](bool up) { SignalScaleIClick(2, up); });
    onStep(Signal1ScaleM, [this](bool up) { SignalScaleMClick(1, up); });
    onStep(Signal2ScaleM, [this](bool up) { SignalScaleMClick(2, up); });
    onStep(Signal1ShiftI, [this](bool up) { SignalShiftIClick(1, up); });
    onStep(Signal2ShiftI, [this](bool up) { SignalShiftIClick(2, up); });

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
    connect(viewTimer, &QTimer::timeout, this, guarded(this, services, &TWAVMainForm::ViewChunk));
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, [this] { RebindDisplay(); });
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    Image2->SetServices(&services);
}

void TWAVMainForm::FormCreate() {
    programFolder = ProgramFolder();
    settings.filterFrequency = ParseDouble(sfFrequency->text().toStdString());
    settings.qFactor = ParseDouble(sQfactor->text().toStdString());
    settings.amplification = ParseDouble(sfAmplification->text().toStdString());
    settings.samplingPeriod = ParseDouble(sTs->text().toStdString());
    settings.snRatio = 100.0;
    settings.speedFactor = ParseDouble(sSpeedFactor->text().toStdString());
    settings.timeScale = ParseDouble(sTimeScale->text().toStdString());
    settings.signal1Scale = ParseDouble(sSignal1Scale->text().toStdString());
    settings.signal2Scale = ParseDouble(sSignal2Scale->text().toStdString());
    settings.signal1Shift = ParseDouble(sSignal1Shift->text().toStdString());
    settings.signal2Shift = ParseDouble(sSignal2Shift->text().toStdString());
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
    stopFlag = true;
    if (view) {
        StopView();
    }
    inputFile.CloseFile();
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

TWAVMainForm::BlockAction::BlockAction(TWAVMainForm &form_) : form(form_) {
    if (form.IsBusy()) {
        return;
    }
    entered = true;
    form.blockActionRunning = true;
    form.stopFlag = false;
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
    QCoreApplication::processEvents();
    return !form.stopFlag;
}

void TWAVMainForm::UpdateControls() {
    const bool viewing = view != nullptr;
    const bool derivative = Diffrentiate->isChecked() || Integrate->isChecked();
    const bool playIn = playing == Playing::Input;
    const bool playOut = playing == Playing::Output;
    const bool playAny = playing != Playing::None;

    for (QPushButton *b : {iView, oView, bView, fTest}) {
        b->setEnabled(!blockActionRunning && (!viewing || b == viewButton));
    }
    // Loops and block actions hide every other action; playback hides the effects and copies.
    const bool actionsHidden = viewing || blockActionRunning;
    for (QPushButton *b : {DFT_Input, DFT_Output, FFT_Input, FFT_Output, fDFT, fFFT}) {
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
    DesignNetwork->setVisible(NetworkFiltering->isChecked() && !blockActionRunning);
}
