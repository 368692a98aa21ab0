#pragma once

#include "core/tools/AnalogueCircuits.h"

#include <string>
#include <string_view>

// What the sampling lab is set to: the "analogue" signal, the anti-alias filter in front of the
// sampler, the sampler and quantiser, and the reconstruction behind them.
namespace kaldorium {

enum class SamplingWaveform {
    Sine,
    Square,
    Triangle,
    Sawtooth,
    TwoTone, // the sum of two sines of half the amplitude each
    Sweep,   // a linear sweep from 0 Hz up to the signal frequency, repeated every sweepTime
};

enum class AntiAliasKind {
    None,
    InvertingLowPass,    // the calculator's multiple-feedback low pass with its components
    NonInvertingLowPass, // the calculator's Sallen-Key low pass with its components
    Ideal,               // passes everything below fs/2 unchanged and nothing from fs/2 up
};

enum class ReconstructionKind { ZeroOrderHold, Linear, Sinc };

// Bits of the quantiser that mean no quantisation at all ("Exact").
inline constexpr int ExactBits = 0;
inline constexpr int MinBits = 1;
inline constexpr int MaxBits = 24;

// The components the calculator starts from here: Butterworth low passes (ζ = 0.707, A0 = 1) at
// 3 kHz, in front of the default 8 kHz sampler.
InvertingLowPass DefaultInvertingLowPass();
NonInvertingLowPass DefaultNonInvertingLowPass();

struct SamplingSettings {
    SamplingWaveform waveform = SamplingWaveform::Sine;
    double signalFrequency = 1000.0; // Hz; the top of the sweep waveform
    double secondFrequency = 1500.0; // Hz, the two-tone sum's second tone
    double sweepTime = 1.0;          // s, the length of one pass of the sweep waveform
    double amplitude = 1.0;          // peak; the quantiser's full scale is ±1
    double sampleRate = 8000.0;      // fs, Hz
    int bits = 16;                   // MinBits … MaxBits, or ExactBits
    AntiAliasKind antiAlias = AntiAliasKind::None;
    InvertingLowPass invertingLowPass = DefaultInvertingLowPass();
    NonInvertingLowPass nonInvertingLowPass = DefaultNonInvertingLowPass();
    ReconstructionKind reconstruction = ReconstructionKind::ZeroOrderHold;
};

// The first value the lab cannot work with, as the text a window shows ("The sample rate must be
// above 0 Hz"), or an empty text when every value is usable.
std::string SamplingSettingsError(const SamplingSettings &settings);

// The Bits field: "Exact" (any case, blanks around it ignored) or a whole number, held to
// MinBits … MaxBits. Throws ConversionError ("'<text>' is not a valid integer value") otherwise.
int ParseBits(std::string_view text);
// "Exact" or the number.
std::string BitsText(int bits);
// The stepper: one bit up or down; above MaxBits comes Exact, below Exact MaxBits; MinBits is the
// floor.
int StepBits(int bits, bool up);

} // namespace kaldorium
