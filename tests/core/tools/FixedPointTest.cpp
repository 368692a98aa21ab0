#include "core/tools/FixedPoint.h"

#include "core/signal/Filterclass.h"

#include "DesignerSetup.h"
#include "core/tools/PoleZero.h"
#include "core/tools/TransferFunction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace kaldorium;

namespace {

struct FormatCase {
    double largest;
    int wordLength;
    int fractionalBits;
};

class QFormatChoice : public ::testing::TestWithParam<FormatCase> {};

TEST_P(QFormatChoice, KeepsTheMostFractionalBitsThatStillFit) {
    const FormatCase &c = GetParam();
    const QFormat f = ChooseQFormat(c.largest, c.wordLength);
    EXPECT_EQ(f.fractionalBits, c.fractionalBits);
    EXPECT_EQ(f.IntegerBits() + f.fractionalBits, c.wordLength - 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, QFormatChoice,
                         ::testing::Values(FormatCase{0.99, 16, 15}, FormatCase{1.0, 16, 14},
                                           FormatCase{-1.99, 8, 6},  // 127.36 → 127
                                           FormatCase{1.999, 8, 5},  // 127.94 would carry
                                           FormatCase{2e-5, 16, 30}, // a narrow numerator
                                           FormatCase{20.0, 24, 18}, FormatCase{0.0, 8, 7}));

TEST(FixedPoint, RoundsHalvesAwayFromZeroAndSaturates) {
    const QFormat q{8, 7};
    EXPECT_EQ(ToFixed(2.5 / 128, q), 3);
    EXPECT_EQ(ToFixed(-2.5 / 128, q), -3);
    EXPECT_EQ(ToFixed(2.49 / 128, q), 2);
    EXPECT_EQ(ToFixed(5.0, q), 127);
    EXPECT_EQ(ToFixed(-5.0, q), -127);
    EXPECT_EQ(FromFixed(-64, q), -0.5);
    EXPECT_STREQ(CoefficientBitsText(AllCoefficientBits[0]), "Exact");
    EXPECT_STREQ(CoefficientBitsText(AllCoefficientBits[3]), "16");
    EXPECT_EQ(WordLength(CoefficientBits::Bits24), 24);
}

class SixteenBits : public ::testing::TestWithParam<std::tuple<int, int, const char *>>,
                    protected DesignerSetup {};

TEST_P(SixteenBits, KeepEveryCoefficientWithinHalfAnLsb) {
    const auto [type, order, f0] = GetParam();
    Design(type, order, f0, "0.9", "3");
    const QuantisedSet q = QuantiseSet(design.a, design.b, CoefficientBits::Bits16);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const double a = design.a[i] / design.b[0];
        const double b = design.b[i] / design.b[0];
        EXPECT_LE(std::fabs(q.a[i] - a), 0.5 * q.aFormat.Step());
        EXPECT_LE(std::fabs(q.b[i] - b), 0.5 * q.bFormat.Step());
        EXPECT_LE(std::fabs(q.a[i]) / q.aFormat.Step(), 32767.0);
        EXPECT_LE(std::fabs(q.b[i]) / q.bFormat.Step(), 32767.0);
        EXPECT_EQ(q.a[i], std::ldexp(std::round(std::ldexp(q.a[i], q.aFormat.fractionalBits)),
                                     -q.aFormat.fractionalBits));
    }
}

INSTANTIATE_TEST_SUITE_P(Designs, SixteenBits,
                         ::testing::Values(std::make_tuple(3, 2, "50"),
                                           std::make_tuple(0, 4, "2000"),
                                           std::make_tuple(2, 6, "300"),
                                           std::make_tuple(1, 2, "15000")));

// The classic lesson: a narrow low pass's poles sit close to 1, where the coarse grid of an
// 8-bit denominator has few points; rounding moves them far and onto the unit circle.
TEST(FixedPoint, EightBitsVisiblyMoveANarrowLowPassesPoles) {
    DesignerSetup s;
    s.Design(3, 2, "50", "0.7");
    const auto poles = [&s](CoefficientBits bits) {
        const QuantisedSet q = QuantiseSet(s.design.a, s.design.b, bits);
        return FindPolesAndZeros(DirectFormTransfer(q.a, q.b, 7));
    };
    const PoleZeroMap exact = poles(CoefficientBits::Exact);
    const PoleZeroMap eight = poles(CoefficientBits::Bits8);
    const PoleZeroMap sixteen = poles(CoefficientBits::Bits16);
    ASSERT_EQ(exact.poles.size(), 2u);
    const Complex before = exact.poles[0].z;
    const auto moved = [&before](const PoleZeroMap &m) {
        double d = INFINITY;
        for (const PoleZeroRoot &p : m.poles) {
            d = std::min(d, std::abs(p.z - before));
        }
        return d;
    };
    EXPECT_GT(moved(eight), 5e-3);
    EXPECT_NE(eight.stability, Stability::Stable);
    EXPECT_LT(moved(sixteen), 5e-4);
    EXPECT_EQ(sixteen.stability, Stability::Stable);
}

TEST(FixedPoint, TheWorkbenchRunsTheRoundedSet) {
    DesignerSetup s;
    s.Design(0, 4, "2000", "5");
    QuantisedFilterSource source(s.design);
    Filter exact(fkDesigned, &s.design);
    Filter rounded(fkDesigned, &source);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(rounded.num[i], exact.num[i]);
    }
    source.SetBits(CoefficientBits::Bits12);
    rounded.Design(1, 1, 1, 0.000025);
    const QuantisedSet q = QuantiseSet(s.design.a, s.design.b, CoefficientBits::Bits12);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(rounded.num[i], q.a[i]);
        EXPECT_EQ(rounded.den[i], q.b[i]);
    }
}

} // namespace

TEST(QuantisedFilterSource, ARunningFilterFollowsTheExactSetsNoticeAndTheBits) {
    DefaultDesignedFilterSource exact;
    QuantisedFilterSource quantised(exact);
    quantised.SetBits(CoefficientBits::Bits8);
    Filter filter(fkDesigned, &quantised);
    const double before = filter.num[0];
    EXPECT_DOUBLE_EQ(quantised.A()[0] / quantised.B()[0], before);
    filter.ProcessStored(1.0, 1.0);
    // Finer bits: the running filter takes the finer set at its next sample.
    quantised.SetBits(CoefficientBits::Bits24);
    filter.ProcessStored(0.0, 1.0);
    EXPECT_DOUBLE_EQ(quantised.A()[0] / quantised.B()[0], filter.num[0]);
    EXPECT_NE(before, filter.num[0]);
    const double fine = filter.num[0];
    // The exact set changed and noted (twice the gain): seen through the rounding.
    exact.amplification = 4.0;
    exact.NoteChanged();
    filter.ProcessStored(0.0, 1.0);
    EXPECT_DOUBLE_EQ(quantised.A()[0] / quantised.B()[0], filter.num[0]);
    EXPECT_NEAR(2.0, filter.num[0] / fine, 1e-4);
    // The history carried over: the impulse still rings.
    EXPECT_NE(0.0, filter.yHist[1]);
}
