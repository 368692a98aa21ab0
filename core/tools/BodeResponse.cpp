#include "core/tools/BodeResponse.h"
#include "core/tools/BodeEvaluator.h"

#include "core/common/Errors.h"
#include "core/signal/Canvas.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/HalfPower.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace kaldorium {

namespace {

using bode::Evaluator;
using bode::Formula;
using bode::Point;

constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double HertzPerRadian = 0.15915494309189534198;

enum class Asymptote {
    Raised,       // 2000·log10(A0) + 100: above the plot
    HighPass,     // ω ≥ ω0: g; else 40·log10(A0·ω/ω0) − g
    LowPass,      // ω > ω0: g − 40·log10(ω/ω0); else g
    HighPass4th,  // ω ≥ ω0: g; else 80·log10(√A0·ω/ω0) − g
    LowPass4th,   // ω > ω0: g − 80·log10(ω/ω0); else g
    AboveGain,    // g + 100
    AboveMaximum, // gainMax + 100, once the maximum is known
};

// How one kind is swept and drawn.
struct Sweep {
    Formula formula;
    double start; // × ω0, or the absolute start where `absoluteStart`
    double stepMul; // step = stepMul·ω0; 0: step = (π/T − start)·0.0001 and the axis ends at π/T
    bool extremesAtG; // the gain extremes start at g instead of 0
    Asymptote asymptote;
    bool absoluteStart = false;
};

Sweep SweepOf(FilterKind type, double ts) {
    switch (type) {
    case fkBandPass:
    case fkBandReject:
        return {Formula::Digital, 0.0015, 0.0, false, Asymptote::Raised};
    case fkHighPass:
        return {Formula::Digital, 0.001, 0.0, false, Asymptote::HighPass};
    case fkLowPass:
        return {Formula::Digital, 0.01, 0.0, false, Asymptote::LowPass};
    case fkHighPass4th:
        return {Formula::Digital4th, 0.001, 0.0, false, Asymptote::HighPass4th};
    case fkLowPass4th:
        return {Formula::Digital4th, 0.01, 0.0, false, Asymptote::LowPass4th};
    case 15:
        return {Formula::AnalogueHighPass4th, 0.001, 0.0015, true, Asymptote::HighPass4th};
    case 14:
        return {Formula::AnalogueLowPass4th, 0.01, 0.015, true, Asymptote::LowPass4th};
    case fkDifferentiator:
        return {Formula::Differentiator, 0.01, 0.0, false, Asymptote::AboveMaximum};
    case fkIntegrator:
        return {Formula::Integrator, 0.01, 0.0, false, Asymptote::AboveMaximum};
    case fkDesigned:
        // π/200 divided by T
        return {Formula::Designed,
                0.015707963267948967 / ts,
                0.0,
                false,
                Asymptote::AboveMaximum,
                true};
    case fkAnalogueBandPass:
    case fkAnalogueBandPassNonInverting:
        return {Formula::AnalogueBandPass, 0.0015, 0.015, true, Asymptote::AboveGain};
    case fkAnalogueBandReject:
        return {Formula::AnalogueBandReject, 0.0015, 0.015, true, Asymptote::AboveGain};
    case fkAnalogueHighPass:
    case fkAnalogueHighPassNonInverting:
        return {Formula::AnalogueHighPass, 0.001, 0.0015, true, Asymptote::HighPass};
    case fkNetwork:
        // Up to 0.96 of the Nyquist angular frequency, start and step alike.
        return {Formula::Network,
                0.96 * std::numbers::pi / ts * 0.0001,
                0.0,
                false,
                Asymptote::AboveMaximum,
                true};
    default: // 8, 13, 18 and every other code
        return {Formula::AnalogueLowPass, 0.01, 0.015, true, Asymptote::LowPass};
    }
}

bool UsesOmega0(FilterKind type) {
    return type != fkDesigned && type != fkNetwork;
}
bool UsesAmplification(FilterKind type) {
    return UsesOmega0(type) && type != fkDifferentiator && type != fkIntegrator;
}
bool UsesTs(FilterKind type) {
    return (type >= fkBandPass && type <= fkLowPass4th) || type == fkDifferentiator ||
           type == fkIntegrator || type == fkDesigned || type == fkNetwork;
}

bool Positive(double v) {
    return std::isgreater(v, 0.0) && std::isfinite(v);
}

// The asymptote's gain in dB at ω (AboveMaximum is filled in once the gains are known).
double AsymptoteAt(Asymptote kind, double omega, double w0, double amplification, double g) {
    switch (kind) {
    case Asymptote::Raised:
        return 2000.0 * std::log10(amplification) + 100.0;
    case Asymptote::HighPass:
        return omega >= w0 ? g : 40.0 * std::log10(amplification * omega / w0) - g;
    case Asymptote::LowPass:
        return omega > w0 ? g - 40.0 * std::log10(omega / w0) : g;
    case Asymptote::HighPass4th:
        return omega >= w0 ? g : 80.0 * std::log10(std::sqrt(amplification) * omega / w0) - g;
    case Asymptote::LowPass4th:
        return omega > w0 ? g - 80.0 * std::log10(omega / w0) : g;
    case Asymptote::AboveGain:
        return g + 100.0;
    case Asymptote::AboveMaximum:
        break;
    }
    return 0.0;
}

} // namespace

