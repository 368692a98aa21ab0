#include "core/tools/AnalogueCircuits.h"

#include "core/common/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <string>
#include <vector>

using namespace kaldorium;
using Complex = std::complex<double>;

namespace {

// A circuit as a nodal network: node 0 is ground, node 1 the input driven with 1 V. Ideal
// operational amplifiers are nullors: the output node's current equation is replaced by
// V+ = V−, so the output delivers whatever current that takes.
class Network {
public:
    explicit Network(int nodes) : count(nodes) {}
    void R(int a, int b, double ohms) { elements.push_back({a, b, 1.0 / ohms, 0.0}); }
    void C(int a, int b, double farads) { elements.push_back({a, b, 0.0, farads}); }
    void OpAmp(int plus, int minus, int out) { amplifiers.push_back({plus, minus, out}); }

    // The output, the highest node, at s = jω, by Gauss-Jordan elimination with partial
    // pivoting over the unknown nodes 2 … count − 1; the last column is the right-hand side.
    Complex Output(double omega) const {
        const int n = count - 2;
        std::vector<std::vector<Complex>> a(n, std::vector<Complex>(n + 1));
        auto add = [&](int row, int node, Complex y) {
            if (row >= 2 && node != 0) {
                // The input's known 1 V moves to the right-hand side.
                (node == 1 ? a[row - 2][n] : a[row - 2][node - 2]) += node == 1 ? -y : y;
            }
        };
        const Complex s(0.0, omega);
        for (const Element &e : elements) {
            const Complex y = e.g + s * e.c;
            add(e.a, e.a, y), add(e.a, e.b, -y), add(e.b, e.b, y), add(e.b, e.a, -y);
        }
        for (const Amplifier &amp : amplifiers) {
            std::fill(a[amp.out - 2].begin(), a[amp.out - 2].end(), Complex());
            add(amp.out, amp.plus, 1.0), add(amp.out, amp.minus, -1.0);
        }
        for (int k = 0; k < n; ++k) {
            int pivot = k;
            for (int r = k + 1; r < n; ++r) {
                pivot = std::abs(a[r][k]) > std::abs(a[pivot][k]) ? r : pivot;
            }
            std::swap(a[k], a[pivot]);
            for (int r = 0; r < n; ++r) {
                const Complex f = r == k ? Complex() : a[r][k] / a[k][k];
                for (int col = k; col <= n; ++col) {
                    a[r][col] -= f * a[k][col];
                }
            }
        }
        return a[n - 1][n] / a[n - 1][n - 1];
    }

private:
    struct Element {
        int a, b;
        double g, c;
    };
    struct Amplifier {
        int plus, minus, out;
    };
    int count;
    std::vector<Element> elements;
    std::vector<Amplifier> amplifiers;
};

// G(jω) for the second-order denominator P = s² + 2ζω0·s + ω0².
Complex Denominator(const FilterParameters &p, Complex s) {
    return s * s + 2.0 * p.zeta * p.omega0 * s + p.omega0 * p.omega0;
}

struct Circuit {
    const char *name;
    // Designs from (ω0, A0, ζ), builds the design's network and analyses it.
    std::function<FilterParameters(double, double, double, Network &)> build;
    int nodes;
    // G(s) of the parameters.
    std::function<Complex(const FilterParameters &, Complex)> g;
    bool compareMagnitudeOnly;
};

const Circuit circuits[] = {
    {"inverting low pass",
     [](double w0, double a0, double z, Network &net) {
         const InvertingLowPass c = DesignInvertingLowPass(w0, a0, z).components;
         net.R(1, 2, c.r1), net.C(2, 0, c.c2), net.R(2, 4, c.r4), net.R(2, 3, c.r3);
         net.C(3, 4, c.c5), net.OpAmp(0, 3, 4);
         return Transfer(c);
     },
     5,
     [](const FilterParameters &p, Complex s) {
         return -p.a0 * p.omega0 * p.omega0 / Denominator(p, s);
     },
     false},
    {"inverting high pass",
     [](double w0, double a0, double z, Network &net) {
         const InvertingHighPass c = DesignInvertingHighPass(w0, a0, z).components;
         net.C(1, 2, c.c1), net.R(2, 0, c.r2), net.C(2, 4, c.c4), net.C(2, 3, c.c3);
         net.R(3, 4, c.r5), net.OpAmp(0, 3, 4);
         return Transfer(c);
     },
     5, [](const FilterParameters &p, Complex s) { return -p.a0 * s * s / Denominator(p, s); },
     false},
    {"inverting band pass",
     [](double w0, double a0, double z, Network &net) {
         const InvertingBandPass c = DesignInvertingBandPass(w0, a0, 2.0 * z * w0).components;
         net.R(1, 2, c.r1), net.R(2, 0, c.r2), net.C(2, 4, c.c4), net.C(2, 3, c.c3);
         net.R(3, 4, c.r5), net.OpAmp(0, 3, 4);
         return Transfer(c);
     },
     5,
     [](const FilterParameters &p, Complex s) {
         return -p.a0 * 2.0 * p.zeta * p.omega0 * s / Denominator(p, s);
     },
     false},
    {"non-inverting low pass",
     [](double w0, double a0, double z, Network &net) {
         const NonInvertingLowPass c = DesignNonInvertingLowPass(w0, a0, z).components;
         net.R(1, 2, c.r1), net.R(2, 3, c.r2), net.C(3, 0, c.c3), net.C(2, 5, c.c4);
         net.R(4, 0, c.rin), net.R(4, 5, c.rf), net.OpAmp(3, 4, 5);
         return Transfer(c).parameters;
     },
     6,
     [](const FilterParameters &p, Complex s) {
         return p.a0 * p.omega0 * p.omega0 / Denominator(p, s);
     },
     false},
    {"non-inverting high pass",
     [](double w0, double a0, double z, Network &net) {
         const NonInvertingHighPass c = DesignNonInvertingHighPass(w0, a0, z).components;
         net.C(1, 2, c.c1), net.C(2, 3, c.c2), net.R(3, 0, c.r3), net.R(2, 5, c.r4);
         net.R(4, 0, c.rin), net.R(4, 5, c.rf), net.OpAmp(3, 4, 5);
         return Transfer(c).parameters;
     },
     6, [](const FilterParameters &p, Complex s) { return p.a0 * s * s / Denominator(p, s); },
     false},
    // This circuit inverts at mid-band; its G(s) is stated without the sign.
    {"non-inverting band pass",
     [](double w0, double, double z, Network &net) {
         const NonInvertingBandPass c = DesignNonInvertingBandPass(w0, 2.0 * z * w0).components;
         net.R(1, 3, c.r1), net.C(3, 2, c.c1), net.C(2, 5, c.c2), net.R(2, 5, c.r2);
         net.R(4, 0, c.rin), net.R(4, 5, c.rf), net.OpAmp(2, 4, 5);
         return Transfer(c).parameters;
     },
     6,
     [](const FilterParameters &p, Complex s) {
         return p.a0 * 2.0 * p.zeta * p.omega0 * s / Denominator(p, s);
     },
     true},
    {"differentiator",
     [](double w0, double, double, Network &net) {
         const RcPair c = DesignRc(w0);
         net.C(1, 2, c.c), net.R(2, 3, c.r), net.OpAmp(0, 2, 3);
         return FilterParameters{RcOmega0(c), 0, 1, 0, 0};
     },
     4, [](const FilterParameters &p, Complex s) { return -s / p.omega0; }, false},
    {"integrator",
     [](double w0, double, double, Network &net) {
         const RcPair c = DesignRc(w0);
         net.R(1, 2, c.r), net.C(2, 3, c.c), net.OpAmp(0, 2, 3);
         return FilterParameters{RcOmega0(c), 0, 1, 0, 0};
     },
     4, [](const FilterParameters &p, Complex s) { return -p.omega0 / s; }, false},
};

struct DesignCase {
    int circuit;
    double omega0, a0, zeta;
};

std::string CaseName(const ::testing::TestParamInfo<DesignCase> &info) {
    std::string name = circuits[info.param.circuit].name;
    for (char &ch : name) {
        if (ch == ' ' || ch == '-') {
            ch = '_';
        }
    }
    return name + "_" + std::to_string(info.index);
}

std::vector<DesignCase> DesignGrid() {
    std::vector<DesignCase> cases;
    for (int c = 0; c < static_cast<int>(std::size(circuits)); ++c) {
        for (double w0 : {100.0, 1e4, 1e6}) {
            for (double a0 : {1.0, 3.0}) {
                for (double zeta : {0.1, 0.7071}) {
                    cases.push_back({c, w0, a0, zeta});
                }
            }
        }
    }
    return cases;
}

} // namespace

