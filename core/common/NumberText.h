#pragma once

#include <string>
#include <string_view>

// Every number that crosses a field or a file goes through these functions. The decimal point is
// always ".", whatever the locale.
namespace kaldorium {

// General format: up to `precision` significant digits without trailing zeros, plain notation for
// magnitudes from 0.0001 up to below 10^precision, scientific otherwise ("2.5E-5", "1E20").
std::string FormatGeneral(double value, int precision = 15);

// Fixed format: rounded to `precision` significant digits, then written with exactly `digits`
// decimals (0.70710678 with 5, 5 → "0.70711"; 1.41421356 → "1.41420"). A value with more than
// `precision` digits before the point is written in the general scientific form instead.
std::string FormatFixed(double value, int precision, int digits);

// printf's "%.<decimals>f", independent of the locale.
std::string FormatDecimals(double value, int decimals);

// printf's "%<width>.<decimals>f" in the C locale ("-0.000000", "inf", "-nan" as printf writes
// them), written to `out` without allocating; returns the end of the text. `out` must hold
// PrintfFixedCapacity characters or `width`, whichever is more.
inline constexpr int PrintfFixedCapacity = 330;
char *WritePrintfFixed(char *out, double value, int width, int decimals);

// printf's "%.<decimals>e" (e.g. "2.500000e-05"), independent of the locale.
std::string FormatScientific(double value, int decimals);

// Exponent format: `precision` significant digits and a signed exponent of exactly
// `exponentDigits` digits (1000 with 8, 4 → "1.0000000E+0003"; 0.5 → "5.0000000E-0001").
std::string FormatExponent(double value, int precision = 8, int exponentDigits = 4);

// Converts a decimal number (optional sign, digits with an optional ".", optional exponent;
// blanks around it are ignored). Throws ConversionError with the text otherwise.
double ParseDouble(std::string_view text);
bool TryParseDouble(std::string_view text, double &value);

// Converts a whole number; throws ConversionError ("… is not a valid integer value") otherwise.
int ParseInt(std::string_view text);

} // namespace kaldorium
