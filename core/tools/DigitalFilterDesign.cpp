#include "core/tools/DigitalFilterDesign.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ScopeExit.h"
#include "core/tools/HalfPower.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace kaldorium {

namespace {

constexpr double DegreesPerRadian = 57.29577951308232;

// Gain in dB and phase in radians of the coefficient set at θ = ω·T:
// N = Σ a[m]·e^(−j·m·θ), D = Σ b[m]·e^(−j·m·θ); the powers of e^(−j·θ) by recurrence.
struct DesignPoint {
    double gain;
    double phase;
};
DesignPoint DesignResponse(const double *a, const double *b, double theta) {
    const auto [nRe, nIm, dRe, dIm] = RatioAtAngle(a, b, 6, std::cos(theta), std::sin(theta));
    const double gain =
        20.0 * std::log10(std::sqrt((nRe * nRe + nIm * nIm) / (dRe * dRe + dIm * dIm)));
    // The phase of N/D is that of N·conj(D).
    return {gain, std::atan2(nIm * dRe - nRe * dIm, nRe * dRe + nIm * dIm)};
}

// The workbench's start-up values, for a designer that has no workbench.
class StartupWorkbench : public DesignerWorkbench {
public:
    FilterKind CurrentFilterKind() const override { return fkBandPass; }
    std::string SamplingPeriodText() const override { return "0.000025"; }
    std::string FilterFrequencyText() const override { return "2000"; }
    std::string QfactorText() const override { return "10"; }
    std::string AmplificationText() const override { return "2"; }
};

double TextOrDefault(const std::string &text, const char *emptyText, std::string &shown) {
    shown = text.empty() ? std::string(emptyText) : text;
    return ParseDouble(shown);
}

} // namespace

GainPhase AnaloguePrototypeResponse(int designType, int order, double f0, double q, double a0,
                                    double frequencyHz) {
    // In units of ω0, s = j·u with u = f/f0; the section's denominator is 1 − u² + j·u/Q.
    using Complex = std::complex<double>;
    const double u = frequencyHz / f0;
    const Complex denominator(1.0 - u * u, u / q);
    Complex numerator;
    switch (designType) {
    case 1:
        numerator = Complex(1.0 - u * u, 0.0);
        break;
    case 2:
        numerator = Complex(-u * u, 0.0);
        break;
    case 3:
        numerator = Complex(1.0, 0.0);
        break;
    default:
        numerator = Complex(0.0, u / q);
        break;
    }
    const Complex section = numerator / denominator;
    Complex response(a0, 0.0);
    for (int i = 0; i < std::max(1, order / 2); ++i) {
        response *= section;
    }
    const double magnitude = std::abs(response);
    if (magnitude == 0.0) {
        return {-std::numeric_limits<double>::infinity(), 0.0};
    }
    return {20.0 * std::log10(magnitude), std::arg(response) * DegreesPerRadian};
}

DigitalFilterDesign::DigitalFilterDesign() = default;

const DesignerWorkbench &DigitalFilterDesign::Workbench() const {
    static const StartupWorkbench startup;
    return workbench != nullptr ? *workbench : startup;
}

void DigitalFilterDesign::AttachPlots(Canvas *gain, Canvas *phase) {
    gainCanvas = gain;
    phaseCanvas = phase;
}

void DigitalFilterDesign::Notify(unsigned parts) {
    if (view != nullptr) {
        view->DesignChanged(parts);
    }
}

void DigitalFilterDesign::ClearPlots() {
    bodeShown = false;
    bodeZoom.reset();
    // Empty grids from 10 Hz to 100 kHz.
    if (gainCanvas != nullptr) {
        gainPlot.BindLog(gainCanvas, 1.0, 5.0, -50.0, 1.0, 1, 0);
    }
    if (phaseCanvas != nullptr) {
        phasePlot.BindLog(phaseCanvas, 1.0, 5.0, -180.0, 180.0, 1, 0);
    }
    Notify(Plots);
}

