#include "core/lesson/Lesson.h"

#include <cctype>

namespace kaldorium {

namespace {

struct PropertyName {
    CheckProperty property;
    const char *text;
    const char *unit;
};

constexpr PropertyName PropertyNames[] = {
    {CheckProperty::PeakGain, "peak gain", "dB"},
    {CheckProperty::PeakFrequency, "peak frequency", "Hz"},
    {CheckProperty::LowHalfPower, "-3 dB low", "Hz"},
    {CheckProperty::HighHalfPower, "-3 dB high", "Hz"},
    {CheckProperty::Bandwidth, "bandwidth", "Hz"},
    {CheckProperty::Stable, "stable", ""},
    {CheckProperty::Kind, "filter kind", ""},
};

// Lower case without blanks: "LowPass 4th Order" → "lowpass4thorder".
std::string Folded(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

} // namespace

const char *PropertyText(CheckProperty property) {
    for (const PropertyName &p : PropertyNames) {
        if (p.property == property) {
            return p.text;
        }
    }
    return "";
}

std::optional<CheckProperty> PropertyOfText(const std::string &text) {
    std::string plain = text;
    // A typographic minus (U+2212) as teachers may type it.
    if (plain.rfind("\xE2\x88\x92", 0) == 0) {
        plain.replace(0, 3, "-");
    }
    for (const PropertyName &p : PropertyNames) {
        if (plain == p.text) {
            return p.property;
        }
    }
    return std::nullopt;
}

const char *PropertyUnit(CheckProperty property) {
    for (const PropertyName &p : PropertyNames) {
        if (p.property == property) {
            return p.unit;
        }
    }
    return "";
}

const ControlValue *Lesson::Find(const std::string &window, const std::string &control) const {
    const auto w = windows.find(window);
    if (w == windows.end()) {
        return nullptr;
    }
    const auto c = w->second.find(control);
    return c == w->second.end() ? nullptr : &c->second;
}

bool IsLessonWindow(const std::string &name) {
    for (const char *w : LessonWindows) {
        if (name == w) {
            return true;
        }
    }
    return false;
}

std::optional<FilterKind> FilterKindOfText(const std::string &text) {
    const std::string folded = Folded(text);
    for (const WorkbenchFilterName &f : WorkbenchFilters) {
        if (folded == Folded(f.caption) || folded == Folded(f.name)) {
            return f.kind;
        }
    }
    return std::nullopt;
}

std::string FilterKindCaption(FilterKind kind) {
    for (const WorkbenchFilterName &f : WorkbenchFilters) {
        if (f.kind == kind) {
            return f.caption;
        }
    }
    return FilterKindCaption(fkBandPass);
}

} // namespace kaldorium
