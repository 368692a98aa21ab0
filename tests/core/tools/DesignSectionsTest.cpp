#include "core/tools/DesignSections.h"

#include "DesignerSetup.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/tools/PoleZero.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace kaldorium;

namespace {

// max |x − y| over the seven coefficients, relative to the largest of them.
double SetError(const double *x, const double *y) {
    double error = 0, size = 0;
    for (int i = 0; i < 7; ++i) {
        error = std::max(error, std::fabs(x[i] - y[i]));
        size = std::max({size, std::fabs(x[i]), std::fabs(y[i])});
    }
    return size > 0 ? error / size : error;
}

// The roots in z of a set's polynomial c[0 … 6] in z⁻¹, found from the coefficients alone.
std::vector<Complex> RootsOf(const double *c) {
    return Roots(Polynomial(c, 7).WithoutLowPowers().Reversed());
}

double DistanceToNearest(const std::vector<Complex> &roots, Complex z) {
    double d = INFINITY;
    for (const Complex &r : roots) {
        d = std::min(d, std::abs(r - z));
    }
    return d;
}

class DesignSections : public ::testing::TestWithParam<std::tuple<int, int>>,
                       protected DesignerSetup {};

// The sections multiply out to the designer's set; a pole pair dragged to a new place is where
// the rewritten set's own roots put it, and the section's scale stays.
TEST_P(DesignSections, MultiplyOutAndTakeADraggedPoleRoundTrip) {
    const auto [type, order] = GetParam();
    Design(type, order, "1500", "4", "2");
    const double a0 = design.a[0], b0 = design.b[0];
    std::vector<Section> sections = SectionsOfDesign(design);
    ASSERT_EQ(sections.size(), static_cast<std::size_t>(order / 2));
    double a[7], b[7];
    MultiplySections(sections, a, b);
    EXPECT_LT(SetError(a, design.a), 1e-14);
    EXPECT_LT(SetError(b, design.b), 1e-14);

    DesignEditor editor;
    editor.Update(design);
    const RootHandle pole = editor.Nearest(true, std::polar(1.0, 0.2));
    ASSERT_TRUE(pole.Valid());
    EXPECT_TRUE(pole.pair);
    const Complex drop = std::polar(0.93, 0.6);
    const RootHandle moved = editor.Move(design, pole, drop);
    EXPECT_EQ(design.designType, DigitalFilterDesign::UnknownType);
    EXPECT_EQ(design.order, order);
    EXPECT_DOUBLE_EQ(design.a[0] / design.b[0], a0 / b0);
    EXPECT_DOUBLE_EQ(design.b[0], b0);
    const std::vector<Complex> poles = RootsOf(design.b);
    EXPECT_EQ(poles.size(), static_cast<std::size_t>(order));
    EXPECT_LT(DistanceToNearest(poles, drop), 1e-9);
    EXPECT_LT(DistanceToNearest(poles, std::conj(drop)), 1e-9);
    EXPECT_LT(std::abs(editor.Position(moved) - drop), 1e-12);
    // The designer's texts show the new set.
    EXPECT_NEAR(ParseDouble(design.texts.b[1]), design.b[1], 1e-14 * std::fabs(design.b[1]));

    // The editor keeps its own sections for the set it wrote: the untouched repeated poles stay
    // repeated.
    editor.Update(design);
    const PoleZeroMap map = FindPolesAndZeros(editor.Transfer());
    EXPECT_EQ(map.poles.size(), order == 2 ? 2u : 4u);
}

INSTANTIATE_TEST_SUITE_P(TypesAndOrders, DesignSections,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(2, 4, 6)));

TEST(DesignEditor, RealRootsStayRealAndPairsFollowTheirLowerMember) {
    DesignerSetup s;
    s.Design(0, 2, "2000", "5", "1"); // zeros at ±1
    DesignEditor editor;
    editor.Update(s.design);
    const RootHandle zero = editor.Nearest(false, Complex(0.9, 0.1));
    ASSERT_TRUE(zero.Valid());
    EXPECT_FALSE(zero.pair);
    editor.Move(s.design, zero, Complex(0.5, 0.3));
    std::vector<Complex> zeros = RootsOf(s.design.a);
    EXPECT_LT(DistanceToNearest(zeros, 0.5), 1e-12);
    EXPECT_LT(DistanceToNearest(zeros, -1.0), 1e-12);

    // Dragging the lower member of the pole pair places the upper one at its mirror image.
    RootHandle pole = editor.Nearest(true, std::polar(1.0, -0.3));
    const Complex drop(0.6, -0.5);
    pole = editor.Move(s.design, pole, drop);
    EXPECT_LT(std::abs(editor.Position(pole) - drop), 1e-12);
    EXPECT_LT(DistanceToNearest(RootsOf(s.design.b), std::conj(drop)), 1e-12);
    // Through the real axis and on: still a pair.
    editor.Move(s.design, pole, Complex(0.6, 0.0));
    pole = editor.Move(s.design, pole, Complex(0.2, 0.4));
    EXPECT_LT(DistanceToNearest(RootsOf(s.design.b), Complex(0.2, -0.4)), 1e-12);
    // A pole dragged outside the circle: the set is unstable.
    editor.Move(s.design, pole, Complex(1.1, 0.2));
    editor.Update(s.design);
    EXPECT_EQ(FindPolesAndZeros(editor.Transfer()).stability, Stability::Unstable);
}

// Sets typed by hand: delays (a0 = 0), odd degrees, repeated and real roots.
TEST(DesignEditor, TypedSetsSplitIntoSectionsWithTheSameProduct) {
    const double sets[][2][7] = {
        {{0.2, 0.1, -0.05, 0.3, 0, 0, 0}, {1, -0.5, 0.2, 0, 0, 0, 0}},
        {{0, 0, 1, 0.5, 0, 0, 0}, {2, -1.6, 0.5, 0.1, 0, 0, 0}},
        {{1, 6, 15, 20, 15, 6, 1}, {1, -1.2, 0.9, -0.3, 0.05, 0, 0}},
        {{0, 0, 0, 0, 0, 0, 0}, {1, 0.5, 0, 0, 0, 0, 0}},
        {{3, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0.5}},
    };
    for (const auto &set : sets) {
        SCOPED_TRACE(set[0][2]);
        const std::vector<Section> sections = SectionsOfSet(set[0], set[1]);
        double a[7], b[7];
        MultiplySections(sections, a, b);
        EXPECT_LT(SetError(a, set[0]), 1e-12);
        EXPECT_LT(SetError(b, set[1]), 1e-12);
    }
    const double none[7] = {};
    EXPECT_THROW(SectionsOfSet(none, none), FloatingPointError);
}

} // namespace
