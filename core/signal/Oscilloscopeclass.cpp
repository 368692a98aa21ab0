#include "core/signal/Oscilloscopeclass.h"

#include "core/common/NumberText.h"
#include "core/signal/Canvas.h"
#include "core/signal/GridLabels.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace kaldorium {

namespace {

// Truncation toward zero that stays defined for any double: values beyond the int range (far
// outside every image) saturate, and NaN goes to the lowest int, so the edge clamps that follow
// put it on the left or top edge.
int TruncateToPixel(double value) {
    if (std::isnan(value)) {
        return std::numeric_limits<int>::min();
    }
    constexpr double limit = 1.0e9;
    if (value > limit) {
        return static_cast<int>(limit);
    }
    if (value < -limit) {
        return -static_cast<int>(limit);
    }
    return static_cast<int>(value);
}

// 20 divisions give 21 lines, every second one labelled.
constexpr int gridLines = 21;

// Line k of an axis: min + k·step, computed afresh (repeated addition drifts past the maximum
// and loses the last line). A line counts as within the axis up to a millionth of a step past
// its end.
bool GridLine(double min, double max, double step, int k, double &v) {
    v = k == 0 ? min : min + k * step;
    return std::islessequal(v, max + 1e-6 * std::fabs(step));
}

} // namespace

void Oscilloscope::Bind(Canvas *target, double left, double right, double bottom, double top) {
    BindLog(target, left, right, bottom, top, 0, 0);
}

void Oscilloscope::BindLog(Canvas *target, double left, double right, double bottom, double top,
                           int newLogX, int newLogY) {
    logX = newLogX;
    logY = newLogY;
    traceScale[0] = traceScale[1] = 1.0;
    traceShift[0] = traceShift[1] = 0.0;
    margin = labelMargin;
    sweepOffset = 0.0;
    canvas = target;
    width = canvas->Width();
    height = canvas->Height();
    traces.Resize(width - margin + 1);
    ForgetRecord();
    data.Reserve();
    SetRanges(left, right, bottom, top);
}

void Oscilloscope::SetLabelMargin(int pixels) {
    labelMargin = pixels;
    if (canvas != nullptr) {
        margin = pixels;
        traces.Resize(width - margin + 1);
        ForgetRecord();
    }
}

void Oscilloscope::SetRanges(double left, double right, double bottom, double top) {
    xMin = left;
    xMax = right;
    yMin = bottom;
    yMax = top;
    xRange = xMax - xMin;
    if (xRange == 0.0) {
        xRange = 1.0;
    }
    yRange = yMax - yMin;
    if (yRange == 0.0) {
        yRange = 1.0;
    }
    lastY1 = 0;
    lastX = 0;
    lastY2 = 0;
    DrawGrid();
    canvas->SetPenWidth(traceWidth);
}

void Oscilloscope::DrawGrid() {
    firstPoint = true;
    traces.Clear();
    ForgetRecord();
    if (!replaying) {
        data.Clear(xRange * sweepOffset);
    }
    // The sweeps draw the same empty grid page after page; a canvas that kept it puts it back.
    const BackgroundKey key{
        {xMin, xMax, yMin, yMax, sweepOffset},
        {width, height, margin, logX + (decadeLabels ? 2 : 0), logY, data.Generation()}};
    if (canvas->RestoreBackground(key)) {
        canvas->SetPenColor(ColorBlack);
        canvas->SetPenWidth(traceWidth);
        return;
    }
    canvas->SetPenWidth(1);
    canvas->SetPenColor(ColorGreen);
    canvas->Rectangle(0, 0, width, height);

    // Every second line is thick and labelled, starting with the first.
    AxisLabels yLabels;
    double v = 0.0;
    for (int k = 0; k < gridLines && GridLine(yMin, yMax, 0.05 * yRange, k, v); ++k) {
        canvas->SetPenWidth(k % 2 == 0 ? 2 : 1);
        ToPixelY(v);
        canvas->Line(margin, pixelY, width, pixelY);
        if (k % 2 == 0) {
            yLabels.Add(logY == 1 ? std::pow(10.0, v) : v, pixelY);
        }
    }
    AxisLabels xLabels;
    const std::vector<DecadeLine> decades =
        logX == 1 && decadeLabels ? DecadeGrid(xMin, xMax) : std::vector<DecadeLine>();
    for (const DecadeLine &line : decades) {
        canvas->SetPenWidth(line.decade ? 2 : 1);
        ToPixelX(line.at);
        canvas->Line(pixelX, 0, pixelX, height - margin);
        if (line.labelled) {
            // 20, not 19.999999999999996.
            const double value = std::pow(10.0, line.at);
            const double exponent = std::pow(10.0, std::floor(line.at + 1e-9));
            xLabels.Add(value, pixelX, FormatGeneral(std::round(value / exponent) * exponent, 12));
        }
    }
    for (int k = 0; decades.empty() && k < gridLines && GridLine(xMin, xMax, 0.05 * xRange, k, v);
         ++k) {
        canvas->SetPenWidth(k % 2 == 0 ? 2 : 1);
        ToPixelX(v);
        canvas->Line(pixelX, 0, pixelX, height - margin);
        if (k % 2 == 0) {
            // The sweeps move the page along the time axis; the labels show absolute values.
            const double value = xRange * sweepOffset + v;
            xLabels.Add(logX == 1 ? std::pow(10.0, value) : value, pixelX);
        }
    }
    WriteGridLabels(*canvas, width, height, margin, yLabels, xLabels);
    DrawHeld();
    canvas->SaveBackground(key);

    canvas->SetPenColor(ColorBlack);
    canvas->SetPenWidth(traceWidth);
}

