#pragma once

#include "core/workbench/FilterStage.h"
#include "core/workbench/Runs.h"
#include "core/workbench/SignalStatistics.h"

namespace kaldorium {

class Oscilloscope;

// The step or impulse response of the selected filter over one sweep of the display: a unit step
// (1 at every sample) or a unit impulse (1 at t = 0, then 0) through a fresh filter stage at its
// own sampling period Ts_r = (1/fc)/N, drawn with the free-running sweep. It ends by itself at
// the end of the time scale.
class ResponseRun {
public:
    enum class Kind { Step, Impulse };

    static constexpr int ChunkSamples = 502;

    // Takes Ts_r from the settings as they are now (before the caller changes N), makes a fresh
    // filter stage and clears the network's histories.
    ResponseRun(Kind kind, RunContext context, Oscilloscope &scope, SignalStatistics &statistics);

    // Runs at most `count` samples while t < time scale − Ts_r·1000; a time that no longer
    // advances ends the response too.
    void Step(int count);
    bool Finished() const { return finished; }

    // Data rows go here while set.
    RunRowSink *rows = nullptr;

    Kind kind;
    double samplingPeriod; // Ts_r, s
    double time = 0.0;     // ms
    long long samples = 0; // also the impulse's sample counter

private:
    RunContext context;
    Oscilloscope &scope;
    SignalStatistics &statistics;
    FilterStage stage;
    bool finished = false;
};

} // namespace kaldorium
