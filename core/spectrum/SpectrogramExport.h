#pragma once

#include <string>

namespace kaldorium {

class Spectrogram;

// Writes the levels of a computed spectrogram as comma-separated text, lines ending in CR LF:
// a heading "Time (s) \ Frequency (Hz)" followed by the middle frequency of every row from the
// lowest up, then one line per column from the left: the time of the column's middle and its
// levels in dB (two decimals) in the same order. A cell without power reads -300. False when the
// file cannot be written completely.
bool WriteSpectrogramCsv(const std::string &path, const Spectrogram &spectrogram);

} // namespace kaldorium
