#pragma once

#include <cstdint>

namespace kaldorium {

// What a designed set was computed from: the design type (0 band pass, 1 band reject, 2 high
// pass, 3 low pass, any other: typed by hand), the centre or corner frequency f0 in Hz, Q and the
// amplification A0.
struct DesignParameters {
    int designType = 0;
    double f0 = 0.0;
    double q = 0.0;
    double amplification = 0.0;
};

// The coefficient set of the designed filter: Y(Z)/X(Z) = (a0 + a1·Z⁻¹ + … + a6·Z⁻⁶) /
// (b0 + b1·Z⁻¹ + … + b6·Z⁻⁶). The digital filter designer holds the program's one set; a
// designed `Filter` asks it to refresh and then reads both arrays.
class DesignedFilterSource {
public:
    virtual ~DesignedFilterSource() = default;

    // Recomputes a and b from the designer's own parameters; leaves them as they are while the
    // coefficients are typed by hand.
    virtual void Recompute() = 0;

    // a[0..6], the numerator.
    virtual const double *A() const = 0;
    // b[0..6], the denominator.
    virtual const double *B() const = 0;

    // The filter type the set was designed as (0 band pass, 1 band reject, 2 high pass, 3 low
    // pass, any other: typed by hand); it names the designed filter in data-file headers.
    virtual int DesignType() const { return 0; }

    // The type and the f0, Q and A0 of the design; data-file headers show them for the designed
    // filter.
    virtual DesignParameters Parameters() const = 0;

    // The change notice: a number that grows whenever the set is changed from outside while a
    // filter may be running on it (a pole or zero dragged). A running designed filter that sees
    // it change takes the new set at once and keeps its history, so a run goes on with it.
    virtual std::uint64_t Revision() const { return revision; }
    void NoteChanged() { ++revision; }

private:
    std::uint64_t revision = 0;
};

// The designer's start-up design: a second-order band pass, f0 = 2000 Hz, Q = 10, A0 = 2,
// Ts = 0.000025 s. Stands in for the designer where no designer window exists.
class DefaultDesignedFilterSource : public DesignedFilterSource {
public:
    DefaultDesignedFilterSource();

    void Recompute() override;
    const double *A() const override { return a; }
    const double *B() const override { return b; }
    DesignParameters Parameters() const override { return {0, f0, q, amplification}; }

    double f0 = 2000.0;
    double q = 10.0;
    double amplification = 2.0;
    double ts = 0.000025;
    double a[7] = {};
    double b[7] = {};
};

} // namespace kaldorium
