#include "core/audio/SpeakerSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kaldorium {

namespace {

// isnan first: an ordered comparison with a NaN raises the invalid-operation flag.
double Limit(double x) {
    return std::isnan(x) ? 0.0 : std::clamp(x, -1.0, 1.0);
}

} // namespace

long long ClipForSpeaker(std::span<double> samples) {
    long long changed = 0;
    for (double &x : samples) {
        const double limited = Limit(x);
        // Compares bit patterns, so a NaN counts as changed and no comparison touches it.
        if (std::memcmp(&limited, &x, sizeof x) != 0) {
            x = limited;
            ++changed;
        }
    }
    return changed;
}

void ConvertForSpeaker(std::span<const double> samples, SpeakerFormat format, std::byte *out) {
    if (format == SpeakerFormat::Float32) {
        for (const double x : samples) {
            const auto f = static_cast<float>(Limit(x));
            std::memcpy(out, &f, sizeof f);
            out += sizeof f;
        }
        return;
    }
    for (const double x : samples) {
        // Rounded half away from zero: ±1 reaches ±32767 exactly.
        const double scaled = Limit(x) * 32767.0;
        const auto s = static_cast<std::int16_t>(scaled + (scaled < 0.0 ? -0.5 : 0.5));
        std::memcpy(out, &s, sizeof s);
        out += sizeof s;
    }
}

} // namespace kaldorium
