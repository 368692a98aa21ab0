#include "core/tools/TransferFunction.h"

#include "core/common/Errors.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kaldorium {

namespace {

// p divided by its first non-zero coefficient, which is returned in `lead` (0 for p = 0).
Polynomial Canonical(const Polynomial &p, double &lead) {
    const int low = p.LowestPower();
    if (low < 0) {
        lead = 0.0;
        return Polynomial();
    }
    lead = p[low];
    std::vector<double> c(static_cast<std::size_t>(p.Degree() + 1), 0.0);
    for (int i = low; i <= p.Degree(); ++i) {
        c[static_cast<std::size_t>(i)] = p[i] / lead;
    }
    return Polynomial(std::move(c));
}

Polynomial Product(const std::vector<Polynomial> &factors) {
    Polynomial product{1.0};
    for (const Polynomial &f : factors) {
        product = product * f;
    }
    return product;
}

// The Filter's second-order section num[0 … 2] / den[0 … 2] and its gain.
void MultiplyBySection(TransferFunction &h, const Filter &section) {
    h.MultiplyBy(Polynomial(section.num, 3));
    h.DivideBy(Polynomial(section.den, 3));
}

// One network stage at Ts with the ωref correction ProcessSample applies.
TransferFunction StageTransfer(const Filter &stage, double ts, double omegaRef) {
    TransferFunction h =
        KindTransfer(stage.type, stage.f0, stage.q, stage.amplification, ts, stage.designer);
    if (stage.type == fkDifferentiator) {
        h.gain /= omegaRef;
    } else if (stage.type == fkIntegrator) {
        h.gain *= omegaRef;
    }
    return h;
}

// One branch's A·B·C, or one branch's share of the sum.
struct Term {
    double gain = 1.0;
    std::vector<Polynomial> numerator;
    std::vector<Polynomial> denominator;
};

int CountOf(const std::vector<Polynomial> &factors, const Polynomial &p) {
    return static_cast<int>(std::count(factors.begin(), factors.end(), p));
}

// Removes one copy of p from factors.
void RemoveOne(std::vector<Polynomial> &factors, const Polynomial &p) {
    const auto at = std::find(factors.begin(), factors.end(), p);
    if (at != factors.end()) {
        factors.erase(at);
    }
}

// The least common multiple of the terms' denominators (factors compared exactly; identical
// stage designs give identical factors); each term's numerator takes the factors its own
// denominator lacks.
std::vector<Polynomial> CommonDenominator(std::vector<Term> &terms) {
    std::vector<Polynomial> common;
    for (const Term &t : terms) {
        for (const Polynomial &f : t.denominator) {
            const int missing = CountOf(t.denominator, f) - CountOf(common, f);
            for (int i = 0; i < missing; ++i) {
                common.push_back(f);
            }
        }
    }
    for (Term &t : terms) {
        std::vector<Polynomial> lacking = common;
        for (const Polynomial &f : t.denominator) {
            RemoveOne(lacking, f);
        }
        t.numerator.insert(t.numerator.end(), lacking.begin(), lacking.end());
        t.denominator = common;
    }
    return common;
}

// The numerator factors every term has, removed from each.
std::vector<Polynomial> SharedFactors(std::vector<Term> &terms) {
    std::vector<Polynomial> shared;
    std::vector<Polynomial> candidates = terms.front().numerator;
    for (const Polynomial &f : candidates) {
        bool everywhere = true;
        for (const Term &t : terms) {
            everywhere = everywhere && CountOf(t.numerator, f) > 0;
        }
        if (everywhere) {
            shared.push_back(f);
            for (Term &t : terms) {
                RemoveOne(t.numerator, f);
            }
        }
    }
    return shared;
}

// Σ gain·Π numerator over the terms, multiplied out. A coefficient that the sum cancels to
// within its rounding is set to zero: left as rounding noise it would put spurious roots at the
// origin or far out.
Polynomial SumOfTerms(const std::vector<Term> &terms) {
    Polynomial sum;
    Polynomial size;
    for (const Term &t : terms) {
        Polynomial product{t.gain};
        Polynomial magnitude{std::fabs(t.gain)};
        for (const Polynomial &f : t.numerator) {
            product = product * f;
            std::vector<double> a = f.Coefficients();
            for (double &v : a) {
                v = std::fabs(v);
            }
            magnitude = magnitude * Polynomial(std::move(a));
        }
        sum = sum + product;
        size = size + magnitude;
    }
    std::vector<double> c = sum.Coefficients();
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (std::fabs(c[i]) <=
            64.0 * std::numeric_limits<double>::epsilon() * size[static_cast<int>(i)]) {
            c[i] = 0.0;
        }
    }
    return Polynomial(std::move(c));
}

} // namespace

