#include "core/tools/PoleZero.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kaldorium {

namespace {

// The roots of one factor in z: the delay (low powers of z⁻¹) is taken off, the rest turned
// into a polynomial in z whose roots are all away from the origin.
void AddRoots(const Polynomial &factor, std::vector<PoleZeroRoot> &into) {
    const Polynomial inZ = factor.WithoutLowPowers().Reversed();
    for (const RootGroup &g : GroupRoots(inZ, Roots(inZ))) {
        // Equal roots of different factors (a section taken twice) are one root.
        const auto same = std::find_if(into.begin(), into.end(), [&g](const PoleZeroRoot &r) {
            return std::abs(r.z - g.value) <= 1e-12 * std::max(1.0, std::abs(r.z));
        });
        if (same != into.end()) {
            same->multiplicity += g.multiplicity;
        } else {
            into.push_back({g.value, g.multiplicity});
        }
    }
}

int DegreeOf(const std::vector<Polynomial> &factors) {
    int degree = 0;
    for (const Polynomial &f : factors) {
        degree += f.Degree();
    }
    return degree;
}

void AddAtOrigin(std::vector<PoleZeroRoot> &into, int count) {
    if (count > 0) {
        into.push_back({Complex(0.0, 0.0), count});
    }
}

Stability StabilityOf(const std::vector<PoleZeroRoot> &poles) {
    Stability s = Stability::Stable;
    for (const PoleZeroRoot &p : poles) {
        const double r = std::abs(p.z);
        if (std::isgreater(r, 1.0 + UnitCircleTolerance) || !std::isfinite(r)) {
            return Stability::Unstable;
        }
        if (std::isgreaterequal(r, 1.0 - UnitCircleTolerance)) {
            if (p.multiplicity > 1) {
                return Stability::Unstable;
            }
            s = Stability::MarginallyStable;
        }
    }
    return s;
}

} // namespace

const char *StabilityText(Stability stability) {
    switch (stability) {
    case Stability::MarginallyStable:
        return "marginally stable";
    case Stability::Unstable:
        return "unstable";
    default:
        return "stable";
    }
}

PoleZeroMap FindPolesAndZeros(const TransferFunction &h) {
    PoleZeroMap map;
    map.zeroResponse = h.IsZero();
    for (const Polynomial &f : h.denominator) {
        AddRoots(f, map.poles);
    }
    const int poleDegree = DegreeOf(h.denominator);
    if (!map.zeroResponse) {
        for (const Polynomial &f : h.numerator) {
            AddRoots(f, map.zeros);
        }
        const int zeroDegree = DegreeOf(h.numerator);
        AddAtOrigin(map.zeros, poleDegree - zeroDegree);
        AddAtOrigin(map.poles, zeroDegree - poleDegree);
    }
    const auto byPosition = [](const PoleZeroRoot &x, const PoleZeroRoot &y) {
        if (x.z.real() != y.z.real()) {
            return x.z.real() < y.z.real();
        }
        if (std::fabs(x.z.imag()) != std::fabs(y.z.imag())) {
            return std::fabs(x.z.imag()) < std::fabs(y.z.imag());
        }
        return x.z.imag() > y.z.imag();
    };
    std::sort(map.poles.begin(), map.poles.end(), byPosition);
    std::sort(map.zeros.begin(), map.zeros.end(), byPosition);
    for (const PoleZeroRoot &p : map.poles) {
        map.largestPoleRadius = std::max(map.largestPoleRadius, std::abs(p.z));
    }
    map.stability = StabilityOf(map.poles);
    return map;
}

RootDetails DescribeRoot(Complex z, double ts) {
    RootDetails d;
    d.radius = std::abs(z);
    d.frequencyHz = std::arg(z) / (2.0 * std::numbers::pi * ts);
    d.pair = z.imag() != 0.0;
    if (d.pair) {
        // s = (2/Ts)·(z − 1)/(z + 1) = −(ω/2Q) ± j·…, |s| = ω the pre-warped ωa;
        // f0 = atan(ωa·Ts/2)/(π·Ts) undoes the pre-warping.
        const Complex s = (2.0 / ts) * (z - 1.0) / (z + 1.0);
        const double omega = std::abs(s);
        d.pairF0 = std::atan(omega * ts * 0.5) / (std::numbers::pi * ts);
        d.pairQ =
            s.real() == 0.0 ? std::numeric_limits<double>::infinity() : omega / (-2.0 * s.real());
    }
    return d;
}

std::array<CircleMark, 5> FrequencyMarks(double ts) {
    std::array<CircleMark, 5> marks;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        marks[k].angle = static_cast<double>(k) * std::numbers::pi / 4.0;
        marks[k].frequencyHz = static_cast<double>(k) / (8.0 * ts);
    }
    return marks;
}

} // namespace kaldorium
