#include "core/tools/BodeResponse.h"

#include "core/common/Errors.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "tests/core/signal/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace kaldorium {
namespace {

using cd = std::complex<double>;
constexpr double kTs = 0.000025;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Transfer functions written from the circuits and difference equations, independent of the
// response's arithmetic: the analogue kinds at s = jω, the digital ones at z = e^(jωT).
cd Reference(const BodeInputs &in, double omega, const DesignedFilterSource &designed) {
    const double w0 = in.omega0;
    const double a0 = in.amplification;
    const double t = in.ts;
    const cd z = std::polar(1.0, omega * t);
    switch (in.type) {
    case fkBandPass:
    case fkBandReject:
    case fkHighPass:
    case fkLowPass:
    case fkHighPass4th:
    case fkLowPass4th: {
        const double wa = 2.0 / t * std::tan(w0 * t / 2.0);
        const double k = 2.0 * in.damping * wa;
        const cd s = 2.0 / t * (z - 1.0) / (z + 1.0);
        const cd den = s * s + k * s + wa * wa;
        const bool highPass = in.type == fkHighPass || in.type == fkHighPass4th;
        const cd num = in.type == fkBandPass     ? k * s
                       : in.type == fkBandReject ? s * s + wa * wa
                       : highPass                ? s * s
                                                 : cd(wa * wa);
        // The fourth-order kinds: two such sections in series, A0 once.
        return in.type >= fkHighPass4th ? a0 * (num / den) * (num / den) : a0 * num / den;
    }
    case fkDifferentiator:
        return (1.0 - 1.0 / z) / t / w0;
    case fkIntegrator:
        return t / 2.0 * (1.0 + 1.0 / z) / (1.0 - 1.0 / z) * w0;
    case fkDesigned: {
        cd num = 0.0;
        cd den = 0.0;
        for (int m = 0; m < 7; ++m) {
            num += designed.A()[m] * std::pow(z, -m);
            den += designed.B()[m] * std::pow(z, -m);
        }
        return num / den;
    }
    case fkNetwork:
        return 1.0; // the network as it starts passes its input unchanged
    default: {
        const cd s(0.0, omega);
        const cd p = s * s + 2.0 * in.damping * w0 * s + w0 * w0;
        switch (in.type) {
        case 15:
            return a0 * std::pow(s * s / p, 2);
        case 14:
            return a0 * std::pow(w0 * w0 / p, 2);
        case fkAnalogueBandPass:
        case fkAnalogueBandPassNonInverting:
            return a0 * 2.0 * in.damping * w0 * s / p;
        case fkAnalogueBandReject:
            return a0 * (s * s + w0 * w0) / p;
        case fkAnalogueHighPass:
        case fkAnalogueHighPassNonInverting:
            return a0 * s * s / p;
        default:
            return a0 * w0 * w0 / p;
        }
    }
    }
}

struct Row {
    BodeInputs in;
    double start;        // expected ω of the first point
    double step;         // expected spacing
    double end;          // expected axis end
    double extremesFrom; // the gain extremes' start value (0 or g)
    // Black trace: `flat` where no slope applies, flat + slope·log10(ω/ω0) beyond ω0 for a
    // falling slope and below ω0 for a rising one. kNone: gainMax + 100 everywhere.
    double flat;
    double slope;
};

std::string RowName(const testing::TestParamInfo<Row> &info) {
    return "kind" + std::to_string(info.param.in.type) + "_" + std::to_string(info.index);
}

class BodeRowTest : public testing::TestWithParam<Row> {
protected:
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    std::unique_ptr<BodeResponse> response = std::make_unique<BodeResponse>();
};

TEST_P(BodeRowTest, SweepGainPhaseExtremesAndAsymptote) {
    const Row r = GetParam();
    const double w0 = r.in.omega0;
    ASSERT_EQ(BodeInputError(r.in), "");
    response->Compute(r.in, designed, network);
    const BodeResponse &b = *response;

    EXPECT_NEAR(b.omegaStart, r.start, 1e-12 * r.start);
    EXPECT_NEAR(b.omegaEnd, r.end, 1e-9 * r.end);
    for (int i : {0, 1, 2500, 5000, 7777, BodeResponse::Points - 1}) {
        SCOPED_TRACE("point " + std::to_string(i));
        const double omega = b.frequency[i];
        EXPECT_NEAR(omega, r.start + i * r.step, 1e-9 * r.end);
        const cd h = Reference(r.in, omega, designed);
        EXPECT_NEAR(b.gainDb[i], 20.0 * std::log10(std::abs(h)), 1e-6);
        // Phases compared on the circle: ±180° are the same angle.
        const double dPhase =
            std::remainder(b.phaseDeg[i] - std::arg(h) * 57.29577951308232, 360.0);
        EXPECT_NEAR(dPhase, 0.0, 1e-6);
    }

    const auto [minGain, maxGain] = std::minmax_element(b.gainDb, b.gainDb + BodeResponse::Points);
    EXPECT_EQ(b.gainMax, std::max(r.extremesFrom, *maxGain));
    EXPECT_EQ(b.gainMin, std::min(r.extremesFrom, *minGain));
    const auto [minPhase, maxPhase] =
        std::minmax_element(b.phaseDeg, b.phaseDeg + BodeResponse::Points);
    EXPECT_NEAR(b.phaseMax * 57.29577951308232, std::max(0.0, *maxPhase), 1e-9);
    EXPECT_NEAR(b.phaseMin * 57.29577951308232, std::min(0.0, *minPhase), 1e-9);

    for (int i = 0; i < BodeResponse::Points; i += 499) {
        const double omega = b.frequency[i];
        double want = r.flat;
        if (std::isnan(r.flat)) {
            want = b.gainMax + 100.0;
        } else if ((r.slope < 0 && omega > w0) || (r.slope > 0 && omega < w0)) {
            want = r.flat + r.slope * std::log10(omega / w0);
        }
        EXPECT_NEAR(b.asymptote[i], want, 1e-9) << "point " << i;
    }
}

const double w2k = 2 * std::numbers::pi * 2000.0;
const double w1k = 2 * std::numbers::pi * 1000.0;
const double nyquist = M_PI / kTs;
const double g2 = 20.0 * std::log10(2.0);
const double g3 = 20.0 * std::log10(3.0);
double DigitalStep(double start) {
    return (nyquist - start) * 0.0001;
}
Row Digital(FilterKind kind, double w0, double a0, double zeta, double startMul, double extremes,
            double flat, double slope) {
    const double start = startMul * w0;
    return {{w0, a0, zeta, kTs, kind}, start, DigitalStep(start), nyquist, extremes, flat, slope};
}
Row Analogue(FilterKind kind, double w0, double a0, double zeta, double startMul, double stepMul,
             double flat, double slope) {
    const double start = startMul * w0;
    const double step = stepMul * w0;
    const double g = 20.0 * std::log10(a0);
    return {{w0, a0, zeta, kTs, kind}, start, step, start + 9999 * step, g, flat, slope};
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BodeRowTest,
    testing::Values(
        Digital(fkBandPass, w2k, 2.0, 0.05, 0.0015, 0.0, 2000.0 * std::log10(2.0) + 100.0, 0.0),
        Digital(fkBandReject, w1k, 1.5, 0.25, 0.0015, 0.0, 2000.0 * std::log10(1.5) + 100.0, 0.0),
        Digital(fkHighPass, w1k, 2.0, 0.3536, 0.001, 0.0, g2, 40.0),
        Digital(fkLowPass, w2k, 2.0, 0.7071, 0.01, 0.0, g2, -40.0),
        Digital(fkDifferentiator, w2k, 2.0, 0.05, 0.01, 0.0, kNone, 0.0),
        Digital(fkIntegrator, w1k, 2.0, 0.05, 0.01, 0.0, kNone, 0.0),
        Row{{0.0, 2.0, 0.05, kTs, fkDesigned},
            M_PI / 200.0 / kTs,
            DigitalStep(M_PI / 200.0 / kTs),
            nyquist,
            0.0,
            kNone,
            0.0},
        Row{{0.0, 0.0, 0.05, kTs, fkNetwork},
            0.96 * nyquist * 0.0001,
            0.96 * nyquist * 0.0001,
            0.96 * nyquist,
            0.0,
            kNone,
            0.0},
        // The workbench's fourth-order kinds are digital and end at the Nyquist frequency.
        Digital(fkHighPass4th, w1k, 2.0, 0.3536, 0.001, 0.0, g2, 80.0),
        Digital(fkLowPass4th, w2k, 3.0, 0.3536, 0.01, 0.0, g3, -80.0),
        Analogue(15, w1k, 2.0, 0.3536, 0.001, 0.0015, g2, 80.0),
        Analogue(14, w2k, 3.0, 0.3536, 0.01, 0.015, g3, -80.0),
        Analogue(fkAnalogueBandPass, w1k, 3.0, 0.1, 0.0015, 0.015, g3 + 100.0, 0.0),
        Analogue(fkAnalogueBandPassNonInverting, w2k, 2.0, 0.5, 0.0015, 0.015, g2 + 100.0, 0.0),
        Analogue(fkAnalogueBandReject, w1k, 2.0, 0.2, 0.0015, 0.015, g2 + 100.0, 0.0),
        Analogue(fkAnalogueHighPass, w1k, 3.0, 0.7071, 0.001, 0.0015, g3, 40.0),
        Analogue(fkAnalogueHighPassNonInverting, w2k, 2.0, 0.1, 0.001, 0.0015, g2, 40.0),
        Analogue(fkAllPass, w1k, 2.0, 0.7071, 0.01, 0.015, g2, -40.0),
        Analogue(fkAnalogueLowPass, w2k, 3.0, 0.1, 0.01, 0.015, g3, -40.0),
        Analogue(fkAnalogueLowPassNonInverting, w1k, 2.0, 0.5, 0.01, 0.015, g2, -40.0)),
    RowName);

class BodeResponseTest : public testing::Test {
protected:
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    std::unique_ptr<BodeResponse> response = std::make_unique<BodeResponse>();

