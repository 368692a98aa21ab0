#pragma once

#include "signal/InputSignalSettings.h"

#include <string>

namespace kaldorium {

enum class TransformKind { DFT, FFT };

// The workbench's parameters: the input signal chain's, and the filter, display and selection
// settings. Runs read them afresh at every sample, so an edit made during a run acts at the next
// sample.
struct WorkbenchSettings : InputSignalSettings {
    // Filter
    double filterFrequency = 2000.0; // fc, Hz
    double qFactor = 10.0;
    double amplification = 2.0;

    // Display
    double timeScale = 5.0;    // ms across the display
    double signal1Scale = 5.0; // black (input) trace: signal units for half the display height
    double signal2Scale = 5.0; // red (output) trace
    double signal1Shift = 0.0;
    double signal2Shift = 0.0;
    bool coupleScales = true;

    // Selections
    std::string waveformName = "Sine Wave";
    int filterKind = 0; // FilterKind
    std::string filterName = "Band Pass";
    TransformKind transformKind = TransformKind::DFT;
};

} // namespace kaldorium
