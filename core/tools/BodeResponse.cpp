#include "tools/BodeResponse.h"

#include "common/Errors.h"
#include "signal/Canvas.h"
#include "signal/DesignedFilterSource.h"
#include "signal/Oscilloscopeclass.h"
#include "tools/FilterNetwork.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double TwoPi = 6.283185307179586;
constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double HertzPerRadian = 0.15915494309189534198;

enum class Formula {
    Digital,
    AnalogueLowPass,
    AnalogueHighPass,
    AnalogueBandPass,
    AnalogueBandReject,
    AnalogueLowPass4th,
    AnalogueHighPass4th,
    Differentiator,
    Integrator,
    Designed,
    Network,
};

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
    case 15:
        return {Formula::AnalogueHighPass4th, 0.001, 0.0015, true, Asymptote::HighPass4th};
    case fkLowPass4th:
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
        return {
            Formula::Network, 0.96 * Pi / ts * 0.0001, 0.0, false, Asymptote::AboveMaximum, true};
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
    return (type >= fkBandPass && type <= fkLowPass) || type == fkDifferentiator ||
           type == fkIntegrator || type == fkDesigned || type == fkNetwork;
}

bool Positive(double v) {
    return std::isgreater(v, 0.0) && std::isfinite(v);
}

// 20·log10|H|, with a magnitude of exactly 0 drawn at the floor instead of faulting.
double Decibels(double magnitude) {
    return magnitude == 0.0 ? BodeResponse::FloorDb : 20.0 * std::log10(magnitude);
}

double PhaseOf(double re, double im) {
    return (re == 0.0 && im == 0.0) ? 0.0 : std::atan2(im, re);
}

struct Point {
    double gain;  // dB
    double phase; // rad
};

// Second-order digital coefficients of the bilinear transform with pre-warping.
struct Biquad {
    double num[3];
    double den[3];
};

Biquad DigitalCoefficients(const BodeInputs &in) {
    // ωa = (2/T)·tan(ω0·T/2), k = 2·ζ·ωa, W = ωa²·T²
    const double t = in.ts;
    const double a0 = in.amplification;
    const double wa = (2.0 / t) * std::tan(in.omega0 * t * 0.5);
    const double k = 2.0 * in.damping * wa;
    const double w = wa * wa * t * t;
    Biquad c{{0.0, 0.0, 0.0}, {4.0 + 2.0 * t * k + w, 2.0 * w - 8.0, 4.0 - 2.0 * t * k + w}};
    switch (in.type) {
    case fkBandPass:
        c.num[0] = 2.0 * t * k * a0;
        c.num[2] = -2.0 * t * k * a0;
        break;
    case fkBandReject:
        c.num[0] = a0 * (4.0 + w);
        c.num[1] = a0 * (2.0 * w - 8.0);
        c.num[2] = a0 * (4.0 + w);
        break;
    case fkHighPass:
        c.num[0] = a0 * 4.0;
        c.num[1] = a0 * -8.0;
        c.num[2] = a0 * 4.0;
        break;
    default: { // low pass, normalised to den0 = 1
        const double d0 = c.den[0];
        c.num[0] = a0 * w / d0;
        c.num[1] = a0 * 2.0 * w / d0;
        c.num[2] = a0 * w / d0;
        for (double &d : c.den) {
            d = d / d0;
        }
        break;
    }
    }
    return c;
}

// N = num0·e^(j2θ) + num1·e^(jθ) + num2, D likewise; gain = 20·log10(√(|N|²/|D|²)),
// phase = arg(N·conj(D)).
Point Digital(const Biquad &c, double theta) {
    const double cs = std::cos(theta);
    const double sn = std::sin(theta);
    const double c2 = 2.0 * cs * cs - 1.0;
    const double s2 = 2.0 * sn * cs;
    const double nRe = c.num[0] * c2 + c.num[1] * cs + c.num[2];
    const double nIm = c.num[0] * s2 + c.num[1] * sn;
    const double dRe = c.den[0] * c2 + c.den[1] * cs + c.den[2];
    const double dIm = c.den[0] * s2 + c.den[1] * sn;
    const double n2 = nRe * nRe + nIm * nIm;
    const double d2 = dRe * dRe + dIm * dIm;
    const double gain = n2 == 0.0 ? BodeResponse::FloorDb : 20.0 * std::log10(std::sqrt(n2 / d2));
    return {gain, PhaseOf(nRe * dRe + nIm * dIm, nIm * dRe - nRe * dIm)};
}