double BodeResponse::GroupDelay(const BodeInputs &inputs, const DesignedFilterSource &designed,
                                FilterNetwork &network, double omega) {
    const Evaluator response(SweepOf(inputs.type, inputs.ts).formula, inputs, designed, network);
    return response.DelayAt(omega);
}

std::string BodeInputError(const BodeInputs &in) {
    if (UsesOmega0(in.type) && !Positive(in.omega0)) {
        return "The Bode plot needs a filter frequency above 0";
    }
    if (UsesAmplification(in.type) && !Positive(in.amplification)) {
        return "The Bode plot needs an amplification above 0";
    }
    if (UsesTs(in.type) && !Positive(in.ts)) {
        return "The Bode plot needs a sampling period above 0";
    }
    return {};
}

std::optional<double> PhaseAt(std::span<const double> frequency, std::span<const double> phaseDeg,
                              double f) {
    const std::size_t n = std::min(frequency.size(), phaseDeg.size());
    if (n == 0 || !(f > 0.0) || !(f >= frequency[0]) || !(f <= frequency[n - 1])) {
        return std::nullopt;
    }
    const auto end = frequency.begin() + static_cast<std::ptrdiff_t>(n);
    const std::size_t i1 =
        static_cast<std::size_t>(std::lower_bound(frequency.begin(), end, f) - frequency.begin());
    if (i1 == 0 || frequency[i1] == f) {
        return phaseDeg[i1];
    }
    const std::size_t i0 = i1 - 1;
    const double l0 = std::log10(frequency[i0]);
    const double l1 = std::log10(frequency[i1]);
    const double t = (std::log10(f) - l0) / (l1 - l0);
    if (std::fabs(phaseDeg[i1] - phaseDeg[i0]) > 180.0) {
        return t < 0.5 ? phaseDeg[i0] : phaseDeg[i1];
    }
    return phaseDeg[i0] + t * (phaseDeg[i1] - phaseDeg[i0]);
}

std::vector<double> BodeResponse::HalfPowerHz() const {
    std::vector<double> hz = halfPower;
    for (double &f : hz) {
        f *= HertzPerRadian;
    }
    return hz;
}

std::optional<double> BodeResponse::PhaseAtHz(double hz) const {
    return PhaseAt(frequency, phaseDeg, hz * 2 * std::numbers::pi);
}

void BodeResponse::Store(int i, double omega, double gain, double asym, double phase) {
    frequency[i] = omega;
    gainDb[i] = gain;
    asymptote[i] = asym;
    phaseDeg[i] = phase * DegreesPerRadian;
    if (std::isless(gain, gainMin)) {
        gainMin = gain;
    }
    if (std::isgreater(gain, gainMax)) {
        gainMax = gain;
    }
    if (std::isless(phase, phaseMin)) {
        phaseMin = phase;
    }
    if (std::isgreater(phase, phaseMax)) {
        phaseMax = phase;
    }
}

void BodeResponse::Compute(const BodeInputs &in, const DesignedFilterSource &designed,
                           FilterNetwork &network) {
    Fill(in, designed, network, nullptr);
}

void BodeResponse::ComputeBetween(const BodeInputs &in, const DesignedFilterSource &designed,
                                  FilterNetwork &network, double omegaFrom, double omegaTo) {
    const double range[2] = {omegaFrom, omegaTo};
    Fill(in, designed, network, range);
}

