#include "core/tools/HalfPower.h"

#include "core/common/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace kaldorium {

namespace {

struct Sample {
    double frequency;
    double gainDb;
};

// 10·log10(2): half the power.
constexpr double HalfPowerDb = 3.0102999566398120;
// Local maxima of the samples this far below the highest one are refined too: between samples
// the response may rise above the highest sample elsewhere.
constexpr double CandidateMarginDb = 6.0;
constexpr std::size_t MaxCandidates = 8;
// Stops the searches at about the resolution of a double.
constexpr double RelativeWidth = 1e-14;
constexpr int MaxIterations = 200;
constexpr double InverseGoldenRatio = 0.6180339887498949;
// How far beyond the samples the peak is sought: three decades, a factor of ten at a time.
constexpr int ExtraDecades = 3;

// The largest gain on [lo, hi] by golden-section search, never below the samples it starts
// from. The gains are compared with std::isgreater: a NaN never wins and raises no flag.
Sample RefineMaximum(const GainAt &gainAt, Sample lo, Sample sample, Sample hi) {
    Sample best = sample;
    const auto keep = [&best](double f, double g) {
        if (std::isfinite(g) && (!std::isfinite(best.gainDb) || std::isgreater(g, best.gainDb))) {
            best = {f, g};
        }
    };
    keep(lo.frequency, lo.gainDb);
    keep(hi.frequency, hi.gainDb);
    double a = lo.frequency;
    double b = hi.frequency;
    double c = b - InverseGoldenRatio * (b - a);
    double d = a + InverseGoldenRatio * (b - a);
    double gc = gainAt(c);
    double gd = gainAt(d);
    keep(c, gc);
    keep(d, gd);
    for (int k = 0; k < MaxIterations && b - a > RelativeWidth * b; ++k) {
        if (std::isgreater(gc, gd)) {
            b = d;
            d = c;
            gd = gc;
            c = b - InverseGoldenRatio * (b - a);
            gc = gainAt(c);
            keep(c, gc);
        } else {
            a = c;
            c = d;
            gc = gd;
            d = a + InverseGoldenRatio * (b - a);
            gd = gainAt(d);
            keep(d, gd);
        }
    }
    return best;
}

// The samples, with the response evaluated up to three decades beyond them on either side
// (inside the domain), ascending.
std::vector<Sample> Extended(std::span<const double> frequency, std::span<const double> gainDb,
                             const GainAt &gainAt, ResponseDomain domain) {
    const std::size_t n = std::min(frequency.size(), gainDb.size());
    std::vector<Sample> samples;
    samples.reserve(n + 2 * ExtraDecades);
    if (n == 0) {
        return samples;
    }
    std::vector<Sample> below;
    double f = frequency[0];
    for (int k = 0; k < ExtraDecades && std::isgreater(f, domain.lowest); ++k) {
        f = std::fmax(f * 0.1, domain.lowest);
        if (std::isgreater(f, 0.0)) {
            below.push_back({f, gainAt(f)});
        }
    }
    samples.insert(samples.end(), below.rbegin(), below.rend());
    for (std::size_t i = 0; i < n; ++i) {
        samples.push_back({frequency[i], gainDb[i]});
    }
    f = frequency[n - 1];
    for (int k = 0; k < ExtraDecades && std::isless(f, domain.highest); ++k) {
        f = std::fmin(f * 10.0, domain.highest);
        samples.push_back({f, gainAt(f)});
    }
    return samples;
}

// The refined local maxima near the highest sample, ascending in frequency; empty when no
// sample is finite.
std::vector<Sample> RefinedMaxima(const std::vector<Sample> &samples, const GainAt &gainAt) {
    const std::size_t n = samples.size();
    const auto gain = [&](std::size_t i) { return samples[i].gainDb; };
    const auto finite = [&](std::size_t i) { return std::isfinite(gain(i)); };
    std::size_t top = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (finite(i) && (top == n || std::isgreater(gain(i), gain(top)))) {
            top = i;
        }
    }
    if (top == n) {
        return {};
    }
    std::vector<std::size_t> candidates{top};
    for (std::size_t i = 0; i < n; ++i) {
        const bool rises = i == 0 || std::isgreater(gain(i), gain(i - 1));
        const bool falls = i + 1 == n || std::isgreaterequal(gain(i), gain(i + 1));
        if (i != top && finite(i) && rises && falls &&
            std::isgreaterequal(gain(i), gain(top) - CandidateMarginDb)) {
            candidates.push_back(i);
        }
    }
    if (candidates.size() > MaxCandidates) {
        std::partial_sort(candidates.begin() + 1, candidates.begin() + MaxCandidates,
                          candidates.end(),
                          [&](std::size_t x, std::size_t y) { return gain(x) > gain(y); });
        candidates.resize(MaxCandidates);
    }

