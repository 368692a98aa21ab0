#include "gui/tools/FormulaPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVector>

namespace {

// One term c·Z^−i: the coefficient letter with its index below, Z with the power above.
struct Term {
    int index;
    int width;
};

class TermPainter {
public:
    TermPainter(const QFont &base) : font(base), small(base) {
        small.setPointSizeF(base.pointSizeF() * 0.72);
    }

    int TermWidth(int i) const {
        const QFontMetrics big(font), little(small);
        int w = big.horizontalAdvance(QStringLiteral("a")) +
                little.horizontalAdvance(QString::number(i));
        if (i > 0) {
            w += big.horizontalAdvance(QStringLiteral("Z")) +
                 little.horizontalAdvance(QStringLiteral("-") + QString::number(i));
        }
        return w;
    }
    int PlusWidth() const { return QFontMetrics(font).horizontalAdvance(QStringLiteral(" + ")); }
    int LineHeight() const { return QFontMetrics(font).height(); }

    // Draws the term with its baseline at y.
    void Draw(QPainter &p, int x, int y, QChar letter, int i) const {
        const QFontMetrics big(font), little(small);
        p.setFont(font);
        p.drawText(x, y, QString(letter));
        x += big.horizontalAdvance(QString(letter));
        p.setFont(small);
        p.drawText(x, y + little.ascent() / 3, QString::number(i));
        x += little.horizontalAdvance(QString::number(i));
        if (i == 0) {
            return;
        }
        p.setFont(font);
        p.drawText(x, y, QStringLiteral("Z"));
        x += big.horizontalAdvance(QStringLiteral("Z"));
        p.setFont(small);
        p.drawText(x, y - big.ascent() / 2, QStringLiteral("-") + QString::number(i));
    }
    void DrawPlus(QPainter &p, int x, int y) const {
        p.setFont(font);
        p.drawText(x, y, QStringLiteral(" + "));
    }

private:
    QFont font;
    QFont small;
};

// Splits the terms 0 … order into as few lines no wider than `width` as possible, with the
// terms spread evenly over them; each line after the first starts with its " + ".
QVector<QVector<Term>> Lines(const TermPainter &terms, int order, int width) {
    for (int count = 1;; ++count) {
        const int perLine = (order + 1 + count - 1) / count;
        QVector<QVector<Term>> lines;
        bool fits = true;
        for (int i = 0; i <= order; ++i) {
            if (i % perLine == 0) {
                lines.append(QVector<Term>());
            }
            lines.last().append(Term{i, terms.TermWidth(i) + (i > 0 ? terms.PlusWidth() : 0)});
        }
        for (const auto &line : lines) {
            int w = 0;
            for (const Term &t : line) {
                w += t.width;
            }
            fits = fits && w <= width;
        }
        if (fits || count > order) {
            return lines;
        }
    }
}

int LineWidth(const QVector<Term> &line) {
    int w = 0;
    for (const Term &t : line) {
        w += t.width;
    }
    return w;
}

} // namespace

FormulaPicture::FormulaPicture(int order_, QWidget *parent) : QWidget(parent), order(order_) {}

void FormulaPicture::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    const TermPainter terms(font());
    const QFontMetrics fm(font());

    // Y(Z) over X(Z), then " = ", and the fraction beside them; a fraction whose polynomials
    // need more than one line each goes below them, over the whole width.
    const QString y = QStringLiteral("Y(Z)");
    const QString x = QStringLiteral("X(Z)");
    const QString equals = QStringLiteral(" = ");
    const int leftWidth = std::max(fm.horizontalAdvance(y), fm.horizontalAdvance(x));
    const int besideLeft = 4 + leftWidth + fm.horizontalAdvance(equals);
    QVector<QVector<Term>> lines = Lines(terms, order, width() - besideLeft - 4);
    int fractionLeft = besideLeft;
    int barY = height() / 2;
    const int lineHeight = terms.LineHeight();
    p.setFont(font());
    if (lines.size() > 1) {
        lines = Lines(terms, order, width() - 8);
        fractionLeft = 4;
        const int top = fm.height();
        barY = top + (height() - top) / 2;
        p.drawText(4, fm.ascent(), y + QStringLiteral("/") + x + equals);
    } else {
        p.drawText(4, barY - 4, y);
        p.drawLine(4, barY, 4 + leftWidth, barY);
        p.drawText(4, barY + fm.ascent() + 2, x);
        p.drawText(4 + leftWidth, barY + fm.ascent() / 2 - 1, equals);
    }
    const int half = static_cast<int>(lines.size()) * lineHeight;
    int widest = 0;
    for (const auto &line : lines) {
        widest = std::max(widest, LineWidth(line));
    }
    fractionLeft += (width() - 4 - fractionLeft - widest) / 2;
    p.drawLine(fractionLeft, barY, fractionLeft + widest, barY);

    for (int part = 0; part < 2; ++part) {
        const QChar letter = part == 0 ? QLatin1Char('a') : QLatin1Char('b');
        int baseline = part == 0 ? barY - half + fm.ascent() - 1 : barY + fm.ascent() + 3;
        for (const auto &line : lines) {
            int at = fractionLeft + (widest - LineWidth(line)) / 2;
            for (const Term &t : line) {
                if (t.index > 0) {
                    terms.DrawPlus(p, at, baseline);
                    at += terms.PlusWidth();
                }
                terms.Draw(p, at, baseline, letter, t.index);
                at += terms.TermWidth(t.index);
            }
            baseline += lineHeight;
        }
    }
}
