#include "core/signal/Filterclass.h"
#include "core/signal/DesignedFilterSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace kaldorium {
namespace {

constexpr double kTs = 0.000025; // 40 kHz

double Db(std::complex<double> h) {
    return 20.0 * std::log10(std::abs(h));
}

// Analogue prototype of the second-order kinds at s = jΩ, where the bilinear transform with
// pre-warping maps a digital frequency f to Ω = (2/Ts)·tan(π·f·Ts). Independent of the filter's
// coefficients: a digital response equals this exactly.
std::complex<double> Prototype(int kind, double f0, double q, double f, double ts) {
    const double wa = 2.0 / ts * std::tan(M_PI * f0 * ts);
    const double w = 2.0 / ts * std::tan(M_PI * f * ts);
    const std::complex<double> s(0.0, w);
    const std::complex<double> den = s * s + (wa / q) * s + wa * wa;
    switch (kind) {
    case fkBandReject:
        return (s * s + wa * wa) / den;
    case fkHighPass:
        return s * s / den;
    case fkLowPass:
        return wa * wa / den;
    case fkHighPass4th:
        return std::pow(s * s / den, 2);
    case fkLowPass4th:
        return std::pow(wa * wa / den, 2);
    default:
        return (wa / q) * s / den;
    }
}

// Drives `filter` with sin(2π·f·t) until the transient has died away, then takes the complex
// steady-state response from the quadrature sums over `periods` whole periods of P samples.
std::complex<double> MeasureSteadyState(Filter &filter, double f0, double q, double a0, int period,
                                        int settle = 30000) {
    const double omega = 2 * std::numbers::pi / period;
    int n = 0;
    for (; n < settle; ++n) {
        filter.Process(f0, q, a0, kTs, std::sin(omega * n));
    }
    const int count = period * 20;
    double re = 0.0;
    double im = 0.0;
    for (int i = 0; i < count; ++i, ++n) {
        const double y = filter.Process(f0, q, a0, kTs, std::sin(omega * n));
        re += y * std::sin(omega * n);
        im += y * std::cos(omega * n);
    }
    return {2.0 * re / count, 2.0 * im / count};
}

// ---------------------------------------------------------------------------------------------
// Second- and fourth-order kinds against the analogue prototype: steady state of Process and
// FrequencyResponse, at f0/2, f0 and 2·f0.

struct DesignCase {
    int kind;
    double f0;
    double q;
};

std::string Name(const testing::TestParamInfo<DesignCase> &info) {
    return "kind" + std::to_string(info.param.kind) + "_f" +
           std::to_string(static_cast<int>(info.param.f0)) + "_q" +
           std::to_string(static_cast<int>(info.param.q * 100));
}

class FilterDesignTest : public testing::TestWithParam<DesignCase> {};

TEST_P(FilterDesignTest, SteadyStateMatchesPrototype) {
    const DesignCase c = GetParam();
    const double a0 = 1.5;
    // f = 40000/P Hz: P = 40000/f0 at the centre, twice and half that around it.
    const int centre = static_cast<int>(40000.0 / c.f0);
    for (int period : {2 * centre, centre, centre / 2}) {
        SCOPED_TRACE("period " + std::to_string(period));
        Filter filter(c.kind);
        const std::complex<double> got = MeasureSteadyState(filter, c.f0, c.q, a0, period);
        const std::complex<double> want = a0 * Prototype(c.kind, c.f0, c.q, 40000.0 / period, kTs);
        EXPECT_NEAR(got.real(), want.real(), 1e-6 * (1.0 + std::abs(want)));
        EXPECT_NEAR(got.imag(), want.imag(), 1e-6 * (1.0 + std::abs(want)));
    }
}

TEST_P(FilterDesignTest, FrequencyResponseMatchesPrototype) {
    const DesignCase c = GetParam();
    Filter filter(c.kind);
    filter.Design(c.f0, c.q, 0.5, kTs);
    for (double f : {10.0, c.f0 / 3.0, c.f0, c.f0 * 1.7, 15000.0}) {
        SCOPED_TRACE("f " + std::to_string(f));
        double re = 0.0;
        double im = 0.0;
        filter.FrequencyResponse(kTs, 2 * std::numbers::pi * f, re, im);
        const std::complex<double> want = 0.5 * Prototype(c.kind, c.f0, c.q, f, kTs);
        EXPECT_NEAR(re, want.real(), 1e-9 * (1.0 + std::abs(want)));
        EXPECT_NEAR(im, want.imag(), 1e-9 * (1.0 + std::abs(want)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FilterDesignTest,
    testing::Values(DesignCase{fkBandPass, 1000, 10}, DesignCase{fkBandPass, 2000, 0.7071},
                    DesignCase{fkBandReject, 1000, 2}, DesignCase{fkBandReject, 500, 0.7071},
                    DesignCase{fkHighPass, 2000, 0.7071}, DesignCase{fkHighPass, 500, 2},
                    DesignCase{fkLowPass, 1000, 0.7071}, DesignCase{fkLowPass, 2000, 10},
                    DesignCase{fkHighPass4th, 1000, 0.7071}, DesignCase{fkHighPass4th, 500, 2},
                    DesignCase{fkLowPass4th, 2000, 0.7071}, DesignCase{fkLowPass4th, 1000, 2}),
    Name);

// ---------------------------------------------------------------------------------------------

TEST(Filter, BandPassAtCentreSettlesToAmplification) {
    // f0 = 1000 Hz at 40 kHz: 40 samples per cycle; the gain at f0 is exactly A0 = 2, phase 0.
    Filter filter(fkBandPass);
    EXPECT_EQ(filter.f0, 1.0); // designed for (1, 1, 1, 1) until the first sample
    const std::complex<double> h = MeasureSteadyState(filter, 1000.0, 10.0, 2.0, 40);
    EXPECT_EQ(filter.f0, 1000.0);
    EXPECT_NEAR(std::abs(h), 2.0, 1e-9);
    EXPECT_NEAR(std::arg(h), 0.0, 1e-9);
}

TEST(Filter, FourthOrderIsSquareOfSecondOrderAtCorner) {
    // |H(f0)| = Q for the second-order low pass: −3.0103 dB at Q = 1/√2, twice that squared.
    Filter second(fkLowPass);
    Filter fourth(fkLowPass4th);
    EXPECT_NEAR(Db(MeasureSteadyState(second, 1000.0, 0.7071, 1.0, 40)), -3.0103, 0.002);
    EXPECT_NEAR(Db(MeasureSteadyState(fourth, 1000.0, 0.7071, 1.0, 40)), -6.0206, 0.002);
}

TEST(Filter, FourthOrderUsesFiveCoefficients) {
    Filter filter(fkLowPass4th);
    filter.Design(1000.0, 0.7071, 1.0, kTs);
    EXPECT_EQ(filter.den[0], 1.0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(filter.num[i], 0.0) << i;
    }
    EXPECT_EQ(filter.num[5], 0.0);
    EXPECT_EQ(filter.den[6], 0.0);
}

TEST(Filter, GainStageMultipliesAndNeverRedesigns) {
    Filter filter;
    EXPECT_EQ(filter.type, fkAllPass);
    EXPECT_EQ(filter.Process(3000.0, 5.0, 2.5, kTs, 1.2), 1.2 * 2.5);
    EXPECT_EQ(filter.Process(4000.0, 7.0, 2.5, kTs, -0.4), -0.4 * 2.5);
    EXPECT_EQ(filter.f0, 1.0);
    EXPECT_EQ(filter.ts, 1.0);
    EXPECT_EQ(filter.Process(3000.0, 5.0, 0.0, kTs, 0.7), 0.0);
    EXPECT_EQ(filter.gain, 0.0);
}

class FilterHistoryTest : public testing::Test {
protected:
    // Impulse at sample 0, then zeros; returns the output of sample `n`.
    static double Impulse(Filter &filter, int n, double q = 5.0, double a0 = 1.0) {
        return filter.Process(1000.0, q, a0, kTs, n == 0 ? 1.0 : 0.0);
    }
};

TEST_F(FilterHistoryTest, SameParametersKeepTheHistory) {
    Filter filter(fkBandPass);
    Impulse(filter, 0);
    EXPECT_NE(Impulse(filter, 1), 0.0);
    EXPECT_NE(Impulse(filter, 2), 0.0);
}

TEST_F(FilterHistoryTest, AmplificationAloneRescalesWithoutClearing) {
    Filter reference(fkBandPass);
    Filter changed(fkBandPass);
    for (int n = 0; n < 10; ++n) {
        Impulse(reference, n);
        Impulse(changed, n);
    }
    for (int n = 10; n < 20; ++n) {
        const double y = Impulse(reference, n);
        EXPECT_NE(y, 0.0);
        EXPECT_DOUBLE_EQ(Impulse(changed, n, 5.0, 3.0), 3.0 * y) << n;
    }
    EXPECT_EQ(changed.amplification, 3.0);
    EXPECT_EQ(changed.gain, 3.0);
}

TEST_F(FilterHistoryTest, QualityChangeClearsTheHistory) {
    Filter filter(fkLowPass4th);
    for (int n = 0; n < 5; ++n) {
        Impulse(filter, n);
    }
    for (int n = 5; n < 10; ++n) {
        EXPECT_EQ(Impulse(filter, n, 6.0), 0.0) << n;
    }
}

TEST(Filter, NetworkResetRedesignsForUnitPeriod) {
    Filter filter(fkHighPass);
    filter.Process(1000.0, 2.0, 1.0, kTs, 1.0);
    EXPECT_EQ(filter.ProcessStored(0.0, 1.0), 0.0);
    EXPECT_EQ(filter.ts, 1.0);
    EXPECT_EQ(filter.f0, 1000.0);
    for (int k = 1; k < 7; ++k) {
        EXPECT_EQ(filter.xHist[k], 0.0);
        EXPECT_EQ(filter.yHist[k], 0.0);
    }
}

TEST(Filter, UnlistedCodesFilterAsBandPass) {
    for (int kind : {-3, fkNetwork, fkAnalogueLowPass}) {
        SCOPED_TRACE(kind);
        Filter odd(kind);
        Filter bandPass(fkBandPass);
        for (int n = 0; n < 50; ++n) {
            const double x = std::sin(0.3 * n);
            EXPECT_EQ(odd.Process(1500.0, 3.0, 1.0, kTs, x),
                      bandPass.Process(1500.0, 3.0, 1.0, kTs, x));
        }
    }
}

TEST(Filter, IntegratorIsTrapezoidalAndRestarts) {
    Filter filter(fkIntegrator);
    EXPECT_DOUBLE_EQ(filter.Integrate(true, 2.0, 0.1), 2.0 * 0.1 * 0.5);
    // Running sum of the trapezoids under a constant 2 after the first half step.
    EXPECT_DOUBLE_EQ(filter.Integrate(false, 2.0, 0.1), 0.3);
    EXPECT_DOUBLE_EQ(filter.Process(9.0, 9.0, 9.0, 0.1, 2.0), 0.5); // no gain, no redesign
    EXPECT_DOUBLE_EQ(filter.Integrate(true, 4.0, 0.1), 0.2);
    EXPECT_DOUBLE_EQ(filter.Integrate(false, 4.0, 0.2), 0.4); // a new Ts restarts too
    EXPECT_EQ(Filter(fkLowPass).Integrate(true, 1.0, 0.1), 0.0);
}

TEST(Filter, DifferentiatorRestartsOnNewPeriod) {
    Filter filter(fkDifferentiator);
    EXPECT_DOUBLE_EQ(filter.Differentiate(3.0, 0.5), 6.0);
    EXPECT_DOUBLE_EQ(filter.Differentiate(4.0, 0.5), 2.0);
    EXPECT_DOUBLE_EQ(filter.Process(9.0, 9.0, 9.0, 0.5, 3.0), -2.0);
    EXPECT_DOUBLE_EQ(filter.Differentiate(1.0, 0.25), 4.0);
    EXPECT_EQ(Filter(fkIntegrator).Differentiate(1.0, 0.1), 0.0);
}

// The response the Bode plot and the network use is the one the steps run: for the backward
// difference the phase is 90° − θ/2, not 90° + θ/2.
TEST(Filter, FrequencyResponseOfDifferentiatorAndIntegratorMatchesTheirSteps) {
    for (int kind : {fkDifferentiator, fkIntegrator}) {
        for (int period : {40, 8, 3}) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " period " + std::to_string(period));
            Filter filter(kind);
            const std::complex<double> got = MeasureSteadyState(filter, 1.0, 1.0, 1.0, period);
            double re = 0.0;
            double im = 0.0;
            filter.FrequencyResponse(kTs, 2 * std::numbers::pi / (period * kTs), re, im);
            EXPECT_NEAR(re, got.real(), 1e-6 * std::abs(got));
            EXPECT_NEAR(im, got.imag(), 1e-6 * std::abs(got));
        }
    }
}

TEST(Filter, FrequencyResponseOfPlainGainKinds) {
    for (int kind : {fkAllPass, fkDesigned, fkNetwork, -1}) {
        SCOPED_TRACE(kind);
        Filter filter(kind);
        filter.Design(1000.0, 2.0, 2.5, kTs);
        for (double omega : {10.0, 6283.0, 100000.0}) {
            double re = 0.0;
            double im = 1.0;
            filter.FrequencyResponse(kTs, omega, re, im);
            EXPECT_EQ(re, 2.5);
            EXPECT_EQ(im, 0.0);
        }
    }
}

TEST(Filter, FrequencyResponseOfBandPassAtCentre) {
    Filter filter(fkBandPass);
    filter.Design(2000.0, 10.0, 2.0, kTs);
    double re = 0.0;
    double im = 0.0;
    filter.FrequencyResponse(kTs, filter.omega0, re, im);
    EXPECT_NEAR(re, 2.0, 1e-12);
    EXPECT_NEAR(im, 0.0, 1e-12);
}

TEST(Filter, FrequencyResponseRedesignsForNewPeriod) {
    Filter filter(fkLowPass);
    filter.Process(1000.0, 0.7071, 1.0, kTs, 1.0);
    double re = 0.0;
    double im = 0.0;
    filter.FrequencyResponse(kTs / 2.0, 2 * std::numbers::pi * 1000.0, re, im);
    EXPECT_EQ(filter.ts, kTs / 2.0);
    EXPECT_EQ(filter.yHist[1], 0.0);
    EXPECT_NEAR(std::hypot(re, im), 0.7071, 1e-12); // |H(f0)| = Q
}

TEST(Filter, FirstOrderMagnitudes) {
    // Backward difference: |1 − e^(−jθ)|/Ts = 2·sin(θ/2)/Ts.
    // Trapezoid: (Ts/2)·|1 + e^(−jθ)|/|1 − e^(−jθ)| = (Ts/2)·cot(θ/2), a pure −90° phase.
    Filter differentiator(fkDifferentiator);
    Filter integrator(fkIntegrator);
    for (double theta : {0.01, 0.5, 2.0}) {
        SCOPED_TRACE(theta);
        double re = 0.0;
        double im = 0.0;
        differentiator.FrequencyResponse(kTs, theta / kTs, re, im);
        EXPECT_NEAR(std::hypot(re, im), 2.0 * std::sin(theta / 2.0) / kTs, 1e-6);
        integrator.FrequencyResponse(kTs, theta / kTs, re, im);
        const double want = -kTs / 2.0 / std::tan(theta / 2.0);
        EXPECT_NEAR(re, 0.0, 1e-12 * std::abs(want));
        EXPECT_NEAR(im, want, 1e-12 * std::abs(want));
    }
}

// ---------------------------------------------------------------------------------------------

// A block gives what sample-by-sample Process gives, bit for bit, for every kind: across a new
// f0 (a redesign) and a new A0 between blocks, and written over its own input.
TEST(Filter, ProcessBlockMatchesProcessBitForBit) {
    DefaultDesignedFilterSource designer;
    std::vector<double> in(700);
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = std::sin(0.3 * static_cast<double>(i)) + 0.25 * std::cos(0.071 * i * i);
    }
    for (int kind = fkBandPass; kind <= fkDesigned; ++kind) {
        Filter one(kind, &designer);
        Filter block(kind, &designer);
        std::vector<double> expected;
        std::vector<double> got = in;
        const double f0s[] = {2000.0, 2000.0, 3100.0, 3100.0};
        const double a0s[] = {2.0, 2.0, 2.0, 0.5};
        for (int b = 0; b < 4; ++b) {
            const int from = b * 175;
            for (int i = from; i < from + 175; ++i) {
                expected.push_back(one.Process(f0s[b], 7.0, a0s[b], kTs, in[i]));
            }
            block.ProcessBlock(f0s[b], 7.0, a0s[b], kTs, got.data() + from, got.data() + from, 175);
        }
        for (std::size_t i = 0; i < in.size(); ++i) {
            ASSERT_EQ(got[i], expected[i]) << "kind " << kind << " sample " << i;
        }
    }
}

TEST(MultiplyPolynomials, SquaresInPlace) {
    // (1 + 2z + 3z²)² = 1 + 4z + 10z² + 12z³ + 9z⁴; the stale entries 3..6 do not leak in.
    double p[7] = {1.0, 2.0, 3.0, 7.0, 7.0, 7.0, 7.0};
    MultiplyPolynomials(p, p, p, 2, 2);
    const double want[7] = {1.0, 4.0, 10.0, 12.0, 9.0, 0.0, 0.0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(p[i], want[i]) << i;
    }
}

TEST(MultiplyPolynomials, DegreesTwoAndFourIntoSecondOperand) {
    // (1 + z)·(1 + z)⁴ = (1 + z)⁵ → binomial coefficients 1 5 10 10 5 1.
    double p[7] = {1.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    double q[7] = {1.0, 4.0, 6.0, 4.0, 1.0, 0.0, 0.0};
    MultiplyPolynomials(q, p, q, 1, 4);
    const double want[7] = {1.0, 5.0, 10.0, 10.0, 5.0, 1.0, 0.0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(q[i], want[i]) << i;
    }
}

TEST(MultiplyPolynomials, TermsBeyondDegreeSixAreDropped) {
    // (1 + z + z² + z³)·(1 + … + z⁴) has degree 7; its z⁷ term has no slot and is not written.
    double guard[9] = {-1.0, 0, 0, 0, 0, 0, 0, 0, -1.0};
    double *out = guard + 1;
    const double p[7] = {1.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0};
    const double q[7] = {1.0, 1.0, 1.0, 1.0, 1.0, 0.0, 0.0};
    MultiplyPolynomials(out, p, q, 3, 4);
    const double want[7] = {1.0, 2.0, 3.0, 4.0, 4.0, 3.0, 2.0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(out[i], want[i]) << i;
    }
    EXPECT_EQ(guard[8], -1.0);
}

// ---------------------------------------------------------------------------------------------

class CountingSource : public DesignedFilterSource {
public:
    void Recompute() override { ++recomputes; }
    const double *A() const override { return a; }
    const double *B() const override { return b; }
    DesignParameters Parameters() const override { return {}; }
    int recomputes = 0;
    double a[7] = {2.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0};
    double b[7] = {4.0, 2.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

TEST(DesignedFilter, NormalisesByB0AndIgnoresOwnAmplification) {
    // y[n] = 0.5·x[n] + 0.25·x[n−6] − 0.5·y[n−1]
    CountingSource source;
    Filter filter(fkDesigned, &source);
    EXPECT_EQ(source.recomputes, 1);
    const double want[8] = {0.5,
                            -0.25,
                            0.125,
                            -0.0625,
                            0.03125,
                            -0.015625,
                            0.0078125 + 0.25,
                            -0.5 * (0.0078125 + 0.25)};
    for (int n = 0; n < 8; ++n) {
        EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 7.0, 1.0, n == 0 ? 1.0 : 0.0), want[n]) << n;
    }
    EXPECT_EQ(source.recomputes, 1);
    filter.Process(2.0, 1.0, 7.0, 1.0, 0.0);
    EXPECT_EQ(source.recomputes, 2);
}

TEST(DesignedFilter, AChangeNoticeTakesTheNewSetOnceAndKeepsTheHistory) {
    // Before: y[n] = 0.5·x[n] + 0.25·x[n−6] − 0.5·y[n−1]; after: the feedback gone.
    CountingSource source;
    Filter filter(fkDesigned, &source);
    EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 1.0, 1.0, 1.0), 0.5);
    EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 1.0, 1.0, 0.0), -0.25);
    // Without a notice the arrays are not looked at again.
    source.b[1] = 0.0;
    EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 1.0, 1.0, 0.0), 0.125);
    source.NoteChanged();
    for (int n = 3; n < 6; ++n) {
        EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 1.0, 1.0, 0.0), 0.0) << n;
    }
    // x[0] is still in the history six samples on.
    EXPECT_DOUBLE_EQ(filter.Process(1.0, 1.0, 1.0, 1.0, 0.0), 0.25);
    EXPECT_EQ(source.recomputes, 2);
}

