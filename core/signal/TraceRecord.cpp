#include "core/signal/TraceRecord.h"

#include <cmath>
#include <limits>

namespace kaldorium {

namespace {

// |a − b|, with NaN counted as infinitely far.
double Distance(double a, double b) {
    const double d = std::fabs(a - b);
    return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
}

} // namespace

void TraceRecord::Resize(int count) {
    width = count > 0 ? count : 0;
    columns.assign(static_cast<std::size_t>(2 * width), Column{});
}

void TraceRecord::Clear() {
    for (Column &c : columns) {
        c.count = 0;
    }
}

void TraceRecord::Add(int column, int trace, const Sample &sample) {
    if (column < 0 || column >= width || trace < 0 || trace > 1) {
        return;
    }
    Column &c = columns[static_cast<std::size_t>(trace * width + column)];
    if (c.count == 0) {
        c.first = c.low = c.high = sample;
    }
    c.last = sample;
    // isless: a NaN sample must not raise the invalid-operation flag of a guarded computation.
    if (std::isless(sample.plotted, c.low.plotted)) {
        c.low = sample;
    }
    if (std::isgreater(sample.plotted, c.high.plotted)) {
        c.high = sample;
    }
    ++c.count;
}

bool TraceRecord::Nearest(int trace, int column, double x, double plotted, Sample &out) const {
    if (width == 0 || trace < 0 || trace > 1) {
        return false;
    }
    column = column < 0 ? 0 : (column >= width ? width - 1 : column);
    const Column *base = &columns[static_cast<std::size_t>(trace * width)];
    const Column &here = base[column];
    if (here.count > 0) {
        out = here.first;
        for (const Sample *s : {&here.last, &here.low, &here.high}) {
            if (Distance(s->plotted, plotted) < Distance(out.plotted, plotted)) {
                out = *s;
            }
        }
        return true;
    }
    const Sample *left = nullptr;
    const Sample *right = nullptr;
    for (int i = column - 1; i >= 0 && left == nullptr; --i) {
        left = base[i].count > 0 ? &base[i].last : nullptr;
    }
    for (int i = column + 1; i < width && right == nullptr; ++i) {
        right = base[i].count > 0 ? &base[i].first : nullptr;
    }
    if (left == nullptr && right == nullptr) {
        return false;
    }
    const bool takeLeft =
        right == nullptr || (left != nullptr && Distance(left->x, x) <= Distance(right->x, x));
    out = takeLeft ? *left : *right;
    return true;
}

} // namespace kaldorium
