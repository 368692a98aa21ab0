#include "core/workbench/Responses.h"

#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"

#include <cmath>

namespace kaldorium {

ResponseRun::ResponseRun(Kind kind_, RunContext context_, Oscilloscope &scope_,
                         SignalStatistics &statistics_)
    : kind(kind_),
      samplingPeriod((1.0 / context_.settings.filterFrequency) / context_.settings.samplesPerCycle),
      context(context_), scope(scope_), statistics(statistics_),
      stage(context_.designer, context_.network) {
    context.network.ClearStages();
}

void ResponseRun::Step(int count) {
    const WorkbenchSettings &s = context.settings;
    const double dt = samplingPeriod * 1000.0;
    for (int i = 0; i < count && !finished; ++i) {
        if (!std::isgreater(s.timeScale - dt, time)) {
            finished = true;
            break;
        }
        const double x = (kind == Kind::Step || samples == 0) ? 1.0 : 0.0;
        const double y = stage.ProcessKeyed(x, s, samplingPeriod, s.frequency, 0);
        scope.traceShift[0] = s.signal1Shift;
        scope.traceShift[1] = s.signal2Shift;
        scope.PlotSweep(time, x + s.signal1Shift, y + s.signal2Shift, 0.0, s.timeScale,
                        s.signal1Scale, s.signal2Scale);
        statistics.Add(x, y, s.samplesPerCycle);
        if (rows != nullptr) {
            rows->FilterRow(time, x, y);
        }
        ++samples;
        const double next = time + dt;
        // At a time scale so large that t + Ts_r·1000 rounds to t the sweep would never end.
        if (next == time) {
            finished = true;
        }
        time = next;
    }
}

} // namespace kaldorium
