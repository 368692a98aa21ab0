#pragma once

#include <QList>
#include <QPointer>
#include <functional>

class TDFTMainForm;

// The spectrum windows of the WAV workbench, in the order of opening: at most six; opening a
// seventh releases the oldest, stopping its analysis first.
class SpectrumWindows {
public:
    static constexpr int kMaxWindows = 6;

    explicit SpectrumWindows(std::function<TDFTMainForm *()> create) : make(std::move(create)) {}
    ~SpectrumWindows() { ReleaseAll(); }
    SpectrumWindows(const SpectrumWindows &) = delete;
    SpectrumWindows &operator=(const SpectrumWindows &) = delete;

    // A new window, stored last.
    TDFTMainForm *Open();
    // Releases every window and empties the list.
    void ReleaseAll();

    int Count() const { return static_cast<int>(windows.size()); }
    TDFTMainForm *At(int i) const { return windows.at(i); }

private:
    std::function<TDFTMainForm *()> make;
    QList<QPointer<TDFTMainForm>> windows;
};
