#include "gui/workbench/Dspmain.h"

#include "gui/services/ChunkDriver.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/workbench/DspmainText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace kaldorium;
using namespace dspmain;
using namespace controls;

// ---------------------------------------------------------------------------------------------
// Layout

namespace {

// A read-out as wide as the widest text it shows.
NumberEdit *ReadOut(QWidget *parent, const char *name, const char *widest) {
    NumberEdit *edit = controls::ReadOut(parent, name, 58);
    edit->setFixedWidth(std::max(58, FieldWidthFor(edit, QString::fromLatin1(widest))));
    return edit;
}

// Hidden controls keep their place, so showing or hiding them moves and resizes nothing.
void KeepPlaceWhenHidden(std::initializer_list<QWidget *> widgets) {
    for (QWidget *w : widgets) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
}

} // namespace

void TDSPMainForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    CreateMenus(outer);

    Panel1 = named<QWidget>(this, "Panel1");
    auto *panel1Layout = new QHBoxLayout(Panel1);
    panel1Layout->setContentsMargins(2, 2, 2, 2);
    panel1Layout->setSpacing(3);
    outer->addWidget(Panel1);
    CreateOscillatorGroup(panel1Layout);
    CreateFilterGroup(panel1Layout);
    CreateScalePanel(outer);
    CreateDisplay(outer);

    // Hidden at start.
    for (QWidget *w : std::initializer_list<QWidget *>{
             DutyCycleLabel,    soDutyCycle,       oDutyCycleI,         InputFileLabel,
             InputFileName,     GetInputFile,      EditInputFile,       filter.sSN_Label,
             filter.sSN_Ratio,  filter.NoiseGroup, Modulate_Group,      ModulationFactorLabel,
             sModulationFactor, ModulationFactorI, filter.RectifyGroup, OutputFileLabel,
             OutputFileName,    GetOutputFile,     EditOutputFile,      DesignNetwork}) {
        w->setVisible(false);
    }

    // Every control that a selection, an option box or a run shows or hides keeps its place:
    // the window keeps its size and the display its picture.
    KeepPlaceWhenHidden({DutyCycleLabel,
                         soDutyCycle,
                         oDutyCycleI,
                         InputFileLabel,
                         InputFileName,
                         GetInputFile,
                         EditInputFile,
                         filter.sSN_Label,
                         filter.sSN_Ratio,
                         filter.NoiseGroup,
                         Modulate_Group,
                         ModulationFactorLabel,
                         sModulationFactor,
                         ModulationFactorI,
                         filter.RectifyGroup,
                         OutputFileLabel,
                         OutputFileName,
                         GetOutputFile,
                         EditOutputFile,
                         DesignNetwork,
                         oDFT,
                         oFFT,
                         fDFT,
                         fFFT,
                         StepResponse,
                         ImpulseResponse,
                         DigitalFiltersDesign,
                         MakeBodePlot,
                         filter.sfFrequency,
                         filter.sQfactor,
                         filter.sfAmplification,
                         filter.fFrequencyI,
                         filter.QfactorI,
                         filter.fAmplificationI,
                         filter.Label1,
                         filter.Label2,
                         filter.Label3,
                         Modulate,
                         FileData,
                         traces.TimeScaleLabel});

    runDriver = std::make_unique<ChunkDriver>(this, services, QStringLiteral("runTimer"),
                                              WorkbenchRun::ChunkSamples);
    responseDriver = std::make_unique<ChunkDriver>(this, services, QStringLiteral("responseTimer"),
                                                   ResponseRun::ChunkSamples);
}

