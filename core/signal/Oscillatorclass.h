#pragma once

#include "core/common/Random.h"
#include "core/signal/InputSignalSettings.h"

#include <array>
#include <string>

namespace kaldorium {

// The waveform codes of the oscillator; any other code plays a sine.
enum class WaveformType : int {
    Sine = 0,
    Square = 2,
    Triangle = 3,
    Sawtooth = 4,
    FaultyTriangle = 5,
    FaultySawtooth = 6,
    FileData = 7,
};

// One periodic test signal, one sample per call. A change of the parameters handed to NextSample
// restarts the waveform at phase 0 (see NextSample); the data-file waveform plays its loaded
// samples as one period and never restarts.
class Oscillator {
public:
    static constexpr int MaxSamples = 1024;

    // Configured with A = 1, f = 1, N = 1, DC offset 0 and duty cycle 50.
    explicit Oscillator(WaveformType waveform);

    // Restarts at phase 0 with the given amplitude, frequency (Hz), samples per cycle, DC offset
    // and duty cycle (percent); drops the loaded samples' count but not the samples.
    void Reconfigure(double amplitude, double frequency, int samplesPerCycle, double dcOffset,
                     double dutyCycle);

    // The next sample, DC offset included. Reconfigures first when f or N differ from the stored
    // ones, when A differs for the sine, or when the duty cycle differs for the square wave.
    double NextSample(double amplitude, double frequency, int samplesPerCycle, double dcOffset,
                      double dutyCycle = 50.0);

    // Loads the samples of an input data file (data-file waveform only; other waveforms return 0
    // and keep their count). Returns the number loaded, 0 for a missing or unreadable file. The
    // read index is kept.
    int LoadDataFile(const std::string &fileName);

    WaveformType Waveform() const { return waveform; }
    int SampleCount() const { return sampleCount; }
    int ReadIndex() const { return readIndex; }

private:
    // One step of each waveform before the DC offset, advancing its phase or history.
    double SquareStep(double period);
    double TriangleStep(double period);
    double SawtoothStep(double period);
    double FaultyTriangleStep(double period);
    double FaultySawtoothStep(double period);
    double FileStep();
    double SineStep();

    WaveformType waveform;
    double frequency = 1.0;
    double amplitude = 1.0;
    int samplesPerCycle = 1;
    double dcOffset = 0.0;
    double dutyCycle = 50.0;
    double omega = 0.0;          // 2π·f, rad/s
    double samplingPeriod = 1.0; // Ts = (1/f)/N, s
    double phaseTime = 0.0;      // t, time since the start of the current period, s
    // Sine resonator: the last two outputs, the start impulse and the constants of ω·Ts.
    double y1 = 0.0;
    double y2 = 0.0;
    double kick = 1.0;
    double twoCosOmegaTs = 0.0;
    double sinOmegaTs = 0.0;
    std::array<double, MaxSamples> samples{};
    int sampleCount = 0;
    int readIndex = 0;
};

// The workbench's input signal: the selected waveform, then amplitude or frequency modulation onto
// a 700 kHz carrier, added noise and rectification, as the settings say at each sample.
class InputSignalSource {
public:
    explicit InputSignalSource(NoiseGenerator &noise);

    // The next input sample x. The synthetic waveforms run with samplesPerCycleToUse samples per
    // cycle (the setting N in runs, the block length in spectra); the data-file waveform loads the
    // file named in the settings when that name changes (the first sample of each source included),
    // sets N from the count loaded, runs the samples-per-cycle validation and sets fieldsChanged.
    double NextSample(InputSignalSettings &settings, int samplesPerCycleToUse);

    const std::string &LastLoadedName() const { return lastLoadedName; }

private:
    double BaseSample(InputSignalSettings &settings, int samplesPerCycleToUse);
    double FrequencyModulated(double x, double amplitude);

    NoiseGenerator &noise;
    Oscillator sine{WaveformType::Sine};
    Oscillator square{WaveformType::Square};
    Oscillator triangle{WaveformType::Triangle};
    Oscillator sawtooth{WaveformType::Sawtooth};
    Oscillator faultyTriangle{WaveformType::FaultyTriangle};
    Oscillator faultySawtooth{WaveformType::FaultySawtooth};
    Oscillator fileData{WaveformType::FileData};
    Oscillator carrier{WaveformType::Sine};
    std::string lastLoadedName = "--";
};

} // namespace kaldorium
