#include "gui/tools/Graph.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/tools/BodeResponse.h"
#include "gui/services/Guarded.h"
#include "gui/services/UiServices.h"
#include "gui/tools/BodeReadout.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTimer>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <vector>

using namespace kaldorium;

namespace {

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

// "G a i n" standing upright: one character per line.
QString Upright(const QString &text) {
    QString out;
    for (QChar c : text) {
        if (c != QLatin1Char(' ')) {
            out += c;
            out += QLatin1Char('\n');
        }
    }
    out.chop(1);
    return out;
}

} // namespace

TGraphForm::TGraphForm(UiServices &services_, DesignedFilterSource &designed_,
                       FilterNetwork &network_, QWidget *parent)
    : QDialog(parent), services(services_), designed(designed_), network(network_),
      response(std::make_unique<BodeResponse>()) {
    setObjectName(QStringLiteral("GraphForm"));
    setWindowTitle(QStringLiteral("(KALDOR) Bode Plot"));
    // The stated size is where the window starts; it grows, and the plots with it.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setMinimumSize(704, 649);
    resize(704, 649);
    CreateControls();
    ConnectHandlers();
    ShowEmptyPlots();
}

TGraphForm::~TGraphForm() = default;

void TGraphForm::CreateControls() {
    GainPlot = new PlotImage(gainCanvas, this);
    GainPlot->setObjectName(QStringLiteral("GainPlot"));
    GainPlot->setGeometry(42, 6, 657, 313);
    PhasePlot = new PlotImage(phaseCanvas, this);
    PhasePlot->setObjectName(QStringLiteral("PhasePlot"));
    PhasePlot->setGeometry(42, 350, 657, 267);

    auto label = [this](const char *name, const QString &text, int x, int y, int w, int h) {
        QLabel *l = named<QLabel>(this, name);
        l->setText(text);
        l->setGeometry(x, y, w, h);
        return l;
    };
    Label2 = label("Label2", Upright(QStringLiteral("G a i n")), 4, 90, 34, 80);
    Label3 = label("Label3", QStringLiteral("(dB)"), 4, 176, 38, 18);
    Label4 = label("Label4", Upright(QStringLiteral("P h a s e")), 4, 410, 34, 100);
    Label5 = label("Label5", QStringLiteral("(degr.)"), 0, 516, 42, 18);
    for (QLabel *l : {Label2, Label3, Label4, Label5}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    Label1 = label("Label1", QStringLiteral("Frequency (Hz)"), 300, 323, 110, 22);
    Label7 = label("Label7", QStringLiteral("Coordinates"), 470, 323, 76, 22);
    Label6 = label("Label6", QStringLiteral("Frequency (Hz)"), 300, 622, 110, 22);
    Label8 = label("Label8", QStringLiteral("Coordinates"), 470, 622, 76, 22);

    auto readOut = [this](const char *name, int x, int y) {
        QLineEdit *e = named<QLineEdit>(this, name);
        e->setEnabled(false);
        e->setGeometry(x, y, 74, 22);
        return e;
    };
    GainX = readOut("GainX", 548, 323);
    GainY = readOut("GainY", 625, 323);
    PhaseX = readOut("PhaseX", 548, 622);
    PhaseY = readOut("PhaseY", 625, 622);

    MessageLabel = named<QLabel>(this, "MessageLabel");
    MessageLabel->setText(QStringLiteral("Please Wait Calculating The Graph"));
    QFont large = MessageLabel->font();
    large.setPointSize(20);
    large.setBold(true);
    MessageLabel->setFont(large);
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setGeometry(0, 290, 704, 50);
    MessageLabel->setVisible(false);

    ShowGroupDelay = named<QCheckBox>(this, "ShowGroupDelay");
    ShowGroupDelay->setText(QStringLiteral("Group delay"));
    ShowGroupDelay->setGeometry(42, 622, 110, 22);
    DelayPlot = new PlotImage(delayCanvas, this);
    DelayPlot->setObjectName(QStringLiteral("DelayPlot"));
    Label9 = label("Label9", Upright(QStringLiteral("D e l a y")), 4, 0, 34, 100);
    Label10 = label("Label10", QStringLiteral("(ms)"), 4, 0, 38, 18);
    for (QLabel *l : {Label9, Label10}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    Label11 = label("Label11", QStringLiteral("Frequency (Hz)"), 300, 0, 110, 22);
    Label12 = label("Label12", QStringLiteral("Coordinates"), 470, 0, 76, 22);
    DelayX = readOut("DelayX", 548, 0);
    DelayY = readOut("DelayY", 625, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{DelayPlot, Label9, Label10, Label11, Label12,
                                                       DelayX, DelayY}) {
        w->setVisible(false);
    }
}

void TGraphForm::ConnectHandlers() {
    connect(GainPlot, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { GainPlotMouseMove(x, y); }));
    connect(PhasePlot, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { PhasePlotMouseMove(x, y); }));
    ConnectViews();
    GainPlot->MeasureWith(&gainScope, PlotImage::Axis::LogFrequency);
    PhasePlot->MeasureWith(&phaseScope, PlotImage::Axis::LogFrequency);
    for (PlotImage *plot : {GainPlot, PhasePlot}) {
        plot->SetServices(&services);
        plot->cursorExtras = [this](std::optional<double> x1, std::optional<double> x2) {
            return BodeCursorExtras(
                response->HalfPowerHz(), [this](double hz) { return response->PhaseAtHz(hz); }, x1,
                x2);
        };
    }
}

