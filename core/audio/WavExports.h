#pragma once

#include "core/spectrum/SpectrumAnalysis.h"

#include <string>

// The plain exports of WAVE files and their spectra: the spectrum text file (".DFT"), the raw
// samples as text and a clean copy of a WAVE file. Text lines end with CR LF.
namespace kaldorium {

class WaveFile;

enum class ExportResult {
    Done,
    // The progress callback asked to stop; the output is incomplete.
    Stopped,
    // The output file could not be created; nothing was written.
    CannotCreate,
    // Writing the output failed (a full disk); the output is incomplete.
    WriteFailed,
    // The input holds fewer samples than its header says, or they cannot be converted.
    ReadFailed,
};

// The text a window shows for a failed export ("" for Done and Stopped).
std::string ExportFailureText(ExportResult result, const std::string &outputPath,
                              const std::string &inputPath);

// The file-name part of `inputPath` up to its first ".", followed by ".DFT".
std::string SuggestedSpectrumFileName(const std::string &inputPath);

// Writes the spectrum file of an analysis: nine header lines, then one line per bin 0 … N/2−1 with
// its frequency and its averaged magnitude. An analysis without blocks (N = 0) writes the header
// only. `inputFile` names the analysed file, `windowName` its weighting window.
ExportResult WriteSpectrumFile(const std::string &path, const SpectrumAnalysis &analysis,
                               const std::string &inputFile, const std::string &windowName);

// Writes the sample frames of `input` (open for reading at its first sample) as text: a six-line
// header, then per frame the time in ms and every channel's sample, each followed by a tab.
// `inputFile` is the name the header gives. The progress callback runs every
// RawSamplesFramesPerBlock frames.
inline constexpr long long RawSamplesFramesPerBlock = 4096;
ExportResult WriteRawSamples(WaveFile &input, const std::string &inputFile, const std::string &path,
                             const Progress &progress = {});

// Writes a copy of `input` (open for reading) to `path`: a 44-byte header of the input's format,
// then all of its sample bytes. The input stays open.
ExportResult CopyWaveFile(WaveFile &input, const std::string &path);

} // namespace kaldorium
