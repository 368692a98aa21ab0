#include "signal/Oscilloscopeclass.h"

#include "RecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kaldorium {
namespace {

using test::RecordingCanvas;
using Op = RecordingCanvas::Op;

// The workbench display's size: plotting area columns 30..779, rows 0..356.
class OscilloscopeTest : public testing::Test {
protected:
    RecordingCanvas canvas{779, 386};
    Oscilloscope scope;

    std::vector<RecordingCanvas::Call> Lines() const { return canvas.Only(Op::Line); }
};

TEST_F(OscilloscopeTest, ConstructorDefaults) {
    EXPECT_EQ(scope.canvas, nullptr);
    EXPECT_EQ(scope.margin, 30);
    EXPECT_EQ(scope.width, 779);
    EXPECT_EQ(scope.height, 386);
    EXPECT_EQ(scope.xMin, 0.0);
    EXPECT_EQ(scope.xMax, 5.0);
    EXPECT_EQ(scope.yMin, -5.0);
    EXPECT_EQ(scope.yMax, 5.0);
    EXPECT_EQ(scope.xRange, 5.0);
    EXPECT_EQ(scope.yRange, 10.0);
    EXPECT_EQ(scope.scaleIn, 5.0);
    EXPECT_EQ(scope.scaleOut, 5.0);
    EXPECT_EQ(scope.span, 5.0);
    EXPECT_EQ(scope.sweepOffset, 0.0);
    EXPECT_EQ(scope.logX, 0);
    EXPECT_EQ(scope.logY, 0);
}

TEST_F(OscilloscopeTest, ValuesMapToPixelsAndClampToTheArea) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    struct {
        double value;
        int pixel;
    } const columns[] = {{0.0, 30},  {5.0, 779}, {2.5, 404}, {1.0, 179},
                         {-1.0, 30}, {-0.1, 30}, {5.2, 779}, {9.0, 779}};
    for (const auto &c : columns) {
        scope.ToPixelX(c.value); // 749·x/5 + 30, truncated
        EXPECT_EQ(scope.pixelX, c.pixel) << c.value;
    }
    struct {
        double value;
        int pixel;
    } const rows[] = {{5.0, 0}, {-5.0, 356}, {0.0, 178},  {1.0, 142},
                      {5.5, 0}, {7.0, 0},    {-5.5, 356}, {-7.0, 356}};
    for (const auto &r : rows) {
        scope.ToPixelY(r.value); // (1 − (y + 5)/10)·356, truncated
        EXPECT_EQ(scope.pixelY, r.pixel) << r.value;
    }
}

TEST_F(OscilloscopeTest, ExtremeValuesLandOnTheEdges) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    scope.ToPixelX(1e300);
    EXPECT_EQ(scope.pixelX, 779);
    scope.ToPixelX(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(scope.pixelX, 30);
    scope.ToPixelY(-1e300);
    EXPECT_EQ(scope.pixelY, 356);
    scope.ToPixelY(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(scope.pixelY, 0);
}

TEST_F(OscilloscopeTest, PixelsMapBackToValues) {
    scope.Bind(&canvas, -2.0, 8.0, -1.0, 3.0);
    EXPECT_EQ(scope.ValueAtX(30), -2.0);
    EXPECT_EQ(scope.ValueAtX(0), -2.0);
    EXPECT_EQ(scope.ValueAtX(779), 8.0);
    EXPECT_EQ(scope.ValueAtX(900), 8.0);
    EXPECT_EQ(scope.ValueAtY(0), 3.0);
    EXPECT_EQ(scope.ValueAtY(356), -1.0);
    EXPECT_DOUBLE_EQ(scope.ValueAtX(404), (404 - 30) * 10.0 / 749 - 2.0);
    EXPECT_DOUBLE_EQ(scope.ValueAtY(89), 3.0 - 89 * 4.0 / 356);
    for (int px = 31; px < 779; px += 37) {
        scope.ToPixelX(scope.ValueAtX(px));
        EXPECT_NEAR(scope.pixelX, px, 1) << px;
    }
}

TEST_F(OscilloscopeTest, ZeroRangeBecomesOne) {
    scope.Bind(&canvas, 2.0, 2.0, 1.0, 1.0);
    EXPECT_EQ(scope.xRange, 1.0);
    EXPECT_EQ(scope.yRange, 1.0);
    scope.ToPixelX(2.5);
    EXPECT_EQ(scope.pixelX, 404);
}

TEST_F(OscilloscopeTest, GridHasTwentyDivisionsAndLabelsEverySecondLine) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls[0].op, Op::ProcessMessages);
    ASSERT_EQ(canvas.calls[1].op, Op::Rectangle);
    EXPECT_EQ(canvas.calls[1].x2, 779);
    EXPECT_EQ(canvas.calls[1].y2, 386);
    EXPECT_EQ(canvas.calls[1].pen, ColorGreen);
    EXPECT_EQ(canvas.calls[1].penWidth, 1);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 42u);
    for (int i = 0; i < 21; ++i) {
        SCOPED_TRACE(i);
        const auto &h = lines[static_cast<std::size_t>(i)];
        const auto &v = lines[static_cast<std::size_t>(21 + i)];
        EXPECT_EQ(h.pen, ColorGreen);
        EXPECT_EQ(h.penWidth, i % 2 == 0 ? 2 : 1);
        EXPECT_EQ(h.x1, 30);
        EXPECT_EQ(h.x2, 779);
        EXPECT_EQ(h.y1, h.y2);
        EXPECT_EQ(v.penWidth, i % 2 == 0 ? 2 : 1);
        EXPECT_EQ(v.y1, 0);
        EXPECT_EQ(v.y2, 356);
    }
    EXPECT_EQ(lines.front().y1, 356); // from yMin upwards
    EXPECT_EQ(lines[20].y1, 0);

    const std::vector<std::string> want = {"-5.0",  "-4.0",  "-3.0",  "-2.0",  "-1.0",  "0.0",
                                           "1.0",   "2.0",   "3.0",   "4.0",   "5.0",   "0.000",
                                           "0.500", "1.000", "1.500", "2.000", "2.500", "3.000",
                                           "3.500", "4.000", "4.500", "5.000"};
    EXPECT_EQ(canvas.Texts(), want);
    const auto texts = canvas.Only(Op::Text);
    EXPECT_EQ(texts[0].x1, 1);
    EXPECT_EQ(texts[0].y1, 356);
    EXPECT_EQ(texts[12].x1, 30 + 749 / 10);
    EXPECT_EQ(texts[12].y1, 358);

    EXPECT_EQ(canvas.pen, ColorBlack);
    EXPECT_EQ(canvas.penWidth, 2);
}

