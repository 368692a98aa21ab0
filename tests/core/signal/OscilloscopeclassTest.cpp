#include "core/signal/Oscilloscopeclass.h"

#include "core/signal/GridLabels.h"

#include "tests/core/signal/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
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

TEST_F(OscilloscopeTest, WiderLabelMarginMovesThePlottingAreaAndOutlivesTheNextBind) {
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    scope.SetLabelMargin(45);
    scope.ToPixelX(0.0);
    EXPECT_EQ(scope.pixelX, 45);
    scope.ToPixelY(-5.0);
    EXPECT_EQ(scope.pixelY, 386 - 45);
    // Cursors on the new area read the plot's own ends, and the next drawing uses it too.
    EXPECT_EQ(scope.ValueAtX(45), 0.0);
    EXPECT_EQ(scope.ValueAtY(386 - 45), -5.0);
    scope.Bind(&canvas, 0.0, 5.0, -5.0, 5.0);
    EXPECT_EQ(scope.margin, 45);
    scope.PlotPair(0.0, 1.0, -1.0);
    scope.PlotPair(5.0, 1.0, -1.0);
    Oscilloscope::TracePoint read;
    ASSERT_TRUE(scope.TraceAt(779, scope.PixelRow(1.0), read));
    EXPECT_EQ(read.value, 1.0);
    scope.SetLabelMargin(30);
    scope.ToPixelX(0.0);
    EXPECT_EQ(scope.pixelX, 30);
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
    ASSERT_EQ(canvas.calls[0].op, Op::Rectangle);
    EXPECT_EQ(canvas.calls[0].x2, 779);
    EXPECT_EQ(canvas.calls[0].y2, 386);
    EXPECT_EQ(canvas.calls[0].pen, ColorGreen);
    EXPECT_EQ(canvas.calls[0].penWidth, 1);

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

TEST_F(OscilloscopeTest, DecadeLabelsShowDecadesAndTheirTwoAndFive) {
    // A Bode plot's axis, 3 Hz … 20 kHz: twelve labels, the decades' lines thick.
    scope.decadeLabels = true;
    scope.BindLog(&canvas, std::log10(3.0), std::log10(20000.0), -50.0, 1.0, 1, 0);
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 11u + 12u);
    const std::vector<std::string> want = {"5",   "10",   "20",   "50",   "100",   "200",
                                           "500", "1000", "2000", "5000", "10000", "20000"};
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 11, texts.end()), want);
    // 100 Hz: a decade, thick; 200 Hz thin.
    for (const auto &[hz, width] : {std::pair{100.0, 2}, std::pair{200.0, 1}}) {
        scope.ToPixelX(std::log10(hz));
        int drawn = 0;
        for (const auto &call : canvas.Only(Op::Line)) {
            if (call.x1 == scope.pixelX && call.x2 == scope.pixelX && call.y1 == 0) {
                drawn = call.penWidth;
            }
        }
        EXPECT_EQ(drawn, width) << hz;
    }
}

TEST(DecadeGridTest, CrowdedAxesKeepTheDecadesAndPartsOfADecadeKeepEqualDivisions) {
    // 0.1 Hz … 100 kHz has 19 such lines, more than an axis labels: only the decades are.
    const std::vector<DecadeLine> lines = DecadeGrid(-1.0, 5.0);
    ASSERT_EQ(lines.size(), 19u);
    int labelled = 0;
    for (const DecadeLine &line : lines) {
        labelled += line.labelled;
        EXPECT_EQ(line.labelled, line.decade);
    }
    EXPECT_EQ(labelled, 7);
    // Zoomed inside a decade, one labelled line or none: the equal divisions stay.
    EXPECT_TRUE(DecadeGrid(std::log10(1300.0), std::log10(1900.0)).empty());
    EXPECT_TRUE(DecadeGrid(std::log10(1500.0), std::log10(2500.0)).empty());
    EXPECT_EQ(DecadeGrid(std::log10(1500.0), std::log10(5000.0)).size(), 2u);
    EXPECT_TRUE(DecadeGrid(3.0, std::nan("")).empty());
}

