#include "core/tools/PoleZero.h"

#include "core/common/Errors.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/TransferFunction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace kaldorium;

namespace {

constexpr double Ts = 0.000025;

// Each root as often as it occurs.
std::vector<Complex> Expanded(const std::vector<PoleZeroRoot> &roots) {
    std::vector<Complex> all;
    for (const PoleZeroRoot &r : roots) {
        all.insert(all.end(), static_cast<std::size_t>(r.multiplicity), r.z);
    }
    return all;
}

// Greedy multiset distance; infinite when the counts differ.
double MatchError(std::vector<Complex> found, const std::vector<Complex> &expected) {
    if (found.size() != expected.size()) {
        return INFINITY;
    }
    double worst = 0.0;
    for (const Complex &e : expected) {
        const auto nearest =
            std::min_element(found.begin(), found.end(), [&e](const Complex &x, const Complex &y) {
                return std::abs(x - e) < std::abs(y - e);
            });
        worst = std::max(worst, std::abs(*nearest - e));
        found.erase(nearest);
    }
    return worst;
}

// The analogue pole s = ωa·(−1/2Q + j·√(1 − 1/4Q²)) carried over by z = (2 + s·Ts)/(2 − s·Ts).
Complex ClosedFormPole(double f0, double q) {
    const double wa = 2.0 / Ts * std::tan(M_PI * f0 * Ts);
    const Complex s = wa * Complex(-0.5 / q, std::sqrt(1.0 - 0.25 / (q * q)));
    return (2.0 + s * Ts) / (2.0 - s * Ts);
}

class BandPassPoles : public ::testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(BandPassPoles, MatchTheClosedFormAndReadBackF0AndQ) {
    const auto [f0, q] = GetParam();
    const PoleZeroMap map = FindPolesAndZeros(KindTransfer(fkBandPass, f0, q, 2.0, Ts));
    ASSERT_EQ(map.poles.size(), 2u);
    const Complex expected = ClosedFormPole(f0, q);
    const Complex upper = map.poles[0].z.imag() > 0 ? map.poles[0].z : map.poles[1].z;
    EXPECT_NEAR(std::abs(upper), std::abs(expected), 1e-12);
    EXPECT_NEAR(std::arg(upper), std::arg(expected), 1e-12);
    EXPECT_LE(MatchError(Expanded(map.zeros), {1.0, -1.0}), 1e-15);
    EXPECT_EQ(map.stability, Stability::Stable);
    EXPECT_DOUBLE_EQ(map.largestPoleRadius, std::abs(upper));
    const RootDetails d = DescribeRoot(upper, Ts);
    EXPECT_TRUE(d.pair);
    EXPECT_NEAR(d.pairF0, f0, 1e-9 * f0);
    EXPECT_NEAR(d.pairQ, q, 1e-9 * q);
    EXPECT_NEAR(d.frequencyHz, std::arg(expected) / (2 * M_PI * Ts), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Grid, BandPassPoles,
                         ::testing::Combine(::testing::Values(20.0, 2000.0, 15000.0),
                                            ::testing::Values(0.8, 10.0, 300.0)));

TEST(PoleZero, BandRejectZerosLieOnTheCircleAtF0) {
    for (double f0 : {50.0, 2000.0, 19000.0}) {
        SCOPED_TRACE(f0);
        const PoleZeroMap map = FindPolesAndZeros(KindTransfer(fkBandReject, f0, 3.0, 1.0, Ts));
        ASSERT_EQ(map.zeros.size(), 2u);
        for (const PoleZeroRoot &z : map.zeros) {
            EXPECT_NEAR(std::abs(z.z), 1.0, 1e-12);
            EXPECT_NEAR(std::fabs(DescribeRoot(z.z, Ts).frequencyHz), f0, 1e-9 * f0);
        }
    }
}

TEST(PoleZero, DifferentiatorAndIntegratorHaveSingleRoots) {
    const PoleZeroMap d = FindPolesAndZeros(KindTransfer(fkDifferentiator, 1, 1, 1, Ts));
    ASSERT_EQ(d.zeros.size(), 1u);
    EXPECT_EQ(d.zeros[0].z, Complex(1.0));
    ASSERT_EQ(d.poles.size(), 1u); // (1 − z⁻¹) = (z − 1)/z
    EXPECT_EQ(d.poles[0].z, Complex(0.0));
    EXPECT_EQ(d.stability, Stability::Stable);

    const PoleZeroMap i = FindPolesAndZeros(KindTransfer(fkIntegrator, 1, 1, 1, Ts));
    ASSERT_EQ(i.zeros.size(), 1u);
    EXPECT_EQ(i.zeros[0].z, Complex(-1.0));
    ASSERT_EQ(i.poles.size(), 1u);
    EXPECT_EQ(i.poles[0].z, Complex(1.0));
    EXPECT_EQ(i.stability, Stability::MarginallyStable);
    EXPECT_STREQ(StabilityText(i.stability), "marginally stable");
}

TEST(PoleZero, FourthOrderKindsRepeatTheirSectionExactly) {
    const PoleZeroMap lp = FindPolesAndZeros(KindTransfer(fkLowPass4th, 1000, 0.7, 1, Ts));
    ASSERT_EQ(lp.poles.size(), 2u);
    EXPECT_EQ(lp.poles[0].multiplicity, 2);
    EXPECT_EQ(lp.poles[1].z, std::conj(lp.poles[0].z));
    ASSERT_EQ(lp.zeros.size(), 1u);
    EXPECT_EQ(lp.zeros[0].z, Complex(-1.0));
    EXPECT_EQ(lp.zeros[0].multiplicity, 4);
    const PoleZeroMap hp = FindPolesAndZeros(KindTransfer(fkHighPass4th, 1000, 0.7, 1, Ts));
    ASSERT_EQ(hp.zeros.size(), 1u);
    EXPECT_EQ(hp.zeros[0].multiplicity, 4);
    EXPECT_EQ(hp.zeros[0].z, Complex(1.0));
}

// The transfer function is what the Filter runs: its response equals the Filter's own (to the
// digits the direct form loses at low frequencies).
TEST(PoleZero, KindResponsesAreTheFiltersOwn) {
    for (FilterKind kind = fkBandPass; kind <= fkLowPass4th; ++kind) {
        Filter filter;
        filter.Configure(kind, 1500, 4, 1.5, Ts);
        const TransferFunction h = KindTransfer(kind, 1500, 4, 1.5, Ts);
        for (double f : {100.0, 1500.0, 7000.0}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " at " << f);
            double re = 0, im = 0;
            filter.FrequencyResponse(Ts, 2 * M_PI * f, re, im);
            EXPECT_LT(std::abs(h.Response(f, Ts) - Complex(re, im)),
                      1e-8 * std::abs(Complex(re, im)) + 1e-14);
        }
    }
    EXPECT_TRUE(FindPolesAndZeros(KindTransfer(fkAllPass, 1, 1, 0.0, Ts)).zeroResponse);
    const PoleZeroMap gain = FindPolesAndZeros(KindTransfer(fkAllPass, 1, 1, 3.0, Ts));
    EXPECT_TRUE(gain.poles.empty() && gain.zeros.empty() && !gain.zeroResponse);
}

TEST(PoleZero, StabilityFollowsTheOutermostPole) {
    const double a[3] = {1.0, 0.0, 0.0};
    const auto stability = [&a](std::initializer_list<double> b) {
        const std::vector<double> v(b);
        return FindPolesAndZeros(DirectFormTransfer(a, v.data(), 3)).stability;
    };
    EXPECT_EQ(stability({1.0, -1.8, 0.81}), Stability::Stable);         // 0.9 twice
    EXPECT_EQ(stability({1.0, 0.0, 1.0}), Stability::MarginallyStable); // ±j
    EXPECT_EQ(stability({1.0, -2.0, 1.0}), Stability::Unstable);        // 1 twice
    EXPECT_EQ(stability({1.0, -2.1, 1.1}), Stability::Unstable);        // 1.1 and 1
    const double zeroB[3] = {0.0, 1.0, 0.0};
    EXPECT_THROW(DirectFormTransfer(a, zeroB, 3), FloatingPointError);
}

// Stage settings: use, kind, f0, Q, A0.
class NetworkPoleZero : public ::testing::Test {
protected:
    void Use(int stage, FilterKind kind, double f0, double q, double a0) {
        settings[stage] = {true, kind, f0, q, a0};
    }
    TransferFunction Apply() {
        network.ApplySettings(settings);
        return NetworkTransfer(network, Ts, omegaRef);
    }
    // The stage as the network steps it at Ts: its numerator and denominator in z⁻¹.
    void StagePolynomials(int stage, Polynomial &num, Polynomial &den) const {
        Filter f = network.stages[stage];
        f.Design(f.f0, f.q, f.amplification, Ts);
        if (f.type == fkAllPass) {
            num = {f.amplification};
            den = {1.0};
        } else if (f.type == fkDifferentiator) {
            num = Polynomial{1.0, -1.0} * Polynomial{1.0 / Ts / omegaRef};
            den = {1.0};
        } else {
            num = f.gain * Polynomial(f.num, 3);
            den = Polynomial(f.den, 3);
        }
    }

