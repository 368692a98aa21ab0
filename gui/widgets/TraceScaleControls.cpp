#include "gui/widgets/TraceScaleControls.h"

#include "core/common/NumberText.h"
#include "core/signal/FieldZoom.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FieldInput.h"
#include "gui/widgets/Stepper.h"

using namespace kaldorium;
using namespace controls;
using namespace fieldinput;

namespace {

double &Scale(TraceSettings &s, int trace) {
    return trace == 1 ? s.signal1Scale : s.signal2Scale;
}

double &ShiftOf(TraceSettings &s, int trace) {
    return trace == 1 ? s.signal1Shift : s.signal2Shift;
}

QLabel *Caption(QWidget *parent, const char *text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

} // namespace

QWidget *TraceScaleControls::CreateTracePanel(QWidget *window, const char *panelName,
                                              const char *scale) {
    auto *panel = named<QWidget>(window, panelName);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 2, 6, 2);
    sSignal1Scale = NumberField(panel, "sSignal1Scale", scale, false);
    Signal1ScaleM = named<Stepper>(panel, "Signal1ScaleM");
    Signal1ScaleI = named<Stepper>(panel, "Signal1ScaleI");
    sSignal1Shift = NumberField(panel, "sSignal1Shift", "0", false);
    Signal1ShiftI = named<Stepper>(panel, "Signal1ShiftI");
    CoupleScale = Check(panel, "CoupleScale", "Couple The Scales");
    sSignal2Scale = NumberField(panel, "sSignal2Scale", scale, false);
    Signal2ScaleM = named<Stepper>(panel, "Signal2ScaleM");
    Signal2ScaleI = named<Stepper>(panel, "Signal2ScaleI");
    sSignal2Shift = NumberField(panel, "sSignal2Shift", "0", false);
    Signal2ShiftI = named<Stepper>(panel, "Signal2ShiftI");
    QLabel *redScale = Caption(panel, "Red Signal: Scale");
    QLabel *redShift = Caption(panel, "Shift");
    const QString red = QStringLiteral("color: rgb(255, 0, 0);");
    redScale->setStyleSheet(red);
    redShift->setStyleSheet(red);
    layout->addWidget(Caption(panel, "Black Signal: Scale"));
    layout->addWidget(sSignal1Scale);
    layout->addWidget(Signal1ScaleM);
    layout->addWidget(Signal1ScaleI);
    layout->addSpacing(8);
    layout->addWidget(Caption(panel, "Shift"));
    layout->addWidget(sSignal1Shift);
    layout->addWidget(Signal1ShiftI);
    layout->addStretch();
    layout->addWidget(CoupleScale);
    layout->addStretch();
    for (QWidget *w :
         std::initializer_list<QWidget *>{redScale, sSignal2Scale, Signal2ScaleM, Signal2ScaleI}) {
        layout->addWidget(w);
    }
    layout->addSpacing(8);
    layout->addWidget(redShift);
    layout->addWidget(sSignal2Shift);
    layout->addWidget(Signal2ShiftI);
    return panel;
}

QWidget *TraceScaleControls::CreateTimePanel(QWidget *window, const char *panelName,
                                             const char *timeScale, int readOutWidth) {
    auto *panel = named<QWidget>(window, panelName);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 2, 6, 2);
    sTimeScale = NumberField(panel, "sTimeScale", timeScale, false);
    TimeScaleM = named<Stepper>(panel, "TimeScaleM");
    TimeScaleI = named<Stepper>(panel, "TimeScaleI");
    TimeScaleLabel = named<QLabel>(panel, "TimeScaleLabel", QStringLiteral("Time (milliseconds)"));
    QFont bold = TimeScaleLabel->font();
    bold.setBold(true);
    TimeScaleLabel->setFont(bold);
    ClickX = ReadOut(panel, "ClickX", readOutWidth);
    ClickY = ReadOut(panel, "ClickY", readOutWidth);
    layout->addWidget(Caption(panel, "Scale (millisecs)"));
    layout->addWidget(sTimeScale);
    layout->addWidget(TimeScaleM);
    layout->addWidget(TimeScaleI);
    layout->addStretch();
    layout->addWidget(TimeScaleLabel);
    layout->addStretch();
    layout->addWidget(Caption(panel, "Coordinates"));
    layout->addWidget(ClickX);
    layout->addWidget(ClickY);
    return panel;
}

void TraceScaleControls::ScaleExit(TraceSettings &s, int trace) {
    AcceptPositive(ScaleField(trace), "1", Scale(s, trace));
    CoupleScales(s, trace);
}

void TraceScaleControls::ShiftExit(TraceSettings &s, int trace) {
    ShiftOf(s, trace) = ReadField(ShiftField(trace), "0");
}

void TraceScaleControls::TimeScaleExit(TraceSettings &s) {
    AcceptPositive(sTimeScale, "1", s.timeScale);
}

void TraceScaleControls::CoupleScales(TraceSettings &s, int changed) {
    if (!CoupleScale->isChecked()) {
        return;
    }
    const int other = changed == 1 ? 2 : 1;
    Scale(s, other) = Scale(s, changed);
    ScaleField(other)->setText(ScaleField(changed)->text());
}

void TraceScaleControls::ScaleStep(TraceSettings &s, int trace, bool up, bool decade) {
    StepField(ScaleField(trace), up, decade ? DecadeRule : 1.0, Scale(s, trace));
    CoupleScales(s, trace);
}

void TraceScaleControls::TimeScaleStep(TraceSettings &s, bool up, bool decade) {
    StepField(sTimeScale, up, decade ? DecadeRule : 1.0, s.timeScale);
}

void TraceScaleControls::ShiftStep(TraceSettings &s, int trace, bool up) {
    NumberEdit *field = ShiftField(trace);
    const double v = ReadField(field, nullptr) + (up ? 0.1 : -0.1) * Scale(s, trace);
    ShiftOf(s, trace) = v;
    field->setText(QString::fromStdString(FormatFixed(v, 5, 4)));
}

void TraceScaleControls::ZoomFields(TraceSettings &s, const PlotView &shown) {
    const DisplayFields now{
        s.timeScale, {s.signal1Scale, s.signal2Scale}, {s.signal1Shift, s.signal2Shift}};
    const DisplayFields next = FieldsShowing(shown.Home(), shown.Visible(), now);
    sTimeScale->setText(QString::fromStdString(FormatGeneral(next.timeScale)));
    TimeScaleExit(s);
    if (next.scale[0] == now.scale[0] && next.shift[0] == now.shift[0]) {
        return;
    }
    // Coupled scales are equal before and after, so the order of the exits does not matter.
    for (int t = 0; t < 2; ++t) {
        ScaleField(t + 1)->setText(QString::fromStdString(FormatGeneral(next.scale[t])));
        ShiftField(t + 1)->setText(QString::fromStdString(FormatGeneral(next.shift[t])));
        ScaleExit(s, t + 1);
        ShiftExit(s, t + 1);
    }
}