TEST_F(OscilloscopeTest, LogLabelsShowPowersOfTen) {
    // Line k stands at 1.0 + k·0.2, so the last one is at 5.0 exactly and labelled too.
    scope.BindLog(&canvas, 1.0, 5.0, -50.0, 1.0, 1, 0);
    const auto texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 11u + 11u);
    EXPECT_EQ(texts[0], "-50.0");
    const std::vector<std::string> want = {"10.000",  "25.100", "63.100", "158.000",
                                           "398.000", "1E3",    "2.51E3", "6.31E3",
                                           "1.58E4",  "3.98E4", "1E5"};
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 11, texts.end()), want);
    // The label of the line on the right edge ends there instead of leaving the image.
    const auto last = canvas.Only(Op::Text).back();
    EXPECT_EQ(last.x1 + canvas.TextWidth(last.text), 779);
}

// Plots whose labels repeated, lost their top line or ran into each other: every line within
// the axis has its label, neighbours read differently, and no two labels overlap or leave the
// image.
struct LabelCase {
    const char *name;
    int width;
    int height;
    void (*bind)(Oscilloscope &, Canvas &);
    std::vector<std::string> xTexts; // when given, the x labels expected
};

void PrintTo(const LabelCase &c, std::ostream *os) {
    *os << c.name;
}

class GridLabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(GridLabelTest, EveryLineLabelledDistinctAndApart) {
    const LabelCase &c = GetParam();
    RecordingCanvas canvas(c.width, c.height);
    Oscilloscope scope;
    c.bind(scope, canvas);
    // The last grid drawn.
    std::size_t from = canvas.calls.size();
    while (from > 0 && canvas.calls[from - 1].op != Op::Rectangle) {
        --from;
    }
    std::vector<RecordingCanvas::Call> lines;
    std::vector<RecordingCanvas::Call> texts;
    for (std::size_t i = from; i < canvas.calls.size(); ++i) {
        (canvas.calls[i].op == Op::Line ? lines : texts).push_back(canvas.calls[i]);
    }
    EXPECT_EQ(lines.size(), 42u);
    ASSERT_EQ(texts.size(), 22u);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].text);
        const int w = canvas.TextWidth(texts[i].text);
        const int h = canvas.TextHeight();
        EXPECT_GE(texts[i].x1, 0);
        EXPECT_LE(texts[i].x1 + w, c.width);
        EXPECT_GE(texts[i].y1, 0);
        EXPECT_LE(texts[i].y1 + h, c.height);
        if (i != 0 && i != 11) {
            EXPECT_NE(texts[i].text, texts[i - 1].text);
        }
        for (std::size_t j = 0; j < i; ++j) {
            const int wj = canvas.TextWidth(texts[j].text);
            const bool apart = texts[i].x1 >= texts[j].x1 + wj || texts[j].x1 >= texts[i].x1 + w ||
                               texts[i].y1 >= texts[j].y1 + h || texts[j].y1 >= texts[i].y1 + h;
            EXPECT_TRUE(apart) << "overlaps " << texts[j].text;
        }
    }
    if (!c.xTexts.empty()) {
        std::vector<std::string> x;
        for (std::size_t i = 11; i < texts.size(); ++i) {
            x.push_back(texts[i].text);
        }
        EXPECT_EQ(x, c.xTexts);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scales, GridLabelTest,
    testing::Values(
        // The WAV workbench at 10 ms per page, 125 pages into a file.
        LabelCase{"WavTimeScale10ms",
                  960,
                  340,
                  [](Oscilloscope &s, Canvas &c) {
                      s.Bind(&c, 0.0, 10.0, -1.0, 1.0);
                      s.PlotSweep(1255.0, 0.0, 0.0, 0.0, 10.0, 1.0, 1.0);
                  },
                  {"1255", "1256", "1257", "1258", "1259", "1260", "1261", "1262", "1263", "1264",
                   "1265"}},
        // The WAV spectrum: 0 … the peak magnitude.
        LabelCase{"WavSpectrumY",
                  960,
                  340,
                  [](Oscilloscope &s, Canvas &c) { s.Bind(&c, 0.0, 22050.0, 0.0, 0.45); },
                  {}},
        LabelCase{"SpectrumTopLine",
                  1033,
                  520,
                  [](Oscilloscope &s, Canvas &c) { s.Bind(&c, 0.0, 2756.25, 0.0, 1.0); },
                  {}},
        // The Bode phase plot: its lowest y label met the first x label in the corner.
        LabelCase{"BodePhaseCorner",
                  700,
                  270,
                  [](Oscilloscope &s, Canvas &c) { s.BindLog(&c, 1.0, 5.0, -180.0, 180.0, 1, 0); },
                  {}},
        LabelCase{"NarrowTimeAxis",
                  420,
                  200,
                  [](Oscilloscope &s, Canvas &c) { s.Bind(&c, 0.0, 25.0, -1.0, 1.0); },
                  {}}),
    [](const testing::TestParamInfo<LabelCase> &p) { return std::string(p.param.name); });

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

