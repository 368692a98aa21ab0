#include "widgets/ImageCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
QColor ToQColor(kaldorium::Color c) {
    return QColor(c.red, c.green, c.blue);
}
} // namespace

ImageCanvas::ImageCanvas(int width, int height)
    : image(width, height, QImage::Format_RGB32), pen(Qt::black, 1) {
    image.fill(Qt::white);
}

ImageCanvas::~ImageCanvas() {
    Flush();
}

QPainter &ImageCanvas::Painter() {
    MarkAllDirty();
    if (!painter) {
        painter = std::make_unique<QPainter>(&image);
    }
    if (pen.color().rgb() != lineColor) {
        pen.setColor(QColor::fromRgb(lineColor));
    }
    painter->setPen(pen);
    return *painter;
}

void ImageCanvas::Flush() {
    if (painter) {
        painter->end();
        painter.reset();
    }
}

void ImageCanvas::Resize(int width, int height) {
    Flush();
    background = QImage();
    image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
}

const QImage &ImageCanvas::Image() {
    Flush();
    return image;
}

// The painter takes the pen only when it draws (rectangles, text): lines, one per sample, are
// drawn without it.
void ImageCanvas::SetPenColor(kaldorium::Color color) {
    // Only the painter needs a QPen colour (its brush allocates): it is set when one is used.
    lineColor = qRgb(color.red, color.green, color.blue);
}

void ImageCanvas::SetPenWidth(int width) {
    pen.setWidth(width);
}

void ImageCanvas::SetFillColor(kaldorium::Color color) {
    fill = ToQColor(color);
}

void ImageCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    QPainter &p = Painter();
    const QRect r(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    p.fillRect(r, fill);
    p.drawRect(r.adjusted(0, 0, -pen.width() + 1, -pen.width() + 1));
}

void ImageCanvas::FillRect(int x1, int y1, int x2, int y2) {
    Painter().fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), fill);
}

void ImageCanvas::Line(int x1, int y1, int x2, int y2) {
    // Plots draw one short segment per sample; writing the pixels directly (Bresenham, the pen's
    // width as parallel one-pixel lines) is much faster than the painter's wide lines.
    Flush();
    const int penWidth = std::max(pen.width(), 1);
    const QRgb color = lineColor;
    const int w = image.width();
    const int h = image.height();
    auto *bits = reinterpret_cast<QRgb *>(image.bits());
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    const bool xMajor = dx >= -dy;
    const int first = -(penWidth - 1) / 2;
    const int last = penWidth / 2;
    dirtyTop = std::max(0, std::min({dirtyTop, y1 + first, y2 + first}));
    dirtyBottom = std::min(h - 1, std::max({dirtyBottom, y1 + last, y2 + last}));
    int error = dx + dy;
    int x = x1;
    int y = y1;
    for (;;) {
        for (int o = first; o <= last; ++o) {
            const int px = xMajor ? x : x + o;
            const int py = xMajor ? y + o : y;
            if (px >= 0 && px < w && py >= 0 && py < h) {
                bits[py * stride + px] = color;
            }
        }
        if (x == x2 && y == y2) {
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

void ImageCanvas::TextOut(int x, int y, const std::string &text) {
    QPainter &p = Painter();
    const QFontMetrics metrics(p.font());
    // The point is the text's top left corner.
    p.drawText(QPoint(x, y + metrics.ascent()), QString::fromStdString(text));
}

void ImageCanvas::ProcessMessages() {
    if (processMessages) {
        processMessages();
    }
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
    return true;
}

void ImageCanvas::SaveBackground(const kaldorium::BackgroundKey &key) {
    Flush();
    background = image.copy();
    dirtyTop = image.height();
    dirtyBottom = -1;
    backgroundKey = key;
    backgroundFill = fill;
}
