#include "core/tools/SamplingResampler.h"

#include "core/tools/SamplingReconstruction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

struct Case {
    ReconstructionKind kind;
    double inputRate;
    double outputRate;
    double tone; // Hz
};

std::string CaseName(const testing::TestParamInfo<Case> &info) {
    const char *kinds[] = {"Hold", "Linear", "Sinc"};
    return std::string(kinds[static_cast<int>(info.param.kind)]) + "_" +
           std::to_string(static_cast<int>(info.param.inputRate)) + "_to_" +
           std::to_string(static_cast<int>(info.param.outputRate));
}

// Amplitude of the output at frequency g by a direct Fourier sum over frames first … end.
double Amplitude(const std::vector<double> &y, std::size_t first, double g, double rate) {
    std::complex<double> sum;
    for (std::size_t m = first; m < y.size(); ++m) {
        sum += y[m] * std::polar(1.0, -2 * std::numbers::pi * g * static_cast<double>(m) / rate);
    }
    return 2.0 * std::abs(sum) / static_cast<double>(y.size() - first);
}

class ResamplerTest : public testing::TestWithParam<Case> {
protected:
    std::unique_ptr<ReconstructionResampler> resampler =
        std::make_unique<ReconstructionResampler>();
    // Renders `frames` frames of a 0.8 sine at the case's tone in chunks of the given sizes,
    // taken round and round.
    std::vector<double> Render(int frames, std::vector<int> chunks) {
        const Case c = GetParam();
        resampler->Configure(c.inputRate, c.outputRate, c.kind);
        long long n = 0;
        auto source = [&] {
            return 0.8 *
                   std::sin(2 * std::numbers::pi * c.tone * static_cast<double>(n++) / c.inputRate);
        };
        std::vector<double> y(static_cast<std::size_t>(frames));
        std::size_t done = 0;
        for (std::size_t i = 0; done < y.size(); ++i) {
            const std::size_t chunk = std::min<std::size_t>(
                static_cast<std::size_t>(chunks[i % chunks.size()]), y.size() - done);
            resampler->Render(y.data() + done, static_cast<int>(chunk), source);
            done += chunk;
        }
        return y;
    }
};

// The tone keeps its frequency at the new rate, with the amplitude the reconstruction gives it
// there, and its first image where the device can carry it; the chunking changes nothing.
TEST_P(ResamplerTest, ToneKeepsItsFrequencyAcrossChunks) {
    const Case c = GetParam();
    const int frames = static_cast<int>(c.outputRate); // one second
    const std::vector<double> whole = Render(frames, {frames});
    EXPECT_EQ(Render(frames, {1, 37, 502, 4096, 3}), whole);

    const auto settled =
        static_cast<std::size_t>(std::ceil(resampler->Latency() * c.outputRate)) + 10;
    const double passband = ReconstructionResampler::OutputCutoff * c.outputRate;
    const auto expected = [&](double g) {
        return g < 0.9 * passband ? 0.8 * ReconstructionGain(c.kind, g, c.inputRate) : 0.0;
    };
    // Whole periods of 1 s: every frequency in whole hertz is a bin of its own.
    EXPECT_NEAR(Amplitude(whole, 0, c.tone, c.outputRate), expected(c.tone), 2e-3);
    const double image = c.inputRate - c.tone;
    if (image < 0.9 * passband || image > 1.1 * passband) {
        EXPECT_NEAR(Amplitude(whole, 0, image, c.outputRate), expected(image), 2e-3);
    }
    // After the start, the sinc interpolation follows the tone itself, sample for sample.
    if (c.kind == ReconstructionKind::Sinc && c.tone < passband) {
        for (std::size_t m = settled; m < whole.size(); m += 97) {
            ASSERT_NEAR(whole[m], 0.8 * std::sin(2 * std::numbers::pi * c.tone * m / c.outputRate),
                        2e-3)
                << m;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ResamplerTest,
    testing::Values(Case{ReconstructionKind::Sinc, 8000, 48000, 1000},
                    Case{ReconstructionKind::Sinc, 8000, 44100, 3000},
                    Case{ReconstructionKind::ZeroOrderHold, 8000, 44100, 1000},
                    Case{ReconstructionKind::Linear, 8000, 48000, 1000},
                    Case{ReconstructionKind::ZeroOrderHold, 1000, 48000, 300},
                    // Down: the tone passes, what the device cannot carry is gone.
                    Case{ReconstructionKind::Sinc, 44100, 8000, 1000},
                    Case{ReconstructionKind::Linear, 44100, 8000, 5000}),
    CaseName);

} // namespace
