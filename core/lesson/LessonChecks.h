#pragma once

#include "core/lesson/Lesson.h"
#include "core/tools/FilterNetwork.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kaldorium {

// The workbench's current filter as the checks see it: the kind its radio buttons select, its
// parameters, the designer's set and the network, exactly what a run would filter with.
struct LessonFilter {
    FilterKind kind = fkBandPass;
    double filterFrequency = 2000.0;     // fc, Hz
    double qFactor = 10.0;               // Q
    double amplification = 2.0;          // A0
    double samplingPeriod = 0.000025;    // Ts, s
    double oscillatorFrequency = 2000.0; // f, Hz: the differentiator and integrator scale by 2π·f
    LessonCoefficients designed;         // the designed filter (kind 9)
    FilterNetwork network;               // the network (kind 19), its stages applied
};

// The start-up filter of the workbench: a band pass at 2000 Hz, Q 10, A0 2, with the designer's
// start-up set and a network that passes its input.
LessonFilter DefaultLessonFilter();

struct LessonFilterRead {
    bool ok = false;
    LessonFilter filter;
    std::string error; // names the control whose value is refused
};

// The filter that the lesson's settings give the workbench, through the field rules a typed
// value goes through: f, fc, Q and A0 above 0 (fc cut to half the sampling rate), N and Ts by the
// samples-per-cycle rule, one filter radio button at most, the network's stage texts. Controls
// the lesson does not set keep the workbench's start-up values. Never throws.
LessonFilterRead ReadLessonFilter(const Lesson &settings);

// What the checks measure on a filter, from its transfer function: the peak of the gain up to
// half the sampling rate, the half power frequencies on either side of it, and the poles.
struct FilterProperties {
    bool ok = false;
    std::string error; // why the filter has no response (b0 = 0, a fault in the computation)
    FilterKind kind = fkBandPass;
    double peakGainDb = 0.0;
    double peakFrequency = 0.0;         // Hz
    std::optional<double> lowHalfPower; // Hz, the crossing nearest below the peak
    std::optional<double> highHalfPower;
    bool stable = false;
};
FilterProperties MeasureFilter(const LessonFilter &filter);

// The outcome of one check, as the pane and the grader print it.
struct CheckResult {
    enum class Status { Passed, Failed, NotChecked };
    std::string name;
    Status status = Status::Failed;
    std::string measured; // "6.0206 dB", "stable", "none"
    std::string expected; // "6.02 ± 0.5 dB", "between 0.69 and 0.72"
};

// The number a control shows, by objectName; none when there is no such control or value.
using ControlNumber = std::function<std::optional<double>(const std::string &control)>;
// A control check whose control holds no number fails, or, with `missingIsNotChecked`, is not
// checked (the grader: a hand-in that does not hold that read-out).
CheckResult EvaluateCheck(const LessonCheck &check, const FilterProperties &filter,
                          const ControlNumber &controlNumber, bool missingIsNotChecked = false);

// The control numbers of a lesson's settings: a name with a window before a dot
// ("TWAVMainForm.sfFrequency") reads that window; a plain name reads the main window's control,
// or else the first other window that has it. A text that is not a number gives none.
ControlNumber LessonControlNumbers(const Lesson &settings);

} // namespace kaldorium
