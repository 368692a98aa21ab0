#include "gui/tools/Digitalfiltersdesign.h"

#include "core/tools/BodeResponse.h"
#include "gui/services/Guarded.h"
#include "gui/tools/BodeReadout.h"
#include "gui/tools/FormulaPicture.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <numbers>

namespace {

// Window layout, in pixels of the 889 × 634 client area: the plots on the left, the controls in
// a column on the right.
constexpr int PlotLeft = 38;
constexpr int PanelLeft = 676;
constexpr int PanelWidth = 207;
constexpr int RowHeight = 24;
constexpr int FieldHeight = 21;

QLabel *Label(QWidget *parent, const char *name, const QString &text) {
    QLabel *label = name != nullptr ? named<QLabel>(parent, name) : new QLabel(parent);
    label->setText(text);
    return label;
}

// A caption written down the left edge of a plot: a narrow word-wrapped label puts each letter
// of "G a i n" on a line of its own.
QLabel *VerticalCaption(QWidget *parent, const char *name, const char *text, int y) {
    QLabel *label = Label(parent, name, QString::fromLatin1(text));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(12, y, 14, 110);
    return label;
}

NumberEdit *Field(QWidget *parent, const char *name, const char *text) {
    NumberEdit *edit = named<NumberEdit>(parent, name);
    edit->setText(QString::fromLatin1(text));
    edit->SetKeyFilter(true);
    return edit;
}

} // namespace

TDigitalFiltersForm::TDigitalFiltersForm(UiServices &services_,
                                         kaldorium::DigitalFilterDesign &design_, QWidget *parent)
    : QDialog(parent), services(services_), design(design_) {
    setWindowTitle(QStringLiteral("(KALDOR) Digital Filters Design"));
    // The stated size is where the window starts; it grows, and the plots with it.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setMinimumSize(889, 634);
    resize(889, 634);
    CreateControls();
    design.SetView(this);
    design.AttachPlots(&gainCanvas, &phaseCanvas);
    ConnectHandlers();
    DesignChanged(~0u);
    // The design activates once, so that a designed filter exists from the start; a window built
    // for a design already in use shows it as it is.
    if (!design.ready) {
        FormActivate();
    }
}