void TDSPMainForm::CreateOscillatorGroup(QHBoxLayout *panel) {
    OscillatorSpecs = named<QGroupBox>(Panel1, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("Oscillator Specifications"));
    panel->addWidget(OscillatorSpecs);
    auto *oscLayout = new QHBoxLayout(OscillatorSpecs);
    oscLayout->setContentsMargins(4, 2, 4, 2);
    QWidget *g = OscillatorSpecs;

    // One grid: parameter rows (columns 0-2), the run buttons and the noise (3); the input file
    // row at the bottom spans them, as no other row has room for a file name and two buttons.
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(3);
    soFrequency = NumberField(g, "soFrequency", "2000", true);
    oFrequencyI = named<Stepper>(g, "oFrequencyI");
    soAmplitude = NumberField(g, "soAmplitude", "1", true);
    oAmplitudeI = named<Stepper>(g, "oAmplitudeI");
    soSamples = NumberField(g, "soSamples", "20", true);
    oSamplesI = named<Stepper>(g, "oSamplesI");
    oT = NumberField(g, "oT", "0.000025", true);
    oT->setReadOnly(true);
    // T has no stepper: it takes the stepper's column too, room for six digits.
    oT->setMinimumWidth(FieldWidthFor(oT, QStringLiteral("0.000888889")));
    oT->setMaximumWidth(QWIDGETSIZE_MAX);
    soDC_Offset = NumberField(g, "soDC_Offset", "0", true);
    oDC_OffsetI = named<Stepper>(g, "oDC_OffsetI");
    DutyCycleLabel = named<QLabel>(g, "DutyCycleLabel", QStringLiteral("Duty Cycle %"));
    soDutyCycle = NumberField(g, "soDutyCycle", "50", true);
    oDutyCycleI = named<Stepper>(g, "oDutyCycleI");
    Range_Field_Display1 = ReadOut(g, "Range_Field_Display1", "99999.00000");
    RMS_Field_Display1 = ReadOut(g, "RMS_Field_Display1", "99999.00000");
    struct Parameter {
        QWidget *label, *field, *stepper;
    };
    const Parameter parameters[] = {
        {Caption(g, QStringLiteral("Frequency (Hz)")), soFrequency, oFrequencyI},
        {Caption(g, QStringLiteral("Amplitude")), soAmplitude, oAmplitudeI},
        {Caption(g, QStringLiteral("Samples/Cycle")), soSamples, oSamplesI},
        {Caption(g, QStringLiteral("T (secs)")), oT, nullptr},
        {Caption(g, QStringLiteral("DC Offset")), soDC_Offset, oDC_OffsetI},
        {DutyCycleLabel, soDutyCycle, oDutyCycleI},
        {Caption(g, QStringLiteral("Range ")), Range_Field_Display1, nullptr},
        {Caption(g, QStringLiteral("RMS")), RMS_Field_Display1, nullptr}};
    int row = 0;
    for (const Parameter &p : parameters) {
        grid->addWidget(p.label, row, 0);
        if (p.stepper != nullptr) {
            grid->addWidget(p.field, row, 1);
            grid->addWidget(p.stepper, row, 2);
        } else {
            grid->addWidget(p.field, row, 1, 1, 2, Qt::AlignLeft);
        }
        ++row;
    }

    InputFileLabel = named<QLabel>(g, "InputFileLabel", QStringLiteral("Input File"));
    InputFileName = named<NumberEdit>(g, "InputFileName");
    InputFileName->setReadOnly(true);
    InputFileName->setMinimumWidth(60);
    GetInputFile = Button(g, "GetInputFile", "File");
    EditInputFile = Button(g, "EditInputFile", "Edit");
    GetInputFile->setFixedWidth(38);
    EditInputFile->setFixedWidth(38);
    grid->addWidget(InputFileLabel, row, 0);
    QHBoxLayout *fileRow = Row({InputFileName, GetInputFile, EditInputFile});
    fileRow->setStretch(0, 1);
    grid->addLayout(fileRow, row, 1, 1, 3);

    CreateOscillatorButtons(grid);
    grid->setRowStretch(row + 1, 1);
    oscLayout->addLayout(grid);
    CreateWaveforms(oscLayout);
}

// The run buttons and the noise, in the parameter grid's last column.
void TDSPMainForm::CreateOscillatorButtons(QGridLayout *grid) {
    QWidget *g = OscillatorSpecs;
    oTest = Button(g, "oTest", "Test");
    oDFT = Button(g, "oDFT", "DFT");
    oFFT = Button(g, "oFFT", "FFT");
    WaveFiles = Button(g, "WaveFiles", "WAVs");
    for (QPushButton *b : {oTest, oDFT, oFFT, WaveFiles}) {
        b->setFixedWidth(64);
    }
    filter.CreateNoise(g, QBoxLayout::TopToBottom);
    filter.sSN_Ratio->setFixedWidth(60);
    grid->addWidget(oTest, 0, 3, Qt::AlignLeft);
    grid->addWidget(oDFT, 1, 3, Qt::AlignLeft);
    grid->addWidget(oFFT, 2, 3, Qt::AlignLeft);
    grid->addWidget(WaveFiles, 3, 3, Qt::AlignLeft);
    grid->addWidget(filter.AddNoise, 4, 3);
    QHBoxLayout *snRow = Row({filter.sSN_Label, filter.sSN_Ratio});
    snRow->addStretch();
    grid->addLayout(snRow, 5, 3);
    grid->addWidget(filter.NoiseGroup, 6, 3, 2, 1);
}

