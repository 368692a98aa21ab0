#include "widgets/FieldInput.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "workbench/FieldRules.h"

#include <QLineEdit>

using namespace kaldorium;

namespace fieldinput {

double ReadField(QLineEdit *field, const char *emptyText) {
    if (field->text().isEmpty() && emptyText != nullptr) {
        field->setText(QString::fromLatin1(emptyText));
    }
    return ParseDouble(field->text().toStdString());
}

void AcceptPositive(QLineEdit *field, const char *emptyText, double &setting) {
    const double v = ReadField(field, emptyText);
    if (v > 0) {
        setting = v;
    } else {
        field->setText(QString::fromStdString(FormatGeneral(setting)));
    }
}

double SteppedValue(QLineEdit *field, bool up, double baseStep, Clamp clamp) {
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

void StepField(QLineEdit *field, bool up, double baseStep, Clamp clamp, double &setting) {
    setting = SteppedValue(field, up, baseStep, clamp);
    field->setText(QString::fromStdString(FormatGeneral(setting)));
}

} // namespace fieldinput
