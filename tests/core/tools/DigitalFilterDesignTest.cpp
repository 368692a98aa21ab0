#include "core/tools/DigitalFilterDesign.h"

#include "core/common/Errors.h"
#include "core/signal/Filterclass.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>

using namespace kaldorium;
using Complex = std::complex<double>;

namespace {

class FakeWorkbench : public DesignerWorkbench {
public:
    FilterKind CurrentFilterKind() const override { return kind; }
    std::string SamplingPeriodText() const override { return oT; }
    std::string FilterFrequencyText() const override { return frequency; }
    std::string QfactorText() const override { return qFactor; }
    std::string AmplificationText() const override { return amplification; }

    FilterKind kind = fkBandPass;
    std::string oT = "0.000025";
    std::string frequency = "2000";
    std::string qFactor = "10";
    std::string amplification = "2";
};

// The designed set at ω, evaluated directly: Σ a[m]·z^−m / Σ b[m]·z^−m with z = e^(jωTs).
Complex SetResponse(const DigitalFilterDesign &d, double omega) {
    Complex n = 0.0, den = 0.0;
    for (int m = 0; m < 7; ++m) {
        const Complex z = std::polar(1.0, -m * omega * d.ts);
        n += d.a[m] * z;
        den += d.b[m] * z;
    }
    return n / den;
}

// The analogue prototype of each type at s, carried over by s = (2/Ts)·(1 − z⁻¹)/(1 + z⁻¹).
Complex Prototype(int type, double f0, double q, double ts, double omega) {
    const double wa = 2.0 / ts * std::tan(2 * M_PI * f0 * ts / 2);
    const double k = wa / q;
    const Complex zi = std::polar(1.0, -omega * ts);
    const Complex s = 2.0 / ts * (1.0 - zi) / (1.0 + zi);
    const Complex den = s * s + k * s + wa * wa;
    switch (type) {
    case 1:
        return (s * s + wa * wa) / den;
    case 2:
        return s * s / den;
    case 3:
        return wa * wa / den;
    default:
        return k * s / den;
    }
}

class DesignerTest : public ::testing::Test {
protected:
    void SetUp() override {
        design.SetWorkbench(&workbench);
        design.FormActivate();
    }
    // Types a coefficient set by hand, as the window does.
    void Type(std::array<std::string, 7> a, std::array<std::string, 7> b) {
        design.a0KeyUp();
        design.a0Exit(a, b);
    }

    FakeWorkbench workbench;
    DigitalFilterDesign design;
};

} // namespace

TEST_F(DesignerTest, StartupBandPassAnalysesBackToItsParameters) {
    EXPECT_TRUE(design.ready);
    EXPECT_FALSE(design.firstActivation);
    EXPECT_EQ(design.a[1], 0.0);
    EXPECT_EQ(design.a[2], -design.a[0]);
    EXPECT_EQ(design.texts.sTs, "0.000025");
    design.CalcFilterClick();
    EXPECT_EQ(design.filterTypeIndex, 0);
    EXPECT_NEAR(design.f0, 2000.0, 1e-9);
    EXPECT_NEAR(design.q, 10.0, 1e-9);
    EXPECT_NEAR(design.amplification, 2.0, 1e-12);
    EXPECT_NEAR(std::stod(design.texts.sfFrequency), 2000.0, 1e-9);
    EXPECT_NEAR(std::stod(design.texts.sQfactor), 10.0, 1e-9);
}

// type × order × (f0, Q, A0): the designed set equals A0·H(s)^(order/2) of the prototype, with
// the stated normalisation, and zeros beyond the order.
class DesignerSetTest : public DesignerTest,
                        public ::testing::WithParamInterface<std::tuple<int, int, double>> {};