    int NearestPoint(double omega) const {
        int best = 0;
        for (int i = 1; i < BodeResponse::Points; ++i) {
            if (std::abs(response->frequency[i] - omega) <
                std::abs(response->frequency[best] - omega)) {
                best = i;
            }
        }
        return best;
    }
};

TEST_F(BodeResponseTest, WorkbenchBandPassPeaksAtItsCentreAndThePlotEndsAtNyquist) {
    response->Compute({w2k, 2.0, 0.5 / 10.0, kTs, fkBandPass}, designed, network);
    const int peak = static_cast<int>(
        std::max_element(response->gainDb, response->gainDb + BodeResponse::Points) -
        response->gainDb);
    EXPECT_NEAR(response->gainMax, 6.0206, 0.001);
    EXPECT_NEAR(response->frequency[peak] / (2 * std::numbers::pi), 2000.0, 2.5);
    EXPECT_NEAR(response->phaseDeg[peak], 0.0, 1.0);

    test::RecordingCanvas gainCanvas(657, 313);
    test::RecordingCanvas phaseCanvas(657, 267);
    Oscilloscope gain;
    Oscilloscope phase;
    response->Plot(gain, &gainCanvas, phase, &phaseCanvas);
    EXPECT_NEAR(std::pow(10.0, gain.xMax), 20000.0, 1e-6);
    EXPECT_NEAR(std::pow(10.0, gain.xMin), 3.0, 1e-9);
    EXPECT_NEAR(gain.yMax, 8.02, 0.01);
    EXPECT_EQ(gain.yMin, response->gainMin);
    EXPECT_EQ(gain.logX, 1);
    // Both plots draw both traces at every point after the first; the phase's black trace
    // runs along the top edge.
    const auto phaseLines = phaseCanvas.Only(test::RecordingCanvas::Op::Line);
    int topEdge = 0;
    for (const auto &line : phaseLines) {
        topEdge += line.pen == ColorBlack && line.y1 == 0 && line.y2 == 0;
    }
    EXPECT_EQ(topEdge, BodeResponse::Points - 1);
}

TEST_F(BodeResponseTest, DifferentiatorAndIntegratorReadZeroDbAtTheOscillatorFrequency) {
    for (FilterKind kind : {fkDifferentiator, fkIntegrator}) {
        SCOPED_TRACE(kind);
        const double w0 = 2 * std::numbers::pi * 200.0; // ω0·T ≈ 0.03
        response->Compute({w0, 1.0, 0.05, kTs, kind}, designed, network);
        EXPECT_NEAR(response->gainDb[NearestPoint(w0)], 0.0, 0.02);
    }
}

TEST_F(BodeResponseTest, ZeroMagnitudeIsDrawnAtTheFloor) {
    // A network whose input stage has gain 0, and a designed filter with all-zero numerator.
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::InputStage] = {true, fkAllPass, 1000.0, 1.0, 0.0};
    network.ApplySettings(settings);
    response->Compute({0.0, 1.0, 0.5, kTs, fkNetwork}, designed, network);
    EXPECT_EQ(response->gainMin, BodeResponse::FloorDb);
    EXPECT_EQ(response->gainDb[BodeResponse::Points - 1], BodeResponse::FloorDb);

