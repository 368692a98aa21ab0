#include "gui/tools/Analoguefiltersmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"

#include "gui/services/Guarded.h"
#include "gui/services/UiServices.h"
#include "gui/tools/Graph.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kOhm = QStringLiteral(" (kΩ)");
const QString nF = QStringLiteral(" (nF)");

QString R(const char *name) {
    return QString::fromUtf8(name) + kOhm;
}
QString C(const char *name) {
    return QString::fromUtf8(name) + nF;
}

const QString omegaCaption = QStringLiteral("ω₀ (krad/s)");
const QString frequencyCaption = QStringLiteral("f₀ (kHz)");
const QString dampingCaption = QStringLiteral("ζ");
const QString gainCaption = QStringLiteral("A₀");
const QString bandwidthCaption = QStringLiteral("B (krad/s)");
const QString qualityCaption = QStringLiteral("Q");

const QString denominator = QStringLiteral("s² + 2ζω₀·s + ω₀²");
const QString bandDenominator = QStringLiteral("s² + B·s + ω₀²");
const QString commonLegend =
    QStringLiteral("ω₀: angular frequency (krad/s)    f₀ = ω₀/2π (kHz)    ζ: damping    A₀: gain");
const QString bandLegend =
    QStringLiteral("B = 2ζω₀: bandwidth (krad/s)    Q = ω₀/B = 1/(2ζ): quality factor");
const QString gainLegend = QStringLiteral("amplifier gain K = 1 + Rf/Rin");

using Buttons = std::vector<std::pair<QPushButton **, const char *>>;

const QString lowPassLabels[] = {QStringLiteral("R1 (kΩ)"), QStringLiteral("C2 (nF)"),
                                 QStringLiteral("R3 (kΩ)"), QStringLiteral("C5 (nF)"),
                                 QStringLiteral("R4 (kΩ)")};
const QString highPassLabels[] = {QStringLiteral("C1 (nF)"), QStringLiteral("R2 (kΩ)"),
                                  QStringLiteral("C3 (nF)"), QStringLiteral("R5 (kΩ)"),
                                  QStringLiteral("C4 (nF)")};
const QString bandPassLabels[] = {QStringLiteral("R1 (kΩ)"), QStringLiteral("R2 (kΩ)"),
                                  QStringLiteral("C3 (nF)"), QStringLiteral("R5 (kΩ)"),
                                  QStringLiteral("C4 (nF)")};

} // namespace

TAnalogueFiltersForm::TAnalogueFiltersForm(UiServices &services_, TGraphForm &graph_,
                                           QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      services(services_), graph(graph_) {
    setObjectName(QStringLiteral("AnalogueFiltersForm"));
    setWindowTitle(QStringLiteral("(KALDOR) Analog 2nd Order Active Filters Design"));
    CreateControls();
    resize(1120, 660);
    ConnectHandlers();
    FormCreate();
}

TAnalogueFiltersForm::~TAnalogueFiltersForm() {
    // Destroying the fields changes no text, but their handlers must not outlive the members.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
        child->removeEventFilter(this);
    }
}

void TAnalogueFiltersForm::FormCreate() {
    PageControl1->setCurrentWidget(LowPass_Tab);
}

// ---------------------------------------------------------------------------------------------
// Layout

void TAnalogueFiltersForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    PageControl1 = named<QTabWidget>(this, "PageControl1");
    outer->addWidget(PageControl1);
    CreateLowAndHighPassTabs();
    CreateBandTabs();
    CreateNonInvertingTabs();
    CreateRcTabs();

    // Written only by the program; its value decides whether the Bode button shows.
    NBA0->setEnabled(false);
    NBPFGraph->setVisible(false);
    DiffGraph->setVisible(false);
    IntGraph->setVisible(false);
}

