#include "core/signal/PlotView.h"
#include "core/signal/FieldZoom.h"
#include "core/signal/Oscilloscopeclass.h"

#include "tests/core/signal/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include <string>
#include <vector>

namespace kaldorium {
namespace {

using test::RecordingCanvas;
using Op = RecordingCanvas::Op;

class PlotViewTest : public testing::Test {
protected:
    void SetUp() override { view.SetHome({0.0, 10.0, -1.0, 1.0}); }
    PlotView view;
};

TEST_F(PlotViewTest, ZoomKeepsTheValueUnderThePointerAndResetRestoresHomeExactly) {
    view.ZoomX(2.0, 8.0);
    EXPECT_DOUBLE_EQ(view.Visible().left, 4.0);
    EXPECT_DOUBLE_EQ(view.Visible().right, 9.0);
    EXPECT_EQ(view.Visible().bottom, -1.0);
    view.ZoomY(4.0, 0.0);
    EXPECT_DOUBLE_EQ(view.Visible().bottom, -0.25);
    EXPECT_DOUBLE_EQ(view.Visible().top, 0.25);
    EXPECT_TRUE(view.IsZoomed());
    view.Reset();
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(view.Visible(), (PlotRanges{0.0, 10.0, -1.0, 1.0}));
}

TEST_F(PlotViewTest, AnAxisKeptWithinHomeNeitherPansNorZoomsOutPastIt) {
    view.ZoomX(2.0, 5.0); // 2.5 … 7.5
    view.Pan(-4.0, 0.5);
    EXPECT_DOUBLE_EQ(view.Visible().left, 0.0);
    EXPECT_DOUBLE_EQ(view.Visible().right, 5.0);
    EXPECT_DOUBLE_EQ(view.Visible().top, 1.5); // y is free
    view.ZoomX(0.1, 1.0);
    EXPECT_EQ(view.Visible().left, 0.0);
    EXPECT_EQ(view.Visible().right, 10.0);
    view.ZoomY(0.001, 0.0); // past 1000 × home: held there
    EXPECT_NEAR(view.Visible().top - view.Visible().bottom, 2000.0, 1e-9);
}

TEST_F(PlotViewTest, ZoomStopsAtAMillionthOfHomeAndIgnoresNonsense) {
    for (int i = 0; i < 100; ++i) {
        view.ZoomX(10.0, 3.0);
    }
    EXPECT_NEAR(view.Visible().right - view.Visible().left, 1e-5, 1e-12);
    const PlotRanges before = view.Visible();
    view.ZoomX(0.0, 3.0);
    view.ZoomY(-2.0, 0.0);
    EXPECT_EQ(view.Visible(), before);
    view.Pan(std::numeric_limits<double>::quiet_NaN(), 0.0);
    EXPECT_EQ(view.Visible().left, 0.0); // a broken range falls back to home
}

// A display that keeps its view in fields: what a zoom shows becomes time scale, scales and shifts
// that draw every value where the zoomed view drew it.
TEST(FieldsShowingTest, ZoomedViewBecomesFieldsThatDrawEachValueWhereTheViewDid) {
    const PlotRanges home{0.0, 5.0, -1.0, 1.0};
    const DisplayFields now{5.0, {2.0, 4.0}, {0.5, -1.0}};
    // Twice as much time in, and heights 0 … 1 of the home axis shown over the whole height.
    const PlotRanges visible{0.0, 2.5, 0.0, 1.0};
    const DisplayFields next = FieldsShowing(home, visible, now);
    EXPECT_DOUBLE_EQ(next.timeScale, 2.5);
    for (int t = 0; t < 2; ++t) {
        for (const double v : {-3.0, -0.5, 0.0, 1.0, 2.5}) {
            // Height in the zoomed view, from −1 … 1 of the visible part, against the new fields.
            const double p = (v + now.shift[t]) / now.scale[t];
            const double inView = 2.0 * (p - visible.bottom) / (visible.top - visible.bottom) - 1.0;
            EXPECT_NEAR((v + next.shift[t]) / next.scale[t], inView, 1e-12) << t << " " << v;
        }
    }
    // Only the time axis zoomed: the heights stay exactly; an empty home leaves everything.
    const DisplayFields wide = FieldsShowing(home, {0.0, 10.0, -1.0, 1.0}, now);
    EXPECT_EQ(wide.timeScale, 10.0);
    EXPECT_EQ(wide.scale[1], 4.0);
    EXPECT_EQ(wide.shift[0], 0.5);
    const DisplayFields same = FieldsShowing({1.0, 1.0, 0.0, 0.0}, visible, now);
    EXPECT_EQ(same.timeScale, 5.0);
    EXPECT_EQ(same.scale[0], 2.0);
}

// A plot of 200 points kept, replotted zoomed, held and written out.
class PlotDataTest : public testing::Test {
protected:
    void SetUp() override {
        scope.Bind(&canvas, 0.0, 10.0, -1.0, 1.0);
        for (int i = 0; i < 200; ++i) {
            scope.PlotPair(0.05 * i, 0.5, -0.5);
        }
    }
    std::vector<RecordingCanvas::Call> LinesIn(Color colour) const {
        std::vector<RecordingCanvas::Call> out;
        for (const auto &c : canvas.Only(Op::Line)) {
            if (c.pen == colour) {
                out.push_back(c);
            }
        }
        return out;
    }
    RecordingCanvas canvas{779, 386};
    Oscilloscope scope;
};

TEST_F(PlotDataTest, EveryPointIsKeptAndAReplotDrawsThemOverTheNewRanges) {
    ASSERT_EQ(scope.Data().Current().points.size(), 200u);
    canvas.Clear();
    scope.Replot({0.0, 5.0, -1.0, 1.0});
    EXPECT_EQ(scope.Data().Current().points.size(), 200u); // not kept twice
    const auto red = LinesIn(ColorRed);
    ASSERT_EQ(red.size(), 199u);
    // Points past the visible x end sit on its edge; the first half spans the whole width.
    EXPECT_EQ(red[98].x2, 30 + (779 - 30) * 99 / 100); // x = 4.95
    EXPECT_EQ(red[99].x2, 779);
    Oscilloscope::TracePoint point;
    ASSERT_TRUE(scope.TraceAt(400, 100, point));
    EXPECT_EQ(point.value, 0.5);
}

// A triggered sweep waiting for its level keeps one unjoined point per wait, and a replot
// lifts the pen exactly where the live drawing did.
TEST_F(PlotDataTest, TriggerWaitsKeepOnePointEachAndReplotLiftsThePenWhereTheyWere) {
    scope.Bind(&canvas, 0.0, 10.0, -1.0, 1.0);
    bool first = true;
    for (int cycle = 0; cycle < 3; ++cycle) {
        for (int i = 0; i < 40; ++i) { // falling: waits, then rises past the level
            const double v = i < 20 ? -0.05 * i : -1.0 + 0.1 * (i - 20);
            scope.PlotTriggered(first, 0.0, 0.1, v, v, 10.0, 1.0, 1.0);
            if (first) {
                canvas.Clear();
            }
            first = false;
        }
    }
    const PlotData::Trace &kept = scope.Data().Current();
    std::size_t lifted = 0;
    for (std::size_t i = 0; i < kept.points.size(); ++i) {
        lifted += kept.PenDown(i) ? 0 : 1;
    }
    EXPECT_EQ(lifted, kept.lifts.size());
    EXPECT_LT(kept.points.size(), 120u); // the waiting points were not all kept
    const auto live = LinesIn(ColorRed);
    canvas.Clear();
    scope.Replot(scope.Ranges());
    const auto replayed = LinesIn(ColorRed);
    ASSERT_GT(live.size(), 30u);
    ASSERT_EQ(replayed.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_EQ(replayed[i].x1, live[i].x1);
        EXPECT_EQ(replayed[i].y2, live[i].y2);
    }
}

TEST_F(PlotDataTest, HeldTracesAreDrawnGreyBehindTheNextWithTheSecondDashedAndALegend) {
    ASSERT_TRUE(scope.Data().Hold());
    canvas.Clear();
    scope.Bind(&canvas, 0.0, 10.0, -1.0, 1.0); // the next run
    for (int i = 0; i < 200; ++i) {
        scope.PlotPair(0.05 * i, 0.2, -0.2);
    }
    const Color grey{200, 200, 200};
    const auto held = LinesIn(grey);
    int solid = 0;
    int dashed = 0;
    for (const auto &c : held) {
        solid += c.y1 == scope.PixelRow(0.5) ? c.x2 - c.x1 : 0;
        dashed += c.y1 == scope.PixelRow(-0.5) ? c.x2 - c.x1 : 0;
    }
    // The first trace whole, the second broken into dashes (7 pixels of every 12).
    EXPECT_NEAR(solid, 746, 2);
    EXPECT_NEAR(dashed, 746 * 7 / 12, 20);
    const auto texts = canvas.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "held 1"), texts.end());
    // Grey lines come before the trace drawn over them.
    bool greyAfterBlack = false;
    bool seenBlack = false;
    for (const auto &c : canvas.Only(Op::Line)) {
        seenBlack = seenBlack || (c.pen == ColorBlack && c.penWidth == 2);
        greyAfterBlack = greyAfterBlack || (seenBlack && c.pen == grey);
    }
    EXPECT_FALSE(greyAfterBlack);