    std::fill(designed.a, designed.a + 7, 0.0);
    response->Compute({0.0, 1.0, 0.5, kTs, fkDesigned}, designed, network);
    EXPECT_EQ(response->gainDb[1234], BodeResponse::FloorDb);
    EXPECT_EQ(response->phaseDeg[1234], 0.0);
}

TEST_F(BodeResponseTest, ADenominatorOfZeroFaults) {
    std::fill(designed.b, designed.b + 7, 0.0);
    EXPECT_THROW(response->Compute({0.0, 1.0, 0.5, kTs, fkDesigned}, designed, network),
                 FloatingPointError);
}

// The half power points and the phase between samples, against the closed forms of second-order
// low and band passes: |H|² = peak²/2 solved for ω, the phase from the transfer function.
struct HalfPowerRow {
    const char *name;
    BodeInputs in;
    std::vector<double> edges; // rad/s
};

class HalfPowerTest : public testing::TestWithParam<HalfPowerRow> {
protected:
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    std::unique_ptr<BodeResponse> response = std::make_unique<BodeResponse>();
};

TEST_P(HalfPowerTest, CrossingsAndPhaseMatchTheClosedForm) {
    const HalfPowerRow &r = GetParam();
    response->Compute(r.in, designed, network);
    const std::vector<double> hz = response->HalfPowerHz();
    ASSERT_EQ(hz.size(), r.edges.size());
    for (std::size_t i = 0; i < hz.size(); ++i) {
        // The analogue samples lie 0.015·ω0 apart: the nearest sample alone could miss by 0.7 %,
        // and a peak read from the samples shifts both edges by about 0.1 %.
        EXPECT_NEAR(hz[i] * 2 * std::numbers::pi / r.edges[i], 1.0, 1e-4) << "edge " << i;
    }
    // The phase at each edge and halfway (in log frequency) between two samples.
    std::vector<double> at = r.edges;
    at.push_back(std::sqrt(response->frequency[4321] * response->frequency[4322]));
    for (double omega : at) {
        const std::optional<double> phase = response->PhaseAtHz(omega / (2 * std::numbers::pi));
        ASSERT_TRUE(phase.has_value());
        EXPECT_NEAR(*phase, std::arg(Reference(r.in, omega, designed)) * 57.29577951308232, 0.15)
            << "at " << omega << " rad/s";
    }
    EXPECT_FALSE(
        response->PhaseAtHz(response->omegaStart / (2 * std::numbers::pi) * 0.99).has_value());
    EXPECT_FALSE(response
                     ->PhaseAtHz(response->frequency[BodeResponse::Points - 1] /
                                 (2 * std::numbers::pi) * 1.01)
                     .has_value());
}

