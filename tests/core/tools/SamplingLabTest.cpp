#include "core/tools/SamplingLab.h"

#include "core/signal/DataFileValues.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

SamplingSignal Configured(const SamplingSettings &s) {
    SamplingSignal signal;
    EXPECT_TRUE(signal.Configure(s));
    return signal;
}

class QuantisationSnrTest : public testing::TestWithParam<int> {};

// A full-scale 997 Hz sine at 8 kHz: 8000 samples are 997 whole periods, every phase different.
TEST_P(QuantisationSnrTest, FullScaleSineMeetsTheRule) {
    SamplingSettings s;
    s.signalFrequency = 997.0;
    s.bits = GetParam();
    const SamplingSignal signal = Configured(s);
    const std::optional<double> snr = MeasuredSnrDb(signal, 8000);
    ASSERT_TRUE(snr.has_value());
    EXPECT_NEAR(*snr, 6.02 * s.bits + 1.76, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Bits, QuantisationSnrTest, testing::Values(8, 12, 16));

TEST(SamplingLabTest, ReadoutTexts) {
    SamplingSettings s;
    s.signalFrequency = 7000.0;
    s.bits = ExactBits;
    EXPECT_EQ(AliasFrequencyText(Configured(s), 0.0), "7000 Hz → 1000 Hz");
    EXPECT_EQ(QuantisationSnrText(Configured(s)), "Exact: no quantisation");
    EXPECT_EQ(AttenuationText(Configured(s)), "No anti-alias filter");
    s.antiAlias = AntiAliasKind::Ideal;
    EXPECT_EQ(AttenuationText(Configured(s)), "Blocked at 7000 Hz");
    s.waveform = SamplingWaveform::TwoTone;
    s.secondFrequency = 12000.0;
    EXPECT_EQ(AliasFrequencyText(Configured(s), 0.0), "7000 Hz → 1000 Hz; 12000 Hz → 4000 Hz");
    s.waveform = SamplingWaveform::Square;
    s.signalFrequency = 3000.0;
    EXPECT_EQ(AliasFrequencyText(Configured(s), 0.0),
              "3000 Hz → 3000 Hz; 9000 Hz → 1000 Hz; 15000 Hz → 1000 Hz");
    // Four periods of the 1 kHz alias.
    s.waveform = SamplingWaveform::Sine;
    s.signalFrequency = 7000.0;
    EXPECT_DOUBLE_EQ(SuggestedTimeSpan(Configured(s)), 0.004);
}

// The base band of the spectrum is what the samples hold: a direct Fourier sum over whole
// periods of the samples of a triangle wave, whose harmonics fold from far above fs/2.
TEST(SamplingLabTest, SampledLinesAreTheSamplesSpectrum) {
    SamplingSettings s;
    s.waveform = SamplingWaveform::Triangle;
    s.signalFrequency = 700.0; // 80 samples a period at 8 kHz
    s.bits = ExactBits;
    const SamplingSignal signal = Configured(s);
    SamplingSpectrum spectrum;
    ComputeSpectrum(signal, 20000.0, 0.0, spectrum);
    int baseBand = 0;
    for (const SampledLine &line : spectrum.sampled) {
        if (line.image != 0 || line.frequency > 4000.0 || line.aliasFrequency == 0.0) {
            continue;
        }
        ++baseBand;
        std::complex<double> sum;
        for (int n = 0; n < 800; ++n) {
            sum += signal.Sample(n) *
                   std::polar(1.0, -2 * std::numbers::pi * line.frequency * n / 8000.0);
        }
        const double scale = line.frequency == 4000.0 ? 1.0 : 2.0;
        EXPECT_NEAR(line.amplitude, scale * std::abs(sum) / 800.0, 1e-3) << line.frequency;
    }
    EXPECT_GE(baseBand, 20);
}

// 3 kHz and 5 kHz at 8 kHz land on the same 3 kHz with opposite signs: the samples are silent,
// and the spectrum says so, while the continuous lines show both tones and label the folded one.
TEST(SamplingLabTest, ComponentsLandingTogetherAddWithTheirPhases) {
    SamplingSettings s;
    s.waveform = SamplingWaveform::TwoTone;
    s.signalFrequency = 3000.0;
    s.secondFrequency = 5000.0;
    s.bits = ExactBits;
    const SamplingSignal signal = Configured(s);
    for (int n = 0; n < 50; ++n) {
        EXPECT_NEAR(signal.Sample(n), 0.0, 1e-12);
    }
    SamplingSpectrum spectrum;
    ComputeSpectrum(signal, SuggestedSpectrumSpan(signal), 0.0, spectrum);
    EXPECT_TRUE(spectrum.sampled.empty());
    ASSERT_EQ(spectrum.continuous.size(), 2u);
    EXPECT_FALSE(spectrum.continuous[0].folded);
    EXPECT_TRUE(spectrum.continuous[1].folded);
    EXPECT_EQ(spectrum.continuous[1].aliasFrequency, 3000.0);
}

TEST(SamplingLabTest, SpectrumOfAFoldedToneAndItsHeldImages) {
    SamplingSettings s;
    s.signalFrequency = 7000.0;
    s.bits = ExactBits;
    SamplingSpectrum spectrum;
    ComputeSpectrum(Configured(s), 10000.0, 0.0, spectrum);
    EXPECT_EQ(spectrum.nyquist, 4000.0);
    ASSERT_EQ(spectrum.sampled.size(), 3u); // 1, 7 and 9 kHz
    const double expected[] = {1000.0, 7000.0, 9000.0};
    for (std::size_t i = 0; i < 3; ++i) {
        const SampledLine &line = spectrum.sampled[i];
        EXPECT_NEAR(line.frequency, expected[i], 1e-9);
        EXPECT_NEAR(line.amplitude, 1.0, 1e-12);
        EXPECT_TRUE(line.folded);
        const double x = expected[i] / 8000.0;
        EXPECT_NEAR(line.reconstructed, std::fabs(std::sin(M_PI * x) / (M_PI * x)), 1e-12);
    }
}

TEST(SamplingLabTest, TimeViewHoldsTheSamplesAndTheirErrors) {
    SamplingSettings s;
    s.bits = 3;
    const SamplingSignal signal = Configured(s);
    SamplingTimeView view;
    ComputeTimeView(signal, 0.0005, 0.002, 401, view);
    ASSERT_EQ(view.sampleTime.size(), 17u); // samples 4 … 20
    EXPECT_DOUBLE_EQ(view.sampleTime.front(), 0.0005);
    for (std::size_t i = 0; i < view.sampleTime.size(); ++i) {
        const double exact = signal.Filtered(view.sampleTime[i]);
        EXPECT_NEAR(view.sampleValue[i] - exact, view.sampleError[i], 1e-15);
        EXPECT_LE(std::fabs(view.sampleError[i]), 0.125);
    }
    // The hold shows each sample for one period after its instant.
    ASSERT_EQ(view.time.size(), 401u);
    EXPECT_EQ(view.reconstructed[1], view.sampleValue[0]);
    EXPECT_EQ(view.reconstructed[24], view.sampleValue[0]);
    EXPECT_EQ(view.reconstructed[26], view.sampleValue[1]);
}

// Far-fetched but typeable values give bounded results in bounded time.
TEST(SamplingLabTest, ExtremeValuesStayBounded) {
    SamplingSettings s;
    s.sampleRate = 1.0;
    s.signalFrequency = 1e9;
    s.waveform = SamplingWaveform::Square;
    const SamplingSignal signal = Configured(s);
    SamplingSpectrum spectrum;
    ComputeSpectrum(signal, SuggestedSpectrumSpan(signal), 0.0, spectrum);
    EXPECT_LE(spectrum.sampled.size(), static_cast<std::size_t>(2 * MaxImages + 2) * 1024);
    SamplingTimeView view;
    ComputeTimeView(signal, 1e300, 1e300, 1 << 30, view);
    EXPECT_EQ(view.time.size(), static_cast<std::size_t>(MaxViewPoints));
    EXPECT_LE(view.sampleTime.size(), static_cast<std::size_t>(MaxViewSamples) + 1);
    std::array<double, MaxDataFileValues> values{};
    const int count = WorkbenchValues(signal, values);
    EXPECT_GE(count, 1);
    EXPECT_LE(count, MaxDataFileValues);
}

// The workbench plays the values as one period: a whole number of the signal's periods that is
// a whole number of samples, read back by the data-file reader exactly.
TEST(SamplingLabTest, WorkbenchDataFileRoundTrip) {
    SamplingSettings s;
    s.signalFrequency = 1100.0; // 80/11 samples a period: 11 periods are 80 samples
    s.bits = 12;
    const SamplingSignal signal = Configured(s);
    std::array<double, MaxDataFileValues> values{};
    EXPECT_EQ(WorkbenchValues(signal, values), 960);
    const std::string path = std::string(KALDORIUM_TEST_TMP) + "/sampling-workbench.txt";
    ASSERT_TRUE(WriteWorkbenchDataFile(path, signal));
    std::array<double, MaxDataFileValues> read{};
    ASSERT_EQ(ReadDataFileValues(path, read.data(), MaxDataFileValues), 960);
    EXPECT_EQ(read, values);
    s.waveform = SamplingWaveform::TwoTone;
    EXPECT_EQ(WorkbenchValues(Configured(s), values), MaxDataFileValues);
    EXPECT_FALSE(
        WriteWorkbenchDataFile(std::string(KALDORIUM_TEST_TMP) + "/no/such/dir/x", signal));
}

} // namespace