TEST(DesignedFilter, WithoutSourcePassesInput) {
    Filter filter(fkDesigned);
    for (double x : {1.0, -0.3, 0.0, 12.5}) {
        EXPECT_EQ(filter.Process(2000.0, 10.0, 2.0, kTs, x), x);
    }
}

TEST(DesignedFilter, DefaultSourceIsStartUpBandPass) {
    DefaultDesignedFilterSource source;
    EXPECT_EQ(source.A()[1], 0.0);
    EXPECT_EQ(source.A()[2], -source.A()[0]);
    EXPECT_NE(source.B()[0], 1.0); // a second-order set stays unnormalised
    for (int i = 3; i < 7; ++i) {
        EXPECT_EQ(source.A()[i], 0.0);
        EXPECT_EQ(source.B()[i], 0.0);
    }
    // Run through a designed filter: A0 = 2 at 2000 Hz (20 samples per cycle), the prototype's
    // response elsewhere.
    for (int period : {20, 40, 10}) {
        SCOPED_TRACE(period);
        Filter filter(fkDesigned, &source);
        const std::complex<double> got = MeasureSteadyState(filter, 2000.0, 10.0, 1.0, period);
        const std::complex<double> want =
            2.0 * Prototype(fkBandPass, 2000.0, 10.0, 40000.0 / period, kTs);
        EXPECT_NEAR(got.real(), want.real(), 1e-6);
        EXPECT_NEAR(got.imag(), want.imag(), 1e-6);
    }
}

} // namespace
} // namespace kaldorium
