#include "workbench/Dspmain.h"

#include "app/Guarded.h"
#include "app/ProgramFolder.h"
#include "app/UiServices.h"
#include "audio/Wavmain.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "widgets/Named.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"
#include "workbench/FieldRules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace kaldorium;

namespace {

QString Text(const std::string &s) {
    return QString::fromStdString(s);
}
QString General(double v) {
    return Text(FormatGeneral(v));
}
QString Statistic(double v) {
    return Text(FormatFixed(v, 5, 5));
}
QString Shift(double v) {
    return Text(FormatFixed(v, 5, 4));
}

QLabel *Caption(QWidget *parent, const QString &text) {
    return new QLabel(text, parent);
}

} // namespace

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
// Layout

void TDSPMainForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    Panel1 = named<QWidget>(this, "Panel1");
    auto *panel1Layout = new QHBoxLayout(Panel1);
    panel1Layout->setContentsMargins(2, 2, 2, 2);
    panel1Layout->setSpacing(3);
    outer->addWidget(Panel1);

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
        edit->setFixedWidth(58);
        return edit;
    };
    auto button = [](QWidget *parent, const char *name, const char *caption) {
        QPushButton *b = named<QPushButton>(parent, name);
        b->setText(QString::fromLatin1(caption));
        b->setAutoDefault(false);
        return b;
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
    auto stepper = [](QWidget *parent, const char *name) { return named<Stepper>(parent, name); };
    auto stepperPair = [](Stepper *first, Stepper *second) {
        auto *box = new QWidget(first->parentWidget());
        auto *l = new QHBoxLayout(box);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(1);
        l->addWidget(first);
        if (second != nullptr) {
            l->addWidget(second);
        }
        l->addStretch();
        return box;
    };

    // Oscillator group ------------------------------------------------------------------------
    OscillatorSpecs = named<QGroupBox>(Panel1, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("Oscillator Specifications"));
    panel1Layout->addWidget(OscillatorSpecs);
    auto *oscLayout = new QHBoxLayout(OscillatorSpecs);
    oscLayout->setContentsMargins(4, 2, 4, 2);

    auto *oscRows = new QGridLayout;
    oscRows->setVerticalSpacing(2);
    oscRows->setHorizontalSpacing(3);
    QWidget *g = OscillatorSpecs;
    soFrequency = numberField(g, "soFrequency", "2000", true);
    oFrequencyI = stepper(g, "oFrequencyI");
    soAmplitude = numberField(g, "soAmplitude", "1", true);
    oAmplitudeI = stepper(g, "oAmplitudeI");
    soSamples = numberField(g, "soSamples", "20", true);
    oSamplesI = stepper(g, "oSamplesI");
    oT = numberField(g, "oT", "0.000025", true);
    oT->setReadOnly(true);
    soDC_Offset = numberField(g, "soDC_Offset", "0", true);
    oDC_OffsetI = stepper(g, "oDC_OffsetI");
    DutyCycleLabel = named<QLabel>(g, "DutyCycleLabel");
    DutyCycleLabel->setText(QStringLiteral("Duty Cycle %"));
    soDutyCycle = numberField(g, "soDutyCycle", "50", true);
    oDutyCycleI = stepper(g, "oDutyCycleI");
    InputFileLabel = named<QLabel>(g, "InputFileLabel");
    InputFileLabel->setText(QStringLiteral("Input File"));
    InputFileName = named<NumberEdit>(g, "InputFileName");
    InputFileName->setReadOnly(true);
    GetInputFile = button(g, "GetInputFile", "File");
    EditInputFile = button(g, "EditInputFile", "Edit");
    int row = 0;
    auto addRow = [&](QGridLayout *grid, QWidget *label, QWidget *field, QWidget *steppers) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (steppers != nullptr) {
            grid->addWidget(steppers, row, 2);
        }
        ++row;
    };
    addRow(oscRows, Caption(g, QStringLiteral("Frequency (Hz)")), soFrequency,
           stepperPair(oFrequencyI, nullptr));
    addRow(oscRows, Caption(g, QStringLiteral("Amplitude")), soAmplitude,
           stepperPair(oAmplitudeI, nullptr));
    addRow(oscRows, Caption(g, QStringLiteral("Samples/Cycle")), soSamples,
           stepperPair(oSamplesI, nullptr));
    addRow(oscRows, Caption(g, QStringLiteral("T (secs)")), oT, nullptr);
    addRow(oscRows, Caption(g, QStringLiteral("DC Offset")), soDC_Offset,
           stepperPair(oDC_OffsetI, nullptr));
    addRow(oscRows, DutyCycleLabel, soDutyCycle, stepperPair(oDutyCycleI, nullptr));
    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(InputFileName, 1);
    fileRow->addWidget(GetInputFile);
    fileRow->addWidget(EditInputFile);
    GetInputFile->setFixedWidth(38);
    EditInputFile->setFixedWidth(38);
    oscRows->addWidget(InputFileLabel, row, 0);
    oscRows->addLayout(fileRow, row, 1, 1, 4);
    oscLayout->addLayout(oscRows);

    auto *oscMiddle = new QGridLayout;
    oscMiddle->setVerticalSpacing(2);
    oTest = button(g, "oTest", "Test");
    oDFT = button(g, "oDFT", "DFT");
    oFFT = button(g, "oFFT", "FFT");
    WaveFiles = button(g, "WaveFiles", "WAVs");
    AddNoise = check(g, "AddNoise", "Add Noise");
    sSN_Label = named<QLabel>(g, "sSN_Label");
    sSN_Label->setText(QStringLiteral("S/N"));
    sSN_Ratio = numberField(g, "sSN_Ratio", "100", true);
    sSN_Ratio->setFixedWidth(60);
    NoiseGroup = named<QGroupBox>(g, "NoiseGroup");
    auto *noiseLayout = new QVBoxLayout(NoiseGroup);
    noiseLayout->setContentsMargins(4, 0, 4, 0);
    NormalNoise = radio(NoiseGroup, "NormalNoise", "Normal");
    GaussianNoise = radio(NoiseGroup, "GaussianNoise", "Gaussian");
    noiseLayout->addWidget(NormalNoise);
    noiseLayout->addWidget(GaussianNoise);
    Range_Field_Display1 = readOut(g, "Range_Field_Display1");
    RMS_Field_Display1 = readOut(g, "RMS_Field_Display1");
    for (QPushButton *b : {oTest, oDFT, oFFT, WaveFiles}) {
        b->setFixedWidth(64);
    }
    oscMiddle->addWidget(oTest, 0, 0, 1, 2);
    oscMiddle->addWidget(oDFT, 1, 0, 1, 2);
    oscMiddle->addWidget(oFFT, 2, 0, 1, 2);
    oscMiddle->addWidget(WaveFiles, 3, 0, 1, 2);
    oscMiddle->addWidget(AddNoise, 4, 0, 1, 2);
    auto *snRow = new QHBoxLayout;
    snRow->addWidget(sSN_Label);
    snRow->addWidget(sSN_Ratio);
    snRow->addStretch();
    oscMiddle->addLayout(snRow, 5, 0, 1, 2);
    oscMiddle->addWidget(NoiseGroup, 6, 0, 1, 2);
    oscMiddle->setRowStretch(7, 1);
    // The read-outs go below the parameter rows, where the hidden rows leave room.
    oscRows->addWidget(Caption(g, QStringLiteral("Range ")), row + 1, 0);
    oscRows->addWidget(Range_Field_Display1, row + 1, 1);
    oscRows->addWidget(Caption(g, QStringLiteral("RMS")), row + 2, 0);
    oscRows->addWidget(RMS_Field_Display1, row + 2, 1);
    oscRows->setRowStretch(row + 1, 0);
    oscRows->setRowStretch(row + 3, 1);
    oscLayout->addLayout(oscMiddle);

    auto *oscRight = new QVBoxLayout;
    oscRight->setSpacing(1);
    auto *waveforms = new QButtonGroup(this);
    SineWave = radio(g, "SineWave", "SineWave");
    SquareWave = radio(g, "SquareWave", "SquareWave");
    SawTooth = radio(g, "SawTooth", "SawTooth");
    FSawTooth = radio(g, "FSawTooth", "Faulty SawTooth");
    Triangle = radio(g, "Triangle", "Triangle");
    FTriangle = radio(g, "FTriangle", "Faulty Triangle");
    FileData = radio(g, "FileData", "Data From File");
    for (QRadioButton *r :
         {SineWave, SquareWave, SawTooth, FSawTooth, Triangle, FTriangle, FileData}) {
        waveforms->addButton(r);
        oscRight->addWidget(r);
    }
    SineWave->setChecked(true);
    Modulate = check(g, "Modulate", "Modulate");
    Modulate_Group = named<QGroupBox>(g, "Modulate_Group");
    auto *modLayout = new QHBoxLayout(Modulate_Group);
    modLayout->setContentsMargins(4, 0, 4, 0);
    AM_Modulate = radio(Modulate_Group, "AM_Modulate", "AM");
    FM_Modulate = radio(Modulate_Group, "FM_Modulate", "FM");
    AM_Modulate->setChecked(true);
    FM_Modulate->setEnabled(false);
    modLayout->addWidget(AM_Modulate);
    modLayout->addWidget(FM_Modulate);
    ModulationFactorLabel = named<QLabel>(g, "ModulationFactorLabel");
    ModulationFactorLabel->setText(QStringLiteral("Factor %"));
    sModulationFactor = numberField(g, "sModulationFactor", "100", true);
    sModulationFactor->setFixedWidth(44);
    sModulationFactor->setReadOnly(true);
    ModulationFactorI = stepper(g, "ModulationFactorI");
    ModulationFactorI->SetRange(1, 100, 100);
    auto *modRow = new QHBoxLayout;
    modRow->setSpacing(2);
    modRow->addWidget(Modulate);
    modRow->addWidget(Modulate_Group);
    oscRight->addLayout(modRow);
    auto *factorRow = new QHBoxLayout;
    factorRow->setSpacing(2);
    factorRow->addWidget(ModulationFactorLabel);
    factorRow->addWidget(sModulationFactor);
    factorRow->addWidget(ModulationFactorI);
    factorRow->addStretch();
    oscRight->addLayout(factorRow);
    oscRight->addStretch();
    oscLayout->addLayout(oscRight);

    // Filter group ----------------------------------------------------------------------------
    Filter_Specs = named<QGroupBox>(Panel1, "Filter_Specs");
    Filter_Specs->setTitle(QStringLiteral("Filter Specifications"));
    panel1Layout->addWidget(Filter_Specs);
    auto *filterLayout = new QHBoxLayout(Filter_Specs);
    filterLayout->setContentsMargins(4, 2, 4, 2);
    g = Filter_Specs;
    // One grid: parameter rows (columns 0-2), run buttons and read-outs (3-4), filter kinds (5).
    auto *filterGrid = new QGridLayout;
    filterGrid->setVerticalSpacing(2);
    filterGrid->setHorizontalSpacing(3);
    Label3 = named<QLabel>(g, "Label3");
    Label3->setText(QStringLiteral("Frequency (Hz)"));
    Label2 = named<QLabel>(g, "Label2");
    Label2->setText(QStringLiteral("Qfactor"));
    Label1 = named<QLabel>(g, "Label1");
    Label1->setText(QStringLiteral("Amplification"));
    sfFrequency = numberField(g, "sfFrequency", "2000", true);
    fFrequencyI = stepper(g, "fFrequencyI");
    sQfactor = numberField(g, "sQfactor", "10", true);
    QfactorI = stepper(g, "QfactorI");
    sfAmplification = numberField(g, "sfAmplification", "2", true);
    fAmplificationI = stepper(g, "fAmplificationI");
    row = 0;
    addRow(filterGrid, Label3, sfFrequency, fFrequencyI);
    addRow(filterGrid, Label2, sQfactor, QfactorI);
    addRow(filterGrid, Label1, sfAmplification, fAmplificationI);
    fTest = button(g, "fTest", "Test");
    fDFT = button(g, "fDFT", "DFT");
    fFFT = button(g, "fFFT", "FFT");
    for (QPushButton *b : {fTest, fDFT, fFFT}) {
        b->setFixedWidth(64);
    }
    filterGrid->addWidget(fTest, 0, 3, 1, 2, Qt::AlignRight);
    filterGrid->addWidget(fDFT, 1, 3, 1, 2, Qt::AlignRight);
    filterGrid->addWidget(fFFT, 2, 3, 1, 2, Qt::AlignRight);

    MakeBodePlot = button(g, "MakeBodePlot", "Bode Response");
    StepResponse = button(g, "StepResponse", "Step Response");
    ImpulseResponse = button(g, "ImpulseResponse", "Impulse Response");
    DigitalFiltersDesign = button(g, "DigitalFiltersDesign", "Digital Filters Design");
    AnalogueFiltersDesign = button(g, "AnalogueFiltersDesign", "Analogue Filters Design");
    auto *responseRow = new QHBoxLayout;
    responseRow->setSpacing(2);
    responseRow->addWidget(MakeBodePlot);
    responseRow->addWidget(StepResponse);
    responseRow->addWidget(ImpulseResponse);
    filterGrid->addLayout(responseRow, 3, 0, 1, 5);
    auto *designRow = new QHBoxLayout;
    designRow->setSpacing(2);
    designRow->addWidget(DigitalFiltersDesign);
    designRow->addWidget(AnalogueFiltersDesign);
    filterGrid->addLayout(designRow, 4, 0, 1, 5);

    Rectify = check(g, "Rectify", "Rectify Input Signal");
    RectifyGroup = named<QGroupBox>(g, "RectifyGroup");
    auto *rectLayout = new QHBoxLayout(RectifyGroup);
    rectLayout->setContentsMargins(4, 0, 4, 0);
    HalfRectify = radio(RectifyGroup, "HalfRectify", "Half");
    FullRectify = radio(RectifyGroup, "FullRectify", "Full");
    HalfRectify->setChecked(true);
    rectLayout->addWidget(HalfRectify);
    rectLayout->addWidget(FullRectify);
    filterGrid->addWidget(Rectify, 5, 0, 1, 2);
    filterGrid->addWidget(RectifyGroup, 6, 0, 1, 3);
    OutputToFile = check(g, "OutputToFile", "Output To File");
    filterGrid->addWidget(OutputToFile, 7, 0, 1, 2);
    Range_Field_Display2 = readOut(g, "Range_Field_Display2");
    RMS_Field_Display2 = readOut(g, "RMS_Field_Display2");
    filterGrid->addWidget(Caption(g, QStringLiteral("Range")), 6, 3);
    filterGrid->addWidget(Range_Field_Display2, 6, 4);
    filterGrid->addWidget(Caption(g, QStringLiteral("RMS")), 7, 3);
    filterGrid->addWidget(RMS_Field_Display2, 7, 4);
    OutputFileLabel = named<QLabel>(g, "OutputFileLabel");
    OutputFileLabel->setText(QStringLiteral("Output File"));
    OutputFileName = named<NumberEdit>(g, "OutputFileName");
    OutputFileName->setReadOnly(true);
    GetOutputFile = button(g, "GetOutputFile", "File");
    EditOutputFile = button(g, "EditOutputFile", "Edit");
    GetOutputFile->setFixedWidth(38);
    EditOutputFile->setFixedWidth(38);
    auto *outRow = new QHBoxLayout;
    outRow->setSpacing(2);
    outRow->addWidget(OutputFileLabel);
    outRow->addWidget(OutputFileName, 1);
    outRow->addWidget(GetOutputFile);
    outRow->addWidget(EditOutputFile);
    filterGrid->addLayout(outRow, 8, 0, 1, 5);
    filterGrid->setRowStretch(9, 1);

    auto *filterRight = new QVBoxLayout;
    filterRight->setSpacing(1);
    auto *filters = new QButtonGroup(this);
    BandPass = radio(g, "BandPass", "BandPass 2nd Order");
    BandReject = radio(g, "BandReject", "BandReject 2nd Order");
    HighPass = radio(g, "HighPass", "HighPass 2nd Order");
    HighPass2 = radio(g, "HighPass2", "HighPass 4th Order");
    LowPass = radio(g, "LowPass", "LowPass 2nd Order");
    LowPass2 = radio(g, "LowPass2", "LowPass 4th Order");
    DesignedFilter = radio(g, "DesignedFilter", "Designed Filter");
    NetworkFiltering = radio(g, "NetworkFiltering", "Filter Network");
    Diffrentiate = radio(g, "Diffrentiate", "Differentiator");
    Integrate = radio(g, "Integrate", "Integrator");
    DesignNetwork = named<QPushButton>(g, "DesignNetwork");
    DesignNetwork->setFixedSize(18, 16);
    DesignNetwork->setAutoDefault(false);
    for (QRadioButton *r : {BandPass, BandReject, HighPass, HighPass2, LowPass, LowPass2,
                            DesignedFilter, NetworkFiltering, Diffrentiate, Integrate}) {
        filters->addButton(r);
        if (r == NetworkFiltering) {
            auto *networkRow = new QHBoxLayout;
            networkRow->setSpacing(2);
            networkRow->addWidget(r);
            networkRow->addWidget(DesignNetwork);
            networkRow->addStretch();
            filterRight->addLayout(networkRow);
        } else {
            filterRight->addWidget(r);
        }
    }
    BandPass->setChecked(true);
    filterRight->addStretch();
    filterLayout->addLayout(filterGrid);
    filterLayout->addLayout(filterRight);

    // Trace scales ----------------------------------------------------------------------------
    Panel2 = named<QWidget>(this, "Panel2");
    auto *panel2Layout = new QHBoxLayout(Panel2);
    panel2Layout->setContentsMargins(6, 2, 6, 2);
    g = Panel2;
    sSignal1Scale = numberField(g, "sSignal1Scale", "5", false);
    Signal1ScaleM = stepper(g, "Signal1ScaleM");
    Signal1ScaleI = stepper(g, "Signal1ScaleI");
    sSignal1Shift = numberField(g, "sSignal1Shift", "0", false);
    Signal1ShiftI = stepper(g, "Signal1ShiftI");
    CoupleScale = check(g, "CoupleScale", "Couple The Scales");
    CoupleScale->setChecked(true);
    sSignal2Scale = numberField(g, "sSignal2Scale", "5", false);
    Signal2ScaleM = stepper(g, "Signal2ScaleM");
    Signal2ScaleI = stepper(g, "Signal2ScaleI");
    sSignal2Shift = numberField(g, "sSignal2Shift", "0", false);
    Signal2ShiftI = stepper(g, "Signal2ShiftI");
    auto *redScaleLabel = Caption(g, QStringLiteral("Red Signal: Scale"));
    auto *redShiftLabel = Caption(g, QStringLiteral("Shift"));
    const QString red = QStringLiteral("color: rgb(255, 0, 0);");
    redScaleLabel->setStyleSheet(red);
    redShiftLabel->setStyleSheet(red);
    panel2Layout->addWidget(Caption(g, QStringLiteral("Black Signal: Scale")));
    panel2Layout->addWidget(sSignal1Scale);
    panel2Layout->addWidget(Signal1ScaleM);
    panel2Layout->addWidget(Signal1ScaleI);
    panel2Layout->addSpacing(8);
    panel2Layout->addWidget(Caption(g, QStringLiteral("Shift")));
    panel2Layout->addWidget(sSignal1Shift);
    panel2Layout->addWidget(Signal1ShiftI);
    panel2Layout->addStretch();
    panel2Layout->addWidget(CoupleScale);
    panel2Layout->addStretch();
    panel2Layout->addWidget(redScaleLabel);
    panel2Layout->addWidget(sSignal2Scale);
    panel2Layout->addWidget(Signal2ScaleM);
    panel2Layout->addWidget(Signal2ScaleI);
    panel2Layout->addSpacing(8);
    panel2Layout->addWidget(redShiftLabel);
    panel2Layout->addWidget(sSignal2Shift);
    panel2Layout->addWidget(Signal2ShiftI);
    outer->addWidget(Panel2);

    // Display with the vertical caption at its left -------------------------------------------
    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    Panel3 = named<QWidget>(this, "Panel3");
    Panel3->setFixedWidth(22);
    auto *panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(2, 0, 2, 0);
    auto *amplitudeCaption = new QLabel(Panel3);
    QString vertical;
    for (QChar c : QStringLiteral("A m p l i t u d e")) {
        vertical += c;
        vertical += QLatin1Char('\n');
    }
    vertical.chop(1);
    amplitudeCaption->setText(vertical);
    amplitudeCaption->setAlignment(Qt::AlignCenter);
    panel3Layout->addWidget(amplitudeCaption);
    middle->addWidget(Panel3);
    Image2 = new PlotImage(canvas, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    middle->addWidget(Image2, 1);
    outer->addLayout(middle, 1);

    // Time scale and coordinates ---------------------------------------------------------------
    Panel4 = named<QWidget>(this, "Panel4");
    auto *panel4Layout = new QHBoxLayout(Panel4);
    panel4Layout->setContentsMargins(6, 2, 6, 2);
    g = Panel4;
    sTimeScale = numberField(g, "sTimeScale", "5", false);
    TimeScaleM = stepper(g, "TimeScaleM");
    TimeScaleI = stepper(g, "TimeScaleI");
    TimeScaleLabel = named<QLabel>(g, "TimeScaleLabel");
    TimeScaleLabel->setText(QStringLiteral("Time (milliseconds)"));
    QFont bold = TimeScaleLabel->font();
    bold.setBold(true);
    TimeScaleLabel->setFont(bold);
    ClickX = readOut(g, "ClickX");
    ClickY = readOut(g, "ClickY");
    ClickX->setFixedWidth(120);
    ClickY->setFixedWidth(120);
    panel4Layout->addWidget(Caption(g, QStringLiteral("Scale (millisecs)")));
    panel4Layout->addWidget(sTimeScale);
    panel4Layout->addWidget(TimeScaleM);
    panel4Layout->addWidget(TimeScaleI);
    panel4Layout->addStretch();
    panel4Layout->addWidget(TimeScaleLabel);
    panel4Layout->addStretch();
    panel4Layout->addWidget(Caption(g, QStringLiteral("Coordinates")));
    panel4Layout->addWidget(ClickX);
    panel4Layout->addWidget(ClickY);
    outer->addWidget(Panel4);

    // Hidden at start.
    for (QWidget *w : std::initializer_list<QWidget *>{
             DutyCycleLabel,    soDutyCycle,       oDutyCycleI,    InputFileLabel,
             InputFileName,     GetInputFile,      EditInputFile,  sSN_Label,
             sSN_Ratio,         NoiseGroup,        Modulate_Group, ModulationFactorLabel,
             sModulationFactor, ModulationFactorI, RectifyGroup,   OutputFileLabel,
             OutputFileName,    GetOutputFile,     EditOutputFile, DesignNetwork}) {
        w->setVisible(false);
    }

    runTimer = named<QTimer>(this, "runTimer");
    runTimer->setInterval(0);
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
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, [this] { RebindDisplay(); });
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
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Runs