// Low pass, relative ω² of the edges: 1 − 2ζ² ± 2ζ·√(1 − ζ²) below ζ = 1/√2 where the peak
// rises; 1 − 2ζ² + √((1 − 2ζ²)² + 1) from DC above. The critically damped high pass,
// x⁴/(1 + x²)² = 1/2 with x = ω/ω0: x² = 1 + √2. Band pass: ω0·(√(1 + ζ²) ± ζ), of the
// pre-warped ωa for the digital one, mapped back by ω = (2/T)·atan(ωT/2).
std::vector<double> LowPassEdges(double w0, double zeta) {
    const double c = 1.0 - 2.0 * zeta * zeta;
    if (zeta < M_SQRT1_2) {
        const double d = 2.0 * zeta * std::sqrt(1.0 - zeta * zeta);
        return {w0 * std::sqrt(c - d), w0 * std::sqrt(c + d)};
    }
    return {w0 * std::sqrt(c + std::sqrt(c * c + 1.0))};
}
std::vector<double> BandPassEdges(double w0, double zeta) {
    const double m = std::sqrt(1.0 + zeta * zeta);
    return {w0 * (m - zeta), w0 * (m + zeta)};
}
double Unwarp(double omega) {
    return 2.0 / kTs * std::atan(omega * kTs / 2.0);
}
std::vector<double> DigitalBandPassEdges(double w0, double zeta) {
    std::vector<double> edges = BandPassEdges(2.0 / kTs * std::tan(w0 * kTs / 2.0), zeta);
    for (double &e : edges) {
        e = Unwarp(e);
    }
    return edges;
}
// Two flat sections (ζ = 1/√2, |H|² = 1/(1 + x⁴) each, x = ω/ωa) give half the power where
// (1 + x⁴)² = 2, at x = (√2 − 1)^¼ of the pre-warped ωa.
std::vector<double> DigitalFlatLowPass4thEdge(double w0) {
    const double wa = 2.0 / kTs * std::tan(w0 * kTs / 2.0);
    return {Unwarp(wa * std::pow(M_SQRT2 - 1.0, 0.25))};
}

