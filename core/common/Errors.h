#pragma once

#include <cfenv>
#include <stdexcept>
#include <string>

namespace kaldorium {

// A field or file text that is not a number.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const std::string &message) : std::runtime_error(message) {}

    // "'<text>' is not a valid floating point value"
    static ConversionError NotAFloat(const std::string &text);
    // "'<text>' is not a valid integer value"
    static ConversionError NotAnInteger(const std::string &text);
};

// Division by zero, invalid operation or overflow found by CheckFloatingPoint.
class FloatingPointError : public std::runtime_error {
public:
    explicit FloatingPointError(const std::string &message) : std::runtime_error(message) {}

    // "Floating point division by zero"
    static FloatingPointError DivisionByZero();
    // "Invalid floating point operation"
    static FloatingPointError InvalidOperation();
    // "Floating point overflow"
    static FloatingPointError Overflow();
};

// Hardware traps stay off; a handler that computes clears the sticky flags first and checks them
// before it writes results.
void ClearFloatingPointFlags();

// Throws FloatingPointError when division by zero, an invalid operation or an overflow happened
// since the last ClearFloatingPointFlags().
void ThrowOnFloatingPointFault();

// Keeps the optimiser from moving the computation of `value` past the flag test.
template <typename T> inline void FloatingPointBarrier(const T &value) {
    asm volatile("" : : "g"(&value) : "memory");
}

// Checks the flags after `value` has really been computed.
template <typename T> inline void CheckFloatingPoint(const T &value) {
    FloatingPointBarrier(value);
    ThrowOnFloatingPointFault();
}

// Puts the floating-point flags back as they were when it was made, however the scope ends.
class SavedFloatingPointFlags {
public:
    SavedFloatingPointFlags() { std::fegetexceptflag(&saved, FE_ALL_EXCEPT); }
    ~SavedFloatingPointFlags() { std::fesetexceptflag(&saved, FE_ALL_EXCEPT); }
    SavedFloatingPointFlags(const SavedFloatingPointFlags &) = delete;
    SavedFloatingPointFlags &operator=(const SavedFloatingPointFlags &) = delete;

private:
    std::fexcept_t saved{};
};

// Clears the flags on entry and checks them when the guarded computation is done.
class FloatingPointGuard {
public:
    FloatingPointGuard() { ClearFloatingPointFlags(); }
    void Check() const {
        asm volatile("" : : : "memory");
        ThrowOnFloatingPointFault();
    }

    // The guard of a computation that may run inside another checked one (a designed filter
    // recomputing in the middle of a run): the caller's flags are put aside on entry and put
    // back on exit, so neither check hides the other's fault.
    class Nested {
    public:
        Nested() { ClearFloatingPointFlags(); }
        Nested(const Nested &) = delete;
        Nested &operator=(const Nested &) = delete;

        template <typename T> void Check(const T &value) const { CheckFloatingPoint(value); }

    private:
        SavedFloatingPointFlags callers;
    };
};

} // namespace kaldorium
