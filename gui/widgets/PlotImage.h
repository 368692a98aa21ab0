#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class ImageCanvas;
class QLabel;
class QMenu;
class UiServices;

namespace kaldorium {
class Oscilloscope;
}

// Shows an ImageCanvas and reports mouse moves over it (cross cursor). Painting only blits the
// image; the plots draw into the canvas.
//
// Every plot also offers what a user expects of a plot: a context menu that copies or saves the
// picture (PNG at the image's full resolution, or SVG drawn from the same drawing calls), and two
// measuring cursors — a left click places cursor 1, a right click or Shift+click cursor 2,
// Escape clears them — with a small read-out of both positions and their differences.
class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(ImageCanvas &canvas, QWidget *parent = nullptr);

    ImageCanvas &Canvas() { return canvas; }

    // What the x axis shows: time in ms (the read-out adds 1/Δx as a frequency), frequency on
    // a logarithmic axis (values are log10 of Hz), or plain numbers.
    enum class Axis { TimeMs, LogFrequency, Plain };
    // The plot whose pixel mapping the cursors read; without one there are no cursors.
    void MeasureWith(const kaldorium::Oscilloscope *scope, Axis axis);
    // Extra read-out lines for the two cursors' x values as the plot maps them (either may be
    // missing); the Bode plots add the -3 dB points and the phase here.
    std::function<QString(std::optional<double> x1, std::optional<double> x2)> cursorExtras;
    // The dialogs of the image export; without them "Save Image As…" is unavailable.
    void SetServices(UiServices *services);

    // The read-out's text ("" while no cursor is placed).
    QString CursorText() const;
    void ClearCursors();
    // Writes the picture; the format follows the name's suffix (".svg", otherwise PNG).
    bool SaveImage(const QString &fileName);
    void CopyImage();

signals:
    void mouseMoved(int x, int y);
    // The widget changed size; the canvas has been resized to match and is blank.
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void MatchCanvas();
    void ShowMenu(const QPoint &at);
    void UpdateReadout();
    QPoint ReadoutCorner(const QSize &size);
    QString XText(double value) const;

    ImageCanvas &canvas;
    UiServices *services = nullptr;
    const kaldorium::Oscilloscope *scope = nullptr;
    Axis axis = Axis::Plain;
    std::optional<QPoint> cursor1;
    std::optional<QPoint> cursor2;
    QLabel *readout = nullptr;
    bool watchingEscape = false;
};