void BodeResponse::Fill(const BodeInputs &in, const DesignedFilterSource &designed,
                        FilterNetwork &network, const double *range) {
    FloatingPointGuard guard;
    halfPower.clear();
    const Sweep sweep = SweepOf(in.type, in.ts);
    const double w0 = in.omega0;
    const double t = in.ts;
    const bool usesG = UsesAmplification(in.type);
    const double g = usesG ? 20.0 * std::log10(in.amplification) : 0.0;

    omegaStart = sweep.absoluteStart ? sweep.start : sweep.start * w0;
    const bool toNyquist = sweep.stepMul == 0.0;
    double step = 0.0;
    if (sweep.formula == Formula::Network) {
        step = omegaStart;
    } else if (toNyquist) {
        step = (std::numbers::pi / t - omegaStart) * 0.0001;
    } else {
        step = sweep.stepMul * w0;
    }
    gainMin = gainMax = sweep.extremesAtG ? g : 0.0;
    phaseMin = phaseMax = 0.0;
    // A zoom: ω = from·(to/from)^(i/(Points − 1)).
    const double logStep = range != nullptr ? std::log(range[1] / range[0]) / (Points - 1) : 0.0;
    if (range != nullptr) {
        omegaStart = range[0];
    }

    const Evaluator response(sweep.formula, in, designed, network);
    double omega = omegaStart;
    for (int i = 0; i < Points; ++i) {
        if (range != nullptr) {
            omega = i == Points - 1 ? range[1] : range[0] * std::exp(logStep * i);
        }
        const Point p = response.At(omega);
        groupDelay[i] = response.DelayAt(omega);
        Store(i, omega, p.gain, AsymptoteAt(sweep.asymptote, omega, w0, in.amplification, g),
              p.phase);
        omega = omega + step;
    }
    if (sweep.asymptote == Asymptote::AboveMaximum) {
        for (double &v : asymptote) {
            v = gainMax + 100.0;
        }
    }
    // Where the points stop one step short of π/T, the axis ends at the Nyquist frequency.
    omegaEnd = toNyquist && sweep.formula != Formula::Network ? std::numbers::pi / t
                                                              : frequency[Points - 1];
    if (range != nullptr) {
        omegaEnd = range[1];
    }
    const auto [low, high] = std::minmax_element(groupDelay, groupDelay + Points);
    delayMin = *low;
    delayMax = *high;
    // A digital response ends at the Nyquist frequency; an analogue one goes on.
    const bool digital = toNyquist || sweep.formula == Formula::Network;
    halfPower = HalfPowerFrequencies(frequency, gainDb,
                                     [&response](double w) { return response.At(w).gain; },
                                     {0.0, digital ? std::numbers::pi / t : HUGE_VAL});
    guard.Check();
}

PlotRanges BodeResponse::GainRanges() const {
    return {std::log10(omegaStart / (2 * std::numbers::pi)),
            std::log10(omegaEnd / (2 * std::numbers::pi)), gainMin, gainMax + 2.0};
}

PlotRanges BodeResponse::PhaseRanges() const {
    return {std::log10(omegaStart / (2 * std::numbers::pi)),
            std::log10(omegaEnd / (2 * std::numbers::pi)), phaseMin * DegreesPerRadian,
            phaseMax * DegreesPerRadian};
}

void BodeResponse::Plot(Oscilloscope &gainScope, Canvas *gainCanvas, Oscilloscope &phaseScope,
                        Canvas *phaseCanvas) const {
    PlotOver(gainScope, gainCanvas, GainRanges(), phaseScope, phaseCanvas, PhaseRanges());
}

void BodeResponse::PlotOver(Oscilloscope &gainScope, Canvas *gainCanvas, const PlotRanges &g,
                            Oscilloscope &phaseScope, Canvas *phaseCanvas,
                            const PlotRanges &p) const {
    gainScope.BindLog(gainCanvas, g.left, g.right, g.bottom, g.top, 1, 0);
    phaseScope.BindLog(phaseCanvas, p.left, p.right, p.bottom, p.top, 1, 0);
    for (int i = 0; i < Points; ++i) {
        const double x = std::log10(frequency[i] * HertzPerRadian);
        gainScope.PlotPair(x, asymptote[i], gainDb[i]);
        // The black trace lies above every phase range, along the top edge.
        phaseScope.PlotPair(x, 1000.0, phaseDeg[i]);
    }
}

} // namespace kaldorium

namespace kaldorium {

void BodeResponse::PlotDelay(Oscilloscope &scope, Canvas *canvas) const {
    // A constant delay (a pure delay, or none) still gets a range around it.
    const double spread = std::fmax((delayMax - delayMin) * 1000.0, 1e-3);
    const double bottom = delayMin * 1000.0 - 0.05 * spread;
    PlotDelayOver(scope, canvas,
                  {std::log10(omegaStart / (2 * std::numbers::pi)),
                   std::log10(omegaEnd / (2 * std::numbers::pi)), bottom, bottom + 1.1 * spread});
}

void BodeResponse::PlotDelayOver(Oscilloscope &scope, Canvas *canvas, const PlotRanges &r) const {
    scope.BindLog(canvas, r.left, r.right, r.bottom, r.top, 1, 0);
    for (int i = 0; i < Points; ++i) {
        scope.PlotPoint(std::log10(frequency[i] * HertzPerRadian), groupDelay[i] * 1000.0);
    }
}

} // namespace kaldorium
