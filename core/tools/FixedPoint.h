#pragma once

#include "core/signal/DesignedFilterSource.h"

#include <array>
#include <cstdint>

namespace kaldorium {

// The word lengths a coefficient set can be rounded to ("Exact": not rounded).
enum class CoefficientBits { Exact, Bits8, Bits12, Bits16, Bits24 };

inline constexpr std::array<CoefficientBits, 5> AllCoefficientBits{
    CoefficientBits::Exact, CoefficientBits::Bits8, CoefficientBits::Bits12,
    CoefficientBits::Bits16, CoefficientBits::Bits24};

// "Exact", "8", "12", "16", "24": the items of the designer's pick list, in this order.
const char *CoefficientBitsText(CoefficientBits bits);
// 0 for Exact, else the word length.
int WordLength(CoefficientBits bits);

// A signed fixed-point format of `wordLength` bits: value = integer / 2^fractionalBits, the
// integer in −(2^(w−1) − 1) … 2^(w−1) − 1. integerBits + fractionalBits = wordLength − 1 (the
// sign bit); either may be negative, so that very large or very small coefficients keep all
// their bits (a shift instead of a wider word).
struct QFormat {
    int wordLength = 16;
    int fractionalBits = 15;
    int IntegerBits() const { return wordLength - 1 - fractionalBits; }
    double Step() const; // one LSB, 2^−fractionalBits
};

// The format with the most fractional bits in which `largest` (a magnitude) still fits once
// rounded: with largest = f·2^e (0.5 ≤ f < 1) that is e integer bits, or e + 1 when rounding
// would carry it to 2^e. A set of coefficients takes its format from its largest coefficient,
// so every other one fits too. Zero takes all bits as fractional bits.
QFormat ChooseQFormat(double largest, int wordLength);

// round(value·2^fractionalBits), halves away from zero, as a fixed-point converter rounds;
// clamped to the format's range.
std::int64_t ToFixed(double value, QFormat format);
double FromFixed(std::int64_t integer, QFormat format);

// A polynomial's coefficients rounded in one format chosen from its largest coefficient.
struct QuantisedPolynomial {
    QFormat format;
    std::array<std::int64_t, 7> integers{};
    std::array<double, 7> values{};
};
QuantisedPolynomial QuantisePolynomial(const double *coefficients, int count, int wordLength);

// A designed set as a fixed-point direct form runs it: normalised to b0 = 1 (as the designed
// Filter does), then numerator and denominator each rounded in its own format. The numerator
// takes its own because its size is the designer's gain, which may be far below the
// denominator's (a narrow low pass's numerator is a few 1e-5); in the denominator's format it
// would round to nothing. With Exact the set is only normalised. b0 = 0 leaves the set as it is.
struct QuantisedSet {
    double a[7] = {};
    double b[7] = {};
    QFormat aFormat;
    QFormat bFormat;
};
QuantisedSet QuantiseSet(const double *a, const double *b, CoefficientBits bits);

// The designed filter as the workbench runs it with rounded coefficients: stands between the
// designer and a designed Filter, which then runs the rounded set.
class QuantisedFilterSource : public DesignedFilterSource {
public:
    explicit QuantisedFilterSource(DesignedFilterSource &exactSource) : exact(exactSource) {}

    // Rounds the exact source's present set at once (without asking it to recompute).
    void SetBits(CoefficientBits newBits);
    CoefficientBits Bits() const { return bits; }

    void Recompute() override;
    const double *A() const override { return bits == CoefficientBits::Exact ? exact.A() : set.a; }
    const double *B() const override { return bits == CoefficientBits::Exact ? exact.B() : set.b; }
    int DesignType() const override { return exact.DesignType(); }
    DesignParameters Parameters() const override { return exact.Parameters(); }
    // Changes with the exact set's notice and with the bits.
    std::uint64_t Revision() const override {
        return exact.Revision() + DesignedFilterSource::Revision();
    }

private:
    DesignedFilterSource &exact;
    CoefficientBits bits = CoefficientBits::Exact;
    QuantisedSet set;
};

} // namespace kaldorium
