#include "gui/spectrum/SpectrumWindows.h"

#include "gui/services/Tooltips.h"

#include "gui/spectrum/Dftmain.h"

TDFTMainForm *SpectrumWindows::Open() {
    if (windows.size() >= kMaxWindows) {
        if (TDFTMainForm *oldest = windows.takeFirst()) {
            oldest->Release();
        }
    }
    TDFTMainForm *window = make();
    ApplyTooltips(window);
    windows.append(window);
    return window;
}

void SpectrumWindows::ReleaseAll() {
    for (const QPointer<TDFTMainForm> &window : std::as_const(windows)) {
        if (window) {
            window->Release();
        }
    }
    windows.clear();
}
