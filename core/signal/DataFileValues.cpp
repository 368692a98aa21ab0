#include "core/signal/DataFileValues.h"

#include "core/common/NumberText.h"

#include <algorithm>
#include <array>
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

} // namespace kaldorium
