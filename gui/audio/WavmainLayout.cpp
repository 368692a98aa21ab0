#include "gui/audio/Wavmain.h"

#include "gui/services/ChunkDriver.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace controls;

// ---------------------------------------------------------------------------------------------
// Layout

namespace {

QLabel *Caption(QWidget *parent, const char *text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

// A row of this window: a little wider spacing, and a stretch after the widgets unless asked not.
QHBoxLayout *WavRow(std::initializer_list<QWidget *> widgets, bool stretch = true) {
    auto *l = new QHBoxLayout;
    l->setSpacing(3);
    for (QWidget *w : widgets) {
        l->addWidget(w);
    }
    if (stretch) {
        l->addStretch();
    }
    return l;
}

} // namespace

void TWAVMainForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 2);
    top->setSpacing(3);
    outer->addLayout(top);
    CreateFileGroup(top);
    CreateFilterGroup(top);
    CreateDisplay(outer);
    KeepPlacesAndHide();
}

// The input file, its format read-outs, the copies and the speed effects.
void TWAVMainForm::CreateFileGroup(QHBoxLayout *top) {
    OscillatorSpecs = named<QGroupBox>(this, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("WAV File Specifications"));
    top->addWidget(OscillatorSpecs);
    QWidget *g = OscillatorSpecs;
    auto *fileLayout = new QVBoxLayout(g);
    fileLayout->setContentsMargins(4, 2, 4, 2);
    fileLayout->setSpacing(2);
    InputFile = named<QLineEdit>(g, "InputFile");
    InputFile->setReadOnly(true);
    GetInputFile = Button(g, "GetInputFile", "File");
    PlayInput = Button(g, "PlayInput", "Play");
    iView = Button(g, "iView", "View");
    DFT_Input = Button(g, "DFT_Input", "DFT");
    FFT_Input = Button(g, "FFT_Input", "FFT");
    Spectrogram_Input = Button(g, "Spectrogram_Input", "Spectrogram");
    for (QPushButton *b : {GetInputFile, PlayInput, iView, DFT_Input, FFT_Input}) {
        b->setFixedWidth(44);
    }
    auto *inputRow =
        WavRow({InputFile, GetInputFile, PlayInput, iView, DFT_Input, FFT_Input, Spectrogram_Input},
               false);
    inputRow->setStretch(0, 1);
    fileLayout->addLayout(inputRow);
    CreateFormatReadOuts(fileLayout);

    DFT_Window = named<QGroupBox>(g, "DFT_Window");
    DFT_Window->setTitle(QStringLiteral("FT_Window"));
    DFT_WindowItems = new QButtonGroup(DFT_Window);
    auto *windowLayout = new QGridLayout(DFT_Window);
    windowLayout->setContentsMargins(4, 0, 4, 0);
    windowLayout->setVerticalSpacing(0);
    const char *windows[] = {"Hamming",  "Von Hann", "Blackman",
                             "B_Harris", "Bartlett", "No Window"};
    for (int i = 0; i < 6; ++i) {
        auto *item = new QRadioButton(QString::fromLatin1(windows[i]), DFT_Window);
        DFT_WindowItems->addButton(item, i);
        windowLayout->addWidget(item, i / 3, i % 3);
    }
    DFT_WindowItems->button(5)->setChecked(true);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(DFT_Window);
    auto *speed = new QVBoxLayout;
    speed->addLayout(WavRow({Caption(g, "Factor"), sSpeedFactor}));
    speed->addLayout(WavRow({SpeedUp, SlowDown}));
    bottom->addLayout(speed);
    fileLayout->addLayout(bottom);
    fileLayout->addStretch();
}

