#pragma once

#include <iosfwd>
#include <string>

// The reader of input data files, used by the data-file waveform.
namespace kaldorium {

// An input data file gives at most this many values; the rest of the file is ignored.
constexpr int MaxDataFileValues = 1024;

// Reads the numbers of an input data file into out[0], out[1], … and returns how many were read.
// Every decimal number (optional sign, digits with an optional ".", optional exponent) is a value;
// several numbers on one line are taken one after another; where no number can be read, the rest
// of the line is dropped, so header and separator lines are skipped. Reading stops at the end of
// the input or after min(maxCount, MaxDataFileValues) values. A number too large for a double is
// no number. An empty name or a file that cannot be opened or read gives 0.
int ReadDataFileValues(const std::string &path, double *out, int maxCount);
int ReadDataFileValues(std::istream &in, double *out, int maxCount);

} // namespace kaldorium
