#include "core/tools/SamplingReconstruction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

using namespace kaldorium;

namespace {

// Two tones below fs/2, in sample periods: 0.11 and 0.37 cycles per sample.
double BandLimited(double n) {
    return 0.6 * std::sin(2 * std::numbers::pi * 0.11 * n + 0.3) +
           0.35 * std::cos(2 * std::numbers::pi * 0.37 * n - 1.1);
}

TEST(SamplingReconstructionTest, SincRecoversABandLimitedSignalAwayFromTheEnds) {
    std::vector<double> samples(1024);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] = BandLimited(static_cast<double>(n));
    }
    double worst = 0.0;
    for (double p = SincHalfLength; p < 1024.0 - SincHalfLength; p += 0.173) {
        worst = std::max(
            worst, std::fabs(Reconstruct(ReconstructionKind::Sinc, samples, p) - BandLimited(p)));
    }
    EXPECT_LT(worst, 1e-3);
    // On a sample it is the sample.
    EXPECT_EQ(Reconstruct(ReconstructionKind::Sinc, samples, 300.0), samples[300]);
}

TEST(SamplingReconstructionTest, HoldAndLinearBetweenSamples) {
    const std::vector<double> samples{0.5, -1.0, 0.25};
    EXPECT_EQ(Reconstruct(ReconstructionKind::ZeroOrderHold, samples, 0.99), 0.5);
    EXPECT_EQ(Reconstruct(ReconstructionKind::ZeroOrderHold, samples, 1.0), -1.0);
    EXPECT_EQ(Reconstruct(ReconstructionKind::Linear, samples, 0.25), 0.125);
    EXPECT_EQ(Reconstruct(ReconstructionKind::Linear, samples, 1.5), -0.375);
    // Outside the samples there is nothing.
    EXPECT_EQ(Reconstruct(ReconstructionKind::ZeroOrderHold, samples, -0.5), 0.0);
    EXPECT_EQ(Reconstruct(ReconstructionKind::Linear, samples, 2.5), 0.125);
}

class ReconstructionSpectrumTest : public testing::TestWithParam<ReconstructionKind> {};

// A 1 kHz tone sampled at 8 kHz, reconstructed over eight whole periods and measured by a direct
// Fourier sum at the tone and its images k·fs ± f: each line is the tone's amplitude weighted by
// |sinc(f/fs)| for the hold and sinc²(f/fs) for linear interpolation.
TEST_P(ReconstructionSpectrumTest, ImagesAreShapedBySinc) {
    const ReconstructionKind kind = GetParam();
    const double fs = 8000.0, f = 1000.0, a = 0.9;
    const int count = 64; // samples, eight periods
    const int fine = 256; // points per sample period
    std::vector<double> samples(count + 1);
    for (int n = 0; n <= count; ++n) {
        samples[static_cast<std::size_t>(n)] = a * std::sin(2 * std::numbers::pi * f * n / fs);
    }
    const int points = count * fine;
    for (double g : {f, fs - f, fs + f, 2 * fs - f, 2 * fs + f, 3 * fs + f}) {
        std::complex<double> sum;
        for (int j = 0; j < points; ++j) {
            const double position = (j + 0.5) / fine; // mid-points: never on a step
            sum += Reconstruct(kind, samples, position) *
                   std::polar(1.0, -2 * std::numbers::pi * g * position / fs);
        }
        const double measured = 2.0 * std::abs(sum) / points;
        EXPECT_NEAR(measured, a * ReconstructionGain(kind, g, fs), 1e-3) << g << " Hz";
        const double sinc = std::fabs(std::sin(M_PI * g / fs) / (M_PI * g / fs));
        EXPECT_NEAR(ReconstructionGain(kind, g, fs),
                    kind == ReconstructionKind::ZeroOrderHold ? sinc : sinc * sinc, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(HoldAndLinear, ReconstructionSpectrumTest,
                         testing::Values(ReconstructionKind::ZeroOrderHold,
                                         ReconstructionKind::Linear));

} // namespace