// N = Σ a[m]·e^(−jmθ), D = Σ b[m]·e^(−jmθ), m = 0 … 6; the powers of e^(−jθ) by rotation.
Point Designed(const double *a, const double *b, double theta) {
    const double zRe = std::cos(theta);
    const double zIm = -std::sin(theta);
    double pRe = 1.0;
    double pIm = 0.0;
    double nRe = 0.0, nIm = 0.0, dRe = 0.0, dIm = 0.0;
    for (int m = 0; m < 7; ++m) {
        nRe += a[m] * pRe;
        nIm += a[m] * pIm;
        dRe += b[m] * pRe;
        dIm += b[m] * pIm;
        const double next = pRe * zRe - pIm * zIm;
        pIm = pRe * zIm + pIm * zRe;
        pRe = next;
    }
    const double n2 = nRe * nRe + nIm * nIm;
    const double d2 = dRe * dRe + dIm * dIm;
    const double gain = n2 == 0.0 ? BodeResponse::FloorDb : 20.0 * std::log10(std::sqrt(n2 / d2));
    return {gain, PhaseOf(nRe * dRe + nIm * dIm, nIm * dRe - nRe * dIm)};
}

// H = N/D for complex N and D.
void Divide(double nRe, double nIm, double dRe, double dIm, double &re, double &im) {
    const double d2 = dRe * dRe + dIm * dIm;
    re = (nRe * dRe + nIm * dIm) / d2;
    im = (nIm * dRe - nRe * dIm) / d2;
}

// The analogue circuits, with P = (ω0² − ω²) + j·2·ζ·ω0·ω.
Point Analogue(Formula formula, const BodeInputs &in, double omega) {
    const double w0 = in.omega0;
    const double a0 = in.amplification;
    const double pRe = w0 * w0 - omega * omega;
    const double pIm = 2.0 * in.damping * w0 * omega;
    double re = 0.0;
    double im = 0.0;
    switch (formula) {
    case Formula::AnalogueHighPass: // −A0·ω²/P
        Divide(-a0 * omega * omega, 0.0, pRe, pIm, re, im);
        break;
    case Formula::AnalogueBandPass: // j·A0·2·ζ·ω0·ω/P
        Divide(0.0, a0 * pIm, pRe, pIm, re, im);
        break;
    case Formula::AnalogueBandReject: // A0·(ω0² − ω²)/P
        Divide(a0 * pRe, 0.0, pRe, pIm, re, im);
        break;
    case Formula::AnalogueLowPass4th:    // A0·(ω0²/P)²
    case Formula::AnalogueHighPass4th: { // A0·(−ω²/P)²
        const double n = formula == Formula::AnalogueLowPass4th ? w0 * w0 : -omega * omega;
        double hRe = 0.0;
        double hIm = 0.0;
        Divide(n, 0.0, pRe, pIm, hRe, hIm);
        re = a0 * (hRe * hRe - hIm * hIm);
        im = a0 * 2.0 * hRe * hIm;
        break;
    }
    default: // low pass A0·ω0²/P
        Divide(a0 * w0 * w0, 0.0, pRe, pIm, re, im);
        break;
    }
    return {Decibels(std::sqrt(re * re + im * im)), PhaseOf(re, im)};
}

// The backward difference the differentiator runs, H = (1 − e^(−jθ))/T = ((1 − cos θ) +
// j·sin θ)/T, and the trapezoidal integrator H = (T/2)·((1 + cos θ) + j·sin θ)/((cos θ − 1) +
// j·sin θ); both normalised to unit gain at ω0.
Point Differentiator(const BodeInputs &in, double theta) {
    const double re = (1.0 - std::cos(theta)) / in.ts;
    const double im = std::sin(theta) / in.ts;
    return {Decibels(std::sqrt(re * re + im * im) / in.omega0), PhaseOf(re, im)};
}

Point Integrator(const BodeInputs &in, double theta) {
    const double cs = std::cos(theta);
    const double sn = std::sin(theta);
    double re = 0.0;
    double im = 0.0;
    Divide(in.ts * 0.5 * (1.0 + cs), in.ts * 0.5 * sn, cs - 1.0, sn, re, im);
    return {Decibels(std::sqrt(re * re + im * im) * in.omega0), PhaseOf(re, im)};
}

} // namespace

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