void TDSPMainForm::oTestClick() {
    if (oTest->text() == QLatin1String("Test")) {
        StartRun(WorkbenchRun::Kind::InputTest);
    } else {
        StopRun();
    }
}

void TDSPMainForm::fTestClick() {
    if (fTest->text() == QLatin1String("Test")) {
        StartRun(WorkbenchRun::Kind::FilterTest);
    } else {
        StopRun();
    }
}

void TDSPMainForm::StartRun(WorkbenchRun::Kind kind) {
    const bool filterTest = kind == WorkbenchRun::Kind::FilterTest;
    QPushButton *own = filterTest ? fTest : oTest;
    QPushButton *other = filterTest ? oTest : fTest;
    own->setText(QStringLiteral("Stop"));
    (filterTest ? filterTestStop : inputTestStop) = false;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    TimeScaleLabel->setVisible(true);
    ResetStatistics();
    other->setEnabled(false);
    ShowRunButtons(false);
    run = std::make_unique<WorkbenchRun>(kind, RunContext{settings, noise, *designer, network},
                                         scope, statistics);
    OpenOutput(filterTest);
    runTimer->start();
}

void TDSPMainForm::StopRun() {
    const bool filterTest = run && run->kind == WorkbenchRun::Kind::FilterTest;
    runTimer->stop();
    run.reset();
    inputTestStop = true;
    filterTestStop = true;
    (filterTest ? fTest : oTest)->setText(QStringLiteral("Test"));
    oTest->setText(QStringLiteral("Test"));
    fTest->setText(QStringLiteral("Test"));
    oTest->setEnabled(true);
    fTest->setEnabled(true);
    ShowRunButtons(true);
    CloseOutput();
    Image2->update();
}

