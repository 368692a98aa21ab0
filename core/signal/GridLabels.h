#pragma once

#include <string>
#include <vector>

namespace kaldorium {

class Canvas;

// The labels of one axis of a plot's grid, one per labelled line: the values they show, where
// their lines stand, and (once placed) their texts and places.
struct AxisLabels {
    static constexpr int capacity = 16;

    void Add(double value, int pixel) {
        if (count < capacity) {
            values[count] = value;
            pixels[count] = pixel;
            ++count;
        }
    }
    // A label with its own text (a decade grid's "20", "0.05"), kept unless it does not fit.
    void Add(double value, int pixel, const std::string &text) {
        if (count < capacity) {
            texts[count] = text;
            textsGiven = true;
            Add(value, pixel);
        }
    }

    int count = 0;
    double values[capacity] = {};
    int pixels[capacity] = {};
    std::string texts[capacity];
    int widths[capacity] = {};
    int left[capacity] = {};
    int top[capacity] = {};
    // Every stride-th label is written: 1 unless the plot is too small for them all.
    int stride = 1;
    bool textsGiven = false;
};

// Formats, places and writes the labels of both axes of a plot whose area spans columns
// margin..width and rows 0..height − margin.
//
// A label reads with 3 significant digits and 1 (y) or 3 (x) decimals, in exponent form past
// 3 integer digits, unless two neighbours would read the same: then with the decimals that tell
// every neighbour apart. A y label hangs below its line and an x label starts at its line; where
// that would make two labels overlap or leave the image they move aside (the lowest y label
// above its line, the last x label back from the right edge). Labels that still do not fit take
// their shortest form, and on a very small plot only every second (fifth, tenth) is written.
void WriteGridLabels(Canvas &canvas, int width, int height, int margin, AxisLabels &y,
                     AxisLabels &x);

// One line of a logarithmic axis' decade grid, at log10 of the value it stands for.
struct DecadeLine {
    double at = 0.0;
    bool decade = false;   // 1, 10, 100, …: drawn thick
    bool labelled = false; // its value is written under it
};

// The decade grid of a logarithmic axis over log10 values left … right: lines at every decade
// and at its 2 and 5 (10, 20, 50, 100, …), all labelled, or where that is more labels than an
// axis holds, the decades alone. Empty when fewer than two labelled lines fall in the range (a
// part of one decade): such an axis keeps its equal divisions.
std::vector<DecadeLine> DecadeGrid(double left, double right);

} // namespace kaldorium
