#include "core/tools/SamplingSettings.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace kaldorium {

namespace {

constexpr double DefaultCornerHz = 3000.0;
constexpr double ButterworthDamping = 0.7071067811865476;

bool PositiveFinite(double v) {
    return std::isfinite(v) && v > 0.0;
}

} // namespace

InvertingLowPass DefaultInvertingLowPass() {
    return DesignInvertingLowPass(2 * std::numbers::pi * DefaultCornerHz, 1.0, ButterworthDamping)
        .components;
}

NonInvertingLowPass DefaultNonInvertingLowPass() {
    // The equal-capacitor design needs A0 ≥ 2 − ζ²; A0 = 1.5 is the least it accepts here.
    return DesignNonInvertingLowPass(2 * std::numbers::pi * DefaultCornerHz, 1.5,
                                     ButterworthDamping)
        .components;
}

std::string SamplingSettingsError(const SamplingSettings &s) {
    if (!PositiveFinite(s.sampleRate)) {
        return "The sample rate must be above 0 Hz";
    }
    if (!std::isfinite(s.signalFrequency) || s.signalFrequency < 0.0) {
        return "The signal frequency must be 0 Hz or more";
    }
    if (!std::isfinite(s.secondFrequency) || s.secondFrequency < 0.0) {
        return "The second frequency must be 0 Hz or more";
    }
    if (!PositiveFinite(s.sweepTime)) {
        return "The sweep time must be above 0 s";
    }
    if (!std::isfinite(s.amplitude)) {
        return "The amplitude must be a finite number";
    }
    if (s.bits != ExactBits && (s.bits < MinBits || s.bits > MaxBits)) {
        return "Bits must be 1 to 24 or Exact";
    }
    return {};
}

int ParseBits(std::string_view text) {
    std::string lower(text);
    lower.erase(0, lower.find_first_not_of(" \t"));
    lower.erase(lower.find_last_not_of(" \t") + 1);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "exact") {
        return ExactBits;
    }
    return std::clamp(ParseInt(text), MinBits, MaxBits);
}

std::string BitsText(int bits) {
    return bits == ExactBits ? "Exact" : std::to_string(bits);
}

int StepBits(int bits, bool up) {
    if (bits == ExactBits) {
        return up ? ExactBits : MaxBits;
    }
    if (up) {
        return bits >= MaxBits ? ExactBits : bits + 1;
    }
    return std::max(MinBits, bits - 1);
}

} // namespace kaldorium
