#pragma once

#include "core/signal/PanelSettings.h"

#include <string>

namespace kaldorium {

// The settings of the input signal chain: oscillator, modulation, noise and rectification (the
// conditioning) and the data-file waveform. Read afresh at every sample, so an edit made during a
// run acts at the next sample.
struct InputSignalSettings : ConditioningSettings {
    double frequency = 2000.0;        // f, Hz
    double amplitude = 1.0;           // A
    double dcOffset = 0.0;            // added to every sample
    double dutyCycle = 50.0;          // percent, square wave only
    int samplesPerCycle = 20;         // N
    int savedSamplesPerCycle = 0;     // N kept while modulation or the data file override it
    double samplingPeriod = 0.000025; // Ts, s; kept equal to 1/(f·N)
    int modulationFactor = 100;       // percent

    int waveform = 0; // WaveformType

    bool modulate = false;
    bool amModulate = true;    // AM_Modulate checked; otherwise FM_Modulate
    bool fileData = false;     // the FileData waveform button is checked
    std::string inputFileName; // text of InputFileName

    // Set by the model when it changed N, Ts or the duty cycle itself (the data-file waveform
    // loading a file); the window then shows the new values and clears the flag.
    bool fieldsChanged = false;
};

} // namespace kaldorium
