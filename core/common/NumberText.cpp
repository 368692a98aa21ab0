#include "core/common/NumberText.h"

#include "core/common/Errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace kaldorium {

namespace {

// The decimal digits (without trailing zeros) and the decimal exponent of |value| rounded to
// `precision` significant digits: value ≈ 0.d1d2d3… × 10^(exponent + 1).
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

Decimal ToDecimal(double value, int precision) {
    Decimal d;
    d.negative = std::signbit(value);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, precision - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] != '.') {
            d.digits.push_back(text[i]);
        }
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    d.exponent);
    return d;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    return value < 0 ? "-INF" : "INF";
}

std::string Scientific(const Decimal &d) {
    std::string out = d.negative ? "-" : "";
    out += d.digits[0];
    if (d.digits.size() > 1) {
        out += '.';
        out.append(d.digits, 1);
    }
    out += 'E';
    out += std::to_string(d.exponent);
    return out;
}

std::string TrimmedView(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

// The power of ten of the leading non-zero digit of a syntactically valid number text.
long DecimalOrder(const std::string &text, std::size_t start) {
    long order = 0;
    bool seenDigit = false;
    bool afterPoint = false;
    std::size_t i = start;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
        } else if (!seenDigit && text[i] == '0') {
            if (afterPoint) {
                --order;
            }
        } else if (!seenDigit) {
            seenDigit = true;
            if (afterPoint) {
                --order;
            }
        } else if (!afterPoint) {
            ++order;
        }
    }
    if (i < text.size()) {
        // strtol saturates a huge exponent at LONG_MAX; clamp it further so the sum cannot
        // overflow (any order beyond a few hundred decides the same way).
        const long exponent = std::strtol(text.c_str() + i + 1, nullptr, 10);
        order += std::clamp(exponent, -1'000'000L, 1'000'000L);
    }
    return order;
}

} // namespace

std::string FormatGeneral(double value, int precision) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    if (value == 0.0) {
        return "0";
    }
    const Decimal d = ToDecimal(value, precision);
    if (d.exponent < -4 || d.exponent >= precision) {
        return Scientific(d);
    }
    std::string out = d.negative ? "-" : "";
    const int count = static_cast<int>(d.digits.size());
    if (d.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        out += d.digits;
        return out;
    }
    if (count <= d.exponent + 1) {
        out += d.digits;
        out.append(static_cast<std::size_t>(d.exponent + 1 - count), '0');
        return out;
    }
    out.append(d.digits, 0, static_cast<std::size_t>(d.exponent + 1));
    out += '.';
    out.append(d.digits, static_cast<std::size_t>(d.exponent + 1));
    return out;
}

std::string FormatFixed(double value, int precision, int digits) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    if (value == 0.0) {
        return FormatDecimals(0.0, digits);
    }
    const Decimal d = ToDecimal(value, precision);
    if (d.exponent >= precision) {
        return Scientific(d);
    }
    // Rebuild the rounded value from its digits so that "%.nf" prints exactly those digits.
    std::string rounded = d.negative ? "-" : "";
    rounded += d.digits;
    rounded += 'e';
    rounded += std::to_string(d.exponent - static_cast<int>(d.digits.size()) + 1);
    double roundedValue = 0.0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), roundedValue);
    return FormatDecimals(roundedValue, digits);
}

std::string FormatDecimals(double value, int decimals) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string out(buffer, result.ptr);
    // A value that rounds to zero shows no sign.
    if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) {
        out.erase(0, 1);
    }
    return out;
}

char *WritePrintfFixed(char *out, double value, int width, int decimals) {
    char text[PrintfFixedCapacity];
    char *end = text;
    if (std::signbit(value)) {
        *end++ = '-';
    }
    if (std::isnan(value)) {
        end = std::copy_n("nan", 3, end);
    } else if (std::isinf(value)) {
        end = std::copy_n("inf", 3, end);
    } else {
        end = std::to_chars(end, text + sizeof text, std::fabs(value), std::chars_format::fixed,
                            decimals)
                  .ptr;
    }
    const int length = static_cast<int>(end - text);
    for (int i = length; i < width; ++i) {
        *out++ = ' ';
    }
    return std::copy(text, end, out);
}

std::string FormatScientific(double value, int decimals) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                std::chars_format::scientific, decimals);
    return std::string(buffer, result.ptr);
}

std::string FormatExponent(double value, int precision, int exponentDigits) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, precision - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string out(text.substr(0, e));
    out += 'E';
    out += text[e + 1];
    const std::string_view digits = text.substr(e + 2);
    if (static_cast<int>(digits.size()) < exponentDigits) {
        out.append(static_cast<std::size_t>(exponentDigits) - digits.size(), '0');
    }
    out += digits;
    return out;
}

bool TryParseDouble(std::string_view text, double &value) {
    const std::string trimmed = TrimmedView(text);
    std::size_t i = 0;
    const std::size_t n = trimmed.size();
    if (i < n && (trimmed[i] == '+' || trimmed[i] == '-')) {
        ++i;
    }
    const std::size_t numberStart = i;
    std::size_t mantissaDigits = 0;
    while (i < n && trimmed[i] >= '0' && trimmed[i] <= '9') {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && trimmed[i] == '.') {
        ++i;
        while (i < n && trimmed[i] >= '0' && trimmed[i] <= '9') {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < n && (trimmed[i] == 'e' || trimmed[i] == 'E')) {
        ++i;
        if (i < n && (trimmed[i] == '+' || trimmed[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < n && trimmed[i] >= '0' && trimmed[i] <= '9') {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (i != n) {
        return false;
    }
    // from_chars takes no leading '+'; the sign is applied afterwards.
    double magnitude = 0.0;
    const auto result =
        std::from_chars(trimmed.data() + numberStart, trimmed.data() + n, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small reads as zero; too large is no number.
        if (DecimalOrder(trimmed, numberStart) >= 0) {
            return false;
        }
        magnitude = 0.0;
    } else if (result.ec != std::errc() || result.ptr != trimmed.data() + n) {
        return false;
    }
    value = (numberStart > 0 && trimmed[0] == '-') ? -magnitude : magnitude;
    return std::isfinite(value);
}

double ParseDouble(std::string_view text) {
    double value = 0.0;
    if (!TryParseDouble(text, value)) {
        throw ConversionError::NotAFloat(std::string(text));
    }
    return value;
}

int ParseInt(std::string_view text) {
    const std::string trimmed = TrimmedView(text);
    std::size_t start = 0;
    if (!trimmed.empty() && trimmed[0] == '+') {
        start = 1;
    }
    int value = 0;
    const auto result =
        std::from_chars(trimmed.data() + start, trimmed.data() + trimmed.size(), value);
    if (trimmed.empty() || result.ec != std::errc() ||
        result.ptr != trimmed.data() + trimmed.size() ||
        (start == 1 && trimmed.size() > 1 && trimmed[1] == '-')) {
        throw ConversionError::NotAnInteger(std::string(text));
    }
    return value;
}

} // namespace kaldorium
