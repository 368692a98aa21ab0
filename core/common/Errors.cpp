#include "core/common/Errors.h"

#include <cfenv>

namespace kaldorium {

ConversionError ConversionError::NotAFloat(const std::string &text) {
    return ConversionError("'" + text + "' is not a valid floating point value");
}

ConversionError ConversionError::NotAnInteger(const std::string &text) {
    return ConversionError("'" + text + "' is not a valid integer value");
}

FloatingPointError FloatingPointError::DivisionByZero() {
    return FloatingPointError("Floating point division by zero");
}

FloatingPointError FloatingPointError::InvalidOperation() {
    return FloatingPointError("Invalid floating point operation");
}

FloatingPointError FloatingPointError::Overflow() {
    return FloatingPointError("Floating point overflow");
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
        throw FloatingPointError::DivisionByZero();
    }
    if (raised & FE_INVALID) {
        throw FloatingPointError::InvalidOperation();
    }
    throw FloatingPointError::Overflow();
}

} // namespace kaldorium
