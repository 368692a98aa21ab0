#pragma once

#include <QElapsedTimer>

#include <functional>

// Paces simulated time by the wall clock: at each tick it answers how many samples fell due since
// the last one, at a rate that may change from tick to tick (the sampling period is a field the
// user turns) and a fraction of the wall clock ("1/100×"). A pause longer than MaxStepSeconds
// (the machine busy elsewhere, a dialog) is not caught up in one burst: the work falls behind.
class RealTimeClock {
public:
    using TimeSource = std::function<double()>; // seconds, from any origin
    static constexpr double MaxStepSeconds = 0.25;

    RealTimeClock();

    // Tests move the clock by hand; an empty source is the wall clock.
    void SetTimeSource(TimeSource source);
    // Starts counting from now, with nothing due.
    void Restart();
    // Samples due since the last call at `samplesPerSecond` of simulated time per wall second,
    // at most `most`; the fraction left over carries to the next call.
    int Due(double samplesPerSecond, int most);
    double Now() const;

private:
    TimeSource source;
    QElapsedTimer wall;
    double last = 0.0;
    double carry = 0.0;
};
