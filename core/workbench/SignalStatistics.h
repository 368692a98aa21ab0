#pragma once

namespace kaldorium {

// Running RMS (over at most 100 cycles) and range (over the last 20 cycles or fewer) of the input
// (black) and output (red) signals. The counts are shared by both.
class SignalStatistics {
public:
    SignalStatistics() { Reset(); }

    // All fields to their reset values; the four read-outs show 0.
    void Reset();

    // Adds one sample pair; N is the current samples per cycle.
    void Add(double x, double y, int samplesPerCycle);

    double sumIn, sumOut;
    double rmsIn, rmsOut;
    double maxIn, maxOut;
    double minIn, minOut;
    // The windows span 100·N and 20·N samples, which pass the range of int for large N.
    long long n; // RMS sample count
    long long m; // range sample count

    // What the four read-outs show: the values computed by the last Add. They keep showing them
    // when the sums or the extremes start again.
    double shownRmsIn, shownRmsOut, shownRangeIn, shownRangeOut;
};

} // namespace kaldorium
