#pragma once

namespace kaldorium {

class Canvas;

// A plot on a canvas: a green grid of 20 divisions per axis with labels on every second line,
// a black first trace and a red second trace that grow point by point, value↔pixel mappings
// for the mouse read-outs, and two oscilloscope sweeps for time signals. The plotting area
// spans columns margin..width and rows 0..height − margin; labels sit left and below it.
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
    // Draws the two segments of the next point; lines only when `draw` is set.
    void PlotJoined(double x, double y1, double y2, bool draw);
};

} // namespace kaldorium