// The inverting (multiple feedback) low and high passes.
void TAnalogueFiltersForm::CreateLowAndHighPassTabs() {
    CreateTab({&LowPass_Tab,
               "LowPass_Tab",
               QStringLiteral("&Low Pass (Inv.)"),
               QStringLiteral("Low Pass Inverting 2nd Order Active Filter"),
               {400, 200},
               [](SchematicPainter &p) { DrawMultipleFeedback(p, "RCRCR", lowPassLabels); },
               Formula(QStringLiteral("−A₀·ω₀²"), denominator, {}, {}, QStringList{commonLegend}),
               {{&LR1, "LR1", R("R1")},
                {&LC2, "LC2", C("C2")},
                {&LR3, "LR3", R("R3")},
                {&LR4, "LR4", R("R4")},
                {&LC5, "LC5", C("C5")}},
               {{&LW0, "LW0", omegaCaption},
                {&LF0, "LF0", frequencyCaption},
                {&LZ, "LZ", dampingCaption},
                {&LA0, "LA0", gainCaption}},
               Buttons{{&LTransfer, "LTransfer"},
                       {&LComponents, "LComponents"},
                       {&LMultiply, "LMultiply"},
                       {&LDivide, "LDivide"},
                       {&LPFGraph, "LPFGraph"}},
               &LFactor,
               "LFactor"});
    CreateTab({&HighPass_Tab,
               "HighPass_Tab",
               QStringLiteral("&High Pass (Inv.)"),
               QStringLiteral("High Pass Inverting 2nd Order Active Filter"),
               {400, 200},
               [](SchematicPainter &p) { DrawMultipleFeedback(p, "CRCRC", highPassLabels); },
               Formula(QStringLiteral("−A₀·s²"), denominator, {}, {}, QStringList{commonLegend}),
               {{&HC1, "HC1", C("C1")},
                {&HR2, "HR2", R("R2")},
                {&HC3, "HC3", C("C3")},
                {&HC4, "HC4", C("C4")},
                {&HR5, "HR5", R("R5")}},
               {{&HW0, "HW0", omegaCaption},
                {&HF0, "HF0", frequencyCaption},
                {&HZ, "HZ", dampingCaption},
                {&HA0, "HA0", gainCaption}},
               Buttons{{&HTransfer, "HTransfer"},
                       {&HComponents, "HComponents"},
                       {&HMultiply, "HMultiply"},
                       {&HDivide, "HDivide"},
                       {&HPFGarph, "HPFGarph"}},
               &HFactor,
               "HFactor"});
}

// The inverting band pass and band reject.
void TAnalogueFiltersForm::CreateBandTabs() {
    CreateTab({&BandPass_Tab,
               "BandPass_Tab",
               QStringLiteral("&Band Pass (Inv.)"),
               QStringLiteral("Band Pass Inverting 2nd Order Active Filter"),
               {400, 200},
               [](SchematicPainter &p) { DrawMultipleFeedback(p, "RRCRC", bandPassLabels); },
               Formula(QStringLiteral("−2A₀ζω₀·s"), denominator, QStringLiteral("−A₀B·s"),
                       bandDenominator, QStringList{commonLegend, bandLegend}),
               {{&BR1, "BR1", R("R1")},
                {&BR2, "BR2", R("R2")},
                {&BC3, "BC3", C("C3")},
                {&BC4, "BC4", C("C4")},
                {&BR5, "BR5", R("R5")}},
               {{&BW0, "BW0", omegaCaption},
                {&BF0, "BF0", frequencyCaption},
                {&BB, "BB", bandwidthCaption},
                {&BQ, "BQ", qualityCaption},
                {&BZ, "BZ", dampingCaption},
                {&BA0, "BA0", gainCaption}},
               Buttons{{&BTransfer, "BTransfer"},
                       {&BComponents, "BComponents"},
                       {&BMultiply, "BMultiply"},
                       {&BDivide, "BDivide"},
                       {&BPFGraph, "BPFGraph"}},
               &BFactor,
               "BFactor"});
    CreateTab(
        {&BandReject_Tab,
         "BandReject_Tab",
         QStringLiteral("band&Reject (Inv.)"),
         QStringLiteral("Band Reject Inverting 2nd Order Active Filter"),
         {480, 225},
         &DrawBandReject,
         Formula(QStringLiteral("−A₀(s² + ω₀²)"), denominator, QStringLiteral("−A₀(s² + ω₀²)"),
                 bandDenominator, QStringList{commonLegend, bandLegend}),
         {{&RR1, "RR1", R("R1")},
          {&RR2, "RR2", R("R2")},
          {&RC1, "RC1", C("C1")},
          {&RC2, "RC2", C("C2")},
          {&RR3, "RR3", R("R3")},
          {&RR4, "RR4", R("R4")}},
         {{&RW0, "RW0", omegaCaption},
          {&RF0, "RF0", frequencyCaption},
          {&RB, "RB", bandwidthCaption},
          {&RQ, "RQ", qualityCaption},
          {&RZ, "RZ", dampingCaption},
          {&RA0, "RA0", gainCaption}},
         Buttons{{&RTransfer, "RTransfer"},
                 {&RComponents, "RComponents"},
                 {&RMultiply, "RMultiply"},
                 {&RDivide, "RDivide"},
                 {&BRFGraph, "BRFGraph"}},
         &RFactor,
         "RFactor"});
}

