#include "signal/Oscilloscopeclass.h"

#include "common/NumberText.h"
#include "signal/Canvas.h"

#include <cmath>
#include <limits>

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

// 20 divisions give 21 lines; a range too small to advance the repeated addition (or an
// infinite one) would otherwise never leave the grid loop.
constexpr int maxGridLines = 21;

} // namespace

void Oscilloscope::Bind(Canvas *target, double left, double right, double bottom, double top) {
    BindLog(target, left, right, bottom, top, 0, 0);
}

void Oscilloscope::BindLog(Canvas *target, double left, double right, double bottom, double top,
                           int newLogX, int newLogY) {
    logX = newLogX;
    logY = newLogY;
    margin = 30;
    sweepOffset = 0.0;
    canvas = target;
    width = canvas->Width();
    height = canvas->Height();
    SetRanges(left, right, bottom, top);
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
    canvas->SetPenWidth(2);
}

void Oscilloscope::DrawGrid() {
    canvas->ProcessMessages();
    firstPoint = true;
    // The sweeps draw the same empty grid page after page; a canvas that kept it puts it back.
    const BackgroundKey key{{xMin, xMax, yMin, yMax, sweepOffset},
                            {width, height, margin, logX, logY}};
    if (canvas->RestoreBackground(key)) {
        canvas->SetPenColor(ColorBlack);
        canvas->SetPenWidth(2);
        return;
    }
    canvas->SetPenWidth(1);
    canvas->SetPenColor(ColorGreen);
    canvas->Rectangle(0, 0, width, height);

    // Every second line is thick and labelled, starting with the first.
    bool labelled = true;
    double v = yMin;
    for (int n = 0; n < maxGridLines && std::islessequal(v, yMax); ++n) {
        canvas->SetPenWidth(labelled ? 2 : 1);
        ToPixelY(v);
        canvas->Line(margin, pixelY, width, pixelY);
        if (labelled) {
            canvas->TextOut(1, pixelY, FormatFixed(logY == 1 ? std::pow(10.0, v) : v, 3, 1));
        }
        v = v + 0.05 * yRange;
        labelled = !labelled;
    }

    labelled = true;
    v = xMin;
    for (int n = 0; n < maxGridLines && std::islessequal(v, xMax); ++n) {
        canvas->SetPenWidth(labelled ? 2 : 1);
        ToPixelX(v);
        canvas->Line(pixelX, 0, pixelX, height - margin);
        if (labelled) {
            // The sweeps move the page along the time axis; the labels show absolute values.
            const double value = xRange * sweepOffset + v;
            canvas->TextOut(pixelX, height - margin + 2,
                            FormatFixed(logX == 1 ? std::pow(10.0, value) : value, 3, 3));
        }
        v = v + 0.05 * xRange;
        labelled = !labelled;
    }
    canvas->SaveBackground(key);

    canvas->SetPenColor(ColorBlack);
    canvas->SetPenWidth(2);
}

void Oscilloscope::ToPixelX(double x) {
    // px = (width − margin)·(x − xMin)/xRange + margin
    pixelX = TruncateToPixel((width - margin) * (x - xMin) / xRange + margin);
    if (pixelX > width) {
        pixelX = width;
    }
    if (pixelX < margin) {
        pixelX = margin;
    }
}

void Oscilloscope::ToPixelY(double y) {
    // py = (1 − (y − yMin)/yRange)·(height − margin)
    pixelY = TruncateToPixel((1.0 - (y - yMin) / yRange) * (height - margin));
    if (pixelY > height - margin) {
        pixelY = height - margin;
    }
    if (pixelY < 0) {
        pixelY = 0;
    }
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

void Oscilloscope::PlotJoined(double x, double y1, double y2, bool draw) {
    ToPixelX(x);
    ToPixelY(y1);
    if (draw) {
        canvas->Line(lastX, lastY1, pixelX, pixelY);
    }
    lastY1 = pixelY;
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

void Oscilloscope::PlotPair(double x, double y1, double y2) {
    PlotJoined(x, y1, y2, !firstPoint);
}

void Oscilloscope::PlotPoint(double x, double y) {
    ToPixelX(x);
    ToPixelY(y);
    if (!firstPoint) {
        canvas->Line(lastX, lastY1, pixelX, pixelY);
    }
    lastY1 = pixelY;
    lastY2 = pixelY;
    lastX = pixelX;
    firstPoint = false;
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
    PlotPair(p, yIn / scaleIn, yOut / scaleOut);
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

    PlotJoined(sweepPosition, s, yOut / outDivisor, armed && !firstPoint);
    if (armed) {
        sweepPosition = sweepPosition + dt;
    }
}

} // namespace kaldorium
