#pragma once

#include "core/signal/PlotView.h"

namespace kaldorium {

// A display whose heights are (value + shift)/scale on −1 … 1 and whose time axis runs from 0 to
// a time scale keeps its view in fields. A zoom or pan of such a display becomes new field values:
// those that show the visible part of it as the whole display.
struct DisplayFields {
    double timeScale = 1.0;
    double scale[2] = {1.0, 1.0};
    double shift[2] = {0.0, 0.0};
};

DisplayFields FieldsShowing(const PlotRanges &home, const PlotRanges &visible,
                            const DisplayFields &now);

} // namespace kaldorium