// The non-inverting low, high and band passes.
void TAnalogueFiltersForm::CreateNonInvertingTabs() {
    CreateTab({&NLowPass_Tab,
               "NLowPass_Tab",
               QStringLiteral("L&Ow Pass (Non-Inv.)"),
               QStringLiteral("Low Pass Non-Inverting 2nd Order Active Filter"),
               {380, 240},
               [](SchematicPainter &p) { DrawSallenKey(p, false); },
               Formula(QStringLiteral("A₀·ω₀²"), denominator, {}, {}, {commonLegend, gainLegend}),
               {{&NLR1, "NLR1", R("R1")},
                {&NLR2, "NLR2", R("R2")},
                {&NLC3, "NLC3", C("C3")},
                {&NLC4, "NLC4", C("C4")},
                {&NLRIN, "NLRIN", R("Rin")},
                {&NLRF, "NLRF", R("Rf")}},
               {{&NLW0, "NLW0", omegaCaption},
                {&NLF0, "NLF0", frequencyCaption},
                {&NLZ, "NLZ", dampingCaption},
                {&NLA0, "NLA0", gainCaption}},
               Buttons{{&NLTransfer, "NLTransfer"},
                       {&NLComponents, "NLComponents"},
                       {&NLMultiply, "NLMultiply"},
                       {&NLDivide, "NLDivide"},
                       {&NLPFGraph, "NLPFGraph"}},
               &NLFactor,
               "NLFactor"});
    CreateTab({&NHighPass_Tab,
               "NHighPass_Tab",
               QStringLiteral("hi&Gh Pass (Non-Inv.)"),
               QStringLiteral("High Pass Non-Inverting 2nd Order Active Filter"),
               {380, 240},
               [](SchematicPainter &p) { DrawSallenKey(p, true); },
               Formula(QStringLiteral("A₀·s²"), denominator, {}, {}, {commonLegend, gainLegend}),
               {{&NHC1, "NHC1", C("C1")},
                {&NHC2, "NHC2", C("C2")},
                {&NHR3, "NHR3", R("R3")},
                {&NHR4, "NHR4", R("R4")},
                {&NHRIN, "NHRIN", R("Rin")},
                {&NHRF, "NHRF", R("Rf")}},
               {{&NHW0, "NHW0", omegaCaption},
                {&NHF0, "NHF0", frequencyCaption},
                {&NHZ, "NHZ", dampingCaption},
                {&NHA0, "NHA0", gainCaption}},
               Buttons{{&NHTransfer, "NHTransfer"},
                       {&NHComponents, "NHComponents"},
                       {&NHMultiply, "NHMultiply"},
                       {&NHDivide, "NHDivide"},
                       {&NHPFGraph, "NHPFGraph"}},
               &NHFactor,
               "NHFactor"});
    CreateTab({&NBandPass_Tab,
               "NBandPass_Tab",
               QStringLiteral("ba&Nd Pass (Non-Inv.)"),
               QStringLiteral("Band Pass Non-Inverting 2nd Order Active Filter"),
               {380, 240},
               &DrawNonInvertingBandPass,
               Formula(QStringLiteral("2A₀ζω₀·s"), denominator, QStringLiteral("A₀B·s"),
                       bandDenominator, {commonLegend, bandLegend, gainLegend}),
               {{&NBR1, "NBR1", R("R1")},
                {&NBR2, "NBR2", R("R2")},
                {&NBC1, "NBC1", C("C1")},
                {&NBC2, "NBC2", C("C2")},
                {&NBRIN, "NBRIN", R("Rin")},
                {&NBRF, "NBRF", R("Rf")}},
               {{&NBW0, "NBW0", omegaCaption},
                {&NBF0, "NBF0", frequencyCaption},
                {&NBB, "NBB", bandwidthCaption},
                {&NBQ, "NBQ", qualityCaption},
                {&NBZ, "NBZ", dampingCaption},
                {&NBA0, "NBA0", gainCaption}},
               Buttons{{&NBTransfer, "NBTransfer"},
                       {&NBComponents, "NBComponents"},
                       {&NBMultiply, "NBMultiply"},
                       {&NBDivide, "NBDivide"},
                       {&NBPFGraph, "NBPFGraph"}},
               &NBFactor,
               "NBFactor"});
}

