#pragma once

#include "core/signal/SamplingRules.h"
#include "core/workbench/WorkbenchSettings.h"

#include <string>

// The rules of the workbench's numeric fields, usable without a window (the samples-per-cycle,
// sampling-period and duty-cycle rules are signal/SamplingRules.h).
namespace kaldorium {

// Fine step of the steppers whose names end in I, with base step B and threshold T:
// s = ±B; while v ≤ T: stop if s > 0 and v = T, else s = s·0.1, v = v·10; result = value + s.
// A value that is not positive has no step size: it is returned unchanged for the stepper's clamp.
double FineStep(double value, bool up, double baseStep, double threshold);

// Decade step of the steppers whose names end in M: ×10 up, ×0.1 down.
double DecadeStep(double value, bool up);

// What the stepper of a field that takes only positive values stores: the fine step with base
// step and threshold B (B > 0), or the decade step (B = 0), of the field's value. A stepper never
// stores what the field would refuse: a value without a step size (0, negative, typed but not yet
// validated) and a result that is not positive both give 1.
double PositiveStep(double value, bool up, double baseStep);

} // namespace kaldorium
