#include "core/common/NumberText.h"
#include "core/tools/FixedPoint.h"
#include "gui/tools/PolezeroRoots.h"
#include "gui/widgets/PlotImage.h"

#include <algorithm>
#include <cmath>

using kaldorium::Complex;

namespace {

constexpr double Pi = 3.141592653589793;
// The half-widths of the plane the plot chooses from: each puts its labels (every tenth of the
// width) on round numbers.
constexpr double PlaneHalfWidths[] = {1.25, 2.5, 5.0};
constexpr int MarkSize = 5; // half the size of a × or ○, pixels
constexpr int CircleSegments = 180;

constexpr kaldorium::Color AxisColour{150, 150, 150};
constexpr kaldorium::Color CircleColour{0, 0, 160};
constexpr kaldorium::Color RoundedColour{0, 110, 220};
constexpr kaldorium::Color UnstableColour = kaldorium::ColorRed;

double LargestRadius(const kaldorium::PoleZeroMap &m) {
    double r = 0.0;
    for (const auto *list : {&m.poles, &m.zeros}) {
        for (const kaldorium::PoleZeroRoot &root : *list) {
            if (std::isfinite(std::abs(root.z))) {
                r = std::max(r, std::abs(root.z));
            }
        }
    }
    return r;
}

} // namespace

QPoint TPoleZeroForm::PixelOf(std::complex<double> z) const {
    const kaldorium::Oscilloscope &p = plane;
    const double x = (p.width - p.margin) * (z.real() - p.xMin) / p.xRange + p.margin;
    const double y = (1.0 - (z.imag() - p.yMin) / p.yRange) * (p.height - p.margin);
    const auto clamp = [](double v, int low, int high) {
        return std::isfinite(v) ? std::clamp(static_cast<int>(std::lround(v)), low, high) : high;
    };
    return {clamp(x, p.margin, p.width), clamp(y, 0, p.height - p.margin)};
}

void TPoleZeroForm::DrawPlane() {
    // The smallest plane that holds every root with room to spare; roots beyond the largest
    // sit on its edge.
    const double needed =
        1.1 * std::max(LargestRadius(roots->map), LargestRadius(roots->quantisedMap));
    double half = PlaneHalfWidths[std::size(PlaneHalfWidths) - 1];
    for (double h : PlaneHalfWidths) {
        if (needed <= h) {
            half = h;
            break;
        }
    }
    // While a root is dragged the scale stays, so that the root stays under the mouse.
    if (Dragging() && plane.canvas != nullptr) {
        half = plane.xMax;
    }
    plane.Bind(&canvas, -half, half, -half, half);
    DrawCircleAndMarks();
    if (!roots->quantisedMap.poles.empty() || !roots->quantisedMap.zeros.empty()) {
        DrawRoots(roots->quantisedMap, true);
        DrawLegend();
    }
    DrawRoots(roots->map, false);
    canvas.SetPenColor(kaldorium::ColorBlack);
    canvas.SetPenWidth(1);
    canvas.Flush();
    ZPlane->update();
}

void TPoleZeroForm::DrawCircleAndMarks() {
    canvas.SetPenWidth(1);
    canvas.SetPenColor(AxisColour);
    const QPoint left = PixelOf({plane.xMin, 0.0});
    const QPoint right = PixelOf({plane.xMax, 0.0});
    const QPoint top = PixelOf({0.0, plane.yMax});
    const QPoint bottom = PixelOf({0.0, plane.yMin});
    canvas.Line(left.x(), left.y(), right.x(), right.y());
    canvas.Line(top.x(), top.y(), bottom.x(), bottom.y());

    canvas.SetPenColor(CircleColour);
    QPoint last = PixelOf({1.0, 0.0});
    for (int k = 1; k <= CircleSegments; ++k) {
        const double angle = 2.0 * Pi * k / CircleSegments;
        const QPoint next = PixelOf(std::polar(1.0, angle));
        canvas.Line(last.x(), last.y(), next.x(), next.y());
        last = next;
    }

    // Ticks outward at 0, fs/8 … fs/2, mirrored below; the frequencies written above.
    const int textHeight = canvas.TextHeight();
    for (const kaldorium::CircleMark &mark : kaldorium::FrequencyMarks(shown.ts)) {
        for (const double sign : {1.0, -1.0}) {
            const QPoint inner = PixelOf(std::polar(1.0, sign * mark.angle));
            const QPoint outer = PixelOf(std::polar(1.08, sign * mark.angle));
            canvas.Line(inner.x(), inner.y(), outer.x(), outer.y());
        }
        const std::string text = kaldorium::FormatGeneral(mark.frequencyHz, 6) + " Hz";
        const int width = canvas.TextWidth(text);
        const QPoint at = PixelOf(std::polar(1.1, mark.angle));
        const double c = std::cos(mark.angle);
        int x = at.x() - width / 2;
        if (c > 0.3) {
            x = at.x();
        } else if (c < -0.3) {
            x = at.x() - width;
        }
        canvas.TextOut(std::clamp(x, plane.margin + 2, plane.width - width - 2),
                       std::max(0, at.y() - textHeight), text);
    }
}

