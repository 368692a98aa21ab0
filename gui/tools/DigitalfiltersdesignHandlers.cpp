#include "gui/tools/Digitalfiltersdesign.h"

#include "gui/services/Tooltips.h"

#include "core/common/NumberText.h"
#include "core/common/ScopeExit.h"
#include "gui/services/Guarded.h"
#include "gui/services/MessagePump.h"
#include "gui/tools/FormulaPicture.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <cmath>

using kaldorium::DigitalFilterDesign;

namespace {

QString Text(const std::string &s) {
    return QString::fromStdString(s);
}

// Sets a field's text only when it differs, so the cursor of an unchanged field stays put.
void Show(QLineEdit *field, const std::string &text) {
    const QString shown = Text(text);
    if (field->text() != shown) {
        field->setText(shown);
        // A long number shows its leading digits.
        field->setCursorPosition(0);
        field->setToolTip(TooltipWithValue(field, shown));
    }
}

// The analogue prototype's colour, apart from the grid's green, the digital red and the black.
constexpr kaldorium::Color AnalogueColour{0, 0, 255};

} // namespace

void TDigitalFiltersForm::DesignChanged(unsigned parts) {
    const DigitalFilterDesign::FieldTexts &t = design.texts;
    if (parts & DigitalFilterDesign::SamplingPeriod) {
        Show(sTs, t.sTs);
    }
    if (parts & DigitalFilterDesign::Frequency) {
        Show(sfFrequency, t.sfFrequency);
    }
    if (parts & DigitalFilterDesign::Qfactor) {
        Show(sQfactor, t.sQfactor);
    }
    if (parts & DigitalFilterDesign::Amplification) {
        Show(sfAmplification, t.sfAmplification);
    }
    if (parts & DigitalFilterDesign::Coefficients) {
        for (std::size_t i = 0; i < 7; ++i) {
            Show(aEdits[i], t.a[i]);
            Show(bEdits[i], t.b[i]);
        }
    }
    if (parts & DigitalFilterDesign::Selection) {
        if (QAbstractButton *b = filterOrderButtons->button(design.filterOrderIndex)) {
            b->setChecked(true);
        }
        if (QAbstractButton *b = filterTypeButtons->button(design.filterTypeIndex)) {
            b->setChecked(true);
        }
        // a3, a4, b3, b4 from order 4 on, a5, a6, b5, b6 for order 6.
        for (std::size_t i = 3; i < 7; ++i) {
            const bool shown = static_cast<int>(i) <= design.order;
            for (QWidget *w :
                 {static_cast<QWidget *>(aEdits[i]), static_cast<QWidget *>(bEdits[i]),
                  static_cast<QWidget *>(aLabels[i]), static_cast<QWidget *>(bLabels[i])}) {
                w->setVisible(shown);
            }
        }
        Image2nd->setVisible(design.order != 4 && design.order != 6);
        Image4th->setVisible(design.order == 4);
        Image6th->setVisible(design.order == 6);
        CalcFilter->setVisible(Image2nd->isVisibleTo(this));
    }
    if (parts & DigitalFilterDesign::Plots) {
        DrawAnalogue();
        DrawQuantised();
        GainPlotScreen->update();
        PhasePlotScreen->update();
    }
}

void TDigitalFiltersForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

void TDigitalFiltersForm::FormActivate() {
    guarded(this, services, [this] { design.FormActivate(); })();
}

bool TDigitalFiltersForm::eventFilter(QObject *watched, QEvent *event) {
    // Any key released in a coefficient field makes the set a typed one.
    if (event->type() == QEvent::KeyRelease) {
        guarded(this, services, [this] { design.a0KeyUp(); })();
    }
    return QDialog::eventFilter(watched, event);
}

void TDigitalFiltersForm::a0Exit() {
    std::array<std::string, 7> a;
    std::array<std::string, 7> b;
    for (std::size_t i = 0; i < 7; ++i) {
        a[i] = aEdits[i]->text().toStdString();
        b[i] = bEdits[i]->text().toStdString();
    }
    design.a0Exit(a, b);
}

void TDigitalFiltersForm::BodePlotClick() {
    // Pending messages run while the message shows: a second click meanwhile is refused.
    if (busy) {
        return;
    }
    busy = true;
    UpdateControls();
    const kaldorium::ScopeExit idle([this] {
        busy = false;
        UpdateControls();
    });
    pump.Start();
    // Closing the window while the message shows leaves the plot as it was.
    if (pump.Pump()) {
        design.BodePlotClick();
    }
}

