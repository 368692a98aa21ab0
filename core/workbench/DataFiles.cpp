#include "workbench/DataFiles.h"

#include "common/NumberText.h"
#include "signal/Filterclass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <fstream>
#include <istream>
#include <string_view>

namespace kaldorium {

namespace {

// Where no number can be read, the rest of the line is dropped this many characters at a time; a
// longer line is searched for a number again after each piece.
constexpr int DroppedPieceLength = 497;

// Significant digits kept of a number's mantissa. A double needs at most 767 to round correctly;
// the digits beyond are represented by one sticky digit, so a line of a million digits costs no
// memory.
constexpr int KeptDigits = 800;

// Exponents beyond this give zero or an overflow whatever the mantissa holds.
constexpr long long ExponentLimit = 100000;

bool IsBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

class NumberScanner {
public:
    explicit NumberScanner(std::streambuf &source) : buf(source) {}

    bool AtEnd() { return Peek() == std::char_traits<char>::eof(); }

    void SkipBlanks() {
        while (IsBlank(Peek())) {
            buf.sbumpc();
        }
    }

    // Reads one decimal number at the current position. Characters that start a number but do
    // not complete one (a lone sign or point) are consumed, as a formatted read does; an
    // exponent mark without digits leaves the mantissa as the number.
    bool ReadNumber(double &value) {
        bool negative = false;
        if (Peek() == '+' || Peek() == '-') {
            negative = buf.sbumpc() == '-';
        }
        int kept = 0;
        bool sticky = false;
        bool anyDigit = false;
        // The number is digits × 10^(shift + exponent).
        long long shift = 0;
        while (IsDigit(Peek())) {
            const char c = static_cast<char>(buf.sbumpc());
            anyDigit = true;
            if (kept == 0 && c == '0') {
                continue;
            }
            if (kept < KeptDigits) {
                digits[static_cast<std::size_t>(kept++)] = c;
            } else {
                ++shift;
                sticky = sticky || c != '0';
            }
        }
        if (Peek() == '.') {
            buf.sbumpc();
            while (IsDigit(Peek())) {
                const char c = static_cast<char>(buf.sbumpc());
                anyDigit = true;
                if (kept == 0 && c == '0') {
                    shift = std::max(shift - 1, -ExponentLimit);
                } else if (kept < KeptDigits) {
                    digits[static_cast<std::size_t>(kept++)] = c;
                    --shift;
                } else {
                    sticky = sticky || c != '0';
                }
            }
        }
        if (!anyDigit) {
            return false;
        }
        long long exponent = 0;
        if (Peek() == 'e' || Peek() == 'E') {
            buf.sbumpc();
            bool exponentNegative = false;
            if (Peek() == '+' || Peek() == '-') {
                exponentNegative = buf.sbumpc() == '-';
            }
            while (IsDigit(Peek())) {
                const int d = buf.sbumpc() - '0';
                exponent = std::min(exponent * 10 + d, ExponentLimit);
            }
            if (exponentNegative) {
                exponent = -exponent;
            }
        }
        if (kept == 0) {
            value = negative ? -0.0 : 0.0;
            return true;
        }
        if (sticky) {
            digits[static_cast<std::size_t>(kept++)] = '1';
            --shift;
        }
        return Convert(negative, kept, std::clamp(shift + exponent, -ExponentLimit, ExponentLimit),
                       value);
    }

    // Drops the rest of the line, at most DroppedPieceLength characters.
    void DropLinePiece() {
        for (int i = 0; i < DroppedPieceLength; ++i) {
            const int c = buf.sbumpc();
            if (c == '\n' || c == std::char_traits<char>::eof()) {
                return;
            }
        }
    }

private:
    int Peek() { return buf.sgetc(); }

    // Hands "[-]<digits>e<exponent>" to the shared parser.
    bool Convert(bool negative, int kept, long long exponent, double &value) {
        std::array<char, KeptDigits + 24> text{};
        std::size_t n = 0;
        if (negative) {
            text[n++] = '-';
        }
        for (int i = 0; i < kept; ++i) {
            text[n++] = digits[static_cast<std::size_t>(i)];
        }
        text[n++] = 'e';
        if (exponent < 0) {
            text[n++] = '-';
            exponent = -exponent;
        }
        std::array<char, 20> reversed{};
        std::size_t r = 0;
        do {
            reversed[r++] = static_cast<char>('0' + exponent % 10);
            exponent /= 10;
        } while (exponent != 0);
        while (r > 0) {
            text[n++] = reversed[--r];
        }
        return TryParseDouble(std::string_view(text.data(), n), value);
    }

