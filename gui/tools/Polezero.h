#pragma once

#include "core/signal/Filterclass.h"
#include "core/signal/Oscilloscopeclass.h"
#include "gui/widgets/ImageCanvas.h"

#include <QDialog>
#include <complex>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QTableWidget;
class QTimer;
class PlotImage;
class UiServices;

// The core's pole-zero types stay out of this header: it is included beside the spectrum's,
// whose Complex is a type of its own.
namespace kaldorium {
class DigitalFilterDesign;
class FilterNetwork;
class QuantisedFilterSource;
struct PoleZeroMap;
struct TransferFunction;
} // namespace kaldorium

// What the pole-zero window reads of the workbench: the selected filter and the fields it runs
// with.
struct PoleZeroWorkbench {
    kaldorium::FilterKind kind = kaldorium::fkBandPass;
    double f0 = 2000.0;
    double q = 10.0;
    double a0 = 2.0;
    double ts = 0.000025;
    double oscillatorHz = 2000.0; // the network scales its differentiators and integrators by it
    std::string name = "Band Pass";
};

// Poles and Zeros: the z-plane of the filter the workbench has selected — the unit circle with
// frequency marks, poles as ×, zeros as ○ (a number beside repeated ones), a table of every
// root and the stability read-out. It follows the selection and the fields as they change. The
// roots of the designed filter can be dragged: the designer's coefficients follow.
class TPoleZeroForm : public QDialog {
    Q_OBJECT
public:
    TPoleZeroForm(UiServices &services, kaldorium::DigitalFilterDesign &design,
                  kaldorium::FilterNetwork &network, QWidget *parent = nullptr);
    ~TPoleZeroForm() override;

    // Where the workbench's selection comes from; without one, the workbench's start-up values.
    void SetWorkbench(std::function<PoleZeroWorkbench()> source) { workbench = std::move(source); }
    // The designed filter's fixed-point rounding, drawn beside the exact roots; without one the
    // exact roots alone.
    void SetQuantisedSource(const kaldorium::QuantisedFilterSource *source) { quantised = source; }

    // Reads the workbench and the designer again and redraws what changed (a timer calls it
    // while the window is shown).
    void Follow();

    const kaldorium::PoleZeroMap &Map() const;
    // The rounded design's roots; empty unless the designed filter is rounded.
    const kaldorium::PoleZeroMap &QuantisedMap() const;
    const kaldorium::Oscilloscope &Plane() const { return plane; }
    ImageCanvas &PlaneCanvas() { return canvas; }
    // Where a z-plane point is drawn, in the plot's pixels.
    QPoint PixelOf(std::complex<double> z) const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    // Builds the shown filter's transfer function; false (with `error` set) when it has none.
    bool ReadFilter(const PoleZeroWorkbench &w, kaldorium::TransferFunction &h, std::string &error);
    void Analyse(const kaldorium::TransferFunction &h, const PoleZeroWorkbench &w);
    void ShowTable();
    void ShowStability();

    // PolezeroPlot.cpp
    void DrawPlane();
    void DrawCircleAndMarks();
    void DrawRoots(const kaldorium::PoleZeroMap &roots, bool rounded);
    void DrawLegend();

    // PolezeroDrag.cpp
    bool PressPlane(const QPoint &at);
    void DragTo(const QPoint &at);
    void EndDrag();
    bool CanDrag() const;
    bool Dragging() const;

    UiServices &services;
    kaldorium::DigitalFilterDesign &design;
    kaldorium::FilterNetwork &network;
    std::function<PoleZeroWorkbench()> workbench;
    const kaldorium::QuantisedFilterSource *quantised = nullptr;

    // The design's sections as dragged, the roots shown and the root held by the mouse.
    struct Roots;
    std::unique_ptr<Roots> roots;
    PoleZeroWorkbench shown;
    // What the plot shows was made from: compared on every Follow.
    std::vector<double> shownKey;
    std::string shownError;

    ImageCanvas canvas{470, 470};
    kaldorium::Oscilloscope plane;
    QTimer *followTimer = nullptr;

    PlotImage *ZPlane;
    QLabel *FilterName, *Stability, *DragHint, *RealLabel, *ImaginaryLabel;
    QTableWidget *PoleZeroTable;
};