// The measuring cursors read the traces: the sample nearest the cursor's x, of the trace nearest
// its height, in the signal's own units.
class TraceReadTest : public OscilloscopeTest {
protected:
    // Where a value is drawn, and what a cursor there reads.
    Oscilloscope::TracePoint Read(double x, double plotted) {
        scope.ToPixelX(x);
        scope.ToPixelY(plotted);
        Oscilloscope::TracePoint point;
        EXPECT_TRUE(scope.TraceAt(scope.pixelX, scope.pixelY, point));
        return point;
    }
    // The column width in x: the nearest sample lies within it.
    double Column() const { return scope.xRange / (scope.width - scope.margin); }
};

TEST_F(TraceReadTest, NearestSampleOfTheNearestTrace) {
    scope.Bind(&canvas, 0.0, 10.0, -1.0, 1.0);
    Oscilloscope::TracePoint point;
    EXPECT_FALSE(scope.TraceAt(400, 100, point)); // nothing drawn yet
    // 0.037 apart: one sample in about every third column.
    for (int k = 0; k <= 270; ++k) {
        const double t = 0.037 * k;
        scope.PlotPair(t, std::sin(t), 0.5 * std::cos(t));
    }
    for (const double x : {1.5, 2.5, 4.2, 7.77, 9.0}) {
        SCOPED_TRACE(x);
        // A sample at most half a sample spacing and a column from the cursor (slopes ≤ 1).
        point = Read(x, std::sin(x));
        EXPECT_EQ(point.trace, 0);
        EXPECT_NEAR(point.value, std::sin(x), 0.037 / 2 + Column());
        point = Read(x, 0.5 * std::cos(x));
        EXPECT_EQ(point.trace, 1);
        EXPECT_NEAR(point.value, 0.5 * std::cos(x), 0.5 * (0.037 / 2 + Column()));
    }
    // Past the last sample the last one is read.
    EXPECT_DOUBLE_EQ(Read(10.0, 0.0).value, 0.5 * std::cos(0.037 * 270));
    // A new grid forgets the traces.
    scope.DrawGrid();
    EXPECT_FALSE(scope.TraceAt(400, 100, point));
}

TEST_F(TraceReadTest, SweepsReadTheSignalWithoutScaleAndShift) {
    // The workbench display: input 2·sin at scale 5 and shift 0.5, output at scale 4.
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
    scope.traceShift[0] = 0.5;
    scope.traceShift[1] = -0.25;
    double last = 0.0;
    for (int k = 0; k < 400; ++k) {
        const double x = 2.0 * std::sin(0.05 * k);
        scope.PlotTriggered(k == 0, 0.5, 0.025, x + 0.5, -x - 0.25, 5.0, 5.0, 4.0);
        last = x;
    }
    ASSERT_TRUE(scope.armed);
    const double t = scope.sweepPosition - 0.025; // where the last sample went
    const auto point = Read(t, (last + 0.5) / 5.0);
    EXPECT_EQ(point.trace, 0);
    EXPECT_DOUBLE_EQ(point.value, last);
    EXPECT_DOUBLE_EQ(Read(t, (-last - 0.25) / 4.0).value, -last);
}

