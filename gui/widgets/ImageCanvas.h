#pragma once

#include "signal/Canvas.h"

#include <QImage>
#include <QPainter>
#include <functional>
#include <memory>

// The drawing surface of a plot: paints into a QImage. A painter stays open across drawing calls
// (one per plotted point) and is closed by Flush() before the image is shown.
class ImageCanvas : public kaldorium::Canvas {
public:
    explicit ImageCanvas(int width = 779, int height = 386);
    ~ImageCanvas() override;

    int Width() const override { return image.width(); }
    int Height() const override { return image.height(); }

    void SetPenColor(kaldorium::Color color) override;
    void SetPenWidth(int width) override;
    void SetFillColor(kaldorium::Color color) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, const std::string &text) override;
    void ProcessMessages() override;
    bool RestoreBackground(const kaldorium::BackgroundKey &key) override;
    void SaveBackground(const kaldorium::BackgroundKey &key) override;

    // Ends the open painter so the image can be shown or saved.
    void Flush();
    // A new, white image of the given size (the old drawing is lost).
    void Resize(int width, int height);
    const QImage &Image();

    // What ProcessMessages does; nothing unless set (the workbench runs in chunks and yields
    // between them by itself).
    std::function<void()> processMessages;

private:
    QPainter &Painter();

    QImage image;
    std::unique_ptr<QPainter> painter;
    QPen pen;
    QRgb lineColor = qRgb(0, 0, 0); // the pen's colour, as the lines write it
    QColor fill = Qt::white;
    // The one background kept, with its key and the fill colour it was drawn with.
    QImage background;
    kaldorium::BackgroundKey backgroundKey;
    QColor backgroundFill;
    // Rows drawn on since the background was last saved or restored: only they need restoring.
    int dirtyTop = 0;
    int dirtyBottom = -1;
    void MarkAllDirty() {
        dirtyTop = 0;
        dirtyBottom = image.height() - 1;
    }
};
