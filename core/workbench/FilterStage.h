#pragma once

#include "core/signal/Filterclass.h"
#include "core/workbench/WorkbenchSettings.h"

namespace kaldorium {

class DesignedFilterSource;
class FilterNetwork;

// The per-sample dispatch by filter kind: one Filter per kind that a Filter runs, created fresh for
// each run, spectrum or response; kind 19 goes through the program's filter network.
class FilterStage {
public:
    FilterStage(DesignedFilterSource &designer, FilterNetwork &network);

    // One sample x at sampling period Ts; f normalises the differentiator and the integrator so
    // that a sine of amplitude A at f comes out with amplitude A.
    double Process(double x, const WorkbenchSettings &settings, double ts, double f);
    // As Process, with the integrator's restart key filter kind × 100 + keyTerm: the runs and
    // spectra pass the waveform, the responses 0, so that they restart at the first sample only.
    double ProcessKeyed(double x, const WorkbenchSettings &settings, double ts, double f,
                        int keyTerm);

    Filter filters[10]; // index = kind 0 … 9; index 8 is unused
    int integratorKey = -1;

private:
    FilterNetwork &network;
};

} // namespace kaldorium
