#include "core/signal/SamplingRules.h"

#include "core/common/NumberText.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kaldorium {

namespace {

// trunc(value) as an int, saturating instead of overflowing for absurd field texts.
int TruncToInt(double value) {
    if (!(value < static_cast<double>(INT_MAX))) {
        return value > 0 ? INT_MAX : INT_MIN;
    }
    if (!(value > static_cast<double>(INT_MIN))) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

} // namespace

std::string ValidateSamplesPerCycle(InputSignalSettings &settings, const std::string &samplesText) {
    const std::string text = samplesText.empty() ? "10" : samplesText;
    int n = TruncToInt(ParseDouble(text));
    if (settings.modulate && settings.amModulate) {
        n = TruncToInt(14000000.0 / settings.frequency);
    } else {
        n = std::max(n, 10);
        if (settings.modulate) {
            n = TruncToInt(16000000.0 / settings.frequency);
        }
    }
    if (n > 0) {
        settings.samplesPerCycle = n;
    }
    if (!settings.fileData && !settings.modulate) {
        settings.savedSamplesPerCycle = settings.samplesPerCycle;
    }
    UpdateSamplingPeriod(settings);
    return std::to_string(settings.samplesPerCycle);
}

void UpdateSamplingPeriod(InputSignalSettings &settings) {
    settings.samplingPeriod = (1.0 / settings.frequency) / settings.samplesPerCycle;
    settings.dutyCycle =
        LimitDutyCycle(settings.dutyCycle, settings.frequency, settings.samplingPeriod);
}

double LimitDutyCycle(double dutyPercent, double frequency, double samplingPeriod) {
    double d = dutyPercent * 0.01;
    const double period = 1.0 / frequency;
    // Both the high part P·d and the low part P − P·d last at least one sampling period.
    if (!std::isgreaterequal(d, samplingPeriod / period)) {
        d = samplingPeriod / period;
    }
    if (!std::isgreaterequal(period - period * d, samplingPeriod)) {
        d = (period - samplingPeriod) / period;
    }
    return d * 100.0;
}

} // namespace kaldorium