    StageSetting settings[FilterNetwork::StageCount];
    FilterNetwork network;
    double omegaRef = 2 * M_PI * 1000;
};

// N = Nin·Nout·Σk Nk·Πj≠k Dj and D = Din·Dout·Πk Dk, formed directly (the branches' denominators
// differ, so this product is the least common one); the network's roots are theirs, and N/D
// has the impulse response the network runs.
TEST_F(NetworkPoleZero, RootsAreThoseOfTheCombinedPolynomials) {
    Use(FilterNetwork::InputStage, fkAllPass, 1, 1, 2.0);
    Use(FilterNetwork::OutputStage, fkBandReject, 5000, 2, 1.0);
    Use(FilterNetwork::StageIndex(1, 0), fkLowPass, 1000, 0.7, 1.0);
    Use(FilterNetwork::StageIndex(2, 0), fkBandPass, 3000, 5, 1.5);
    Use(FilterNetwork::StageIndex(2, 1), fkHighPass, 500, 1, 1.0);
    Use(FilterNetwork::StageIndex(3, 2), fkDifferentiator, 1, 1, 1.0);
    const PoleZeroMap map = FindPolesAndZeros(Apply());

    Polynomial branchNum[4], branchDen[4];
    for (int k = 1; k <= 4; ++k) {
        branchNum[k - 1] = {1.0};
        branchDen[k - 1] = {1.0};
        for (int column = 0; column < 3; ++column) {
            Polynomial n, d;
            StagePolynomials(FilterNetwork::StageIndex(k, column), n, d);
            branchNum[k - 1] = branchNum[k - 1] * n;
            branchDen[k - 1] = branchDen[k - 1] * d;
        }
    }
    Polynomial sum;
    Polynomial den{1.0};
    for (int k = 0; k < 4; ++k) {
        Polynomial term = branchNum[k];
        for (int j = 0; j < 4; ++j) {
            term = j == k ? term : term * branchDen[j];
        }
        sum = sum + term;
        den = den * branchDen[k];
    }
    Polynomial inNum, inDen, outNum, outDen;
    StagePolynomials(FilterNetwork::InputStage, inNum, inDen);
    StagePolynomials(FilterNetwork::OutputStage, outNum, outDen);
    const Polynomial num = inNum * outNum * sum;
    den = inDen * outDen * den;

    // Roots in z of the polynomials in z⁻¹, padded to the larger degree.
    const int degree = std::max(num.Degree(), den.Degree());
    const auto inZ = [degree](const Polynomial &p) {
        std::vector<double> c(static_cast<std::size_t>(degree) + 1, 0.0);
        for (int i = 0; i <= degree; ++i) {
            c[static_cast<std::size_t>(degree - i)] = p[i];
        }
        return Roots(Polynomial(c));
    };
    EXPECT_LE(MatchError(Expanded(map.zeros), inZ(num)), 1e-9);
    EXPECT_LE(MatchError(Expanded(map.poles), inZ(den)), 1e-9);

    // y = (Σ num·x − Σ den[i>0]·y)/den0 against the network's own samples.
    network.ClearStages();
    std::vector<double> y;
    for (int n = 0; n < 300; ++n) {
        double v = 0;
        for (int i = 0; i <= num.Degree() && i <= n; ++i) {
            v += num[i] * (n - i == 0 ? 1.0 : 0.0);
        }
        for (int i = 1; i <= den.Degree() && i <= n; ++i) {
            v -= den[i] * y[static_cast<std::size_t>(n - i)];
        }
        y.push_back(v / den[0]);
        const double run = network.ProcessSample(n == 0 ? 1.0 : 0.0, Ts, omegaRef);
        EXPECT_NEAR(run, y.back(), 1e-9 * (1 + std::fabs(run))) << "sample " << n;
    }
}

TEST_F(NetworkPoleZero, SharedDenominatorsAndCommonFactorsCountOnce) {
    // Band pass and low pass at the same f0 and Q share their denominator: two poles, not four.
    Use(FilterNetwork::StageIndex(1, 0), fkBandPass, 1000, 2, 1.0);
    Use(FilterNetwork::StageIndex(2, 0), fkLowPass, 1000, 2, 1.0);
    PoleZeroMap map = FindPolesAndZeros(Apply());
    EXPECT_EQ(Expanded(map.poles).size(), 2u);
    EXPECT_EQ(Expanded(map.zeros).size(), 2u);

    // Two fourth-order high passes in parallel keep their four zeros at 1 exactly.
    settings[FilterNetwork::StageIndex(1, 0)] = {true, fkHighPass4th, 1000, 0.7, 1.0};
    settings[FilterNetwork::StageIndex(2, 0)] = {true, fkHighPass4th, 3000, 0.7, 2.0};
    map = FindPolesAndZeros(Apply());
    const auto atOne = std::find_if(map.zeros.begin(), map.zeros.end(),
                                    [](const PoleZeroRoot &r) { return r.z == Complex(1.0); });
    ASSERT_NE(atOne, map.zeros.end());
    EXPECT_EQ(atOne->multiplicity, 4);
    EXPECT_EQ(Expanded(map.poles).size(), 8u);

    // Branches that cancel leave nothing; the default network has no roots at all.
    settings[FilterNetwork::StageIndex(1, 0)] = {true, fkAllPass, 1, 1, 1.0};
    settings[FilterNetwork::StageIndex(2, 0)] = {true, fkAllPass, 1, 1, -1.0};
    EXPECT_TRUE(FindPolesAndZeros(Apply()).zeroResponse);
    FilterNetwork fresh;
    const PoleZeroMap none = FindPolesAndZeros(NetworkTransfer(fresh, Ts, omegaRef));
    EXPECT_TRUE(none.poles.empty() && none.zeros.empty() && !none.zeroResponse);
}

TEST_F(NetworkPoleZero, RaisesNoFloatingPointFlags) {
    Use(FilterNetwork::StageIndex(1, 0), fkLowPass4th, 1000, 0.7, 1.0);
    Use(FilterNetwork::StageIndex(2, 0), fkIntegrator, 1, 1, 1.0);
    Use(FilterNetwork::StageIndex(3, 1), fkBandReject, 200, 9, 1.0);
    FloatingPointGuard guard;
    const PoleZeroMap map = FindPolesAndZeros(Apply());
    FloatingPointBarrier(map);
    EXPECT_NO_THROW(guard.Check());
    EXPECT_EQ(map.stability, Stability::MarginallyStable);
}

} // namespace