    // A fourth hold pushes out the first; clearing removes them all.
    for (int i = 0; i < 3; ++i) {
        scope.Data().Hold();
    }
    EXPECT_EQ(scope.Data().HeldCount(), 3);
    scope.Data().ClearHeld();
    canvas.Clear();
    scope.Replot(scope.Ranges());
    EXPECT_TRUE(LinesIn(grey).empty());
}

TEST_F(PlotDataTest, CsvHasAUnitHeaderEveryPointAndTheHeldColumnsWithADot) {
    scope.columns.x = "time (ms)";
    scope.columns.traces[0] = "input";
    scope.columns.traces[1] = "output";
    scope.Data().Hold();
    const std::string csv = scope.Data().Csv(scope.columns);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "time (ms),input,output,held 1 time (ms),held 1 input,held 1 output");
    EXPECT_NE(csv.find("\r\n0.05,0.5,-0.5,0.05,0.5,-0.5\r\n"), std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 201);

    PlotData::Columns log;
    log.x = "frequency (Hz)";
    log.traces[0] = "";
    log.xLog10 = true;
    const std::string frequencies = scope.Data().Csv(log);
    EXPECT_EQ(frequencies.substr(0, 39), "frequency (Hz),trace 2,held 1 frequency");
    EXPECT_NE(frequencies.find("\r\n1,-0.5,1,-0.5\r\n"), std::string::npos); // 10^0
}

} // namespace
} // namespace kaldorium
