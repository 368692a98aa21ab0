#include "core/common/NumberText.h"
#include "core/common/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kaldorium;

struct FormatCase {
    double value;
    const char *text;
};

class GeneralFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GeneralFormat, WritesExpectedText) {
    EXPECT_EQ(FormatGeneral(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralFormat,
    ::testing::Values(FormatCase{0.0, "0"}, FormatCase{-0.0, "0"}, FormatCase{1.0, "1"},
                      FormatCase{2000.0, "2000"}, FormatCase{-12.5, "-12.5"},
                      FormatCase{0.000025, "2.5E-5"}, FormatCase{0.0001, "0.0001"},
                      FormatCase{0.00012345, "0.00012345"}, FormatCase{0.1 + 0.2, "0.3"},
                      FormatCase{1.0 / 3.0, "0.333333333333333"},
                      FormatCase{123456789012345.0, "123456789012345"}, FormatCase{1e15, "1E15"},
                      FormatCase{-2.5e20, "-2.5E20"}, FormatCase{1e-300, "1E-300"},
                      FormatCase{99999.99999999999, "100000"},
                      FormatCase{std::numeric_limits<double>::infinity(), "INF"},
                      FormatCase{std::nan(""), "NAN"}));

class FixedFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FixedFormat, FiveSignificantFiveDecimals) {
    EXPECT_EQ(FormatFixed(GetParam().value, 5, 5), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Statistics, FixedFormat,
    ::testing::Values(FormatCase{0.70710678, "0.70711"}, FormatCase{1.41421356, "1.41420"},
                      FormatCase{0.0, "0.00000"}, FormatCase{-0.70710678, "-0.70711"},
                      FormatCase{2.0, "2.00000"}, FormatCase{12345.678, "12346.00000"},
                      FormatCase{0.000012345678, "0.00001"}, FormatCase{-1e-9, "0.00000"},
                      FormatCase{123456.0, "1.2346E5"}, FormatCase{99999.9, "1E5"}));

TEST(FixedFormatOtherPrecisions, LabelsAndShifts) {
    EXPECT_EQ(FormatFixed(0.5, 3, 3), "0.500");
    EXPECT_EQ(FormatFixed(-1.0, 3, 1), "-1.0");
    EXPECT_EQ(FormatFixed(25.1189, 3, 1), "25.1");
    EXPECT_EQ(FormatFixed(1000.0, 3, 1), "1E3");
    EXPECT_EQ(FormatFixed(1584.89, 3, 3), "1.58E3");
    EXPECT_EQ(FormatFixed(0.5, 5, 4), "0.5000");
    EXPECT_EQ(FormatFixed(-0.123456, 5, 4), "-0.1235");
}

TEST(Decimals, IndependentOfLocaleAndRounded) {
    EXPECT_EQ(FormatDecimals(2000.0, 6), "2000.000000");
    EXPECT_EQ(FormatDecimals(0.000025, 6), "0.000025");
    EXPECT_EQ(FormatDecimals(0.30901699437494745, 6), "0.309017");
    EXPECT_EQ(FormatDecimals(-0.0000001, 6), "0.000000");
    EXPECT_EQ(FormatScientific(0.000025, 6), "2.500000e-05");
}

TEST(Exponent, EightDigitsAndASignedFourDigitExponentThatReadsBack) {
    EXPECT_EQ(FormatExponent(1000.0), "1.0000000E+0003");
    EXPECT_EQ(FormatExponent(0.5), "5.0000000E-0001");
    EXPECT_EQ(FormatExponent(0.0), "0.0000000E+0000");
    EXPECT_EQ(FormatExponent(-26.39876543), "-2.6398765E+0001");
    EXPECT_EQ(FormatExponent(9.99999999), "1.0000000E+0001");
    EXPECT_EQ(FormatExponent(1.5e-300), "1.5000000E-0300");
    for (double v : {1000.0, 0.5, -2.6398765e1, 1.5e-300, 6.02e23}) {
        EXPECT_DOUBLE_EQ(ParseDouble(FormatExponent(v)), v);
    }
}

TEST(Parse, AcceptsDecimalNumbers) {
    EXPECT_DOUBLE_EQ(ParseDouble("2000"), 2000.0);
    EXPECT_DOUBLE_EQ(ParseDouble(" -12.5 "), -12.5);
    EXPECT_DOUBLE_EQ(ParseDouble("+3"), 3.0);
    EXPECT_DOUBLE_EQ(ParseDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseDouble("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseDouble("2.5E-5"), 0.000025);
    EXPECT_DOUBLE_EQ(ParseDouble("1e3"), 1000.0);
    EXPECT_EQ(ParseDouble("1e-400"), 0.0);
    // Exponents beyond what a long holds: still too large, or too small.
    EXPECT_EQ(ParseDouble("1e-99999999999999999999999"), 0.0);
    double value = 0.0;
    EXPECT_FALSE(TryParseDouble("1877E77277000070000184527", value));
}

TEST(Parse, RefusesWhatIsNotANumber) {
    for (const char *text : {"", "-", ".", "1..2", "12%", "'", "1e", "1e+", "abc", "inf", "nan",
                             "0x10", "1,5", "--1", "1e400", "1 2"}) {
        SCOPED_TRACE(text);
        try {
            ParseDouble(text);
            FAIL() << "accepted";
        } catch (const ConversionError &e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

TEST(Parse, Integers) {
    EXPECT_EQ(ParseInt("20"), 20);
    EXPECT_EQ(ParseInt("-7"), -7);
    EXPECT_THROW(ParseInt("12.7"), ConversionError);
    EXPECT_THROW(ParseInt(""), ConversionError);
    EXPECT_THROW(ParseInt("99999999999"), ConversionError);
}

TEST(FloatingPointCheck, ReportsDivisionByZeroAndInvalid) {
    volatile double zero = 0.0;
    ClearFloatingPointFlags();
    const double quotient = 1.0 / zero;
    EXPECT_THROW(CheckFloatingPoint(quotient), FloatingPointError);
    ClearFloatingPointFlags();
    const double root = std::sqrt(-1.0 + zero);
    try {
        CheckFloatingPoint(root);
        FAIL();
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    ClearFloatingPointFlags();
    const double fine = 2.0 / (zero + 4.0);
    EXPECT_NO_THROW(CheckFloatingPoint(fine));
}

// A nested check sees only its own fault, and the caller's pending fault survives it.
TEST(FloatingPointCheck, NestedGuardKeepsTheCallersFlags) {
    volatile double zero = 0.0;
    ClearFloatingPointFlags();
    const double callersQuotient = 1.0 / zero;
    {
        const FloatingPointGuard::Nested nested;
        const double fine = 2.0 / (zero + 4.0);
        EXPECT_NO_THROW(nested.Check(fine));
    }
    EXPECT_THROW(CheckFloatingPoint(callersQuotient), FloatingPointError);
    try {
        const FloatingPointGuard::Nested nested;
        const double root = std::sqrt(-1.0 + zero);
        nested.Check(root);
        FAIL();
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), FloatingPointError::InvalidOperation().what());
    }
    // The nested fault is not left behind for the caller's own check.
    const double fine = 2.0 / (zero + 4.0);
    EXPECT_NO_THROW(CheckFloatingPoint(fine));
}
