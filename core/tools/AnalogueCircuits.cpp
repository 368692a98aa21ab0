#include "core/tools/AnalogueCircuits.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

namespace {

constexpr double kiloOhm = 1e3;
constexpr double nanoFarad = 1e-9;

// The resistors and capacitors of one circuit, for the rules that rescale all of them at once.
struct Parts {
    std::span<double *const> resistors;
    std::span<double *const> capacitors;

    // R × k, C ÷ k leaves every R·C product, and with it ω0, ζ and A0, unchanged.
    void ScaleBy(double k) const {
        for (double *r : resistors) {
            *r *= k;
        }
        for (double *c : capacitors) {
            *c /= k;
        }
    }
};

// C above 100 nF is brought to 10 nF, C below 0.1 nF to 1 nF, the rest of the circuit with it.
void CapacitorRule(const Parts &parts, double &c) {
    double target = 0.0;
    if (c > 100.0 * nanoFarad) {
        target = 10.0 * nanoFarad;
    } else if (c < 0.1 * nanoFarad) {
        target = 1.0 * nanoFarad;
    } else {
        return;
    }
    parts.ScaleBy(c / target);
    c = target;
}

// R below 1 kΩ is brought to 10 kΩ, R above 1 MΩ to 100 kΩ, the rest of the circuit with it.
void ResistorRule(const Parts &parts, double &r) {
    double target = 0.0;
    if (r < 1.0 * kiloOhm) {
        target = 10.0 * kiloOhm;
    } else if (r > 1000.0 * kiloOhm) {
        target = 100.0 * kiloOhm;
    } else {
        return;
    }
    parts.ScaleBy(target / r);
    r = target;
}

constexpr int rangePasses = 4;

// The gain resistors of a non-inverting amplifier with K = 1 + Rf/Rin.
void SetGain(double k, double rin, double &rinOut, double &rfOut) {
    rinOut = rin;
    rfOut = (k - 1.0) * rin;
}

} // namespace

// --- Components → transfer function -----------------------------------------------------------

FilterParameters Transfer(const InvertingLowPass &c) {
    FilterParameters p;
    // A0 = R4/R1, ω0 = 1/√(R4·R3·C2·C5), ζ = (1/R1 + 1/R3 + 1/R4)/(2·ω0·C2)
    p.a0 = c.r4 / c.r1;
    p.omega0 = 1.0 / std::sqrt(c.r4 * c.r3 * c.c2 * c.c5);
    p.zeta = (1.0 / c.r1 + 1.0 / c.r3 + 1.0 / c.r4) / (2.0 * p.omega0 * c.c2);
    return p;
}

FilterParameters Transfer(const InvertingHighPass &c) {
    FilterParameters p;
    // A0 = C1/C4, ω0 = 1/√(C4·R2·R5·C3), ζ = (C1 + C3 + C4)/(2·ω0·C4·C3·R5)
    p.a0 = c.c1 / c.c4;
    p.omega0 = 1.0 / std::sqrt(c.c4 * c.r2 * c.r5 * c.c3);
    p.zeta = (c.c1 + c.c3 + c.c4) / (2.0 * p.omega0 * c.c4 * c.c3 * c.r5);
    return p;
}

FilterParameters Transfer(const InvertingBandPass &c) {
    FilterParameters p;
    // B = (C3 + C4)/(R5·C3·C4), A0 = 1/(R1·C4·B), ω0 = √((R1 + R2)/(C4·C3·R5·R1·R2))
    p.bandwidth = (c.c3 + c.c4) / (c.r5 * c.c3 * c.c4);
    p.a0 = 1.0 / (c.r1 * c.c4 * p.bandwidth);
    p.omega0 = std::sqrt((c.r1 + c.r2) / (c.c4 * c.c3 * c.r5 * c.r1 * c.r2));
    p.zeta = p.bandwidth / (2.0 * p.omega0);
    p.q = p.omega0 / p.bandwidth;
    return p;
}

FilterParameters Transfer(const InvertingBandReject &c) {
    FilterParameters p;
    // A0 = R2/R1, ω0 = 1/√(R3·R4·C1·C2), Q = ω0·R3·R4·C2/R2
    p.a0 = c.r2 / c.r1;
    p.omega0 = 1.0 / std::sqrt(c.r3 * c.r4 * c.c1 * c.c2);
    p.q = p.omega0 * c.r3 * c.r4 * c.c2 / c.r2;
    p.zeta = 1.0 / (2.0 * p.q);
    p.bandwidth = p.omega0 / p.q;
    return p;
}

