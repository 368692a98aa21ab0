#pragma once

#include <string>
#include <vector>

namespace kaldorium {

// The example WAVE files of the program's "WAVs" folder, all made here: a tone, a two-tone
// chord, a sweep, a noisy tone and a short speech-like signal, in 8 and 16 bits, mono and stereo.
struct ExampleWav {
    const char *name;
    unsigned sampleRate;
    int channels;
    int bitsPerSample;
    double seconds;
};
const std::vector<ExampleWav> &ExampleWavs();

// Writes every example into `folder` (which must exist); false when one cannot be written.
bool WriteExampleWavs(const std::string &folder);

} // namespace kaldorium
