#pragma once

#include <cmath>
#include <functional>
#include <span>
#include <vector>

namespace kaldorium {

// The gain in dB of a response at one frequency (in the unit of the sampled frequencies).
using GainAt = std::function<double(double frequency)>;

// Where a response is defined: a digital one up to its Nyquist frequency, an analogue one without
// bound. The peak may lie beyond the sampled range (a low pass peaks towards 0, a high pass
// towards the top), so it is sought up to three decades beyond the samples, inside these bounds.
struct ResponseDomain {
    double lowest = 0.0;
    double highest = HUGE_VAL;
};

// The highest gain of a response and the frequency where it lies.
struct ResponsePeak {
    double frequency = 0.0;
    double gainDb = 0.0;
    bool found = false; // false: no finite gain among the samples
};

// The peak of a response sampled in `gainDb` over ascending, positive frequencies, found on the
// response itself: the highest sample and the local maxima close to it are each refined between
// their neighbouring samples by evaluating `gainAt`, so a peak that falls between two samples is
// not read low. The samples must be `gainAt` at the sampled frequencies. Points without a finite
// gain are passed over, and the floating-point flags are left as the caller had them.
ResponsePeak FindPeak(std::span<const double> frequency, std::span<const double> gainDb,
                      const GainAt &gainAt, ResponseDomain domain = {});

// The frequencies inside the sampled range, ascending, where the response crosses the half power
// level, 10·log10(2) dB below its peak (FindPeak): each is bracketed by two samples (or a sample
// and a refined maximum) on either side of the level and solved by bisection on `gainAt`.
std::vector<double> HalfPowerFrequencies(std::span<const double> frequency,
                                         std::span<const double> gainDb, const GainAt &gainAt,
                                         ResponseDomain domain = {});

} // namespace kaldorium
