#include "core/lesson/LessonChecks.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/SamplingRules.h"
#include "core/tools/HalfPower.h"
#include "core/tools/PoleZero.h"
#include "core/tools/TransferFunction.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace kaldorium {

namespace {

constexpr double TwoPi = 6.283185307179586;
constexpr const char *MainWindow = "TDSPMainForm";
constexpr const char *NetworkWindow = "TFilterNetworkForm";

// Thrown inside the reader only, with the message naming the control.
struct RefusedValue : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const std::string *TextOf(const Lesson &lesson, const char *window, const std::string &control) {
    const ControlValue *v = lesson.Find(window, control);
    return v != nullptr ? std::get_if<std::string>(v) : nullptr;
}

bool CheckedOf(const Lesson &lesson, const char *window, const std::string &control,
               bool fallback) {
    const ControlValue *v = lesson.Find(window, control);
    const bool *checked = v != nullptr ? std::get_if<bool>(v) : nullptr;
    return checked != nullptr ? *checked : fallback;
}

double NumberOf(const std::string &control, const std::string &text) {
    double value = 0.0;
    if (!TryParseDouble(text, value) || !std::isfinite(value)) {
        throw RefusedValue(control + ": '" + text + "' is not a valid floating point value");
    }
    return value;
}

// A field that takes only positive values: an empty text becomes "1", as in the window.
double PositiveField(const Lesson &lesson, const char *control, double fallback) {
    const std::string *text = TextOf(lesson, MainWindow, control);
    if (text == nullptr) {
        return fallback;
    }
    const double value = NumberOf(control, text->empty() ? "1" : *text);
    if (!(value > 0.0)) {
        throw RefusedValue(std::string(control) + ": '" + *text +
                           "' is refused, it must be above 0");
    }
    return value;
}

FilterKind SelectedKind(const Lesson &lesson) {
    std::optional<FilterKind> kind;
    for (const WorkbenchFilterName &f : WorkbenchFilters) {
        if (CheckedOf(lesson, MainWindow, f.control, false)) {
            if (kind) {
                throw RefusedValue(std::string("more than one filter is selected (") + f.control +
                                   " and " + FilterKindCaption(*kind) + ")");
            }
            kind = f.kind;
        }
    }
    return kind.value_or(fkBandPass);
}

// The network window's fourteen stages: prefix_Use, prefix_Type (the item text), prefix_F,
// prefix_Q, prefix_A0.
void ReadNetwork(const Lesson &lesson, FilterNetwork &network) {
    static const char *const prefixes[FilterNetwork::StageCount] = {
        "InputFilter", "FA1", "FB1", "FC1", "FA2", "FB2", "FC2",
        "FA3",         "FB3", "FC3", "FA4", "FB4", "FC4", "OutputFilter"};
    static const char *const types[] = {"BandPass",       "BandReject", "HighPass",
                                        "LowPass",        "HighPass2",  "LowPass2",
                                        "Differentiator", "Integrator", "All Pass"};
    StageTexts texts[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        const std::string prefix = prefixes[i];
        StageTexts &t = texts[i];
        t.use = CheckedOf(lesson, NetworkWindow, prefix + "_Use", false);
        if (const std::string *type = TextOf(lesson, NetworkWindow, prefix + "_Type")) {
            int found = -1;
            for (int k = 0; k < 9; ++k) {
                found = *type == types[k] ? k : found;
            }
            if (found < 0) {
                throw RefusedValue(prefix + "_Type: '" + *type + "' is not a kind of stage");
            }
            t.kind = found;
        }
        const std::pair<const char *, std::string *> fields[] = {
            {"_F", &t.frequency}, {"_Q", &t.q}, {"_A0", &t.amplification}};
        for (const auto &[suffix, target] : fields) {
            if (const std::string *text = TextOf(lesson, NetworkWindow, prefix + suffix)) {
                NumberOf(prefix + suffix, *text);
                *target = *text;
            }
        }
    }
    network.ApplyTexts(texts);
}

} // namespace

LessonFilter DefaultLessonFilter() {
    LessonFilter filter;
    const DefaultDesignedFilterSource designer;
    for (int i = 0; i < 7; ++i) {
        filter.designed.a[static_cast<std::size_t>(i)] = designer.a[i];
        filter.designed.b[static_cast<std::size_t>(i)] = designer.b[i];
    }
    return filter;
}

