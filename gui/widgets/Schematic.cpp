#include "gui/widgets/Schematic.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

constexpr double strokeWidth = 1.4;

QFont DrawingFont(double size, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setBold(bold);
    // Unhinted outlines scale smoothly with the view.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// The unit vector from a to b and the length between them.
struct Span {
    QPointF along;
    QPointF across;
    double length;
    bool horizontal;
};

Span SpanOf(QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    const QPointF along = length > 0 ? d / length : QPointF(1, 0);
    return {along, QPointF(-along.y(), along.x()), length, std::fabs(d.y()) < std::fabs(d.x())};
}

} // namespace

SchematicPainter::SchematicPainter(QPainter &painter) : p(painter) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QPen pen(Qt::black, strokeWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void SchematicPainter::Wire(std::initializer_list<QPointF> points) {
    p.drawPolyline(QPolygonF(QList<QPointF>(points)));
}

void SchematicPainter::Node(QPointF at) {
    p.save();
    p.setBrush(Qt::black);
    p.drawEllipse(at, 2.2, 2.2);
    p.restore();
}

void SchematicPainter::Terminal(QPointF at, const QString &name, bool labelLeft) {
    p.save();
    p.setBrush(Qt::white);
    p.drawEllipse(at, 3.0, 3.0);
    p.restore();
    Text(at + QPointF(labelLeft ? -6.0 : 6.0, 0.0), name,
         (labelLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void SchematicPainter::Resistor(QPointF a, QPointF b, const QString &label, bool labelOtherSide) {
    const Span s = SpanOf(a, b);
    const QPointF mid = (a + b) / 2.0;
    const double half = 13.0;
    const double width = 4.5;
    Wire({a, mid - s.along * half});
    Wire({mid + s.along * half, b});
    QPolygonF body;
    body << mid - s.along * half - s.across * width << mid + s.along * half - s.across * width
         << mid + s.along * half + s.across * width << mid - s.along * half + s.across * width;
    p.drawPolygon(body);
    if (s.horizontal) {
        Text(mid + QPointF(0, labelOtherSide ? 8.0 : -8.0), label,
             Qt::AlignHCenter | (labelOtherSide ? Qt::AlignTop : Qt::AlignBottom));
    } else {
        Text(mid + QPointF(labelOtherSide ? -9.0 : 9.0, 0), label,
             (labelOtherSide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
}

void SchematicPainter::Capacitor(QPointF a, QPointF b, const QString &label, bool labelOtherSide) {
    const Span s = SpanOf(a, b);
    const QPointF mid = (a + b) / 2.0;
    const double gap = 2.8;
    const double plate = 8.5;
    Wire({a, mid - s.along * gap});
    Wire({mid + s.along * gap, b});
    p.save();
    QPen pen = p.pen();
    pen.setWidthF(strokeWidth * 1.6);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    for (double side : {-gap, gap}) {
        const QPointF c = mid + s.along * side;
        p.drawLine(c - s.across * plate, c + s.across * plate);
    }
    p.restore();
    if (s.horizontal) {
        Text(mid + QPointF(0, labelOtherSide ? 11.0 : -11.0), label,
             Qt::AlignHCenter | (labelOtherSide ? Qt::AlignTop : Qt::AlignBottom));
    } else {
        Text(mid + QPointF(labelOtherSide ? -12.0 : 12.0, 0), label,
             (labelOtherSide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
}

void SchematicPainter::Ground(QPointF at) {
    Wire({at, at + QPointF(0, 8)});
    for (int i = 0; i < 3; ++i) {
        const double half = 9.0 - 3.5 * i;
        const double y = at.y() + 8.0 + 3.2 * i;
        p.drawLine(QPointF(at.x() - half, y), QPointF(at.x() + half, y));
    }
}

SchematicPainter::OpAmpPins SchematicPainter::OpAmp(double x, double y, bool plusOnTop,
                                                    const QString &name) {
    const double halfHeight = 25.0;
    const double width = 48.0;
    QPolygonF triangle;
    triangle << QPointF(x, y - halfHeight) << QPointF(x + width, y) << QPointF(x, y + halfHeight);
    p.drawPolygon(triangle);
    const double upper = y - 12.0;
    const double lower = y + 12.0;
    // The signs are short strokes, so they do not depend on a font.
    auto minus = [&](double yy) { p.drawLine(QPointF(x + 4, yy), QPointF(x + 10, yy)); };
    auto plus = [&](double yy) {
        minus(yy);
        p.drawLine(QPointF(x + 7, yy - 3), QPointF(x + 7, yy + 3));
    };
    if (plusOnTop) {
        plus(upper);
        minus(lower);
    } else {
        minus(upper);
        plus(lower);
    }
    if (!name.isEmpty()) {
        Text(QPointF(x + 17, y), name, Qt::AlignLeft | Qt::AlignVCenter, 9.0);
    }
    const QPointF top(x, upper);
    const QPointF bottom(x, lower);
    return plusOnTop ? OpAmpPins{bottom, top, QPointF(x + width, y)}
                     : OpAmpPins{top, bottom, QPointF(x + width, y)};
}

void SchematicPainter::Text(QPointF at, const QString &text, int alignment, double size,
                            bool bold) {
    p.save();
    const QFont font = DrawingFont(size, bold);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const double w = metrics.horizontalAdvance(text);
    const double h = metrics.height();
    double x = at.x();
    double y = at.y();
    if (alignment & Qt::AlignRight) {
        x -= w;
    } else if (alignment & Qt::AlignHCenter) {
        x -= w / 2.0;
    }
    if (alignment & Qt::AlignBottom) {
        y -= h;
    } else if (alignment & Qt::AlignVCenter) {
        y -= h / 2.0;
    }
    p.drawText(QRectF(x, y, w + 1.0, h), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.restore();
}

double SchematicPainter::Fraction(QPointF at, const QString &lhs, const QString &numerator,
                                  const QString &denominator, double size) {
    const QFontMetricsF metrics(DrawingFont(size, false));
    const double lhsWidth = metrics.horizontalAdvance(lhs);
    const double barWidth =
        std::max(metrics.horizontalAdvance(numerator), metrics.horizontalAdvance(denominator)) +
        10.0;
    Text(at, lhs, Qt::AlignLeft | Qt::AlignVCenter, size);
    const double left = at.x() + lhsWidth + 4.0;
    const double centre = left + barWidth / 2.0;
    Text(QPointF(centre, at.y() - 2.0), numerator, Qt::AlignHCenter | Qt::AlignBottom, size);
    Text(QPointF(centre, at.y() + 2.0), denominator, Qt::AlignHCenter | Qt::AlignTop, size);
    p.drawLine(QPointF(left, at.y()), QPointF(left + barWidth, at.y()));
    return left + barWidth;
}

SchematicView::SchematicView(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SchematicView::SetDrawing(QSizeF logical, Drawing draw) {
    logicalSize = logical;
    drawing = std::move(draw);
    updateGeometry();
    update();
}

QSize SchematicView::sizeHint() const {
    return (logicalSize * 1.35).toSize();
}

QSize SchematicView::minimumSizeHint() const {
    return logicalSize.toSize();
}

void SchematicView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!drawing) {
        return;
    }
    // A margin of `margin` grid units on every side keeps labels at the edge inside the view.
    const double margin = 12.0;
    const QSizeF framed = logicalSize + QSizeF(2 * margin, 2 * margin);
    const double scale = std::min(width() / framed.width(), height() / framed.height());
    painter.translate((width() - logicalSize.width() * scale) / 2.0,
                      (height() - logicalSize.height() * scale) / 2.0);
    painter.scale(scale, scale);
    SchematicPainter schematic(painter);
    drawing(schematic);
}
