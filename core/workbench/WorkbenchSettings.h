#pragma once

#include <string>

namespace kaldorium {

enum class TransformKind { DFT, FFT };

// The workbench's parameters. Runs read them afresh at every sample, so an edit made during a run
// acts at the next sample.
struct WorkbenchSettings {
    // Oscillator
    double frequency = 2000.0;        // f, Hz
    double amplitude = 1.0;           // A
    double dcOffset = 0.0;            // added to every sample
    double dutyCycle = 50.0;          // percent, square wave only
    int samplesPerCycle = 20;         // N
    int savedSamplesPerCycle = 0;     // N kept while modulation or the data file override it
    double samplingPeriod = 0.000025; // Ts, s; kept equal to 1/(f·N)
    int modulationFactor = 100;       // percent
    double snRatio = 100.0;           // S/N of the added noise

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
    int waveform = 0; // WaveformType
    std::string waveformName = "Sine Wave";
    int filterKind = 0; // FilterKind
    std::string filterName = "Band Pass";
    TransformKind transformKind = TransformKind::DFT;

    bool modulate = false;
    bool amModulate = true; // AM_Modulate checked; otherwise FM_Modulate
    bool addNoise = false;
    bool normalNoise = true; // NormalNoise checked; otherwise GaussianNoise
    bool rectify = false;
    bool halfRectify = true;   // HalfRectify checked; otherwise FullRectify
    bool fileData = false;     // the FileData waveform button is checked
    std::string inputFileName; // text of InputFileName

    // Set by the model when it changed N, Ts or the duty cycle itself (the data-file waveform
    // loading a file); the window then shows the new values and clears the flag.
    bool fieldsChanged = false;
};

} // namespace kaldorium
