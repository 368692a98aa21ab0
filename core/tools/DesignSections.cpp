#include "core/tools/DesignSections.h"

#include "core/common/Errors.h"
#include "core/tools/DigitalFilterDesign.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kaldorium {

namespace {

// A section's polynomial c0 + c1·z⁻¹ + c2·z⁻² as lead·z⁻ᵈ·Π (1 − rk·z⁻¹) over its 2 − d roots
// (a root may be 0). The roots of a pair come upper member first, real ones in ascending order.
struct SectionRoots {
    double lead = 0.0;
    int delay = 0;
    int count = 0;
    Complex roots[2];
};

SectionRoots Decompose(const double *c) {
    SectionRoots s;
    const Polynomial p(c, 3);
    s.delay = std::max(p.LowestPower(), 0);
    if (p.IsZero()) {
        s.delay = 2;
        return s;
    }
    s.lead = c[s.delay];
    s.count = 2 - s.delay;
    // In z: lead·z^count + … + c2, whose roots include 0 when c2 = 0.
    std::vector<double> inZ;
    for (int i = 2; i >= s.delay; --i) {
        inZ.push_back(c[i]);
    }
    const std::vector<Complex> roots = Roots(Polynomial(std::move(inZ)));
    for (std::size_t i = 0; i < roots.size() && i < 2; ++i) {
        s.roots[i] = roots[i];
    }
    return s;
}

void Recompose(const SectionRoots &s, double *c) {
    double q[3] = {1.0, 0.0, 0.0};
    if (s.count == 2 && s.roots[0] == std::conj(s.roots[1])) {
        // (1 − r·z⁻¹)(1 − r̄·z⁻¹) = 1 − 2·Re r·z⁻¹ + |r|²·z⁻²
        q[1] = -2.0 * s.roots[0].real();
        q[2] = std::norm(s.roots[0]);
    } else if (s.count == 2) {
        q[1] = -(s.roots[0].real() + s.roots[1].real());
        q[2] = s.roots[0].real() * s.roots[1].real();
    } else if (s.count == 1) {
        q[1] = -s.roots[0].real();
    }
    for (int i = 0; i < 3; ++i) {
        c[i] = i >= s.delay ? s.lead * q[i - s.delay] : 0.0;
    }
}

// The roots of a set's polynomial with their scale, each repeated root at its group's mean.
struct SetRoots {
    double lead = 0.0;
    int delay = 0;
    int degree = -1;
    std::vector<Complex> roots;
};

SetRoots RootsOfSet(const double *c) {
    SetRoots s;
    const Polynomial p(c, 7);
    s.degree = p.Degree();
    if (s.degree < 0) {
        return s;
    }
    s.delay = p.LowestPower();
    s.lead = p[s.delay];
    const Polynomial inZ = p.WithoutLowPowers().Reversed();
    for (const RootGroup &g : GroupRoots(inZ, Roots(inZ))) {
        for (int i = 0; i < g.multiplicity; ++i) {
            s.roots.push_back(g.value);
        }
    }
    return s;
}

// The roots in units of a section's two slots: conjugate pairs, then the real roots two by two
// (descending), and at most one real root alone.
std::vector<std::vector<Complex>> Units(const std::vector<Complex> &roots) {
    std::vector<std::vector<Complex>> units;
    std::vector<double> reals;
    for (const Complex &r : roots) {
        if (r.imag() > 0.0) {
            units.push_back({r, std::conj(r)});
        } else if (r.imag() == 0.0) {
            reals.push_back(r.real());
        }
    }
    std::sort(reals.rbegin(), reals.rend());
    for (std::size_t i = 0; i < reals.size(); i += 2) {
        if (i + 1 < reals.size()) {
            units.push_back({reals[i], reals[i + 1]});
        } else {
            units.push_back({reals[i]});
        }
    }
    return units;
}

void Assign(SectionRoots &s, const std::vector<Complex> &unit) {
    for (const Complex &r : unit) {
        s.roots[s.count++] = r;
    }
}

double Distance(const std::vector<Complex> &unit, const SectionRoots &poles) {
    return poles.count == 0 ? 0.0 : std::abs(unit.front() - poles.roots[0]);
}

} // namespace

std::vector<Section> SectionsOfSet(const double *a, const double *b) {
    if (b[0] == 0.0) {
        throw FloatingPointError::DivisionByZero();
    }
    const SetRoots zeros = RootsOfSet(a);
    const SetRoots poles = RootsOfSet(b);
    const int count = std::max(1, (std::max(zeros.degree, poles.degree) + 1) / 2);
    std::vector<SectionRoots> num(static_cast<std::size_t>(count));
    std::vector<SectionRoots> den(static_cast<std::size_t>(count));
    std::size_t next = 0;
    for (const std::vector<Complex> &unit : Units(poles.roots)) {
        Assign(den[next++], unit);
    }
    // Each pair of zeros to the free section whose first pole is nearest; a lone zero last.
    std::vector<std::vector<Complex>> zeroUnits = Units(zeros.roots);
    std::stable_partition(zeroUnits.begin(), zeroUnits.end(),
                          [](const std::vector<Complex> &u) { return u.size() == 2; });
    for (const std::vector<Complex> &unit : zeroUnits) {
        std::size_t best = num.size();
        for (std::size_t i = 0; i < num.size(); ++i) {
            if (num[i].count + static_cast<int>(unit.size()) <= 2 &&
                (best == num.size() || Distance(unit, den[i]) < Distance(unit, den[best]))) {
                best = i;
            }
        }
        if (best < num.size()) {
            Assign(num[best], unit);
        }
    }
    // The numerator's delay goes into the slots left free.
    int delay = zeros.degree < 0 ? 0 : zeros.delay;
    std::vector<Section> sections(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < sections.size(); ++i) {
        num[i].delay = std::min(delay, 2 - num[i].count);
        delay -= num[i].delay;
        num[i].lead = i == 0 ? zeros.lead : 1.0;
        den[i].lead = i == 0 ? b[0] : 1.0;
        Recompose(num[i], sections[i].num);
        Recompose(den[i], sections[i].den);
    }
    return sections;
}

