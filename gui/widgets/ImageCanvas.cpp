#include "gui/widgets/ImageCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

QColor ToQColor(kaldorium::Color c) {
    return QColor(c.red, c.green, c.blue);
}

int PhysicalSize(int logical, qreal ratio) {
    return std::max(1, static_cast<int>(std::lround(logical * ratio)));
}

// The lines' width in image pixels for a pen of `width` logical pixels.
int LineWidth(int width, qreal ratio) {
    return std::max(1, static_cast<int>(std::lround(std::max(width, 1) * ratio)));
}

// Widens [lo, hi] by [from, to] when the two meet or touch (an empty [lo, hi] takes it whole);
// false, and nothing changed, when a gap would lie between them.
bool Widen(int &lo, int &hi, int from, int to) {
    if (lo > hi) {
        lo = from;
        hi = to;
        return true;
    }
    if (from > hi + 1 || to < lo - 1) {
        return false;
    }
    lo = std::min(lo, from);
    hi = std::max(hi, to);
    return true;
}

} // namespace

ImageCanvas::ImageCanvas(int width, int height)
    : logicalWidth(width), logicalHeight(height), image(width, height, QImage::Format_RGB32),
      pen(Qt::black, 1) {
    image.fill(Qt::white);
}

ImageCanvas::~ImageCanvas() {
    Flush();
}

QPainter &ImageCanvas::Painter() {
    DrawRuns();
    MarkAllDirty();
    if (!painter) {
        painter = std::make_unique<QPainter>(&image);
        painter->setFont(textFont);
    }
    if (pen.color().rgb() != lineColor) {
        pen.setColor(QColor::fromRgb(lineColor));
    }
    painter->setPen(pen);
    return *painter;
}

void ImageCanvas::Flush() {
    DrawRuns();
    EndPainter();
}

void ImageCanvas::EndPainter() {
    if (painter) {
        painter->end();
        painter.reset();
    }
}

void ImageCanvas::Resize(int width, int height) {
    Resize(width, height, ratio);
}

void ImageCanvas::Resize(int width, int height, qreal devicePixelRatio) {
    Flush();
    background = QImage();
    ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    logicalWidth = std::max(width, 1);
    logicalHeight = std::max(height, 1);
    image = QImage(PhysicalSize(logicalWidth, ratio), PhysicalSize(logicalHeight, ratio),
                   QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    TakeLineGeometry();
    ForgetOperations();
}

const QImage &ImageCanvas::Image() {
    Flush();
    return image;
}

void ImageCanvas::ForgetOperations() {
    // clear() keeps the capacity: a plot redrawn page after page allocates nothing.
    operations.clear();
    texts.clear();
    complete = true;
}

void ImageCanvas::TakeLineGeometry() {
    lineWidth = LineWidth(pen.width(), ratio);
    unitRatio = ratio == 1.0;
    // floor(v + (1 − width)/2 + 0.5) for whole v.
    unitBand = static_cast<int>(std::floor((1.0 - lineWidth) / 2.0 + 0.5));
}

bool ImageCanvas::CoversImage(int x1, int y1, int x2, int y2) const {
    return std::min(x1, x2) <= 0 && std::min(y1, y2) <= 0 && std::max(x1, x2) >= logicalWidth &&
           std::max(y1, y2) >= logicalHeight;
}

// The painter takes the pen only when it draws (rectangles, text): lines, one per sample, are
// drawn without it.
void ImageCanvas::SetPenColor(kaldorium::Color color) {
    // Only the painter needs a QPen colour (its brush allocates): it is set when one is used.
    // Kept with each drawing call, not as a call of its own.
    lineColor = qRgb(color.red, color.green, color.blue);
}

void ImageCanvas::SetPenWidth(int width) {
    DrawRuns();
    pen.setWidth(width);
    TakeLineGeometry();
    Keep(Operation::PenWidth, width);
}

void ImageCanvas::SetFillColor(kaldorium::Color color) {
    fill = ToQColor(color);
    Keep(Operation::Fill, static_cast<int>(fill.rgb()));
}

void ImageCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (CoversImage(x1, y1, x2, y2)) {
        // Nothing drawn before shows any more; start the kept drawing afresh with the state.
        ForgetOperations();
        Keep(Operation::PenWidth, pen.width());
        Keep(Operation::Fill, static_cast<int>(fill.rgb()));
    }
    Keep(Operation::Rect, x1, y1, x2, y2);
    QPainter &p = Painter();
    const QRect r(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    p.fillRect(r, fill);
    p.drawRect(r.adjusted(0, 0, -pen.width() + 1, -pen.width() + 1));
}

void ImageCanvas::FillRect(int x1, int y1, int x2, int y2) {
    if (CoversImage(x1, y1, x2, y2)) {
        ForgetOperations();
        Keep(Operation::PenWidth, pen.width());
        Keep(Operation::Fill, static_cast<int>(fill.rgb()));
    }
    Keep(Operation::Fill_Rect, x1, y1, x2, y2);
    Painter().fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), fill);
}

