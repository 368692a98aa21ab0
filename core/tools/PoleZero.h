#pragma once

#include "core/common/Polynomial.h"
#include "core/tools/TransferFunction.h"

#include <array>
#include <vector>

namespace kaldorium {

// A pole or zero in the z-plane and how often it occurs.
struct PoleZeroRoot {
    Complex z;
    int multiplicity = 1;
};

enum class Stability { Stable, MarginallyStable, Unstable };

// "stable", "marginally stable", "unstable".
const char *StabilityText(Stability stability);

// The poles and zeros of a transfer function, as the pole-zero plot shows them.
struct PoleZeroMap {
    // Each distinct root once with its multiplicity; a conjugate pair as two entries, the member
    // with the positive imaginary part first. Roots at the origin come from the difference of
    // the degrees in z⁻¹ (both polynomials multiplied by z to the larger degree), so a pole and a
    // zero never both sit there.
    std::vector<PoleZeroRoot> poles;
    std::vector<PoleZeroRoot> zeros;
    // H vanishes identically: there are no zeros to show (the poles still are the recursion's).
    bool zeroResponse = false;
    double largestPoleRadius = 0.0; // 0 without poles
    Stability stability = Stability::Stable;
};

// Within this distance of the unit circle a pole counts as on it.
inline constexpr double UnitCircleTolerance = 1e-9;

// Finds the roots of every factor on its own and gathers equal ones. Stable: every pole inside
// the circle. Marginally stable: the outermost poles on it, each simple (the integrator). A pole
// outside, or a repeated pole on the circle (whose response grows without bound, like two
// integrators in series), is unstable.
PoleZeroMap FindPolesAndZeros(const TransferFunction &h);

// What the table shows of one root at sampling period Ts.
struct RootDetails {
    double radius = 0.0;
    // The angle as a frequency, arg(z)/(2π·Ts): −fs/2 … fs/2, negative for the lower member of
    // a pair.
    double frequencyHz = 0.0;
    // A member of a conjugate pair (imaginary part not zero); f0 and Q are then those of the
    // analogue second-order section s² + (ω/Q)·s + ω² that the pre-warped bilinear transform
    // carries onto this pair, the mapping every design here uses: a design's own poles read
    // back its f0 and Q. Q is infinite for a pair on the unit circle and negative outside it.
    bool pair = false;
    double pairF0 = 0.0;
    double pairQ = 0.0;
};
RootDetails DescribeRoot(Complex z, double ts);

// A frequency mark on the unit circle: at angle 2π·f·Ts on the upper half (the lower half
// mirrors it).
struct CircleMark {
    double angle = 0.0;
    double frequencyHz = 0.0;
};
// 0, fs/8, fs/4, 3·fs/8 and fs/2.
std::array<CircleMark, 5> FrequencyMarks(double ts);

} // namespace kaldorium