    std::vector<Sample> maxima;
    for (std::size_t i : candidates) {
        // A neighbour without a finite gain bounds nothing: the search stays on the sample's side.
        const std::size_t left = i > 0 && finite(i - 1) ? i - 1 : i;
        const std::size_t right = i + 1 < n && finite(i + 1) ? i + 1 : i;
        maxima.push_back(RefineMaximum(gainAt, samples[left], samples[i], samples[right]));
    }
    std::sort(maxima.begin(), maxima.end(),
              [](const Sample &x, const Sample &y) { return x.frequency < y.frequency; });
    return maxima;
}

// The frequency between a and b (on opposite sides of the level) where the gain meets it.
double Bisect(const GainAt &gainAt, Sample a, Sample b, double level) {
    const bool aAbove = std::isgreaterequal(a.gainDb, level);
    double lo = a.frequency;
    double hi = b.frequency;
    for (int k = 0; k < MaxIterations && hi - lo > RelativeWidth * hi; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (!(mid > lo && mid < hi)) {
            break;
        }
        if (std::isgreaterequal(gainAt(mid), level) == aAbove) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return 0.5 * (lo + hi);
}

} // namespace

// The search evaluates the response off the samples, where it may meet a zero or a pole (at the
// Nyquist frequency, say) that the samples never met: such a point has no finite gain and is
// passed over, and its floating-point flags are not the caller's fault. The caller's own flags
// are kept (SavedFloatingPointFlags), here and in HalfPowerFrequencies.
ResponsePeak FindPeak(std::span<const double> frequency, std::span<const double> gainDb,
                      const GainAt &gainAt, ResponseDomain domain) {
    const SavedFloatingPointFlags keep;
    ResponsePeak peak;
    for (const Sample &m : RefinedMaxima(Extended(frequency, gainDb, gainAt, domain), gainAt)) {
        if (!peak.found || std::isgreater(m.gainDb, peak.gainDb)) {
            peak = {m.frequency, m.gainDb, true};
        }
    }
    return peak;
}

std::vector<double> HalfPowerFrequencies(std::span<const double> frequency,
                                         std::span<const double> gainDb, const GainAt &gainAt,
                                         ResponseDomain domain) {
    const SavedFloatingPointFlags keep;
    const std::vector<Sample> maxima =
        RefinedMaxima(Extended(frequency, gainDb, gainAt, domain), gainAt);
    std::vector<double> crossings;
    if (maxima.empty()) {
        return crossings;
    }
    double peak = maxima.front().gainDb;
    for (const Sample &m : maxima) {
        peak = std::fmax(peak, m.gainDb);
    }
    const double level = peak - HalfPowerDb;

    // The samples with the refined maxima merged in: a peak narrower than the sample spacing
    // still has its crossings on either side of it.
    const std::size_t n = std::min(frequency.size(), gainDb.size());
    Sample previous{frequency[0], gainDb[0]};
    const auto visit = [&](Sample next) {
        if (std::isfinite(previous.gainDb) && std::isfinite(next.gainDb) &&
            std::isgreaterequal(previous.gainDb, level) !=
                std::isgreaterequal(next.gainDb, level)) {
            crossings.push_back(Bisect(gainAt, previous, next, level));
        }
        previous = next;
    };
    std::size_t m = 0;
    for (std::size_t i = 1; i < n; ++i) {
        for (; m < maxima.size() && maxima[m].frequency < frequency[i]; ++m) {
            if (maxima[m].frequency > previous.frequency) {
                visit(maxima[m]);
            }
        }
        visit({frequency[i], gainDb[i]});
    }
    return crossings;
}

} // namespace kaldorium