void Oscilloscope::Replot(const PlotRanges &ranges) {
    if (canvas == nullptr) {
        return;
    }
    replaying = true;
    SetRanges(ranges.left, ranges.right, ranges.bottom, ranges.top);
    const PlotData::Trace &kept = data.Current();
    PlotData::PenWalk pen(kept);
    for (std::size_t i = 0; i < kept.points.size(); ++i) {
        const PlotData::Point &p = kept.points[i];
        const double y2 = kept.traceCount == 2 ? p.plotted[1] : p.plotted[0];
        PlotJoined(p.x, p.plotted[0], y2, pen.Down(i) && !firstPoint, p.value[0], p.value[1],
                   kept.traceCount);
    }
    replaying = false;
}

void Oscilloscope::ToPixelX(double x) {
    pixelX = PixelColumn(x);
}

int Oscilloscope::PixelColumn(double x) const {
    // px = (width − margin)·(x − xMin)/xRange + margin
    const int column = TruncateToPixel((width - margin) * (x - xMin) / xRange + margin);
    return column > width ? width : (column < margin ? margin : column);
}

void Oscilloscope::ToPixelY(double y) {
    // py = (1 − (y − yMin)/yRange)·(height − margin)
    pixelY = PixelRow(y);
}

int Oscilloscope::PixelRow(double y) const {
    const int row = TruncateToPixel((1.0 - (y - yMin) / yRange) * (height - margin));
    return row > height - margin ? height - margin : (row < 0 ? 0 : row);
}

double Oscilloscope::ValueAtX(int px) const {
    if (px <= margin) {
        return xMin;
    }
    if (px >= width) {
        return xMax;
    }
    return (px - margin) * xRange / (width - margin) + xMin;
}

double Oscilloscope::ValueAtY(int py) const {
    if (py <= 0) {
        return yMax;
    }
    if (py >= height - margin) {
        return yMin;
    }
    return yMax - py * yRange / (height - margin);
}

void Oscilloscope::PlotJoined(double x, double y1, double y2, bool draw, double value1,
                              double value2, int traceCount) {
    if (!replaying) {
        data.Add({x, {y1, y2}, {value1, value2}}, draw, traceCount);
    }
    ToPixelX(x);
    if (!data.Complete() && !replaying) {
        if (!recordingLive) {
            CatchUp(true);
            recordingLive = true;
        }
        Keep(pixelX - margin, draw, traceCount, {x, y1, value1}, {x, y2, value2});
    }
    ToPixelY(y1);
    if (draw) {
        canvas->Line(lastX, lastY1, pixelX, pixelY);
    }
    lastY1 = pixelY;
    if (traceCount == 1) {
        lastY2 = pixelY;
        lastX = pixelX;
        firstPoint = false;
        return;
    }
    canvas->SetPenColor(ColorRed);
    ToPixelY(y2);
    if (draw) {
        canvas->Line(lastX, lastY2, pixelX, pixelY);
    }
    lastY2 = pixelY;
    lastX = pixelX;
    canvas->SetPenColor(ColorBlack);
    firstPoint = false;
}

void Oscilloscope::ForgetRecord() {
    traces.Clear();
    recordedPoints = 0;
    recordingLive = false;
    pendingCount = 0;
}

void Oscilloscope::CatchUp(bool all) const {
    if (recordingLive) {
        return;
    }
    const PlotData::Trace &kept = data.Current();
    std::size_t end = kept.points.size();
    if (!all && end > recordedPoints && !kept.PenDown(end - 1)) {
        --end;
    }
    PlotData::PenWalk pen(kept);
    for (; recordedPoints < end; ++recordedPoints) {
        const PlotData::Point &p = kept.points[recordedPoints];
        Keep(PixelColumn(p.x) - margin, pen.Down(recordedPoints) && recordedPoints > 0,
             kept.traceCount, {p.x, p.plotted[0], p.value[0]}, {p.x, p.plotted[1], p.value[1]});
    }
}