INSTANTIATE_TEST_SUITE_P(
    SecondOrder, HalfPowerTest,
    testing::Values(
        HalfPowerRow{"lowPassFlat", {w1k, 2.0, M_SQRT1_2, kTs, fkAnalogueLowPass}, {w1k}},
        HalfPowerRow{
            "lowPassCritical", {w1k, 1.0, 1.0, kTs, fkAnalogueLowPass}, LowPassEdges(w1k, 1.0)},
        HalfPowerRow{
            "lowPassResonant", {w2k, 3.0, 0.1, kTs, fkAnalogueLowPass}, LowPassEdges(w2k, 0.1)},
        // Peaks beyond the plotted range: towards 0 and towards infinity.
        HalfPowerRow{"highPassCritical",
                     {w1k, 2.0, 1.0, kTs, fkAnalogueHighPass},
                     {w1k * std::sqrt(1.0 + M_SQRT2)}},
        HalfPowerRow{
            "bandPassNarrow", {w1k, 2.0, 0.1, kTs, fkAnalogueBandPass}, BandPassEdges(w1k, 0.1)},
        HalfPowerRow{
            "bandPassWide", {w2k, 1.0, 0.5, kTs, fkAnalogueBandPass}, BandPassEdges(w2k, 0.5)},
        HalfPowerRow{
            "digitalBandPass", {w2k, 2.0, 0.05, kTs, fkBandPass}, DigitalBandPassEdges(w2k, 0.05)},
        HalfPowerRow{"digitalBandPassWide",
                     {2 * std::numbers::pi * 5000.0, 1.0, 0.4, kTs, fkBandPass},
                     DigitalBandPassEdges(2 * std::numbers::pi * 5000.0, 0.4)},
        HalfPowerRow{"digitalLowPass4th",
                     {w2k, 1.0, M_SQRT1_2, kTs, fkLowPass4th},
                     DigitalFlatLowPass4thEdge(w2k)}),
    [](const testing::TestParamInfo<HalfPowerRow> &row) { return std::string(row.param.name); });