Design<NonInvertingLowPass> Transfer(const NonInvertingLowPass &c) {
    Design<NonInvertingLowPass> d{c, {}};
    FilterParameters &p = d.parameters;
    p.omega0 = 1.0 / std::sqrt(c.r1 * c.r2 * c.c3 * c.c4);
    p.a0 = 1.0 + c.rf / c.rin;
    // 2ζω0 = S − A0/(R2·C3); the circuit is unstable unless A0/(R2·C3) < S.
    const double s = 1.0 / (c.r2 * c.c4) + 1.0 / (c.r2 * c.c3) + 1.0 / (c.r1 * c.c4);
    if (p.a0 / (c.r2 * c.c3) >= s) {
        // 90 % of the limit; S·R2·C3 can be close to 1, and a gain below 1 needs a negative Rf.
        p.a0 = std::max(1.0, 0.9 * s * c.r2 * c.c3);
        SetGain(p.a0, 100.0 * kiloOhm, d.components.rin, d.components.rf);
    }
    p.zeta = (s - p.a0 / (c.r2 * c.c3)) / (2.0 * p.omega0);
    return d;
}

Design<NonInvertingHighPass> Transfer(const NonInvertingHighPass &c) {
    Design<NonInvertingHighPass> d{c, {}};
    FilterParameters &p = d.parameters;
    p.omega0 = 1.0 / std::sqrt(c.c1 * c.c2 * c.r3 * c.r4);
    p.a0 = 1.0 + c.rf / c.rin;
    // 2ζω0 = S − A0/(R4·C1), stable only while A0/(R4·C1) < S.
    const double s = 1.0 / (c.r3 * c.c1) + 1.0 / (c.r3 * c.c2) + 1.0 / (c.r4 * c.c1);
    if (p.a0 / (c.r4 * c.c1) >= s) {
        p.a0 = std::max(1.0, 0.9 * s * c.r4 * c.c1);
        SetGain(p.a0, 10.0 * kiloOhm, d.components.rin, d.components.rf);
    }
    p.zeta = (s - p.a0 / (c.r4 * c.c1)) / (2.0 * p.omega0);
    return d;
}

Design<NonInvertingBandPass> Transfer(const NonInvertingBandPass &c) {
    Design<NonInvertingBandPass> d{c, {}};
    FilterParameters &p = d.parameters;
    p.omega0 = 1.0 / std::sqrt(c.r1 * c.r2 * c.c1 * c.c2);
    double k = 1.0 + c.rf / c.rin;
    // G(s) = K/((1 − K)·R1·C2) · s/(s² + B·s + ω0²), B = 1/(R2·C2) + 1/(R1·C1) + 1/(R1·C2·(1 − K))
    p.bandwidth = 1.0 / (c.r2 * c.c2) + 1.0 / (c.r1 * c.c1) + 1.0 / (c.r1 * c.c2 * (1.0 - k));
    p.q = p.omega0 / p.bandwidth;
    if (p.q <= 0.5) {
        // Not realisable as a band pass: the equal-part design of Q = 0.51 instead.
        p.q = 0.51;
        p.bandwidth = p.omega0 / 0.51;
        k = (3.0 * p.q - 1.0) / (2.0 * p.q - 1.0);
        SetGain(k, 1.0 * kiloOhm, d.components.rin, d.components.rf);
        p.a0 = 3.0 * p.q - 1.0;
    } else {
        // The mid-band gain |G(jω0)|; with equal parts it is 3Q − 1.
        p.a0 = std::fabs(k / ((1.0 - k) * c.r1 * c.c2)) / p.bandwidth;
    }
    p.zeta = p.bandwidth / (2.0 * p.omega0);
    return d;
}

double RcOmega0(const RcPair &c) {
    return 1.0 / (c.r * c.c);
}

// --- Transfer function → components -----------------------------------------------------------

