#include "gui/tools/Samplinglab.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "gui/widgets/PlotImage.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

using namespace kaldorium;

namespace {

constexpr Color Grey{150, 150, 150};
constexpr Color Blue{0, 0, 200};
constexpr Color Orange{230, 120, 0};

// The larger of the values' magnitudes, and at least `least`.
double Peak(const std::vector<double> &values, double least) {
    double peak = least;
    for (double v : values) {
        if (std::isfinite(v)) {
            peak = std::max(peak, std::abs(v));
        }
    }
    return peak;
}

// A text on a white ground, so that the grid does not cross it.
void Label(Canvas &canvas, int x, int y, const std::string &text, Color colour) {
    canvas.SetFillColor(ColorWhite);
    canvas.FillRect(x - 2, y, x + canvas.TextWidth(text) + 2, y + canvas.TextHeight());
    canvas.SetPenColor(colour);
    canvas.TextOut(x, y, text);
}

// A caption line at the top of a plot's area, each part in its colour.
void Legend(Canvas &canvas, int x, int y,
            std::initializer_list<std::pair<const char *, Color>> parts) {
    for (const auto &[text, colour] : parts) {
        Label(canvas, x, y, text, colour);
        x += canvas.TextWidth(text) + 12;
    }
    canvas.SetPenColor(ColorBlack);
}

// The pen the scope's traces expect after drawings of the window's own.
void TracePen(Canvas &canvas) {
    canvas.SetPenColor(ColorBlack);
    canvas.SetPenWidth(2);
}

// The column the scope draws x at.
int Column(Oscilloscope &scope, double x) {
    scope.ToPixelX(x);
    return scope.pixelX;
}

std::string Hz(double f) {
    return FormatGeneral(f) + " Hz";
}

// Labels the strongest folded components at their alias, one under the other from `row`.
void LabelFolds(Canvas &canvas, Oscilloscope &scope, const SamplingSpectrum &s, double peak,
                int row) {
    std::vector<std::size_t> folded;
    for (std::size_t i = 0; i < s.continuous.size(); ++i) {
        if (s.continuous[i].folded && s.continuous[i].amplitude > 0.02 * peak) {
            folded.push_back(i);
        }
    }
    std::sort(folded.begin(), folded.end(), [&](std::size_t a, std::size_t b) {
        return s.continuous[a].amplitude > s.continuous[b].amplitude;
    });
    folded.resize(std::min<std::size_t>(folded.size(), 4));
    canvas.SetPenWidth(1);
    canvas.SetPenColor(ColorRed);
    for (std::size_t i : folded) {
        const ContinuousLine &line = s.continuous[i];
        const std::string text = Hz(line.frequency) + " → " + Hz(line.aliasFrequency);
        const int x = std::min(Column(scope, line.aliasFrequency) + 4,
                               canvas.Width() - canvas.TextWidth(text) - 4);
        Label(canvas, x, row, text, ColorRed);
        row += canvas.TextHeight() + 2;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

void TSamplingForm::Redraw() {
    FloatingPointGuard guard;
    const double span = SuggestedTimeSpan(signal);
    const double start = 0.0;
    const int points = std::clamp(2 * canvases[0].Width(), 2, MaxViewPoints);
    ComputeTimeView(signal, start, span, points, timeView);
    ComputeSpectrum(signal, SuggestedSpectrumSpan(signal), Sweeping() ? sweep.Elapsed() : 0.0,
                    spectrum);
    guard.Check();
    DrawTime();
    DrawSpectrum();
    DrawError();
    ShowReadouts();
    TimePlot->update();
    SpectrumPlot->update();
    ErrorPlot->update();
}

void TSamplingForm::PlotResized() {
    Redraw();
}

void TSamplingForm::DrawTime() {
    Canvas &canvas = canvases[0];
    Oscilloscope &scope = scopes[0];
    const SamplingTimeView &v = timeView;
    const double peak = 1.3 * std::max({Peak(v.source, 0.0), Peak(v.continuous, 0.0),
                                        Peak(v.reconstructed, 0.0), Peak(v.sampleValue, 1e-3)});
    const double toMs = 1000.0;
    scope.Bind(&canvas, v.start * toMs, (v.start + v.span) * toMs, -peak, peak);
    const bool filtered = signal.Settings().antiAlias != AntiAliasKind::None;
    if (filtered) {
        // The source before the filter, behind the rest.
        canvas.SetPenColor(Grey);
        canvas.SetPenWidth(1);
        for (std::size_t i = 1; i < v.time.size(); ++i) {
            canvas.Line(Column(scope, v.time[i - 1] * toMs), scope.PixelRow(v.source[i - 1]),
                        Column(scope, v.time[i] * toMs), scope.PixelRow(v.source[i]));
        }
    }
    TracePen(canvas);
    for (std::size_t i = 0; i < v.time.size(); ++i) {
        scope.PlotPair(v.time[i] * toMs, v.continuous[i], v.reconstructed[i]);
    }
    // The samples: stems where there is room for them, dots where they crowd.
    const int plotWidth = canvas.Width() - scope.margin;
    const bool stems = static_cast<int>(v.sampleTime.size()) * 4 <= plotWidth;
    canvas.SetPenColor(Blue);
    canvas.SetPenWidth(stems ? 1 : 2);
    canvas.SetFillColor(Blue);
    const int zero = scope.PixelRow(0.0);
    for (std::size_t i = 0; i < v.sampleTime.size(); ++i) {
        const int x = Column(scope, v.sampleTime[i] * toMs);
        const int y = scope.PixelRow(v.sampleValue[i]);
        if (stems) {
            canvas.Line(x, zero, x, y);
            canvas.Rectangle(x - 2, y - 2, x + 2, y + 2);
        } else {
            canvas.Line(x, y, x + 1, y);
        }
    }
    canvas.SetFillColor(ColorWhite);
    canvas.SetPenWidth(1);
    const int x = scope.margin + 4;
    if (filtered) {
        Legend(canvas, x, 2,
               {{"source", Grey},
                {"at the sampler", ColorBlack},
                {"samples", Blue},
                {"reconstruction", ColorRed}});
    } else {
        Legend(canvas, x, 2,
               {{"signal", ColorBlack}, {"samples", Blue}, {"reconstruction", ColorRed}});
    }
    Label(canvas, canvas.Width() - 24, canvas.Height() - scope.margin - 18, "ms", ColorBlack);
    TracePen(canvas);
}

void TSamplingForm::DrawSpectrum() {
    Canvas &canvas = canvases[1];
    Oscilloscope &scope = scopes[1];
    const SamplingSpectrum &s = spectrum;
    double peak = 1e-3;
    for (const ContinuousLine &line : s.continuous) {
        peak = std::max(peak, line.sourceAmplitude);
    }
    for (const SampledLine &line : s.sampled) {
        peak = std::max(peak, line.amplitude);
    }
    peak *= 1.35;
    scope.Bind(&canvas, 0.0, s.span, 0.0, peak);
    const int bottom = scope.PixelRow(0.0);
    const int top = scope.PixelRow(peak);

    // The Nyquist frequency and the multiples of fs.
    canvas.SetPenWidth(2);
    canvas.SetPenColor(Orange);
    const int nyquist = Column(scope, s.nyquist);
    for (int y = top; y < bottom; y += 6) {
        canvas.Line(nyquist, y, nyquist, std::min(y + 3, bottom));
    }
    Label(canvas, nyquist + 4, top + 18, "fs/2", Orange);
    for (int k = 1; k * s.sampleRate <= s.span && k <= 8; ++k) {
        const int x = Column(scope, k * s.sampleRate);
        canvas.Line(x, bottom, x, bottom - 8);
        const std::string label = k == 1 ? "fs" : std::to_string(k) + "fs";
        Label(canvas, x - canvas.TextWidth(label) / 2, bottom - 26, label, Orange);
    }

    // The sampled signal's lines, broad, with what the reconstruction leaves of each.
    for (const SampledLine &line : s.sampled) {
        const int x = Column(scope, line.frequency);
        canvas.SetPenWidth(3);
        canvas.SetPenColor(ColorRed);
        canvas.Line(x, bottom, x, scope.PixelRow(line.amplitude));
        canvas.SetPenWidth(2);
        canvas.SetPenColor(Blue);
        const int kept = scope.PixelRow(line.reconstructed);
        canvas.Line(x - 4, kept, x + 4, kept);
    }
    // The continuous signal's lines, thin, on top.
    TracePen(canvas);
    for (const ContinuousLine &line : s.continuous) {
        const double w = s.span * 1e-4;
        scope.PlotPoint(std::max(0.0, line.frequency - w), 0.0);
        scope.PlotPoint(line.frequency, line.amplitude);
        scope.PlotPoint(line.frequency + w, 0.0);
    }
    LabelFolds(canvas, scope, s, peak, top + 34);
    Legend(canvas, scope.margin + 4, 2,
           {{"analogue lines", ColorBlack},
            {"sampled lines and images", ColorRed},
            {"after reconstruction", Blue},
            {"Nyquist", Orange}});
    Label(canvas, canvas.Width() - 24, canvas.Height() - scope.margin - 18, "Hz", ColorBlack);
    TracePen(canvas);
}

void TSamplingForm::DrawError() {
    Canvas &canvas = canvases[2];
    Oscilloscope &scope = scopes[2];
    const SamplingTimeView &v = timeView;
    const bool exact = signal.Settings().bits == ExactBits;
    const double step = exact ? 1.0 : 2.0 / std::ldexp(1.0, signal.Settings().bits);
    const double peak = 1.4 * std::max(Peak(v.sampleError, 0.0), 0.5 * step);
    const double toMs = 1000.0;
    scope.Bind(&canvas, v.start * toMs, (v.start + v.span) * toMs, -peak, peak);
    TracePen(canvas);
    for (std::size_t i = 0; i < v.sampleTime.size(); ++i) {
        scope.PlotPoint(v.sampleTime[i] * toMs, v.sampleError[i]);
    }
    canvas.SetPenWidth(1);
    const std::string caption =
        exact ? std::string("Quantisation error: none (Exact)")
              : "Quantisation error of each sample (step " + FormatGeneral(step) + ")";
    Legend(canvas, scope.margin + 4, 2, {{caption.c_str(), ColorBlack}});
    Label(canvas, canvas.Width() - 24, canvas.Height() - scope.margin - 18, "ms", ColorBlack);
    TracePen(canvas);
}