// The calculator's band pass with ω0 = 6.2832 krad/s and B = 0.62832 krad/s (Q = 10, ζ = 0.05):
// f0 = 6283.2/2π = 1000.0023 Hz, and the half power points f0·(√(1 + ζ²) ∓ ζ) = f0·(1.0012492 ∓
// 0.05) = 951.25 and 1051.25 Hz, 100 Hz apart. A peak narrower than the spacing of the samples
// (Q = 1000: 1 Hz wide, samples 15 Hz apart) is found between them.
TEST_F(BodeResponseTest, HalfPowerPointsOfBandPassesLieOnTheClosedForm) {
    struct Case {
        double omega0;
        double zeta;
        double low, high; // Hz
    };
    const double f0 = 6283.2 / (2 * std::numbers::pi);
    const double m = std::sqrt(1.0 + 0.05 * 0.05);
    for (const Case &c : {Case{6283.2, 0.05, f0 * (m - 0.05), f0 * (m + 0.05)},
                          Case{w1k, 0.0005, 1000.0 * (std::sqrt(1.0 + 0.0005 * 0.0005) - 0.0005),
                               1000.0 * (std::sqrt(1.0 + 0.0005 * 0.0005) + 0.0005)}}) {
        SCOPED_TRACE("zeta " + std::to_string(c.zeta));
        response->Compute({c.omega0, 1.0, c.zeta, kTs, fkAnalogueBandPass}, designed, network);
        const std::vector<double> hz = response->HalfPowerHz();
        ASSERT_EQ(hz.size(), 2u);
        EXPECT_NEAR(hz[0] / c.low, 1.0, 1e-4);
        EXPECT_NEAR(hz[1] / c.high, 1.0, 1e-4);
    }
    EXPECT_NEAR(f0 * (m - 0.05), 951.25, 0.01);
    EXPECT_NEAR(f0 * (m + 0.05), 1051.25, 0.01);
}

TEST(BodeInputError, RefusesOnlyWhatTheKindsFormulaUses) {
    struct Case {
        FilterKind kind;
        double omega0, a0, ts;
        bool refused;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case &c :
         {Case{fkBandPass, 0.0, 2.0, kTs, true}, Case{fkLowPass, w1k, 0.0, kTs, true},
          Case{fkAnalogueLowPass, w1k, -1.0, 0.0, true},
          Case{fkAnalogueLowPass, w1k, 1.0, 0.0, false}, Case{fkHighPass, w1k, 1.0, 0.0, true},
          Case{fkDifferentiator, w1k, 0.0, kTs, false}, Case{fkIntegrator, -w1k, 1.0, kTs, true},
          Case{fkDesigned, 0.0, 0.0, kTs, false}, Case{fkNetwork, 0.0, 0.0, 0.0, true},
          Case{fkBandPass, inf, 1.0, kTs, true}, Case{fkAnalogueHighPass, w1k, kNone, kTs, true}}) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        EXPECT_EQ(BodeInputError({c.omega0, c.a0, 0.05, c.ts, c.kind}).empty(), !c.refused);
    }
}

} // namespace
} // namespace kaldorium

