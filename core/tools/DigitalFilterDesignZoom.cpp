// The designer's Bode diagram as it is drawn: whole, zoomed into a part of the frequency axis, or
// again after the plots changed size.
#include "core/tools/DigitalFilterDesign.h"

#include "core/common/Errors.h"

#include <cmath>
#include <numbers>

namespace kaldorium {

namespace {

constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double HertzPerRadian = 0.15915494309189534198;

// A value above every visible range, where a black trace runs along the top edge: the one the
// whole diagram uses unless a zoom shows it.
double AboveRange(double usual, const PlotRanges &r) {
    return usual > r.top ? usual : r.top + (r.top - r.bottom) + 1.0;
}

} // namespace

PlotRanges DigitalFilterDesign::WholeGainRanges() const {
    return {std::log10(bodeOmegaStart / (2 * std::numbers::pi)),
            std::log10(M_PI / ts / (2 * std::numbers::pi)), gainMin, gainMax + 2.0};
}

PlotRanges DigitalFilterDesign::WholePhaseRanges() const {
    const PlotRanges gain = WholeGainRanges();
    return {gain.left, gain.right, phaseMin * DegreesPerRadian, phaseMax * DegreesPerRadian};
}

void DigitalFilterDesign::DrawBode() {
    if (bodeZoom) {
        DrawBodeOver(bodeZoom->first, bodeZoom->second);
    } else {
        DrawBodeOver(WholeGainRanges(), WholePhaseRanges());
    }
}

void DigitalFilterDesign::DrawBodeOver(const PlotRanges &g, const PlotRanges &p) {
    if (gainCanvas != nullptr) {
        gainPlot.BindLog(gainCanvas, g.left, g.right, g.bottom, g.top, 1, 0);
    }
    if (phaseCanvas != nullptr) {
        phasePlot.BindLog(phaseCanvas, p.left, p.right, p.bottom, p.top, 1, 0);
    }
    // The black traces lie above the ranges and run along the top edges.
    const double gainAbove = AboveRange(gainMax + 100.0, g);
    const double phaseAbove = AboveRange(phaseMax + 1000.0, p);
    for (std::size_t i = 0; i < BodePoints; ++i) {
        const double x = std::log10(frequency[i] * HertzPerRadian);
        if (gainCanvas != nullptr) {
            gainPlot.PlotPair(x, gainAbove, gainDb[i]);
        }
        if (phaseCanvas != nullptr) {
            phasePlot.PlotPair(x, phaseAbove, phaseDeg[i]);
        }
    }
    bodeShown = true;
    Notify(Plots);
}

void DigitalFilterDesign::RedrawBode() {
    if (bodeShown) {
        DrawBode();
    }
}

void DigitalFilterDesign::RedrawPlots() {
    if (bodeShown) {
        DrawBode();
    } else {
        ClearPlots();
    }
}

void DigitalFilterDesign::ZoomBode(const PlotRanges &gainRanges, const PlotRanges &phaseRanges) {
    if (!bodeShown) {
        return;
    }
    const PlotRanges wholeGain = WholeGainRanges();
    const bool wholeAxis = gainRanges.left == wholeGain.left && gainRanges.right == wholeGain.right;
    if (wholeAxis && arraysZoomed) {
        // Exactly the diagram BodePlotClick computed.
        ComputeBode();
    } else if (!wholeAxis) {
        FloatingPointGuard guard;
        // ω = from·(to/from)^(i/(BodePoints − 1)), the last point exactly at the right edge.
        const double from = 2 * std::numbers::pi * std::pow(10.0, gainRanges.left);
        const double to = 2 * std::numbers::pi * std::pow(10.0, gainRanges.right);
        const double logStep = std::log(to / from) / (BodePoints - 1);
        for (std::size_t i = 0; i < BodePoints; ++i) {
            const double omega =
                i + 1 == BodePoints ? to : from * std::exp(logStep * static_cast<double>(i));
            const GainPhase r = ResponseAt(a, b, omega * ts);
            frequency[i] = omega;
            gainDb[i] = r.gainDb;
            phaseDeg[i] = r.phaseDeg;
        }
        guard.Check();
        arraysZoomed = true;
    }
    if (wholeAxis && gainRanges == wholeGain && phaseRanges == WholePhaseRanges()) {
        bodeZoom.reset();
    } else {
        bodeZoom.emplace(gainRanges, phaseRanges);
    }
    DrawBode();
}

} // namespace kaldorium
