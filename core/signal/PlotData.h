#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace kaldorium {

// The points a plot was given since its grid was last drawn, every one of them (not the pixels),
// and up to three held copies of earlier traces to compare with. Room for the points is made
// when the plot is bound; adding a point allocates nothing until a plot exceeds it, and past
// MaxPoints the plot stops keeping (the picture goes on, the data out is then incomplete).
class PlotData {
public:
    // 40 bytes: a page of a sweep keeps tens of thousands of them, written as they come.
    struct Point {
        double x = 0.0;         // axis value as plotted (a sweep's page-relative time)
        double plotted[2] = {}; // heights in the axis's units
        double value[2] = {};   // the signals' own units
    };
    struct Trace {
        std::vector<Point> points;
        // The points not joined to the one before, in order (few: where a page or a wait starts).
        std::vector<std::size_t> lifts;
        int traceCount = 0;  // 1 or 2
        double offset = 0.0; // added to x for the axis labels (a sweep's page start)
        bool PenDown(std::size_t i) const;
    };
    // Walks a trace's points in order and says which are joined to the one before.
    class PenWalk {
    public:
        explicit PenWalk(const Trace &trace) : lifts(trace.lifts) {}
        bool Down(std::size_t i) {
            while (next < lifts.size() && lifts[next] < i) {
                ++next;
            }
            return next == lifts.size() || lifts[next] != i;
        }

    private:
        const std::vector<std::size_t> &lifts;
        std::size_t next = 0;
    };
    static constexpr int MaxHeld = 3;
    static constexpr std::size_t InitialPoints = 16384;
    static constexpr std::size_t InitialLifts = 1024;
    static constexpr std::size_t MaxPoints = 1u << 18;

    // Makes room for InitialPoints (once).
    void Reserve();
    // Starts a new trace at the given page offset.
    void Clear(double offset);
    // A point with one or two traces. A point not joined to the one before replaces a lone
    // point before it: a triggered sweep waiting for its level keeps only where it will start.
    // Inline: a plot adds one for every sample it is given.
    void Add(const Point &point, bool penDown, int traceCount) {
        std::vector<Point> &points = current.points;
        if (!penDown) {
            std::vector<std::size_t> &lifts = current.lifts;
            if (!points.empty() && !lifts.empty() && lifts.back() == points.size() - 1) {
                points.back() = point;
                return;
            }
            if (points.size() < MaxPoints) {
                lifts.push_back(points.size());
            }
        }
        if (points.size() >= MaxPoints) {
            complete = false;
            return;
        }
        points.push_back(point);
        if (traceCount > current.traceCount) {
            current.traceCount = traceCount;
        }
    }
    const Trace &Current() const { return current; }
    bool Complete() const { return complete; }

    // Keeps the current trace; with three held already the oldest gives way. False when there
    // is nothing to hold.
    bool Hold();
    void ClearHeld();
    int HeldCount() const { return static_cast<int>(heldCount); }
    // Oldest first: held 1, held 2, held 3.
    const Trace &Held(int i) const { return held[i]; }
    // Changes with every hold and every clear of the held traces.
    int Generation() const { return generation; }

    // How the columns of the data out are named and shown. A trace with an empty title is not
    // written; x of a logarithmic axis (log10 of the value) is written as the value itself.
    struct Columns {
        std::string x = "x";
        std::string traces[2] = {"trace 1", "trace 2"};
        bool xLog10 = false;
    };
    // CSV with "." as the decimal point: a header row, then one row per point of the current
    // trace and, side by side, of each held one ("held 1 …" columns); shorter columns end in
    // empty cells. Lines end in CR LF.
    std::string Csv(const Columns &columns) const;

private:
    Trace current;
    Trace held[MaxHeld];
    std::size_t heldCount = 0;
    bool complete = true;
    int generation = 0;
};

} // namespace kaldorium
