#include "core/workbench/SignalStatistics.h"

#include <cmath>

namespace kaldorium {

void SignalStatistics::Reset() {
    sumIn = sumOut = 0.0;
    rmsIn = rmsOut = 0.0;
    maxIn = maxOut = -1e18;
    minIn = minOut = 1e18;
    n = 1;
    m = 0;
    shownRmsIn = shownRmsOut = shownRangeIn = shownRangeOut = 0.0;
}

void SignalStatistics::Add(double x, double y, int samplesPerCycle) {
    sumIn += x * x;
    sumOut += y * y;
    if (x > maxIn) {
        maxIn = x;
    }
    if (x < minIn) {
        minIn = x;
    }
    if (y > maxOut) {
        maxOut = y;
    }
    if (y < minOut) {
        minOut = y;
    }
    // RMS = √(Σx² / n)
    rmsIn = std::sqrt(sumIn / static_cast<double>(n));
    rmsOut = std::sqrt(sumOut / static_cast<double>(n));
    shownRmsIn = rmsIn;
    shownRmsOut = rmsOut;
    shownRangeIn = maxIn - minIn;
    shownRangeOut = maxOut - minOut;
    ++n;
    ++m;
    const long long cycle = samplesPerCycle;
    if (n > 100 * cycle) {
        n = 1;
        sumIn = sumOut = 0.0;
        rmsIn = rmsOut = 0.0;
    }
    if (m > 20 * cycle) {
        m = 0;
        maxIn = maxOut = -1e18;
        minIn = minOut = 1e18;
    }
}

} // namespace kaldorium
