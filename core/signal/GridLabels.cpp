#include "core/signal/GridLabels.h"

#include "core/common/NumberText.h"
#include "core/signal/Canvas.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

namespace {

constexpr int gap = 4; // pixels between neighbouring x labels

bool NeighboursDiffer(const AxisLabels &axis) {
    for (int i = 1; i < axis.count; ++i) {
        if (axis.texts[i] == axis.texts[i - 1]) {
            return false;
        }
    }
    return true;
}

void FixedTexts(AxisLabels &axis, int decimals) {
    if (axis.textsGiven) {
        return;
    }
    for (int i = 0; i < axis.count; ++i) {
        axis.texts[i] = FormatFixed(axis.values[i], 3, decimals);
    }
    if (NeighboursDiffer(axis)) {
        return;
    }
    // The fewest decimals, with up to 15 significant digits, that tell the neighbours apart.
    AxisLabels finer = axis;
    for (int d = 0; d <= 15; ++d) {
        for (int i = 0; i < finer.count; ++i) {
            finer.texts[i] = FormatFixed(finer.values[i], 15, d);
        }
        if (NeighboursDiffer(finer)) {
            axis = finer;
            return;
        }
    }
}

// The shortest texts that still tell the neighbours apart: no trailing zeros.
void ShortTexts(AxisLabels &axis) {
    for (int precision = 3; precision <= 15; ++precision) {
        for (int i = 0; i < axis.count; ++i) {
            axis.texts[i] = FormatGeneral(axis.values[i], precision);
        }
        if (NeighboursDiffer(axis)) {
            return;
        }
    }
}

void Measure(const Canvas &canvas, AxisLabels &axis) {
    for (int i = 0; i < axis.count; ++i) {
        axis.widths[i] = canvas.TextWidth(axis.texts[i]);
    }
}

bool Shown(const AxisLabels &axis, int i) {
    return i % axis.stride == 0;
}

// From the right: each x label starts at its line unless that runs into its right neighbour or
// past the image. False when the leftmost is pushed off the image.
bool PlaceX(AxisLabels &x, int width, int top) {
    int limit = width;
    int leftmost = 0;
    for (int i = x.count - 1; i >= 0; --i) {
        if (Shown(x, i)) {
            x.left[i] = std::min(x.pixels[i], limit - x.widths[i]);
            x.top[i] = top;
            limit = x.left[i] - gap;
            leftmost = x.left[i];
        }
    }
    return leftmost >= 0;
}

// From the bottom: each y label hangs below its line unless that runs into the label below (or,
// for the lowest, into the first x label). False when the topmost is pushed off the image.
bool PlaceY(AxisLabels &y, const AxisLabels &x, int textHeight) {
    int below = 0;
    bool first = true;
    for (int i = 0; i < y.count; ++i) {
        if (!Shown(y, i)) {
            continue;
        }
        int top = y.pixels[i];
        if (first) {
            const bool corner = x.count > 0 && 1 < x.left[0] + x.widths[0] &&
                                x.left[0] < 1 + y.widths[i] && top < x.top[0] + textHeight &&
                                x.top[0] < top + textHeight;
            if (corner) {
                top -= textHeight;
            }
        } else {
            top = std::min(top, below - textHeight);
        }
        y.left[i] = 1;
        y.top[i] = top;
        below = top;
        first = false;
    }
    return below >= 0;
}

// Places one axis: as formatted, then in the shortest form, then thinned out.
template <typename Place> void Fit(const Canvas &canvas, AxisLabels &axis, Place place) {
    axis.stride = 1;
    if (place()) {
        return;
    }
    ShortTexts(axis);
    Measure(canvas, axis);
    for (const int stride : {1, 2, 5, 10}) {
        axis.stride = stride;
        if (place()) {
            return;
        }
    }
}

} // namespace

void WriteGridLabels(Canvas &canvas, int width, int height, int margin, AxisLabels &y,
                     AxisLabels &x) {
    FixedTexts(y, 1);
    FixedTexts(x, 3);
    Measure(canvas, y);
    Measure(canvas, x);
    const int textHeight = canvas.TextHeight();
    Fit(canvas, x, [&] { return PlaceX(x, width, height - margin + 2); });
    Fit(canvas, y, [&] { return PlaceY(y, x, textHeight); });
    for (const AxisLabels *axis : {&y, &x}) {
        for (int i = 0; i < axis->count; ++i) {
            if (Shown(*axis, i)) {
                canvas.TextOut(axis->left[i], axis->top[i], axis->texts[i]);
            }
        }
    }
}

std::vector<DecadeLine> DecadeGrid(double left, double right) {
    std::vector<DecadeLine> lines;
    if (!std::isfinite(left) || !std::isfinite(right) || !(right > left) || right - left > 40.0) {
        return lines;
    }
    // A line on an edge counts as inside it despite the rounding of log10.
    const double slack = 1e-9 * (right - left);
    for (double k = std::floor(left); k <= right; ++k) {
        for (const double m : {1.0, 2.0, 5.0}) {
            const double at = m == 1.0 ? k : k + std::log10(m);
            if (at >= left - slack && at <= right + slack) {
                lines.push_back({at, m == 1.0, true});
            }
        }
    }
    if (lines.size() > static_cast<std::size_t>(AxisLabels::capacity)) {
        for (DecadeLine &line : lines) {
            line.labelled = line.decade;
        }
    }
    const auto labelled = std::count_if(lines.begin(), lines.end(),
                                        [](const DecadeLine &line) { return line.labelled; });
    if (labelled < 2) {
        lines.clear();
    }
    return lines;
}

} // namespace kaldorium
