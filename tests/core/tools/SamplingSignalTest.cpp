#include "core/tools/SamplingSignal.h"

#include "core/common/Errors.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/BodeResponse.h"
#include "core/tools/FilterNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

using namespace kaldorium;

namespace {

using AliasCase = std::tuple<double, double, double, bool>; // f, fs, alias, folded

class AliasFrequencyTest : public testing::TestWithParam<AliasCase> {};

TEST_P(AliasFrequencyTest, FoldsIntoTheBaseBand) {
    const auto [f, fs, alias, folded] = GetParam();
    EXPECT_DOUBLE_EQ(AliasFrequency(f, fs), alias);
    EXPECT_EQ(IsFolded(f, fs), folded);
}

INSTANTIATE_TEST_SUITE_P(
    KnownCases, AliasFrequencyTest,
    testing::Values(AliasCase{7000, 8000, 1000, true}, AliasCase{4000, 8000, 4000, false},
                    AliasCase{12000, 8000, 4000, true}, AliasCase{1000, 8000, 1000, false},
                    AliasCase{9000, 8000, 1000, true}, AliasCase{16000, 8000, 0, true},
                    AliasCase{0, 8000, 0, false}, AliasCase{1000, 44100, 1000, false},
                    AliasCase{43100, 44100, 1000, true}));

TEST(QuantiseTest, MidRiseLevelsHeldAtFullScale) {
    // One bit: the two levels ±½.
    EXPECT_EQ(Quantise(0.3, 1), 0.5);
    EXPECT_EQ(Quantise(-0.3, 1), -0.5);
    EXPECT_EQ(Quantise(0.0, 1), 0.5);
    EXPECT_EQ(Quantise(7.0, 3), 0.875);
    EXPECT_EQ(Quantise(-7.0, 3), -0.875);
    EXPECT_EQ(Quantise(0.123456789, ExactBits), 0.123456789);
    for (int bits : {2, 8, 16, 24}) {
        const double delta = std::ldexp(2.0, -bits);
        for (double x = -1.0; x <= 1.0; x += 0.00390625 + 1e-7) {
            SCOPED_TRACE(std::to_string(bits) + " bits, x = " + std::to_string(x));
            const double q = Quantise(x, bits);
            EXPECT_LE(std::fabs(q - x), 0.5 * delta + 1e-15);
            // On a level: an odd multiple of Δ/2.
            EXPECT_DOUBLE_EQ(std::fmod(std::fabs(q) / (0.5 * delta), 2.0), 1.0);
        }
    }
}

TEST(SamplingSettingsTest, BitsFieldAndStepper) {
    EXPECT_EQ(ParseBits(" exact "), ExactBits);
    EXPECT_EQ(ParseBits("Exact"), ExactBits);
    EXPECT_EQ(ParseBits("12"), 12);
    EXPECT_EQ(ParseBits("30"), MaxBits);
    EXPECT_EQ(ParseBits("0"), MinBits);
    EXPECT_THROW(ParseBits("8.5"), ConversionError);
    EXPECT_EQ(BitsText(ExactBits), "Exact");
    EXPECT_EQ(StepBits(MaxBits, true), ExactBits);
    EXPECT_EQ(StepBits(ExactBits, false), MaxBits);
    EXPECT_EQ(StepBits(ExactBits, true), ExactBits);
    EXPECT_EQ(StepBits(MinBits, false), MinBits);
}

TEST(SamplingSignalTest, UnusableSettingsChangeNothing) {
    SamplingSignal signal;
    SamplingSettings s;
    s.signalFrequency = 700.0;
    ASSERT_TRUE(signal.Configure(s));
    for (auto spoil : {+[](SamplingSettings &x) { x.sampleRate = 0.0; },
                       +[](SamplingSettings &x) { x.bits = 25; },
                       +[](SamplingSettings &x) { x.signalFrequency = NAN; }}) {
        SamplingSettings bad = s;
        bad.signalFrequency = 100.0;
        spoil(bad);
        EXPECT_FALSE(signal.Configure(bad));
        EXPECT_FALSE(SamplingSettingsError(bad).empty());
        EXPECT_EQ(signal.Settings().signalFrequency, 700.0);
    }
    SamplingSettings open = s;
    open.antiAlias = AntiAliasKind::InvertingLowPass;
    open.invertingLowPass.c2 = 0.0;
    EXPECT_THROW(signal.Configure(open), FloatingPointError);
    EXPECT_EQ(signal.Settings().antiAlias, AntiAliasKind::None);
}

class SamplingWaveformTest : public testing::TestWithParam<SamplingWaveform> {};

// The lines are the waveform's Fourier series: summed, they give the exact shape back.
TEST_P(SamplingWaveformTest, LinesAddUpToTheWaveform) {
    SamplingSettings s;
    s.waveform = GetParam();
    s.amplitude = 0.8;
    SamplingSignal signal;
    ASSERT_TRUE(signal.Configure(s));
    std::vector<SignalLine> lines;
    signal.Lines({}, 0.0, lines);
    for (double theta : {0.1, 0.2, 0.3, 0.6, 0.85}) {
        double sum = 0.0;
        for (const SignalLine &l : lines) {
            sum += (l.source *
                    std::polar(1.0, 2 * std::numbers::pi * l.frequency / s.signalFrequency * theta))
                       .imag();
        }
        EXPECT_NEAR(sum, signal.Source(theta / s.signalFrequency), 2e-3) << "θ = " << theta;
    }
}

// The filtered waveform is the circuit's steady state: the differential equation
// y'' + 2ζω0·y' + ω0²·y = A0·ω0²·x integrated step by step reaches the same curve.
TEST_P(SamplingWaveformTest, CircuitOutputIsTheSteadyStateOfItsEquation) {
    SamplingSettings s;
    s.waveform = GetParam();
    s.signalFrequency = 700.0;
    s.antiAlias = AntiAliasKind::InvertingLowPass;
    SamplingSignal signal;
    ASSERT_TRUE(signal.Configure(s));
    const FilterParameters p = signal.Circuit();
    const double h = 2e-7;
    double y = 0.0, v = 0.0;
    auto accel = [&](double t, double yy, double vv) {
        return p.a0 * p.omega0 * p.omega0 * signal.Source(t) - 2.0 * p.zeta * p.omega0 * vv -
               p.omega0 * p.omega0 * yy;
    };
    double worst = 0.0;
    const int steps = 60000; // 12 ms, the transient long gone by the last 2 ms
    for (int i = 0; i < steps; ++i) {
        const double t = i * h;
        // Classical Runge-Kutta on (y, v).
        const double k1y = v, k1v = accel(t, y, v);
        const double k2y = v + 0.5 * h * k1v, k2v = accel(t + 0.5 * h, y + 0.5 * h * k1y, k2y);
        const double k3y = v + 0.5 * h * k2v, k3v = accel(t + 0.5 * h, y + 0.5 * h * k2y, k3y);
        const double k4y = v + h * k3v, k4v = accel(t + h, y + h * k3y, k4y);
        y += h / 6.0 * (k1y + 2 * k2y + 2 * k3y + k4y);
        v += h / 6.0 * (k1v + 2 * k2v + 2 * k3v + k4v);
        if (i > steps - 10000) {
            worst = std::max(worst, std::fabs(y - signal.Filtered((i + 1) * h)));
        }
    }
    EXPECT_LT(worst, 2e-3);
}

INSTANTIATE_TEST_SUITE_P(Waveforms, SamplingWaveformTest,
                         testing::Values(SamplingWaveform::Sine, SamplingWaveform::Square,
                                         SamplingWaveform::Triangle, SamplingWaveform::Sawtooth));

TEST(SamplingSignalTest, IdealFilterKeepsOnlyHarmonicsBelowHalfTheRate) {
    SamplingSettings s;
    s.waveform = SamplingWaveform::Square;
    s.antiAlias = AntiAliasKind::Ideal;
    SamplingSignal signal;
    ASSERT_TRUE(signal.Configure(s));
    // 1 kHz at 8 kHz: the fundamental and the third harmonic, (4/π)·(sin θ + sin 3θ/3).
    for (double t : {0.0001, 0.00033, 0.0007}) {
        const double th = 2 * std::numbers::pi * 1000.0 * t;
        EXPECT_NEAR(signal.Filtered(t), 4.0 / M_PI * (std::sin(th) + std::sin(3 * th) / 3.0),
                    1e-12);
    }
    EXPECT_EQ(signal.AntiAliasGainDb(3999.0), 0.0);
    EXPECT_EQ(signal.AntiAliasGainDb(4000.0), -INFINITY);
}

// The attenuation read-out is what the analogue calculator's Bode plot shows for the circuit.
TEST(SamplingSignalTest, CircuitGainIsTheCalculatorsBodeResponse) {
    DefaultDesignedFilterSource designed;
    FilterNetwork network;
    auto bode = std::make_unique<BodeResponse>();
    for (AntiAliasKind kind :
         {AntiAliasKind::InvertingLowPass, AntiAliasKind::NonInvertingLowPass}) {
        SamplingSettings s;
        s.antiAlias = kind;
        s.invertingLowPass =
            DesignInvertingLowPass(2 * std::numbers::pi * 2000.0, 2.0, 0.4).components;
        SamplingSignal signal;
        ASSERT_TRUE(signal.Configure(s));
        const FilterParameters p = signal.Circuit();
        const FilterKind type = kind == AntiAliasKind::InvertingLowPass
                                    ? fkAnalogueLowPass
                                    : fkAnalogueLowPassNonInverting;
        bode->Compute({p.omega0, p.a0, p.zeta, 1.0 / s.sampleRate, type}, designed, network);
        for (int i : {10, 700, 3000, 9999}) {
            const double f = bode->frequency[i] / (2 * std::numbers::pi);
            EXPECT_NEAR(signal.AntiAliasGainDb(f), bode->gainDb[i], 1e-9) << f << " Hz";
        }
    }
}

} // namespace