int TGraphForm::exec() {
    const std::string error = BodeInputError({omega0, amplification, damping, ts, type});
    if (!error.empty()) {
        // A window left on "Please Wait" would be all the user saw of it.
        services.ShowError(QApplication::activeWindow(), QString::fromStdString(error));
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void TGraphForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    setWindowTitle(QStringLiteral("(KALDOR) Bode Plot Of ") + titleName);
    MessageLabel->setVisible(true);
    ShowResults(false);
    GainPlot->ClearCursors();
    PhasePlot->ClearCursors();
    // The message is painted before the computation starts.
    QTimer::singleShot(0, this, guarded(this, services, [this] { FormActivate(); }));
}

void TGraphForm::ShowResults(bool visible) {
    for (QWidget *w : std::initializer_list<QWidget *>{
             PhasePlot, GainPlot, GainX, GainY, PhaseX, PhaseY, Label1, Label2, Label3, Label4,
             Label5, Label6, Label7, Label8, ShowGroupDelay}) {
        w->setVisible(visible);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{DelayPlot, Label9, Label10, Label11, Label12,
                                                       DelayX, DelayY}) {
        w->setVisible(visible && ShowGroupDelay->isChecked());
    }
}

void TGraphForm::ShowEmptyPlots() {
    computed = false;
    gainScope.Bind(&gainCanvas, 0.0, 1.0, 0.0, 1.0);
    phaseScope.Bind(&phaseCanvas, 0.0, 1.0, 0.0, 1.0);
    delayScope.Bind(&delayCanvas, 0.0, 1.0, 0.0, 1.0);
    GainPlot->update();
    PhasePlot->update();
    DelayPlot->update();
}

void TGraphForm::FormActivate() {
    // Closed before the computation came round, or already computing.
    if (!isVisible() || computing) {
        return;
    }
    computing = true;
    QElapsedTimer clock;
    clock.start();
    try {
        response->Compute(Inputs(), designed, network);
        FloatingPointGuard guard;
        response->Plot(gainScope, &gainCanvas, phaseScope, &phaseCanvas);
        response->PlotDelay(delayScope, &delayCanvas);
        guard.Check();
    } catch (...) {
        // The window never stays on its message: empty plots, then the error display.
        computing = false;
        response = std::make_unique<BodeResponse>(); // nothing left to measure
        ShowEmptyPlots();
        MessageLabel->setVisible(false);
        ShowResults(true);
        throw;
    }
    computing = false;
    computed = true;
    GainPlot->View().SetHome(gainScope.Ranges());
    PhasePlot->View().SetHome(phaseScope.Ranges());
    DelayPlot->View().SetHome(delayScope.Ranges());
    gainCanvas.Flush();
    phaseCanvas.Flush();
    delayCanvas.Flush();
    MessageLabel->setVisible(false);
    ShowResults(true);
    lastPlotMs = static_cast<double>(clock.nsecsElapsed()) * 1e-6;
}

void TGraphForm::GainPlotMouseMove(int x, int y) {
    GainX->setText(General(std::pow(10.0, gainScope.ValueAtX(x))));
    GainY->setText(General(gainScope.ValueAtY(y)));
}

void TGraphForm::PhasePlotMouseMove(int x, int y) {
    PhaseX->setText(General(std::pow(10.0, phaseScope.ValueAtX(x))));
    PhaseY->setText(General(phaseScope.ValueAtY(y)));
}
