#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;

// Circuit symbols and formulas drawn with vector strokes on a logical grid; the view scales the
// grid to its size, so the drawing stays crisp at any screen scale.
class SchematicPainter {
public:
    explicit SchematicPainter(QPainter &painter);

    struct OpAmpPins {
        QPointF minus, plus, out;
    };

    // A wire through the points.
    void Wire(std::initializer_list<QPointF> points);
    // A connection dot.
    void Node(QPointF at);
    // An open terminal with its name ("Vin", "Vout").
    void Terminal(QPointF at, const QString &name, bool labelLeft);
    // Components between two points on one horizontal or vertical line; the symbol sits in the
    // middle, the label beside it (above a horizontal one, right of a vertical one, or on the
    // other side when `labelOtherSide`).
    void Resistor(QPointF a, QPointF b, const QString &label, bool labelOtherSide = false);
    void Capacitor(QPointF a, QPointF b, const QString &label, bool labelOtherSide = false);
    // The ground symbol hanging below `at`.
    void Ground(QPointF at);
    // A triangle whose left edge is at x, centred on y, pointing right; the inverting input is
    // the upper one unless `plusOnTop`.
    OpAmpPins OpAmp(double x, double y, bool plusOnTop = false, const QString &name = QString());
    // Text with its reference point at the given alignment (Qt::AlignLeft | Qt::AlignVCenter …).
    void Text(QPointF at, const QString &text, int alignment, double size = 11.0,
              bool bold = false);
    // "lhs numerator / denominator" as a built-up fraction; returns the right end.
    double Fraction(QPointF at, const QString &lhs, const QString &numerator,
                    const QString &denominator, double size = 13.0);

    static constexpr double componentLength = 40.0;

private:
    QPainter &p;
};

// A widget that shows one drawing, scaled to fit and centred.
class SchematicView : public QWidget {
public:
    using Drawing = std::function<void(SchematicPainter &)>;

    explicit SchematicView(QWidget *parent = nullptr);
    // `logical` is the drawing's extent in grid units.
    void SetDrawing(QSizeF logical, Drawing draw);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF logicalSize{100.0, 100.0};
    Drawing drawing;
};
