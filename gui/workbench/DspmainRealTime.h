#pragma once

#include "core/workbench/Runs.h"
#include "gui/services/RealTimeSession.h"

// Passes a run's rows on to the data file (when one is written) and its samples to the sound of
// a real-time run: the input x, or the filter's output y (an input test has only x).
class RunSoundTap : public kaldorium::RunRowSink {
public:
    RealTimeSession *session = nullptr;
    kaldorium::RunRowSink *file = nullptr;
    bool input = false; // Listen is "Input"

    void InputRow(double t, double x) override {
        if (file != nullptr) {
            file->InputRow(t, x);
        }
        session->Add(x);
    }
    void FilterRow(double t, double x, double y) override {
        if (file != nullptr) {
            file->FilterRow(t, x, y);
        }
        session->Add(input ? x : y);
    }
};
