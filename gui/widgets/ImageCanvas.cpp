#include "widgets/ImageCanvas.h"

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
    if (!painter) {
        painter = std::make_unique<QPainter>(&image);
        painter->setPen(pen);
    }
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
    image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
}

const QImage &ImageCanvas::Image() {
    Flush();
    return image;
}

void ImageCanvas::SetPenColor(kaldorium::Color color) {
    pen.setColor(ToQColor(color));
    if (painter) {
        painter->setPen(pen);
    }
}

void ImageCanvas::SetPenWidth(int width) {
    pen.setWidth(width);
    if (painter) {
        painter->setPen(pen);
    }
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
    Painter().drawLine(x1, y1, x2, y2);
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
