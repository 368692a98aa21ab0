#pragma once

#include "core/signal/InputSignalSettings.h"

#include <string>

// The rules that keep samples per cycle, sampling period and duty cycle consistent, usable
// without a window; the data-file waveform runs them when it loads a file.
namespace kaldorium {

// Samples-per-cycle validation of the text of soSamples (empty becomes "10"): sets N (at least 10,
// or forced by AM/FM modulation), the saved N, then runs the sampling-period update. Returns the
// text soSamples shows. Throws ConversionError for a text that is not a number.
std::string ValidateSamplesPerCycle(InputSignalSettings &settings, const std::string &samplesText);

// Ts = (1/f)/N, then the duty-cycle validation of the current duty cycle.
void UpdateSamplingPeriod(InputSignalSettings &settings);

// Limits the duty cycle (percent) so that both parts of the square wave last at least Ts.
double LimitDutyCycle(double dutyPercent, double frequency, double samplingPeriod);

} // namespace kaldorium
