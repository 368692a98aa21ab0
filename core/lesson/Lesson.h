#pragma once

#include "core/signal/Filterclass.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kaldorium {

// A control's value in a lesson: a field's (or a selection box's) text, or the state of a check
// box or radio button.
using ControlValue = std::variant<std::string, bool>;

// The values of one window's controls, by objectName (sorted, so a file lists them in a stable
// order).
using ControlValues = std::map<std::string, ControlValue>;

// What a check measures.
enum class CheckProperty {
    PeakGain,      // dB
    PeakFrequency, // Hz
    LowHalfPower,  // Hz, the half power frequency below the peak
    HighHalfPower, // Hz, the half power frequency above the peak
    Bandwidth,     // Hz, high − low half power frequency
    Stable,        // every pole inside the unit circle; no value
    Kind,          // the workbench's selected filter, by its caption
    Control,       // the number a named field or read-out holds
};

// The text a lesson file names the property by ("peak gain", "-3 dB low", …); the control check
// has none.
const char *PropertyText(CheckProperty property);
// The property of a text (a "−" minus sign is read as "-"), or none.
std::optional<CheckProperty> PropertyOfText(const std::string &text);
// "dB", "Hz" or "" (no fixed unit).
const char *PropertyUnit(CheckProperty property);

// One named condition of a lesson. A numeric check passes when the measured value lies within
// the tolerance of `value` (absolute, or a percentage of |value|) and between `minimum` and
// `maximum` where those are given.
struct LessonCheck {
    std::string name;
    CheckProperty property = CheckProperty::PeakGain;
    std::string control; // the objectName a control check reads
    std::string unit;    // as the lesson gives it
    std::optional<double> value;
    std::string kindText; // the expected filter, for the filter kind check
    std::optional<double> tolerance;
    bool tolerancePercent = false;
    std::optional<double> minimum;
    std::optional<double> maximum;
};

// The designer's coefficient set a over b, as the lesson stores it.
struct LessonCoefficients {
    std::array<double, 7> a{};
    std::array<double, 7> b{};
};

// An experiment as a teacher prepares it: the settings of every window (the texts and states of
// named controls), instructions in Markdown, the controls locked or hidden for the student and the
// checks of the result.
struct Lesson {
    std::string title;
    std::string instructions;
    // By window class name ("TDSPMainForm", …), then by control objectName.
    std::map<std::string, ControlValues> windows;
    std::optional<LessonCoefficients> coefficients;
    std::vector<std::string> locked;
    std::vector<std::string> hidden;
    std::vector<LessonCheck> checks;

    // The control's value in the window, or none.
    const ControlValue *Find(const std::string &window, const std::string &control) const;
};

// The windows a lesson may set, by class name. A plain control name in a check is looked up in
// this order, so windows join at the end.
inline constexpr std::array<const char *, 10> LessonWindows = {
    "TDSPMainForm",  "TGraphForm",         "TAnalogueFiltersForm", "TDigitalFiltersForm",
    "TFileEditForm", "TFilterNetworkForm", "TWAVMainForm",         "TDFTMainForm",
    "TSamplingForm", "TPoleZeroForm"};
bool IsLessonWindow(const std::string &name);

// A filter of the workbench as a lesson names it: its radio button, the button's caption and the
// filter's name (a filter kind check accepts either text).
struct WorkbenchFilterName {
    FilterKind kind;
    const char *control;
    const char *caption;
    const char *name;
};
inline constexpr std::array<WorkbenchFilterName, 10> WorkbenchFilters = {{
    {fkBandPass, "BandPass", "BandPass 2nd Order", "Band Pass"},
    {fkBandReject, "BandReject", "BandReject 2nd Order", "Band Reject"},
    {fkHighPass, "HighPass", "HighPass 2nd Order", "High Pass"},
    {fkLowPass, "LowPass", "LowPass 2nd Order", "Low Pass"},
    {fkHighPass4th, "HighPass2", "HighPass 4th Order", "High Pass 4th Order"},
    {fkLowPass4th, "LowPass2", "LowPass 4th Order", "Low Pass 4th Order"},
    {fkDesigned, "DesignedFilter", "Designed Filter", "Special Designed Filter"},
    {fkNetwork, "NetworkFiltering", "Filter Network", "Filter Network"},
    {fkDifferentiator, "Diffrentiate", "Differentiator", "Differentiator"},
    {fkIntegrator, "Integrate", "Integrator", "Integrator"},
}};

// The filter a caption or name stands for, compared without regard to case or blanks
// ("Low Pass 4th Order" and "LowPass 4th Order" are the same); none for an unknown text.
std::optional<FilterKind> FilterKindOfText(const std::string &text);
// The caption of the filter's radio button ("BandPass 2nd Order").
std::string FilterKindCaption(FilterKind kind);

} // namespace kaldorium