// The format of the input file, with the copies and the joint view beside it.
void TWAVMainForm::CreateFormatReadOuts(QVBoxLayout *fileLayout) {
    QWidget *g = OscillatorSpecs;
    // The read-outs fit the longest texts they show: a 32-bit count ("4294967295") or a
    // duration of seven digits ("2.267574E-5"), with the frame and the text margins.
    const QFontMetrics metrics(font());
    const int readOutWidth = std::max(metrics.horizontalAdvance(QStringLiteral("4294967295")),
                                      metrics.horizontalAdvance(QStringLiteral("2.267574E-5"))) +
                             12;
    auto readOut = [g, readOutWidth](const char *name) {
        NumberEdit *edit = ReadOut(g, name, readOutWidth);
        edit->setFocusPolicy(Qt::NoFocus);
        return edit;
    };
    auto *specs = new QGridLayout;
    specs->setHorizontalSpacing(4);
    specs->setVerticalSpacing(2);
    const std::pair<const char *, NumberEdit **> fields[] = {{"Format", &sFormat},
                                                             {"Channels", &sChannels},
                                                             {"Samples/Sec", &sSampleRate},
                                                             {"Bytes/Sec", &sBytesPerSec},
                                                             {"Bytes/Sample", &sBytesPerSample},
                                                             {"Bits/Channel", &sBitsPerChannel},
                                                             {"Bytes", &sBytes},
                                                             {"Samples", &sSamples},
                                                             {"Seconds", &sSeconds},
                                                             {"Ts (secs)", &sTs}};
    const char *names[] = {
        "sFormat",         "sChannels", "sSampleRate", "sBytesPerSec", "sBytesPerSample",
        "sBitsPerChannel", "sBytes",    "sSamples",    "sSeconds",     "sTs"};
    for (int index = 0; index < 10; ++index) {
        const auto &[label, field] = fields[index];
        *field = readOut(names[index]);
        specs->addWidget(Caption(g, label), index % 5, (index / 5) * 2);
        specs->addWidget(*field, index % 5, (index / 5) * 2 + 1);
    }
    sTs->setText(QStringLiteral("0.5"));
    Compressed = Check(g, "Compressed", "Compressed");
    Compressed->setAttribute(Qt::WA_TransparentForMouseEvents);
    Compressed->setFocusPolicy(Qt::NoFocus);
    specs->addWidget(Compressed, 0, 4);
    bView = Button(g, "bView", "View Input && Output");
    specs->addWidget(bView, 1, 4);
    CopyInputFile = Button(g, "CopyInputFile", "Copy WAV File");
    CopyData = Button(g, "CopyData", "Copy Samples");
    specs->addWidget(CopyInputFile, 2, 4);
    specs->addWidget(CopyData, 3, 4);
    sSpeedFactor = NumberField(g, "sSpeedFactor", "2", true);
    sSpeedFactor->setFixedWidth(40);
    SpeedUp = Button(g, "SpeedUp", "Speed Up");
    SlowDown = Button(g, "SlowDown", "Slow Down");
    specs->setColumnStretch(5, 1);
    fileLayout->addLayout(specs);
}

