#include "core/common/Random.h"

#include <gtest/gtest.h>

using kaldorium::NoiseGenerator;

// Reference values worked out with an independent big-integer calculation of the congruence.
TEST(NoiseGenerator, FirstDrawsFromStateOne) {
    NoiseGenerator g;
    const int expected[] = {346, 130, 10982, 1090, 11656};
    for (int e : expected) {
        EXPECT_EQ(g.Next(), e);
    }
}

TEST(NoiseGenerator, DrawsStayWithinFifteenBits) {
    NoiseGenerator g;
    for (int i = 0; i < 100000; ++i) {
        const int r = g.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}

TEST(NoiseGenerator, GaussianPairReturnsSecondThenCachedFirst) {
    NoiseGenerator g;
    EXPECT_NEAR(g.NextGaussian(), -0.6049929009013297, 1e-15);
    EXPECT_TRUE(g.haveCached);
    EXPECT_NEAR(g.NextGaussian(), -0.5969528808075231, 1e-15);
    EXPECT_FALSE(g.haveCached);
    // Two draws per pair: the third call starts from the third draw.
    NoiseGenerator h;
    h.Next();
    h.Next();
    EXPECT_EQ(g.state, h.state);
}