LessonFilterRead ReadLessonFilter(const Lesson &settings) {
    LessonFilterRead result;
    result.filter = DefaultLessonFilter();
    LessonFilter &f = result.filter;
    try {
        InputSignalSettings input;
        input.frequency = PositiveField(settings, "soFrequency", input.frequency);
        input.modulate = CheckedOf(settings, MainWindow, "Modulate", false);
        input.amModulate = CheckedOf(settings, MainWindow, "AM_Modulate", true);
        input.fileData = CheckedOf(settings, MainWindow, "FileData", false);
        const std::string *samples = TextOf(settings, MainWindow, "soSamples");
        const std::string samplesText = samples != nullptr ? *samples : "20";
        if (!samplesText.empty()) {
            NumberOf("soSamples", samplesText);
        }
        ValidateSamplesPerCycle(input, samplesText);
        f.samplingPeriod = input.samplingPeriod;
        f.oscillatorFrequency = input.frequency;
        f.filterFrequency = std::min(PositiveField(settings, "sfFrequency", f.filterFrequency),
                                     0.5 / f.samplingPeriod);
        f.qFactor = PositiveField(settings, "sQfactor", f.qFactor);
        f.amplification = PositiveField(settings, "sfAmplification", f.amplification);
        f.kind = SelectedKind(settings);
        if (settings.coefficients) {
            f.designed = *settings.coefficients;
        }
        ReadNetwork(settings, f.network);
        result.ok = true;
    } catch (const RefusedValue &fault) {
        result.error = fault.what();
    } catch (const ConversionError &fault) {
        result.error = fault.what();
    }
    return result;
}

namespace {

TransferFunction TransferOf(const LessonFilter &f) {
    const double omegaRef = TwoPi * f.oscillatorFrequency;
    if (f.kind == fkDesigned) {
        return DirectFormTransfer(f.designed.a.data(), f.designed.b.data(), 7);
    }
    if (f.kind == fkNetwork) {
        return NetworkTransfer(f.network, f.samplingPeriod, omegaRef);
    }
    TransferFunction h =
        KindTransfer(f.kind, f.filterFrequency, f.qFactor, f.amplification, f.samplingPeriod);
    // The workbench scales these two to unit gain at the oscillator frequency.
    if (f.kind == fkDifferentiator) {
        h.gain /= omegaRef;
    } else if (f.kind == fkIntegrator) {
        h.gain *= omegaRef;
    }
    return h;
}

void FindHalfPower(const std::vector<double> &crossings, FilterProperties &p) {
    for (const double hz : crossings) {
        if (hz < p.peakFrequency) {
            p.lowHalfPower = hz;
        } else if (!p.highHalfPower) {
            p.highHalfPower = hz;
        }
    }
}

} // namespace

FilterProperties MeasureFilter(const LessonFilter &filter) {
    FilterProperties p;
    p.kind = filter.kind;
    try {
        const TransferFunction h = TransferOf(filter);
        const double ts = filter.samplingPeriod;
        const double nyquist = 0.5 / ts;
        const GainAt gainAt = [&h, ts](double hz) {
            return 20.0 * std::log10(std::abs(h.Response(hz, ts)));
        };
        // Five decades up to just below half the sampling rate, evenly in log frequency.
        constexpr int points = 4000;
        std::vector<double> hz(points);
        std::vector<double> gain(points);
        for (int i = 0; i < points; ++i) {
            const double at = nyquist * std::pow(10.0, -5.0 * (1.0 - i / (points - 1.0)));
            hz[static_cast<std::size_t>(i)] = i == points - 1 ? nyquist * (1.0 - 1e-9) : at;
            gain[static_cast<std::size_t>(i)] = gainAt(hz[static_cast<std::size_t>(i)]);
        }
        const ResponsePeak peak = FindPeak(hz, gain, gainAt, {0.0, nyquist});
        if (!peak.found) {
            p.error = "the filter passes nothing (its gain is zero everywhere)";
            return p;
        }
        p.peakGainDb = peak.gainDb;
        p.peakFrequency = peak.frequency;
        FindHalfPower(HalfPowerFrequencies(hz, gain, gainAt, {0.0, nyquist}), p);
        p.stable = FindPolesAndZeros(h).stability == Stability::Stable;
        p.ok = true;
    } catch (const FloatingPointError &fault) {
        p.error = std::string("the filter has no response: ") + fault.what();
    }
    ClearFloatingPointFlags();
    return p;
}

