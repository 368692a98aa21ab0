#include "core/spectrum/SpectrumAnalysis.h"

#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

using namespace kaldorium;
using kaldorium::testing::ReadChannel;
using kaldorium::testing::Tone;
using kaldorium::testing::WriteWave;

namespace {

// ---------------------------------------------------------------------------------------------
// The many-bins evaluation against the one-bin ComputeDFT, bit for bit.

class MultiBinDFTTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(MultiBinDFTTest, EveryBinIsIdenticalToTheOneBinEvaluation) {
    const auto [kind, N] = GetParam();
    std::mt19937 random(static_cast<unsigned>(kind * 7919 + N));
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(static_cast<std::size_t>(N));
    std::vector<ComplexSample> reference(static_cast<std::size_t>(N));
    for (int n = 0; n < N; ++n) {
        x[n] = uniform(random);
        reference[n] = {x[n], 0.0};
    }
    std::vector<ComplexSample> expectedX(static_cast<std::size_t>(N));
    std::vector<double> expectedM(static_cast<std::size_t>(N));
    double P = 0.0;
    ComputeDFT(static_cast<WindowKind>(kind), N, reference.data(), expectedX.data(),
               expectedM.data(), P);

    MultiBinDFT dft;
    dft.Prepare(static_cast<WindowKind>(kind), N);
    std::vector<ComplexSample> X(static_cast<std::size_t>(N));
    std::vector<double> M(static_cast<std::size_t>(N));
    dft.Transform(x.data(), X.data(), M.data());
    for (int k = 0; k < N; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(0, std::memcmp(&X[k], &expectedX[k], sizeof(ComplexSample)));
        EXPECT_EQ(0, std::memcmp(&M[k], &expectedM[k], sizeof(double)));
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndLengths, MultiBinDFTTest,
                         ::testing::Combine(::testing::Range(0, 6),
                                            ::testing::Values(1, 2, 3, 15, 16, 17, 80, 441, 1024)));

// ---------------------------------------------------------------------------------------------
// Block length, block count and the bins shown.

struct LengthCase {
    std::uint32_t sampleRate;
    long long frames;
    bool fft;
    int N;
};

class BlockLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(BlockLengthTest, FollowsTheRateTheFileLengthAndTheTransform) {
    const LengthCase c = GetParam();
    EXPECT_EQ(c.N, SpectrumBlockLength(c.frames, c.sampleRate, c.fft));
}

INSTANTIATE_TEST_SUITE_P(
    Rates, BlockLengthTest,
    ::testing::Values(LengthCase{44100, 1000000, false, 441}, LengthCase{44100, 1000000, true, 512},
                      LengthCase{8000, 100000, false, 80}, LengthCase{8000, 100000, true, 128},
                      LengthCase{44100, 300, false, 300}, LengthCase{44100, 300, true, 512},
                      LengthCase{192000, 100000, false, 1024},
                      LengthCase{192000, 100000, true, 1024}, LengthCase{44100, 0, false, 0},
                      LengthCase{44100, 0, true, 0}, LengthCase{99, 1000, false, 0},
                      LengthCase{99, 1000, true, 2}));

TEST(SpectrumBlockCount, IsTheQuotientPlusOne) {
    EXPECT_EQ(2, SpectrumBlockCount(300, 300));
    EXPECT_EQ(101, SpectrumBlockCount(44100, 441));
    EXPECT_EQ(0, SpectrumBlockCount(10, 0));
}

struct BinCase {
    bool from; // which limit
    int value, other, N, expected;
};

class BinLimitTest : public ::testing::TestWithParam<BinCase> {};

TEST_P(BinLimitTest, KeepsTwentyBinsAndStaysBelowHalfTheBlock) {
    const BinCase c = GetParam();
    EXPECT_EQ(c.expected,
              c.from ? LimitFromBin(c.value, c.other) : LimitToBin(c.value, c.other, c.N));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BinLimitTest,
    ::testing::Values(BinCase{true, 5, 220, 441, 5}, BinCase{true, 202, 220, 441, 201},
                      BinCase{true, 0, 220, 441, 1}, BinCase{true, -7, 220, 441, 1},
                      BinCase{false, 300, 1, 441, 220}, BinCase{false, 10, 1, 441, 20},
                      BinCase{false, 39, 21, 441, 40}, BinCase{false, 100, 1, 441, 100},
                      // N/2 below 20: both collide to 1 … N/2.
                      BinCase{true, 1, 4, 8, 1}, BinCase{false, 20, 1, 8, 4},
                      BinCase{false, 1, 1, 0, 0}));

// ---------------------------------------------------------------------------------------------
// Whole files against the blocks transformed one at a time by the engine.

struct FileCase {
    std::uint32_t sampleRate;
    int channels;
    long long frames;
    bool fft;
    int kind;
    int bits = 16;
};

// The averaged spectrum worked out block by block with ComputeDFT / ComputeFFT.
struct Reference {
    int N = 0;
    long long B = 0;
    std::vector<double> average;
    double peak = 0.0;
};

Reference ReferenceSpectrum(const std::vector<double> &samples, std::uint32_t fs, bool fft,
                            int kind, const std::function<double(double)> &through = {}) {
    Reference r;
    const long long S = static_cast<long long>(samples.size());
    r.N = std::min<long long>({S, fs / 100, 1024});
    if (fft) {
        r.N = FFTLength(r.N);
    }
    std::vector<double> sum(static_cast<std::size_t>(r.N), 0.0);
    long long consumed = 0;
    while (S >= consumed) {
        ++r.B;
        ComplexSample x[1024], X[1024];
        double M[1024], P;
        for (int i = 0; i < r.N; ++i) {
            const long long k = consumed + i;
            x[i] = {k < S ? samples[static_cast<std::size_t>(k)] : 0.0, 0.0};
            if (through) {
                x[i].re = through(x[i].re);
            }
        }
        if (fft) {
            ComputeFFT(static_cast<WindowKind>(kind), r.N, x, X, M, P);
        } else {
            ComputeDFT(static_cast<WindowKind>(kind), r.N, x, X, M, P);
        }
        for (int i = 0; i < r.N; ++i) {
            sum[i] += M[i];
        }
        consumed += r.N;
    }
    for (double s : sum) {
        r.average.push_back(2.0 / (r.N * r.B) * s);
        r.peak = std::max(r.peak, r.average.back());
    }
    return r;
}

class SpectrumAnalysisFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(SpectrumAnalysisFileTest, AveragesEveryBlockOfChannelOneAsTheEngineDoes) {
    const FileCase c = GetParam();
    const std::string path = WriteWave(
        "analysis.wav", c.sampleRate, c.channels, c.frames, [&](long long k, int channel) {
            return channel == 0 ? Tone(1234.5, c.sampleRate, k) : 0.9 * ((k % 7) - 3) / 3.0;
        });
    const Reference expected = ReferenceSpectrum(ReadChannel(path, 0), c.sampleRate, c.fft, c.kind);
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        WaveFile file;
        ASSERT_TRUE(file.OpenForReading(path));
        SpectrumAnalysis analysis;
        analysis.threads = threads;
        long long calls = 0;
        WaveFrameSource frames(file);
        ASSERT_EQ(AnalysisOutcome::Done,
                  analysis.Run(frames, c.fft, static_cast<WindowKind>(c.kind),
                               [&](long long done, long long) {
                                   EXPECT_EQ(++calls, done);
                                   return true;
                               }));
        EXPECT_EQ(expected.N, analysis.N);
        EXPECT_EQ(expected.B, analysis.blocks);
        EXPECT_EQ(expected.B, calls);
        EXPECT_EQ(c.frames, analysis.sampleCount);
        for (int i = 0; i < expected.N; ++i) {
            ASSERT_EQ(expected.average[i], analysis.magnitudes[i]) << "bin " << i;
        }
        EXPECT_EQ(expected.peak, analysis.peak);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, SpectrumAnalysisFileTest,
    ::testing::Values(FileCase{44100, 1, 300, false, 5}, FileCase{44100, 2, 300, true, 0},
                      FileCase{44100, 2, 441 * 37, false, 1},
                      FileCase{44100, 1, 441 * 37 + 200, false, 3},
                      FileCase{8000, 2, 8000, true, 2}, FileCase{8000, 3, 1999, false, 4},
                      FileCase{11025, 1, 5000, true, 5}, FileCase{11025, 2, 3000, false, 0, 8}));

TEST(SpectrumAnalysis, ToneAtABinFrequencyWithoutWindowReachesItsAmplitude) {
    // 44100 Hz: N = 441, 100 Hz per bin; 1000 Hz lies on bin 10. Ten whole blocks and the empty
    // eleventh give 10/11 of the amplitude.
    const std::string path = WriteWave("tone.wav", 44100, 1, 4410,
                                       [](long long k, int) { return Tone(1000.0, 44100, k); });
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(path));
    SpectrumAnalysis analysis;
    WaveFrameSource frames(file);
    ASSERT_EQ(AnalysisOutcome::Done, analysis.Run(frames, false, WindowKind::NoWindow));
    EXPECT_EQ(11, analysis.blocks);
    EXPECT_NEAR(0.5 * 10.0 / 11.0, analysis.magnitudes[10], 1e-4);
    // Full height on the display; only bin N − 10, its mirror, may differ in the last digits.
    EXPECT_NEAR(1.0, analysis.magnitudes[10] / analysis.peak, 1e-12);
}

TEST(SpectrumAnalysis, SilenceHasPeakZeroAndEmptyFilesAreTooShort) {
    SpectrumAnalysis analysis;
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(
        WriteWave("silent.wav", 8000, 1, 1000, [](long long, int) { return 0.0; })));
    WaveFrameSource frames(file);
    EXPECT_EQ(AnalysisOutcome::Done, analysis.Run(frames, false, WindowKind::Hamming));
    EXPECT_EQ(0.0, analysis.peak);

