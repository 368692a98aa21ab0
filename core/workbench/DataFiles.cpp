#include "core/workbench/DataFiles.h"

#include "core/common/NumberText.h"
#include "core/signal/Filterclass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <fstream>
#include <istream>
#include <string_view>

namespace kaldorium {

namespace {

// printf's "%lf" (with `plus`: "%+lf") in the C locale. Unlike the fields' format, the sign of
// every negative value is written, −0 and values that round to 0 included, and "inf" and "nan"
// are in lower case.
std::string Decimals(double value, bool plus = false) {
    std::string text = std::signbit(value) ? "-" : (plus ? "+" : "");
    if (std::isnan(value)) {
        text += "nan";
    } else if (std::isinf(value)) {
        text += "inf";
    } else {
        text += FormatDecimals(std::fabs(value), 6);
    }
    return text;
}

std::string Rule(std::size_t width) {
    return std::string(width, '=') + "\r\n";
}

// The time-domain table is 104 characters wide, the frequency-domain table 131.
constexpr std::size_t TimeRuleWidth = 104;
constexpr std::size_t FrequencyRuleWidth = 131;

std::string FilterLine(const WorkbenchSettings &s, bool withFilter,
                       const DesignParameters &design) {
    if (!withFilter) {
        return "No Filtering\r\n";
    }
    const bool designed = s.filterKind == fkDesigned;
    return "Frequency = " + Decimals(designed ? design.f0 : s.filterFrequency) +
           "   Amplification = " + Decimals(designed ? design.amplification : s.amplification) +
           "  Qfactor = " + Decimals(designed ? design.q : s.qFactor) + "  Type = " + s.filterName +
           "\r\n";
}

// The oscillator line; the frequency-domain table has only two blanks before "Amplitude".
std::string OscillatorLine(const WorkbenchSettings &s, const char *beforeAmplitude) {
    const int n = s.samplesPerCycle;
    // Ts = 1/(N·f)
    const double ts = 1.0 / (static_cast<double>(n) * s.frequency);
    return "Frequency = " + Decimals(s.frequency) +
           "   Samples/Cycle = " + FormatDecimals(static_cast<double>(n), 0) +
           "  Ts = " + Decimals(ts) + beforeAmplitude + "Amplitude = " + Decimals(s.amplitude) +
           "   Type = " + s.waveformName + "\r\n";
}

} // namespace

const char *DesignedFilterName(int designType) {
    switch (designType) {
    case 0:
        return "Designed Filter:Band Pass";
    case 1:
        return "Designed Filter:Band Reject";
    case 2:
        return "Designed Filter:High Pass";
    case 3:
        return "Designed Filter:Low Pass";
    default:
        return "Designed Filter:Unknown Type";
    }
}

std::string CouldNotCreateOutputFileText(const std::string &path) {
    return "Could not create the output file " + path;
}

std::string OutputRowLimitText(long long rowLimit) {
    const std::string digits = FormatDecimals(static_cast<double>(rowLimit), 0);
    // Thousands separated by commas, counted from the right; built by appending, so no
    // character moves inside the string.
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t left = digits.size() - i;
        if (i > 0 && left % 3 == 0 && digits[i - 1] != '-') {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return "Output file limit reached: " + grouped + " rows";
}

DataFileWriter::~DataFileWriter() {
    Close();
}

bool DataFileWriter::Create(const std::string &path, WorkbenchSettings &settings, int designType) {
    Close();
    if (settings.filterKind == fkDesigned) {
        settings.filterName = DesignedFilterName(designType);
    }
    if (path.empty()) {
        return false;
    }
    // Binary, so that the CR LF written below reaches the file unchanged on every platform.
    file = std::fopen(path.c_str(), "wb");
    failed = false;
    rows = 0;
    limitReached = false;
    return file != nullptr;
}

bool DataFileWriter::TakeRow() {
    if (file == nullptr) {
        return false;
    }
    if (rows >= limit) {
        limitReached = true;
        return false;
    }
    ++rows;
    return true;
}

bool DataFileWriter::OpenTimeDomain(const std::string &path, WorkbenchSettings &settings,
                                    bool withFilter, const DesignParameters &design) {
    if (!Create(path, settings, design.designType)) {
        return false;
    }
    WriteText("Data From the KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
              OscillatorLine(settings, "   ") + Rule(TimeRuleWidth) + "Filter Data:\r\n" +
              Rule(12) + FilterLine(settings, withFilter, design) + Rule(TimeRuleWidth) +
              "      Time(millisecs)     Input Signal     Output Signal\r\n" + Rule(TimeRuleWidth));
    return true;
}

bool DataFileWriter::OpenFrequencyDomain(const std::string &path, WorkbenchSettings &settings,
                                         bool withFilter, TransformKind transform,
                                         const DesignParameters &design) {
    if (!Create(path, settings, design.designType)) {
        return false;
    }
    binFrequency = settings.frequency;
    const std::string kind = transform == TransformKind::FFT ? "FFT" : "DFT";
    WriteText("Data From The KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
              OscillatorLine(settings, "  ") + Rule(FrequencyRuleWidth) + "Filter Data:\r\n" +
              Rule(12) + FilterLine(settings, withFilter, design) + Rule(FrequencyRuleWidth) +
              "   Frequency\t       Input Signal\t\t  " + kind +
              "\t\t Magnitude    Output Signal\t\t" + kind + "\t\t Magnitude\r\n" +
              Rule(FrequencyRuleWidth));
    return true;
}

void DataFileWriter::WriteTimeRow(double t, double x) {
    if (!TakeRow()) {
        return;
    }
    AppendNumber(t, 18);
    AppendNumber(x, 18);
    EndRow();
}

void DataFileWriter::WriteTimeRow(double t, double x, double y) {
    if (!TakeRow()) {
        return;
    }
    AppendNumber(t, 18);
    AppendNumber(x, 18);
    AppendNumber(y, 18);
    EndRow();
}

// The magnitude is written as the complex number M + 0j followed by its modulus √(M² + 0²).
void DataFileWriter::AppendSpectrumColumns(double sample, double magnitude) {
    AppendNumber(sample, 15);
    Append("\t|");
    AppendNumber(magnitude, 10);
    AppendNumber(0.0, 10, true);
    Append("j|=");
    AppendNumber(std::hypot(magnitude, 0.0), 10);
}

void DataFileWriter::WriteFrequencyRow(int k, double x, double xMagnitude) {
    if (!TakeRow()) {
        return;
    }
    AppendNumber(static_cast<double>(k) * binFrequency, 18);
    AppendSpectrumColumns(x, xMagnitude);
    EndRow();
}

void DataFileWriter::WriteFrequencyRow(int k, double x, double xMagnitude, double y,
                                       double yMagnitude) {
    if (!TakeRow()) {
        return;
    }
    AppendNumber(static_cast<double>(k) * binFrequency, 18);
    AppendSpectrumColumns(x, xMagnitude);
    AppendSpectrumColumns(y, yMagnitude);
    EndRow();
}

bool DataFileWriter::Close() {
    if (file == nullptr) {
        return true;
    }
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    rowLength = 0;
    return closed && !failed;
}

void DataFileWriter::WriteText(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        failed = true;
    }
}

void DataFileWriter::Append(std::string_view text) {
    if (rowLength + text.size() > row.size()) {
        WriteText(std::string_view(row.data(), rowLength));
        rowLength = 0;
        if (text.size() > row.size()) {
            WriteText(text);
            return;
        }
    }
    std::copy(text.begin(), text.end(), row.begin() + static_cast<std::ptrdiff_t>(rowLength));
    rowLength += text.size();
}

void DataFileWriter::AppendNumber(double value, std::size_t width, bool plus) {
    // The usual values fit the string's own buffer, so a row allocates nothing.
    const std::string text = Decimals(value, plus);
    static constexpr std::string_view blanks = "                  ";
    if (text.size() < width) {
        Append(blanks.substr(0, width - text.size()));
    }
    Append(text);
}

void DataFileWriter::EndRow() {
    Append("\r\n");
    WriteText(std::string_view(row.data(), rowLength));
    rowLength = 0;
}

} // namespace kaldorium
