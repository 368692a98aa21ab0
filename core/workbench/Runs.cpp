#include "core/workbench/Runs.h"

#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"

namespace kaldorium {

WorkbenchRun::WorkbenchRun(Kind kind_, RunContext context_, Oscilloscope &scope_,
                           SignalStatistics &statistics_)
    : kind(kind_), context(context_), scope(scope_), statistics(statistics_),
      source(context_.noise), stage(context_.designer, context_.network) {
    if (kind == Kind::FilterTest) {
        context.network.ClearStages();
    }
}

void WorkbenchRun::Step(int count) {
    WorkbenchSettings &s = context.settings;
    for (int i = 0; i < count; ++i) {
        const double x = source.NextSample(s, s.samplesPerCycle);
        const double ts = s.samplingPeriod;
        // The cursors read the signals without the shifts the display adds.
        scope.traceShift[0] = s.signal1Shift;
        scope.traceShift[1] = s.signal2Shift;
        if (kind == Kind::FilterTest) {
            const double y = stage.Process(x, s, ts, s.frequency);
            // The trace starts when the input rises through its DC offset.
            scope.PlotTriggered(first, s.dcOffset + s.signal1Shift, ts * 1000.0, x + s.signal1Shift,
                                y + s.signal2Shift, s.timeScale, s.signal1Scale, s.signal2Scale);
            statistics.Add(x, y, s.samplesPerCycle);
            if (rows != nullptr) {
                rows->FilterRow(time, x, y);
            }
        } else {
            // The red trace stays flat at its shift.
            scope.PlotTriggered(first, s.dcOffset + s.signal1Shift, ts * 1000.0, x + s.signal1Shift,
                                s.signal2Shift, s.timeScale, s.signal1Scale, s.signal2Scale);
            statistics.Add(x, 0.0, s.samplesPerCycle);
            if (rows != nullptr) {
                rows->InputRow(time, x);
            }
        }
        time += ts * 1000.0;
        first = false;
        ++samples;
    }
}

} // namespace kaldorium