// The record is built when read: reading while a triggered sweep waits (its unjoined points
// replacing each other) must leave the same record as reading once at the end.
TEST_F(TraceReadTest, ReadingWhilePlottingReadsWhatReadingAfterwardsReads) {
    RecordingCanvas otherCanvas{779, 386};
    Oscilloscope other;
    scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0);
    other.Bind(&otherCanvas, 0.0, 5.0, -1.0, 1.0);
    Oscilloscope::TracePoint point;
    for (int k = 0; k < 900; ++k) {
        const double x = std::sin(0.07 * k) + 0.3 * std::sin(0.31 * k);
        scope.PlotTriggered(k == 0, 0.4, 0.02, x, -x, 5.0, 2.0, 2.0);
        other.PlotTriggered(k == 0, 0.4, 0.02, x, -x, 5.0, 2.0, 2.0);
        if (k % 7 == 0) {
            scope.TraceAt(40 + k % 700, 100 + k % 150, point);
        }
    }
    for (int px = 30; px <= 779; px += 11) {
        for (int py = 0; py <= 356; py += 89) {
            Oscilloscope::TracePoint a;
            Oscilloscope::TracePoint b;
            ASSERT_EQ(scope.TraceAt(px, py, a), other.TraceAt(px, py, b));
            EXPECT_EQ(a.trace, b.trace) << px << ' ' << py;
            EXPECT_EQ(a.value, b.value) << px << ' ' << py;
        }
    }
}

// Past the points a plot keeps for zooming and the data out, the cursors still read what
// is drawn.
TEST_F(TraceReadTest, PlotsLongerThanTheKeptPointsReadTheirLastSamples) {
    scope.Bind(&canvas, 0.0, 1.0, -1.0, 1.0);
    const int n = static_cast<int>(PlotData::MaxPoints) + 1000;
    Oscilloscope::TracePoint point;
    for (int k = 0; k < n; ++k) {
        scope.PlotPair(static_cast<double>(k) / n, -0.5, k < n - 500 ? 0.0 : 0.75);
        if (k == n - 2000) {
            EXPECT_EQ(Read(0.5, 0.0).value, 0.0);
        }
    }
    EXPECT_FALSE(scope.Data().Complete());
    point = Read(1.0, 0.75);
    EXPECT_EQ(point.trace, 1);
    EXPECT_EQ(point.value, 0.75);
    EXPECT_EQ(Read(0.2, -0.5).value, -0.5);
}

TEST_F(TraceReadTest, SpikesReadTheirTopAndHiddenTracesAreSkipped) {
    // A spectrum's bins: three points each, the middle one at the magnitude over the peak 4.
    scope.Bind(&canvas, 0.0, 100.0, 0.0, 1.0);
    scope.traceScale[0] = 4.0;
    for (int bin = 1; bin < 10; ++bin) {
        scope.PlotPoint((bin - 0.1) * 10.0, 0.0);
        scope.PlotPoint(bin * 10.0, bin / 10.0);
        scope.PlotPoint((bin + 0.1) * 10.0, 0.0);
    }
    EXPECT_DOUBLE_EQ(Read(30.0, 0.3).value, 1.2);
    EXPECT_DOUBLE_EQ(Read(29.0, 0.0).value, 0.0);

    // A Bode phase plot keeps its first trace far above the axis; the top edge reads the phase.
    scope.BindLog(&canvas, 1.0, 5.0, -180.0, 180.0, 1, 0);
    scope.PlotPair(1.0, 1000.0, 90.0);
    scope.PlotPair(5.0, 1000.0, 90.0);
    const auto point = Read(3.0, 180.0);
    EXPECT_EQ(point.trace, 1);
    EXPECT_DOUBLE_EQ(point.value, 90.0);
}

} // namespace
} // namespace kaldorium