// The differentiator and the integrator.
void TAnalogueFiltersForm::CreateRcTabs() {
    const QStringList rcLegend{
        QStringLiteral("ω₀ = 1/(R·C): angular frequency (krad/s)    f₀ = ω₀/2π (kHz)")};
    CreateTab({&Differentiator,
               "Differentiator",
               QStringLiteral("Differentiator"),
               QStringLiteral("Analogue Differentiator"),
               {330, 170},
               [](SchematicPainter &p) { DrawRc(p, true); },
               Formula(QStringLiteral("−s"), QStringLiteral("ω₀"), {}, {}, rcLegend),
               {{&DiffR, "DiffR", R("R")}, {&DiffC, "DiffC", C("C")}},
               {{&DiffW0, "DiffW0", omegaCaption}, {&DiffF0, "DiffF0", frequencyCaption}},
               Buttons{{&DiffTransfer, "DiffTransfer"},
                       {&DiffComponents, "DiffComponents"},
                       {&DiffGraph, "DiffGraph"}},
               nullptr,
               nullptr});
    CreateTab({&Integrator,
               "Integrator",
               QStringLiteral("Integrator"),
               QStringLiteral("Analogue Integrator"),
               {330, 170},
               [](SchematicPainter &p) { DrawRc(p, false); },
               Formula(QStringLiteral("−ω₀"), QStringLiteral("s"), {}, {}, rcLegend),
               {{&IntR, "IntR", R("R")}, {&IntC, "IntC", C("C")}},
               {{&IntW0, "IntW0", omegaCaption}, {&IntF0, "IntF0", frequencyCaption}},
               Buttons{{&IntTransfer, "IntTransfer"},
                       {&IntComponents, "IntComponents"},
                       {&IntGraph, "IntGraph"}},
               nullptr,
               nullptr});
}

