#include "tools/Digitalfiltersdesign.h"

#include "app/Guarded.h"
#include "common/NumberText.h"
#include "tools/FormulaPicture.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
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
        field->setToolTip(shown);
    }
}

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
    MessageLabel->show();
    MessageLabel->raise();
    try {
        QApplication::processEvents();
        design.BodePlotClick();
    } catch (...) {
        MessageLabel->hide();
        busy = false;
        throw;
    }
    MessageLabel->hide();
    busy = false;
}

void TDigitalFiltersForm::GainPlotScreenMouseMove(int x, int y) {
    GainX->setText(Text(kaldorium::FormatGeneral(std::pow(10.0, design.gainPlot.ValueAtX(x)))));
    GainY->setText(Text(kaldorium::FormatGeneral(design.gainPlot.ValueAtY(y))));
}

void TDigitalFiltersForm::PhasePlotScreenMouseMove(int x, int y) {
    PhaseX->setText(Text(kaldorium::FormatGeneral(std::pow(10.0, design.phasePlot.ValueAtX(x)))));
    PhaseY->setText(Text(kaldorium::FormatGeneral(design.phasePlot.ValueAtY(y))));
}