void Oscilloscope::Keep(int column, bool drawn, int traceCount, const TraceRecord::Sample &first,
                        const TraceRecord::Sample &second) const {
    if (!drawn) {
        pendingColumn = column;
        pendingCount = traceCount;
        pending[0] = first;
        pending[1] = second;
        return;
    }
    for (int t = 0; t < pendingCount; ++t) {
        traces.Add(pendingColumn, t, pending[t]);
    }
    pendingCount = 0;
    traces.Add(column, 0, first);
    if (traceCount == 2) {
        traces.Add(column, 1, second);
    }
}

bool Oscilloscope::TraceAt(int px, int py, TracePoint &out) const {
    CatchUp(false);
    const double x = ValueAtX(px);
    const double level = ValueAtY(py);
    bool found = false;
    bool foundWithin = false;
    int foundDistance = 0;
    for (int t = 0; t < 2; ++t) {
        TraceRecord::Sample sample;
        if (!traces.Nearest(t, px - margin, x, level, sample)) {
            continue;
        }
        // A trace beyond the y range (drawn along the edge, or kept off the picture on
        // purpose) is read only where no trace within it is.
        const bool within =
            std::islessequal(yMin, sample.plotted) && std::islessequal(sample.plotted, yMax);
        const int row = PixelRow(sample.plotted);
        const int distance = std::abs(row - py);
        if (!found || (within && !foundWithin) ||
            (within == foundWithin && distance < foundDistance)) {
            out = {t, sample.value, row};
            found = true;
            foundWithin = within;
            foundDistance = distance;
        }
    }
    return found;
}

void Oscilloscope::PlotPair(double x, double y1, double y2) {
    PlotJoined(x, y1, y2, !firstPoint, y1 * traceScale[0] - traceShift[0],
               y2 * traceScale[1] - traceShift[1], 2);
}

void Oscilloscope::PlotPoint(double x, double y) {
    PlotJoined(x, y, y, !firstPoint, y * traceScale[0] - traceShift[0], 0.0, 1);
}

void Oscilloscope::PlotSweep(double t, double yIn, double yOut, double tMin, double tMax,
                             double newScaleIn, double newScaleOut) {
    if (newScaleIn != scaleIn || newScaleOut != scaleOut || tMax != xMax || tMin != xMin) {
        // The new page starts at t. The grid drawn by SetRanges already labels from there, so
        // the offset is set before it, with the zero-width range replaced as SetRanges does.
        double newRange = tMax - tMin;
        if (newRange == 0.0) {
            newRange = 1.0;
        }
        sweepOffset = t / newRange;
        SetRanges(tMin, tMax, -1.0, 1.0);
        sweepOffset = t / xRange;
        scaleIn = newScaleIn;
        scaleOut = newScaleOut;
    }
    double p = t - xRange * sweepOffset;
    if (std::isgreater(p, xRange)) {
        sweepOffset = sweepOffset + 1.0;
        DrawGrid();
        p = p - xRange;
    }
    PlotJoined(p, yIn / scaleIn, yOut / scaleOut, !firstPoint, yIn - traceShift[0],
               yOut - traceShift[1], 2);
}

void Oscilloscope::PlotTriggered(bool restart, double trigger, double dt, double yIn, double yOut,
                                 double newSpan, double newScaleIn, double newScaleOut) {
    // The divisors in force before this call, also for the trigger level.
    const double inDivisor = scaleIn;
    const double outDivisor = scaleOut;
    const double s = yIn / inDivisor;

    if (restart || newScaleIn != scaleIn || newScaleOut != scaleOut || newSpan != span) {
        sweepOffset = 0.0;
        SetRanges(0.0, newSpan, -1.0, 1.0);
        scaleIn = newScaleIn;
        scaleOut = newScaleOut;
        span = newSpan;
        armed = false;
        sweepPosition = 0.0;
        previousInput = s;
    }
    if (std::isgreater(sweepPosition, span)) {
        DrawGrid();
        sweepPosition = 0.0;
        armed = false;
    }

    // Arms on a rising input above the level.
    const double previous = previousInput;
    previousInput = s;
    if (std::isgreater(s, trigger / inDivisor + 0.001) && std::isgreater(s - previous, 0.0)) {
        armed = true;
    }

    PlotJoined(sweepPosition, s, yOut / outDivisor, armed && !firstPoint, yIn - traceShift[0],
               yOut - traceShift[1], 2);
    if (armed) {
        sweepPosition = sweepPosition + dt;
    }
}

} // namespace kaldorium