// The filter kinds and parameters, the conditioning, the output file and the effects.
void TWAVMainForm::CreateFilterGroup(QHBoxLayout *top) {
    Filter_Specs = named<QGroupBox>(this, "Filter_Specs");
    Filter_Specs->setTitle(QStringLiteral("Filter Specifications"));
    top->addWidget(Filter_Specs);
    QWidget *g = Filter_Specs;
    auto *filterOuter = new QVBoxLayout(g);
    filterOuter->setContentsMargins(4, 2, 4, 2);
    filterOuter->setSpacing(2);
    auto *filterLayout = new QHBoxLayout;
    filterOuter->addLayout(filterLayout);
    auto *kinds = new QVBoxLayout;
    kinds->setSpacing(1);
    auto *kindGroup = new QButtonGroup(this);
    filter.CreateKinds(g);
    DesignNetwork = named<QPushButton>(g, "DesignNetwork");
    DesignNetwork->setFixedSize(18, 16);
    DesignNetwork->setAutoDefault(false);
    for (QRadioButton *r :
         {filter.BandPass, filter.BandReject, filter.HighPass, filter.LowPass, filter.HighPass2,
          filter.LowPass2, filter.Diffrentiate, filter.Integrate, filter.NetworkFiltering}) {
        kindGroup->addButton(r);
        if (r == filter.NetworkFiltering) {
            kinds->addLayout(WavRow({r, DesignNetwork}));
        } else {
            kinds->addWidget(r);
        }
    }
    kinds->addStretch();
    filterLayout->addLayout(kinds);

    auto *filterGrid = new QGridLayout;
    filterGrid->setVerticalSpacing(2);
    filterGrid->setHorizontalSpacing(3);
    filter.CreateParameters(g, "1000", "1", "1");
    filterGrid->addWidget(filter.Label3, 0, 0);
    filterGrid->addLayout(WavRow({filter.sfFrequency, filter.fFrequencyI}), 0, 1);
    filterGrid->addWidget(filter.Label2, 1, 0);
    filterGrid->addLayout(WavRow({filter.sQfactor, filter.QfactorI}), 1, 1);
    filterGrid->addWidget(filter.Label1, 2, 0);
    filterGrid->addLayout(WavRow({filter.sfAmplification, filter.fAmplificationI}), 2, 1);
    fTest = Button(g, "fTest", "Test");
    fDFT = Button(g, "fDFT", "DFT");
    fFFT = Button(g, "fFFT", "FFT");
    for (QPushButton *b : {fTest, fDFT, fFFT}) {
        b->setFixedWidth(48);
    }
    filterGrid->addWidget(fTest, 0, 2);
    filterGrid->addWidget(fDFT, 1, 2);
    filterGrid->addWidget(fFFT, 2, 2);
    CreateConditioning(filterGrid);
    filterGrid->setRowStretch(6, 1);
    filterLayout->addLayout(filterGrid, 1);
    CreateEffects(filterOuter);
}

void TWAVMainForm::CreateConditioning(QGridLayout *filterGrid) {
    QWidget *g = Filter_Specs;
    filter.CreateRectify(g);
    filterGrid->addWidget(filter.Rectify, 3, 0);
    filterGrid->addWidget(filter.RectifyGroup, 3, 1, 1, 2);
    filter.CreateNoise(g, QBoxLayout::LeftToRight);
    filter.sSN_Ratio->setFixedWidth(44);
    filterGrid->addWidget(filter.AddNoise, 4, 0);
    filterGrid->addWidget(filter.NoiseGroup, 4, 1, 1, 2);
    filterGrid->addLayout(WavRow({filter.sSN_Label, filter.sSN_Ratio}), 5, 1, 1, 2);
}

// The output file, the file-to-file effects and their progress.
void TWAVMainForm::CreateEffects(QVBoxLayout *filterOuter) {
    QWidget *g = Filter_Specs;
    OutputFile = named<QLineEdit>(g, "OutputFile");
    OutputFile->setReadOnly(true);
    GetOutputFile = Button(g, "GetOutputFile", "File");
    PlayOutput = Button(g, "PlayOutput", "Play");
    oView = Button(g, "oView", "View");
    DFT_Output = Button(g, "DFT_Output", "DFT");
    FFT_Output = Button(g, "FFT_Output", "FFT");
    for (QPushButton *b : {GetOutputFile, PlayOutput, oView, DFT_Output, FFT_Output}) {
        b->setFixedWidth(44);
    }
    auto *outputRow =
        WavRow({OutputFile, GetOutputFile, PlayOutput, oView, DFT_Output, FFT_Output}, false);
    outputRow->setStretch(0, 1);
    filterOuter->addLayout(outputRow);

    ModifyFile = Button(g, "ModifyFile", "Filter Input File");
    FFT_Filtering = Button(g, "FFT_Filtering", "FFT Filter Input File");
    filterOuter->addLayout(WavRow({ModifyFile, FFT_Filtering}));
    FrequencyShifter = Button(g, "FrequencyShifter", "Frequency Shift");
    FrequencyShift = NumberField(g, "FrequencyShift", "4", true);
    FrequencyShift->setFixedWidth(30);
    FrequencyRotater = Button(g, "FrequencyRotater", "Frequency Rotate");
    filterOuter->addLayout(WavRow({FrequencyShifter, FrequencyShift, FrequencyRotater}));
    Robot = Button(g, "Robot", "Robot");
    Retard = Button(g, "Retard", "Retard");
    FrequencyShift2 = NumberField(g, "FrequencyShift2", "3", true);
    FrequencyShift2->setFixedWidth(30);
    filterOuter->addLayout(WavRow({Robot, Retard, Caption(g, "Factor"), FrequencyShift2}));
    // The progress of a running effect, on a line of its own below the effects.
    EffectProgress = named<QProgressBar>(g, "EffectProgress");
    EffectProgress->setRange(0, 100);
    EffectProgress->setValue(0);
    filterOuter->addWidget(EffectProgress);
    filterOuter->addStretch();
}