void TDSPMainForm::CreateWaveforms(QHBoxLayout *group) {
    QWidget *g = OscillatorSpecs;
    auto *oscRight = new QVBoxLayout;
    oscRight->setSpacing(1);
    auto *waveforms = new QButtonGroup(this);
    SineWave = Radio(g, "SineWave", "SineWave");
    SquareWave = Radio(g, "SquareWave", "SquareWave");
    SawTooth = Radio(g, "SawTooth", "SawTooth");
    FSawTooth = Radio(g, "FSawTooth", "Faulty SawTooth");
    Triangle = Radio(g, "Triangle", "Triangle");
    FTriangle = Radio(g, "FTriangle", "Faulty Triangle");
    FileData = Radio(g, "FileData", "Data From File");
    for (QRadioButton *r :
         {SineWave, SquareWave, SawTooth, FSawTooth, Triangle, FTriangle, FileData}) {
        waveforms->addButton(r);
        oscRight->addWidget(r);
    }
    SineWave->setChecked(true);
    // Modulation below the waveforms, each part on a row of its own: beside the check box the
    // AM/FM group would widen the column when it appears.
    Modulate = Check(g, "Modulate", "Modulate");
    Modulate_Group = named<QGroupBox>(g, "Modulate_Group");
    auto *modLayout = new QHBoxLayout(Modulate_Group);
    modLayout->setContentsMargins(4, 0, 4, 0);
    AM_Modulate = Radio(Modulate_Group, "AM_Modulate", "AM");
    FM_Modulate = Radio(Modulate_Group, "FM_Modulate", "FM");
    AM_Modulate->setChecked(true);
    FM_Modulate->setEnabled(false);
    modLayout->addWidget(AM_Modulate);
    modLayout->addWidget(FM_Modulate);
    ModulationFactorLabel = named<QLabel>(g, "ModulationFactorLabel", QStringLiteral("Factor %"));
    sModulationFactor = NumberField(g, "sModulationFactor", "100", true);
    sModulationFactor->setFixedWidth(44);
    sModulationFactor->setReadOnly(true);
    ModulationFactorI = named<Stepper>(g, "ModulationFactorI");
    ModulationFactorI->SetRange(1, 100, 100);
    oscRight->addWidget(Modulate);
    QHBoxLayout *modRow = Row({Modulate_Group});
    modRow->addStretch();
    oscRight->addLayout(modRow);
    QHBoxLayout *factorRow = Row({ModulationFactorLabel, sModulationFactor, ModulationFactorI});
    factorRow->addStretch();
    oscRight->addLayout(factorRow);
    oscRight->addStretch();
    group->addLayout(oscRight);
}

void TDSPMainForm::CreateFilterGroup(QHBoxLayout *panel) {
    Filter_Specs = named<QGroupBox>(Panel1, "Filter_Specs");
    Filter_Specs->setTitle(QStringLiteral("Filter Specifications"));
    panel->addWidget(Filter_Specs);
    auto *filterLayout = new QHBoxLayout(Filter_Specs);
    filterLayout->setContentsMargins(4, 2, 4, 2);
    QWidget *g = Filter_Specs;
    // One grid: parameter rows (columns 0-2), run buttons and read-outs (3-4); filter kinds in a
    // column of their own.
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(3);
    filter.CreateParameters(g, "2000", "10", "2");
    fTest = Button(g, "fTest", "Test");
    fDFT = Button(g, "fDFT", "DFT");
    fFFT = Button(g, "fFFT", "FFT");
    const struct {
        QLabel *label;
        NumberEdit *field;
        Stepper *stepper;
        QPushButton *button;
    } parameters[] = {{filter.Label3, filter.sfFrequency, filter.fFrequencyI, fTest},
                      {filter.Label2, filter.sQfactor, filter.QfactorI, fDFT},
                      {filter.Label1, filter.sfAmplification, filter.fAmplificationI, fFFT}};
    int row = 0;
    for (const auto &p : parameters) {
        grid->addWidget(p.label, row, 0);
        grid->addWidget(p.field, row, 1);
        grid->addWidget(p.stepper, row, 2);
        p.button->setFixedWidth(64);
        grid->addWidget(p.button, row, 3, 1, 2, Qt::AlignRight);
        ++row;
    }

    MakeBodePlot = Button(g, "MakeBodePlot", "Bode Response");
    StepResponse = Button(g, "StepResponse", "Step Response");
    ImpulseResponse = Button(g, "ImpulseResponse", "Impulse Response");
    DigitalFiltersDesign = Button(g, "DigitalFiltersDesign", "Digital Filters Design");
    AnalogueFiltersDesign = Button(g, "AnalogueFiltersDesign", "Analogue Filters Design");
    grid->addLayout(Row({MakeBodePlot, StepResponse, ImpulseResponse}), 3, 0, 1, 5);
    grid->addLayout(Row({DigitalFiltersDesign, AnalogueFiltersDesign}), 4, 0, 1, 5);

    CreateFilterOptions(grid);
    filterLayout->addLayout(grid);
    CreateFilterKinds(filterLayout);
}

