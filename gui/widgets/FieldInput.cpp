#include "gui/widgets/FieldInput.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/workbench/FieldRules.h"

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

double SteppedValue(QLineEdit *field, bool up, double baseStep) {
    FloatingPointGuard guard;
    const double v = PositiveStep(ReadField(field, nullptr), up, baseStep);
    guard.Check();
    return v;
}

void StepField(QLineEdit *field, bool up, double baseStep, double &setting) {
    setting = SteppedValue(field, up, baseStep);
    field->setText(QString::fromStdString(FormatGeneral(setting)));
}

} // namespace fieldinput