namespace {

// The bilinear image of the analogue prototype of section type `designType` (1 band reject,
// 2 high pass, 3 low pass, otherwise band pass), multiplied by Ts²·(1 + z⁻¹)², unnormalised.
void BilinearSection(int designType, double f0, double q, double ts, double (&num)[3],
                     double (&den)[3]) {
    // ωa = (2/Ts)·tan(ω0·Ts/2), k = ωa/Q, W = ωa²·Ts²
    const double omega0 = f0 * 2 * std::numbers::pi;
    const double omegaWarped = (2.0 / ts) * std::tan(omega0 * ts * 0.5);
    const double k = omegaWarped / q;
    const double w = omegaWarped * omegaWarped * ts * ts;

    den[0] = 2.0 * ts * k + 4.0 + w;
    den[1] = 2.0 * w - 8.0;
    den[2] = 4.0 - 2.0 * ts * k + w;
    switch (designType) {
    case 1: // s² + ωa²
        num[0] = w + 4.0;
        num[1] = 2.0 * w - 8.0;
        num[2] = w + 4.0;
        break;
    case 2: // s²
        num[0] = 4.0;
        num[1] = -8.0;
        num[2] = 4.0;
        break;
    case 3: // ωa²
        num[0] = w;
        num[1] = 2.0 * w;
        num[2] = w;
        break;
    default: // k·s
        num[0] = 2.0 * ts * k;
        num[1] = 0.0;
        num[2] = -2.0 * ts * k;
        break;
    }
}

} // namespace

void DigitalFilterDesign::Recompute() {
    if (!ready) {
        return;
    }
    designType = filterTypeIndex;
    texts.sTs = Workbench().SamplingPeriodText();
    ts = ParseDouble(texts.sTs);
    Notify(SamplingPeriod);
    if (designType == UnknownType) {
        return;
    }
    ClearPlots();

    const FloatingPointGuard::Nested check;
    double num[3];
    double den[3];
    BilinearSection(designType, f0, q, ts, num, den);

    double na[7] = {};
    double nb[7] = {};
    if (order == 4 || order == 6) {
        MultiplyPolynomials(na, num, num, 2, 2);
        MultiplyPolynomials(nb, den, den, 2, 2);
        if (order == 6) {
            MultiplyPolynomials(na, num, na, 2, 4);
            MultiplyPolynomials(nb, den, nb, 2, 4);
        }
        // Normalised to b0 = 1, A0 on the numerator.
        const double b0 = nb[0];
        for (int i = 1; i < 7; ++i) {
            na[i] = na[i] * amplification / b0;
            nb[i] = nb[i] / b0;
        }
        na[0] = na[0] * amplification / b0;
        nb[0] = 1.0;
    } else {
        // Order 2 stays unnormalised: b0 = 4 + 2·Ts·k + W, A0 on a.
        for (int i = 0; i < 3; ++i) {
            na[i] = amplification * num[i];
            nb[i] = den[i];
        }
    }
    check.Check(na);
    check.Check(nb);

    for (int i = 0; i < 3; ++i) {
        num2nd[i] = num[i];
        den2nd[i] = den[i];
    }
    for (int i = 0; i < 7; ++i) {
        a[i] = na[i];
        b[i] = nb[i];
        texts.a[static_cast<std::size_t>(i)] = FormatGeneral(a[i]);
        texts.b[static_cast<std::size_t>(i)] = FormatGeneral(b[i]);
    }
    firstActivation = false;
    Notify(Coefficients);
}

void DigitalFilterDesign::SelectFilterType(int index) {
    if (index == filterTypeIndex) {
        return;
    }
    filterTypeIndex = index;
    FilterTypeClick();
}

void DigitalFilterDesign::SelectFilterOrder(int index) {
    if (index == filterOrderIndex) {
        return;
    }
    filterOrderIndex = index;
    FilterOrderClick();
}

