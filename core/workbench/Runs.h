#pragma once

#include "core/signal/Oscillatorclass.h"
#include "core/workbench/FilterStage.h"
#include "core/workbench/SignalStatistics.h"
#include "core/workbench/WorkbenchSettings.h"

namespace kaldorium {

class DesignedFilterSource;
class FilterNetwork;
class NoiseGenerator;
class Oscilloscope;

// Receives the rows of a run's time-domain data file (t in ms).
class RunRowSink {
public:
    virtual ~RunRowSink() = default;
    virtual void InputRow(double t, double x) = 0;
    virtual void FilterRow(double t, double x, double y) = 0;
};

// The shared context of the workbench's runs: the settings they read at every sample and the
// program-wide models they use.
struct RunContext {
    WorkbenchSettings &settings;
    NoiseGenerator &noise;
    DesignedFilterSource &designer;
    FilterNetwork &network;
};

// A continuous run of the workbench: the input test (input only) or the filter test (input through
// the selected filter). The window steps it in chunks until the user stops it; each sample goes to
// the display's triggered sweep, the statistics and, when given, the data file.
class WorkbenchRun {
public:
    enum class Kind { InputTest, FilterTest };

    // Messages are processed once per chunk of this many samples.
    static constexpr int ChunkSamples = 502;

    WorkbenchRun(Kind kind, RunContext context, Oscilloscope &scope, SignalStatistics &statistics);

    // Runs `count` samples.
    void Step(int count);

    // Data rows go here while set (nullptr: no file, or writing suspended).
    RunRowSink *rows = nullptr;

    Kind kind;
    double time = 0.0; // ms
    bool first = true;
    long long samples = 0;

private:
    RunContext context;
    Oscilloscope &scope;
    SignalStatistics &statistics;
    InputSignalSource source;
    FilterStage stage;
};

} // namespace kaldorium
