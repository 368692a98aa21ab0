#pragma once

#include <cstddef>
#include <span>

// Samples as a sound device takes them: limited to its full scale of ±1 and written in its sample
// format. Only the sound is limited this way; the run's own samples and files keep their values.
namespace kaldorium {

enum class SpeakerFormat {
    Int16,   // signed 16 bits, full scale ±32767
    Float32, // 32-bit float, full scale ±1
};

constexpr int BytesPerSample(SpeakerFormat format) {
    return format == SpeakerFormat::Int16 ? 2 : 4;
}

// Limits every sample to −1 … 1 in place; a sample that is not a number becomes silence. Returns
// how many samples it changed. Never raises a floating-point flag, so it may run between a
// computation and the check of its flags.
long long ClipForSpeaker(std::span<double> samples);

// Writes `samples` to `out` (samples.size() × BytesPerSample bytes, native byte order) in the
// format, limited to ±1 on the way.
void ConvertForSpeaker(std::span<const double> samples, SpeakerFormat format, std::byte *out);

} // namespace kaldorium