void TDSPMainForm::RunChunk() {
    if (!run) {
        runTimer->stop();
        return;
    }
    const bool stop = run->kind == WorkbenchRun::Kind::FilterTest ? filterTestStop : inputTestStop;
    if (stop) {
        StopRun();
        return;
    }
    // Rows are written only while the box stays checked: unchecking it suspends the writing.
    run->rows = OutputToFile->isChecked() && !OutputFileName->text().isEmpty() && output.IsOpen()
                    ? &output
                    : nullptr;
    try {
        FloatingPointGuard guard;
        run->Step(WorkbenchRun::ChunkSamples);
        guard.Check();
    } catch (...) {
        StopRun();
        ShowStatistics();
        throw;
    }
    ShowStatistics();
    if (settings.fieldsChanged) {
        settings.fieldsChanged = false;
        ShowFieldsOfSettings();
    }
    Image2->update();
}

void TDSPMainForm::ShowStatistics() {
    RMS_Field_Display1->setText(Statistic(statistics.shownRmsIn));
    RMS_Field_Display2->setText(Statistic(statistics.shownRmsOut));
    Range_Field_Display1->setText(Statistic(statistics.shownRangeIn));
    Range_Field_Display2->setText(Statistic(statistics.shownRangeOut));
}

void TDSPMainForm::ResetStatistics() {
    statistics.Reset();
    for (NumberEdit *e :
         {RMS_Field_Display1, RMS_Field_Display2, Range_Field_Display1, Range_Field_Display2}) {
        e->setText(QStringLiteral("0"));
    }
}

