#include "tests/core/signal/RecordingCanvas.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/Responses.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

using namespace kaldorium;

namespace {

struct Rows : RunRowSink {
    std::vector<double> t, x, y;
    void InputRow(double, double) override { ADD_FAILURE() << "a response writes filter rows"; }
    void FilterRow(double time, double in, double out) override {
        t.push_back(time);
        x.push_back(in);
        y.push_back(out);
    }
};

class ResponsesTest : public ::testing::TestWithParam<ResponseRun::Kind> {
protected:
    WorkbenchSettings settings;
    NoiseGenerator noise;
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    test::RecordingCanvas canvas;
    Oscilloscope scope;
    SignalStatistics statistics;
    Rows rows;

    void SetUp() override { scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0); }
    ResponseRun Make(ResponseRun::Kind kind) {
        ResponseRun r(kind, RunContext{settings, noise, designer, network}, scope, statistics);
        r.rows = &rows;
        return r;
    }
    void RunToEnd(ResponseRun &r) {
        for (int chunks = 0; !r.Finished() && chunks < 1000; ++chunks) {
            r.Step(ResponseRun::ChunkSamples);
        }
        ASSERT_TRUE(r.Finished());
    }
};

// fc = 2000 Hz and N = 20 over 5 ms: Ts_r = 25 µs, samples at 0, 0.025, … below 4.975 ms.
TEST_P(ResponsesTest, OneSweepOfUnitInput) {
    ResponseRun r = Make(GetParam());
    EXPECT_DOUBLE_EQ(r.samplingPeriod, 0.000025);
    RunToEnd(r);
    ASSERT_GE(rows.t.size(), 199u);
    ASSERT_LE(rows.t.size(), 200u);
    EXPECT_EQ(rows.t.front(), 0.0);
    EXPECT_LT(rows.t.back(), 5.0 - 0.025);
    EXPECT_NEAR(rows.t.back(), 4.95, 0.03);
    const bool impulse = GetParam() == ResponseRun::Kind::Impulse;
    for (std::size_t i = 0; i < rows.x.size(); ++i) {
        ASSERT_EQ(rows.x[i], (impulse && i > 0) ? 0.0 : 1.0) << i;
    }
    // The band pass answers an impulse at once and a step with a transient dying towards 0.
    EXPECT_GT(rows.y.front(), 0.0);
    if (impulse) {
        EXPECT_EQ(statistics.shownRangeIn, 1.0);
    } else {
        EXPECT_EQ(statistics.shownRmsIn, 1.0);
        EXPECT_EQ(statistics.shownRangeIn, 0.0);
    }
    // Drawn with the free-running sweep over the time scale.
    EXPECT_EQ(scope.xMax, settings.timeScale);
    EXPECT_FALSE(canvas.Only(test::RecordingCanvas::Op::Line).empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ResponsesTest,
                         ::testing::Values(ResponseRun::Kind::Step, ResponseRun::Kind::Impulse));

TEST_F(ResponsesTest, SamplingPeriodIsTakenBeforeNChanges) {
    ResponseRun r = Make(ResponseRun::Kind::Step);
    settings.samplesPerCycle = 7000; // what unchecking modulation would bring back
    r.Step(3);
    EXPECT_DOUBLE_EQ(rows.t[2], 2 * 0.025);
}

TEST_F(ResponsesTest, IntegratorRestartsAtTheFirstSampleOnly) {
    settings.filterKind = fkIntegrator;
    ResponseRun r = Make(ResponseRun::Kind::Step);
    r.Step(50);
    settings.waveform = 2; // a waveform change does not restart the response's integral
    r.Step(2);
    // A unit step through the trapezoid, × 2π·f: y[n] = (n + 0.5)·Ts·2π·f.
    const double unit = 0.000025 * 2 * std::numbers::pi * 2000.0;
    EXPECT_NEAR(rows.y[0], 0.5 * unit, 1e-12);
    EXPECT_NEAR(rows.y[51], 51.5 * unit, 1e-9);
}

TEST_F(ResponsesTest, TimeScaleShorterThanOneSampleGivesNoSample) {
    settings.timeScale = 0.02;
    ResponseRun r = Make(ResponseRun::Kind::Impulse);
    r.Step(ResponseRun::ChunkSamples);
    EXPECT_TRUE(r.Finished());
    EXPECT_TRUE(rows.t.empty());
}

TEST_F(ResponsesTest, TimeThatNoLongerAdvancesEnds) {
    settings.timeScale = 1e20;
    ResponseRun r = Make(ResponseRun::Kind::Step);
    r.time = 1e17; // 1e17 + 0.025 rounds to 1e17
    r.Step(ResponseRun::ChunkSamples);
    EXPECT_TRUE(r.Finished());
    EXPECT_EQ(rows.t.size(), 1u);
}

} // namespace
