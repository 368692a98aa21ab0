#pragma once

#include <vector>

namespace kaldorium {

// What a plot's two traces passed through, kept per pixel column for the measuring cursors: in
// each column, per trace, the first and the last sample drawn there and the lowest and the
// highest. The columns are sized with the plot; adding a sample allocates nothing.
class TraceRecord {
public:
    // x and the plotted value in the axis's units; value in the signal's own units.
    struct Sample {
        double x = 0.0;
        double plotted = 0.0;
        double value = 0.0;
    };

    void Resize(int columns);
    void Clear();
    void Add(int column, int trace, const Sample &sample);

    // The sample of `trace` a cursor at `column` (value x, height `plotted` in the axis's units)
    // reads: of the samples in that column the one nearest in height (a steep stretch of the
    // trace crosses the column from top to bottom), or else the one nearest in x from the
    // neighbouring columns. False when the trace has no sample at all.
    bool Nearest(int trace, int column, double x, double plotted, Sample &out) const;

private:
    struct Column {
        int count = 0;
        Sample first, last, low, high;
    };
    // Columns of trace 1, then those of trace 2.
    std::vector<Column> columns;
    int width = 0;
};

} // namespace kaldorium
