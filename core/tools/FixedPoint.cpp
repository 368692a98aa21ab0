#include "core/tools/FixedPoint.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

const char *CoefficientBitsText(CoefficientBits bits) {
    switch (bits) {
    case CoefficientBits::Bits8:
        return "8";
    case CoefficientBits::Bits12:
        return "12";
    case CoefficientBits::Bits16:
        return "16";
    case CoefficientBits::Bits24:
        return "24";
    default:
        return "Exact";
    }
}

int WordLength(CoefficientBits bits) {
    switch (bits) {
    case CoefficientBits::Bits8:
        return 8;
    case CoefficientBits::Bits12:
        return 12;
    case CoefficientBits::Bits16:
        return 16;
    case CoefficientBits::Bits24:
        return 24;
    default:
        return 0;
    }
}

double QFormat::Step() const {
    return std::ldexp(1.0, -fractionalBits);
}

namespace {

double LargestInteger(int wordLength) {
    return std::ldexp(1.0, wordLength - 1) - 1.0;
}

} // namespace

QFormat ChooseQFormat(double largest, int wordLength) {
    QFormat format{wordLength, wordLength - 1};
    largest = std::fabs(largest);
    if (largest == 0.0 || !std::isfinite(largest)) {
        return format;
    }
    int e = 0;
    std::frexp(largest, &e);
    format.fractionalBits = wordLength - 1 - e;
    if (std::round(std::ldexp(largest, format.fractionalBits)) > LargestInteger(wordLength)) {
        --format.fractionalBits;
    }
    return format;
}

std::int64_t ToFixed(double value, QFormat format) {
    const double limit = LargestInteger(format.wordLength);
    const double scaled = std::clamp(std::ldexp(value, format.fractionalBits), -limit, limit);
    // std::round rounds halves away from zero.
    return static_cast<std::int64_t>(std::round(scaled));
}

double FromFixed(std::int64_t integer, QFormat format) {
    return std::ldexp(static_cast<double>(integer), -format.fractionalBits);
}

QuantisedPolynomial QuantisePolynomial(const double *coefficients, int count, int wordLength) {
    QuantisedPolynomial q;
    count = std::clamp(count, 0, 7);
    double largest = 0.0;
    for (int i = 0; i < count; ++i) {
        largest = std::max(largest, std::fabs(coefficients[i]));
    }
    q.format = ChooseQFormat(largest, wordLength);
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!std::isfinite(coefficients[i])) {
            // Kept as it is, so that the fault shows where the set is used.
            q.values[k] = coefficients[i];
            continue;
        }
        q.integers[k] = ToFixed(coefficients[i], q.format);
        q.values[k] = FromFixed(q.integers[k], q.format);
    }
    return q;
}

QuantisedSet QuantiseSet(const double *a, const double *b, CoefficientBits bits) {
    QuantisedSet set;
    const double b0 = b[0];
    for (int i = 0; i < 7; ++i) {
        set.a[i] = b0 != 0.0 ? a[i] / b0 : a[i];
        set.b[i] = b0 != 0.0 ? b[i] / b0 : b[i];
    }
    const int wordLength = WordLength(bits);
    if (wordLength == 0 || b0 == 0.0) {
        return set;
    }
    const QuantisedPolynomial qa = QuantisePolynomial(set.a, 7, wordLength);
    const QuantisedPolynomial qb = QuantisePolynomial(set.b, 7, wordLength);
    for (std::size_t i = 0; i < 7; ++i) {
        set.a[i] = qa.values[i];
        set.b[i] = qb.values[i];
    }
    set.aFormat = qa.format;
    set.bFormat = qb.format;
    return set;
}

void QuantisedFilterSource::SetBits(CoefficientBits newBits) {
    bits = newBits;
    set = QuantiseSet(exact.A(), exact.B(), bits);
    NoteChanged();
}

void QuantisedFilterSource::Recompute() {
    exact.Recompute();
    set = QuantiseSet(exact.A(), exact.B(), bits);
}

} // namespace kaldorium