void TDSPMainForm::ShowRunButtons(bool visible) {
    for (QWidget *w : std::initializer_list<QWidget *>{oDFT, fDFT, oFFT, fFFT, ImpulseResponse,
                                                       StepResponse, DigitalFiltersDesign}) {
        w->setVisible(visible);
    }
}

void TDSPMainForm::Image2MouseMove(int x, int y) {
    ClickX->setText(General(scope.ValueAtX(x)));
    ClickY->setText(General(scope.ValueAtY(y)));
}

void TDSPMainForm::RebindDisplay() {
    // The display changed size: draw the grid again at the new size, same ranges.
    scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
    Image2->update();
}

// ---------------------------------------------------------------------------------------------
// Fields

double TDSPMainForm::ReadField(QLineEdit *field, const char *emptyText) {
    if (field->text().isEmpty() && emptyText != nullptr) {
        field->setText(QString::fromLatin1(emptyText));
    }
    return ParseDouble(field->text().toStdString());
}

void TDSPMainForm::AcceptPositive(NumberEdit *field, const char *emptyText, double &setting) {
    const double v = ReadField(field, emptyText);
    if (v > 0) {
        setting = v;
    } else {
        field->setText(General(setting));
    }
}

double TDSPMainForm::SteppedValue(NumberEdit *field, bool up, double baseStep, Clamp clamp) {
    FloatingPointGuard guard;
    const double current = ReadField(field, nullptr);
    double v = baseStep > 0 ? FineStep(current, up, baseStep, baseStep) : DecadeStep(current, up);
    guard.Check();
    if (clamp == Clamp::ToOne && v <= 0) {
        v = 1.0;
    } else if (clamp == Clamp::ToZero && v < 0) {
        v = 0.0;
    }
    return v;
}

