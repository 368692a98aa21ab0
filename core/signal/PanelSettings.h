#pragma once

#include "core/common/Random.h"

#include <cmath>

namespace kaldorium {

// The settings that the workbench and the WAV workbench share, one struct for each of their
// shared panels; each window's settings are composed of them (and keep their own defaults).

// The conditioning of an input sample before it reaches the filter: proportional noise, then
// rectification.
struct ConditioningSettings {
    double snRatio = 100.0; // S/N of the added noise
    bool addNoise = false;
    bool normalNoise = true; // NormalNoise checked; otherwise GaussianNoise
    bool rectify = false;
    bool halfRectify = true; // HalfRectify checked; otherwise FullRectify
};

// The selected filter and its parameters.
struct FilterSettings {
    int filterKind = 0;              // FilterKind
    double filterFrequency = 2000.0; // fc, Hz
    double qFactor = 10.0;
    double amplification = 2.0;
};

// The display's time scale and its two traces.
struct TraceSettings {
    double timeScale = 5.0;    // ms across the display
    double signal1Scale = 5.0; // black (input) trace: signal units for half the display height
    double signal2Scale = 5.0; // red (output) trace
    double signal1Shift = 0.0;
    double signal2Shift = 0.0;
    bool coupleScales = true;
};

// Noise of amplitude b = x/(S/N), uniform (the generator's 15 bits centred) or Gaussian, then half
// or full rectification. Both signal chains condition every sample here.
inline double ConditionSample(double x, const ConditioningSettings &s, NoiseGenerator &noise) {
    if (s.addNoise) {
        // The noise is proportional to the instantaneous sample.
        const double b = x / s.snRatio;
        if (s.normalNoise) {
            x = x + (noise.Next() / 32767.0 - 0.5) * b;
        } else {
            x = x + noise.NextGaussian() * b;
        }
    }
    if (s.rectify) {
        if (s.halfRectify) {
            if (!std::isgreaterequal(x, 0.0)) {
                x = 0.0;
            }
        } else {
            x = std::fabs(x);
        }
    }
    return x;
}

} // namespace kaldorium
