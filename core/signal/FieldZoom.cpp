#include "core/signal/FieldZoom.h"

namespace kaldorium {

DisplayFields FieldsShowing(const PlotRanges &home, const PlotRanges &visible,
                            const DisplayFields &now) {
    DisplayFields out = now;
    const double homeWidth = home.right - home.left;
    const double homeHeight = home.top - home.bottom;
    if (homeWidth != 0.0) {
        out.timeScale = now.timeScale * (visible.right - visible.left) / homeWidth;
    }
    if (homeHeight == 0.0) {
        return out;
    }
    // A height p = (v + shift)/scale seen in c − k … c + k (home units) is shown whole by
    // p' = (p − c)/k = (v + shift − c·scale)/(scale·k).
    const double k = (visible.top - visible.bottom) / homeHeight;
    const double c = (0.5 * (visible.top + visible.bottom) - 0.5 * (home.top + home.bottom)) /
                     (0.5 * homeHeight);
    for (int t = 0; t < 2; ++t) {
        out.scale[t] = now.scale[t] * k;
        out.shift[t] = now.shift[t] - c * now.scale[t];
    }
    return out;
}

} // namespace kaldorium
