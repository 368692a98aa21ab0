#pragma once

#include "core/signal/DataFileValues.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/workbench/Runs.h"
#include "core/workbench/WorkbenchSettings.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <iosfwd>
#include <string>
#include <string_view>

// Signal data text files: the writer of output data files (the reader of input data files is
// signal/DataFileValues.h).
namespace kaldorium {

// The filter name an output file's header gives the designed filter, by the designer's design
// type: 0 "Designed Filter:Band Pass", 1 "Designed Filter:Band Reject", 2 "Designed Filter:High
// Pass", 3 "Designed Filter:Low Pass", any other "Designed Filter:Unknown Type".
const char *DesignedFilterName(int designType);

// The text the workbench shows when an output file cannot be created.
std::string CouldNotCreateOutputFileText(const std::string &path);

// The text the workbench shows once a file has taken `rowLimit` rows: "Output file limit reached:
// 1,048,576 rows".
std::string OutputRowLimitText(long long rowLimit);

// Writes the output data file of a run, a response or a spectrum: twelve header lines, then one
// row per sample (time domain) or per bin (frequency domain). Every line ends with CR LF, and
// numbers are written as printf's "%lf" family writes them in the C locale, whatever the locale
// of the program. At most one file is open; opening another closes the first.
//
// A file takes at most `rowLimit` data rows: a run writes some 600,000 rows a second, and a
// forgotten check box would fill the disk. Rows past the limit are dropped whole, so the file
// ends with a complete line.
class DataFileWriter : public RunRowSink {
public:
    static constexpr long long RowLimit = 1048576;

    explicit DataFileWriter(long long rowLimit = RowLimit) : limit(rowLimit) {}
    ~DataFileWriter() override;
    DataFileWriter(const DataFileWriter &) = delete;
    DataFileWriter &operator=(const DataFileWriter &) = delete;

    // Creates (or truncates) the file and writes the time-domain header, with the filter's line
    // when `withFilter`. While the selected filter is the designed filter, settings.filterName
    // first becomes DesignedFilterName(design.designType) — even when the file cannot be created
    // — and keeps that name afterwards, and the filter's line shows the design's f0, A0 and Q
    // rather than the workbench's fields, which that filter does not use. Returns false, with
    // nothing written and no file open, when the file cannot be created.
    bool OpenTimeDomain(const std::string &path, WorkbenchSettings &settings, bool withFilter,
                        const DesignParameters &design);
    // The same with the frequency-domain header; `transform` names the columns. The rows' bin
    // frequencies k·f use the oscillator frequency f read here.
    bool OpenFrequencyDomain(const std::string &path, WorkbenchSettings &settings, bool withFilter,
                             TransformKind transform, const DesignParameters &design);

    // The rows below are dropped while no file is open and once the file holds the limit.

    // Time-domain rows: t in ms, the input x and the filter's output y.
    void WriteTimeRow(double t, double x);
    void WriteTimeRow(double t, double x, double y);

    // Frequency-domain rows of bin k: the block's input sample x and the transform's raw
    // magnitude of bin k, and the same of the output.
    void WriteFrequencyRow(int k, double x, double xMagnitude);
    void WriteFrequencyRow(int k, double x, double xMagnitude, double y, double yMagnitude);

    // The run's rows.
    void InputRow(double t, double x) override { WriteTimeRow(t, x); }
    void FilterRow(double t, double x, double y) override { WriteTimeRow(t, x, y); }

    // Closes the open file, if any. Returns false when some of what was written since the open
    // did not reach the file (a full disk); true otherwise, also when nothing was open.
    bool Close();
    bool IsOpen() const { return file != nullptr; }
    // The file opened last took its limit of rows and dropped rows after it (also once closed).
    bool LimitReached() const { return limitReached; }
    long long Limit() const { return limit; }

private:
    bool Create(const std::string &path, WorkbenchSettings &settings, int designType);
    // Counts a row about to be written; false when it is to be dropped.
    bool TakeRow();
    void WriteText(std::string_view text);
    void Append(std::string_view text);
    // printf's "%<width>lf" (with `plus`: "%+<width>lf") for widths up to 18, always with a "."
    // as decimal point.
    void AppendNumber(double value, std::size_t width, bool plus = false);
    void EndRow();
    void AppendSpectrumColumns(double sample, double magnitude);

    // One line of the longest row (nine numbers of at most 317 characters each) fits; a longer
    // line is handed to the file in pieces.
    static constexpr std::size_t RowCapacity = 4096;

    std::FILE *file = nullptr;
    bool failed = false;
    long long limit;
    long long rows = 0;
    bool limitReached = false;
    double binFrequency = 0.0;
    std::array<char, RowCapacity> row{};
    std::size_t rowLength = 0;
};

} // namespace kaldorium
