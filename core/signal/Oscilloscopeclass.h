#pragma once

#include "core/signal/PlotData.h"
#include "core/signal/PlotView.h"
#include "core/signal/TraceRecord.h"

#include <cstddef>

namespace kaldorium {

class Canvas;
struct Color;

// A plot on a canvas: a green grid of 20 divisions per axis with labels on every second line
// (GridLabels.h), a black first trace and a red second trace that grow point by point,
// value↔pixel mappings for the mouse read-outs, and two oscilloscope sweeps for time signals. The
// plotting area spans columns margin..width and rows 0..height − margin; labels sit left and below
// it.
class Oscilloscope {
public:
    Oscilloscope() = default;

    // BindLog with plain labels on both axes.
    void Bind(Canvas *target, double left, double right, double bottom, double top);
    // Takes the canvas and its size, then sets the ranges (which draws an empty grid). A label
    // mode of 1 shows 10^value on that axis: the values plotted are already logarithms.
    void BindLog(Canvas *target, double left, double right, double bottom, double top, int newLogX,
                 int newLogY);
    // Stores the ranges (a zero range becomes 1.0) and draws a fresh grid.
    void SetRanges(double left, double right, double bottom, double top);
    // Clears the image and draws grid and labels; the next point starts new polylines.
    void DrawGrid();

    // Value to pixel, truncated toward zero and clamped to the plotting area; the results go
    // to pixelX and pixelY.
    void ToPixelX(double x);
    void ToPixelY(double y);
    // The row ToPixelY gives, without storing it.
    int PixelRow(double y) const;
    // Pixel to value, for the mouse read-outs.
    double ValueAtX(int px) const;
    double ValueAtY(int py) const;

    // Next point of both traces.
    void PlotPair(double x, double y1, double y2);
    // Next point of the first trace only.
    void PlotPoint(double x, double y);
    // Free-running sweep: t in the display unit; a t past the right edge starts a new page
    // whose labels continue the time axis. The traces are divided by their scales.
    void PlotSweep(double t, double yIn, double yOut, double tMin, double tMax, double newScaleIn,
                   double newScaleOut);
    // Triggered sweep: waits until the scaled input rises through trigger/scaleIn + 0.001, then
    // draws for `newSpan` with time step dt and waits again on a fresh grid.
    void PlotTriggered(bool restart, double trigger, double dt, double yIn, double yOut,
                       double newSpan, double newScaleIn, double newScaleOut);

    // What a measuring cursor at pixel (px, py) reads: the sample nearest to its x of the trace
    // nearest to its height (a trace within the y range before one beyond it), in the signal's
    // own units. False while nothing has been drawn since the grid.
    struct TracePoint {
        int trace = 0; // 0 black, 1 red
        double value = 0.0;
        int pixelY = 0; // where the sample is drawn
    };
    bool TraceAt(int px, int py, TracePoint &out) const;

    // The ranges the grid shows now.
    PlotRanges Ranges() const { return {xMin, xMax, yMin, yMax}; }
    // Draws the kept points again over other ranges (a zoom, a pan, a new hold): grid, held
    // traces and the points as they were given, without keeping them a second time.
    void Replot(const PlotRanges &ranges);
    // Every point given since the grid was drawn, and the held traces drawn behind the next ones.
    PlotData &Data() { return data; }
    const PlotData &Data() const { return data; }
    // Names of the data out's columns; a plot that knows its units sets them.
    PlotData::Columns columns;
    // Width of the traces in pixels (the projector view draws them wider).
    int traceWidth = 2;
    // Room left of and below the plotting area for the grid labels; larger labels need more.
    // Takes effect at once on a bound plot (redraw it) and at every Bind.
    void SetLabelMargin(int pixels);
    int LabelMargin() const { return labelMargin; }
    // A logarithmic x axis labels its decades and their 2 and 5 instead of equal divisions.
    bool decadeLabels = false;

    // The signals' own units, for the cursors: a value v given to PlotPair or PlotPoint stands
    // for v·traceScale − traceShift; the sweeps, which divide by their own scales, take the
    // values they are given less traceShift. Bind sets 1 and 0.
    double traceScale[2] = {1.0, 1.0};
    double traceShift[2] = {0.0, 0.0};

    Canvas *canvas = nullptr; // not owned
    double yMax = 5.0;
    double yMin = -5.0;
    double xMax = 5.0;
    double xMin = 0.0;
    double xRange = 5.0;
    double yRange = 10.0;
    double scaleIn = 5.0;
    double scaleOut = 5.0;
    double span = 5.0;
    int pixelX = 0;
    int pixelY = 0;
    int width = 779;
    int height = 386;
    int margin = 30;
    double sweepOffset = 0.0; // origin of the sweep page in units of xRange
    int lastY1 = 0;
    int lastX = 0;
    int lastY2 = 0;
    int logX = 0;
    int logY = 0;
    bool firstPoint = true;

    // Triggered sweep: x value of the next point, previous scaled input, drawing or waiting.
    double sweepPosition = 0.0;
    double previousInput = 0.0;
    bool armed = false;

private:
    // Draws the two segments of the next point; lines only when `draw` is set. value1 and value2
    // are the two samples in their signals' own units.
    void PlotJoined(double x, double y1, double y2, bool draw, double value1, double value2,
                    int traceCount);
    // Keeps a point in column `column` for the cursors. A point not drawn is kept only as the
    // start of the next drawn segment.
    void Keep(int column, bool drawn, int traceCount, const TraceRecord::Sample &first,
              const TraceRecord::Sample &second) const;
    // Brings the cursors' record up to the kept points. The record is built when a cursor first
    // reads it, not per plotted point; only points past a full PlotData are kept as they come.
    // A trailing point not drawn stays out unless `all`: it may still be replaced.
    void CatchUp(bool all) const;
    void ForgetRecord();
    int PixelColumn(double x) const;

    // The held traces in light grey, the second dashed, and their legend.
    void DrawHeld();
    void DrawHeldTrace(const PlotData::Trace &trace, int which, Color colour);

    PlotData data;
    int labelMargin = 30;
    bool replaying = false;
    // The cursors' record, built from `data` on demand (see CatchUp).
    mutable TraceRecord traces;
    mutable std::size_t recordedPoints = 0;
    bool recordingLive = false; // `data` is full: new points go straight into the record
    mutable int pendingColumn = 0;
    mutable int pendingCount = 0;
    mutable TraceRecord::Sample pending[2];
};

} // namespace kaldorium
