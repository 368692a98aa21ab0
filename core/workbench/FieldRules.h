#pragma once

#include "signal/SamplingRules.h"
#include "workbench/WorkbenchSettings.h"

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

} // namespace kaldorium
