#pragma once

#include "core/signal/Canvas.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The drawing surface of a plot: paints into a QImage. A painter stays open across drawing calls
// (one per plotted point) and is closed by Flush() before the image is shown.
//
// Coordinates are logical pixels; the image itself holds Width() × Height() times the device
// pixel ratio, so plots stay crisp on scaled screens. Besides painting, the canvas keeps the
// drawing calls since the picture was last cleared, so the same drawing can be replayed onto
// any painter (a vector file, an image of another size).
class ImageCanvas : public kaldorium::Canvas {
public:
    explicit ImageCanvas(int width = 779, int height = 386);
    ~ImageCanvas() override;

    int Width() const override { return logicalWidth; }
    int Height() const override { return logicalHeight; }

    void SetPenColor(kaldorium::Color color) override;
    void SetPenWidth(int width) override;
    void SetFillColor(kaldorium::Color color) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, const std::string &text) override;
    int TextWidth(const std::string &text) const override;
    int TextHeight() const override;
    bool RestoreBackground(const kaldorium::BackgroundKey &key) override;
    void SaveBackground(const kaldorium::BackgroundKey &key) override;

    // Draws `picture` scaled into the logical rectangle (x, y, width, height), pixel for pixel
    // when the sizes agree. A picture cannot be replayed: a vector export then takes the image.
    void DrawImage(int x, int y, int width, int height, const QImage &picture);
    // Ends the open painter so the image can be shown or saved.
    void Flush();
    // A new, white image of the given logical size (the old drawing is lost).
    void Resize(int width, int height);
    // The same with a device pixel ratio (physical pixels per logical pixel).
    void Resize(int width, int height, qreal devicePixelRatio);
    qreal DevicePixelRatio() const { return ratio; }
    const QImage &Image();

    // Draws what the image shows onto `painter`, in logical coordinates, from the kept calls.
    // False when the calls could not all be kept (an endless plot); the caller then uses Image().
    bool Replay(QPainter &painter) const;

    // The font of the grid labels (the projector view enlarges it).
    void SetTextFont(const QFont &font);

private:
    // A drawing call with the pen's colour at the time: traces of two colours drawn in turn
    // keep one call per segment, not a colour change between every two.
    struct Operation {
        enum Kind : unsigned char { PenWidth, Fill, Rect, Fill_Rect, Segment, Text } kind;
        int a, b, c, d; // coordinates, or a colour in a and a width in a
        QRgb color;
    };
    // Plots that never clear (none of ours do) would grow the list without end: past this many
    // calls the canvas stops keeping them.
    static constexpr std::size_t MaxOperations = 4'000'000;

    // A trace's samples within one pixel column, not yet drawn: the segments down the column
    // (the pen's band across, rows lo … hi) and the points on it (one pixel across, rows
    // pointLo … pointHi), in image pixels. A column hit by many samples is drawn once.
    struct ColumnRun {
        QRgb color = 0;
        int x = 0;
        int first = 0; // the band's columns, relative to x
        int last = 0;
        int lo = 0, hi = -1;
        int pointLo = 0, pointHi = -1;
    };
    static constexpr int MaxRuns = 2; // a trace and its companion, drawn in turn

    QPainter &Painter();
    void EndPainter();
    // Adds the vertical segment or point to its colour's run; false when it does not join one.
    bool JoinRun(int x1, int y1, int y2);
    void DrawRuns();
    void SetBand(int top, int bottom, int left, int right, QRgb color);
    void Keep(Operation::Kind kind, int a, int b = 0, int c = 0, int d = 0) {
        if (!complete) {
            return;
        }
        if (operations.size() >= MaxOperations) {
            complete = false;
            return;
        }
        operations.push_back({kind, a, b, c, d, lineColor});
    }
    // Where the pen's band starts across a path at logical v, and the path's own pixel.
    int BandStart(int v) const {
        return unitRatio
                   ? v + unitBand
                   : static_cast<int>(std::floor(v * ratio + (ratio - lineWidth) / 2.0 + 0.5));
    }
    int Centre(int v) const {
        return unitRatio ? v : static_cast<int>(std::floor((v + 0.5) * ratio));
    }
    // After the ratio or the line width changed.
    void TakeLineGeometry();
    bool CoversImage(int x1, int y1, int x2, int y2) const;
    void ForgetOperations();

    int logicalWidth;
    int logicalHeight;
    qreal ratio = 1.0;
    QImage image;
    std::unique_ptr<QPainter> painter;
    QPen pen;
    QRgb lineColor = qRgb(0, 0, 0); // the pen's colour, as the lines write it
    int lineWidth = 1;              // the lines' width in image pixels
    bool unitRatio = true;          // one image pixel per logical pixel: integer arithmetic
    int unitBand = 0;               // BandStart(v) − v then
    ColumnRun runs[MaxRuns];
    int runCount = 0;
    QColor fill = Qt::white;
    QFont textFont;
    // The one background kept, with its key and the fill colour it was drawn with.
    QImage background;
    kaldorium::BackgroundKey backgroundKey;
    QColor backgroundFill;
    // Rows (of the image's own pixels) drawn on since the background was last saved or
    // restored: only they need restoring.
    int dirtyTop = 0;
    int dirtyBottom = -1;
    void MarkAllDirty() {
        dirtyTop = 0;
        dirtyBottom = image.height() - 1;
    }

    // The drawing calls since the last clear, and those of the kept background.
    std::vector<Operation> operations;
    std::vector<std::string> texts;
    bool complete = true;
    std::vector<Operation> backgroundOperations;
    std::vector<std::string> backgroundTexts;
    bool backgroundComplete = true;
};