// The traces' scales above the display, the time axis below it.
void TWAVMainForm::CreateDisplay(QVBoxLayout *outer) {
    Panel4 = traces.CreateTracePanel(this, "Panel4", "1");
    outer->addWidget(Panel4);

    Image2 = new PlotImage(canvas, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Image2->setMinimumHeight(200);
    outer->addWidget(Image2, 1);
    MessageLabel = named<QLabel>(Image2, "MessageLabel");
    MessageLabel->setText(QStringLiteral("Please Wait Calculating The Graph"));
    MessageLabel->setStyleSheet(QStringLiteral("background: white; font-weight: bold;"));
    MessageLabel->move(300, 150);
    MessageLabel->adjustSize();

    Panel2 = traces.CreateTimePanel(this, "Panel2", "1500", 120);
    traces.ClickX->setFocusPolicy(Qt::NoFocus);
    traces.ClickY->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(Panel2);
}

void TWAVMainForm::KeepPlacesAndHide() {
    // Controls come and go with the window's state; the layout keeps their places, so the
    // display keeps its size (and its drawing) meanwhile.
    for (QWidget *w : std::initializer_list<QWidget *>{GetInputFile,
                                                       PlayInput,
                                                       DFT_Input,
                                                       FFT_Input,
                                                       CopyInputFile,
                                                       CopyData,
                                                       SpeedUp,
                                                       SlowDown,
                                                       DesignNetwork,
                                                       filter.Label1,
                                                       filter.Label2,
                                                       filter.Label3,
                                                       filter.sfFrequency,
                                                       filter.sQfactor,
                                                       filter.sfAmplification,
                                                       filter.fFrequencyI,
                                                       filter.QfactorI,
                                                       filter.fAmplificationI,
                                                       fDFT,
                                                       fFFT,
                                                       GetOutputFile,
                                                       PlayOutput,
                                                       DFT_Output,
                                                       FFT_Output,
                                                       filter.RectifyGroup,
                                                       filter.NoiseGroup,
                                                       filter.sSN_Label,
                                                       filter.sSN_Ratio,
                                                       ModifyFile,
                                                       FFT_Filtering,
                                                       FrequencyShifter,
                                                       FrequencyRotater,
                                                       Robot,
                                                       Retard,
                                                       traces.TimeScaleLabel,
                                                       EffectProgress}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    QSizePolicy keepPlace = Spectrogram_Input->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Spectrogram_Input->setSizePolicy(keepPlace);
    for (QWidget *w : std::initializer_list<QWidget *>{
             DesignNetwork, filter.RectifyGroup, filter.NoiseGroup, filter.sSN_Ratio,
             filter.sSN_Label, MessageLabel, traces.TimeScaleLabel, EffectProgress}) {
        w->setVisible(false);
    }

    Timer1 = named<QTimer>(this, "Timer1");
    Timer1->setInterval(500);
    viewDriver = std::make_unique<ChunkDriver>(this, services, QStringLiteral("viewTimer"),
                                               kaldorium::WavView::ChunkSamples);
}
