#include "core/spectrum/ColourMap.h"

#include <algorithm>
#include <array>

namespace kaldorium {

namespace {

struct Rgb {
    int r, g, b;
};

// The viridis map at 0, 0.1, … 1 of its length; the steps between are interpolated linearly.
constexpr std::array<Rgb, 11> kViridisPoints{{
    {0x44, 0x01, 0x54},
    {0x48, 0x25, 0x76},
    {0x41, 0x44, 0x87},
    {0x35, 0x60, 0x8D},
    {0x2A, 0x78, 0x8E},
    {0x21, 0x90, 0x8C},
    {0x22, 0xA8, 0x84},
    {0x43, 0xBF, 0x71},
    {0x7A, 0xD1, 0x51},
    {0xBB, 0xDF, 0x27},
    {0xFD, 0xE7, 0x25},
}};

std::uint32_t Pack(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r << 16) | static_cast<std::uint32_t>(g << 8) |
           static_cast<std::uint32_t>(b);
}

int Between(int a, int b, double t) {
    return static_cast<int>(a + (b - a) * t + 0.5);
}

std::uint32_t ViridisStep(int step) {
    constexpr int kSegments = static_cast<int>(kViridisPoints.size()) - 1;
    // The position along the control points: step·10/255.
    const double at = static_cast<double>(step) * kSegments / (kColourSteps - 1);
    const int i = std::min(static_cast<int>(at), kSegments - 1);
    const double t = at - i;
    const Rgb &a = kViridisPoints[static_cast<std::size_t>(i)];
    const Rgb &b = kViridisPoints[static_cast<std::size_t>(i + 1)];
    return Pack(Between(a.r, b.r, t), Between(a.g, b.g, t), Between(a.b, b.b, t));
}

} // namespace

std::uint32_t ColourStep(ColourMap map, int step) {
    step = std::clamp(step, 0, kColourSteps - 1);
    if (map == ColourMap::Grey) {
        return Pack(step, step, step);
    }
    return ViridisStep(step);
}

LevelColours::LevelColours(ColourMap map, double top_, double range_)
    : top(std::isfinite(top_) ? top_ : 0.0),
      range(std::isnan(range_) ? kDefaultDbRange : std::clamp(range_, kMinDbRange, kMaxDbRange)),
      bottom(top - range), scale((kColourSteps - 1) / range) {
    for (int i = 0; i < kColourSteps; ++i) {
        table[i] = ColourStep(map, i);
    }
}

} // namespace kaldorium
