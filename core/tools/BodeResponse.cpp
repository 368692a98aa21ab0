#include "core/tools/BodeResponse.h"

#include "core/common/Errors.h"
#include "core/signal/Canvas.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/HalfPower.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace kaldorium {

namespace {

constexpr double DegreesPerRadian = 57.29577951308232;
constexpr double HertzPerRadian = 0.15915494309189534198;

enum class Formula {
    Digital,
    Digital4th,
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

// N = num0·e^(j2θ) + num1·e^(jθ) + num2, D likewise.
// cos θ and sin θ of one point: the response and its delay share them.
struct Turn {
    double cs = 1.0;
    double sn = 0.0;
};

void BiquadAt(const Biquad &c, Turn turn, double &nRe, double &nIm, double &dRe, double &dIm) {
    const double cs = turn.cs;
    const double sn = turn.sn;
    const double c2 = 2.0 * cs * cs - 1.0;
    const double s2 = 2.0 * sn * cs;
    nRe = c.num[0] * c2 + c.num[1] * cs + c.num[2];
    nIm = c.num[0] * s2 + c.num[1] * sn;
    dRe = c.den[0] * c2 + c.den[1] * cs + c.den[2];
    dIm = c.den[0] * s2 + c.den[1] * sn;
}

// gain = 20·log10(√(|N|²/|D|²)), phase = arg(N·conj(D)).
Point Digital(const Biquad &c, Turn turn) {
    double nRe, nIm, dRe, dIm;
    BiquadAt(c, turn, nRe, nIm, dRe, dIm);
    const double n2 = nRe * nRe + nIm * nIm;
    const double d2 = dRe * dRe + dIm * dIm;
    const double gain = n2 == 0.0 ? BodeResponse::FloorDb : 20.0 * std::log10(std::sqrt(n2 / d2));
    return {gain, PhaseOf(nRe * dRe + nIm * dIm, nIm * dRe - nRe * dIm)};
}

// N = Σ a[m]·e^(−jmθ), D = Σ b[m]·e^(−jmθ), m = 0 … 6; the powers of e^(−jθ) by rotation.
Point Designed(const double *a, const double *b, Turn turn) {
    const double zRe = turn.cs;
    const double zIm = -turn.sn;
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

// Two identical second-order sections in series, the gain applied once: H = A0·(N/D)², with the
// section's coefficients designed for A0 = 1.
Point Digital4th(const Biquad &section, double a0, Turn turn) {
    double nRe, nIm, dRe, dIm;
    BiquadAt(section, turn, nRe, nIm, dRe, dIm);
    double re = 0.0;
    double im = 0.0;
    Divide(nRe, nIm, dRe, dIm, re, im);
    const double hRe = a0 * (re * re - im * im);
    const double hIm = a0 * 2.0 * re * im;
    return {Decibels(std::sqrt(hRe * hRe + hIm * hIm)), PhaseOf(hRe, hIm)};
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
Point Differentiator(const BodeInputs &in, Turn turn) {
    const double re = (1.0 - turn.cs) / in.ts;
    const double im = turn.sn / in.ts;
    return {Decibels(std::sqrt(re * re + im * im) / in.omega0), PhaseOf(re, im)};
}

Point Integrator(const BodeInputs &in, Turn turn) {
    const double cs = turn.cs;
    const double sn = turn.sn;
    double re = 0.0;
    double im = 0.0;
    Divide(in.ts * 0.5 * (1.0 + cs), in.ts * 0.5 * sn, cs - 1.0, sn, re, im);
    return {Decibels(std::sqrt(re * re + im * im) * in.omega0), PhaseOf(re, im)};
}

// One filter's gain and phase at any angular frequency: the sweep and the refinement of its
// half power points evaluate the same formula.
class Evaluator {
public:
    Evaluator(Formula f, const BodeInputs &inputs, const DesignedFilterSource &designed,
              FilterNetwork &filterNetwork)
        : formula(f), in(inputs), a(designed.A()), b(designed.B()), network(&filterNetwork) {
        if (formula == Formula::Digital) {
            biquad = DigitalCoefficients(in);
        } else if (formula == Formula::Digital4th) {
            BodeInputs section = in;
            section.type = in.type == fkHighPass4th ? fkHighPass : fkLowPass;
            section.amplification = 1.0;
            biquad = DigitalCoefficients(section);
        }
    }

    Point At(double omega) const {
        const double theta = omega * in.ts;
        switch (formula) {
        case Formula::Digital:
            return Digital(biquad, TurnAt(theta));
        case Formula::Digital4th:
            return Digital4th(biquad, in.amplification, TurnAt(theta));
        case Formula::Designed:
            return Designed(a, b, TurnAt(theta));
        case Formula::Differentiator:
            return Differentiator(in, TurnAt(theta));
        case Formula::Integrator:
            return Integrator(in, TurnAt(theta));
        case Formula::Network: {
            double magnitude = 0.0;
            double phase = 0.0;
            NetworkAt(omega, magnitude, phase);
            return {Decibels(magnitude), phase};
        }
        default:
            return Analogue(formula, in, omega);
        }
    }

    // −dφ/dω, s.
    double DelayAt(double omega) const;

private:
    // cos θ and sin θ; the last pair is kept, since the sweep asks for the gain and then the
    // delay at each point.
    Turn TurnAt(double theta) const {
        const auto bits = std::bit_cast<unsigned long long>(theta);
        if (!turnKnown || bits != lastTheta) {
            lastTurn = {std::cos(theta), std::sin(theta)};
            lastTheta = bits;
            turnKnown = true;
        }
        return lastTurn;
    }
    // The network's response at ω; the last one is kept, since the sweep asks for the gain and
    // then the delay (the response around ω) at each point.
    void NetworkAt(double omega, double &magnitude, double &phase) const {
        const auto bits = std::bit_cast<unsigned long long>(omega);
        if (!lastKnown || bits != lastOmega) {
            network->Response(omega, in.ts, lastRe, lastIm);
            // As FilterNetwork::FrequencyResponse gives them.
            lastMagnitude = std::sqrt(lastRe * lastRe + lastIm * lastIm);
            lastPhase = (lastRe == 0.0 && lastIm == 0.0) ? 0.0 : std::atan2(lastIm, lastRe);
            lastOmega = bits;
            lastKnown = true;
        }
        magnitude = lastMagnitude;
        phase = lastPhase;
    }

    Formula formula;
    const BodeInputs &in;
    Biquad biquad{};
    const double *a;
    const double *b;
    FilterNetwork *network;
    mutable unsigned long long lastTheta = 0;
    mutable bool turnKnown = false;
    mutable Turn lastTurn;
    mutable unsigned long long lastOmega = 0;
    mutable bool lastKnown = false;
    mutable double lastRe = 0.0;
    mutable double lastIm = 0.0;
    mutable double lastMagnitude = 0.0;
    mutable double lastPhase = 0.0;
};

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

// The delay in samples of B(e^(jθ)) = Σ b[k]·e^(−jkθ), with z = e^(−jθ) given: τ = Re(Σ k·b[k]·z^k
// / B), the powers of z by rotation. `zero` says B vanished there (then 0 is returned).
double DelayTerm(const double *b, int count, double zRe, double zIm, bool &zero) {
    double pRe = 1.0, pIm = 0.0, bRe = 0.0, bIm = 0.0, kRe = 0.0, kIm = 0.0;
    for (int k = 0; k < count; ++k) {
        bRe += b[k] * pRe;
        bIm += b[k] * pIm;
        kRe += k * b[k] * pRe;
        kIm += k * b[k] * pIm;
        const double next = pRe * zRe - pIm * zIm;
        pIm = pRe * zIm + pIm * zRe;
        pRe = next;
    }
    const double b2 = bRe * bRe + bIm * bIm;
    zero = count > 0 && b2 == 0.0;
    return b2 == 0.0 ? 0.0 : (kRe * bRe + kIm * bIm) / b2;
}

// The delay in samples of N/D (N's minus D's), one cosine and sine for both. A zero on the unit
// circle leaves the delay of the factors around it, read just beside it.
double RationalDelay(const double *num, int numCount, const double *den, int denCount, double theta,
                     Turn turn) {
    bool numZero = false;
    bool denZero = false;
    double zRe = turn.cs;
    double zIm = -turn.sn;
    double n = DelayTerm(num, numCount, zRe, zIm, numZero);
    double d = DelayTerm(den, denCount, zRe, zIm, denZero);
    if (numZero || denZero) {
        zRe = std::cos(theta + 1e-7);
        zIm = -std::sin(theta + 1e-7);
        n = numZero ? DelayTerm(num, numCount, zRe, zIm, numZero) : n;
        d = denZero ? DelayTerm(den, denCount, zRe, zIm, denZero) : d;
    }
    return n - d;
}

double Evaluator::DelayAt(double omega) const {
    const double t = in.ts;
    const double theta = omega * t;
    switch (formula) {
    case Formula::Digital:
        return t * RationalDelay(biquad.num, 3, biquad.den, 3, theta, TurnAt(theta));
    case Formula::Digital4th:
        return 2.0 * t * RationalDelay(biquad.num, 3, biquad.den, 3, theta, TurnAt(theta));
    case Formula::Designed:
        return t * RationalDelay(a, 7, b, 7, theta, TurnAt(theta));
    case Formula::Differentiator: {
        const double n[2] = {1.0, -1.0};
        return t * RationalDelay(n, 2, nullptr, 0, theta, TurnAt(theta));
    }
    case Formula::Integrator: {
        const double n[2] = {1.0, 1.0};
        const double d[2] = {1.0, -1.0};
        return t * RationalDelay(n, 2, d, 2, theta, TurnAt(theta));
    }
    case Formula::Network: {
        // τ = −Im(H'/H), H' from the complex response a small step either side (the phase
        // itself wraps, the complex response does not).
        const double h = omega * 1e-6;
        double magnitude = 0.0;
        double phase = 0.0;
        // The middle one: the response the sweep has just asked for, kept.
        NetworkAt(omega, magnitude, phase);
        const double hRe = lastRe;
        const double hIm = lastIm;
        if (magnitude == 0.0) {
            return 0.0;
        }
        double re[2], im[2];
        network->Response(omega - h, in.ts, re[0], im[0]);
        network->Response(omega + h, in.ts, re[1], im[1]);
        const double dRe = (re[1] - re[0]) / (2.0 * h);
        const double dIm = (im[1] - im[0]) / (2.0 * h);
        return -(dIm * hRe - dRe * hIm) / (magnitude * magnitude);
    }
    default: {
        // The numerators' zeros lie on the jω axis (s, s², s² + ω0²) and add no delay; the
        // denominator D = s² + 2ζω0·s + ω0² gives τ = Re(D'/D) at s = jω, D' = 2s + 2ζω0,
        // twice over for the fourth-order circuits.
        const double w0 = in.omega0;
        const double dRe = w0 * w0 - omega * omega;
        const double dIm = 2.0 * in.damping * w0 * omega;
        const double d2 = dRe * dRe + dIm * dIm;
        if (d2 == 0.0) {
            return 0.0;
        }
        const double pRe = 2.0 * in.damping * w0;
        const double pIm = 2.0 * omega;
        const double tau = (pRe * dRe + pIm * dIm) / d2;
        const bool fourth =
            formula == Formula::AnalogueLowPass4th || formula == Formula::AnalogueHighPass4th;
        return fourth ? 2.0 * tau : tau;
    }
    }
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
