#pragma once

#include <QWidget>

class ImageCanvas;

// Shows an ImageCanvas and reports mouse moves over it (cross cursor). Painting only blits the
// image; the plots draw into the canvas.
class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(ImageCanvas &canvas, QWidget *parent = nullptr);

    ImageCanvas &Canvas() { return canvas; }

signals:
    void mouseMoved(int x, int y);
    // The widget changed size; the canvas has been resized to match and is blank.
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    ImageCanvas &canvas;
};
