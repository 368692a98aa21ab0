#include "core/workbench/FilterStage.h"

#include "core/tools/FilterNetwork.h"

#include <numbers>

namespace kaldorium {

namespace {} // namespace

FilterStage::FilterStage(DesignedFilterSource &designer, FilterNetwork &network_)
    : filters{Filter(fkBandPass),       Filter(fkBandReject),
              Filter(fkHighPass),       Filter(fkLowPass),
              Filter(fkHighPass4th),    Filter(fkLowPass4th),
              Filter(fkDifferentiator), Filter(fkIntegrator),
              Filter(fkAllPass),        Filter(fkDesigned, &designer)},
      network(network_) {}

double FilterStage::Process(double x, const WorkbenchSettings &settings, double ts, double f) {
    return ProcessKeyed(x, settings, ts, f, settings.waveform);
}

double FilterStage::ProcessKeyed(double x, const WorkbenchSettings &settings, double ts, double f,
                                 int keyTerm) {
    int kind = settings.filterKind;
    switch (kind) {
    case fkDifferentiator:
        return filters[fkDifferentiator].Differentiate(x, ts) / (2 * std::numbers::pi * f);
    case fkIntegrator: {
        // The integral restarts at the first sample and whenever the key changes.
        const int key = kind * 100 + keyTerm;
        const bool restart = key != integratorKey;
        integratorKey = key;
        return filters[fkIntegrator].Integrate(restart, x, ts) * (2 * std::numbers::pi * f);
    }
    case fkNetwork:
        return network.ProcessSample(x, ts, 2 * std::numbers::pi * f);
    case fkBandPass:
    case fkBandReject:
    case fkHighPass:
    case fkLowPass:
    case fkHighPass4th:
    case fkLowPass4th:
    case fkDesigned:
        break;
    default:
        kind = fkBandPass;
        break;
    }
    return filters[kind].Process(settings.filterFrequency, settings.qFactor, settings.amplification,
                                 ts, x);
}

} // namespace kaldorium
