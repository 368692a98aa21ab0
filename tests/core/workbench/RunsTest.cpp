#include "tests/core/signal/RecordingCanvas.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/Runs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace kaldorium;

namespace {

struct Rows : RunRowSink {
    std::vector<std::vector<double>> rows;
    void InputRow(double t, double x) override { rows.push_back({t, x}); }
    void FilterRow(double t, double x, double y) override { rows.push_back({t, x, y}); }
};

} // namespace

class RunsTest : public ::testing::Test {
protected:
    WorkbenchSettings settings;
    NoiseGenerator noise;
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    test::RecordingCanvas canvas;
    Oscilloscope scope;
    SignalStatistics statistics;

    void SetUp() override { scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0); }
    WorkbenchRun Make(WorkbenchRun::Kind kind) {
        return WorkbenchRun(kind, RunContext{settings, noise, designer, network}, scope,
                            statistics);
    }
    int Lines(Color pen) const {
        int n = 0;
        for (const auto &c : canvas.calls) {
            n += c.op == test::RecordingCanvas::Op::Line && c.pen == pen;
        }
        return n;
    }
};

TEST_F(RunsTest, InputTestRowsStatisticsAndTime) {
    WorkbenchRun run = Make(WorkbenchRun::Kind::InputTest);
    Rows rows;
    run.rows = &rows;
    run.Step(2510);
    ASSERT_EQ(rows.rows.size(), 2510u);
    EXPECT_EQ(rows.rows[0][0], 0.0);
    EXPECT_NEAR(rows.rows[0][1], 0.30901699437494745, 1e-15);
    EXPECT_NEAR(rows.rows[1][0], 0.025, 1e-15);
    EXPECT_NEAR(run.time, 2510 * 0.025, 1e-9);
    EXPECT_NEAR(statistics.shownRmsIn, std::sqrt(0.5), 1e-12);
    EXPECT_EQ(statistics.shownRmsOut, 0.0);
    EXPECT_EQ(statistics.shownRangeOut, 0.0);
}

TEST_F(RunsTest, FilterTestFeedsTheSelectedFilter) {
    settings.filterKind = fkNetwork; // passes the input unchanged at start
    WorkbenchRun run = Make(WorkbenchRun::Kind::FilterTest);
    Rows rows;
    run.rows = &rows;
    run.Step(100);
    for (const auto &r : rows.rows) {
        ASSERT_EQ(r.size(), 3u);
        EXPECT_DOUBLE_EQ(r[1], r[2]);
    }
}

TEST_F(RunsTest, SweepWaitsForTheInputToRiseThroughItsOffset) {
    settings.dcOffset = 0.5;
    settings.waveform = 4; // sawtooth: −1 … +1, so with the offset it crosses 0.5 once a period
    WorkbenchRun run = Make(WorkbenchRun::Kind::InputTest);
    canvas.calls.clear();
    run.Step(1);
    EXPECT_EQ(Lines(ColorBlack), 0);
    run.Step(200);
    EXPECT_GT(Lines(ColorBlack), 0);
    EXPECT_EQ(Lines(ColorBlack), Lines(ColorRed));
}

TEST_F(RunsTest, SettingsChangedDuringARunActAtTheNextSample) {
    WorkbenchRun run = Make(WorkbenchRun::Kind::InputTest);
    Rows rows;
    run.rows = &rows;
    run.Step(3);
    settings.amplitude = 3.0; // restarts the sine with the new amplitude
    run.Step(1);
    EXPECT_NEAR(rows.rows[3][1], 3.0 * 0.30901699437494745, 1e-12);
}
