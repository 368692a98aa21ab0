#pragma once

#include "workbench/WorkbenchSettings.h"

#include <string>

// The rules of the workbench's numeric fields, usable without a window.
namespace kaldorium {

// Samples-per-cycle validation of the text of soSamples (empty becomes "10"): sets N (at least 10,
// or forced by AM/FM modulation), the saved N, then runs the sampling-period update. Returns the
// text soSamples shows. Throws ConversionError for a text that is not a number.
std::string ValidateSamplesPerCycle(WorkbenchSettings &settings, const std::string &samplesText);

// Ts = (1/f)/N, then the duty-cycle validation of the current duty cycle.
void UpdateSamplingPeriod(WorkbenchSettings &settings);

// Limits the duty cycle (percent) so that both parts of the square wave last at least Ts.
double LimitDutyCycle(double dutyPercent, double frequency, double samplingPeriod);

} // namespace kaldorium

namespace kaldorium {

// Fine step of the steppers whose names end in I, with base step B and threshold T:
// s = ±B; while v ≤ T: stop if s > 0 and v = T, else s = s·0.1, v = v·10; result = value + s.
// A value that is not positive has no step size: it is returned unchanged for the stepper's clamp.
double FineStep(double value, bool up, double baseStep, double threshold);

// Decade step of the steppers whose names end in M: ×10 up, ×0.1 down.
double DecadeStep(double value, bool up);

} // namespace kaldorium
