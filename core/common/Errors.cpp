#include "common/Errors.h"

#include <cfenv>

namespace kaldorium {

ConversionError ConversionError::NotAFloat(const std::string &text) {
    return ConversionError("'" + text + "' is not a valid floating point value");
}

ConversionError ConversionError::NotAnInteger(const std::string &text) {
    return ConversionError("'" + text + "' is not a valid integer value");
}

void ClearFloatingPointFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

void ThrowOnFloatingPointFault() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    if (raised == 0) {
        return;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO) {
        throw FloatingPointError("Floating point division by zero");
    }
    if (raised & FE_INVALID) {
        throw FloatingPointError("Invalid floating point operation");
    }
    throw FloatingPointError("Floating point overflow");
}

} // namespace kaldorium