namespace {

std::string WithUnit(double value, const std::string &unit) {
    return FormatGeneral(value, 6) + (unit.empty() ? "" : " " + unit);
}

std::string ExpectedText(const LessonCheck &c, const std::string &unit) {
    std::string text;
    if (c.value) {
        text = FormatGeneral(*c.value) + " ± " +
               (c.tolerancePercent ? FormatGeneral(*c.tolerance) + " %"
                                   : WithUnit(*c.tolerance, unit));
        if (c.tolerancePercent && !unit.empty()) {
            text =
                FormatGeneral(*c.value) + " " + unit + " ± " + FormatGeneral(*c.tolerance) + " %";
        }
    }
    std::string bounds;
    if (c.minimum && c.maximum) {
        bounds = "between " + FormatGeneral(*c.minimum) + " and " + WithUnit(*c.maximum, unit);
    } else if (c.minimum) {
        bounds = "at least " + WithUnit(*c.minimum, unit);
    } else if (c.maximum) {
        bounds = "at most " + WithUnit(*c.maximum, unit);
    }
    if (!text.empty() && !bounds.empty()) {
        return text + ", " + bounds;
    }
    return text + bounds;
}

bool WithinLimits(const LessonCheck &c, double measured) {
    if (!std::isfinite(measured)) {
        return false;
    }
    if (c.value) {
        const double allowed =
            c.tolerancePercent ? std::fabs(*c.value) * *c.tolerance / 100.0 : *c.tolerance;
        // A hair of slack, so a limit written with the measured value's own digits still passes.
        const double slack = 1e-12 * std::max(1.0, std::fabs(*c.value));
        if (std::fabs(measured - *c.value) > allowed + slack) {
            return false;
        }
    }
    return (!c.minimum || measured >= *c.minimum) && (!c.maximum || measured <= *c.maximum);
}

std::optional<double> Measured(const LessonCheck &c, const FilterProperties &f) {
    switch (c.property) {
    case CheckProperty::PeakGain:
        return f.peakGainDb;
    case CheckProperty::PeakFrequency:
        return f.peakFrequency;
    case CheckProperty::LowHalfPower:
        return f.lowHalfPower;
    case CheckProperty::HighHalfPower:
        return f.highHalfPower;
    case CheckProperty::Bandwidth:
        if (f.lowHalfPower && f.highHalfPower) {
            return *f.highHalfPower - *f.lowHalfPower;
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

CheckResult EvaluateCheck(const LessonCheck &check, const FilterProperties &filter,
                          const ControlNumber &controlNumber, bool missingIsNotChecked) {
    CheckResult r;
    r.name = check.name;
    const std::string unit = check.unit.empty() ? PropertyUnit(check.property) : check.unit;
    r.expected = ExpectedText(check, unit);
    if (check.property == CheckProperty::Kind) {
        r.expected = check.kindText;
        r.measured = FilterKindCaption(filter.kind);
        const std::optional<FilterKind> wanted = FilterKindOfText(check.kindText);
        r.status = wanted && *wanted == filter.kind ? CheckResult::Status::Passed
                                                    : CheckResult::Status::Failed;
        return r;
    }
    if (check.property == CheckProperty::Control) {
        const std::optional<double> number =
            controlNumber ? controlNumber(check.control) : std::nullopt;
        if (!number) {
            r.measured = check.control + " holds no number";
            r.status =
                missingIsNotChecked ? CheckResult::Status::NotChecked : CheckResult::Status::Failed;
            return r;
        }
        r.measured = WithUnit(*number, unit);
        r.status = WithinLimits(check, *number) ? CheckResult::Status::Passed
                                                : CheckResult::Status::Failed;
        return r;
    }
    if (!filter.ok) {
        r.measured = filter.error;
        r.status = CheckResult::Status::Failed;
        return r;
    }
    if (check.property == CheckProperty::Stable) {
        r.expected = "stable";
        r.measured = filter.stable ? "stable" : "not stable";
        r.status = filter.stable ? CheckResult::Status::Passed : CheckResult::Status::Failed;
        return r;
    }
    const std::optional<double> measured = Measured(check, filter);
    r.measured = measured ? WithUnit(*measured, unit) : "none";
    r.status = measured && WithinLimits(check, *measured) ? CheckResult::Status::Passed
                                                          : CheckResult::Status::Failed;
    return r;
}

ControlNumber LessonControlNumbers(const Lesson &settings) {
    return [&settings](const std::string &control) -> std::optional<double> {
        const ControlValue *v = nullptr;
        const std::size_t dot = control.find('.');
        if (dot != std::string::npos) {
            v = settings.Find(control.substr(0, dot), control.substr(dot + 1));
        } else {
            v = settings.Find(MainWindow, control);
            for (std::size_t i = 0; v == nullptr && i < LessonWindows.size(); ++i) {
                v = settings.Find(LessonWindows[i], control);
            }
        }
        const std::string *text = v != nullptr ? std::get_if<std::string>(v) : nullptr;
        double value = 0.0;
        if (text == nullptr || !TryParseDouble(*text, value) || !std::isfinite(value)) {
            return std::nullopt;
        }
        return value;
    };
}

} // namespace kaldorium
