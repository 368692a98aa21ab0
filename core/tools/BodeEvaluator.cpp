#include "core/tools/BodeEvaluator.h"

#include "core/signal/DesignedFilterSource.h"

#include <cmath>

namespace kaldorium::bode {

namespace {

// 20·log10|H|, with a magnitude of exactly 0 drawn at the floor instead of faulting.
double Decibels(double magnitude) {
    return magnitude == 0.0 ? BodeResponse::FloorDb : 20.0 * std::log10(magnitude);
}

double PhaseOf(double re, double im) {
    return (re == 0.0 && im == 0.0) ? 0.0 : std::atan2(im, re);
}

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
    const auto [nRe, nIm, dRe, dIm] = RatioAtAngle(a, b, 6, turn.cs, turn.sn);
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

} // namespace

Evaluator::Evaluator(Formula f, const BodeInputs &inputs, const DesignedFilterSource &designed,
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

Point Evaluator::At(double omega) const {
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

} // namespace kaldorium::bode
