#pragma once

#include <optional>
#include <span>

// Second-order active filters around one operational amplifier (two for the band reject), the
// differentiator and the integrator, in both directions: components → transfer-function
// parameters, and parameters → a practical set of components.
//
// Everything is in SI units: ohms, farads, rad/s. The functions do not test their inputs: a value
// that makes a formula divide by zero or take the root of a negative number raises the
// floating-point flags, which the caller checks before it shows anything.
namespace kaldorium {

// ω0 (rad/s), ζ and A0 of G(s); B = 2ζω0 (rad/s) and Q = ω0/B are filled for the band circuits.
struct FilterParameters {
    double omega0 = 0.0;
    double zeta = 0.0;
    double a0 = 0.0;
    double bandwidth = 0.0;
    double q = 0.0;
};

// Multiple-feedback low pass: R1 input → N, C2 N → ground, R4 N → output, R3 N → inverting input,
// C5 inverting input → output.
struct InvertingLowPass {
    double r1, c2, r3, r4, c5;
};
// Multiple-feedback high pass: C1 input → N, R2 N → ground, C4 N → output, C3 N → inverting
// input, R5 inverting input → output.
struct InvertingHighPass {
    double c1, r2, c3, c4, r5;
};
// Multiple-feedback band pass: R1 input → N, R2 N → ground, C4 N → output, C3 N → inverting
// input, R5 inverting input → output.
struct InvertingBandPass {
    double r1, r2, c3, c4, r5;
};
// Two-amplifier band reject: gain R2/R1, resonance of C1 with the simulated inductance R3·R4·C2.
struct InvertingBandReject {
    double r1, r2, c1, c2, r3, r4;
};
// Sallen-Key low pass: R1 input → N, R2 N → P, C3 P → ground, C4 N → output; the amplifier's
// gain K = 1 + Rf/Rin is set by Rin (inverting input → ground) and Rf (inverting input → output).
struct NonInvertingLowPass {
    double r1, r2, c3, c4, rin, rf;
};
// Sallen-Key high pass: C1 input → N, C2 N → P, R3 P → ground, R4 N → output; gain as above.
struct NonInvertingHighPass {
    double c1, c2, r3, r4, rin, rf;
};
// Band pass: R1 and C1 in series from the input to N at the non-inverting input, C2 and R2 from
// N to the output; gain as above.
struct NonInvertingBandPass {
    double r1, r2, c1, c2, rin, rf;
};
// Differentiator (C in, R feedback) and integrator (R in, C feedback).
struct RcPair {
    double r, c;
};

// A set of components with the parameters it realises (which may differ from those asked for
// where a design or a transfer corrects the gain).
template <typename Circuit> struct Design {
    Circuit components;
    FilterParameters parameters;
};

// --- Components → transfer function -----------------------------------------------------------

FilterParameters Transfer(const InvertingLowPass &circuit);
FilterParameters Transfer(const InvertingHighPass &circuit);
FilterParameters Transfer(const InvertingBandPass &circuit);
FilterParameters Transfer(const InvertingBandReject &circuit);
// The non-inverting transfers replace a gain that would make the circuit unstable by 90 % of its
// limit (at least 1) and return the gain resistors that realise it.
Design<NonInvertingLowPass> Transfer(const NonInvertingLowPass &circuit);
Design<NonInvertingHighPass> Transfer(const NonInvertingHighPass &circuit);
Design<NonInvertingBandPass> Transfer(const NonInvertingBandPass &circuit);
// ω0 = 1/(R·C), for the differentiator G(s) = −s/ω0 and the integrator G(s) = −ω0/s alike.
double RcOmega0(const RcPair &circuit);

// --- Transfer function → components -----------------------------------------------------------

// Inverting low pass, high pass and band pass: the initial values, then four passes of the range
// rules; the band reject has no range rules.
Design<InvertingLowPass> DesignInvertingLowPass(double omega0, double a0, double zeta);
Design<InvertingHighPass> DesignInvertingHighPass(double omega0, double a0, double zeta);
Design<InvertingBandPass> DesignInvertingBandPass(double omega0, double a0, double bandwidth);
Design<InvertingBandReject> DesignInvertingBandReject(double omega0, double a0, double bandwidth);
// Non-inverting designs with equal capacitors; the gain is guarded (see the definitions).
Design<NonInvertingLowPass> DesignNonInvertingLowPass(double omega0, double a0, double zeta);
Design<NonInvertingHighPass> DesignNonInvertingHighPass(double omega0, double a0, double zeta);
// The band-pass gain follows from Q and is not an input.
Design<NonInvertingBandPass> DesignNonInvertingBandPass(double omega0, double bandwidth);
// C = 1 nF, R = 1/(ω0·C).
RcPair DesignRc(double omega0);

// k(R): the integer part of 1000/R + 1 for R below 1000 Ω, else 1. Kept in floating point, so a
// tiny resistance gives a large factor instead of overflowing an integer.
double IntegerScaleFactor(double resistance);

// Multiply: every resistance × factor, every capacitance ÷ factor; divide: the reverse. The
// transfer function is unchanged. A factor of 0 or below changes nothing and gives false.
enum class ScaleDirection { Multiply, Divide };
bool ScaleComponents(std::span<double> resistances, std::span<double> capacitances, double factor,
                     ScaleDirection direction);

// --- Linked fields ----------------------------------------------------------------------------

// Set by a key release in a linked field; the first change handler that sees it consumes it, so
// texts written by the program update their companions only after a key release.
class LinkedFieldFlag {
public:
    void Set() { set = true; }
    // True once after each Set().
    bool Consume() {
        const bool was = set;
        set = false;
        return was;
    }

private:
    bool set = false;
};

// The companions of a band circuit's B, Q or ζ (B and ω0 in the same unit).
struct BandLink {
    double zeta;
    double q;
    double bandwidth;
};
// ζ = B/(2ω0), Q = ω0/B (0 when B is 0); nothing when ω0 is 0.
std::optional<BandLink> LinkBandwidth(double bandwidth, double omega0);
// ζ = 1/(2Q), B = ω0/Q (both 0 when Q is 0).
BandLink LinkQuality(double q, double omega0);
// Q = 1/(2ζ) (0 when ζ is 0), B = 2ω0ζ.
BandLink LinkDamping(double zeta, double omega0);

} // namespace kaldorium
