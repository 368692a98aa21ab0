#include "widgets/PlotImage.h"

#include "widgets/ImageCanvas.h"

#include <QMouseEvent>
#include <QPainter>

PlotImage::PlotImage(ImageCanvas &canvas_, QWidget *parent) : QWidget(parent), canvas(canvas_) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
}

void PlotImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas.Image());
}

void PlotImage::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    emit mouseMoved(p.x(), p.y());
}

void PlotImage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (canvas.Width() != width() || canvas.Height() != height()) {
        canvas.Resize(width(), height());
        emit resized();
    }
}
