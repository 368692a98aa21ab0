#include "core/workbench/FieldRules.h"

#include "core/common/NumberText.h"

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

double PositiveStep(double value, bool up, double baseStep) {
    const double v =
        baseStep > 0.0 ? FineStep(value, up, baseStep, baseStep) : DecadeStep(value, up);
    return std::isgreater(v, 0.0) ? v : 1.0;
}

} // namespace kaldorium