TEST_P(DesignerSetTest, MatchesTheBilinearPrototype) {
    const auto [type, orderIndex, f0] = GetParam();
    const double q = 0.7, a0 = 3.0;
    design.sQfactorExit("0.7");
    design.sfAmplificationExit("3");
    design.sfFrequencyExit(std::to_string(f0));
    design.SelectFilterOrder(orderIndex);
    design.SelectFilterType(type);
    const int order = 2 + 2 * orderIndex;
    ASSERT_EQ(design.order, order);
    for (int m = order + 1; m < 7; ++m) {
        EXPECT_EQ(design.a[m], 0.0);
        EXPECT_EQ(design.b[m], 0.0);
    }
    if (order == 2) {
        EXPECT_DOUBLE_EQ(design.b[0], design.den2nd[0]); // unnormalised, A0 on a
    } else {
        EXPECT_EQ(design.b[0], 1.0);
    }
    for (double f : {0.3 * f0, f0, 2.7 * f0}) {
        SCOPED_TRACE(f);
        const double omega = 2 * M_PI * f;
        const Complex expected = a0 * std::pow(Prototype(type, f0, q, design.ts, omega), order / 2);
        const Complex got = SetResponse(design, omega);
        // Sets of high order at low f0 are ill-conditioned: the rounding of either evaluation
        // shows.
        EXPECT_NEAR(std::abs(got - expected), 0.0, 1e-6 * std::max(1.0, std::abs(expected)));
    }
    if (order == 2) {
        design.CalcFilterClick();
        EXPECT_EQ(design.filterTypeIndex, type);
        EXPECT_NEAR(design.f0, f0, 1e-6 * f0);
        EXPECT_NEAR(design.q, q, 1e-9);
        EXPECT_NEAR(design.amplification, a0, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(TypesOrders, DesignerSetTest,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(0, 1, 2),
                                            ::testing::Values(600.0, 2000.0, 9000.0)));

TEST_F(DesignerTest, FourthOrderLowPassHasFiveCoefficientsAndUnitB0) {
    design.SelectFilterType(3);
    design.SelectFilterOrder(1);
    EXPECT_EQ(design.b[0], 1.0);
    for (int m = 0; m < 5; ++m) {
        EXPECT_NE(design.a[m], 0.0);
    }
    EXPECT_EQ(design.a[5], 0.0);
    EXPECT_EQ(design.a[6], 0.0);
    EXPECT_EQ(design.b[5], 0.0);
    EXPECT_EQ(design.b[6], 0.0);
    EXPECT_EQ(design.texts.b[0], "1");
}

TEST_F(DesignerTest, TypedCoefficientsAreKeptAcrossOrderChangesAndReopening) {
    Type({"1", "0.5", "", "", "", "", ""}, {"1", "-0.25", "", "", "", "", ""});
    EXPECT_EQ(design.filterTypeIndex, DigitalFilterDesign::UnknownType);
    EXPECT_EQ(design.texts.a[2], "0");
    design.SelectFilterOrder(2);
    EXPECT_EQ(design.a[1], 0.5);
    EXPECT_EQ(design.b[1], -0.25);
    // Reopened with the workbench on the designed filter and the same oT: untouched.
    workbench.kind = fkDesigned;
    design.FormActivate();
    design.Recompute();
    EXPECT_EQ(design.a[1], 0.5);
    EXPECT_EQ(design.order, 6);
    // A new oT is taken, the typed set still kept.
    workbench.oT = "0.0001";
    design.FormActivate();
    EXPECT_EQ(design.ts, 0.0001);
    EXPECT_EQ(design.b[1], -0.25);
    // With the workbench on another filter the designer starts over from its fields.
    workbench.kind = fkLowPass;
    design.FormActivate();
    EXPECT_EQ(design.order, 2);
    EXPECT_EQ(design.filterTypeIndex, 3);
    EXPECT_NE(design.a[1], 0.5);
}

TEST_F(DesignerTest, BadCoefficientTextLeavesTheSetAsItWas) {
    const double a0 = design.a[0];
    EXPECT_THROW(Type({"5", "1..2", "0", "0", "0", "0", "0"}, {"1", "0", "0", "0", "0", "0", "0"}),
                 ConversionError);
    EXPECT_EQ(design.a[0], a0);
}

// Activation by the workbench's kind: the order and type selected, as code selections that run
// the groups' handlers.
class ActivationTest : public DesignerTest,
                       public ::testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(ActivationTest, SelectsOrderAndTypeOfTheWorkbenchFilter) {
    const auto [kind, orderIndex, typeIndex] = GetParam();
    design.SelectFilterOrder(2);
    workbench.kind = kind;
    workbench.frequency = "500";
    design.FormActivate();
    EXPECT_EQ(design.filterOrderIndex, orderIndex);
    EXPECT_EQ(design.order, 2 + 2 * orderIndex);
    EXPECT_EQ(design.filterTypeIndex, typeIndex);
    EXPECT_EQ(design.designType, typeIndex);
    EXPECT_EQ(design.f0, 500.0);
    EXPECT_EQ(design.texts.sfFrequency, "500");
    const double omega = 2 * M_PI * 500.0;
    const Complex expected =
        2.0 * std::pow(Prototype(typeIndex, 500.0, 10.0, design.ts, omega), 1 + orderIndex);
    EXPECT_NEAR(std::abs(SetResponse(design, omega) - expected), 0.0, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ActivationTest,
                         ::testing::Values(std::make_tuple(0, 0, 0), std::make_tuple(1, 0, 1),
                                           std::make_tuple(2, 0, 2), std::make_tuple(3, 0, 3),
                                           std::make_tuple(4, 1, 2), std::make_tuple(5, 1, 3),
                                           std::make_tuple(6, 0, 0), std::make_tuple(19, 0, 0)));

TEST(DesignerActivation, RecomputeDoesNothingBeforeTheFirstActivation) {
    DigitalFilterDesign design;
    design.Recompute();
    EXPECT_EQ(design.b[0], 0.0);
    EXPECT_EQ(design.texts.sTs, "sTs");
    design.FormActivate(); // the workbench's start-up values
    EXPECT_GT(design.b[0], 4.0);
}

// field, direction, text → value (ts = 0.000025: the frequency is at most 20000).
struct StepRow {
    char field;
    bool up;
    const char *text;
    double expected;
};

class StepperTest : public DesignerTest, public ::testing::WithParamInterface<StepRow> {};

TEST_P(StepperTest, StepsAndClamps) {
    const StepRow row = GetParam();
    switch (row.field) {
    case 'f':
        design.fFrequencyIClick(row.up, row.text);
        EXPECT_DOUBLE_EQ(design.f0, row.expected);
        break;
    case 'q':
        design.QfactorIClick(row.up, row.text);
        EXPECT_DOUBLE_EQ(design.q, row.expected);
        break;
    default:
        design.fAmplificationIClick(row.up, row.text);
        EXPECT_DOUBLE_EQ(design.amplification, row.expected);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StepperTest,
    ::testing::Values(StepRow{'f', true, "100", 200}, StepRow{'f', false, "100", 90},
                      StepRow{'f', true, "50", 60}, StepRow{'f', true, "19950", 20000},
                      StepRow{'f', false, "0.5", 0.4}, StepRow{'f', true, "0", 1},
                      StepRow{'f', false, "-7", 1}, StepRow{'q', false, "1", 0.9},
                      StepRow{'q', true, "1", 2}, StepRow{'q', false, "0.1", 0.09},
                      StepRow{'q', true, "0", 1}, StepRow{'a', false, "0.5", 0.4},
                      StepRow{'a', true, "0", 1}, StepRow{'a', false, "-3", 1},
                      StepRow{'a', true, "1", 2}));

TEST_F(DesignerTest, FieldRules) {
    design.sQfactorExit("");
    EXPECT_EQ(design.texts.sQfactor, "1");
    EXPECT_EQ(design.q, 1.0);
    design.sQfactorExit("0");
    EXPECT_EQ(design.texts.sQfactor, "1");
    design.sfAmplificationExit("-2");
    EXPECT_EQ(design.amplification, 2.0);
    design.sfFrequencyExit("99999");
    EXPECT_EQ(design.f0, 20000.0);
    EXPECT_EQ(design.texts.sfFrequency, "20000");
    design.sfFrequencyExit("0");
    EXPECT_EQ(design.f0, 20000.0);
    EXPECT_THROW(design.sQfactorExit("1..5"), ConversionError);
}

TEST_F(DesignerTest, BodeFollowsTheSetWithExtremesFromZero) {
    design.SelectFilterOrder(2);
    design.sfAmplificationExit("0.1"); // gain below 0 dB everywhere
    design.BodePlotClick();
    const double start = 2000.0 * 2 * std::numbers::pi * 0.0015;
    const double step = (M_PI / design.ts - start) * 0.0001;
    double omega = start, lowest = 0.0;
    for (int i = 0; i < DigitalFilterDesign::BodePoints; ++i) {
        const auto u = static_cast<std::size_t>(i);
        if (i % 997 == 0) {
            SCOPED_TRACE(i);
            ASSERT_EQ(design.frequency[u], omega);
            const Complex h = SetResponse(design, omega);
            EXPECT_NEAR(design.gainDb[u], 20 * std::log10(std::abs(h)), 1e-6);
            EXPECT_NEAR(design.phaseDeg[u], std::arg(h) * 57.29577951308232, 1e-5);
        }
        lowest = std::min(lowest, design.gainDb[u]);
        omega += step;
    }
    EXPECT_EQ(design.gainMax, 0.0);
    EXPECT_EQ(design.gainMin, lowest);
    EXPECT_LT(design.phaseMin, 0.0);
    EXPECT_GT(design.phaseMax, 0.0);
}

// The half power points of a band pass of n sections (Q = 10 at 2000 Hz): each section gives
// 1/(1 + Q²(x − 1/x)²) with x = Ω/ωa, so the set is at half power where Q·(x − 1/x) =
// ±√(2^(1/n) − 1) =: ±u, at x = (√(u² + 4) ± u)/2 of the pre-warped ωa, mapped back by
// ω = (2/T)·atan(Ω·T/2).
TEST_F(DesignerTest, BodeHalfPowerPointsOfBandPassSetsLieOnTheClosedForm) {
    for (int orderIndex : {0, 1, 2}) {
        SCOPED_TRACE(orderIndex);
        design.SelectFilterOrder(orderIndex);
        design.BodePlotClick();
        const double n = 1 + orderIndex;
        const double u = std::sqrt(std::pow(2.0, 1.0 / n) - 1.0) / 10.0;
        const double wa = 2.0 / design.ts * std::tan(2 * M_PI * 2000.0 * design.ts / 2);
        ASSERT_EQ(design.halfPower.size(), 2u);
        for (int side : {0, 1}) {
            const double x = (std::sqrt(u * u + 4.0) + (side == 0 ? -u : u)) / 2.0;
            const double omega = 2.0 / design.ts * std::atan(wa * x * design.ts / 2.0);
            EXPECT_NEAR(design.halfPower[static_cast<std::size_t>(side)] / omega, 1.0, 1e-4);
        }
    }
}

// A sixth-order low pass has its zeros at the Nyquist frequency, where the search for the peak
// looks too: no fault, and the edge is 3.0103 dB below the gain at DC.
TEST_F(DesignerTest, BodeHalfPowerPointOfALowPassWithZerosAtNyquist) {
    design.sQfactorExit("0.6");
    design.SelectFilterType(3);
    design.SelectFilterOrder(2);
    design.BodePlotClick();
    ASSERT_EQ(design.halfPower.size(), 1u);
    const double dc = 20.0 * std::log10(std::abs(SetResponse(design, 0.0)));
    EXPECT_NEAR(20.0 * std::log10(std::abs(SetResponse(design, design.halfPower[0]))),
                dc - 10.0 * std::log10(2.0), 1e-6);
}

TEST_F(DesignerTest, TypedSetWithZeroB0IsRefusedByTheDesignedFilter) {
    Type({"1", "0", "0", "0", "0", "0", "0"}, {"0", "1", "0", "0", "0", "0", "0"});
    EXPECT_THROW(Filter(fkDesigned, &design), FloatingPointError);
}

TEST_F(DesignerTest, RecomputeKeepsTheCallersPendingFaults) {
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_OVERFLOW);
    design.Recompute();
    EXPECT_TRUE(std::fetestexcept(FE_OVERFLOW));
    std::feclearexcept(FE_ALL_EXCEPT);
}

// type × order: the analogue prototype against its closed form a decade below f0, at f0 and a
// decade above, and against the designed set at f0, where the pre-warping makes the two meet.
class AnaloguePrototypeTest : public DesignerTest,
                              public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(AnaloguePrototypeTest, FollowsTheClosedFormAndMeetsTheDesignAtF0) {
    const auto [type, order] = GetParam();
    const double f0 = 2000.0, q = 3.0, a0 = 2.0;
    const int sections = order / 2;
    for (double u : {0.1, 1.0, 10.0}) {
        SCOPED_TRACE(u);
        // One section: |D| and arg D of 1 − u² + j·u/Q, then each numerator by hand.
        const double d = std::hypot(1.0 - u * u, u / q);
        const double argD = std::atan2(u / q, 1.0 - u * u) * 57.29577951308232;
        const double magnitude[] = {u / q / d, std::fabs(1.0 - u * u) / d, u * u / d, 1.0 / d};
        const double phase[] = {90.0 - argD, (u < 1.0 ? 0.0 : 180.0) - argD, 180.0 - argD, -argD};
        const GainPhase got = AnaloguePrototypeResponse(type, order, f0, q, a0, u * f0);
        if (magnitude[type] == 0.0) {
            EXPECT_EQ(got.gainDb, -std::numeric_limits<double>::infinity());
            continue;
        }
        EXPECT_NEAR(got.gainDb, 20 * std::log10(a0) + sections * 20 * std::log10(magnitude[type]),
                    1e-9);
        EXPECT_GE(got.phaseDeg, -180.0);
        EXPECT_LE(got.phaseDeg, 180.0);
        EXPECT_NEAR(std::remainder(got.phaseDeg - sections * phase[type], 360.0), 0.0, 1e-9);
    }

    design.sQfactorExit("3");
    design.SelectFilterOrder(sections - 1);
    design.SelectFilterType(type);
    const Complex digital = SetResponse(design, 2 * M_PI * f0);
    const GainPhase analogue = AnaloguePrototypeResponse(type, order, f0, q, a0, f0);
    const double expected = std::pow(10.0, analogue.gainDb / 20);
    EXPECT_NEAR(std::abs(digital), expected, 1e-9 * std::max(1.0, expected));
    if (std::isfinite(analogue.gainDb)) {
        EXPECT_NEAR(
            std::remainder(std::arg(digital) * 57.29577951308232 - analogue.phaseDeg, 360.0), 0.0,
            1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(TypesOrders, AnaloguePrototypeTest,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(2, 4, 6)));