    std::streambuf &buf;
    std::array<char, KeptDigits + 1> digits{};
};

} // namespace

int ReadDataFileValues(std::istream &in, double *out, int maxCount) {
    std::streambuf *source = in.rdbuf();
    if (source == nullptr || !in.good()) {
        return 0;
    }
    const int limit = std::clamp(maxCount, 0, MaxDataFileValues);
    NumberScanner scanner(*source);
    int count = 0;
    // A file buffer reports a failed read (a folder, a disk error) by throwing: the values read
    // until then are all there is.
    try {
        while (count < limit) {
            scanner.SkipBlanks();
            if (scanner.AtEnd()) {
                in.setstate(std::ios::eofbit);
                break;
            }
            double value = 0.0;
            if (scanner.ReadNumber(value)) {
                out[count++] = value;
            } else {
                scanner.DropLinePiece();
            }
        }
    } catch (const std::exception &) {
        in.setstate(std::ios::badbit);
    }
    return count;
}

int ReadDataFileValues(const std::string &path, double *out, int maxCount) {
    if (path.empty()) {
        return 0;
    }
    std::ifstream in(path);
    if (!in.is_open()) {
        return 0;
    }
    return ReadDataFileValues(in, out, maxCount);
}

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

std::string FilterLine(const WorkbenchSettings &s, bool withFilter) {
    if (!withFilter) {
        return "No Filtering\r\n";
    }
    return "Frequency = " + Decimals(s.filterFrequency) +
           "   Amplification = " + Decimals(s.amplification) +
           "  Qfactor = " + Decimals(s.qFactor) + "  Type = " + s.filterName + "\r\n";
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
    return file != nullptr;
}

bool DataFileWriter::OpenTimeDomain(const std::string &path, WorkbenchSettings &settings,
                                    bool withFilter, int designType) {
    if (!Create(path, settings, designType)) {
        return false;
    }
    WriteText("Data From the KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
              OscillatorLine(settings, "   ") + Rule(TimeRuleWidth) + "Filter Data:\r\n" +
              Rule(12) + FilterLine(settings, withFilter) + Rule(TimeRuleWidth) +
              "      Time(millisecs)     Input Signal     Output Signal\r\n" + Rule(TimeRuleWidth));
    return true;
}

bool DataFileWriter::OpenFrequencyDomain(const std::string &path, WorkbenchSettings &settings,
                                         bool withFilter, TransformKind transform, int designType) {
    if (!Create(path, settings, designType)) {
        return false;
    }
    binFrequency = settings.frequency;
    const std::string kind = transform == TransformKind::FFT ? "FFT" : "DFT";
    WriteText("Data From The KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
              OscillatorLine(settings, "  ") + Rule(FrequencyRuleWidth) + "Filter Data:\r\n" +
              Rule(12) + FilterLine(settings, withFilter) + Rule(FrequencyRuleWidth) +
              "   Frequency\t       Input Signal\t\t  " + kind +
              "\t\t Magnitude    Output Signal\t\t" + kind + "\t\t Magnitude\r\n" +
              Rule(FrequencyRuleWidth));
    return true;
}

void DataFileWriter::WriteTimeRow(double t, double x) {
    if (file == nullptr) {
        return;
    }
    AppendNumber(t, 18);
    AppendNumber(x, 18);
    EndRow();
}

void DataFileWriter::WriteTimeRow(double t, double x, double y) {
    if (file == nullptr) {
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
    if (file == nullptr) {
        return;
    }
    AppendNumber(static_cast<double>(k) * binFrequency, 18);
    AppendSpectrumColumns(x, xMagnitude);
    EndRow();
}

void DataFileWriter::WriteFrequencyRow(int k, double x, double xMagnitude, double y,
                                       double yMagnitude) {
    if (file == nullptr) {
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
