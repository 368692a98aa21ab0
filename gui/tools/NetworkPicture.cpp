#include "gui/tools/NetworkPicture.h"

#include <QPainter>

namespace {

// Stage index of branch k's column c (k 1 … 4, c 0 … 2).
int Stage(int branch, int column) {
    return 3 * branch - 2 + column;
}

constexpr int Input = 0;
constexpr int Output = 13;
constexpr int CircleRadius = 9;

} // namespace

NetworkPicture::NetworkPicture(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NetworkPicture::SetStagePlaces(const std::array<QRect, 14> &places) {
    stagePlaces = places;
    update();
}

void NetworkPicture::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(236, 240, 246));
    QPen line(QColor(30, 30, 110), 2);
    p.setPen(line);

    const QRect &in = stagePlaces[Input];
    const QRect &out = stagePlaces[Output];
    const int firstRow = stagePlaces[Stage(1, 0)].center().y();
    const int lastRow = stagePlaces[Stage(4, 0)].center().y();

    // Input to the four rows.
    const int split = (in.right() + stagePlaces[Stage(1, 0)].left()) / 2;
    p.drawLine(in.right(), in.center().y(), split, in.center().y());
    p.drawLine(split, firstRow, split, lastRow);
    // The rows' outputs to the summing line, and the sum to the output stage.
    const int sum = (stagePlaces[Stage(1, 2)].right() + out.left()) / 2;
    p.drawLine(sum, firstRow, sum, lastRow);
    p.drawLine(sum, out.center().y(), out.left(), out.center().y());
    for (int k = 1; k <= 4; ++k) {
        const int y = stagePlaces[Stage(k, 0)].center().y();
        p.drawLine(split, y, stagePlaces[Stage(k, 0)].left(), y);
        for (int c = 0; c < 2; ++c) {
            p.drawLine(stagePlaces[Stage(k, c)].right(), y, stagePlaces[Stage(k, c + 1)].left(), y);
        }
        p.drawLine(stagePlaces[Stage(k, 2)].right(), y, sum, y);
    }

    // The boxes, a little larger than the groups laid on them.
    p.setBrush(QColor(255, 255, 255));
    for (const QRect &place : stagePlaces) {
        p.drawRoundedRect(place.adjusted(-3, -3, 3, 3), 4, 4);
    }

    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    p.setFont(bold);
    p.setPen(QColor(0, 0, 0));
    // "x" between the stages of a row: their responses multiply.
    for (int k = 1; k <= 4; ++k) {
        const int y = stagePlaces[Stage(k, 0)].center().y();
        for (int c = 0; c < 2; ++c) {
            const int left = stagePlaces[Stage(k, c)].right() + 3;
            const int right = stagePlaces[Stage(k, c + 1)].left() - 3;
            p.fillRect(QRect(left, y - 10, right - left, 20), QColor(236, 240, 246));
            p.drawText(QRect(left, y - 11, right - left, 20), Qt::AlignCenter, QStringLiteral("x"));
        }
    }
    // "+" circles between the rows on the summing line: the rows add.
    p.setPen(line);
    for (int k = 1; k <= 3; ++k) {
        const int y =
            (stagePlaces[Stage(k, 0)].center().y() + stagePlaces[Stage(k + 1, 0)].center().y()) / 2;
        const QRect circle(sum - CircleRadius, y - CircleRadius, 2 * CircleRadius,
                           2 * CircleRadius);
        p.setBrush(QColor(255, 255, 255));
        p.drawEllipse(circle);
        p.setPen(QColor(0, 0, 0));
        p.drawText(circle.adjusted(0, -1, 0, -1), Qt::AlignCenter, QStringLiteral("+"));
        p.setPen(line);
    }
    p.setPen(QColor(0, 0, 0));
    p.drawText(QRect(in.left(), in.top() - 30, in.width(), 22), Qt::AlignCenter,
               QStringLiteral("Input"));
    p.drawText(QRect(out.left(), out.top() - 30, out.width(), 22), Qt::AlignCenter,
               QStringLiteral("Output"));
}