namespace kaldorium {
namespace {

// The group delay against −d arg H/dω of the reference transfer functions, differentiated
// through the complex ratio H(ω + h)/H(ω − h), which does not wrap.
class GroupDelayTest : public testing::TestWithParam<int> {
protected:
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
};

TEST_P(GroupDelayTest, MatchesTheReferenceResponsesPhaseSlope) {
    const BodeInputs in{(2 * std::numbers::pi) * 1000.0, 2.0, 0.5 / 3.0, kTs,
                        static_cast<FilterKind>(GetParam())};
    // Off the band rejects' notch at 1 kHz, where the phase jumps and no slope exists.
    for (double hz : {200.0, 900.0, 1150.0, 3000.0}) {
        SCOPED_TRACE(hz);
        const double omega = (2 * std::numbers::pi) * hz;
        const double h = omega * 1e-6;
        const double expected =
            -std::arg(Reference(in, omega + h, designed) / Reference(in, omega - h, designed)) /
            (2.0 * h);
        const double tau = BodeResponse::GroupDelay(in, designed, network, omega);
        EXPECT_NEAR(tau, expected, 1e-6 * std::fabs(expected) + 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormula, GroupDelayTest,
                         testing::Values(fkBandPass, fkBandReject, fkHighPass, fkLowPass,
                                         fkHighPass4th, fkLowPass4th, fkDifferentiator,
                                         fkIntegrator, fkDesigned, fkAnalogueBandPass,
                                         fkAnalogueBandReject, fkAnalogueHighPass, 14, 15, 8,
                                         fkNetwork));

TEST(GroupDelay, BandPassAtItsCentreIsTwoQOverOmega0WithinTheWarping) {
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    for (double q : {2.0, 10.0}) {
        SCOPED_TRACE(q);
        const double w0 = (2 * std::numbers::pi) * 2000.0;
        const BodeInputs digital{w0, 2.0, 0.5 / q, kTs, fkBandPass};
        const double tau = BodeResponse::GroupDelay(digital, designed, network, w0);
        // The bilinear transform maps the prototype's delay 2Q/ωa at ωa = (2/T)·tan(ω0T/2)
        // to ω0 stretched by dωa/dω = 1/cos²(ω0T/2).
        const double wa = 2.0 / kTs * std::tan(w0 * kTs / 2.0);
        const double c = std::cos(w0 * kTs / 2.0);
        EXPECT_NEAR(tau, 2.0 * q / wa / (c * c), 1e-9 * tau);
        EXPECT_NEAR(tau, 2.0 * q / w0, 0.02 * tau);
        BodeInputs analogue = digital;
        analogue.type = fkAnalogueBandPass;
        EXPECT_NEAR(BodeResponse::GroupDelay(analogue, designed, network, w0), 2.0 * q / w0, 1e-12);
    }
}

TEST(GroupDelay, AZoomComputesEveryPointInsideTheVisibleDecade) {
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    auto response = std::make_unique<BodeResponse>();
    const BodeInputs in{(2 * std::numbers::pi) * 2000.0, 2.0, 0.05, kTs, fkBandPass};
    response->ComputeBetween(in, designed, network, (2 * std::numbers::pi) * 1000.0,
                             (2 * std::numbers::pi) * 10000.0);
    EXPECT_DOUBLE_EQ(response->frequency[0], (2 * std::numbers::pi) * 1000.0);
    EXPECT_DOUBLE_EQ(response->frequency[BodeResponse::Points - 1],
                     (2 * std::numbers::pi) * 10000.0);
    // Evenly in log frequency: the first half of the points reaches √10 kHz.
    EXPECT_NEAR(response->frequency[BodeResponse::Points / 2] / (2 * std::numbers::pi), 3162.6,
                0.5);
    EXPECT_NEAR(response->gainMax, 6.0206, 1e-3);
    const PlotRanges gain = response->GainRanges();
    EXPECT_DOUBLE_EQ(gain.left, 3.0);
    EXPECT_DOUBLE_EQ(gain.right, 4.0);
}

} // namespace
} // namespace kaldorium