    ASSERT_TRUE(file.OpenForReading(WriteWave("empty.wav", 8000, 2, 0, nullptr)));
    WaveFrameSource empty(file);
    EXPECT_EQ(AnalysisOutcome::TooShort, analysis.Run(empty, true, WindowKind::Hamming));
    EXPECT_EQ(0, analysis.N);
    ASSERT_TRUE(
        file.OpenForReading(WriteWave("slow.wav", 50, 1, 500, [](long long, int) { return 0.5; })));
    WaveFrameSource slow(file);
    EXPECT_EQ(AnalysisOutcome::TooShort, analysis.Run(slow, false, WindowKind::NoWindow));
    EXPECT_EQ(0, analysis.N);
    EXPECT_EQ(0.0, analysis.peak);
}

TEST(SpectrumAnalysis, StopsAtTheBlockTheCallbackRefuses) {
    const std::string path = WriteWave("long.wav", 8000, 1, 80 * 200,
                                       [](long long k, int) { return Tone(300.0, 8000, k); });
    for (int threads : {1, 2}) {
        WaveFile file;
        ASSERT_TRUE(file.OpenForReading(path));
        SpectrumAnalysis analysis;
        analysis.threads = threads;
        long long last = 0;
        WaveFrameSource frames(file);
        EXPECT_EQ(AnalysisOutcome::Stopped,
                  analysis.Run(frames, false, WindowKind::Hamming, [&](long long done, long long) {
                      last = done;
                      return done < 3;
                  }));
        EXPECT_EQ(3, last);
        EXPECT_EQ(0, analysis.blocks);
    }
}

