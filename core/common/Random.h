#pragma once

#include <cstdint>

namespace kaldorium {

// The program-wide pseudo-random generator: state 1 at start, never reseeded, so the noise of a
// run repeats from one program start to the next. One object is created at start-up and handed to
// whoever draws from it.
class NoiseGenerator {
public:
    // state = state·22695477 + 1 mod 2³²; returns bits 16..30 of the new state (0 … 32767).
    int Next();

    // Paired Gaussian generator (polar method with one pass): returns v·k and caches u·k for the
    // next call.
    double NextGaussian();

    std::uint32_t state = 1;
    bool haveCached = false;
    double cached = 0.0;
};

} // namespace kaldorium
