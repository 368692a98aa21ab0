#include "audio/Wavmain.h"

#include "widgets/Named.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

#include <QButtonGroup>
#include <QCheckBox>
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

// ---------------------------------------------------------------------------------------------
// Layout

void TWAVMainForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto button = [](QWidget *parent, const char *name, const char *caption) {
        QPushButton *b = named<QPushButton>(parent, name);
        b->setText(QString::fromLatin1(caption));
        b->setAutoDefault(false);
        return b;
    };
    auto numberField = [](QWidget *parent, const char *name, const char *text, bool keyFilter) {
        NumberEdit *edit = named<NumberEdit>(parent, name);
        edit->setText(QString::fromLatin1(text));
        edit->SetKeyFilter(keyFilter);
        edit->setFixedWidth(58);
        return edit;
    };
    auto readOut = [](QWidget *parent, const char *name) {
        NumberEdit *edit = named<NumberEdit>(parent, name);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setFixedWidth(64);
        return edit;
    };
    auto radio = [](QWidget *parent, const char *name, const char *caption) {
        QRadioButton *r = named<QRadioButton>(parent, name);
        r->setText(QString::fromLatin1(caption));
        return r;
    };
    auto check = [](QWidget *parent, const char *name, const char *caption) {
        QCheckBox *c = named<QCheckBox>(parent, name);
        c->setText(QString::fromLatin1(caption));
        return c;
    };
    auto caption = [](QWidget *parent, const char *text) {
        return new QLabel(QString::fromLatin1(text), parent);
    };
    auto row = [](std::initializer_list<QWidget *> widgets, bool stretch = true) {
        auto *l = new QHBoxLayout;
        l->setSpacing(3);
        for (QWidget *w : widgets) {
            l->addWidget(w);
        }
        if (stretch) {
            l->addStretch();
        }
        return l;
    };

    auto *top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 2);
    top->setSpacing(3);
    outer->addLayout(top);

    // File specifications -----------------------------------------------------------------------
    OscillatorSpecs = named<QGroupBox>(this, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("WAV File Specifications"));
    top->addWidget(OscillatorSpecs);
    QWidget *g = OscillatorSpecs;
    auto *fileLayout = new QVBoxLayout(g);
    fileLayout->setContentsMargins(4, 2, 4, 2);
    fileLayout->setSpacing(2);
    InputFile = named<QLineEdit>(g, "InputFile");
    InputFile->setReadOnly(true);
    GetInputFile = button(g, "GetInputFile", "File");
    PlayInput = button(g, "PlayInput", "Play");
    iView = button(g, "iView", "View");
    DFT_Input = button(g, "DFT_Input", "DFT");
    FFT_Input = button(g, "FFT_Input", "FFT");
    for (QPushButton *b : {GetInputFile, PlayInput, iView, DFT_Input, FFT_Input}) {
        b->setFixedWidth(44);
    }
    auto *inputRow = row({InputFile, GetInputFile, PlayInput, iView, DFT_Input, FFT_Input}, false);
    inputRow->setStretch(0, 1);
    fileLayout->addLayout(inputRow);

    auto *specs = new QGridLayout;
    specs->setHorizontalSpacing(4);
    specs->setVerticalSpacing(2);
    sFormat = readOut(g, "sFormat");
    sChannels = readOut(g, "sChannels");
    sSampleRate = readOut(g, "sSampleRate");
    sBytesPerSec = readOut(g, "sBytesPerSec");
    sBytesPerSample = readOut(g, "sBytesPerSample");
    sBitsPerChannel = readOut(g, "sBitsPerChannel");
    sBytes = readOut(g, "sBytes");
    sSamples = readOut(g, "sSamples");
    sSeconds = readOut(g, "sSeconds");
    sTs = readOut(g, "sTs");
    sTs->setText(QStringLiteral("0.5"));
    sTs->setFixedWidth(90);
    const std::pair<const char *, NumberEdit *> fields[] = {{"Format", sFormat},
                                                            {"Channels", sChannels},
                                                            {"Samples/Sec", sSampleRate},
                                                            {"Bytes/Sec", sBytesPerSec},
                                                            {"Bytes/Sample", sBytesPerSample},
                                                            {"Bits/Channel", sBitsPerChannel},
                                                            {"Bytes", sBytes},
                                                            {"Samples", sSamples},
                                                            {"Seconds", sSeconds},
                                                            {"Ts (secs)", sTs}};
    int index = 0;
    for (const auto &[label, field] : fields) {
        const int r = index % 5;
        const int c = (index / 5) * 2;
        specs->addWidget(caption(g, label), r, c);
        specs->addWidget(field, r, c + 1);
        ++index;
    }
    Compressed = check(g, "Compressed", "Compressed");
    Compressed->setAttribute(Qt::WA_TransparentForMouseEvents);
    Compressed->setFocusPolicy(Qt::NoFocus);
    specs->addWidget(Compressed, 0, 4);
    bView = button(g, "bView", "View Input && Output");
    specs->addWidget(bView, 1, 4);
    CopyInputFile = button(g, "CopyInputFile", "Copy WAV File");
    CopyData = button(g, "CopyData", "Copy Samples");
    specs->addWidget(CopyInputFile, 2, 4);
    specs->addWidget(CopyData, 3, 4);
    sSpeedFactor = numberField(g, "sSpeedFactor", "2", true);
    sSpeedFactor->setFixedWidth(40);
    SpeedUp = button(g, "SpeedUp", "Speed Up");
    SlowDown = button(g, "SlowDown", "Slow Down");
    specs->setColumnStretch(5, 1);
    fileLayout->addLayout(specs);

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
    speed->addLayout(row({caption(g, "Factor"), sSpeedFactor}));
    speed->addLayout(row({SpeedUp, SlowDown}));
    bottom->addLayout(speed);
    fileLayout->addLayout(bottom);
    fileLayout->addStretch();

    // Filter specifications ---------------------------------------------------------------------
    Filter_Specs = named<QGroupBox>(this, "Filter_Specs");
    Filter_Specs->setTitle(QStringLiteral("Filter Specifications"));
    top->addWidget(Filter_Specs);
    g = Filter_Specs;
    auto *filterOuter = new QVBoxLayout(g);
    filterOuter->setContentsMargins(4, 2, 4, 2);
    filterOuter->setSpacing(2);
    auto *filterLayout = new QHBoxLayout;
    filterOuter->addLayout(filterLayout);
    auto *kinds = new QVBoxLayout;
    kinds->setSpacing(1);
    auto *kindGroup = new QButtonGroup(this);
    BandPass = radio(g, "BandPass", "BandPass 2nd Order");
    BandReject = radio(g, "BandReject", "BandReject 2nd Order");
    HighPass = radio(g, "HighPass", "HighPass 2nd Order");
    LowPass = radio(g, "LowPass", "LowPass 2nd Order");
    HighPass2 = radio(g, "HighPass2", "HighPass 4th Order");
    LowPass2 = radio(g, "LowPass2", "LowPass 4th Order");
    Diffrentiate = radio(g, "Diffrentiate", "Differentiator");
    Integrate = radio(g, "Integrate", "Integrator");
    NetworkFiltering = radio(g, "NetworkFiltering", "Filter Network");
    DesignNetwork = named<QPushButton>(g, "DesignNetwork");
    DesignNetwork->setFixedSize(18, 16);
    DesignNetwork->setAutoDefault(false);
    for (QRadioButton *r : {BandPass, BandReject, HighPass, LowPass, HighPass2, LowPass2,
                            Diffrentiate, Integrate, NetworkFiltering}) {
        kindGroup->addButton(r);
        if (r == NetworkFiltering) {
            kinds->addLayout(row({r, DesignNetwork}));
        } else {
            kinds->addWidget(r);
        }
    }
    BandPass->setChecked(true);
    kinds->addStretch();
    filterLayout->addLayout(kinds);

    auto *filterGrid = new QGridLayout;
    filterGrid->setVerticalSpacing(2);
    filterGrid->setHorizontalSpacing(3);
    Label3 = named<QLabel>(g, "Label3");
    Label3->setText(QStringLiteral("Frequency (Hz)"));
    Label2 = named<QLabel>(g, "Label2");
    Label2->setText(QStringLiteral("Qfactor"));
    Label1 = named<QLabel>(g, "Label1");
    Label1->setText(QStringLiteral("Amplification"));
    sfFrequency = numberField(g, "sfFrequency", "1000", true);
    fFrequencyI = named<Stepper>(g, "fFrequencyI");
    sQfactor = numberField(g, "sQfactor", "1", true);
    QfactorI = named<Stepper>(g, "QfactorI");
    sfAmplification = numberField(g, "sfAmplification", "1", true);
    fAmplificationI = named<Stepper>(g, "fAmplificationI");
    filterGrid->addWidget(Label3, 0, 0);
    filterGrid->addLayout(row({sfFrequency, fFrequencyI}), 0, 1);
    filterGrid->addWidget(Label2, 1, 0);
    filterGrid->addLayout(row({sQfactor, QfactorI}), 1, 1);
    filterGrid->addWidget(Label1, 2, 0);
    filterGrid->addLayout(row({sfAmplification, fAmplificationI}), 2, 1);
    fTest = button(g, "fTest", "Test");
    fDFT = button(g, "fDFT", "DFT");
    fFFT = button(g, "fFFT", "FFT");
    for (QPushButton *b : {fTest, fDFT, fFFT}) {
        b->setFixedWidth(48);
    }
    filterGrid->addWidget(fTest, 0, 2);
    filterGrid->addWidget(fDFT, 1, 2);
    filterGrid->addWidget(fFFT, 2, 2);

    Rectify = check(g, "Rectify", "Rectify Input Signal");
    RectifyGroup = named<QGroupBox>(g, "RectifyGroup");
    auto *rectLayout = new QHBoxLayout(RectifyGroup);
    rectLayout->setContentsMargins(4, 0, 4, 0);
    HalfRectify = radio(RectifyGroup, "HalfRectify", "Half");
    FullRectify = radio(RectifyGroup, "FullRectify", "Full");
    HalfRectify->setChecked(true);
    rectLayout->addWidget(HalfRectify);
    rectLayout->addWidget(FullRectify);
    filterGrid->addWidget(Rectify, 3, 0);
    filterGrid->addWidget(RectifyGroup, 3, 1, 1, 2);
    AddNoise = check(g, "AddNoise", "Add Noise");
    NoiseGroup = named<QGroupBox>(g, "NoiseGroup");
    auto *noiseLayout = new QHBoxLayout(NoiseGroup);
    noiseLayout->setContentsMargins(4, 0, 4, 0);
    NormalNoise = radio(NoiseGroup, "NormalNoise", "Normal");
    GaussianNoise = radio(NoiseGroup, "GaussianNoise", "Gaussian");
    NormalNoise->setChecked(true);
    noiseLayout->addWidget(NormalNoise);
    noiseLayout->addWidget(GaussianNoise);
    sSN_Label = named<QLabel>(g, "sSN_Label");
    sSN_Label->setText(QStringLiteral("S/N"));
    sSN_Ratio = numberField(g, "sSN_Ratio", "100", true);
    sSN_Ratio->setFixedWidth(44);
    filterGrid->addWidget(AddNoise, 4, 0);
    filterGrid->addWidget(NoiseGroup, 4, 1, 1, 2);
    filterGrid->addLayout(row({sSN_Label, sSN_Ratio}), 5, 1, 1, 2);

    OutputFile = named<QLineEdit>(g, "OutputFile");
    OutputFile->setReadOnly(true);
    GetOutputFile = button(g, "GetOutputFile", "File");
    PlayOutput = button(g, "PlayOutput", "Play");
    oView = button(g, "oView", "View");
    DFT_Output = button(g, "DFT_Output", "DFT");
    FFT_Output = button(g, "FFT_Output", "FFT");
    for (QPushButton *b : {GetOutputFile, PlayOutput, oView, DFT_Output, FFT_Output}) {
        b->setFixedWidth(44);
    }
    auto *outputRow =
        row({OutputFile, GetOutputFile, PlayOutput, oView, DFT_Output, FFT_Output}, false);
    outputRow->setStretch(0, 1);
    filterOuter->addLayout(outputRow);

    ModifyFile = button(g, "ModifyFile", "Filter Input File");
    FFT_Filtering = button(g, "FFT_Filtering", "FFT Filter Input File");
    filterOuter->addLayout(row({ModifyFile, FFT_Filtering}));
    FrequencyShifter = button(g, "FrequencyShifter", "Frequency Shift");
    FrequencyShift = numberField(g, "FrequencyShift", "4", true);
    FrequencyShift->setFixedWidth(30);
    FrequencyRotater = button(g, "FrequencyRotater", "Frequency Rotate");
    filterOuter->addLayout(row({FrequencyShifter, FrequencyShift, FrequencyRotater}));
    Robot = button(g, "Robot", "Robot");
    Retard = button(g, "Retard", "Retard");
    FrequencyShift2 = numberField(g, "FrequencyShift2", "3", true);
    FrequencyShift2->setFixedWidth(30);
    filterOuter->addLayout(row({Robot, Retard, caption(g, "Factor"), FrequencyShift2}));
    // The progress of a running effect, on a line of its own below the effects.
    EffectProgress = named<QProgressBar>(g, "EffectProgress");
    EffectProgress->setRange(0, 100);
    EffectProgress->setValue(0);
    filterOuter->addWidget(EffectProgress);
    filterOuter->addStretch();
    filterGrid->setRowStretch(6, 1);
    filterLayout->addLayout(filterGrid, 1);

    // Traces -------------------------------------------------------------------------------------
    Panel4 = named<QWidget>(this, "Panel4");
    auto *traces = new QHBoxLayout(Panel4);
    traces->setContentsMargins(6, 2, 6, 2);
    g = Panel4;
    sSignal1Scale = numberField(g, "sSignal1Scale", "1", false);
    Signal1ScaleM = named<Stepper>(g, "Signal1ScaleM");
    Signal1ScaleI = named<Stepper>(g, "Signal1ScaleI");
    sSignal1Shift = numberField(g, "sSignal1Shift", "0", false);
    Signal1ShiftI = named<Stepper>(g, "Signal1ShiftI");
    CoupleScale = check(g, "CoupleScale", "Couple The Scales");
    sSignal2Scale = numberField(g, "sSignal2Scale", "1", false);
    Signal2ScaleM = named<Stepper>(g, "Signal2ScaleM");
    Signal2ScaleI = named<Stepper>(g, "Signal2ScaleI");
    sSignal2Shift = numberField(g, "sSignal2Shift", "0", false);
    Signal2ShiftI = named<Stepper>(g, "Signal2ShiftI");
    auto *redScale = caption(g, "Red Signal: Scale");
    auto *redShift = caption(g, "Shift");
    redScale->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    redShift->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    for (QWidget *w : std::initializer_list<QWidget *>{
             caption(g, "Black Signal: Scale"), sSignal1Scale, Signal1ScaleM, Signal1ScaleI,
             caption(g, "Shift"), sSignal1Shift, Signal1ShiftI}) {
        traces->addWidget(w);
    }
    traces->addStretch();
    traces->addWidget(CoupleScale);
    traces->addStretch();
    for (QWidget *w :
         std::initializer_list<QWidget *>{redScale, sSignal2Scale, Signal2ScaleM, Signal2ScaleI,
                                          redShift, sSignal2Shift, Signal2ShiftI}) {
        traces->addWidget(w);
    }
    outer->addWidget(Panel4);

    // Display ------------------------------------------------------------------------------------
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

    // Time axis ----------------------------------------------------------------------------------
    Panel2 = named<QWidget>(this, "Panel2");
    auto *timeAxis = new QHBoxLayout(Panel2);
    timeAxis->setContentsMargins(6, 2, 6, 2);
    g = Panel2;
    sTimeScale = numberField(g, "sTimeScale", "1500", false);
    TimeScaleI = named<Stepper>(g, "TimeScaleI");
    TimeScaleM = named<Stepper>(g, "TimeScaleM");
    TimeScaleLabel = named<QLabel>(g, "TimeScaleLabel");
    TimeScaleLabel->setText(QStringLiteral("Time (milliseconds)"));
    QFont bold = TimeScaleLabel->font();
    bold.setBold(true);
    TimeScaleLabel->setFont(bold);
    ClickX = readOut(g, "ClickX");
    ClickY = readOut(g, "ClickY");
    ClickX->setFixedWidth(120);
    ClickY->setFixedWidth(120);
    for (QWidget *w : std::initializer_list<QWidget *>{caption(g, "Scale (millisecs)"), sTimeScale,
                                                       TimeScaleM, TimeScaleI}) {
        timeAxis->addWidget(w);
    }
    timeAxis->addStretch();
    timeAxis->addWidget(TimeScaleLabel);
    timeAxis->addStretch();
    timeAxis->addWidget(caption(g, "Coordinates"));
    timeAxis->addWidget(ClickX);
    timeAxis->addWidget(ClickY);
    outer->addWidget(Panel2);

    // Controls come and go with the window's state; the layout keeps their places, so the
    // display keeps its size (and its drawing) meanwhile.
    for (QWidget *w : std::initializer_list<QWidget *>{
             GetInputFile,     PlayInput,        DFT_Input,       FFT_Input,     CopyInputFile,
             CopyData,         SpeedUp,          SlowDown,        DesignNetwork, Label1,
             Label2,           Label3,           sfFrequency,     sQfactor,      sfAmplification,
             fFrequencyI,      QfactorI,         fAmplificationI, fDFT,          fFFT,
             GetOutputFile,    PlayOutput,       DFT_Output,      FFT_Output,    RectifyGroup,
             NoiseGroup,       sSN_Label,        sSN_Ratio,       ModifyFile,    FFT_Filtering,
             FrequencyShifter, FrequencyRotater, Robot,           Retard,        TimeScaleLabel,
             EffectProgress}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{DesignNetwork, RectifyGroup, NoiseGroup,
                                                       sSN_Ratio, sSN_Label, MessageLabel,
                                                       TimeScaleLabel, EffectProgress}) {
        w->setVisible(false);
    }

    Timer1 = named<QTimer>(this, "Timer1");
    Timer1->setInterval(500);
    viewTimer = named<QTimer>(this, "viewTimer");
    viewTimer->setInterval(0);
}