void ImageCanvas::DrawImage(int x, int y, int width, int height, const QImage &picture) {
    complete = false;
    QPainter &p = Painter();
    p.drawImage(QRect(x, y, width, height), picture);
}

// Plots draw one short segment per sample; writing the pixels directly (Bresenham, the pen's
// width as parallel one-pixel lines) is much faster than the painter's wide lines. On a scaled
// screen the path runs through the centres of the logical pixels and the pen is as many image
// pixels wide as the scale makes it. Where many samples fall in one pixel column, the segments
// and points down the column join a run that is drawn once, as the same pixels.
void ImageCanvas::Line(int x1, int y1, int x2, int y2) {
    Keep(Operation::Segment, x1, y1, x2, y2);
    EndPainter();
    if (x1 == x2 && JoinRun(x1, y1, y2)) {
        return;
    }
    DrawRuns();
    const int penWidth = lineWidth;
    const int X1 = Centre(x1);
    const int Y1 = Centre(y1);
    const int X2 = Centre(x2);
    const int Y2 = Centre(y2);
    const QRgb color = lineColor;
    const int w = image.width();
    const int h = image.height();
    auto *bits = reinterpret_cast<QRgb *>(image.bits());
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const int dx = std::abs(X2 - X1);
    const int dy = -std::abs(Y2 - Y1);
    const int sx = X1 < X2 ? 1 : -1;
    const int sy = Y1 < Y2 ? 1 : -1;
    const bool xMajor = dx >= -dy;
    // The band of parallel lines across the path, relative to the path's pixel.
    const int first = xMajor ? BandStart(y1) - Y1 : BandStart(x1) - X1;
    const int last = first + penWidth - 1;
    dirtyTop = std::max(0, std::min({dirtyTop, Y1 + first, Y2 + first}));
    dirtyBottom = std::min(h - 1, std::max({dirtyBottom, Y1 + last, Y2 + last}));
    int error = dx + dy;
    int x = X1;
    int y = Y1;
    for (;;) {
        for (int o = first; o <= last; ++o) {
            const int px = xMajor ? x : x + o;
            const int py = xMajor ? y + o : y;
            if (px >= 0 && px < w && py >= 0 && py < h) {
                bits[py * stride + px] = color;
            }
        }
        if (x == X2 && y == Y2) {
            break;
        }
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

// A segment down column x1 covers, as Line draws it, the band's columns across every row from
// one end to the other; a point covers its own column across the band's rows.
bool ImageCanvas::JoinRun(int x1, int y1, int y2) {
    const int X = Centre(x1);
    const int first = BandStart(x1) - X;
    ColumnRun *run = nullptr;
    for (int i = 0; i < runCount; ++i) {
        if (runs[i].color == lineColor) {
            run = &runs[i];
        }
    }
    if (run == nullptr) {
        if (runCount == MaxRuns) {
            return false;
        }
        run = &runs[runCount++];
        *run = ColumnRun{lineColor, X, first, first + lineWidth - 1};
    } else if (run->x != X || run->first != first) {
        return false;
    }
    if (y1 != y2) {
        const int Y1 = Centre(y1);
        const int Y2 = Centre(y2);
        return Widen(run->lo, run->hi, std::min(Y1, Y2), std::max(Y1, Y2));
    }
    const int top = BandStart(y1);
    return Widen(run->pointLo, run->pointHi, top, top + lineWidth - 1);
}

void ImageCanvas::DrawRuns() {
    // A run exists only after a line, which ended the painter: the pixels are written directly.
    for (int i = 0; i < runCount; ++i) {
        const ColumnRun &run = runs[i];
        SetBand(run.lo, run.hi, run.x + run.first, run.x + run.last, run.color);
        SetBand(run.pointLo, run.pointHi, run.x, run.x, run.color);
    }
    runCount = 0;
}

void ImageCanvas::SetBand(int top, int bottom, int left, int right, QRgb color) {
    top = std::max(top, 0);
    bottom = std::min(bottom, image.height() - 1);
    left = std::max(left, 0);
    right = std::min(right, image.width() - 1);
    if (top > bottom || left > right) {
        return;
    }
    dirtyTop = std::min(dirtyTop, top);
    dirtyBottom = std::max(dirtyBottom, bottom);
    auto *bits = reinterpret_cast<QRgb *>(image.bits());
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    for (int y = top; y <= bottom; ++y) {
        std::fill(bits + y * stride + left, bits + y * stride + right + 1, color);
    }
}

void ImageCanvas::TextOut(int x, int y, const std::string &text) {
    if (complete) {
        Keep(Operation::Text, x, y, static_cast<int>(texts.size()));
        if (complete) {
            texts.push_back(text);
        }
    }
    QPainter &p = Painter();
    const QFontMetrics metrics(p.font());
    // The point is the text's top left corner.
    p.drawText(QPoint(x, y + metrics.ascent()), QString::fromStdString(text));
}

int ImageCanvas::TextWidth(const std::string &text) const {
    // The font a painter on the image starts with, the one TextOut writes in.
    return QFontMetrics(textFont, &image).horizontalAdvance(QString::fromStdString(text));
}

int ImageCanvas::TextHeight() const {
    return QFontMetrics(textFont, &image).height();
}

void ImageCanvas::SetTextFont(const QFont &font) {
    Flush();
    textFont = font;
}

bool ImageCanvas::RestoreBackground(const kaldorium::BackgroundKey &key) {
    if (background.isNull() || background.size() != image.size() || !(key == backgroundKey) ||
        backgroundFill != fill) {
        return false;
    }
    Flush();
    if (dirtyTop <= dirtyBottom) {
        const qsizetype row = image.bytesPerLine();
        std::memcpy(image.scanLine(dirtyTop), background.constScanLine(dirtyTop),
                    static_cast<size_t>(row * (dirtyBottom - dirtyTop + 1)));
    }
    dirtyTop = image.height();
    dirtyBottom = -1;
    // Assignment reuses the kept capacity.
    operations = backgroundOperations;
    texts = backgroundTexts;
    complete = backgroundComplete;
    return true;
}

void ImageCanvas::SaveBackground(const kaldorium::BackgroundKey &key) {
    Flush();
    // Shared until the image is next drawn on: the painter has ended and every drawing call
    // takes the pixels through a detaching access, so the copy is made only when needed.
    background = image;
    dirtyTop = image.height();
    dirtyBottom = -1;
    backgroundKey = key;
    backgroundFill = fill;
    backgroundOperations = operations;
    backgroundTexts = texts;
    backgroundComplete = complete;
}

bool ImageCanvas::Replay(QPainter &p) const {
    if (!complete) {
        return false;
    }
    p.save();
    QPen replayPen(Qt::black, 1);
    replayPen.setCapStyle(Qt::SquareCap);
    replayPen.setJoinStyle(Qt::MiterJoin);
    QColor replayFill = Qt::white;
    const QFontMetrics metrics(p.font());
    for (const Operation &op : operations) {
        switch (op.kind) {
        case Operation::PenWidth:
            replayPen.setWidth(std::max(op.a, 1));
            break;
        case Operation::Fill:
            replayFill = QColor::fromRgb(static_cast<QRgb>(op.a));
            break;
        case Operation::Rect: {
            const QRect r(QPoint(op.a, op.b), QPoint(op.c - 1, op.d - 1));
            replayPen.setColor(QColor::fromRgb(op.color));
            p.fillRect(r, replayFill);
            p.setPen(replayPen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -replayPen.width() + 1, -replayPen.width() + 1));
            break;
        }
        case Operation::Fill_Rect:
            p.fillRect(QRect(QPoint(op.a, op.b), QPoint(op.c - 1, op.d - 1)), replayFill);
            break;
        case Operation::Segment:
            replayPen.setColor(QColor::fromRgb(op.color));
            p.setPen(replayPen);
            // Through the pixels' centres, as the image draws it.
            p.drawLine(QPointF(op.a + 0.5, op.b + 0.5), QPointF(op.c + 0.5, op.d + 0.5));
            break;
        case Operation::Text:
            replayPen.setColor(QColor::fromRgb(op.color));
            p.setPen(replayPen);
            p.drawText(QPoint(op.a, op.b + metrics.ascent()),
                       QString::fromStdString(texts[static_cast<std::size_t>(op.c)]));
            break;
        }
    }
    p.restore();
    return true;
}
