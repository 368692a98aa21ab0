#include "core/signal/Canvas.h"
#include "core/signal/Oscilloscopeclass.h"

#include <cmath>
#include <string>

namespace kaldorium {

namespace {

// Light greys, the oldest hold the lightest, so that three holds can be told apart.
constexpr Color HeldColours[PlotData::MaxHeld] = {
    {200, 200, 200}, {176, 176, 176}, {150, 150, 150}};

// A line drawn in dashes that continue from one segment to the next (a trace is thousands of
// short segments, so a pen's own dash pattern, which restarts at each line, would look solid).
class DashedPath {
public:
    explicit DashedPath(Canvas &target) : canvas(target) {}

    // dash on, gap off, in pixels along the path
    void Segment(double x1, double y1, double x2, double y2) {
        const double length = std::hypot(x2 - x1, y2 - y1);
        double done = 0.0;
        while (done < length) {
            const double left = (on ? Dash : Gap) - phase;
            const double step = std::fmin(left, length - done);
            if (on) {
                const double a = done / length;
                const double b = (done + step) / length;
                canvas.Line(static_cast<int>(std::lround(x1 + a * (x2 - x1))),
                            static_cast<int>(std::lround(y1 + a * (y2 - y1))),
                            static_cast<int>(std::lround(x1 + b * (x2 - x1))),
                            static_cast<int>(std::lround(y1 + b * (y2 - y1))));
            }
            done += step;
            phase += step;
            if (phase >= (on ? Dash : Gap)) {
                phase = 0.0;
                on = !on;
            }
        }
    }

private:
    static constexpr double Dash = 7.0;
    static constexpr double Gap = 5.0;
    Canvas &canvas;
    double phase = 0.0;
    bool on = true;
};

} // namespace

void Oscilloscope::DrawHeld() {
    const int count = data.HeldCount();
    if (count == 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const PlotData::Trace &held = data.Held(i);
        canvas->SetPenWidth(traceWidth);
        canvas->SetPenColor(HeldColours[i]);
        for (int t = 0; t < held.traceCount; ++t) {
            DrawHeldTrace(held, t, HeldColours[i]);
        }
    }
    // The legend: a sample of each hold's line and its name, top left in the plotting area.
    const int rowHeight = canvas->TextHeight();
    const int left = margin + 6;
    const int boxWidth = 28 + canvas->TextWidth("held 3") + 6;
    canvas->SetPenWidth(1);
    canvas->SetPenColor({160, 160, 160});
    canvas->SetFillColor(ColorWhite);
    canvas->Rectangle(left, 4, left + boxWidth, 4 + count * rowHeight + 4);
    for (int i = 0; i < count; ++i) {
        const int top = 6 + i * rowHeight;
        canvas->SetPenColor(HeldColours[i]);
        canvas->SetPenWidth(traceWidth);
        canvas->Line(left + 4, top + rowHeight / 2, left + 24, top + rowHeight / 2);
        canvas->SetPenColor({96, 96, 96});
        canvas->TextOut(left + 28, top, "held " + std::to_string(i + 1));
    }
}

void Oscilloscope::DrawHeldTrace(const PlotData::Trace &held, int which, Color colour) {
    canvas->SetPenColor(colour);
    DashedPath dashes(*canvas);
    const int bottomRow = height - margin;
    bool havePrevious = false;
    int previousX = 0;
    int previousY = 0;
    PlotData::PenWalk pen(held);
    for (std::size_t i = 0; i < held.points.size(); ++i) {
        const PlotData::Point &p = held.points[i];
        ToPixelX(p.x);
        const int row = PixelRow(p.plotted[which]);
        // Left of or beyond the visible x range, or off the top or bottom on the same side as
        // the point before: not drawn (an edge is no part of the held trace).
        const double px = (width - margin) * (p.x - xMin) / xRange + margin;
        const bool inX = px >= margin - 1 && px <= width + 1;
        if (havePrevious && pen.Down(i) && inX &&
            !(row == previousY && (row == 0 || row == bottomRow))) {
            if (which == 0) {
                canvas->Line(previousX, previousY, pixelX, row);
            } else {
                dashes.Segment(previousX, previousY, pixelX, row);
            }
        }
        havePrevious = inX;
        previousX = pixelX;
        previousY = row;
    }
}

} // namespace kaldorium