void TPoleZeroForm::DrawRoots(const kaldorium::PoleZeroMap &drawn, bool rounded) {
    const auto draw = [&](const kaldorium::PoleZeroRoot &r, bool pole) {
        const QPoint p = PixelOf(r.z);
        const int x = p.x();
        const int y = p.y();
        const int s = rounded ? MarkSize + 2 : MarkSize;
        const bool outside =
            pole && std::isgreater(std::abs(r.z), 1.0 + kaldorium::UnitCircleTolerance);
        canvas.SetPenColor(rounded ? RoundedColour
                                   : (outside ? UnstableColour : kaldorium::ColorBlack));
        canvas.SetPenWidth(rounded ? 1 : 2);
        if (rounded && pole) { // ◇
            canvas.Line(x - s, y, x, y - s);
            canvas.Line(x, y - s, x + s, y);
            canvas.Line(x + s, y, x, y + s);
            canvas.Line(x, y + s, x - s, y);
        } else if (rounded) { // □
            canvas.Line(x - s, y - s, x + s, y - s);
            canvas.Line(x + s, y - s, x + s, y + s);
            canvas.Line(x + s, y + s, x - s, y + s);
            canvas.Line(x - s, y + s, x - s, y - s);
        } else if (pole) { // ×
            canvas.Line(x - s, y - s, x + s, y + s);
            canvas.Line(x - s, y + s, x + s, y - s);
        } else { // ○
            QPoint last(x + s, y);
            for (int k = 1; k <= 16; ++k) {
                const double a = 2.0 * Pi * k / 16.0;
                const QPoint next(x + static_cast<int>(std::lround(s * std::cos(a))),
                                  y - static_cast<int>(std::lround(s * std::sin(a))));
                canvas.Line(last.x(), last.y(), next.x(), next.y());
                last = next;
            }
        }
        if (r.multiplicity > 1 && !rounded) {
            // Above right for poles, below right for zeros, so a pole and a zero at one place
            // both show their counts.
            const int ty = pole ? y - s - canvas.TextHeight() : y + s;
            canvas.TextOut(x + s + 1, ty, std::to_string(r.multiplicity));
        }
    };
    for (const kaldorium::PoleZeroRoot &z : drawn.zeros) {
        draw(z, false);
    }
    for (const kaldorium::PoleZeroRoot &p : drawn.poles) {
        draw(p, true);
    }
}

void TPoleZeroForm::DrawLegend() {
    const std::string exact = "exact";
    const std::string rounded =
        std::string(kaldorium::CoefficientBitsText(quantised->Bits())) + "-bit coefficients";
    const int line = canvas.TextHeight();
    const int left = plane.margin + 6;
    const int top = 4;
    const int width = canvas.TextWidth(rounded) + 58;
    canvas.SetPenWidth(1);
    canvas.SetPenColor(AxisColour);
    canvas.SetFillColor(kaldorium::ColorWhite);
    canvas.Rectangle(left, top, left + width, top + 2 * line + 8);
    const int s = MarkSize;
    int y = top + 4 + line / 2;
    canvas.SetPenColor(kaldorium::ColorBlack);
    canvas.SetPenWidth(2);
    canvas.Line(left + 8 - s, y - s, left + 8 + s, y + s);
    canvas.Line(left + 8 - s, y + s, left + 8 + s, y - s);
    canvas.TextOut(left + 44, y - line / 2, exact);
    y += line;
    canvas.SetPenColor(RoundedColour);
    canvas.SetPenWidth(1);
    canvas.Line(left + 8 - s, y, left + 8, y - s);
    canvas.Line(left + 8, y - s, left + 8 + s, y);
    canvas.Line(left + 8 + s, y, left + 8, y + s);
    canvas.Line(left + 8, y + s, left + 8 - s, y);
    canvas.Rectangle(left + 22, y - s, left + 22 + 2 * s, y + s);
    canvas.TextOut(left + 44, y - line / 2, rounded);
}