Design<InvertingLowPass> DesignInvertingLowPass(double omega0, double a0, double zeta) {
    InvertingLowPass c{};
    c.r4 = 500.0 * kiloOhm;
    c.r3 = 30.0 * kiloOhm;
    c.r1 = c.r4 / a0;
    c.c2 = (1.0 / c.r1 + 1.0 / c.r3 + 1.0 / c.r4) / (2.0 * zeta * omega0);
    c.c5 = 1.0 / (c.r4 * c.r3 * c.c2 * omega0 * omega0);
    double *const resistors[] = {&c.r1, &c.r3, &c.r4};
    double *const capacitors[] = {&c.c2, &c.c5};
    const Parts parts{resistors, capacitors};
    for (int pass = 0; pass < rangePasses; ++pass) {
        CapacitorRule(parts, c.c5);
        CapacitorRule(parts, c.c2);
        ResistorRule(parts, c.r1);
    }
    return {c, {omega0, zeta, a0, 0.0, 0.0}};
}

Design<InvertingHighPass> DesignInvertingHighPass(double omega0, double a0, double zeta) {
    InvertingHighPass c{};
    c.c1 = 150.0 * nanoFarad;
    c.c3 = 10.0 * nanoFarad;
    c.c4 = c.c1 / a0;
    c.r5 = (c.c1 + c.c3 + c.c4) / (2.0 * zeta * omega0 * c.c3 * c.c4);
    c.r2 = 1.0 / (c.r5 * c.c3 * c.c4 * omega0 * omega0);
    double *const resistors[] = {&c.r2, &c.r5};
    double *const capacitors[] = {&c.c1, &c.c3, &c.c4};
    const Parts parts{resistors, capacitors};
    for (int pass = 0; pass < rangePasses; ++pass) {
        CapacitorRule(parts, c.c4);
        ResistorRule(parts, c.r2);
        ResistorRule(parts, c.r5);
    }
    return {c, {omega0, zeta, a0, 0.0, 0.0}};
}

Design<InvertingBandPass> DesignInvertingBandPass(double omega0, double a0, double bandwidth) {
    InvertingBandPass c{};
    c.c4 = 100.0 * nanoFarad;
    // R2's denominator ω0²·R1·R5·C3·C4 − 1 = (C3 + C4)/(m·C4) − 1 is positive when
    // C3 > (m − 1)·C4; 110 nF·(m − 1) keeps a margin of 10 %.
    const double m = a0 * bandwidth * bandwidth / (omega0 * omega0);
    c.c3 = m <= 1.0 ? 100.0 * nanoFarad : 110.0 * nanoFarad * (m - 1.0);
    c.r1 = 1.0 / (a0 * bandwidth * c.c4);
    c.r5 = (c.c3 + c.c4) / (bandwidth * c.c3 * c.c4);
    c.r2 = c.r1 / (omega0 * omega0 * c.r1 * c.r5 * c.c3 * c.c4 - 1.0);
    double *const resistors[] = {&c.r1, &c.r2, &c.r5};
    double *const capacitors[] = {&c.c3, &c.c4};
    const Parts parts{resistors, capacitors};
    for (int pass = 0; pass < rangePasses; ++pass) {
        ResistorRule(parts, c.r2);
        ResistorRule(parts, c.r5);
        ResistorRule(parts, c.r1);
    }
    const FilterParameters p{omega0, bandwidth / (2.0 * omega0), a0, bandwidth, omega0 / bandwidth};
    return {c, p};
}

Design<InvertingBandReject> DesignInvertingBandReject(double omega0, double a0, double bandwidth) {
    InvertingBandReject c{};
    const double q = omega0 / bandwidth;
    c.r1 = 100.0 * kiloOhm;
    c.r2 = a0 * 100.0 * kiloOhm;
    c.c1 = 1.0 / (q * omega0 * c.r2);
    c.c2 = 4.0 * q / (omega0 * c.r2);
    c.r3 = c.r2 / 2.0;
    c.r4 = c.r2 / 2.0;
    return {c, {omega0, bandwidth / (2.0 * omega0), a0, bandwidth, q}};
}

Design<NonInvertingLowPass> DesignNonInvertingLowPass(double omega0, double a0, double zeta) {
    // With C3 = C4 = C and x = R2·ω0·C: x² − 2ζx + (2 − A0) = 0, real only for A0 ≥ 2 − ζ².
    if (a0 <= 1.0) {
        a0 = 2.0;
    }
    if (a0 < 2.0 - zeta * zeta) {
        a0 = 2.0;
    }
    NonInvertingLowPass c{};
    SetGain(a0, 10.0 * kiloOhm, c.rin, c.rf);
    const double cap = 10.0 * nanoFarad;
    c.c3 = c.c4 = cap;
    c.r2 = zeta * (1.0 + std::sqrt((a0 - 2.0) / (zeta * zeta) + 1.0)) / (omega0 * cap);
    c.r1 = 1.0 / (c.r2 * omega0 * omega0 * cap * cap);
    double *const resistors[] = {&c.r1, &c.r2};
    double *const capacitors[] = {&c.c3, &c.c4};
    const Parts parts{resistors, capacitors};
    parts.ScaleBy(IntegerScaleFactor(c.r1));
    parts.ScaleBy(IntegerScaleFactor(c.r2));
    return {c, {omega0, zeta, a0, 0.0, 0.0}};
}

