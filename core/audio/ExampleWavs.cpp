#include "core/audio/ExampleWavs.h"

#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/Filterclass.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace kaldorium {

namespace {

// One frame: the value of each channel at sample n.
using Frame = std::function<void(long n, double t, double *values)>;

bool Write(const std::string &folder, const ExampleWav &e, const Frame &frame) {
    WaveFile w;
    w.SetPcmFormat(e.sampleRate, e.channels, e.bitsPerSample);
    if (!w.CreateForWriting(folder + "/" + e.name)) {
        return false;
    }
    const long frames = std::lround(e.seconds * e.sampleRate);
    double values[2] = {};
    bool ok = true;
    for (long n = 0; n < frames && ok; ++n) {
        const double t = static_cast<double>(n) / e.sampleRate;
        // Short fades at both ends, so playback starts and stops without a click.
        const double fade = std::min({1.0, t / 0.02, (e.seconds - t) / 0.02});
        frame(n, t, values);
        for (int c = 0; c < e.channels; ++c) {
            ok = ok && w.WriteValue(values[c] * fade);
        }
    }
    return w.CloseFile() && ok;
}

// A voice-like sound: a pulse train at a gliding pitch through three formant resonators whose
// frequencies move from vowel to vowel, in syllables of rising and falling loudness.
class SpeechLike {
public:
    explicit SpeechLike(double rate) : ts(1.0 / rate) {}

    double Next(double t) {
        // Vowels "a", "i", "u", "e", "o": formants F1, F2, F3 in Hz.
        static const double formants[5][3] = {{730, 1090, 2440},
                                              {270, 2290, 3010},
                                              {300, 870, 2240},
                                              {530, 1840, 2480},
                                              {570, 840, 2410}};
        const double syllable = 0.3; // s
        const int index = static_cast<int>(t / syllable) % 5;
        const double within = std::fmod(t, syllable) / syllable;
        const double pitch =
            120.0 + 25.0 * std::sin(2 * std::numbers::pi * 0.7 * t) - 20.0 * within;
        phase += pitch * ts;
        double pulse = 0.0;
        if (phase >= 1.0) {
            phase -= 1.0;
            pulse = 1.0;
        }
        const double loudness = std::sin(std::numbers::pi * within);
        double y = 0.0;
        const double gains[3] = {1.0, 0.6, 0.3};
        for (int k = 0; k < 3; ++k) {
            y += gains[k] * resonators[k].Process(formants[index][k], 8.0, 1.0, ts, pulse);
        }
        return 6.0 * loudness * y;
    }

private:
    double ts;
    double phase = 0.0;
    Filter resonators[3] = {Filter(fkBandPass), Filter(fkBandPass), Filter(fkBandPass)};
};

} // namespace

const std::vector<ExampleWav> &ExampleWavs() {
    static const std::vector<ExampleWav> examples = {
        {"Tone440-16bit-mono.wav", 22050, 1, 16, 3.0},
        {"Chord-16bit-stereo.wav", 44100, 2, 16, 3.0},
        {"Sweep-8bit-mono.wav", 11025, 1, 8, 4.0},
        {"NoisyTone-8bit-stereo.wav", 8000, 2, 8, 3.0},
        {"SpeechLike-16bit-mono.wav", 16000, 1, 16, 3.0}};
    return examples;
}

bool WriteExampleWavs(const std::string &folder) {
    const auto &e = ExampleWavs();
    bool ok = true;
    ok = Write(folder, e[0],
               [](long, double t, double *v) {
                   v[0] = 0.7 * std::sin(2 * std::numbers::pi * 440.0 * t);
               }) &&
         ok;
    // A and E (a fifth) on the left, A and C sharp (a major third) on the right.
    ok = Write(folder, e[1],
               [](long, double t, double *v) {
                   v[0] = 0.4 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                          0.3 * std::sin(2 * std::numbers::pi * 660.0 * t);
                   v[1] = 0.4 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                          0.3 * std::sin(2 * std::numbers::pi * 554.37 * t);
               }) &&
         ok;
    // Exponential sweep from 100 Hz to 4 kHz: phase = 2π·f1·T/ln(f2/f1)·(e^(t·ln(f2/f1)/T) − 1).
    ok = Write(folder, e[2],
               [T = e[2].seconds](long, double t, double *v) {
                   const double k = std::log(4000.0 / 100.0) / T;
                   v[0] =
                       0.7 * std::sin(2 * std::numbers::pi * 100.0 / k * (std::exp(k * t) - 1.0));
               }) &&
         ok;
    NoiseGenerator noise;
    ok = Write(folder, e[3],
               [&noise](long, double t, double *v) {
                   const double tone = 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * t);
                   v[0] = tone + 0.4 * (noise.Next() / 32767.0 - 0.5);
                   v[1] = tone + 0.4 * (noise.Next() / 32767.0 - 0.5);
               }) &&
         ok;
    SpeechLike voice(e[4].sampleRate);
    ok = Write(folder, e[4], [&voice](long, double t, double *v) { v[0] = voice.Next(t); }) && ok;
    return ok;
}

} // namespace kaldorium
