#include "core/common/Polynomial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace kaldorium;

namespace {

// The largest distance, relative to max(1, |r|), between each expected root and a found one,
// matched greedily as multisets; infinite when the counts differ.
double MatchError(std::vector<Complex> found, const std::vector<Complex> &expected) {
    if (found.size() != expected.size()) {
        return std::numeric_limits<double>::infinity();
    }
    double worst = 0.0;
    for (const Complex &e : expected) {
        const auto nearest =
            std::min_element(found.begin(), found.end(), [&e](const Complex &x, const Complex &y) {
                return std::abs(x - e) < std::abs(y - e);
            });
        worst = std::max(worst, std::abs(*nearest - e) / std::max(1.0, std::abs(e)));
        found.erase(nearest);
    }
    return worst;
}

std::vector<Complex> WithConjugates(std::initializer_list<Complex> roots) {
    std::vector<Complex> all;
    for (const Complex &r : roots) {
        all.push_back(r);
        if (r.imag() != 0.0) {
            all.push_back(std::conj(r));
        }
    }
    return all;
}

struct RootCase {
    const char *name;
    std::vector<Complex> roots;
    double leading;
    double tolerance;
};

class PolynomialRoots : public ::testing::TestWithParam<RootCase> {};

// Where the roots are well conditioned they are found to the tolerance; everywhere they are
// roots of p to within the rounding of its terms (no better is possible from the coefficients).
TEST_P(PolynomialRoots, FindsKnownRoots) {
    const RootCase &c = GetParam();
    const Polynomial p = Polynomial::FromRoots(c.roots, c.leading);
    const std::vector<Complex> found = Roots(p);
    EXPECT_LE(MatchError(found, c.roots), c.tolerance);
    for (const Complex &r : found) {
        EXPECT_LE(std::abs(p.Evaluate(r)), 1e-14 * p.TermMagnitude(r)) << r;
    }
    // Complex roots come in exact conjugate pairs, the upper member first.
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].imag() > 0.0) {
            ASSERT_LT(i + 1, found.size());
            EXPECT_EQ(found[i + 1], std::conj(found[i]));
        }
    }
}

std::vector<Complex> Ring(int count, double radius) {
    std::vector<Complex> roots;
    for (int k = 0; k < count / 2; ++k) {
        const Complex r = std::polar(radius, 0.2 + 2.9 * k / (count / 2));
        roots.push_back(r);
        roots.push_back(std::conj(r));
    }
    return roots;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PolynomialRoots,
    ::testing::Values(
        RootCase{"Linear", {Complex(0.75)}, -3.0, 1e-15},
        RootCase{"QuadraticPair", WithConjugates({std::polar(0.99, 0.01)}), 2.0, 1e-14},
        RootCase{"Cubic", {Complex(0.5), Complex(-0.25), Complex(2.0)}, 1.0, 1e-13},
        RootCase{"SixthOrderSections",
                 WithConjugates({std::polar(0.9, 0.3), std::polar(0.5, 2.0), Complex(-0.7),
                                 Complex(0.2)}),
                 0.37, 1e-13},
        RootCase{"NarrowPolePair", WithConjugates({std::polar(0.9999, 0.0005), Complex(-0.5)}), 1.0,
                 1e-12},
        // Six poles within 0.01 of each other: the coefficients fix them only to about 1e-3.
        RootCase{"NarrowSixthOrder",
                 WithConjugates({std::polar(0.999, 0.001), std::polar(0.998, 0.003),
                                 std::polar(0.997, 0.006)}),
                 1.0, 1e-2},
        RootCase{"WideMagnitudes",
                 {Complex(100.0), Complex(0.01), Complex(-3.0), Complex(1e-3)},
                 5.0,
                 1e-13},
        RootCase{"Degree24Ring", Ring(24, 0.95), 1.0, 1e-11}),
    [](const ::testing::TestParamInfo<RootCase> &p) { return std::string(p.param.name); });

TEST(Polynomial, VanishingCoefficientsAndLowDegrees) {
    // Zero coefficients above the degree are ignored.
    EXPECT_LE(MatchError(Roots(Polynomial{-2.0, 1.0, 0.0, 0.0}), {Complex(2.0)}), 0.0);
    // Vanishing low coefficients are exact roots at 0.
    const std::vector<Complex> atZero = Roots(Polynomial{0.0, 0.0, -1.0, 1.0});
    ASSERT_EQ(atZero.size(), 3u);
    EXPECT_EQ(std::count(atZero.begin(), atZero.end(), Complex(0.0)), 2);
    EXPECT_LE(MatchError(atZero, {0.0, 0.0, 1.0}), 1e-15);
    EXPECT_TRUE(Roots(Polynomial{5.0}).empty());
    EXPECT_TRUE(Roots(Polynomial{0.0, 0.0}).empty());
    EXPECT_TRUE(Roots(Polynomial{}).empty());
    // A coefficient that is no number gives roots that are none, without hanging.
    const std::vector<Complex> bad = Roots(Polynomial{1.0, std::nan(""), 2.0, 1.0});
    ASSERT_EQ(bad.size(), 3u);
    EXPECT_TRUE(std::isnan(bad[0].real()));
}

// (x − r)^m for each root, multiplied out.
Polynomial Power(std::initializer_list<std::pair<Complex, int>> factors) {
    std::vector<Complex> roots;
    for (const auto &[r, m] : factors) {
        roots.insert(roots.end(), static_cast<std::size_t>(m), r);
    }
    return Polynomial::FromRoots(roots);
}

TEST(Polynomial, RepeatedRootsAreGatheredAtTheirMean) {
    struct Expected {
        Complex value;
        int multiplicity;
    };
    const Complex pair = std::polar(0.9, 0.7);
    const Polynomial p = Power({{0.5, 3}, {-1.0, 2}, {pair, 2}, {std::conj(pair), 2}, {0.1, 1}});
    const std::vector<Complex> raw = Roots(p);
    ASSERT_EQ(raw.size(), 10u);
    const std::vector<RootGroup> groups = GroupRoots(p, raw);
    const Expected expected[] = {{0.5, 3}, {-1.0, 2}, {pair, 2}, {std::conj(pair), 2}, {0.1, 1}};
    ASSERT_EQ(groups.size(), std::size(expected));
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.value);
        const auto g = std::find_if(groups.begin(), groups.end(), [&e](const RootGroup &x) {
            return std::abs(x.value - e.value) < 1e-6;
        });
        ASSERT_NE(g, groups.end());
        EXPECT_EQ(g->multiplicity, e.multiplicity);
        EXPECT_LT(std::abs(g->value - e.value), 1e-11);
    }
    // Six times −1, as a sixth-order low pass's numerator has it: its members are spread by
    // about 1e-3, their mean is exact.
    const Polynomial six = Power({{-1.0, 6}});
    const std::vector<RootGroup> one = GroupRoots(six, Roots(six));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].multiplicity, 6);
    EXPECT_LT(std::abs(one[0].value + 1.0), 1e-12);
    EXPECT_EQ(one[0].value.imag(), 0.0);
}

TEST(Polynomial, CloseDistinctRootsStayApart) {
    for (double gap : {1e-3, 1e-4, 1e-5}) {
        SCOPED_TRACE(gap);
        const Polynomial p =
            Power({{0.5, 1}, {0.5 + gap, 1}, {Complex(0.5, gap), 1}, {Complex(0.5, -gap), 1}});
        const std::vector<RootGroup> groups = GroupRoots(p, Roots(p));
        EXPECT_EQ(groups.size(), 4u);
    }
}

} // namespace