void TAnalogueFiltersForm::CreateTab(const TabLayout &page) {
    QWidget *tab = named<QWidget>(PageControl1, page.tabName);
    *page.tab = tab;
    PageControl1->addTab(tab, page.caption);

    auto *grid = new QGridLayout(tab);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(10);

    auto *heading = new QLabel(page.heading, tab);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    heading->setFont(headingFont);
    grid->addWidget(heading, 0, 0, 1, 2);

    auto *schematic = new SchematicView(tab);
    schematic->SetDrawing(page.schematicSize, page.schematic);
    grid->addWidget(schematic, 1, 0, 2, 1);
    auto *formula = new SchematicView(tab);
    formula->SetDrawing({520, 96}, page.formula);
    formula->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    grid->addWidget(formula, 3, 0);

    grid->addWidget(EditGroup(tab, QStringLiteral("Components"), page.components), 1, 1);
    grid->addWidget(EditGroup(tab, QStringLiteral("Transfer Function"), page.parameters), 2, 1);

    if (page.factor != nullptr) {
        CreateScaleFactor(grid, tab, page);
    }

    static const QString captions[] = {
        QStringLiteral("Calculate &Transfer Function"), QStringLiteral("Calculate &Components"),
        QStringLiteral("&Multiply"), QStringLiteral("&Divide"), QStringLiteral("&Bode Plot")};
    auto *buttons = new QHBoxLayout;
    const bool scalable = page.buttons.size() == 5;
    for (std::size_t i = 0; i < page.buttons.size(); ++i) {
        // Without Multiply and Divide the third button is the Bode plot's.
        const std::size_t caption = (!scalable && i == 2) ? 4 : i;
        QPushButton *button = named<QPushButton>(tab, page.buttons[i].second);
        button->setText(captions[caption]);
        button->setAutoDefault(false);
        *page.buttons[i].first = button;
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
}

QGroupBox *TAnalogueFiltersForm::EditGroup(QWidget *tab, const QString &title,
                                           const std::vector<EditSpec> &edits) {
    auto *group = new QGroupBox(title, tab);
    auto *form = new QGridLayout(group);
    form->setVerticalSpacing(3);
    int row = 0;
    for (const EditSpec &e : edits) {
        NumberEdit *edit = named<NumberEdit>(group, e.name);
        edit->SetKeyFilter(true);
        edit->setMinimumWidth(130);
        *e.edit = edit;
        auto *label = new QLabel(e.caption, group);
        label->setBuddy(edit);
        // Messages about the field name it by its label.
        edit->setAccessibleName(e.caption);
        form->addWidget(label, row, 0);
        form->addWidget(edit, row, 1);
        ++row;
    }
    form->setRowStretch(row, 1);
    return group;
}

// The scale factor of the tabs that multiply and divide the components.
void TAnalogueFiltersForm::CreateScaleFactor(QGridLayout *grid, QWidget *tab,
                                             const TabLayout &page) {
    grid->addWidget(new QLabel(QStringLiteral("Resistors Kilo Ohms  Capacitors Nano Farads"), tab),
                    4, 0);
    auto *scale = new QHBoxLayout;
    scale->addStretch(1);
    auto *label = new QLabel(QStringLiteral("Scale Factor (fxR or C/f):"), tab);
    scale->addWidget(label);
    NumberEdit *factor = named<NumberEdit>(tab, page.factorName);
    label->setBuddy(factor);
    factor->setAccessibleName(QStringLiteral("Scale Factor (fxR or C/f)"));
    factor->SetKeyFilter(true);
    factor->setText(QStringLiteral("1"));
    factor->setFixedWidth(90);
    *page.factor = factor;
    scale->addWidget(factor);
    grid->addLayout(scale, 4, 1);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TAnalogueFiltersForm::ConnectHandlers() {
    auto onClick = [this](QPushButton *b, void (TAnalogueFiltersForm::*handler)()) {
        connect(b, &QPushButton::clicked, this, guarded(this, services, handler));
    };
    onClick(LTransfer, &TAnalogueFiltersForm::LTransferClick);
    onClick(HTransfer, &TAnalogueFiltersForm::HTransferClick);
    onClick(BTransfer, &TAnalogueFiltersForm::BTransferClick);
    onClick(RTransfer, &TAnalogueFiltersForm::RTransferClick);
    onClick(NLTransfer, &TAnalogueFiltersForm::NLTransferClick);
    onClick(NHTransfer, &TAnalogueFiltersForm::NHTransferClick);
    onClick(NBTransfer, &TAnalogueFiltersForm::NBTransferClick);
    onClick(DiffTransfer, &TAnalogueFiltersForm::DiffTransferClick);
    onClick(IntTransfer, &TAnalogueFiltersForm::IntTransferClick);
    onClick(LComponents, &TAnalogueFiltersForm::LComponentsClick);
    onClick(HComponents, &TAnalogueFiltersForm::HComponentsClick);
    onClick(BComponents, &TAnalogueFiltersForm::BComponentsClick);
    onClick(RComponents, &TAnalogueFiltersForm::RComponentsClick);
    onClick(NLComponents, &TAnalogueFiltersForm::NLComponentsClick);
    onClick(NHComponents, &TAnalogueFiltersForm::NHComponentsClick);
    onClick(NBComponents, &TAnalogueFiltersForm::NBComponentsClick);
    onClick(DiffComponents, &TAnalogueFiltersForm::DiffComponentsClick);
    onClick(IntComponents, &TAnalogueFiltersForm::IntComponentsClick);
    onClick(LMultiply, &TAnalogueFiltersForm::LMultiplyClick);
    onClick(HMultiply, &TAnalogueFiltersForm::HMultiplyClick);
    onClick(BMultiply, &TAnalogueFiltersForm::BMultiplyClick);
    onClick(RMultiply, &TAnalogueFiltersForm::RMultiplyClick);
    onClick(NLMultiply, &TAnalogueFiltersForm::NLMultiplyClick);
    onClick(NHMultiply, &TAnalogueFiltersForm::NHMultiplyClick);
    onClick(NBMultiply, &TAnalogueFiltersForm::NBMultiplyClick);
    onClick(LDivide, &TAnalogueFiltersForm::LDivideClick);
    onClick(HDivide, &TAnalogueFiltersForm::HDivideClick);
    onClick(BDivide, &TAnalogueFiltersForm::BDivideClick);
    onClick(RDivide, &TAnalogueFiltersForm::RDivideClick);
    onClick(NLDivide, &TAnalogueFiltersForm::NLDivideClick);
    onClick(NHDivide, &TAnalogueFiltersForm::NHDivideClick);
    onClick(NBDivide, &TAnalogueFiltersForm::NBDivideClick);
    for (QPushButton *b : {LPFGraph, HPFGarph, BPFGraph, BRFGraph, NLPFGraph, NHPFGraph, NBPFGraph,
                           DiffGraph, IntGraph}) {
        onClick(b, &TAnalogueFiltersForm::LPFGraphClick);
    }

    const std::pair<NumberEdit *, void (TAnalogueFiltersForm::*)()> linked[] = {
        {LW0, &TAnalogueFiltersForm::LW0Change},
        {LF0, &TAnalogueFiltersForm::LF0Change},
        {HW0, &TAnalogueFiltersForm::HW0Change},
        {HF0, &TAnalogueFiltersForm::HF0Change},
        {BW0, &TAnalogueFiltersForm::BW0Change},
        {BF0, &TAnalogueFiltersForm::BF0Change},
        {RW0, &TAnalogueFiltersForm::RW0Change},
        {RF0, &TAnalogueFiltersForm::RF0Change},
        {NLW0, &TAnalogueFiltersForm::NLW0Change},
        {NLF0, &TAnalogueFiltersForm::NLF0Change},
        {NHW0, &TAnalogueFiltersForm::NHW0Change},
        {NHF0, &TAnalogueFiltersForm::NHF0Change},
        {NBW0, &TAnalogueFiltersForm::NBW0Change},
        {NBF0, &TAnalogueFiltersForm::NBF0Change},
        {DiffW0, &TAnalogueFiltersForm::DiffW0Change},
        {DiffF0, &TAnalogueFiltersForm::DiffF0Change},
        {IntW0, &TAnalogueFiltersForm::IntW0Change},
        {IntF0, &TAnalogueFiltersForm::IntF0Change},
        {BB, &TAnalogueFiltersForm::BBChange},
        {BQ, &TAnalogueFiltersForm::BQChange},
        {BZ, &TAnalogueFiltersForm::BZChange},
        {RB, &TAnalogueFiltersForm::RBChange},
        {RQ, &TAnalogueFiltersForm::RQChange},
        {RZ, &TAnalogueFiltersForm::RZChange},
        {NBB, &TAnalogueFiltersForm::NBBChange},
        {NBQ, &TAnalogueFiltersForm::NBQChange},
        {NBZ, &TAnalogueFiltersForm::NBZChange},
    };
    for (const auto &[edit, handler] : linked) {
        connect(edit, &QLineEdit::textChanged, this, guarded(this, services, handler));
        edit->installEventFilter(this);
        linkedEdits.push_back(edit);
    }
    connect(NBA0, &QLineEdit::textChanged, this,
            guarded(this, services, &TAnalogueFiltersForm::NBA0Change));
}

bool TAnalogueFiltersForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyRelease) {
        for (NumberEdit *edit : linkedEdits) {
            if (watched == edit) {
                RW0KeyUp();
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The components other windows use

namespace {

// A component field in SI units; `unit` is what one of the field's units is worth.
double Component(const NumberEdit *edit, double unit) {
    const std::string text = edit->text().toStdString();
    double value = 0.0;
    if (!kaldorium::TryParseDouble(text, value)) {
        throw kaldorium::ConversionError(edit->accessibleName().toStdString() + ": " +
                                         kaldorium::ConversionError::NotAFloat(text).what());
    }
    return value * unit;
}

constexpr double Kilo = 1e3;
constexpr double Nano = 1e-9;

} // namespace

kaldorium::InvertingLowPass TAnalogueFiltersForm::InvertingLowPassComponents() const {
    return {Component(LR1, Kilo), Component(LC2, Nano), Component(LR3, Kilo), Component(LR4, Kilo),
            Component(LC5, Nano)};
}

kaldorium::NonInvertingLowPass TAnalogueFiltersForm::NonInvertingLowPassComponents() const {
    kaldorium::NonInvertingLowPass c{};
    c.r1 = Component(NLR1, Kilo);
    c.r2 = Component(NLR2, Kilo);
    c.c3 = Component(NLC3, Nano);
    c.c4 = Component(NLC4, Nano);
    c.rin = Component(NLRIN, Kilo);
    c.rf = Component(NLRF, Kilo);
    return c;
}
