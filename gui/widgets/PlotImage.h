#pragma once

#include "core/signal/PlotView.h"
#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class ImageCanvas;
class QPainter;
class QLabel;
class QMenu;
class UiServices;

namespace kaldorium {
class Oscilloscope;
}

// Shows an ImageCanvas and reports mouse moves over it (cross cursor). Painting only blits the
// image; the plots draw into the canvas.
//
// Every plot also offers what a user expects of a plot: a context menu (right click) that copies
// or saves the picture (PNG at the image's full resolution, or SVG drawn from the same drawing
// calls), and two measuring cursors — a left click places cursor 1, Shift+click, a middle click
// or the menu's "Place Cursor 2 Here" cursor 2, Escape clears them — with a small read-out of
// both and their differences. A cursor reads the trace under it: the value of the sample
// nearest its x, in the signal's own units, and its line snaps to that sample.
//
// The wheel zooms the x axis about the pointer (Ctrl+wheel the y axis), dragging with the left
// button pans, and a double click, the Home key or "Reset View" returns to the plot's own axes.
// "Hold Traces" keeps the traces shown, drawn grey behind the next ones; "Copy Data" and "Save
// Data As…" write every point of the traces shown and held as CSV.
class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(ImageCanvas &canvas, QWidget *parent = nullptr);

    ImageCanvas &Canvas() { return canvas; }

    // What the x axis shows: time in ms (the read-out adds 1/Δx as a frequency), frequency on
    // a logarithmic axis (values are log10 of Hz), or plain numbers.
    enum class Axis { TimeMs, LogFrequency, Plain };
    // The plot whose pixel mapping the cursors read; without one there are no cursors.
    void MeasureWith(kaldorium::Oscilloscope *scope, Axis axis);
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
    // The picture as exported: the plot with its axis titles beside it and, where two named
    // traces are shown, a legend above it (PlotImageExport.cpp). A plot whose columns are not
    // named is exported as it is.
    QImage ExportedImage() const;

    // Shows the canvas again while long work draws into it chunk by chunk, but not more often
    // than every RepaintIntervalMs: showing copies the whole image, and some 40 frames a second
    // look the same. The work's end shows the last picture with update().
    void UpdateWhileDrawing();
    static constexpr int RepaintIntervalMs = 25;
    // Zoom and pan. The view's home is the measured plot's ranges as its window last drew them
    // (taken afresh whenever they differ from what the view shows).
    kaldorium::PlotView &View() { return view; }
    // Draws the visible ranges after a zoom, pan or reset. Without it the plot is drawn again from
    // the points it keeps; a plot that computes its picture, or keeps its ranges in fields, sets
    // its own.
    std::function<void(const kaldorium::PlotView &view)> redraw;
    // A display that keeps its time axis and heights in fields (the workbench, the WAV display)
    // takes the view there instead, while the plot measures time: the fields stay the truth.
    std::function<void(const kaldorium::PlotView &view)> zoomFields;
    // A plot that computes the part it shows from its own settings (the spectrogram) pans
    // itself by the pixels dragged (true when it did), says whether it shows a part, and goes
    // back to the whole: the view's ranges are then not used for these.
    std::function<bool(const QPoint &moved)> pan;
    std::function<bool()> showsPart;
    std::function<void()> showWhole;
    // Listens for Escape and Home in the window while there is something for them to do.
    void WatchKeys();
    // Zooms about the value at a pixel (factor > 1 zooms in), resets.
    void ZoomAt(const QPoint &at, double factor, bool yAxis);
    void ResetView();
    // Keeps the traces shown / forgets the held ones, and draws the plot again.
    bool HoldTraces();
    void ClearHeld();
    // The data out: CSV of the traces shown and held ("" without a measured plot).
    QString DataText() const;
    bool SaveData(const QString &fileName) const;
    void CopyData() const;

    // A logarithmic frequency axis labels its decades and their 2 and 5 (10, 20, 50, 100, …)
    // instead of equal divisions; set for every such plot of the window, drawn again at once.
    void SetDecadeLabels(bool on);
    bool DecadeLabels() const;

    // The projector view of every plot: traces 3 pixels wide, grid labels 1.5 times as large,
    // thicker cursors. Plots made later take it on as they are shown.
    static void SetProjectorView(bool on);
    static bool ProjectorView();

signals:
    // The visible ranges changed by a zoom, pan or reset.
    void viewChanged();
    void mouseMoved(int x, int y);
    // The widget changed size; the canvas has been resized to match and is blank.
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void MatchCanvas();
    void ShowMenu(const QPoint &at, const QPoint &globalAt);
    void PlaceCursor(int which, const QPoint &at);
    // What a cursor at `at` reads: x as the axis labels show it, and the trace's value with the
    // row it is drawn at (the height under the cursor where no trace is drawn).
    struct Reading {
        double x = 0.0;
        double y = 0.0;
        std::optional<int> row;
    };
    Reading Read(const QPoint &at) const;
    void UpdateReadout();
    QPoint ReadoutCorner(const QSize &size);
    QString XText(double value) const;

    // The titles and legend around an exported picture, and the room they take.
    struct ExportFrame {
        QString xTitle;
        QString yTitle;
        QStringList legend; // trace 1 black, trace 2 red
        int left = 0;
        int top = 0;
        int bottom = 0;
    };
    ExportFrame Frame() const;
    void DrawFrame(QPainter &painter, const ExportFrame &frame) const;

    // Zoom and pan (PlotImageView.cpp).
    void TakeHome();
    void ApplyView();
    void ReplotAsShown();
    // Draws the plot again as shown, through its own redraw where it has one.
    void RedrawAsShown();
    void AddViewActions(QMenu &menu);
    bool DragTo(const QPoint &at, Qt::MouseButtons buttons);
    void ApplyProjectorView();

    ImageCanvas &canvas;
    UiServices *services = nullptr;
    kaldorium::Oscilloscope *scope = nullptr;
    kaldorium::PlotView view;
    // A left press that may become a drag: where it started, the ranges then, cursor 1 before.
    struct Drag {
        QPoint start;
        kaldorium::PlotRanges ranges;
        std::optional<QPoint> cursorBefore;
        bool moving = false;
    };
    std::optional<Drag> drag;
    Axis axis = Axis::Plain;
    std::optional<QPoint> cursor1;
    std::optional<QPoint> cursor2;
    // The rows the cursors' lines are drawn at, as of the last read-out.
    std::optional<int> cursorRow[2];
    QLabel *readout = nullptr;
    bool watchingEscape = false;
    QElapsedTimer sinceRepaint; // since UpdateWhileDrawing last showed the canvas
};
