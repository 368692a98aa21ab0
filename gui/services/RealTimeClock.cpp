#include "gui/services/RealTimeClock.h"

#include <algorithm>
#include <cmath>

RealTimeClock::RealTimeClock() {
    wall.start();
}

void RealTimeClock::SetTimeSource(TimeSource source_) {
    source = std::move(source_);
    Restart();
}

double RealTimeClock::Now() const {
    return source ? source() : static_cast<double>(wall.nsecsElapsed()) * 1e-9;
}

void RealTimeClock::Restart() {
    last = Now();
    carry = 0.0;
}

int RealTimeClock::Due(double samplesPerSecond, int most) {
    const double now = Now();
    const double elapsed = std::clamp(now - last, 0.0, MaxStepSeconds);
    last = now;
    if (!(samplesPerSecond > 0.0) || !std::isfinite(samplesPerSecond)) {
        carry = 0.0;
        return 0;
    }
    carry += elapsed * samplesPerSecond;
    const double due = std::floor(std::min(carry, static_cast<double>(most)));
    // What the cap cut off is not owed later: the work falls behind instead of racing.
    carry = std::min(carry - due, 1.0);
    return static_cast<int>(due);
}
