#include "workbench/FieldRules.h"

#include "common/NumberText.h"

#include <cmath>

namespace kaldorium {

double FineStep(double value, bool up, double baseStep, double threshold) {
    if (!(value > 0.0)) {
        return value;
    }
    double s = up ? baseStep : -baseStep;
    double v = value;
    while (v <= threshold) {
        if (s > 0 && v == threshold) {
            break;
        }
        s *= 0.1;
        v *= 10.0;
    }
    return value + s;
}

double DecadeStep(double value, bool up) {
    return up ? value * 10.0 : value * 0.1;
}

} // namespace kaldorium
