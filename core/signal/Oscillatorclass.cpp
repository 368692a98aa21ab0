#include "core/signal/Oscillatorclass.h"

#include "core/common/NumberText.h"
#include "core/signal/DataFileValues.h"
#include "core/signal/SamplingRules.h"

#include <cmath>
#include <numbers>

namespace kaldorium {

namespace {

constexpr double CarrierFrequency = 700000.0; // Hz
constexpr int AmCarrierSamples = 20;          // per carrier cycle
// Under frequency modulation a carrier cycle of fi Hz spans trunc(16 MHz / fi) samples, and
// x = ±A swings fi by ±100 kHz.
constexpr double FmSampleRate = 16000000.0;
constexpr double FmSwing = 200000.0;
// Below this carrier frequency the carrier's N would not fit an int.
constexpr double LowestFmCarrier = FmSampleRate / 2.0e9;

bool PlaysSine(WaveformType waveform) {
    switch (waveform) {
    case WaveformType::Square:
    case WaveformType::Triangle:
    case WaveformType::Sawtooth:
    case WaveformType::FaultyTriangle:
    case WaveformType::FaultySawtooth:
    case WaveformType::FileData:
        return false;
    case WaveformType::Sine:
        break;
    }
    return true;
}

} // namespace

Oscillator::Oscillator(WaveformType type) : waveform(type) {
    Reconfigure(1.0, 1.0, 1, 0.0, 50.0);
}

void Oscillator::Reconfigure(double newAmplitude, double newFrequency, int newSamplesPerCycle,
                             double newDcOffset, double newDutyCycle) {
    sampleCount = 0;
    readIndex = 0;
    y1 = 0.0;
    y2 = 0.0;
    kick = 1.0;
    phaseTime = 0.0;
    frequency = newFrequency;
    amplitude = newAmplitude;
    samplesPerCycle = newSamplesPerCycle;
    dcOffset = newDcOffset;
    dutyCycle = newDutyCycle;
    omega = 2 * std::numbers::pi * frequency;
    samplingPeriod = (1.0 / frequency) / samplesPerCycle;
    twoCosOmegaTs = 2.0 * std::cos(omega * samplingPeriod);
    sinOmegaTs = std::sin(omega * samplingPeriod);
}

double Oscillator::NextSample(double newAmplitude, double newFrequency, int newSamplesPerCycle,
                              double newDcOffset, double newDutyCycle) {
    // The amplitude enters the sine only through the start impulse, so a new A restarts it.
    const bool restart = newFrequency != frequency || newSamplesPerCycle != samplesPerCycle ||
                         (newAmplitude != amplitude && PlaysSine(waveform)) ||
                         (newDutyCycle != dutyCycle && waveform == WaveformType::Square);
    if (restart && waveform != WaveformType::FileData) {
        Reconfigure(newAmplitude, newFrequency, newSamplesPerCycle, dcOffset, newDutyCycle);
    }
    amplitude = newAmplitude;
    dcOffset = newDcOffset;

    const double period = 1.0 / frequency;
    double v = 0.0;
    switch (waveform) {
    case WaveformType::Square:
        v = SquareStep(period);
        break;
    case WaveformType::Triangle:
        v = TriangleStep(period);
        break;
    case WaveformType::Sawtooth:
        v = SawtoothStep(period);
        break;
    case WaveformType::FaultyTriangle:
        v = FaultyTriangleStep(period);
        break;
    case WaveformType::FaultySawtooth:
        v = FaultySawtoothStep(period);
        break;
    case WaveformType::FileData:
        v = FileStep();
        break;
    case WaveformType::Sine:
    default:
        v = SineStep();
        break;
    }
    return v + dcOffset;
}

inline double Oscillator::SquareStep(double period) {
    const double high = period * dutyCycle * 0.01;
    if (phaseTime > period) {
        phaseTime = 0.0;
    }
    const double v = phaseTime >= high ? -1.0 : 1.0;
    phaseTime += samplingPeriod;
    return amplitude * v;
}

inline double Oscillator::TriangleStep(double period) {
    // 1 − 2t/h down to −1 at h = P/2, then 2t/h − 3 back up to +1.
    const double h = 0.5 / frequency;
    const double v = (phaseTime >= 0.0 && phaseTime <= h) ? 1.0 - 2.0 * phaseTime / h
                                                          : 2.0 * phaseTime / h - 3.0;
    phaseTime += samplingPeriod;
    if (phaseTime > period) {
        phaseTime = 0.0;
    }
    return amplitude * v;
}

inline double Oscillator::SawtoothStep(double period) {
    // 2t/P − 1
    const double v = 2.0 * phaseTime / period - 1.0;
    phaseTime += samplingPeriod;
    if (phaseTime > period) {
        phaseTime = 0.0;
    }
    return amplitude * v;
}

inline double Oscillator::FaultyTriangleStep(double period) {
    // t/q up to +1 at q = P/4, 2 − t/q down to −1 at 3q, t/q − 4 up to 0; the wrap restarts at
    // Ts, not at 0.
    const double q = 0.25 / frequency;
    if (phaseTime > period) {
        phaseTime = samplingPeriod;
    }
    double v = 0.0;
    if (phaseTime >= 0.0 && phaseTime <= q) {
        v = phaseTime / q;
    } else if (phaseTime > q && phaseTime <= 3.0 * q) {
        v = 2.0 - phaseTime / q;
    } else {
        v = phaseTime / q - 4.0;
    }
    phaseTime += samplingPeriod;
    return amplitude * v;
}

inline double Oscillator::FaultySawtoothStep(double period) {
    // t/h up to +1 at h = P/2, then t/h − 2 from −1 up to 0; the wrap restarts at Ts.
    const double h = 0.5 / frequency;
    if (phaseTime > period) {
        phaseTime = samplingPeriod;
    }
    const double v = (phaseTime >= 0.0 && phaseTime <= h) ? phaseTime / h : phaseTime / h - 2.0;
    phaseTime += samplingPeriod;
    return amplitude * v;
}

inline double Oscillator::FileStep() {
    // The count may have shrunk under the index (a reload), or be 0: start over rather than play
    // past the loaded samples.
    if (readIndex >= sampleCount) {
        readIndex = 0;
    }
    const double v = samples[static_cast<std::size_t>(readIndex)];
    ++readIndex;
    if (readIndex >= sampleCount) {
        readIndex = 0;
    }
    return v;
}

inline double Oscillator::SineStep() {
    // v = 2·cos(ω·Ts)·y1 − y2 + A·sin(ω·Ts)·kick, giving A·sin(ω·Ts), A·sin(2ω·Ts), …
    const double v = twoCosOmegaTs * y1 - y2 + amplitude * sinOmegaTs * kick;
    y2 = y1;
    y1 = v;
    kick = 0.0;
    return v;
}

int Oscillator::LoadDataFile(const std::string &fileName) {
    samples.fill(0.0);
    if (waveform != WaveformType::FileData) {
        return 0;
    }
    sampleCount = ReadDataFileValues(fileName, samples.data(), MaxSamples);
    return sampleCount;
}

InputSignalSource::InputSignalSource(NoiseGenerator &generator) : noise(generator) {}

double InputSignalSource::NextSample(InputSignalSettings &settings, int samplesPerCycleToUse) {
    const double a = settings.amplitude;
    double x = BaseSample(settings, samplesPerCycleToUse);

    if (settings.modulate) {
        if (settings.amModulate) {
            // x = (m·x/100 + A) · carrier
            x = (settings.modulationFactor * x * 0.01 + a) *
                carrier.NextSample(1.0, CarrierFrequency, AmCarrierSamples, 0.0, 50.0);
        } else {
            x = FrequencyModulated(x, a);
        }
    }

    return ConditionSample(x, settings, noise);
}

double InputSignalSource::BaseSample(InputSignalSettings &settings, int samplesPerCycleToUse) {
    const double a = settings.amplitude;
    const double f = settings.frequency;
    const double dc = settings.dcOffset;
    const int ns = samplesPerCycleToUse;
    switch (static_cast<WaveformType>(settings.waveform)) {
    case WaveformType::Square:
        return square.NextSample(a, f, ns, dc, settings.dutyCycle);
    case WaveformType::Triangle:
        return triangle.NextSample(a, f, ns, dc, 50.0);
    case WaveformType::Sawtooth:
        return sawtooth.NextSample(a, f, ns, dc, 50.0);
    case WaveformType::FaultyTriangle:
        return faultyTriangle.NextSample(a, f, ns, dc, 50.0);
    case WaveformType::FaultySawtooth:
        return faultySawtooth.NextSample(a, f, ns, dc, 50.0);
    case WaveformType::FileData:
        if (settings.inputFileName != lastLoadedName) {
            lastLoadedName = settings.inputFileName;
            const int count = fileData.LoadDataFile(lastLoadedName);
            // The whole file is one period; without samples the N of the field stays.
            const int n = count != 0 ? count : settings.samplesPerCycle;
            ValidateSamplesPerCycle(settings, FormatGeneral(static_cast<double>(n)));
            settings.fieldsChanged = true;
        }
        // The file's samples are scaled by A after the DC offset is added.
        return fileData.NextSample(a, f, settings.samplesPerCycle, dc, 50.0) * a;
    case WaveformType::Sine:
    default:
        return sine.NextSample(a, f, ns, dc, 50.0);
    }
}

double InputSignalSource::FrequencyModulated(double x, double amplitude) {
    // fi = x·200000·0.5/A + 700000
    const double fi = x * FmSwing * 0.5 / amplitude + CarrierFrequency;
    // No carrier cycle fits above 16 MHz (N = 0), and none can be formed at or near 0 Hz or below:
    // the carrier is silent then.
    if (!std::isgreaterequal(fi, LowestFmCarrier)) {
        return 0.0;
    }
    const int n = static_cast<int>(FmSampleRate / fi);
    if (n == 0) {
        return 0.0;
    }
    return carrier.NextSample(1.0, fi, n, 0.0, 50.0);
}

} // namespace kaldorium