void TDSPMainForm::ShowFieldsOfSettings() {
    soSamples->setText(QString::number(settings.samplesPerCycle));
    oT->setText(General(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::soFrequencyExit() {
    AcceptPositive(soFrequency, "1", settings.frequency);
    soSamplesExit();
}

void TDSPMainForm::soAmplitudeExit() {
    AcceptPositive(soAmplitude, "1", settings.amplitude);
}

void TDSPMainForm::soSamplesExit() {
    FloatingPointGuard guard;
    const std::string shown = ValidateSamplesPerCycle(settings, soSamples->text().toStdString());
    guard.Check();
    soSamples->setText(Text(shown));
    oT->setText(General(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::oTExit() {
    FloatingPointGuard guard;
    UpdateSamplingPeriod(settings);
    guard.Check();
    oT->setText(General(settings.samplingPeriod));
    soDutyCycle->setText(General(settings.dutyCycle));
}

void TDSPMainForm::soDutyCycleExit() {
    const double v = ReadField(soDutyCycle, "50.0");
    FloatingPointGuard guard;
    const double duty = LimitDutyCycle(v, settings.frequency, settings.samplingPeriod);
    guard.Check();
    settings.dutyCycle = duty;
    soDutyCycle->setText(General(duty));
}

void TDSPMainForm::soDC_OffsetExit() {
    settings.dcOffset = ReadField(soDC_Offset, "0");
}

void TDSPMainForm::sSN_RatioExit() {
    AcceptPositive(sSN_Ratio, "1", settings.snRatio);
}

void TDSPMainForm::sfFrequencyExit() {
    double v = ReadField(sfFrequency, "1");
    if (v > 0) {
        const double nyquist = 0.5 / settings.samplingPeriod;
        if (v > nyquist) {
            v = nyquist;
            sfFrequency->setText(General(v));
        }
        settings.filterFrequency = v;
    } else {
        sfFrequency->setText(General(settings.filterFrequency));
    }
}

void TDSPMainForm::sQfactorExit() {
    AcceptPositive(sQfactor, "1", settings.qFactor);
}

void TDSPMainForm::sfAmplificationExit() {
    AcceptPositive(sfAmplification, "1", settings.amplification);
}

void TDSPMainForm::sSignal1ScaleExit() {
    AcceptPositive(sSignal1Scale, "1", settings.signal1Scale);
    CoupleScales(1);
}

void TDSPMainForm::sSignal2ScaleExit() {
    AcceptPositive(sSignal2Scale, "1", settings.signal2Scale);
    CoupleScales(2);
}

void TDSPMainForm::sTimeScaleExit() {
    AcceptPositive(sTimeScale, "1", settings.timeScale);
}

void TDSPMainForm::sSignal1ShiftExit() {
    settings.signal1Shift = ReadField(sSignal1Shift, "0");
}

void TDSPMainForm::sSignal2ShiftExit() {
    settings.signal2Shift = ReadField(sSignal2Shift, "0");
}

void TDSPMainForm::CoupleScales(int changed) {
    if (!CoupleScale->isChecked()) {
        return;
    }
    if (changed == 1) {
        settings.signal2Scale = settings.signal1Scale;
        sSignal2Scale->setText(sSignal1Scale->text());
    } else {
        settings.signal1Scale = settings.signal2Scale;
        sSignal1Scale->setText(sSignal2Scale->text());
    }
}

void TDSPMainForm::CoupleScaleClick() {
    settings.coupleScales = CoupleScale->isChecked();
    if (!settings.coupleScales) {
        return;
    }
    const double larger = std::max(settings.signal1Scale, settings.signal2Scale);
    settings.signal1Scale = settings.signal2Scale = larger;
    sSignal1Scale->setText(General(larger));
    sSignal2Scale->setText(General(larger));
}

// ---------------------------------------------------------------------------------------------
// Steppers

void TDSPMainForm::oFrequencyIClick(bool up) {
    settings.frequency = SteppedValue(soFrequency, up, 100.0, Clamp::ToOne);
    soFrequency->setText(General(settings.frequency));
    soFrequencyExit();
}

void TDSPMainForm::fFrequencyIClick(bool up) {
    const double v = SteppedValue(sfFrequency, up, 100.0, Clamp::ToOne);
    settings.filterFrequency = std::min(v, 0.5 / settings.samplingPeriod);
    sfFrequency->setText(General(settings.filterFrequency));
}

void TDSPMainForm::oAmplitudeIClick(bool up) {
    settings.amplitude = SteppedValue(soAmplitude, up, 1.0, Clamp::ToZero);
    soAmplitude->setText(General(settings.amplitude));
}

void TDSPMainForm::fAmplificationIClick(bool up) {
    settings.amplification = SteppedValue(sfAmplification, up, 1.0, Clamp::ToZero);
    sfAmplification->setText(General(settings.amplification));
}

void TDSPMainForm::QfactorIClick(bool up) {
    settings.qFactor = SteppedValue(sQfactor, up, 1.0, Clamp::ToOne);
    sQfactor->setText(General(settings.qFactor));
}

void TDSPMainForm::SignalScaleIClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    scale = SteppedValue(field, up, 1.0, Clamp::ToOne);
    field->setText(General(scale));
    CoupleScales(trace);
}

void TDSPMainForm::SignalScaleMClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Scale : sSignal2Scale;
    double &scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    scale = SteppedValue(field, up, DecadeRule, Clamp::ToOne);
    field->setText(General(scale));
    CoupleScales(trace);
}

void TDSPMainForm::TimeScaleIClick(bool up) {
    settings.timeScale = SteppedValue(sTimeScale, up, 1.0, Clamp::ToOne);
    sTimeScale->setText(General(settings.timeScale));
}

void TDSPMainForm::TimeScaleMClick(bool up) {
    settings.timeScale = SteppedValue(sTimeScale, up, DecadeRule, Clamp::ToOne);
    sTimeScale->setText(General(settings.timeScale));
}

void TDSPMainForm::oSamplesIClick(bool up) {
    const double field = ReadField(soSamples, nullptr);
    // trunc(field) ± 1, kept within int range for absurd texts
    double n = std::trunc(field) + (up ? 1.0 : -1.0);
    if (n < 10) {
        n = 10;
    }
    if (n > 2147483647.0) {
        n = 2147483647.0;
    }
    settings.samplesPerCycle = static_cast<int>(n);
    soSamples->setText(QString::number(settings.samplesPerCycle));
    soSamplesExit();
}

void TDSPMainForm::oDC_OffsetIClick(bool up) {
    const double v = ReadField(soDC_Offset, nullptr) + (up ? 1.0 : -1.0);
    settings.dcOffset = v;
    soDC_Offset->setText(General(v));
}

void TDSPMainForm::oDutyCycleIClick(bool up) {
    const double v = ReadField(soDutyCycle, nullptr) + (up ? 1.0 : -1.0);
    settings.dutyCycle = v;
    soDutyCycle->setText(General(v));
    soDutyCycleExit();
}

void TDSPMainForm::SignalShiftIClick(int trace, bool up) {
    NumberEdit *field = trace == 1 ? sSignal1Shift : sSignal2Shift;
    const double scale = trace == 1 ? settings.signal1Scale : settings.signal2Scale;
    const double v = ReadField(field, nullptr) + (up ? 0.1 : -0.1) * scale;
    (trace == 1 ? settings.signal1Shift : settings.signal2Shift) = v;
    field->setText(Shift(v));
}

void TDSPMainForm::ModulationFactorIClick(bool) {
    settings.modulationFactor = ModulationFactorI->Position();
    sModulationFactor->setText(QString::number(settings.modulationFactor));
}

// ---------------------------------------------------------------------------------------------
// Selections

void TDSPMainForm::SineWaveEnter(QRadioButton *entered) {
    ShowRunButtons(oTest->isEnabled() && fTest->isEnabled() && !run);
    DutyCycleLabel->setVisible(false);
    soDutyCycle->setVisible(false);
    oDutyCycleI->setVisible(false);
    if (entered == FileData) {
        return;
    }
    settings.fileData = false;
    InputFileLabel->setVisible(false);
    InputFileName->setVisible(false);
    GetInputFile->setVisible(false);
    EditInputFile->setVisible(false);
    soSamples->setEnabled(!Modulate->isChecked());
    oSamplesI->setEnabled(!Modulate->isChecked());
    soSamples->setText(QString::number(settings.savedSamplesPerCycle));
    soSamplesExit();
    Modulate->setVisible(true);
}

void TDSPMainForm::SineWaveClick(QRadioButton *clicked) {
    ResetStatistics();
    struct Entry {
        QRadioButton *button;
        int waveform;
        const char *name;
    };
    const Entry entries[] = {{SineWave, 0, "Sine Wave"},
                             {SawTooth, 4, "Sawtooth Wave"},
                             {FSawTooth, 6, "Faulty Sawtooth Wave"},
                             {Triangle, 3, "Triangle Wave"},
                             {FTriangle, 5, "Faulty Triangle Wave"}};
    for (const Entry &e : entries) {
        if (e.button == clicked) {
            settings.waveform = e.waveform;
            settings.waveformName = e.name;
        }
    }
}

void TDSPMainForm::SquareWaveClick() {
    DutyCycleLabel->setVisible(true);
    soDutyCycle->setVisible(true);
    oDutyCycleI->setVisible(true);
    ResetStatistics();
    settings.waveform = 2;
    settings.waveformName = "Square Wave";
}

void TDSPMainForm::FileDataClick() {
    if (InputFileName->text().isEmpty()) {
        GetInputFileClick();
    }
    ResetStatistics();
    settings.waveform = 7;
    settings.fileData = true;
    settings.waveformName = "From Data File:" + InputFileName->text().toStdString();
    InputFileLabel->setVisible(true);
    InputFileName->setVisible(true);
    GetInputFile->setVisible(true);
    EditInputFile->setVisible(true);
    soSamples->setEnabled(false);
    settings.savedSamplesPerCycle = settings.samplesPerCycle;
    oSamplesI->setEnabled(false);
    Modulate->setVisible(false);
}

void TDSPMainForm::ShowFilterParameters(bool visible) {
    for (QWidget *w :
         std::initializer_list<QWidget *>{sfFrequency, sQfactor, sfAmplification, fFrequencyI,
                                          QfactorI, fAmplificationI, Label1, Label2, Label3}) {
        w->setVisible(visible);
    }
}

void TDSPMainForm::BandPassEnter() {
    DesignNetwork->setVisible(false);
    MakeBodePlot->setVisible(true);
    ShowFilterParameters(true);
}

void TDSPMainForm::BandPassClick(QRadioButton *clicked) {
    ResetStatistics();
    struct Entry {
        QRadioButton *button;
        int kind;
        const char *name;
    };
    const Entry entries[] = {{BandPass, 0, "Band Pass"},
                             {BandReject, 1, "Band Reject"},
                             {HighPass, 2, "High Pass"},
                             {LowPass, 3, "Low Pass"},
                             {HighPass2, 4, "High Pass 4th Order"},
                             {LowPass2, 5, "Low Pass 4th Order"}};
    for (const Entry &e : entries) {
        if (e.button == clicked) {
            settings.filterKind = e.kind;
            settings.filterName = e.name;
        }
    }
}

void TDSPMainForm::DiffrentiateClick(QRadioButton *clicked) {
    MakeBodePlot->setVisible(true);
    DesignNetwork->setVisible(false);
    ShowFilterParameters(false);
    ResetStatistics();
    if (clicked == Diffrentiate) {
        settings.filterKind = 6;
        settings.filterName = "Differentiator";
    } else if (clicked == Integrate) {
        settings.filterKind = 7;
        settings.filterName = "Integrator";
    } else {
        settings.filterKind = 9;
        settings.filterName = "Special Designed Filter";
    }
}

void TDSPMainForm::NetworkFilteringClick() {
    DesignNetwork->setVisible(true);
    MakeBodePlot->setVisible(true);
    ShowFilterParameters(false);
    ResetStatistics();
    settings.filterKind = 19;
    settings.filterName = "Filter Network";
}

void TDSPMainForm::ModulateClick() {
    const bool on = Modulate->isChecked();
    settings.modulate = on;
    Modulate_Group->setVisible(on);
    const bool factor = on && AM_Modulate->isChecked();
    ModulationFactorLabel->setVisible(factor);
    sModulationFactor->setVisible(factor);
    ModulationFactorI->setVisible(factor);
    soSamples->setEnabled(!on);
    oSamplesI->setEnabled(!on);
    FileData->setVisible(!on);
    if (on) {
        settings.savedSamplesPerCycle = settings.samplesPerCycle;
        AM_ModulateClick();
    } else {
        settings.samplesPerCycle = settings.savedSamplesPerCycle;
        soSamples->setText(QString::number(settings.samplesPerCycle));
        soSamplesExit();
    }
}

void TDSPMainForm::AM_ModulateClick() {
    settings.amModulate = AM_Modulate->isChecked();
    if (AM_Modulate->isChecked() || FM_Modulate->isChecked()) {
        soSamplesExit();
    }
}

void TDSPMainForm::AddNoiseClick() {
    const bool on = AddNoise->isChecked();
    settings.addNoise = on;
    sSN_Ratio->setVisible(on);
    sSN_Label->setVisible(on);
    NoiseGroup->setVisible(on);
    settings.snRatio = ParseDouble(sSN_Ratio->text().toStdString());
}

void TDSPMainForm::RectifyClick() {
    settings.rectify = Rectify->isChecked();
    RectifyGroup->setVisible(settings.rectify);
}

void TDSPMainForm::ReadOptionBoxes() {
    settings.modulate = Modulate->isChecked();
    settings.amModulate = AM_Modulate->isChecked();
    settings.addNoise = AddNoise->isChecked();
    settings.normalNoise = NormalNoise->isChecked();
    settings.rectify = Rectify->isChecked();
    settings.halfRectify = HalfRectify->isChecked();
}

// ---------------------------------------------------------------------------------------------
// Tools and files

void TDSPMainForm::MakeBodePlotClick() {
    if (tools.graph == nullptr) {
        return;
    }
    constexpr double twoPi = 6.283185307179586;
    TGraphForm &graph = *tools.graph;
    const int kind = settings.filterKind;
    // The differentiator and the integrator are normalised at the oscillator's frequency.
    graph.omega0 = twoPi * (kind == 6 || kind == 7 ? settings.frequency : settings.filterFrequency);
    graph.amplification = settings.amplification;
    graph.damping = 0.5 / settings.qFactor;
    graph.ts = settings.samplingPeriod;
    graph.type = kind;
    graph.titleName = BodeTitle(kind);
    graph.exec();
}

QString TDSPMainForm::BodeTitle(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("Digital Band Pass Filter (2nd Order)");
    case 1:
        return QStringLiteral("Digital Band Reject Filter (2nd Order)");
    case 2:
        return QStringLiteral("Digital High Pass Filter (2nd Order)");
    case 3:
        return QStringLiteral("Digital Low Pass Filter (2nd Order)");
    case 4:
        return QStringLiteral("Digital High Pass Filter (4th Order)");
    case 5:
        return QStringLiteral("Digital Low Pass Filter (4th Order)");
    case 6:
        return QStringLiteral("Differentiator");
    case 7:
        return QStringLiteral("Integrator");
    case 19:
        return QStringLiteral("Network Filter");
    default:
        return QStringLiteral("Digital Special Design Filter");
    }
}

void TDSPMainForm::AnalogueFiltersDesignClick() {
    if (tools.analogue != nullptr) {
        tools.analogue->exec();
    }
}

void TDSPMainForm::DigitalFiltersDesignClick() {
    if (tools.digital != nullptr) {
        tools.digital->exec();
    }
}

void TDSPMainForm::DesignNetworkClick() {
    if (tools.network != nullptr) {
        tools.network->exec();
    }
}

void TDSPMainForm::WaveFilesClick() {
    if (tools.wav == nullptr) {
        return;
    }
    hide();
    tools.wav->show();
}

void TDSPMainForm::GetInputFileClick() {
    const QString name = services.OpenFileName(
        this, QStringLiteral("DSP Sampled Signal Input File "), DataFolder(QStringLiteral("DSIs")),
        QStringLiteral("DSP Sampled Signal Input File (*.DSI *.dsi);;Text File (*.Txt *.txt "
                       "*.TXT);;All Files (*)"));
    if (!name.isEmpty()) {
        InputFileName->setText(name);
    }
}

void TDSPMainForm::GetOutputFileClick() {
    const QString name = services.SaveFileName(
        this, QString(), DataFolder(QStringLiteral("DSOs")),
        QStringLiteral(
            "DSP Sampled Output File (*.DSO *.dso);;Text File (*.Txt *.txt *.TXT);;All Files (*)"),
        QStringLiteral("DSO"));
    if (!name.isEmpty()) {
        OutputFileName->setText(name);
    }
}

void TDSPMainForm::OutputToFileClick() {
    const bool on = OutputToFile->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{OutputFileLabel, OutputFileName,
                                                       GetOutputFile, EditOutputFile}) {
        w->setVisible(on);
    }
    if (on && OutputFileName->text().isEmpty()) {
        GetOutputFileClick();
    }
}

void TDSPMainForm::InputFileNameChange() {
    settings.inputFileName = InputFileName->text().toStdString();
    InputFileName->setCursorPosition(InputFileName->text().size());
}

void TDSPMainForm::EditInputFileClick() {
    if (tools.fileEdit == nullptr) {
        return;
    }
    const QString given = InputFileName->text();
    const QString back =
        tools.fileEdit->EditFile(given.isEmpty() ? QStringLiteral("*.DSI") : given);
    if (!back.isEmpty() && !back.startsWith(QLatin1Char('*'))) {
        InputFileName->setText(back);
    }
}

void TDSPMainForm::EditOutputFileClick() {
    if (tools.fileEdit == nullptr) {
        return;
    }
    const QString given = OutputFileName->text();
    const QString back =
        tools.fileEdit->EditFile(given.isEmpty() ? QStringLiteral("*.DSO") : given);
    if (!back.isEmpty() && !back.startsWith(QLatin1Char('*'))) {
        OutputFileName->setText(back);
    }
}

void TDSPMainForm::OpenOutput(bool withFilter) {
    if (!OutputToFile->isChecked() || OutputFileName->text().isEmpty()) {
        return;
    }
    const std::string path = OutputFileName->text().toStdString();
    // The designer's start-up design is a band pass (design type 0).
    if (!output.OpenTimeDomain(path, settings, withFilter, 0)) {
        // The user asked for a file: say so once, and let the run go on without writing.
        services.Message(this, QMessageBox::Critical, QStringLiteral("DSP Error"),
                         Text(CouldNotCreateOutputFileText(path)), QMessageBox::Ok);
    }
}

void TDSPMainForm::CloseOutput() {
    if (output.IsOpen() && !output.Close()) {
        services.Message(this, QMessageBox::Critical, QStringLiteral("DSP Error"),
                         QStringLiteral("Could not write the output file ") +
                             OutputFileName->text(),
                         QMessageBox::Ok);
    }
}
