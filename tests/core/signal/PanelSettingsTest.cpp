#include "core/signal/PanelSettings.h"

#include "core/audio/WavViews.h"
#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/WorkbenchSettings.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kaldorium;

namespace {

ConditioningSettings Conditioning(bool noise, bool normal, bool rectify, bool half) {
    ConditioningSettings s;
    s.snRatio = 10.0;
    s.addNoise = noise;
    s.normalNoise = normal;
    s.rectify = rectify;
    s.halfRectify = half;
    return s;
}

} // namespace

TEST(ConditionSample, RectifiesHalfOrFull) {
    NoiseGenerator noise;
    const ConditioningSettings half = Conditioning(false, true, true, true);
    const ConditioningSettings full = Conditioning(false, true, true, false);
    EXPECT_EQ(ConditionSample(-0.75, half, noise), 0.0);
    EXPECT_EQ(ConditionSample(0.75, half, noise), 0.75);
    EXPECT_EQ(ConditionSample(-0.75, full, noise), 0.75);
    EXPECT_EQ(ConditionSample(-0.75, Conditioning(false, true, false, true), noise), -0.75);
    EXPECT_EQ(noise.state, 1u); // no noise, no draw
}

// The noise is proportional to the sample: b = x/(S/N), with the generator's next draw.
TEST(ConditionSample, AddsProportionalNoiseBeforeRectifying) {
    NoiseGenerator expected;
    NoiseGenerator noise;
    const double r = expected.Next();
    EXPECT_DOUBLE_EQ(ConditionSample(2.0, Conditioning(true, true, false, true), noise),
                     2.0 + (r / 32767.0 - 0.5) * 0.2);
    const double g = expected.NextGaussian();
    EXPECT_DOUBLE_EQ(ConditionSample(-2.0, Conditioning(true, false, true, false), noise),
                     std::fabs(-2.0 + g * -0.2));
    EXPECT_EQ(ConditionSample(0.0, Conditioning(true, true, false, true), noise), 0.0);
}

// Both workbenches' settings are composed of the shared parts and keep their own defaults.
TEST(PanelSettings, BothWorkbenchesComposeTheSharedParts) {
    const WorkbenchSettings workbench;
    EXPECT_EQ(workbench.filterFrequency, 2000.0);
    EXPECT_EQ(workbench.qFactor, 10.0);
    EXPECT_EQ(workbench.timeScale, 5.0);
    EXPECT_TRUE(workbench.normalNoise);
    const WavSettings wav;
    EXPECT_EQ(wav.filterKind, fkBandPass);
    EXPECT_EQ(wav.filterFrequency, 1000.0);
    EXPECT_EQ(wav.amplification, 1.0);
    EXPECT_EQ(wav.timeScale, 1500.0);
    EXPECT_EQ(wav.signal1Scale, 1.0);
    EXPECT_EQ(wav.snRatio, 100.0);

    // The WAV chain conditions as the shared function does.
    WavSettings settings;
    static_cast<ConditioningSettings &>(settings) = Conditioning(true, false, true, true);
    NoiseGenerator a;
    NoiseGenerator b;
    FilterNetwork network;
    WavFilterChain chain(settings, a, network);
    for (double x : {0.5, -0.25, 1.5}) {
        EXPECT_EQ(chain.Condition(x), ConditionSample(x, settings, b));
    }
}
