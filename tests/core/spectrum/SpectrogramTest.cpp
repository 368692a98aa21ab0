#include "core/spectrum/Spectrogram.h"

#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/spectrum/SpectrumAnalysis.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

using namespace kaldorium;
using kaldorium::testing::ReadChannel;
using kaldorium::testing::Tone;
using kaldorium::testing::WriteWave;

namespace {

// A spectrogram of a file, computed in one go.
struct Picture {
    explicit Picture(const std::string &path, FrameChannel channel = FrameChannel::Left) {
        file.OpenForReading(path);
        frames = std::make_unique<WaveFrameSource>(file, channel);
    }
    SpectrogramOutcome Compute(const SpectrogramSettings &settings, int chunk = 1000) {
        const SpectrogramOutcome outcome = spectrogram.Start(*frames, settings);
        while (!spectrogram.Finished()) {
            spectrogram.Step(chunk);
        }
        return outcome;
    }
    // The row from the top with the highest level in column x, among rows [from, to).
    int BrightestRow(int x, int from = 0, int to = -1) const {
        const int H = spectrogram.Settings().height;
        int best = from;
        for (int y = from; y < (to < 0 ? H : to); ++y) {
            best = spectrogram.Level(x, y) > spectrogram.Level(x, best) ? y : best;
        }
        return best;
    }
    WaveFile file;
    std::unique_ptr<WaveFrameSource> frames;
    Spectrogram spectrogram;
};

// One column per block of the hop grid, one row per bin (the top row also holds N/2).
SpectrogramSettings BlockPerColumn(long long S, int N, Overlap overlap, WindowKind kind) {
    SpectrogramSettings s;
    s.N = N;
    s.kind = kind;
    s.overlap = overlap;
    const int hop = HopLength(N, overlap);
    const long long blocks = (S - N) / hop + 1;
    s.fromFrame = N / 2;
    s.toFrame = N / 2 + blocks * hop;
    s.width = static_cast<int>(blocks);
    s.height = N / 2;
    return s;
}

class ChirpTest : public ::testing::TestWithParam<std::tuple<int, Overlap, WindowKind>> {};

TEST_P(ChirpTest, TheBrightestBinOfEachColumnFollowsTheSweep) {
    const auto [N, overlap, kind] = GetParam();
    // 100 Hz → 5 kHz over 2 s: f(t) = f0 + (f1 − f0)·t/T, phase 2π·(f0·t + (f1 − f0)·t²/(2T)).
    const double fs = 44100.0;
    const double f0 = 100.0;
    const double f1 = 5000.0;
    const double T = 2.0;
    const std::string path = WriteWave("chirp.wav", 44100, 1, 88200, [&](long long k, int) {
        const double t = static_cast<double>(k) / fs;
        return 0.5 * std::sin(2 * std::numbers::pi * (f0 * t + (f1 - f0) * t * t / (2.0 * T)));
    });
    Picture picture(path);
    std::feclearexcept(FE_ALL_EXCEPT);
    ASSERT_EQ(SpectrogramOutcome::Ready, picture.Compute(BlockPerColumn(88200, N, overlap, kind)));
    EXPECT_EQ(0, std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
    const Spectrogram &s = picture.spectrogram;
    ASSERT_EQ(s.Settings().width, s.Transforms());
    for (int x = 0; x < s.Settings().width; ++x) {
        const double t = (static_cast<double>(x) * s.Hop() + N / 2.0) / fs;
        const double expectedBin = (f0 + (f1 - f0) * t / T) * N / fs;
        const int bin = N / 2 - 1 - picture.BrightestRow(x);
        ASSERT_NEAR(expectedBin, bin, 1.0) << "column " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LengthsAndOverlaps, ChirpTest,
    ::testing::Values(std::make_tuple(1024, Overlap::ThreeQuarters, WindowKind::VonHann),
                      std::make_tuple(512, Overlap::SevenEighths, WindowKind::Hamming),
                      std::make_tuple(256, Overlap::None, WindowKind::BlackmanHarris),
                      std::make_tuple(1024, Overlap::Half, WindowKind::NoWindow)));

TEST(Spectrogram, TwoTonesDrawTwoLinesAtTheirFrequenciesOnTheLogarithmicAxis) {
    // Both tones on bins of N = 512 at 8 kHz (15.625 Hz apart): 1000 Hz (bin 64), 2500 Hz (160),
    // the second 20 dB below the first.
    const std::string path = WriteWave("tones.wav", 8000, 1, 16000, [](long long k, int) {
        return Tone(1000.0, 8000.0, k, 0.5) + Tone(2500.0, 8000.0, k, 0.05);
    });
    Picture picture(path);
    SpectrogramSettings settings;
    settings.N = 512;
    settings.kind = WindowKind::BlackmanHarris;
    settings.logFrequency = true;
    settings.fromHz = 50.0;
    settings.width = 40;
    settings.height = 300;
    ASSERT_EQ(SpectrogramOutcome::Ready, picture.Compute(settings));
    const Spectrogram &s = picture.spectrogram;
    EXPECT_DOUBLE_EQ(4000.0, s.FrequencyAt(0));
    EXPECT_DOUBLE_EQ(50.0, s.FrequencyAt(300));
    EXPECT_NEAR(std::sqrt(50.0 * 4000.0), s.FrequencyAt(150), 1e-9);

    const double bin = 8000.0 / 512;
    const auto rowOf = [&](double hz) {
        int y = 0;
        while (s.FrequencyAt(y + 1) > hz) {
            ++y;
        }
        return y;
    };
    // Near 1 kHz rows are narrower than a bin, and the rows between bins show the nearest one.
    const int upper = rowOf(2500.0);
    const int lower = rowOf(1000.0);
    for (int x = 0; x < 40; ++x) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(1000.0, s.FrequencyAt(picture.BrightestRow(x) + 0.5), bin);
        // Rows above 1300 Hz: the weaker line.
        EXPECT_NEAR(2500.0, s.FrequencyAt(picture.BrightestRow(x, 0, rowOf(1300.0)) + 0.5), bin);
        const double strong = s.Level(x, lower);
        EXPECT_NEAR(20.0 * std::log10(0.1), static_cast<double>(s.Level(x, upper)) - strong, 0.05);
        // Everywhere more than five bins from both tones lies far below the weaker line.
        for (int y = 0; y < 300; ++y) {
            const double hz = s.FrequencyAt(y + 0.5);
            if (std::abs(hz - 1000.0) > 5 * bin && std::abs(hz - 2500.0) > 5 * bin) {
                ASSERT_LT(s.Level(x, y), strong - 80.0) << "row " << y;
            }
        }
    }
}

class SilenceTest : public ::testing::TestWithParam<std::tuple<ColourMap, bool>> {};

TEST_P(SilenceTest, DrawsTheLowestColourEverywhereWithoutAFault) {
    const auto [map, logarithmic] = GetParam();
    const std::string path =
        WriteWave("silence.wav", 44100, 2, 44100, [](long long, int) { return 0.0; });
    Picture picture(path, FrameChannel::Sum);
    SpectrogramSettings settings;
    settings.logFrequency = logarithmic;
    settings.width = 64;
    settings.height = 32;
    std::feclearexcept(FE_ALL_EXCEPT);
    picture.Compute(settings, 7);
    const Spectrogram &s = picture.spectrogram;
    std::vector<std::uint32_t> pixels(64 * 32, 0);
    PaintSpectrogram(s, LevelColours(map, s.DefaultDbTop(), kDefaultDbRange), pixels.data());
    EXPECT_EQ(0, std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
    EXPECT_EQ(kSilenceLevel, s.MaxLevel());
    EXPECT_EQ(0.0, s.DefaultDbTop());
    for (const std::uint32_t pixel : pixels) {
        ASSERT_EQ(ColourStep(map, 0), pixel);
    }
}

INSTANTIATE_TEST_SUITE_P(MapsAndAxes, SilenceTest,
                         ::testing::Combine(::testing::Values(ColourMap::Viridis, ColourMap::Grey),
                                            ::testing::Bool()));

TEST(Spectrogram, AFileShorterThanOneBlockSaysSoAndOneBlockIsEnough) {
    for (const long long S : {0LL, 1LL, 511LL, 512LL}) {
        SCOPED_TRACE(S);
        const std::string path = WriteWave(
            "short.wav", 8000, 1, S, [](long long k, int) { return Tone(1000.0, 8000.0, k); });
        Picture picture(path);
        SpectrogramSettings settings;
        settings.N = 512;
        settings.width = 10;
        const SpectrogramOutcome outcome = picture.Compute(settings);
        EXPECT_EQ(S < 512 ? SpectrogramOutcome::TooShort : SpectrogramOutcome::Ready, outcome);
        EXPECT_TRUE(picture.spectrogram.Finished());
        EXPECT_EQ(S < 512 ? 0 : 10, picture.spectrogram.Transforms());
    }
}

TEST(Spectrogram, HoldsNonsenseSettingsToTheirLimitsAndStillDraws) {
    const std::string path = WriteWave("held.wav", 8000, 1, 8000,
                                       [](long long k, int) { return Tone(1000.0, 8000.0, k); });
    Picture picture(path);
    SpectrogramSettings settings;
    settings.N = 1000;
    settings.overlap = static_cast<Overlap>(17);
    settings.fromFrame = 5000;
    settings.toFrame = 100;
    settings.fromHz = std::nan("");
    settings.toHz = 1e9;
    settings.logFrequency = true;
    settings.width = 0;
    settings.height = -5;
    settings.threads = 9;
    std::feclearexcept(FE_ALL_EXCEPT);
    ASSERT_EQ(SpectrogramOutcome::Ready, picture.Compute(settings));
    EXPECT_EQ(0, std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
    const SpectrogramSettings &held = picture.spectrogram.Settings();
    EXPECT_EQ(1024, held.N);
    EXPECT_EQ(Overlap::SevenEighths, held.overlap);
    EXPECT_EQ(0, held.fromFrame);
    EXPECT_EQ(8000, held.toFrame);
    EXPECT_DOUBLE_EQ(8000.0 / 1024, held.fromHz);
    EXPECT_DOUBLE_EQ(4000.0, held.toHz);
    EXPECT_EQ(1, held.width);
    EXPECT_EQ(1, held.height);
    EXPECT_EQ(2, held.threads);
    EXPECT_NEAR(20.0 * std::log10(0.5 * 0.54), picture.spectrogram.Level(0, 0), 0.1);
}

// A steady tone's level in each column against the averaged spectrum's 20·log10 of the same bin.
class SteadyToneTest : public ::testing::TestWithParam<std::tuple<WindowKind, double>> {};

TEST_P(SteadyToneTest, LevelsMatchTheAveragedSpectrum) {
    const auto [kind, hz] = GetParam();
    const std::string path = WriteWave("steady.wav", 44100, 1, 4 * 44100,
                                       [&](long long k, int) { return Tone(hz, 44100.0, k, 0.5); });
    WaveFile file;
    file.OpenForReading(path);
    WaveFrameSource frames(file);
    SpectrumAnalysis analysis;
    ASSERT_EQ(AnalysisOutcome::Done, analysis.Run(frames, true, kind));
    const int N = analysis.N;
    const int bin = static_cast<int>(std::lround(hz * N / 44100.0));
    const double averaged = 20.0 * std::log10(analysis.magnitudes[static_cast<std::size_t>(bin)]);
    if (kind == WindowKind::NoWindow && std::abs(hz - bin * 44100.0 / N) < 1e-9) {
        // On a bin without a window: the amplitude itself, 0.5.
        EXPECT_NEAR(20.0 * std::log10(0.5), averaged, 0.05);
    }

    Picture picture(path);
    SpectrogramSettings settings;
    settings.N = N;
    settings.kind = kind;
    settings.width = 12;
    settings.height = N / 2;
    ASSERT_EQ(SpectrogramOutcome::Ready, picture.Compute(settings));
    for (int x = 0; x < 12; ++x) {
        EXPECT_NEAR(averaged, picture.spectrogram.Level(x, N / 2 - 1 - bin), 0.1) << x;
    }
    EXPECT_NEAR(averaged, picture.spectrogram.DefaultDbTop(), 0.1);
}

INSTANTIATE_TEST_SUITE_P(
    WindowsAndFrequencies, SteadyToneTest,
    ::testing::Values(std::make_tuple(WindowKind::Hamming, 12 * 44100.0 / 512),
                      std::make_tuple(WindowKind::VonHann, 40 * 44100.0 / 512),
                      std::make_tuple(WindowKind::Blackman, 12 * 44100.0 / 512),
                      std::make_tuple(WindowKind::BlackmanHarris, 100 * 44100.0 / 512),
                      std::make_tuple(WindowKind::Bartlett, 12 * 44100.0 / 512),
                      std::make_tuple(WindowKind::NoWindow, 12 * 44100.0 / 512),
                      std::make_tuple(WindowKind::Hamming, 1000.0),
                      std::make_tuple(WindowKind::BlackmanHarris, 3000.0)));

// Every level against the direct DFT of the block it shows: whichever of the pair of blocks
// sharing one FFT it is (the last of an odd count goes alone), however the steps are cut, on one
// thread or two, zoomed in or not.
class BlockLevelTest : public ::testing::TestWithParam<std::tuple<int, int, bool, int>> {};

TEST_P(BlockLevelTest, EachLevelIsItsBlocksDirectTransform) {
    const auto [threads, chunk, zoomed, N] = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(-0.9, 0.9);
    std::vector<double> noise(20000);
    std::generate(noise.begin(), noise.end(), [&] { return uniform(random); });
    const std::string path = WriteWave("noise.wav", 8000, 2, 20000, [&](long long k, int c) {
        return c == 1 ? noise[static_cast<std::size_t>(k)] : 0.0;
    });
    const std::vector<double> samples = ReadChannel(path, 1);

    SpectrogramSettings settings =
        BlockPerColumn(4001, N, Overlap::ThreeQuarters, WindowKind::Blackman);
    if (zoomed) {
        // Four frames a column, and no middle of a grid block (12000, 12064 at hop 64) among
        // them: each column has its own block, centred on its middle frame.
        settings.overlap = Overlap::None;
        settings.fromFrame = 12001;
        settings.toFrame = 12001 + 4 * 15;
        settings.width = 15;
    }
    settings.threads = threads;
    Picture picture(path, FrameChannel::Right);
    picture.Compute(settings, chunk);
    const Spectrogram &s = picture.spectrogram;
    ASSERT_EQ(settings.width, s.Transforms());

    std::vector<ComplexSample> x(N), X(N);
    std::vector<double> M(N);
    std::vector<double> expected(N / 2 + 1);
    for (int column = 0; column < settings.width; ++column) {
        const long long start = zoomed ? 12001 + 4 * column + 2 - N / 2 : column * s.Hop();
        for (int n = 0; n < N; ++n) {
            x[static_cast<std::size_t>(n)] = {samples[static_cast<std::size_t>(start + n)], 0.0};
        }
        double P = 0.0;
        ComputeDFT(settings.kind, N, x.data(), X.data(), M.data(), P);
        for (int k = 0; k <= N / 2; ++k) {
            const double level = 20.0 * std::log10(2.0 / N * M[static_cast<std::size_t>(k)]);
            expected[k] = std::max(level, kSilenceLevel);
        }
        // The top row holds bins N/2 − 1 and N/2.
        expected[N / 2 - 1] = std::max(expected[N / 2 - 1], expected[N / 2]);
        for (int k = 0; k < N / 2; ++k) {
            ASSERT_NEAR(expected[k], s.Level(column, N / 2 - 1 - k), 1e-4) << column << ", " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ThreadsChunksZoomLengths, BlockLevelTest,
    ::testing::Values(std::make_tuple(1, 1000, false, 64), std::make_tuple(2, 1000, false, 64),
                      std::make_tuple(2, 3, false, 64), std::make_tuple(2, 1, true, 64),
                      std::make_tuple(1, 1000, true, 64), std::make_tuple(2, 5, false, 1024),
                      std::make_tuple(1, 1000, false, 8), std::make_tuple(2, 1000, false, 2)));

TEST(ColourMaps, RunFromDarkToLightThroughTheirSteps) {
    // Relative luminance of the sRGB primaries, enough to see the lightness rise; steps of
    // whole units of red, green and blue may wobble it by a fraction between neighbours.
    const auto lightness = [](std::uint32_t c) {
        return 0.2126 * ((c >> 16) & 0xFF) + 0.7152 * ((c >> 8) & 0xFF) + 0.0722 * (c & 0xFF);
    };
    for (const ColourMap map : {ColourMap::Viridis, ColourMap::Grey}) {
        for (int i = 4; i < kColourSteps; ++i) {
            ASSERT_GT(lightness(ColourStep(map, i)), lightness(ColourStep(map, i - 4)) + 1.0) << i;
        }
    }
    EXPECT_EQ(0xFF440154u, ColourStep(ColourMap::Viridis, 0));
    EXPECT_EQ(0xFFFDE725u, ColourStep(ColourMap::Viridis, 255));
    EXPECT_EQ(0xFFFFFFFFu, ColourStep(ColourMap::Grey, 400));

    const LevelColours colours(ColourMap::Grey, -10.0, 200.0); // the range is held to 140 dB
    EXPECT_EQ(140.0, colours.Range());
    EXPECT_EQ(ColourStep(ColourMap::Grey, 0), colours(-150.0));
    EXPECT_EQ(ColourStep(ColourMap::Grey, 128), colours(-80.0));
    EXPECT_EQ(ColourStep(ColourMap::Grey, 255), colours(5.0));
    EXPECT_EQ(ColourStep(ColourMap::Grey, 0), colours(std::nan("")));
}

} // namespace
