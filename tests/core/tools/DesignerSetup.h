#pragma once

#include "core/tools/DigitalFilterDesign.h"

#include <string>

// A designer that computes as the window would, from the workbench's start-up values.
class DesignerSetup {
public:
    DesignerSetup() {
        design.SetWorkbench(&workbench);
        design.FormActivate();
    }

    // Selects type (0 band pass … 3 low pass) and order (2, 4, 6) and types f0, Q and A0.
    void Design(int type, int order, const char *f0, const char *q, const char *a0 = "1") {
        design.sfFrequencyExit(f0);
        design.sQfactorExit(q);
        design.sfAmplificationExit(a0);
        design.SelectFilterOrder(order / 2 - 1);
        design.SelectFilterType(type);
    }

    class Workbench : public kaldorium::DesignerWorkbench {
    public:
        kaldorium::FilterKind CurrentFilterKind() const override { return kaldorium::fkDesigned; }
        std::string SamplingPeriodText() const override { return "0.000025"; }
        std::string FilterFrequencyText() const override { return "2000"; }
        std::string QfactorText() const override { return "10"; }
        std::string AmplificationText() const override { return "2"; }
    };

    Workbench workbench;
    kaldorium::DigitalFilterDesign design;
};
