#include "core/workbench/SignalStatistics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using kaldorium::SignalStatistics;

TEST(SignalStatistics, FirstSampleSetsBothExtremes) {
    SignalStatistics s;
    s.Add(0.3, -0.2, 20);
    EXPECT_EQ(s.shownRangeIn, 0.0);
    EXPECT_EQ(s.shownRangeOut, 0.0);
    EXPECT_DOUBLE_EQ(s.shownRmsIn, 0.3);
    EXPECT_DOUBLE_EQ(s.shownRmsOut, 0.2);
}

TEST(SignalStatistics, ConstantZeroGivesZeroRmsAndRange) {
    SignalStatistics s;
    for (int i = 0; i < 50; ++i) {
        s.Add(0.0, 0.0, 20);
    }
    EXPECT_EQ(s.shownRmsIn, 0.0);
    EXPECT_EQ(s.shownRangeIn, 0.0);
    EXPECT_EQ(s.maxIn, 0.0);
    EXPECT_EQ(s.minIn, 0.0);
}

TEST(SignalStatistics, RmsRestartsAfterHundredCyclesAndRangeAfterTwenty) {
    // N = 20: the RMS window holds 2000 samples, the range window 401.
    SignalStatistics s;
    for (int i = 1; i <= 2000; ++i) {
        s.Add(1.0, 2.0, 20);
        if (i == 400) {
            EXPECT_EQ(s.m, 400);
        }
        if (i == 401) {
            EXPECT_EQ(s.m, 0);
            EXPECT_EQ(s.maxIn, -1e18);
            EXPECT_EQ(s.minIn, 1e18);
            EXPECT_EQ(s.shownRangeIn, 0.0); // shown before the restart
        }
    }
    EXPECT_EQ(s.n, 1);
    EXPECT_EQ(s.sumIn, 0.0);
    EXPECT_EQ(s.rmsIn, 0.0);
    // The read-outs keep the last values.
    EXPECT_DOUBLE_EQ(s.shownRmsIn, 1.0);
    EXPECT_DOUBLE_EQ(s.shownRmsOut, 2.0);
    s.Add(3.0, 0.0, 20);
    EXPECT_DOUBLE_EQ(s.shownRmsIn, 3.0);
}

TEST(SignalStatistics, RmsOfSampledSineOverWholeCycles) {
    SignalStatistics s;
    for (int k = 1; k <= 200; ++k) {
        s.Add(std::sin(2 * M_PI * k / 20), 0.0, 20);
    }
    EXPECT_NEAR(s.shownRmsIn, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(s.shownRangeIn, 2.0, 1e-12);
}

// At N = INT_MAX the windows (100·N and 20·N samples) lie far beyond the samples added, so the
// read-outs cover all of them: a sine of amplitude A over whole cycles has RMS A/√2 and range 2A.
TEST(SignalStatistics, WindowsOfTheLargestSamplesPerCycle) {
    SignalStatistics s;
    const double a = 3.0;
    const int period = 40;
    const int samples = 250 * period;
    for (int k = 1; k <= samples; ++k) {
        const double x = a * std::sin(2 * M_PI * k / period);
        s.Add(x, -0.5 * x, INT_MAX);
    }
    EXPECT_EQ(s.n, samples + 1);
    EXPECT_EQ(s.m, samples);
    EXPECT_NEAR(s.shownRmsIn, a / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(s.shownRmsOut, 0.5 * a / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(s.shownRangeIn, 2 * a, 1e-12);
    EXPECT_NEAR(s.shownRangeOut, a, 1e-12);
}

TEST(SignalStatistics, ResetRestoresEverything) {
    SignalStatistics s;
    s.Add(5, 5, 20);
    s.Reset();
    EXPECT_EQ(s.n, 1);
    EXPECT_EQ(s.m, 0);
    EXPECT_EQ(s.maxOut, -1e18);
    EXPECT_EQ(s.minOut, 1e18);
    EXPECT_EQ(s.shownRmsIn, 0.0);
}
