#pragma once

class QWidget;

// The projector view of the windows: every control's font 1.5 times as large, and what is placed
// by hand (positions, fixed sizes, the sizes of windows without a layout) grown with it, so that
// no text is cut off; the plots draw wider traces and larger labels (PlotImage). Windows shown
// later take the view on as they are shown.
namespace projector {

constexpr double Factor = 1.5;

// Puts every window into the view, or back.
void SetEnabled(bool on);
bool Enabled();
// Puts one window into the view or back.
void Apply(QWidget *window, bool on);
// What a window that places its controls itself on resizing multiplies its places by: Factor
// while it shows the view, 1 otherwise.
double FactorOf(const QWidget *window);

} // namespace projector
