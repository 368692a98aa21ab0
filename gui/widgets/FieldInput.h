#pragma once

class QLineEdit;

// Reading and stepping the numeric fields of the workbenches: the same rules for the main
// window and the WAV workbench.
namespace fieldinput {

// The field's number; an empty field first gets `emptyText` (when given). Throws the parse
// error of a text that is not a number.
double ReadField(QLineEdit *field, const char *emptyText);

// Takes a positive field value into `setting`; anything else brings the stored value back.
void AcceptPositive(QLineEdit *field, const char *emptyText, double &setting);

// The stepped value of a field that takes only positive values: a fine step of `baseStep`, or a
// decade step when the base step is DecadeRule; never a value the field would refuse (see
// PositiveStep).
inline constexpr double DecadeRule = 0.0;
double SteppedValue(QLineEdit *field, bool up, double baseStep);
// The stepped value into `setting`, and shown in the field.
void StepField(QLineEdit *field, bool up, double baseStep, double &setting);

} // namespace fieldinput
