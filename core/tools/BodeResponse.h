#pragma once

#include "core/signal/Filterclass.h"
#include "core/signal/PlotView.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kaldorium {

class Canvas;
class DesignedFilterSource;
class FilterNetwork;
class Oscilloscope;

// What the Bode plot is asked to show: the filter's parameters as the caller hands them over.
struct BodeInputs {
    double omega0 = 0.0;        // rad/s the formulas scale by
    double amplification = 1.0; // A0
    double damping = 0.5;       // ζ = 0.5/Q
    double ts = 0.000025;       // T, s
    FilterKind type = fkBandPass;
};

// The reason the inputs cannot be plotted (a logarithm of A0 or of ω/ω0, a division by T), or an
// empty text when they can. Only the parameters the kind's formula uses are checked.
std::string BodeInputError(const BodeInputs &inputs);

// A phase curve (degrees over ascending, positive frequencies) at frequency f, interpolated
// linearly in log frequency; none outside the sampled range. Across a jump of more than 180°
// between two samples (the phase wrapping round) the nearer sample's value.
std::optional<double> PhaseAt(std::span<const double> frequency, std::span<const double> phaseDeg,
                              double f);

// Gain and phase of one filter at 10000 angular frequencies spaced evenly from omegaStart, with
// the closed-form response of its kind, and the black trace drawn with the gain (an asymptote,
// or a line above the plot where the kind has none). The arrays are fixed members: a response
// object is large and belongs to its window.
class BodeResponse {
public:
    static constexpr int Points = 10000;
    // The gain drawn for a response whose magnitude is exactly 0.
    static constexpr double FloorDb = -300.0;

    // Fills the arrays, the extremes and the half power points. The designed filter (kind 9) reads
    // the source's a and b as they stand; the network (kind 19) is evaluated stage by stage. Throws
    // FloatingPointError when the computation faults (a pole on the unit circle, typed
    // coefficients that overflow); the inputs are expected to pass BodeInputError.
    void Compute(const BodeInputs &inputs, const DesignedFilterSource &designed,
                 FilterNetwork &network);
    // The same over a part of the axis (a zoom): the points spaced evenly in log frequency from
    // omegaFrom to omegaTo, rad/s, so a zoomed plot shows detail rather than stretched points.
    void ComputeBetween(const BodeInputs &inputs, const DesignedFilterSource &designed,
                        FilterNetwork &network, double omegaFrom, double omegaTo);

    // The group delay −dφ/dω in seconds at ω, from the filter's coefficients (the analogue
    // circuits from their polynomials in s, the network from its response on either side).
    static double GroupDelay(const BodeInputs &inputs, const DesignedFilterSource &designed,
                             FilterNetwork &network, double omega);

    // Binds both plots over log10 of the frequency in Hz and draws the black trace and the red
    // gain into the first, the phase (red, its black trace along the top edge) into the second.
    void Plot(Oscilloscope &gainScope, Canvas *gainCanvas, Oscilloscope &phaseScope,
              Canvas *phaseCanvas) const;
    // The same over the ranges given (a zoomed view; x in log10 of Hz).
    void PlotOver(Oscilloscope &gainScope, Canvas *gainCanvas, const PlotRanges &gainRanges,
                  Oscilloscope &phaseScope, Canvas *phaseCanvas,
                  const PlotRanges &phaseRanges) const;
    // The group delay in milliseconds over log10 of the frequency in Hz: over its own extremes,
    // or over the ranges given.
    void PlotDelay(Oscilloscope &scope, Canvas *canvas) const;
    void PlotDelayOver(Oscilloscope &scope, Canvas *canvas, const PlotRanges &ranges) const;
    // The axes Plot gives the gain and the phase.
    PlotRanges GainRanges() const;
    PlotRanges PhaseRanges() const;

    // The half power frequencies of the computed response, found on the response itself (peak
    // and crossings refined between the points), and the phase at a frequency, in Hz.
    std::vector<double> HalfPowerHz() const;
    std::optional<double> PhaseAtHz(double hz) const;

    double frequency[Points] = {}; // ω, rad/s
    double gainDb[Points] = {};
    double asymptote[Points] = {}; // dB
    double phaseDeg[Points] = {};
    double groupDelay[Points] = {}; // s
    double delayMin = 0.0;          // s
    double delayMax = 0.0;          // s
    double gainMax = 0.0;           // dB
    double gainMin = 0.0;           // dB
    double phaseMax = 0.0;          // rad
    double phaseMin = 0.0;          // rad
    double omegaStart = 0.0;        // rad/s, left end of the axis
    double omegaEnd = 0.0;          // rad/s, right end of the axis
    std::vector<double> halfPower;  // rad/s, ascending

private:
    void Store(int i, double omega, double gain, double asym, double phase);
    void Fill(const BodeInputs &inputs, const DesignedFilterSource &designed,
              FilterNetwork &network, const double *range);
};

} // namespace kaldorium