TDigitalFiltersForm::~TDigitalFiltersForm() {
    design.SetView(nullptr);
    design.AttachPlots(nullptr, nullptr);
    // Destroying the window takes the focus away from its fields, which would run their
    // handlers on a window half gone: they are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

void TDigitalFiltersForm::CreateControls() {
    CreatePlots();
    CreateSelections();
    int y = 222;
    CreateParameters(y);
    CreateCoefficients(y);
    CalcFilter = named<QPushButton>(this, "CalcFilter");
    CalcFilter->setText(QStringLiteral("Calculate fo,Ao,Q,type"));
    CalcFilter->setGeometry(PanelLeft, y, PanelWidth, 26);
    BodePlot = named<QPushButton>(this, "BodePlot");
    BodePlot->setText(QStringLiteral("Bode Plot"));
    BodePlot->setGeometry(PanelLeft, y + 30, PanelWidth, 26);
    for (QPushButton *button : {CalcFilter, BodePlot}) {
        button->setAutoDefault(false);
    }
    ShowAnalogue = named<QCheckBox>(this, "ShowAnalogue");
    ShowAnalogue->setText(QStringLiteral("Show analogue prototype"));
    ShowAnalogue->setToolTip(QStringLiteral(
        "Draws the analogue H(s) the bilinear design starts from over the Bode plot"));
    ShowAnalogue->setGeometry(PanelLeft, y + 60, PanelWidth, 22);
    CreateFixedPointControls(y + 84);
}

void TDigitalFiltersForm::CreatePlots() {
    // Plots, their captions and read-outs.
    GainPlotScreen = named<PlotImage>(this, "GainPlotScreen", gainCanvas);
    GainPlotScreen->setGeometry(PlotLeft, 2, 633, 321);
    PhasePlotScreen = named<PlotImage>(this, "PhasePlotScreen", phaseCanvas);
    PhasePlotScreen->setGeometry(PlotLeft, 342, 633, 241);
    Label14 = VerticalCaption(this, "Label14", "G a i n", 90);
    Label13 = Label(this, "Label13", QStringLiteral("(dB)"));
    Label13->setGeometry(2, 200, 34, 16);
    Label13->setAlignment(Qt::AlignHCenter);
    Label12 = VerticalCaption(this, "Label12", "P h a s e", 380);
    Label11 = Label(this, "Label11", QStringLiteral("(Deg.)"));
    Label11->setGeometry(2, 490, 36, 16);
    Label11->setAlignment(Qt::AlignHCenter);
    Label15 = Label(this, "Label15", QStringLiteral("Frequency (Hz)"));
    Label15->setGeometry(PlotLeft, 324, 633, 17);
    Label15->setAlignment(Qt::AlignCenter);
    Label16 = Label(this, "Label16", QStringLiteral("Frequency (Hz)"));
    Label16->setGeometry(PlotLeft, 584, 633, 17);
    Label16->setAlignment(Qt::AlignCenter);

    MessageLabel = named<QLabel>(this, "MessageLabel");
    MessageLabel->setText(QStringLiteral("Please Wait Calculating The Graph"));
    QFont big = MessageLabel->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    MessageLabel->setFont(big);
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setAutoFillBackground(true);
    MessageLabel->setStyleSheet(QStringLiteral("background: #ffffe0; border: 1px solid gray;"));
    MessageLabel->setGeometry(PlotLeft + 116, 140, 400, 44);
    MessageLabel->hide();

    const auto readOut = [this](const char *name, int x) {
        auto *edit = named<QLineEdit>(this, name);
        edit->setText(QString::fromLatin1(name));
        edit->setEnabled(false);
        edit->setGeometry(x, 606, 112, FieldHeight + 1);
        return edit;
    };
    Label17 = Label(this, "Label17", QStringLiteral("Coordinates"));
    Label17->setGeometry(PlotLeft, 608, 84, 18);
    GainX = readOut("GainX", PlotLeft + 86);
    GainY = readOut("GainY", PlotLeft + 200);
    Label18 = Label(this, "Label18", QStringLiteral("Coordinates"));
    Label18->setGeometry(PlotLeft + 323, 608, 84, 18);
    PhaseX = readOut("PhaseX", PlotLeft + 407);
    PhaseY = readOut("PhaseY", PlotLeft + 521);
}

void TDigitalFiltersForm::CreateSelections() {
    // The formula of each order; only the chosen order's is shown.
    Image2nd = named<FormulaPicture>(this, "Image2nd", 2);
    Image4th = named<FormulaPicture>(this, "Image4th", 4);
    Image6th = named<FormulaPicture>(this, "Image6th", 6);
    for (FormulaPicture *image : {Image2nd, Image4th, Image6th}) {
        image->setGeometry(PanelLeft, 2, PanelWidth, 84);
        QFont formula = image->font();
        formula.setPointSizeF(formula.pointSizeF() * 0.9);
        image->setFont(formula);
    }

    // Order and type.
    FilterOrder = named<QGroupBox>(this, "FilterOrder");
    FilterOrder->setTitle(QStringLiteral("Order"));
    FilterOrder->setGeometry(PanelLeft, 88, PanelWidth, 44);
    filterOrderButtons = new QButtonGroup(this);
    int index = 0;
    for (const char *caption : {"2nd", "4th", "6th"}) {
        auto *radio = new QRadioButton(QString::fromLatin1(caption), FilterOrder);
        radio->setGeometry(8 + 66 * index, 18, 62, 22);
        filterOrderButtons->addButton(radio, index++);
    }
    FilterType = named<QGroupBox>(this, "FilterType");
    FilterType->setTitle(QStringLiteral("Filter Type"));
    FilterType->setGeometry(PanelLeft, 134, PanelWidth, 84);
    filterTypeButtons = new QButtonGroup(this);
    index = 0;
    for (const char *caption : {"Band Pass", "Band Reject", "High Pass", "Low Pass", "Unknown"}) {
        auto *radio = new QRadioButton(QString::fromLatin1(caption), FilterType);
        radio->setGeometry(8 + 100 * (index / 3), 18 + 21 * (index % 3), 98, 21);
        filterTypeButtons->addButton(radio, index++);
    }
}

// From `y` down; `y` ends below the last row.
void TDigitalFiltersForm::CreateParameters(int &y) {
    // Frequency, Q, amplification with their steppers, and Ts.
    const auto parameterRow = [this, &y](const char *caption, NumberEdit *edit, Stepper *stepper) {
        Label(this, nullptr, QString::fromLatin1(caption))->setGeometry(PanelLeft, y + 2, 94, 18);
        edit->setGeometry(PanelLeft + 96, y, 90, FieldHeight);
        if (stepper != nullptr) {
            stepper->setGeometry(PanelLeft + 189, y - 1, 17, 22);
        }
        y += RowHeight;
    };
    sfFrequency = Field(this, "sfFrequency", "2000");
    fFrequencyI = named<Stepper>(this, "fFrequencyI");
    sQfactor = Field(this, "sQfactor", "10");
    QfactorI = named<Stepper>(this, "QfactorI");
    sfAmplification = Field(this, "sfAmplification", "2");
    fAmplificationI = named<Stepper>(this, "fAmplificationI");
    parameterRow("Frequency (Hz)", sfFrequency, fFrequencyI);
    parameterRow("Qfactor", sQfactor, QfactorI);
    parameterRow("Amplification", sfAmplification, fAmplificationI);
    sTs = Field(this, "sTs", "sTs");
    sTs->setFocusPolicy(Qt::NoFocus);
    Label10 = Label(this, "Label10", QStringLiteral("Ts"));
    Label10->setGeometry(PanelLeft, y + 2, 94, 18);
    sTs->setGeometry(PanelLeft + 96, y, 90, FieldHeight);
    y += RowHeight + 4;
}

void TDigitalFiltersForm::CreateCoefficients(int &y) {
    // The fourteen coefficients in two columns, a on the left and b on the right.
    for (int i = 0; i < 7; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const QByteArray n = QByteArray::number(i);
        for (int side = 0; side < 2; ++side) {
            const QByteArray letter = side == 0 ? "a" : "b";
            NumberEdit *edit = Field(this, (letter + n).constData(), "0");
            QLabel *label =
                Label(this, (letter + n + "Label").constData(), QString::fromLatin1(letter + n));
            const int x = PanelLeft + side * 105;
            label->setGeometry(x, y + RowHeight * i + 2, 16, 18);
            edit->setGeometry(x + 17, y + RowHeight * i, 85, FieldHeight);
            edit->installEventFilter(this);
            QFont compact = edit->font();
            compact.setPointSizeF(compact.pointSizeF() * 0.9);
            edit->setFont(compact);
            (side == 0 ? aEdits : bEdits)[u] = edit;
            (side == 0 ? aLabels : bLabels)[u] = label;
        }
    }
    y += RowHeight * 7 + 4;
}

void TDigitalFiltersForm::ConnectHandlers() {
    const auto on = [this](auto *sender, auto signal, auto handler) {
        connect(sender, signal, this, guarded(this, services, handler));
    };
    on(filterOrderButtons, &QButtonGroup::idClicked,
       [this](int id) { design.SelectFilterOrder(id); });
    on(filterTypeButtons, &QButtonGroup::idClicked,
       [this](int id) { design.SelectFilterType(id); });
    on(sfFrequency, &NumberEdit::accepted,
       [this] { design.sfFrequencyExit(sfFrequency->text().toStdString()); });
    on(sQfactor, &NumberEdit::accepted,
       [this] { design.sQfactorExit(sQfactor->text().toStdString()); });
    on(sfAmplification, &NumberEdit::accepted,
       [this] { design.sfAmplificationExit(sfAmplification->text().toStdString()); });
    on(fFrequencyI, &Stepper::clicked,
       [this](bool up) { design.fFrequencyIClick(up, sfFrequency->text().toStdString()); });
    on(QfactorI, &Stepper::clicked,
       [this](bool up) { design.QfactorIClick(up, sQfactor->text().toStdString()); });
    on(fAmplificationI, &Stepper::clicked,
       [this](bool up) { design.fAmplificationIClick(up, sfAmplification->text().toStdString()); });
    for (std::size_t i = 0; i < 7; ++i) {
        on(aEdits[i], &NumberEdit::accepted, [this] { a0Exit(); });
        on(bEdits[i], &NumberEdit::accepted, [this] { a0Exit(); });
    }
    on(sTs, &NumberEdit::entered, [this] { aEdits[0]->setFocus(); });
    on(CalcFilter, &QPushButton::clicked, [this] { design.CalcFilterClick(); });
    on(BodePlot, &QPushButton::clicked, [this] { BodePlotClick(); });
    on(ShowAnalogue, &QCheckBox::toggled, [this] { design.RedrawBode(); });
    on(GainPlotScreen, &PlotImage::mouseMoved,
       [this](int x, int y) { GainPlotScreenMouseMove(x, y); });
    on(PhasePlotScreen, &PlotImage::mouseMoved,
       [this](int x, int y) { PhasePlotScreenMouseMove(x, y); });
    ConnectFixedPointHandlers();
    GainPlotScreen->MeasureWith(&design.gainPlot, PlotImage::Axis::LogFrequency);
    PhasePlotScreen->MeasureWith(&design.phasePlot, PlotImage::Axis::LogFrequency);
    // The first trace of each plot is the hidden one above the axis.
    design.gainPlot.columns = {"frequency (Hz)", {"", "gain (dB)"}, true};
    design.phasePlot.columns = {"frequency (Hz)", {"", "phase (degrees)"}, true};
    ConnectViews();
    for (PlotImage *plot : {GainPlotScreen, PhasePlotScreen}) {
        plot->SetServices(&services);
        plot->cursorExtras = [this](std::optional<double> x1, std::optional<double> x2) {
            // The empty grids have no response to measure.
            if (!design.bodeShown) {
                return QString();
            }
            std::vector<double> hz = design.halfPower;
            for (double &f : hz) {
                f /= 2 * std::numbers::pi;
            }
            return BodeCursorExtras(
                hz,
                [this](double f) {
                    return kaldorium::PhaseAt(design.frequency, design.phaseDeg,
                                              f * 2 * std::numbers::pi);
                },
                x1, x2);
        };
    }
}