void DigitalFilterDesign::FilterTypeClick() {
    designType = filterTypeIndex;
    Notify(Selection);
    if (designType != UnknownType) {
        Recompute();
    }
}

void DigitalFilterDesign::FilterOrderClick() {
    order = 2 + 2 * filterOrderIndex;
    Notify(Selection);
    if (designType != UnknownType) {
        Recompute();
    }
}

void DigitalFilterDesign::FormActivate() {
    const FilterKind kind = Workbench().CurrentFilterKind();
    designType = kind;
    ready = false;
    // However FormActivate ends, the designer answers Recompute again afterwards.
    const ScopeExit readyAgain([this] { ready = true; });
    if (kind != fkDesigned) {
        SelectFilterOrder(0);
        firstActivation = true;
    }
    switch (kind) {
    case fkBandReject:
    case fkHighPass:
    case fkLowPass:
        SelectFilterType(kind);
        break;
    case fkHighPass4th:
        SelectFilterOrder(1);
        SelectFilterType(2);
        break;
    case fkLowPass4th:
        SelectFilterOrder(1);
        SelectFilterType(3);
        break;
    case fkDesigned:
        if (firstActivation) {
            SelectFilterType(0);
            SelectFilterOrder(0);
        }
        break;
    default:
        SelectFilterType(0);
        break;
    }
    const std::string oT = Workbench().SamplingPeriodText();
    if (texts.sTs != oT) {
        ready = true;
    }
    // A designed filter whose sampling period is unchanged stays as it is.
    if (!firstActivation && !ready) {
        return;
    }
    ClearPlots();
    if (firstActivation) {
        const std::string frequencyText = Workbench().FilterFrequencyText();
        const std::string amplificationText = Workbench().AmplificationText();
        const std::string qText = Workbench().QfactorText();
        const double newF0 = ParseDouble(frequencyText);
        const double newAmplification = ParseDouble(amplificationText);
        const double newQ = ParseDouble(qText);
        texts.sfFrequency = frequencyText;
        texts.sfAmplification = amplificationText;
        texts.sQfactor = qText;
        f0 = newF0;
        amplification = newAmplification;
        q = newQ;
        Notify(Frequency | Qfactor | Amplification);
    }
    ready = true;
    Recompute();
}

void DigitalFilterDesign::CalcFilterClick() {
    const FloatingPointGuard::Nested check;
    // From b = (4 + 2·Ts·k + W, 2·W − 8, 4 − 2·Ts·k + W): b1 − 2·b2 + 16 = 4·Ts·k and
    // b1/2 + 4 = W = ωa²·Ts².
    const double kDerived = (b[1] - 2.0 * b[2] + 16.0) * 0.25 / ts;
    const double omegaDerived = std::sqrt((b[1] * 0.5 + 4.0) / ts / ts);
    const double newQ = omegaDerived / kDerived;
    const double newF0 =
        std::fabs(std::atan(omegaDerived * ts * 0.5) * (2.0 / ts)) * 0.15915494309189535;
    check.Check(newF0);
    check.Check(newQ);
    q = newQ;
    f0 = newF0;
    designType = UnknownType;
    SelectFilterType(UnknownType);

    double newAmplification = std::fabs((a[0] + a[1] + a[2]) / (b[0] + b[1] + b[2]));
    const double direct = std::fabs(a[0] / b[0]);
    check.Check(newAmplification);
    check.Check(direct);
    if (std::isgreater(direct, newAmplification)) {
        newAmplification = direct;
    }
    amplification = newAmplification;

    // trunc(v·scale), the comparison key of the type tests; a fault in it ends the handler.
    const auto key = [&check](double v, double scale) {
        const double t = std::trunc(v * scale);
        check.Check(t);
        return t;
    };
    // Each type found is selected, which recomputes a and b from the derived values; the tests
    // after it look at that set.
    const auto found = [this, &check](int type, double newA0) {
        check.Check(newA0);
        designType = type;
        amplification = newA0;
        SelectFilterType(type);
    };
    if (key(a[2], 1e6) == key(a[0], 1e6) && key(a[1] / a[0], 1000.0) == 2000.0) {
        found(3, a[0] / omegaDerived / omegaDerived / ts / ts);
    }
    if (key(a[2], 1e6) == key(a[0], 1e6) && key(a[1] / a[0], 1000.0) == -2000.0) {
        found(2, a[0] * 0.25);
    }
    if (key(a[2], 1e6) == key(-a[0], 1e6) && key(a[1], 1e7) == 0.0) {
        found(0, a[0] * 0.5 / kDerived / ts);
    }
    if (key(a[2], 1e6) == key(a[0], 1e6) &&
        key(a[0] / a[1], 1e6) == key((b[0] + b[2]) / b[1], 500000.0)) {
        found(1, a[1] / b[1]);
    }
    check.Check(amplification);

    texts.sfAmplification = FormatGeneral(amplification);
    texts.sfFrequency = FormatGeneral(f0);
    texts.sQfactor = FormatGeneral(q);
    Notify(Frequency | Qfactor | Amplification);
}