Design<NonInvertingHighPass> DesignNonInvertingHighPass(double omega0, double a0, double zeta) {
    // With C1 = C2 = C and y = R4·ω0·C: 2y² − 2ζy + (1 − A0) = 0.
    if (a0 <= 1.0) {
        a0 = 2.0;
    }
    if (a0 < 1.0 - zeta * zeta / 2.0) {
        a0 = 2.0;
    }
    NonInvertingHighPass c{};
    SetGain(a0, 10.0 * kiloOhm, c.rin, c.rf);
    const double cap = 10.0 * nanoFarad;
    c.c1 = c.c2 = cap;
    c.r4 = (zeta + std::sqrt(zeta * zeta + 2.0 * a0 - 2.0)) / (2.0 * omega0 * cap);
    c.r3 = 1.0 / (c.r4 * omega0 * omega0 * cap * cap);
    double *const resistors[] = {&c.r3, &c.r4};
    double *const capacitors[] = {&c.c1, &c.c2};
    const Parts parts{resistors, capacitors};
    parts.ScaleBy(IntegerScaleFactor(c.r3));
    parts.ScaleBy(IntegerScaleFactor(c.r4));
    return {c, {omega0, zeta, a0, 0.0, 0.0}};
}

Design<NonInvertingBandPass> DesignNonInvertingBandPass(double omega0, double bandwidth) {
    // Equal parts give B = ω0·(2 + 1/(1 − K)): Q = ω0/B needs K = (3Q − 1)/(2Q − 1), finite and
    // above 1 only for Q > 0.5.
    if (bandwidth >= 2.0 * omega0) {
        bandwidth = 1.99 * omega0;
    }
    const double q = omega0 / bandwidth;
    NonInvertingBandPass c{};
    c.c1 = c.c2 = 10.0 * nanoFarad;
    c.r1 = c.r2 = 1.0 / (omega0 * 10.0 * nanoFarad);
    const double k = (3.0 * q - 1.0) / (2.0 * q - 1.0);
    SetGain(k, 10.0 * kiloOhm, c.rin, c.rf);
    return {c, {omega0, bandwidth / (2.0 * omega0), 3.0 * q - 1.0, bandwidth, q}};
}

RcPair DesignRc(double omega0) {
    const double c = 1.0 * nanoFarad;
    return {1.0 / (omega0 * c), c};
}

double IntegerScaleFactor(double resistance) {
    return resistance < 1.0 * kiloOhm ? std::trunc(1.0 * kiloOhm / resistance + 1.0) : 1.0;
}

bool ScaleComponents(std::span<double> resistances, std::span<double> capacitances, double factor,
                     ScaleDirection direction) {
    if (!(factor > 0.0)) {
        return false;
    }
    const bool multiply = direction == ScaleDirection::Multiply;
    for (double &r : resistances) {
        r = multiply ? r * factor : r / factor;
    }
    for (double &c : capacitances) {
        c = multiply ? c / factor : c * factor;
    }
    return true;
}

// --- Linked fields ----------------------------------------------------------------------------

std::optional<BandLink> LinkBandwidth(double bandwidth, double omega0) {
    if (omega0 == 0.0) {
        return std::nullopt;
    }
    return BandLink{bandwidth / (2.0 * omega0), bandwidth == 0.0 ? 0.0 : omega0 / bandwidth,
                    bandwidth};
}

BandLink LinkQuality(double q, double omega0) {
    if (q == 0.0) {
        return {0.0, q, 0.0};
    }
    return {1.0 / (2.0 * q), q, omega0 / q};
}

BandLink LinkDamping(double zeta, double omega0) {
    return {zeta, zeta == 0.0 ? 0.0 : 1.0 / (2.0 * zeta), 2.0 * omega0 * zeta};
}

} // namespace kaldorium
