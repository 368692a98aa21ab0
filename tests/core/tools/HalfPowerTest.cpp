#include "core/tools/HalfPower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kaldorium {
namespace {

// A resonance of half power width w around fc: g = −10·log10(1 + ((f − fc)/(w/2))²), crossing
// the half power level exactly at fc ± w/2.
double Resonance(double f, double fc, double w) {
    const double x = (f - fc) / (0.5 * w);
    return -10.0 * std::log10(1.0 + x * x);
}

struct Sampled {
    std::vector<double> f;
    std::vector<double> g;
};

Sampled Sample(const GainAt &gainAt, double start, double step, int count) {
    Sampled s;
    for (int i = 0; i < count; ++i) {
        s.f.push_back(start + i * step);
        s.g.push_back(gainAt(s.f.back()));
    }
    return s;
}

TEST(HalfPower, PeakAndCrossingsBetweenSamplesAreFoundOnTheResponse) {
    // 37 Hz apart, no sample on the centre or the edges; the 10 Hz wide peak lies 11 Hz from
    // the nearest sample, which reads 7.8 dB low.
    for (double width : {100.0, 10.0}) {
        SCOPED_TRACE(width);
        const GainAt gainAt = [width](double f) { return Resonance(f, 1000.0, width); };
        const Sampled s = Sample(gainAt, 101.0, 37.0, 60);
        const ResponsePeak peak = FindPeak(s.f, s.g, gainAt);
        ASSERT_TRUE(peak.found);
        EXPECT_NEAR(peak.frequency, 1000.0, 1e-4);
        EXPECT_NEAR(peak.gainDb, 0.0, 1e-12);
        const std::vector<double> edges = HalfPowerFrequencies(s.f, s.g, gainAt);
        ASSERT_EQ(edges.size(), 2u);
        EXPECT_NEAR(edges[0], 1000.0 - width / 2, 1e-9);
        EXPECT_NEAR(edges[1], 1000.0 + width / 2, 1e-9);
    }
}

TEST(HalfPower, ThePeakIsSoughtBeyondTheSamplesOnlyInsideTheDomain) {
    // Rising towards the top: the peak lies past the last sample (1000) but at most at 1500.
    const GainAt rising = [](double f) { return 20.0 * std::log10(f); };
    const Sampled s = Sample(rising, 100.0, 100.0, 10);
    EXPECT_NEAR(FindPeak(s.f, s.g, rising, {0.0, 1500.0}).frequency, 1500.0, 1e-9);
    EXPECT_NEAR(FindPeak(s.f, s.g, rising).frequency, 1e6, 1e-3);
    // −3 dB below the peak at 1500 lies at 1500/√2 = 1060.7, outside the samples: none.
    EXPECT_TRUE(HalfPowerFrequencies(s.f, s.g, rising, {0.0, 1500.0}).empty());
    const std::vector<double> edge = HalfPowerFrequencies(s.f, s.g, rising, {0.0, 1200.0});
    ASSERT_EQ(edge.size(), 1u);
    EXPECT_NEAR(edge[0], 1200.0 / std::sqrt(2.0), 1e-9);
}

TEST(HalfPower, FlatOrUndefinedResponsesHaveNoCrossings) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const GainAt flat = [](double) { return 0.0; };
    const Sampled s = Sample(flat, 10.0, 10.0, 100);
    EXPECT_TRUE(HalfPowerFrequencies(s.f, s.g, flat).empty());
    const GainAt undefined = [nan](double) { return nan; };
    const Sampled u = Sample(undefined, 10.0, 10.0, 100);
    EXPECT_FALSE(FindPeak(u.f, u.g, undefined).found);
    EXPECT_TRUE(HalfPowerFrequencies(u.f, u.g, undefined).empty());
    EXPECT_TRUE(HalfPowerFrequencies({}, {}, flat).empty());
}

} // namespace
} // namespace kaldorium