// Rectification, the output file and the filter's read-outs, below the buttons.
void TDSPMainForm::CreateFilterOptions(QGridLayout *grid) {
    QWidget *g = Filter_Specs;
    filter.CreateRectify(g);
    grid->addWidget(filter.Rectify, 5, 0, 1, 3);
    grid->addWidget(filter.RectifyGroup, 6, 0, 1, 3);
    Range_Field_Display2 = ReadOut(g, "Range_Field_Display2", "99999.00000");
    RMS_Field_Display2 = ReadOut(g, "RMS_Field_Display2", "99999.00000");
    grid->addWidget(Caption(g, QStringLiteral("Range")), 5, 3);
    grid->addWidget(Range_Field_Display2, 5, 4);
    grid->addWidget(Caption(g, QStringLiteral("RMS")), 6, 3);
    grid->addWidget(RMS_Field_Display2, 6, 4);

    // The notice of a full output file, beside its check box; two lines are kept for it, so
    // that it appears without moving anything.
    OutputToFile = Check(g, "OutputToFile", "Output To File");
    OutputLimitLabel = named<QLabel>(g, "OutputLimitLabel");
    OutputLimitLabel->setWordWrap(true);
    OutputLimitLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    OutputLimitLabel->setFixedHeight(2 * OutputLimitLabel->fontMetrics().lineSpacing());
    OutputLimitLabel->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0);"));
    QHBoxLayout *outputRow = Row({OutputToFile, OutputLimitLabel}, 6);
    outputRow->setStretch(1, 1);
    grid->addLayout(outputRow, 7, 0, 1, 5);
    OutputFileLabel = named<QLabel>(g, "OutputFileLabel", QStringLiteral("Output File"));
    OutputFileName = named<NumberEdit>(g, "OutputFileName");
    OutputFileName->setReadOnly(true);
    GetOutputFile = Button(g, "GetOutputFile", "File");
    EditOutputFile = Button(g, "EditOutputFile", "Edit");
    GetOutputFile->setFixedWidth(38);
    EditOutputFile->setFixedWidth(38);
    QHBoxLayout *outRow = Row({OutputFileLabel, OutputFileName, GetOutputFile, EditOutputFile});
    outRow->setStretch(1, 1);
    grid->addLayout(outRow, 8, 0, 1, 5);
    grid->setRowStretch(9, 1);
}

void TDSPMainForm::CreateFilterKinds(QHBoxLayout *group) {
    QWidget *g = Filter_Specs;
    auto *filterRight = new QVBoxLayout;
    filterRight->setSpacing(1);
    auto *filters = new QButtonGroup(this);
    filter.CreateKinds(g);
    DesignedFilter = Radio(g, "DesignedFilter", "Designed Filter");
    DesignNetwork = Button(g, "DesignNetwork", "");
    DesignNetwork->setText(QStringLiteral("\u2026"));
    DesignNetwork->setToolTip(QStringLiteral("Design the filter network"));
    DesignNetwork->setFixedSize(
        std::max(18, DesignNetwork->fontMetrics().horizontalAdvance(DesignNetwork->text()) + 10),
        std::max(16, DesignNetwork->fontMetrics().height() + 2));
    for (QRadioButton *r : {filter.BandPass, filter.BandReject, filter.HighPass, filter.HighPass2,
                            filter.LowPass, filter.LowPass2, DesignedFilter,
                            filter.NetworkFiltering, filter.Diffrentiate, filter.Integrate}) {
        filters->addButton(r);
        if (r == filter.NetworkFiltering) {
            QHBoxLayout *networkRow = Row({r, DesignNetwork});
            networkRow->addStretch();
            filterRight->addLayout(networkRow);
        } else {
            filterRight->addWidget(r);
        }
    }
    filterRight->addStretch();
    group->addLayout(filterRight);
}

void TDSPMainForm::CreateScalePanel(QVBoxLayout *outer) {
    Panel2 = traces.CreateTracePanel(this, "Panel2", "5");
    traces.CoupleScale->setChecked(true);
    outer->addWidget(Panel2);
}

void TDSPMainForm::CreateDisplay(QVBoxLayout *outer) {
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
    Panel4 = traces.CreateTimePanel(this, "Panel4", "5", 58);
    // Six significant digits, sign and exponent included.
    for (NumberEdit *e : {traces.ClickX, traces.ClickY}) {
        e->setFixedWidth(std::max(58, FieldWidthFor(e, QStringLiteral("-1.23457E-100"))));
    }
    outer->addWidget(Panel4);
}