TEST_F(OscilloscopeTest, LogLabelsShowPowersOfTen) {
    // Repeated addition of 0.2 from 1.0 passes 5.0 slightly, so the last line is at 4.8.
    scope.BindLog(&canvas, 1.0, 5.0, -50.0, 1.0, 1, 0);
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 11u + 10u);
    EXPECT_EQ(texts[0], "-50.0");
    const std::vector<std::string> want = {"10.000", "25.100", "63.100", "158.000", "398.000",
                                           "1E3",    "2.51E3", "6.31E3", "1.58E4",  "3.98E4"};
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 11, texts.end()), want);
}

TEST_F(OscilloscopeTest, DegenerateRangesDoNotHang) {
    // Steps lost to rounding (and infinite ranges) would keep the grid loop going for ever.
    scope.Bind(&canvas, 1e20, 1e20 + 16384.0, 0.0, std::numeric_limits<double>::infinity());
    EXPECT_LE(Lines().size(), 42u);
}

TEST_F(OscilloscopeTest, FirstPointJoinsNothingSecondDrawsBothTraces) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    canvas.Clear();
    scope.PlotPair(0.0, 0.0, 5.0);
    EXPECT_TRUE(Lines().empty());
    scope.PlotPair(2.5, 1.0, -5.0);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].pen, ColorBlack);
    EXPECT_EQ(lines[0].penWidth, 2);
    EXPECT_EQ(lines[0].x1, 30);
    EXPECT_EQ(lines[0].y1, 178);
    EXPECT_EQ(lines[0].x2, 404);
    EXPECT_EQ(lines[0].y2, 142);
    EXPECT_EQ(lines[1].pen, ColorRed);
    EXPECT_EQ(lines[1].y1, 0);
    EXPECT_EQ(lines[1].y2, 356);
    EXPECT_EQ(canvas.pen, ColorBlack);

    // A new grid starts new polylines.
    scope.DrawGrid();
    canvas.Clear();
    scope.PlotPair(3.0, 0.0, 0.0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(OscilloscopeTest, PlotPointDrawsOnlyTheFirstTrace) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    canvas.Clear();
    scope.PlotPoint(0.0, 0.0);
    scope.PlotPoint(5.0, 5.0);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen, ColorBlack);
    EXPECT_EQ(scope.lastY2, 0);
    EXPECT_EQ(scope.lastX, 779);
}