void TransferFunction::MultiplyBy(const Polynomial &factor) {
    double lead = 0.0;
    const Polynomial c = Canonical(factor, lead);
    gain *= lead;
    if (gain == 0.0) {
        numerator.clear();
        return;
    }
    if (c.Degree() > 0) {
        numerator.push_back(c);
    }
}

void TransferFunction::DivideBy(const Polynomial &factor) {
    double lead = 0.0;
    const Polynomial c = Canonical(factor, lead);
    if (lead == 0.0) {
        throw FloatingPointError::DivisionByZero();
    }
    gain /= lead;
    if (c.Degree() > 0) {
        denominator.push_back(c);
    }
}

Polynomial TransferFunction::Numerator() const {
    return gain * Product(numerator);
}

Polynomial TransferFunction::Denominator() const {
    return Product(denominator);
}

Complex TransferFunction::Response(double frequencyHz, double ts) const {
    const Complex zInverse = std::polar(1.0, -2 * std::numbers::pi * frequencyHz * ts);
    Complex h = gain;
    for (const Polynomial &f : numerator) {
        h *= f.Evaluate(zInverse);
    }
    for (const Polynomial &f : denominator) {
        h /= f.Evaluate(zInverse);
    }
    return h;
}

TransferFunction KindTransfer(FilterKind kind, double f0, double q, double a0, double ts,
                              const DesignedFilterSource *designer) {
    TransferFunction h;
    switch (kind) {
    case fkDifferentiator: // y = (x − x1)/Ts
        h.gain = 1.0 / ts;
        h.MultiplyBy({1.0, -1.0});
        return h;
    case fkIntegrator: // y = (x + x1)·Ts/2 + y1
        h.gain = 0.5 * ts;
        h.MultiplyBy({1.0, 1.0});
        h.DivideBy({1.0, -1.0});
        return h;
    case fkAllPass:
        h.gain = a0;
        return h;
    case fkDesigned:
        if (designer != nullptr) {
            return DirectFormTransfer(designer->A(), designer->B(), 7);
        }
        return h;
    case fkHighPass4th:
    case fkLowPass4th: {
        Filter section(kind == fkHighPass4th ? fkHighPass : fkLowPass);
        section.Design(f0, q, a0, ts);
        h.gain = section.gain;
        MultiplyBySection(h, section);
        MultiplyBySection(h, section);
        return h;
    }
    default: {
        const bool known = kind >= fkBandPass && kind <= fkLowPass;
        Filter filter(known ? kind : fkBandPass);
        filter.Design(f0, q, a0, ts);
        h.gain = filter.gain;
        MultiplyBySection(h, filter);
        return h;
    }
    }
}

TransferFunction DirectFormTransfer(const double *a, const double *b, int count) {
    if (count < 1 || b[0] == 0.0) {
        throw FloatingPointError::DivisionByZero();
    }
    TransferFunction h;
    h.MultiplyBy(Polynomial(a, count));
    h.DivideBy(Polynomial(b, count));
    return h;
}

TransferFunction NetworkTransfer(const FilterNetwork &network, double ts, double omegaRef) {
    std::vector<Term> terms;
    for (int k = 1; k <= 4; ++k) {
        Term t;
        for (int column = 0; column < 3; ++column) {
            const TransferFunction s =
                StageTransfer(network.stages[FilterNetwork::StageIndex(k, column)], ts, omegaRef);
            t.gain *= s.gain;
            t.numerator.insert(t.numerator.end(), s.numerator.begin(), s.numerator.end());
            t.denominator.insert(t.denominator.end(), s.denominator.begin(), s.denominator.end());
        }
        if (t.gain != 0.0) {
            terms.push_back(std::move(t));
        }
    }

    TransferFunction h = StageTransfer(network.stages[FilterNetwork::InputStage], ts, omegaRef);
    const TransferFunction out =
        StageTransfer(network.stages[FilterNetwork::OutputStage], ts, omegaRef);
    h.gain *= out.gain;
    h.numerator.insert(h.numerator.end(), out.numerator.begin(), out.numerator.end());
    h.denominator.insert(h.denominator.end(), out.denominator.begin(), out.denominator.end());
    if (terms.empty()) {
        h.MultiplyBy(Polynomial{0.0});
        return h;
    }
    const std::vector<Polynomial> common = CommonDenominator(terms);
    h.denominator.insert(h.denominator.end(), common.begin(), common.end());
    const std::vector<Polynomial> shared = SharedFactors(terms);
    for (const Polynomial &f : shared) {
        h.MultiplyBy(f);
    }
    if (terms.size() == 1) {
        h.gain *= terms.front().gain;
        for (const Polynomial &f : terms.front().numerator) {
            h.MultiplyBy(f);
        }
    } else {
        h.MultiplyBy(SumOfTerms(terms));
    }
    if (h.gain == 0.0) {
        h.numerator.clear();
    }
    return h;
}

} // namespace kaldorium
