#include "core/signal/PlotData.h"

#include "core/common/NumberText.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

bool PlotData::Trace::PenDown(std::size_t i) const {
    return !std::binary_search(lifts.begin(), lifts.end(), i);
}

void PlotData::Reserve() {
    current.points.reserve(InitialPoints);
    current.lifts.reserve(InitialLifts);
}

void PlotData::Clear(double offset) {
    current.points.clear();
    current.lifts.clear();
    current.traceCount = 0;
    current.offset = offset;
    complete = true;
}

bool PlotData::Hold() {
    if (current.points.empty()) {
        return false;
    }
    if (heldCount == MaxHeld) {
        std::rotate(held, held + 1, held + MaxHeld);
        --heldCount;
    }
    held[heldCount] = current;
    ++heldCount;
    ++generation;
    return true;
}

void PlotData::ClearHeld() {
    for (Trace &trace : held) {
        trace = Trace{};
    }
    heldCount = 0;
    ++generation;
}

namespace {

struct Column {
    const PlotData::Trace *trace;
    int which; // -1: x, otherwise the trace's index
};

std::string Cell(const PlotData::Columns &names, const Column &column, std::size_t row) {
    const std::vector<PlotData::Point> &points = column.trace->points;
    if (row >= points.size()) {
        return {};
    }
    const PlotData::Point &p = points[row];
    double v = 0.0;
    if (column.which < 0) {
        v = p.x + column.trace->offset;
        v = names.xLog10 ? std::pow(10.0, v) : v;
    } else {
        v = p.value[column.which];
    }
    return FormatGeneral(v, 12);
}

} // namespace

std::string PlotData::Csv(const Columns &names) const {
    std::vector<Column> columns;
    std::vector<std::string> header;
    const Trace *traces[1 + MaxHeld] = {&current, &held[0], &held[1], &held[2]};
    for (std::size_t i = 0; i <= heldCount; ++i) {
        const Trace &trace = *traces[i];
        if (trace.points.empty()) {
            continue;
        }
        const std::string prefix = i == 0 ? std::string() : "held " + std::to_string(i) + " ";
        columns.push_back({&trace, -1});
        header.push_back(prefix + names.x);
        for (int t = 0; t < trace.traceCount; ++t) {
            if (!names.traces[t].empty()) {
                columns.push_back({&trace, t});
                header.push_back(prefix + names.traces[t]);
            }
        }
    }
    std::size_t rows = 0;
    for (const Column &c : columns) {
        rows = std::max(rows, c.trace->points.size());
    }
    auto quoted = [](const std::string &text) {
        if (text.find_first_of(",\"") == std::string::npos) {
            return text;
        }
        std::string cell(1, '"');
        cell += text;
        cell += '"';
        return cell;
    };
    std::string out;
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (c > 0) {
            out += ',';
        }
        out += quoted(header[c]);
    }
    out += "\r\n";
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) {
                out += ',';
            }
            out += Cell(names, columns[c], row);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace kaldorium
