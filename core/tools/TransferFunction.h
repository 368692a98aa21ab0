#pragma once

#include "core/common/Polynomial.h"
#include "core/signal/Filterclass.h"

#include <vector>

namespace kaldorium {

class FilterNetwork;

// H(z) = gain · Π numerator[i] / Π denominator[j], each factor a polynomial in z⁻¹ (ascending
// powers, as the filters store their coefficients) whose first non-zero coefficient is 1. The
// function is kept as the product of the small polynomials it is built from, so that a repeated
// section stays exactly repeated and the roots of each factor are found on their own.
struct TransferFunction {
    double gain = 1.0;
    std::vector<Polynomial> numerator;
    std::vector<Polynomial> denominator;

    // Multiplies H by factor (numerator) or divides it by factor (denominator); the factor's
    // first non-zero coefficient moves into the gain. A zero factor makes H zero.
    void MultiplyBy(const Polynomial &factor);
    void DivideBy(const Polynomial &factor);

    // gain·Π numerator and Π denominator, multiplied out.
    Polynomial Numerator() const;
    Polynomial Denominator() const;
    // H vanishes identically (zero gain).
    bool IsZero() const { return gain == 0.0; }
    // H(e^(j·2π·f·Ts)).
    Complex Response(double frequencyHz, double ts) const;
};

// The transfer function of the Filter of `kind` at f0, Q, A0 and Ts, from the coefficients the
// Filter itself designs, its gain included: kinds 0 … 3 one section, 4 and 5 their section
// twice (the Filter runs the product), the differentiator (1 − z⁻¹)/Ts and the integrator
// (Ts/2)·(1 + z⁻¹)/(1 − z⁻¹) without the workbench's normalisation to the oscillator frequency,
// the gain stage A0. The designed filter (9) is the set of `designer` (A over B; without one the
// pass-through the Filter runs); it is read, never recomputed. A code the Filter does not know
// runs, and is given, as the band pass. Throws FloatingPointError for a designed set with b0 = 0,
// which the Filter refuses to run.
TransferFunction KindTransfer(FilterKind kind, double f0, double q, double a0, double ts,
                              const DesignedFilterSource *designer = nullptr);

// The transfer function of a direct-form set a[0 … count−1] over b[0 … count−1]: one factor
// each, whose roots are then found from the whole polynomial. Throws FloatingPointError when
// b0 = 0.
TransferFunction DirectFormTransfer(const double *a, const double *b, int count);

// The whole network at period Ts as ProcessSample runs it: every stage at Ts, a differentiator
// stage divided and an integrator stage multiplied by ωref, the stages of a branch multiplied,
// the branches added, then input and output stage. The sum is formed exactly over the least
// common denominator of the branches (a denominator shared by two branches counts once), a
// branch of zero gain adds nothing (its poles are not the network's), and factors common to all
// branches stay outside the sum; only the rest of the sum is multiplied out, so the zeros of the
// combined numerator come from one polynomial and everything else from its stage.
TransferFunction NetworkTransfer(const FilterNetwork &network, double ts, double omegaRef);

} // namespace kaldorium
