#pragma once

#include "core/audio/WaveFile.h"
#include "core/common/Progress.h"
#include "core/signal/Filterclass.h"
#include "core/signal/PanelSettings.h"
#include "core/spectrum/Transforms.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace kaldorium {

class FilterNetwork;
class NoiseGenerator;

// The file-to-file effects of the WAV workbench. Each turns an input WAVE file into an output in
// the input's format; every output channel carries the result computed from channel 1.
enum class WavEffectKind {
    SpeedUp,          // the same data, sample and byte rates multiplied by the speed factor
    SlowDown,         // … divided by it
    ModifyFile,       // the selected filter over every sample
    FFTFiltering,     // ideal filtering of each block in the frequency domain
    FrequencyShifter, // each block's spectrum moved by `shift` bins, dropping what leaves the band
    FrequencyRotater, // … wrapping what leaves the band back in at the other end
    Robot,            // a comb of bins cleared in each block
    Retard,           // sample-and-hold: every k-th sample repeated k times
};

// What the effects read from the workbench when a button is pressed.
struct WavEffectSettings : ConditioningSettings {
    FilterKind filterKind = fkBandPass; // 0 … 7 or 19
    double fo = 1000.0;                 // Hz
    double q = 1.0;
    double amplification = 1.0; // A
    double ts = 0.5;            // s
    double speedFactor = 2.0;
    WindowKind window = WindowKind::NoWindow;
    // Bins of the shift and the rotation (cut to ±(N/2 − 1) by the check), the step of the
    // robot's comb, and k of Retard.
    int shift = 4;
    // Bins cleared at every tooth of the robot's comb.
    int shift2 = 3;
};

// The workbench's sample blocks A and B: the block effects work in them in place, so nothing is
// allocated per block.
struct EffectBlocks {
    std::array<ComplexSample, kMaxTransformLength> A{};
    std::array<ComplexSample, kMaxTransformLength> B{};
};

enum class WavEffectStatus {
    Done,
    Stopped, // the progress callback asked to stop; the output holds what was written
    Refused, // a parameter was refused before any file was created
    Failed,  // a file could not be opened, read or written; both files were closed
};

struct WavEffectResult {
    WavEffectStatus status = WavEffectStatus::Done;
    // Refused: the reason. Failed: the text of the WaveFile that failed.
    std::string message;
};

// Runs the effects with the program's filter network and noise generator over the workbench's
// sample blocks.
class WavEffects {
public:
    WavEffects(FilterNetwork &network, NoiseGenerator &noise, EffectBlocks &blocks);

    // Opens the input, checks the settings (cutting the shift as Check does), creates the output
    // in the input's format, runs the effect and closes both files. A value that is not finite
    // closes both files and throws FloatingPointError.
    WavEffectResult Run(WavEffectKind kind, const std::string &inputPath,
                        const std::string &outputPath, WavEffectSettings &settings,
                        const Progress &progress = {});

    // The reason `settings` are refused for `input`, or nullptr. Cuts a shift beyond the band of
    // the shift and the rotation to ±(N/2 − 1), which is not a refusal.
    static const char *Check(WavEffectKind kind, const WaveFile &input,
                             WavEffectSettings &settings);

    // The effect over an input open for reading and an output created in its format; the files
    // are left open. Throws FloatingPointError at a value that is not finite.
    WavEffectResult Apply(WavEffectKind kind, WaveFile &input, WaveFile &output,
                          const WavEffectSettings &settings, const Progress &progress);

    // S = data bytes / block align (0 for a block align of 0).
    static std::uint32_t SampleCount(const WaveFile &file);
    // N = FFTLength(min(S, fs/100, 1024)): about 10 ms of the file.
    static int BlockLength(const WaveFile &file);

    // The refusals name the box they read, as the workbench labels it: the box beside the
    // "Frequency Shift" button holds the robot's step and the retard's k.
    static constexpr const char *kRobotStepText =
        "Frequency Shift: Robot needs a whole number other than 0";
    static constexpr const char *kRetardFactorText =
        "Frequency Shift: Retard needs a whole number of at least 1";
    static constexpr const char *kRateText =
        "The resulting sample rate must lie between 1 and 4294967295 Hz";

private:
    WavEffectResult ChangeSpeed(WaveFile &input, WaveFile &output,
                                const WavEffectSettings &settings, bool faster,
                                const Progress &progress);
    WavEffectResult FilterFile(WaveFile &input, WaveFile &output, const WavEffectSettings &settings,
                               const Progress &progress);
    // n conditioned samples through the kind's filter (or the network), in place.
    void FilterSamples(FilterKind kind, Filter &filter, const WavEffectSettings &settings,
                       double *samples, int n);
    WavEffectResult BlockEffect(WavEffectKind kind, WaveFile &input, WaveFile &output,
                                const WavEffectSettings &settings, const Progress &progress);
    WavEffectResult SampleAndHold(WaveFile &input, WaveFile &output,
                                  const WavEffectSettings &settings, const Progress &progress);

    // Noise and rectification of the workbench's input.
    // The spectrum of one block, changed in B as `kind` says.
    void ChangeSpectrum(WavEffectKind kind, int N, double fs, const WavEffectSettings &settings);

    FilterNetwork &network;
    NoiseGenerator &noise;
    EffectBlocks &blocks;
};

} // namespace kaldorium