void TDigitalFiltersForm::UpdateControls() {
    // The Bode plot's message shows over the gain plot while it is computed.
    MessageLabel->setVisible(busy);
    if (busy) {
        MessageLabel->raise();
    }
}

void TDigitalFiltersForm::closeEvent(QCloseEvent *event) {
    pump.RequestStop();
    QDialog::closeEvent(event);
}

void TDigitalFiltersForm::GainPlotScreenMouseMove(int x, int y) {
    GainX->setText(Text(kaldorium::FormatGeneral(std::pow(10.0, design.gainPlot.ValueAtX(x)))));
    GainY->setText(Text(kaldorium::FormatGeneral(design.gainPlot.ValueAtY(y))));
}

void TDigitalFiltersForm::PhasePlotScreenMouseMove(int x, int y) {
    PhaseX->setText(Text(kaldorium::FormatGeneral(std::pow(10.0, design.phasePlot.ValueAtX(x)))));
    PhaseY->setText(Text(kaldorium::FormatGeneral(design.phasePlot.ValueAtY(y))));
}

void TDigitalFiltersForm::DrawAnalogue() {
    // Typed coefficients have no prototype to compare with.
    if (!ShowAnalogue->isChecked() || !design.bodeShown ||
        design.designType == DigitalFilterDesign::UnknownType) {
        return;
    }
    // The same frequencies as the digital trace, so the two lie on each other where they agree.
    const auto trace = [this](kaldorium::Oscilloscope &plot, ImageCanvas &canvas, bool gain) {
        canvas.SetPenColor(AnalogueColour);
        canvas.SetPenWidth(2);
        int lastX = 0;
        int lastY = 0;
        double lastPhase = 0.0;
        for (std::size_t i = 0; i < DigitalFilterDesign::BodePoints; ++i) {
            const double hz = design.frequency[i] * 0.15915494309189534198;
            const kaldorium::GainPhase h = kaldorium::AnaloguePrototypeResponse(
                design.designType, design.order, design.f0, design.q, design.amplification, hz);
            plot.ToPixelX(std::log10(hz));
            plot.ToPixelY(gain ? h.gainDb : h.phaseDeg);
            // A phase wrapping from +180 to −180 is not joined across the plot.
            if (i > 0 && (gain || std::fabs(h.phaseDeg - lastPhase) < 180.0)) {
                canvas.Line(lastX, lastY, plot.pixelX, plot.pixelY);
            }
            lastX = plot.pixelX;
            lastY = plot.pixelY;
            lastPhase = h.phaseDeg;
        }
        canvas.SetPenColor(kaldorium::ColorBlack);
    };
    trace(design.gainPlot, gainCanvas, true);
    trace(design.phasePlot, phaseCanvas, false);

    // The legend, in a white box low in the middle of the gain plot, where the curves of all
    // four types leave room.
    const kaldorium::Oscilloscope &plot = design.gainPlot;
    const QFontMetrics metrics{QFont()};
    const std::string digital = "digital";
    const std::string analogue = "analogue prototype";
    const int lineHeight = metrics.height();
    const int boxWidth = metrics.horizontalAdvance(QString::fromStdString(analogue)) + 36;
    const int left = plot.margin + (plot.width - plot.margin) * 3 / 10;
    const int top = plot.height - plot.margin - 2 * lineHeight - 14;
    gainCanvas.SetPenWidth(1);
    gainCanvas.SetPenColor(kaldorium::Color{128, 128, 128});
    gainCanvas.SetFillColor(kaldorium::ColorWhite);
    gainCanvas.Rectangle(left, top, left + boxWidth, top + 2 * lineHeight + 8);
    const auto entry = [&](int row, kaldorium::Color colour, const std::string &text) {
        const int y = top + 4 + row * lineHeight;
        gainCanvas.SetPenColor(colour);
        gainCanvas.SetPenWidth(2);
        gainCanvas.Line(left + 6, y + lineHeight / 2, left + 26, y + lineHeight / 2);
        gainCanvas.TextOut(left + 30, y, text);
    };
    entry(0, kaldorium::ColorRed, digital);
    entry(1, AnalogueColour, analogue);
    gainCanvas.SetPenColor(kaldorium::ColorBlack);
}
