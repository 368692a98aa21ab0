#pragma once

namespace kaldorium {

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
};

// The designer's start-up design: a second-order band pass, f0 = 2000 Hz, Q = 10, A0 = 2,
// Ts = 0.000025 s. Stands in for the designer where no designer window exists.
class DefaultDesignedFilterSource : public DesignedFilterSource {
public:
    DefaultDesignedFilterSource();

    void Recompute() override;
    const double *A() const override { return a; }
    const double *B() const override { return b; }

    double f0 = 2000.0;
    double q = 10.0;
    double amplification = 2.0;
    double ts = 0.000025;
    double a[7] = {};
    double b[7] = {};
};

} // namespace kaldorium
