#pragma once

#include <string>

// "Save WAV…" of the sampling lab: the quantised samples as a 16-bit mono WAVE file; and the
// lab's sound, reconstructed at a sound device's rate, as a file the player plays.
namespace kaldorium {

class SamplingSignal;
struct SamplingSettings;

// Writes the quantised samples from t = 0 for `seconds` at the sample rate rounded to whole
// hertz, each rounded to the nearest 16-bit value of x·32767. False, with the reason in `error`,
// when the rate rounds outside 1 … 2147483647 Hz, when the samples would not fit into a WAVE file
// or when the file cannot be written.
bool WriteSampledWav(const std::string &path, const SamplingSignal &signal, double seconds,
                     std::string &error);

// What "Play" and a sweep with Listen hand to the sound player: the samples of the settings as
// the reconstruction makes them, at `outputRate` frames per second, for `seconds` (with `sweep`,
// the signal frequency running from 0 to 2·fs over them), as a 16-bit mono WAVE file; values
// beyond ±1 are clipped. False, with the reason in `error`, where PlaybackError objects, for a
// length outside 0 … SamplingSweep::MaxSeconds or when the file cannot be written. Throws
// FloatingPointError when a sample faults.
bool WriteReconstructedWav(const std::string &path, const SamplingSettings &settings,
                           double seconds, double outputRate, bool sweep, std::string &error);

} // namespace kaldorium
