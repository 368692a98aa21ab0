#include "core/tools/DigitalFilterDesign.h"
#include "gui/tools/PolezeroRoots.h"

#include <cmath>

using kaldorium::Complex;

namespace {

// A press this close to a root (pixels) takes hold of it.
constexpr int GripPixels = 8;

int Distance(const QPoint &a, const QPoint &b) {
    return static_cast<int>(std::lround(std::hypot(a.x() - b.x(), a.y() - b.y())));
}

} // namespace

bool TPoleZeroForm::CanDrag() const {
    return shown.kind == kaldorium::fkDesigned && shownError.empty();
}

bool TPoleZeroForm::Dragging() const {
    return roots->dragged.Valid();
}

bool TPoleZeroForm::PressPlane(const QPoint &at) {
    if (!CanDrag()) {
        return false;
    }
    // Brought up to date first: the press acts on what the designer holds now.
    Follow();
    const Complex z(plane.ValueAtX(at.x()), plane.ValueAtY(at.y()));
    // The nearer of the nearest pole and the nearest zero, if the press is on it.
    kaldorium::RootHandle best;
    int bestDistance = GripPixels + 1;
    for (const bool pole : {true, false}) {
        const kaldorium::RootHandle h = roots->editor.Nearest(pole, z);
        if (!h.Valid()) {
            continue;
        }
        const int d = Distance(PixelOf(roots->editor.Position(h)), at);
        if (d < bestDistance) {
            bestDistance = d;
            best = h;
        }
    }
    roots->dragged = best;
    return roots->dragged.Valid();
}

void TPoleZeroForm::DragTo(const QPoint &at) {
    const Complex to(plane.ValueAtX(at.x()), plane.ValueAtY(at.y()));
    try {
        roots->dragged = roots->editor.Move(design, roots->dragged, to);
        // The designer's Bode plot follows, if it shows one.
        if (design.bodeShown) {
            design.BodePlotClick();
        }
    } catch (...) {
        // One error shown, not one per mouse move.
        EndDrag();
        throw;
    }
    Follow();
}

void TPoleZeroForm::EndDrag() {
    roots->dragged = {};
}