// Every design, analysed back, realises the ω0, ζ and A0 asked for (where no guard changed them),
// and the circuit's own nodal equations give G(s) of the analysed parameters.
class DesignedCircuit : public ::testing::TestWithParam<DesignCase> {};

TEST_P(DesignedCircuit, NodalResponseMatchesItsTransferFunction) {
    const DesignCase &dc = GetParam();
    const Circuit &circuit = circuits[dc.circuit];
    Network net(circuit.nodes);
    ClearFloatingPointFlags();
    const FilterParameters p = circuit.build(dc.omega0, dc.a0, dc.zeta, net);
    EXPECT_NO_THROW(CheckFloatingPoint(p));
    EXPECT_NEAR(p.omega0 / dc.omega0, 1.0, 1e-12);
    const bool guardedGain = dc.circuit >= 3 && dc.circuit <= 5;
    if (dc.circuit != 6 && dc.circuit != 7) {
        EXPECT_NEAR(p.zeta / dc.zeta, 1.0, 1e-9);
        if (!guardedGain) {
            EXPECT_NEAR(p.a0 / dc.a0, 1.0, 1e-12);
        }
    }
    for (double ratio : {0.1, 0.5, 1.0, 1.7, 9.0}) {
        const double omega = ratio * dc.omega0;
        const Complex nodal = net.Output(omega);
        const Complex expected = circuit.g(p, Complex(0.0, omega));
        SCOPED_TRACE(ratio);
        if (circuit.compareMagnitudeOnly) {
            EXPECT_NEAR(std::abs(nodal) / std::abs(expected), 1.0, 1e-9);
        } else {
            EXPECT_NEAR(std::abs(nodal - expected) / std::abs(expected), 0.0, 1e-9);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Grid, DesignedCircuit, ::testing::ValuesIn(DesignGrid()), CaseName);

TEST(InvertingLowPass, StaysInRangeAt1kradPerSecond) {
    const InvertingLowPass c = DesignInvertingLowPass(1000.0, 1.0, 0.7071).components;
    EXPECT_DOUBLE_EQ(c.r1, 500e3);
    EXPECT_DOUBLE_EQ(c.r4, 500e3);
    EXPECT_DOUBLE_EQ(c.r3, 30e3);
    // C2 = (2/500k + 1/30k)/(2·0.7071·1000), C5 = 1/(500k·30k·C2·10⁶)
    EXPECT_NEAR(c.c2, 26.39891e-9, 1e-14);
    EXPECT_NEAR(c.c5, 2.525357e-9, 1e-15);
}

TEST(InvertingLowPass, FourPassesEndWithC2StillOutOfRangeAt100radPerSecond) {
    const InvertingLowPass c = DesignInvertingLowPass(100.0, 1.0, 0.7071).components;
    EXPECT_NEAR(c.r1, 100e3, 1e-6);
    EXPECT_NEAR(c.r3, 6e3, 1e-7);
    EXPECT_NEAR(c.r4, 100e3, 1e-6);
    EXPECT_NEAR(c.c2, 1320e-9, 0.5e-9);
    EXPECT_NEAR(c.c5, 126.3e-9, 0.1e-9);
}

TEST(InvertingBandPass, C3ChoiceFollowsM) {
    // m = A0·B²/ω0² ≤ 1: C3 = C4; else C3 = 1.1·(m − 1)·C4. The range rules keep the ratio.
    const InvertingBandPass equal = DesignInvertingBandPass(1000.0, 1.0, 500.0).components;
    EXPECT_NEAR(equal.c3 / equal.c4, 1.0, 1e-12);
    const InvertingBandPass wide = DesignInvertingBandPass(1000.0, 4.0, 1000.0).components;
    EXPECT_NEAR(wide.c3 / wide.c4, 1.1 * 3.0, 1e-12);
    EXPECT_GT(wide.r2, 0.0);
}

TEST(IntegerScaleFactor, IsTheIntegerPartOf1000OverRPlusOneBelow1kOhm) {
    EXPECT_EQ(IntegerScaleFactor(500.0), 3.0);
    EXPECT_EQ(IntegerScaleFactor(999.0), 2.0);
    EXPECT_EQ(IntegerScaleFactor(1000.0), 1.0);
    EXPECT_EQ(IntegerScaleFactor(5e6), 1.0);
    // Far beyond an int, still exact enough to scale by.
    EXPECT_NEAR(IntegerScaleFactor(1e-9), 1e12, 2.0);
}

TEST(NonInvertingLowPass, GuardsTheGainAndScalesSmallResistors) {
    for (double a0 : {1.0, 0.5, -3.0}) {
        EXPECT_EQ(DesignNonInvertingLowPass(1e4, a0, 0.5).parameters.a0, 2.0);
    }
    // 2 − ζ² = 1.75 > 1.5
    EXPECT_EQ(DesignNonInvertingLowPass(1e4, 1.5, 0.5).parameters.a0, 2.0);
    EXPECT_EQ(DesignNonInvertingLowPass(1e4, 1.9, 0.5).parameters.a0, 1.9);

    const NonInvertingLowPass equal = DesignNonInvertingLowPass(1e4, 2.0, 0.5).components;
    EXPECT_NEAR(equal.r1, 10e3, 1e-8);
    EXPECT_NEAR(equal.r2, 10e3, 1e-8);
    EXPECT_DOUBLE_EQ(equal.rin, 10e3);
    EXPECT_DOUBLE_EQ(equal.rf, 10e3);

    // R1 = R2 = 100 Ω, k(R1) = 11, then k(R2) = k(1.1 kΩ) = 1.
    const NonInvertingLowPass fast = DesignNonInvertingLowPass(1e6, 2.0, 0.5).components;
    EXPECT_NEAR(fast.r1, 1100.0, 1e-9);
    EXPECT_NEAR(fast.r2, 1100.0, 1e-9);
    EXPECT_NEAR(fast.c3, 10e-9 / 11.0, 1e-21);
    EXPECT_NEAR(fast.c4, 10e-9 / 11.0, 1e-21);
}

TEST(NonInvertingHighPass, GuardsTheGain) {
    EXPECT_EQ(DesignNonInvertingHighPass(1e4, 1.0, 0.5).parameters.a0, 2.0);
    EXPECT_EQ(DesignNonInvertingHighPass(1e4, 1.2, 0.5).parameters.a0, 1.2);
}

// An unstable gain is replaced by 90 % of the limit A0 = S·R2·C3 (S·R4·C1 for the high pass),
// never below 1.
TEST(NonInvertingTransfer, UnstableGainBecomesNinetyPercentOfTheLimit) {
    const NonInvertingLowPass lp{10e3, 10e3, 10e-9, 10e-9, 10e3, 50e3}; // A0 = 6, limit 3
    const Design<NonInvertingLowPass> l = Transfer(lp);
    EXPECT_NEAR(l.parameters.a0, 2.7, 1e-12);
    EXPECT_DOUBLE_EQ(l.components.rin, 100e3);
    EXPECT_NEAR(l.components.rf, 170e3, 1e-7);
    EXPECT_NEAR(l.parameters.zeta, 0.15, 1e-12); // (3 − 2.7)/2 with ω0·R·C = 1

    const NonInvertingHighPass hp{10e-9, 10e-9, 10e3, 10e3, 10e3, 50e3}; // limit 3
    const Design<NonInvertingHighPass> h = Transfer(hp);
    EXPECT_NEAR(h.parameters.a0, 2.7, 1e-12);
    EXPECT_DOUBLE_EQ(h.components.rin, 10e3);
    EXPECT_NEAR(h.components.rf, 17e3, 1e-8);

    // S·R2·C3 = 1.02: 90 % of it would need a negative Rf.
    const NonInvertingLowPass low{10e3, 10e3, 1e-9, 100e-9, 10e3, 5e3};
    const Design<NonInvertingLowPass> g = Transfer(low);
    EXPECT_EQ(g.parameters.a0, 1.0);
    EXPECT_EQ(g.components.rf, 0.0);
    EXPECT_GT(g.parameters.zeta, 0.0);
    // A stable circuit keeps its resistors.
    const Design<NonInvertingLowPass> stable =
        Transfer(NonInvertingLowPass{10e3, 10e3, 10e-9, 10e-9, 10e3, 10e3});
    EXPECT_EQ(stable.components.rf, 10e3);
    EXPECT_NEAR(stable.parameters.zeta, 0.5, 1e-12);
}

TEST(NonInvertingBandPass, TransferCorrectsQAtMostOneHalf) {
    // Equal parts with K = 1.2: B = ω0·(2 + 1/(1 − K)) = −3ω0, Q = −1/3.
    const Design<NonInvertingBandPass> d =
        Transfer(NonInvertingBandPass{10e3, 10e3, 10e-9, 10e-9, 10e3, 2e3});
    EXPECT_DOUBLE_EQ(d.parameters.q, 0.51);
    EXPECT_NEAR(d.parameters.a0, 0.53, 1e-12);
    EXPECT_DOUBLE_EQ(d.components.rin, 1e3);
    EXPECT_NEAR(d.components.rf, 25.5e3, 1e-7);
    EXPECT_NEAR(d.parameters.bandwidth, 1e4 / 0.51, 1e-9);
}

TEST(NonInvertingBandPass, TransferGainIsTheCircuitsMidBandGainForUnequalParts) {
    const NonInvertingBandPass c{10e3, 47e3, 22e-9, 4.7e-9, 10e3, 90e3};
    const FilterParameters p = Transfer(c).parameters;
    Network net(6);
    net.R(1, 3, c.r1), net.C(3, 2, c.c1), net.C(2, 5, c.c2), net.R(2, 5, c.r2);
    net.R(4, 0, c.rin), net.R(4, 5, c.rf), net.OpAmp(2, 4, 5);
    ASSERT_GT(p.q, 0.5);
    EXPECT_NEAR(std::abs(net.Output(p.omega0)) / p.a0, 1.0, 1e-9);
}

TEST(NonInvertingBandPass, DesignLimitsBToBelowTwiceOmega0) {
    for (double b : {3e4, 2e4}) { // B = 3ω0 and B = 2ω0 (Q = 0.5 exactly)
        ClearFloatingPointFlags();
        const Design<NonInvertingBandPass> d = DesignNonInvertingBandPass(1e4, b);
        EXPECT_NO_THROW(CheckFloatingPoint(d));
        EXPECT_DOUBLE_EQ(d.parameters.bandwidth, 1.99e4);
        EXPECT_NEAR(d.parameters.q, 0.5025, 1e-4);
        EXPECT_GT(d.parameters.a0, 0.0);
    }
    const Design<NonInvertingBandPass> d = DesignNonInvertingBandPass(1e4, 1e4);
    EXPECT_NEAR(d.components.r1, 10e3, 1e-8);
    EXPECT_NEAR(d.components.rf, 10e3, 1e-8); // Q = 1: K = 2
    EXPECT_DOUBLE_EQ(d.parameters.a0, 2.0);
}

TEST(Rc, DifferentiatorDesignAt1kradPerSecond) {
    const RcPair c = DesignRc(1000.0);
    EXPECT_DOUBLE_EQ(c.c, 1e-9);
    EXPECT_NEAR(c.r, 1e6, 1e-6);
    EXPECT_NEAR(RcOmega0(c), 1000.0, 1e-9);
}

// Inputs the formulas cannot take raise the floating-point flags instead of giving a design.
TEST(AnalogueCircuits, ImpossibleInputsRaiseTheFloatingPointFlags) {
    const std::function<double()> faults[] = {
        [] {
            return Transfer(NonInvertingBandPass{1e4, 1e4, 1e-8, 1e-8, 1e4, 0.0}).parameters.a0;
        },
        [] { return DesignNonInvertingBandPass(1e4, 0.0).components.rf; },
        [] { return DesignInvertingBandPass(1e4, 1.0, 0.0).components.r1; },
        [] { return DesignInvertingBandReject(1e4, 1.0, 0.0).components.c2; },
        [] { return DesignNonInvertingLowPass(1e4, 3.0, 0.0).components.r1; },
        [] { return DesignInvertingLowPass(1e4, 1.0, 0.0).components.c5; },
        [] { return DesignInvertingHighPass(1e4, 1.0, 0.0).components.r2; },
        [] {
            return Transfer(InvertingLowPass{1e4, -1e-9, 1e4, 1e4, 1e-9}).omega0;
        },
        [] { return IntegerScaleFactor(0.0); },
    };
    int index = 0;
    for (const auto &fault : faults) {
        SCOPED_TRACE(index++);
        ClearFloatingPointFlags();
        const double value = fault();
        EXPECT_THROW(CheckFloatingPoint(value), FloatingPointError);
    }
}

TEST(LinkedFields, FlagIsConsumedByTheFirstHandlerThatSeesIt) {
    LinkedFieldFlag flag;
    EXPECT_FALSE(flag.Consume());
    flag.Set();
    flag.Set();
    EXPECT_TRUE(flag.Consume());
    EXPECT_FALSE(flag.Consume());
}
