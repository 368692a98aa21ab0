#include "core/common/Random.h"

#include <cmath>

namespace kaldorium {

int NoiseGenerator::Next() {
    state = state * 22695477u + 1u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

double NoiseGenerator::NextGaussian() {
    if (haveCached) {
        haveCached = false;
        return cached;
    }
    double s = 5.0;
    double u = 0.0;
    double v = 0.0;
    while (s > 1.0) {
        u = Next() / 32767.0 - 0.5;
        v = Next() / 32767.0 - 0.5;
        s = u * u + v * v;
    }
    // s = 0 only when both draws are exactly 16383.5 away from the middle, which cannot happen:
    // 32767·0.5 is not an integer.
    const double k = std::sqrt(-std::log(s) / s);
    cached = u * k;
    haveCached = true;
    return v * k;
}

} // namespace kaldorium