void DigitalFilterDesign::ComputeBode() {
    const FloatingPointGuard::Nested check;
    const double omegaEnd = M_PI / ts;
    const double omegaStart = f0 * 2 * std::numbers::pi * 0.0015;
    const double step = (omegaEnd - omegaStart) * 0.0001;
    double newGainMin = 0.0;
    double newGainMax = 0.0;
    double newPhaseMin = 0.0;
    double newPhaseMax = 0.0;
    double omega = omegaStart;
    for (std::size_t i = 0; i < BodePoints; ++i) {
        const auto [gain, phase] = DesignResponse(a, b, omega * ts);
        frequency[i] = omega;
        gainDb[i] = gain;
        phaseDeg[i] = phase * DegreesPerRadian;
        if (std::isless(gain, newGainMin)) {
            newGainMin = gain;
        }
        if (std::isgreater(gain, newGainMax)) {
            newGainMax = gain;
        }
        if (std::isless(phase, newPhaseMin)) {
            newPhaseMin = phase;
        }
        if (std::isgreater(phase, newPhaseMax)) {
            newPhaseMax = phase;
        }
        omega += step;
    }
    std::vector<double> edges = HalfPowerFrequencies(
        frequency, gainDb, [this](double w) { return DesignResponse(a, b, w * ts).gain; },
        {0.0, omegaEnd});
    check.Check(gainDb);
    check.Check(edges);
    halfPower = std::move(edges);
    gainMin = newGainMin;
    gainMax = newGainMax;
    phaseMin = newPhaseMin;
    phaseMax = newPhaseMax;
    bodeOmegaStart = omegaStart;
    arraysZoomed = false;
}

GainPhase DigitalFilterDesign::ResponseAt(const double *a, const double *b, double theta) {
    const DesignPoint p = DesignResponse(a, b, theta);
    return {p.gain, p.phase * DegreesPerRadian};
}

void DigitalFilterDesign::BodePlotClick() {
    ComputeBode();
    bodeZoom.reset();
    DrawBode();
}

double DigitalFilterDesign::SteppedValue(const std::string &fieldText, bool up, double baseStep,
                                         double threshold) {
    const double value = ParseDouble(fieldText);
    if (!std::isgreater(value, 0.0)) {
        return value;
    }
    // The largest power of ten not above S below the value's leading decade: 50 → 10, 5 → 1,
    // 100 → 100 upwards but 10 downwards.
    double step = up ? baseStep : -baseStep;
    double r = value;
    while (r <= threshold) {
        if (step > 0 && r == threshold) {
            break;
        }
        step *= 0.1;
        r *= 10.0;
    }
    return value + step;
}