std::vector<Section> SectionsOfDesign(const DigitalFilterDesign &design) {
    if (design.b[0] == 0.0) {
        throw FloatingPointError::DivisionByZero();
    }
    const int count = design.order / 2;
    const bool computed = design.designType >= 0 &&
                          design.designType < DigitalFilterDesign::UnknownType && count >= 1 &&
                          count <= 3 && design.den2nd[0] != 0.0;
    if (computed) {
        // Order 2 is the designer's set itself; higher orders are normalised to b0 = 1.
        const double scale = count == 1 ? 1.0 : design.den2nd[0];
        std::vector<Section> sections(static_cast<std::size_t>(count));
        for (std::size_t k = 0; k < sections.size(); ++k) {
            for (int i = 0; i < 3; ++i) {
                const double gain = k == 0 ? design.amplification : 1.0;
                sections[k].num[i] = gain * design.num2nd[i] / scale;
                sections[k].den[i] = design.den2nd[i] / scale;
            }
        }
        // Only while the set still is that product (not typed over since).
        double a[7];
        double b[7];
        MultiplySections(sections, a, b);
        double error = 0.0;
        double size = 0.0;
        for (int i = 0; i < 7; ++i) {
            error = std::max({error, std::fabs(a[i] - design.a[i]), std::fabs(b[i] - design.b[i])});
            size = std::max({size, std::fabs(design.a[i]), std::fabs(design.b[i])});
        }
        if (error <= 1e-12 * size) {
            return sections;
        }
    }
    return SectionsOfSet(design.a, design.b);
}

void MultiplySections(const std::vector<Section> &sections, double (&a)[7], double (&b)[7]) {
    Polynomial num{1.0};
    Polynomial den{1.0};
    for (const Section &s : sections) {
        num = num * Polynomial(s.num, 3);
        den = den * Polynomial(s.den, 3);
    }
    for (int i = 0; i < 7; ++i) {
        a[i] = num[i];
        b[i] = den[i];
    }
}

TransferFunction SectionsTransfer(const std::vector<Section> &sections) {
    TransferFunction h;
    for (const Section &s : sections) {
        h.MultiplyBy(Polynomial(s.num, 3));
        h.DivideBy(Polynomial(s.den, 3));
    }
    return h;
}

void DesignEditor::Update(const DigitalFilterDesign &design) {
    if (written && std::equal(design.a, design.a + 7, writtenA) &&
        std::equal(design.b, design.b + 7, writtenB)) {
        return;
    }
    written = false;
    sections = SectionsOfDesign(design);
}

RootHandle DesignEditor::Nearest(bool pole, Complex z) const {
    RootHandle best;
    double distance = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const SectionRoots s = Decompose(pole ? sections[k].den : sections[k].num);
        for (int slot = 0; slot < s.count; ++slot) {
            const double d = std::abs(s.roots[slot] - z);
            if (d < distance) {
                distance = d;
                best = {static_cast<int>(k), pole, slot, s.roots[slot].imag() != 0.0};
            }
        }
    }
    return best;
}

Complex DesignEditor::Position(RootHandle handle) const {
    if (!handle.Valid() || handle.section >= static_cast<int>(sections.size())) {
        return Complex(std::nan(""), std::nan(""));
    }
    const Section &section = sections[static_cast<std::size_t>(handle.section)];
    const SectionRoots s = Decompose(handle.pole ? section.den : section.num);
    return handle.slot < s.count ? s.roots[handle.slot] : Complex(std::nan(""), std::nan(""));
}

RootHandle DesignEditor::Move(DigitalFilterDesign &design, RootHandle handle, Complex to) {
    if (!handle.Valid() || handle.section >= static_cast<int>(sections.size())) {
        return handle;
    }
    Section &section = sections[static_cast<std::size_t>(handle.section)];
    double *c = handle.pole ? section.den : section.num;
    SectionRoots s = Decompose(c);
    if (handle.slot >= s.count) {
        return handle;
    }
    const bool pair = handle.pair || s.roots[handle.slot].imag() != 0.0;
    if (pair && s.count == 2) {
        s.roots[0] = Complex(to.real(), std::fabs(to.imag()));
        s.roots[1] = std::conj(s.roots[0]);
    } else {
        s.roots[handle.slot] = Complex(to.real(), 0.0);
    }
    Recompose(s, c);
    MultiplySections(sections, writtenA, writtenB);
    written = true;
    design.SetCoefficients(writtenA, writtenB);

    // The moved root's slot after the roots were sorted again.
    const SectionRoots moved = Decompose(c);
    const Complex target = pair ? to : Complex(to.real(), 0.0);
    RootHandle result = handle;
    result.pair = pair;
    for (int slot = 0; slot < moved.count; ++slot) {
        if (std::abs(moved.roots[slot] - target) < std::abs(moved.roots[result.slot] - target)) {
            result.slot = slot;
        }
    }
    return result;
}

} // namespace kaldorium
