#pragma once

#include "core/common/Polynomial.h"
#include "core/tools/TransferFunction.h"

#include <vector>

namespace kaldorium {

class DigitalFilterDesign;

// One second-order section (num[0] + num[1]·z⁻¹ + num[2]·z⁻²) / (den[0] + den[1]·z⁻¹ +
// den[2]·z⁻²). num is the section's share of this system's a (the numerator), den its share of b.
struct Section {
    double num[3] = {1.0, 0.0, 0.0};
    double den[3] = {1.0, 0.0, 0.0};
};

// The designer's set as at most three sections in series whose product is a over b. A set the
// designer computed is its own section taken order/2 times, A0 on the first (order 2 keeps the
// designer's scale, b0 ≠ 1); any other set (typed by hand or dragged) is built from the roots of
// a and b: conjugate pairs together, real roots two by two, each pair of zeros in the section of
// the poles nearest to it, the first section carrying the scales a0 and b0. Throws
// FloatingPointError when b0 = 0 (a set the designed filter refuses to run).
std::vector<Section> SectionsOfDesign(const DigitalFilterDesign &design);
std::vector<Section> SectionsOfSet(const double *a, const double *b);

// The product of (at most three) sections as a[0 … 6] over b[0 … 6].
void MultiplySections(const std::vector<Section> &sections, double (&a)[7], double (&b)[7]);
TransferFunction SectionsTransfer(const std::vector<Section> &sections);

// A root of one section that a drag can move: its section, numerator or denominator, slot 0 or
// 1 of the section's two, and whether it moves as a conjugate pair.
struct RootHandle {
    int section = -1;
    bool pole = false;
    int slot = 0;
    bool pair = false;
    bool Valid() const { return section >= 0; }
};

// The designed filter as the pole-zero window sees and drags it.
class DesignEditor {
public:
    // Takes the designer's present set. The sections this editor wrote last are kept while the
    // designer still holds exactly their product: multiplied out and factored again, a repeated
    // root would split.
    void Update(const DigitalFilterDesign &design);

    const std::vector<Section> &Sections() const { return sections; }
    TransferFunction Transfer() const { return SectionsTransfer(sections); }

    // The root (pole or zero) of the sections nearest to z; not Valid() when there is none.
    RootHandle Nearest(bool pole, Complex z) const;
    Complex Position(RootHandle handle) const;

    // Moves the root to `to`: a pair's conjugate follows (its upper member goes where the lower
    // one is dropped, and the other way round); a real root stays on the real axis (the
    // imaginary part of `to` is ignored). Each section keeps its leading coefficients, so the
    // degree, a0 and b0 stay. The product is written into the designer as a set typed by hand.
    // Returns the handle of the moved root, which may have changed slot.
    RootHandle Move(DigitalFilterDesign &design, RootHandle handle, Complex to);

private:
    std::vector<Section> sections;
    double writtenA[7] = {};
    double writtenB[7] = {};
    bool written = false;
};

} // namespace kaldorium
