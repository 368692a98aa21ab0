#pragma once

#include <cmath>
#include <cstdint>

// Colours of levels in dB, for pictures of levels such as the spectrogram. Colours are 32-bit
// words 0xFFRRGGBB (opaque), the layout of a 32-bit RGB image row.
namespace kaldorium {

enum class ColourMap : int {
    // Dark violet through blue and green to yellow, with lightness rising evenly.
    Viridis = 0,
    // Black to white.
    Grey = 1,
};

inline constexpr int kColourSteps = 256;

// The level range shown: 40 … 140 dB, 90 unless chosen.
inline constexpr double kMinDbRange = 40.0;
inline constexpr double kMaxDbRange = 140.0;
inline constexpr double kDefaultDbRange = 90.0;

// The level of no power at all (and of anything weaker): it always takes step 0.
inline constexpr double kSilenceLevel = -300.0;

// Step 0 … 255 of a map (held to that range).
std::uint32_t ColourStep(ColourMap map, int step);

// Maps levels to colours over [top − range, top]: step 0 at or below the bottom, and for
// whatever is not a number or is silence, step 255 at or above the top, steps in equal parts of a
// dB between. The range is held to 40 … 140 dB; a top that is not finite counts as 0 dB.
class LevelColours {
public:
    LevelColours(ColourMap map, double top, double range);

    std::uint32_t operator()(double level) const {
        // isgreater and isless are false for NaN, and compare without raising the invalid flag.
        const double t = (level - bottom) * scale;
        if (!std::isgreater(t, 0.0) || !std::isgreater(level, kSilenceLevel)) {
            return table[0];
        }
        if (!std::isless(t, kColourSteps - 1.0)) {
            return table[kColourSteps - 1];
        }
        return table[static_cast<int>(t + 0.5)];
    }

    double Top() const { return top; }
    double Range() const { return range; }

private:
    double top;
    double range;
    double bottom;
    double scale;
    std::uint32_t table[kColourSteps];
};

} // namespace kaldorium
