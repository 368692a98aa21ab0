#pragma once

#include "core/signal/InputSignalSettings.h"

#include <string>

namespace kaldorium {

enum class TransformKind { DFT, FFT };

// The workbench's parameters: the input signal chain's, the filter's and the display's, and the
// selections. Runs read them afresh at every sample, so an edit made during a run acts at the next
// sample.
struct WorkbenchSettings : InputSignalSettings, FilterSettings, TraceSettings {
    // Selections
    std::string waveformName = "Sine Wave";
    std::string filterName = "Band Pass";
    TransformKind transformKind = TransformKind::DFT;
};

} // namespace kaldorium