// The workbench's pair: conditioning by doubling, a first-order smoothing filter.
class DoubleAndSmooth : public SpectrumSampleChain {
public:
    double Condition(double x) override { return 2.0 * x; }
    double Filter(double x) override { return y = 0.5 * y + 0.5 * x; }
    double y = 0.0;
};

TEST(PairedSpectrumAnalysis, TransformsTheConditionedAndTheFilteredInput) {
    const std::string path = WriteWave("pair.wav", 8000, 2, 1000, [](long long k, int c) {
        return c == 0 ? Tone(700.0, 8000, k) : -0.3;
    });
    const std::vector<double> samples = ReadChannel(path, 0);
    for (bool fft : {false, true}) {
        SCOPED_TRACE(fft);
        DoubleAndSmooth reference;
        const Reference in = ReferenceSpectrum(samples, 8000, fft, 1,
                                               [&](double x) { return reference.Condition(x); });
        DoubleAndSmooth referenceFilter;
        const Reference out = ReferenceSpectrum(samples, 8000, fft, 1, [&](double x) {
            return referenceFilter.Filter(referenceFilter.Condition(x));
        });
        WaveFile file;
        ASSERT_TRUE(file.OpenForReading(path));
        DoubleAndSmooth chain;
        PairedSpectrumAnalysis analysis;
        WaveFrameSource frames(file);
        ASSERT_EQ(AnalysisOutcome::Done, analysis.Run(frames, fft, WindowKind::VonHann, chain));
        EXPECT_EQ(in.B, analysis.blocks);
        for (int i = 0; i < in.N; ++i) {
            ASSERT_EQ(in.average[i], analysis.input[i]) << i;
            ASSERT_EQ(out.average[i], analysis.output[i]) << i;
        }
        EXPECT_EQ(std::max(in.peak, out.peak), analysis.peak);
    }
}

} // namespace
