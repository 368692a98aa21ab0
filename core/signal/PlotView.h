#pragma once

namespace kaldorium {

// The value ranges of a plot's two axes.
struct PlotRanges {
    double left = 0.0;
    double right = 1.0;
    double bottom = 0.0;
    double top = 1.0;

    friend bool operator==(const PlotRanges &, const PlotRanges &) = default;
};

// What part of a plot is shown: the plot's own axes (home) and the ranges visible after the
// user zoomed and panned. Zooming keeps the value under the pointer where it is; panning moves
// both ranges by a value. An axis kept within home never shows more than home does (a spectrum
// has no bins beyond its own); the others may zoom out past it, up to 1000 times its span.
class PlotView {
public:
    // New axes of the plot; whatever was zoomed is forgotten.
    void SetHome(const PlotRanges &ranges);
    const PlotRanges &Home() const { return home; }
    const PlotRanges &Visible() const { return visible; }
    bool IsZoomed() const { return !(visible == home); }

    // factor > 1 zooms in (the span shrinks by it), < 1 zooms out, about the value `about`.
    void ZoomX(double factor, double about);
    void ZoomY(double factor, double about);
    // Moves the visible ranges by dx and dy (values of each axis).
    void Pan(double dx, double dy);
    // Shows home again.
    void Reset() { visible = home; }
    // Sets the visible ranges as they are given, then keeps them within the limits.
    void Show(const PlotRanges &ranges);

    bool keepXWithinHome = true;
    bool keepYWithinHome = false;

private:
    void Limit();

    PlotRanges home;
    PlotRanges visible;
};

} // namespace kaldorium