TEST_F(OscilloscopeTest, SweepStartsNewPagesThatContinueTheTimeAxis) {
    scope.Bind(&canvas, 0.0, 1.0, -1.0, 1.0);
    canvas.Clear();
    // A new page at t = 2 (scale change): labels read 2.000 … 7.000.
    scope.PlotSweep(2.0, 1.0, -2.0, 0.0, 5.0, 1.0, 2.0);
    EXPECT_EQ(canvas.Only(Op::Rectangle).size(), 1u);
    auto texts = canvas.Texts();
    EXPECT_EQ(texts[11], "2.000");
    EXPECT_EQ(texts.back(), "7.000");
    EXPECT_EQ(scope.pixelX, 30);
    EXPECT_EQ(scope.lastY1, 0);   // 1/1 at the top
    EXPECT_EQ(scope.lastY2, 356); // −2/2 at the bottom

    canvas.Clear();
    double t = 2.0;
    for (int i = 0; i < 50; ++i) {
        t += 0.1;
        scope.PlotSweep(t, 0.0, 0.0, 0.0, 5.0, 1.0, 2.0);
    }
    EXPECT_TRUE(canvas.Only(Op::Rectangle).empty());
    EXPECT_EQ(Lines().size(), 100u);

    canvas.Clear();
    scope.PlotSweep(7.05, 0.0, 0.0, 0.0, 5.0, 1.0, 2.0);
    EXPECT_EQ(canvas.Only(Op::Rectangle).size(), 1u);
    texts = canvas.Texts();
    EXPECT_EQ(texts[11], "7.000");
    EXPECT_EQ(texts.back(), "12.000");
    EXPECT_EQ(Lines().size(), 42u); // the first point of a page joins nothing
    scope.ToPixelX(0.05);
    EXPECT_EQ(scope.lastX, scope.pixelX);
}

class TriggeredSweepTest : public OscilloscopeTest {
protected:
    // Span 1, scales 1 and 2, time step 0.1, trigger level 0.5 on the unscaled input.
    void Sample(double yIn, bool restart = false) {
        scope.PlotTriggered(restart, 0.5, 0.1, yIn, 0.0, 1.0, 1.0, 2.0);
    }
    std::size_t TraceLines() const {
        std::size_t n = 0;
        for (const auto &line : canvas.Only(Op::Line)) {
            n += line.pen == ColorGreen ? 0 : 1;
        }
        return n;
    }
};

TEST_F(TriggeredSweepTest, WaitsForInputRisingThroughTheLevel) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    Sample(0.0, true);
    EXPECT_EQ(scope.span, 1.0);
    EXPECT_EQ(scope.scaleOut, 2.0);
    // Rising up to the level itself (below level + 0.001), then falling.
    for (double y : {0.1, 0.2, 0.4, 0.5, 0.3}) {
        Sample(y);
        EXPECT_FALSE(scope.armed) << y;
    }
    // Above the level from the restart on, but never rising.
    Sample(0.9, true);
    for (double y : {0.9, 0.8, 0.7, 0.6, 0.0}) {
        Sample(y);
        EXPECT_FALSE(scope.armed) << y;
    }
    EXPECT_EQ(TraceLines(), 0u);
    EXPECT_EQ(scope.sweepPosition, 0.0);

    Sample(0.6); // rises through the level
    EXPECT_TRUE(scope.armed);
    EXPECT_EQ(TraceLines(), 2u);
    EXPECT_DOUBLE_EQ(scope.sweepPosition, 0.1);

    // Keeps drawing while the input falls, until the span is passed.
    for (int i = 0; i < 10; ++i) {
        Sample(0.0);
    }
    EXPECT_EQ(TraceLines(), 22u);
    const std::size_t rectangles = canvas.Only(Op::Rectangle).size();
    Sample(0.0); // position 1.1 > span: fresh grid, waiting again
    EXPECT_EQ(canvas.Only(Op::Rectangle).size(), rectangles + 1);
    EXPECT_FALSE(scope.armed);
    EXPECT_EQ(scope.sweepPosition, 0.0);
}

TEST_F(TriggeredSweepTest, LevelIsDividedByTheInputScale) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    scope.PlotTriggered(true, 0.5, 0.1, 0.0, 0.0, 1.0, 2.0, 2.0);
    // Scaled level 0.25 + 0.001: an input of 0.6 (scaled 0.3) arms, 0.4 (0.2) does not.
    scope.PlotTriggered(false, 0.5, 0.1, 0.4, 0.0, 1.0, 2.0, 2.0);
    EXPECT_FALSE(scope.armed);
    scope.PlotTriggered(false, 0.5, 0.1, 0.6, 0.0, 1.0, 2.0, 2.0);
    EXPECT_TRUE(scope.armed);
    scope.PlotTriggered(true, 0.5, 0.1, 0.6, 0.0, 1.0, 2.0, 2.0);
    EXPECT_FALSE(scope.armed);
}

TEST_F(TriggeredSweepTest, NewScalesActFromTheNextSample) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    scope.PlotTriggered(true, 0.0, 0.1, 0.0, 0.0, 1.0, 1.0, 1.0);
    // Divided by the old scales 1 and 1: 0.5 → row 89; then by 4 and 2: 0.125 → 155, 0.25 → 133.
    scope.PlotTriggered(false, 0.0, 0.1, 0.5, 0.5, 1.0, 4.0, 2.0);
    EXPECT_EQ(scope.lastY1, 89);
    EXPECT_EQ(scope.lastY2, 89);
    scope.PlotTriggered(false, 0.0, 0.1, 0.5, 0.5, 1.0, 4.0, 2.0);
    EXPECT_EQ(scope.lastY1, 155);
    EXPECT_EQ(scope.lastY2, 133);
}

} // namespace
} // namespace kaldorium
