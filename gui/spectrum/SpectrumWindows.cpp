#include "spectrum/SpectrumWindows.h"

#include "spectrum/Dftmain.h"

TDFTMainForm *SpectrumWindows::Open() {
    if (windows.size() >= kMaxWindows) {
        if (TDFTMainForm *oldest = windows.takeFirst()) {
            oldest->Release();
        }
    }
    TDFTMainForm *window = make();
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
