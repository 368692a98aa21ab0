#include "core/signal/PlotView.h"

#include <cmath>

namespace kaldorium {

namespace {

// The shortest span an axis zooms to, as a share of its home span: below it the labels could
// no longer tell their lines apart.
constexpr double MinimumShare = 1e-6;
constexpr double MaximumShare = 1000.0;

// Keeps [low, high] within the span limits of `homeLow` … `homeHigh`, and within those ends
// when `within` is set, moving rather than shrinking it where it can.
void LimitAxis(double &low, double &high, double homeLow, double homeHigh, bool within) {
    const double homeSpan = homeHigh - homeLow;
    if (!std::isfinite(low) || !std::isfinite(high) || homeSpan == 0.0) {
        low = homeLow;
        high = homeHigh;
        return;
    }
    double span = high - low;
    const double minimum = std::fabs(homeSpan) * MinimumShare;
    const double maximum = std::fabs(homeSpan) * (within ? 1.0 : MaximumShare);
    if (std::fabs(span) < minimum || std::fabs(span) > maximum) {
        const double middle = 0.5 * (low + high);
        span = std::fabs(span) < minimum ? minimum : maximum;
        span = homeSpan < 0.0 ? -span : span;
        low = middle - 0.5 * span;
        high = middle + 0.5 * span;
    }
    if (!within) {
        return;
    }
    // Moved back inside home, in the axis's own direction.
    const double sign = homeSpan < 0.0 ? -1.0 : 1.0;
    if (sign * (low - homeLow) < 0.0) {
        high += homeLow - low;
        low = homeLow;
    }
    if (sign * (high - homeHigh) > 0.0) {
        low -= high - homeHigh;
        high = homeHigh;
    }
    if (std::fabs(high - low) >= std::fabs(homeSpan)) {
        low = homeLow;
        high = homeHigh;
    }
}

} // namespace

void PlotView::SetHome(const PlotRanges &ranges) {
    home = ranges;
    visible = ranges;
}

void PlotView::ZoomX(double factor, double about) {
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        return;
    }
    // The value under the pointer stays: its distance to each end shrinks by the factor.
    visible.left = about - (about - visible.left) / factor;
    visible.right = about + (visible.right - about) / factor;
    Limit();
}

void PlotView::ZoomY(double factor, double about) {
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        return;
    }
    visible.bottom = about - (about - visible.bottom) / factor;
    visible.top = about + (visible.top - about) / factor;
    Limit();
}

void PlotView::Pan(double dx, double dy) {
    visible.left += dx;
    visible.right += dx;
    visible.bottom += dy;
    visible.top += dy;
    Limit();
}

void PlotView::Show(const PlotRanges &ranges) {
    visible = ranges;
    Limit();
}

void PlotView::Limit() {
    LimitAxis(visible.left, visible.right, home.left, home.right, keepXWithinHome);
    LimitAxis(visible.bottom, visible.top, home.bottom, home.top, keepYWithinHome);
}

} // namespace kaldorium
