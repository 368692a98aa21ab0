#include "workbench/Dspmain.h"

#include "widgets/Named.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"
#include "workbench/DspmainText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace kaldorium;
using namespace dspmain;

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

    // Controls that runs and selections hide keep their place, so nothing else moves.
    for (QWidget *w : std::initializer_list<QWidget *>{
             oDFT, oFFT, fDFT, fFFT, StepResponse, ImpulseResponse, DigitalFiltersDesign,
             sfFrequency, sQfactor, sfAmplification, fFrequencyI, QfactorI, fAmplificationI, Label1,
             Label2, Label3, DesignNetwork}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    runTimer = named<QTimer>(this, "runTimer");
    runTimer->setInterval(0);
    responseTimer = named<QTimer>(this, "responseTimer");
    responseTimer->setInterval(0);
}
