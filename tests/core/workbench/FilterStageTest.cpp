#include "core/workbench/FilterStage.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace kaldorium;

class FilterStageTest : public ::testing::Test {
protected:
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    FilterStage stage{designer, network};
    WorkbenchSettings s;
    const double ts = 0.000025;
    const double f = 2000.0;

    double Sine(int k) const { return std::sin(2 * M_PI * f * ts * k); }
};

TEST_F(FilterStageTest, SecondOrderKindsUseTheirOwnFilter) {
    for (int kind : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(kind);
        s.filterKind = kind;
        Filter reference(kind);
        FilterStage fresh(designer, network);
        for (int k = 1; k < 100; ++k) {
            const double x = Sine(k);
            ASSERT_EQ(fresh.Process(x, s, ts, f),
                      reference.Process(s.filterFrequency, s.qFactor, s.amplification, ts, x));
        }
    }
}

TEST_F(FilterStageTest, UnknownKindsFilterAsBandPass) {
    Filter reference(fkBandPass);
    for (int kind : {8, 15, -1}) {
        s.filterKind = kind;
        FilterStage fresh(designer, network);
        Filter bandPass(fkBandPass);
        for (int k = 1; k < 50; ++k) {
            ASSERT_EQ(fresh.Process(Sine(k), s, ts, f),
                      bandPass.Process(s.filterFrequency, s.qFactor, s.amplification, ts, Sine(k)));
        }
    }
}

TEST_F(FilterStageTest, DifferentiatorAndIntegratorKeepTheAmplitude) {
    // d/dt sin(ωt) = ω cos(ωt): dividing by 2πf leaves amplitude 1 (within the difference error).
    s.filterKind = fkDifferentiator;
    double peak = 0;
    for (int k = 1; k <= 400; ++k) {
        peak = std::max(peak, std::fabs(stage.Process(Sine(k), s, ts, f)));
    }
    EXPECT_NEAR(peak, 1.0, 0.02);
    // ∫ sin(ωt) dt = (1 − cos ωt)/ω: times 2πf it swings between 0 and 2.
    s.filterKind = fkIntegrator;
    double low = 1e9, high = -1e9;
    for (int k = 1; k <= 400; ++k) {
        const double y = stage.Process(Sine(k), s, ts, f);
        low = std::min(low, y);
        high = std::max(high, y);
    }
    EXPECT_NEAR(high - low, 2.0, 0.02);
}

TEST_F(FilterStageTest, IntegratorRestartsWhenTheWaveformChanges) {
    s.filterKind = fkIntegrator;
    const double twoPiF = 2 * std::numbers::pi * f;
    EXPECT_DOUBLE_EQ(stage.Process(1.0, s, ts, f), 1.0 * ts * 0.5 * twoPiF);
    EXPECT_DOUBLE_EQ(stage.Process(1.0, s, ts, f), 1.0 * ts * 1.5 * twoPiF);
    s.waveform = 2;
    EXPECT_DOUBLE_EQ(stage.Process(1.0, s, ts, f), 1.0 * ts * 0.5 * twoPiF);
}

TEST_F(FilterStageTest, NetworkPassesTheInputAtStart) {
    s.filterKind = fkNetwork;
    for (int k = 1; k < 20; ++k) {
        EXPECT_DOUBLE_EQ(stage.Process(Sine(k), s, ts, f), Sine(k));
    }
}

TEST_F(FilterStageTest, DesignedFilterRunsTheDesignersCoefficients) {
    // The start-up design is a band pass at 2000 Hz with gain 2.
    s.filterKind = fkDesigned;
    double peak = 0;
    for (int k = 1; k <= 4000; ++k) {
        const double y = stage.Process(Sine(k), s, ts, f);
        if (k > 3000) {
            peak = std::max(peak, std::fabs(y));
        }
    }
    EXPECT_NEAR(peak, 2.0, 1e-3);
}