void DigitalFilterDesign::fFrequencyIClick(bool up, const std::string &fieldText) {
    const FloatingPointGuard::Nested check;
    double value = SteppedValue(fieldText, up, 100.0, 100.0);
    if (!std::isgreater(value, 0.0)) {
        value = 1.0;
    }
    const double limit = 0.5 / ts;
    if (value > limit) {
        value = limit;
    }
    check.Check(value);
    f0 = value;
    texts.sfFrequency = FormatGeneral(f0);
    Notify(Frequency);
    Recompute();
}

void DigitalFilterDesign::QfactorIClick(bool up, const std::string &fieldText) {
    double value = SteppedValue(fieldText, up, 1.0, 1.0);
    if (!std::isgreater(value, 0.0)) {
        value = 1.0;
    }
    q = value;
    texts.sQfactor = FormatGeneral(q);
    Notify(Qfactor);
    Recompute();
}

void DigitalFilterDesign::fAmplificationIClick(bool up, const std::string &fieldText) {
    double value = SteppedValue(fieldText, up, 1.0, 1.0);
    // The field takes only positive amplifications; a stepper never stores what it would refuse.
    if (!std::isgreater(value, 0.0)) {
        value = 1.0;
    }
    amplification = value;
    texts.sfAmplification = FormatGeneral(amplification);
    Notify(Amplification);
    Recompute();
}

void DigitalFilterDesign::sfFrequencyExit(const std::string &fieldText) {
    const FloatingPointGuard::Nested check;
    std::string shown;
    double v = TextOrDefault(fieldText, "1", shown);
    const double limit = 0.5 / ts;
    check.Check(limit);
    if (v > limit) {
        v = limit;
    }
    if (v > 0.0) {
        f0 = v;
    }
    texts.sfFrequency = FormatGeneral(f0);
    Notify(Frequency);
    Recompute();
}

void DigitalFilterDesign::sQfactorExit(const std::string &fieldText) {
    std::string shown;
    const double v = TextOrDefault(fieldText, "1", shown);
    if (v > 0.0) {
        q = v;
        texts.sQfactor = shown;
    } else {
        texts.sQfactor = FormatGeneral(q);
    }
    Notify(Qfactor);
    Recompute();
}

void DigitalFilterDesign::sfAmplificationExit(const std::string &fieldText) {
    std::string shown;
    const double v = TextOrDefault(fieldText, "1", shown);
    if (v > 0.0) {
        amplification = v;
        texts.sfAmplification = shown;
    } else {
        texts.sfAmplification = FormatGeneral(amplification);
    }
    Notify(Amplification);
    Recompute();
}

void DigitalFilterDesign::a0Exit(const std::array<std::string, 7> &aTexts,
                                 const std::array<std::string, 7> &bTexts) {
    for (std::size_t i = 0; i < 7; ++i) {
        texts.a[i] = aTexts[i].empty() ? std::string("0") : aTexts[i];
        texts.b[i] = bTexts[i].empty() ? std::string("0") : bTexts[i];
    }
    Notify(Coefficients);
    // All fourteen are converted before any is taken, so a bad text leaves the set as it was.
    double na[7];
    double nb[7];
    for (std::size_t i = 0; i < 7; ++i) {
        na[i] = ParseDouble(texts.a[i]);
    }
    for (std::size_t i = 0; i < 7; ++i) {
        nb[i] = ParseDouble(texts.b[i]);
    }
    for (std::size_t i = 0; i < 7; ++i) {
        a[i] = na[i];
        b[i] = nb[i];
    }
}

void DigitalFilterDesign::a0KeyUp() {
    SelectFilterType(UnknownType);
}

void DigitalFilterDesign::SetCoefficients(const double (&newA)[7], const double (&newB)[7]) {
    SelectFilterType(UnknownType);
    for (int i = 0; i < 7; ++i) {
        a[i] = newA[i];
        b[i] = newB[i];
        texts.a[static_cast<std::size_t>(i)] = FormatGeneral(a[i]);
        texts.b[static_cast<std::size_t>(i)] = FormatGeneral(b[i]);
    }
    // A run going on with the designed filter takes the new set.
    NoteChanged();
    Notify(Coefficients);
}

} // namespace kaldorium
