#include "core/workbench/FieldRules.h"
#include "core/common/Errors.h"

#include <gtest/gtest.h>

using namespace kaldorium;

class SamplesPerCycle : public ::testing::Test {
protected:
    WorkbenchSettings s; // f = 2000, N = 20, Ts = 0.000025, duty 50
};

TEST_F(SamplesPerCycle, TruncatesAndKeepsAtLeastTen) {
    EXPECT_EQ(ValidateSamplesPerCycle(s, "12.7"), "12");
    EXPECT_EQ(s.samplesPerCycle, 12);
    EXPECT_EQ(s.savedSamplesPerCycle, 12);
    EXPECT_EQ(ValidateSamplesPerCycle(s, "5"), "10");
    EXPECT_EQ(ValidateSamplesPerCycle(s, "-40"), "10");
}

TEST_F(SamplesPerCycle, EmptyBecomesTenAndSetsTs) {
    EXPECT_EQ(ValidateSamplesPerCycle(s, ""), "10");
    EXPECT_DOUBLE_EQ(s.samplingPeriod, 1.0 / (10 * 2000.0));
    EXPECT_DOUBLE_EQ(s.samplingPeriod, 0.00005);
}

TEST_F(SamplesPerCycle, AmplitudeModulationForcesTheCarrierRate) {
    s.modulate = true;
    s.amModulate = true;
    s.savedSamplesPerCycle = 20;
    EXPECT_EQ(ValidateSamplesPerCycle(s, "20"), "7000");
    EXPECT_DOUBLE_EQ(s.samplingPeriod, 1.0 / 14000000.0);
    EXPECT_EQ(s.savedSamplesPerCycle, 20); // kept while modulating
    s.amModulate = false;                  // FM
    EXPECT_EQ(ValidateSamplesPerCycle(s, "20"), "8000");
}

TEST_F(SamplesPerCycle, DataFileKeepsTheSavedValue) {
    s.fileData = true;
    s.savedSamplesPerCycle = 20;
    EXPECT_EQ(ValidateSamplesPerCycle(s, "333"), "333");
    EXPECT_EQ(s.savedSamplesPerCycle, 20);
}

TEST_F(SamplesPerCycle, NotANumberChangesNothing) {
    EXPECT_THROW(ValidateSamplesPerCycle(s, "2x"), ConversionError);
    EXPECT_EQ(s.samplesPerCycle, 20);
}

TEST_F(SamplesPerCycle, AbsurdValuesSaturateInsteadOfOverflowing) {
    EXPECT_EQ(ValidateSamplesPerCycle(s, "1e30"), "2147483647");
    EXPECT_EQ(ValidateSamplesPerCycle(s, "-1e30"), "10");
}

TEST(DutyCycle, BothPartsLastAtLeastOneSamplingPeriod) {
    // f = 2000, N = 20: Ts/P = 0.05, so 5 … 95 percent.
    EXPECT_DOUBLE_EQ(LimitDutyCycle(1.0, 2000.0, 0.000025), 5.0);
    EXPECT_DOUBLE_EQ(LimitDutyCycle(99.0, 2000.0, 0.000025), 95.0);
    EXPECT_DOUBLE_EQ(LimitDutyCycle(30.0, 2000.0, 0.000025), 30.0);
    EXPECT_DOUBLE_EQ(LimitDutyCycle(-10.0, 2000.0, 0.000025), 5.0);
}

TEST(SamplingPeriod, FollowsFrequencyAndSamplesAndLimitsTheDutyCycle) {
    WorkbenchSettings s;
    s.frequency = 1000.0;
    s.samplesPerCycle = 10;
    s.dutyCycle = 2.0;
    UpdateSamplingPeriod(s);
    EXPECT_DOUBLE_EQ(s.samplingPeriod, 0.0001);
    EXPECT_DOUBLE_EQ(s.dutyCycle, 10.0);
}

struct StepCase {
    double value;
    bool up;
    double base;
    double expected;
};

class FineStepRule : public ::testing::TestWithParam<StepCase> {};

TEST_P(FineStepRule, StepFollowsTheValueSize) {
    const StepCase c = GetParam();
    EXPECT_NEAR(FineStep(c.value, c.up, c.base, c.base), c.expected, 1e-12 * c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FineStepRule,
    ::testing::Values(StepCase{2000, true, 100, 2100}, StepCase{2000, false, 100, 1900},
                      StepCase{100, true, 100, 200}, StepCase{100, false, 100, 90},
                      StepCase{50, true, 100, 60}, StepCase{50, false, 100, 40},
                      StepCase{7, true, 100, 8}, StepCase{7, false, 100, 6},
                      StepCase{1, false, 100, 0.9}, StepCase{5, true, 1, 6},
                      StepCase{5, false, 1, 4}, StepCase{1, false, 1, 0.9},
                      StepCase{0.5, true, 1, 0.6}, StepCase{0.5, false, 1, 0.4},
                      StepCase{0.1, false, 1, 0.09}, StepCase{0.05, true, 1, 0.06},
                      StepCase{0.05, false, 1, 0.04}, StepCase{19950, true, 100, 20050}));

TEST(FineStepRule, ValuesWithoutAStepSizeComeBackForTheClamp) {
    // 0 would never end the search and a negative value would overflow; both come back as they
    // are, and the stepper's clamp (to 1 or 0) decides.
    EXPECT_EQ(FineStep(0.0, true, 100, 100), 0.0);
    EXPECT_EQ(FineStep(-3.0, false, 1, 1), -3.0);
    // The smallest positive double still ends, with a step that underflows to zero.
    EXPECT_GE(FineStep(5e-324, true, 1, 1), 0.0);
}

TEST(DecadeStepRule, MultipliesByTen) {
    EXPECT_DOUBLE_EQ(DecadeStep(5, true), 50);
    EXPECT_DOUBLE_EQ(DecadeStep(5, false), 0.5);
}

TEST(PositiveStepRule, NeverStoresWhatTheFieldRefusesAndLeavesZero) {
    // From a refused value both directions go to 1, and ▲ goes on from there.
    for (const double base : {100.0, 1.0, 0.0}) { // 0: the decade step
        SCOPED_TRACE(base);
        for (const double refused : {0.0, -0.0, -2.0, -1e300}) {
            EXPECT_EQ(PositiveStep(refused, true, base), 1.0);
            EXPECT_EQ(PositiveStep(refused, false, base), 1.0);
        }
        EXPECT_GT(PositiveStep(PositiveStep(0.0, true, base), true, base), 1.0);
    }
    EXPECT_DOUBLE_EQ(PositiveStep(1.0, false, 1.0), 0.9);
    EXPECT_DOUBLE_EQ(PositiveStep(5.0, false, 0.0), 0.5);
    // A decade step down that underflows to 0 is refused too.
    EXPECT_EQ(PositiveStep(4.9e-324, false, 0.0), 1.0);
}