std::vector<double> HalfPowerFrequencies(std::span<const double> frequency,
                                         std::span<const double> gainDb) {
    const std::size_t n = std::min(frequency.size(), gainDb.size());
    double peak = -HUGE_VAL;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isgreater(gainDb[i], peak) && std::isfinite(gainDb[i])) {
            peak = gainDb[i];
        }
    }
    std::vector<double> crossings;
    if (!std::isfinite(peak)) {
        return crossings;
    }
    const double level = peak - 10.0 * std::log10(2.0);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double g0 = gainDb[i];
        const double g1 = gainDb[i + 1];
        if (!(frequency[i] > 0.0) || !(frequency[i + 1] > 0.0) || !std::isfinite(g0) ||
            !std::isfinite(g1) || (g0 >= level) == (g1 >= level)) {
            continue;
        }
        const double t = (level - g0) / (g1 - g0);
        const double l0 = std::log10(frequency[i]);
        const double l1 = std::log10(frequency[i + 1]);
        crossings.push_back(std::pow(10.0, l0 + t * (l1 - l0)));
    }
    return crossings;
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
    std::vector<double> hz = HalfPowerFrequencies(frequency, gainDb);
    for (double &f : hz) {
        f *= HertzPerRadian;
    }
    return hz;
}

std::optional<double> BodeResponse::PhaseAtHz(double hz) const {
    return PhaseAt(frequency, phaseDeg, hz * TwoPi);
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
    FloatingPointGuard guard;
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
        step = (Pi / t - omegaStart) * 0.0001;
    } else {
        step = sweep.stepMul * w0;
    }
    gainMin = gainMax = sweep.extremesAtG ? g : 0.0;
    phaseMin = phaseMax = 0.0;

    const Biquad biquad = sweep.formula == Formula::Digital ? DigitalCoefficients(in) : Biquad{};
    const double *a = designed.A();
    const double *b = designed.B();

    double omega = omegaStart;
    for (int i = 0; i < Points; ++i) {
        Point p{0.0, 0.0};
        switch (sweep.formula) {
        case Formula::Digital:
            p = Digital(biquad, omega * t);
            break;
        case Formula::Designed:
            p = Designed(a, b, omega * t);
            break;
        case Formula::Differentiator:
            p = Differentiator(in, omega * t);
            break;
        case Formula::Integrator:
            p = Integrator(in, omega * t);
            break;
        case Formula::Network: {
            double magnitude = 0.0;
            double phase = 0.0;
            network.FrequencyResponse(omega, t, magnitude, phase);
            p = {Decibels(magnitude), phase};
            break;
        }
        default:
            p = Analogue(sweep.formula, in, omega);
            break;
        }

        double asym = 0.0;
        switch (sweep.asymptote) {
        case Asymptote::Raised:
            asym = 2000.0 * std::log10(in.amplification) + 100.0;
            break;
        case Asymptote::HighPass:
            asym = omega >= w0 ? g : 40.0 * std::log10(in.amplification * omega / w0) - g;
            break;
        case Asymptote::LowPass:
            asym = omega > w0 ? g - 40.0 * std::log10(omega / w0) : g;
            break;
        case Asymptote::HighPass4th:
            asym =
                omega >= w0 ? g : 80.0 * std::log10(std::sqrt(in.amplification) * omega / w0) - g;
            break;
        case Asymptote::LowPass4th:
            asym = omega > w0 ? g - 80.0 * std::log10(omega / w0) : g;
            break;
        case Asymptote::AboveGain:
            asym = g + 100.0;
            break;
        case Asymptote::AboveMaximum:
            break;
        }
        Store(i, omega, p.gain, asym, p.phase);
        omega = omega + step;
    }
    if (sweep.asymptote == Asymptote::AboveMaximum) {
        for (double &v : asymptote) {
            v = gainMax + 100.0;
        }
    }
    // Where the points stop one step short of π/T, the axis ends at the Nyquist frequency.
    omegaEnd = toNyquist && sweep.formula != Formula::Network ? Pi / t : frequency[Points - 1];
    guard.Check();
}

void BodeResponse::Plot(Oscilloscope &gainScope, Canvas *gainCanvas, Oscilloscope &phaseScope,
                        Canvas *phaseCanvas) const {
    const double left = std::log10(omegaStart / TwoPi);
    const double right = std::log10(omegaEnd / TwoPi);
    gainScope.BindLog(gainCanvas, left, right, gainMin, gainMax + 2.0, 1, 0);
    phaseScope.BindLog(phaseCanvas, left, right, phaseMin * DegreesPerRadian,
                       phaseMax * DegreesPerRadian, 1, 0);
    for (int i = 0; i < Points; ++i) {
        const double x = std::log10(frequency[i] * HertzPerRadian);
        gainScope.PlotPair(x, asymptote[i], gainDb[i]);
        // The black trace lies above every phase range, along the top edge.
        phaseScope.PlotPair(x, 1000.0, phaseDeg[i]);
    }
}

} // namespace kaldorium
