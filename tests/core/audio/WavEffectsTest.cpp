#include "core/audio/WavEffects.h"

#include "core/common/Errors.h"
#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <numbers>
#include <sys/resource.h>

using namespace kaldorium;

namespace {

using LongComplex = std::complex<long double>;

struct Wav {
    std::uint32_t rate = 0, byteRate = 0;
    int channels = 0, bits = 0;
    std::vector<int> samples; // as stored, interleaved
    int At(std::size_t frame, int channel) const {
        return samples[frame * static_cast<std::size_t>(channels) +
                       static_cast<std::size_t>(channel)];
    }
    std::size_t Frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

Wav ReadWav(const std::string &path) {
    WaveFile r;
    Wav w;
    EXPECT_TRUE(r.OpenForReading(path)) << path;
    w = {r.sampleRate, r.byteRate, r.channels, r.bitsPerSample, {}};
    for (std::uint32_t i = 0; i < r.dataBytes / (r.bitsPerSample / 8u); ++i) {
        std::int16_t s = 0;
        std::uint8_t b = 0;
        EXPECT_TRUE(r.bitsPerSample == 8 ? r.ReadByteSample(b) : r.ReadWordSample(s));
        w.samples.push_back(r.bitsPerSample == 8 ? b : s);
    }
    return w;
}

// The stored 16-bit sample of a value, held to the sample's range.
int Stored(long double y) {
    return static_cast<int>(
        std::clamp(std::trunc(std::clamp(y, -2.0L, 2.0L) * 32767), -32768.0L, 32767.0L));
}

void ExpectFile(const Wav &out, const std::vector<long double> &expected) {
    ASSERT_EQ(out.Frames(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        SCOPED_TRACE(::testing::Message() << "frame " << n);
        EXPECT_NEAR(out.At(n, 0), Stored(expected[n]), 1);
        for (int c = 1; c < out.channels; ++c) {
            EXPECT_EQ(out.At(n, c), out.At(n, 0));
        }
    }
}

// The file header holds what the file holds.
void ExpectValidHeader(const std::string &path) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(path));
    EXPECT_EQ(std::filesystem::file_size(path), 44u + r.dataBytes);
}

class WavEffectsTest : public ::testing::Test {
protected:
    std::string Tmp(const std::string &name) const {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string unique = std::string(info->test_suite_name()) + "-" + info->name() + "-" + name;
        std::replace(unique.begin(), unique.end(), '/', '_');
        return std::string(KALDORIUM_TEST_TMP) + "/" + unique;
    }

    // Channel 1 random values within ±0.4, channel 2 something else; returns channel 1 as read.
    std::vector<double> MakeInput(std::uint32_t rate, int channels, std::uint32_t frames,
                                  int bits = 16) {
        WaveFile w;
        w.SetPcmFormat(rate, channels, bits);
        EXPECT_TRUE(w.CreateForWriting(input));
        std::mt19937 generator(frames);
        std::uniform_real_distribution<double> value(-0.4, 0.4);
        std::vector<double> first;
        for (std::uint32_t n = 0; n < frames; ++n) {
            const double x = value(generator);
            for (int c = 0; c < channels; ++c) {
                EXPECT_TRUE(w.WriteValue(c == 0 ? x : 0.5 - x));
            }
            first.push_back(bits == 8 ? std::trunc((x + 1) * 127) / 127.0 - 1.0
                                      : std::trunc(x * 32767) / 32767.0);
        }
        EXPECT_TRUE(w.CloseFile());
        return first;
    }

    WavEffectResult Run(WavEffectKind kind, WavEffectSettings &s, const Progress &p = {}) {
        return effects.Run(kind, input, output, s, p);
    }

    const std::string input = Tmp("in.wav");
    const std::string output = Tmp("out.wav");
    FilterNetwork network;
    NoiseGenerator noise;
    EffectBlocks blocks;
    WavEffects effects{network, noise, blocks};
};

// ---- The block effects against a long-double model written from their definitions ------------

struct BlockCase {
    const char *name;
    WavEffectKind kind;
    FilterKind filter;
    int window;
    int shift, shift2;
    bool rectify;
    std::uint32_t frames; // 1024 is a whole number of blocks, so the last is all padding
};

long double Weight(int kind, int n, int N) {
    const long double g = 2 * std::numbers::pi_v<long double> * n / (N - 1);
    switch (kind) {
    case 0:
        return 0.54L - 0.46L * std::cos(g);
    case 2:
        return 0.42L - 0.5L * std::cos(g) + 0.08L * std::cos(2 * g);
    default:
        return 1.0L;
    }
}

std::vector<LongComplex> Dft(const std::vector<LongComplex> &x) {
    const std::size_t N = x.size();
    std::vector<LongComplex> X(N);
    for (std::size_t k = 0; k < N; ++k) {
        for (std::size_t n = 0; n < N; ++n) {
            X[k] += x[n] * std::polar(1.0L, -2 * std::numbers::pi_v<long double> *
                                                static_cast<long double>(k * n % N) / N);
        }
    }
    return X;
}

// The changed spectrum of one block: new[k] for the lower half from old, then the upper half.
std::vector<LongComplex> Changed(const BlockCase &c, const std::vector<LongComplex> &old, double fs,
                                 const WavEffectSettings &s) {
    const int N = static_cast<int>(old.size());
    const int h = N / 2;
    std::vector<LongComplex> B = old;
    const auto at = [&](int k) { return old[static_cast<std::size_t>(k)]; };
    if (c.kind == WavEffectKind::FFTFiltering) {
        for (int i = 0; i < h; ++i) {
            const double f = i * fs / N, v = s.fo / s.q / 2;
            const bool pass = c.filter == 0   ? (f >= s.fo - v && f <= s.fo + v)
                              : c.filter == 1 ? !(f >= s.fo - v && f <= s.fo + v)
                              : c.filter == 3 ? f <= s.fo
                              : c.filter == 2 ? f >= s.fo
                                              : true;
            const long double H = c.filter == 19 ? 1.0L : pass ? s.amplification : 0.0L;
            B[static_cast<std::size_t>(i)] = H * at(i);
            B[static_cast<std::size_t>((N - i) % N)] = H * at((N - i) % N);
        }
        B[static_cast<std::size_t>(h)] = B[0];
        return B;
    }
    const int d = std::clamp(c.shift, 1 - h, h - 1);
    if (c.kind != WavEffectKind::Robot && d == 0) {
        return B;
    }
    std::vector<LongComplex> low(static_cast<std::size_t>(h));
    for (int k = 0; k < h; ++k) {
        LongComplex value;
        if (c.kind == WavEffectKind::Robot) {
            const int step = std::abs(c.shift);
            value = (k % step) < c.shift2 ? 0 : at(k);
        } else if (k + d >= 0 && k + d < h) {
            value = at(k + d);
        } else if (c.kind == WavEffectKind::FrequencyRotater) {
            // Wrapped in from the mirrored upper half; bin 0 stays, the top gets B[h] first.
            value = d > 0 ? (k == h - d ? at(h) : at(N - (k - (h - d))))
                          : (k == 0 ? at(0) : at(h - d - k));
        }
        low[static_cast<std::size_t>(k)] = value;
    }
    for (int k = 0; k < h; ++k) {
        B[static_cast<std::size_t>(k)] = low[static_cast<std::size_t>(k)];
        if (k > 0) {
            B[static_cast<std::size_t>(N - k)] = low[static_cast<std::size_t>(k)];
        }
    }
    B[static_cast<std::size_t>(h)] = low[0];
    return B;
}

class BlockEffects : public WavEffectsTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(BlockEffects, MatchTheModelFrameByFrame) {
    const BlockCase c = GetParam();
    const std::uint32_t S = c.frames, fs = 8000;
    const int N = 128; // FFTLength(min(S, 8000/100, 1024))
    const std::vector<double> x = MakeInput(fs, 2, S);
    WavEffectSettings s;
    s.ts = 1.0 / fs;
    s.filterKind = c.filter;
    s.amplification = c.filter == 3 ? 0.5 : 1.0;
    s.window = static_cast<WindowKind>(c.window);
    s.shift = c.shift;
    s.shift2 = c.shift2;
    s.rectify = c.rectify;
    s.halfRectify = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
    ASSERT_EQ(Run(c.kind, s,
                  [&](long long done, long long total) {
                      calls.emplace_back(done, total);
                      return true;
                  })
                  .status,
              WavEffectStatus::Done);

    std::vector<long double> expected;
    for (std::uint32_t start = 0; start <= S; start += N) {
        std::vector<LongComplex> block(N);
        for (int i = 0; i < N; ++i) {
            const long double v = start + i < S ? x[start + i] : 0.0;
            block[static_cast<std::size_t>(i)] =
                Weight(c.window, i, N) * (c.rectify ? std::fabs(v) : v);
        }
        std::vector<LongComplex> B = Changed(c, Dft(block), fs, s);
        for (LongComplex &b : B) {
            b = std::conj(b);
        }
        const std::vector<LongComplex> y = Dft(B);
        for (int m = 0; m < N && expected.size() < S; ++m) {
            expected.push_back(2.0L / N * y[static_cast<std::size_t>(m)].real());
        }
    }
    ExpectFile(ReadWav(output), expected);
    // ⌊S/N⌋ + 1 blocks, the last reporting the whole file.
    EXPECT_EQ(calls.size(), S / 128u + 1);
    EXPECT_EQ(calls.back(), std::make_pair(S, S));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockEffects,
    ::testing::Values(
        BlockCase{"networkIsAboutTwice", WavEffectKind::FFTFiltering, 19, 5, 0, 0, false, 1000},
        BlockCase{"bandPass", WavEffectKind::FFTFiltering, 0, 5, 0, 0, false, 1024},
        BlockCase{"bandPassHamming", WavEffectKind::FFTFiltering, 0, 0, 0, 0, false, 1000},
        BlockCase{"bandReject", WavEffectKind::FFTFiltering, 1, 5, 0, 0, false, 1000},
        BlockCase{"lowPassHalf", WavEffectKind::FFTFiltering, 3, 5, 0, 0, false, 1000},
        BlockCase{"highPassRectified", WavEffectKind::FFTFiltering, 2, 2, 0, 0, true, 1000},
        BlockCase{"shiftZero", WavEffectKind::FrequencyShifter, 0, 5, 0, 0, false, 1000},
        BlockCase{"shiftDown", WavEffectKind::FrequencyShifter, 0, 5, 5, 0, false, 1000},
        BlockCase{"shiftUp", WavEffectKind::FrequencyShifter, 0, 0, -7, 0, false, 1000},
        BlockCase{"shiftBeyond", WavEffectKind::FrequencyShifter, 0, 5, 900, 0, false, 1000},
        BlockCase{"rotateDown", WavEffectKind::FrequencyRotater, 0, 5, 5, 0, false, 1000},
        BlockCase{"rotateOne", WavEffectKind::FrequencyRotater, 0, 5, 1, 0, false, 1000},
        BlockCase{"rotateUp", WavEffectKind::FrequencyRotater, 0, 5, -6, 0, false, 1000},
        BlockCase{"robot", WavEffectKind::Robot, 0, 5, 4, 3, false, 1000},
        BlockCase{"robotNothing", WavEffectKind::Robot, 0, 5, -4, 0, false, 1000},
        BlockCase{"robotEverything", WavEffectKind::Robot, 0, 5, 3, 5, false, 1000}),
    [](const auto &p) { return std::string(p.param.name); });

// ---- Filter Input File -------------------------------------------------------------------------

class FilterFile : public WavEffectsTest,
                   public ::testing::WithParamInterface<std::tuple<int, double>> {};

TEST_P(FilterFile, RunsAFreshFilterOverChannelOne) {
    const auto [kind, amplification] = GetParam();
    const double ts = 1.0 / 8000;
    const std::vector<double> x = MakeInput(8000, 2, 3000);
    WavEffectSettings s;
    s.filterKind = kind;
    s.ts = ts;
    s.fo = 800;
    s.q = 2;
    s.amplification = amplification;
    ASSERT_EQ(Run(WavEffectKind::ModifyFile, s).status, WavEffectStatus::Done);
    Filter filter(kind <= 5 ? kind : fkAllPass);
    std::vector<long double> expected;
    long double x1 = 0, y1 = 0;
    for (const double v : x) {
        if (kind == fkDifferentiator) {
            expected.push_back((v - x1) / ts * ts / std::numbers::pi); // D(x)·Ts/π
        } else if (kind == fkIntegrator) {
            y1 += (v + x1) * ts / 2;
            expected.push_back(y1 * std::numbers::pi / ts); // I(x)·π/Ts
        } else if (kind == fkNetwork) {
            expected.push_back(v); // the network as it starts passes its input
        } else {
            expected.push_back(filter.Process(800, 2, amplification, ts, v));
        }
        x1 = v;
    }
    ExpectFile(ReadWav(output), expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FilterFile,
                         ::testing::Values(std::make_tuple(0, 1.0), std::make_tuple(0, 6.0),
                                           std::make_tuple(1, 1.0), std::make_tuple(5, 1.0),
                                           std::make_tuple(6, 1.0), std::make_tuple(7, 1.0),
                                           std::make_tuple(19, 1.0)));

TEST_F(WavEffectsTest, NetworkStartsClearedAtEveryRun) {
    MakeInput(8000, 1, 500);
    network.stages[0].Configure(fkLowPass, 500, 1, 1, 1);
    WavEffectSettings s;
    s.filterKind = fkNetwork;
    s.ts = 1.0 / 8000;
    ASSERT_EQ(Run(WavEffectKind::ModifyFile, s).status, WavEffectStatus::Done);
    const Wav first = ReadWav(output);
    ASSERT_EQ(Run(WavEffectKind::ModifyFile, s).status, WavEffectStatus::Done);
    EXPECT_EQ(ReadWav(output).samples, first.samples);
}

TEST_F(WavEffectsTest, UnstableFilterEndsWithTheFloatingPointError) {
    MakeInput(8000, 2, 20000);
    WavEffectSettings s;
    s.ts = 1.0 / 8000;
    s.q = -1; // poles outside the unit circle
    EXPECT_THROW(Run(WavEffectKind::ModifyFile, s), FloatingPointError);
    ExpectValidHeader(output);
    const Wav out = ReadWav(output);
    EXPECT_GT(out.Frames(), 100u);
    EXPECT_LT(out.Frames(), 20000u);
    // What was written before saturates rather than wrapping round.
    EXPECT_GE(std::abs(out.samples.back()), 32767);
}

// ---- Speed, Retard and the refusals ----------------------------------------------------------

struct FrameCase {
    WavEffectKind kind;
    std::uint32_t rate;
    int channels;
    std::uint32_t frames;
    double factor;
    int k;
    std::uint32_t rateOut, byteRateOut, framesOut;
};

class FrameEffects : public WavEffectsTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameEffects, WriteTheExpectedFrames) {
    const FrameCase c = GetParam();
    const std::vector<double> x = MakeInput(c.rate, c.channels, c.frames);
    WavEffectSettings s;
    s.speedFactor = c.factor;
    s.shift = c.k;
    // Told as it goes, at least every 4096 frames, up to the whole file.
    std::vector<std::uint32_t> done;
    ASSERT_EQ(Run(c.kind, s,
                  [&](std::uint32_t d, std::uint32_t total) {
                      EXPECT_EQ(total, c.frames);
                      done.push_back(d);
                      return true;
                  })
                  .status,
              WavEffectStatus::Done);
    EXPECT_GE(done.size(), c.frames / 4096 + 1);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), c.frames);
    const Wav in = ReadWav(input);
    const Wav out = ReadWav(output);
    EXPECT_EQ(out.rate, c.rateOut);
    EXPECT_EQ(out.byteRate, c.byteRateOut);
    if (c.kind == WavEffectKind::Retard) {
        std::vector<long double> expected;
        for (std::uint32_t n = 0; n < c.framesOut; ++n) {
            expected.push_back(
                x[n / static_cast<std::uint32_t>(c.k) * static_cast<std::uint32_t>(c.k)]);
        }
        ExpectFile(out, expected);
    } else {
        EXPECT_EQ(out.samples, in.samples);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameEffects,
    ::testing::Values(FrameCase{WavEffectKind::SpeedUp, 22050, 1, 300, 2, 0, 44100, 88200, 300},
                      FrameCase{WavEffectKind::SlowDown, 44100, 2, 300, 3, 0, 14700, 58800, 300},
                      FrameCase{WavEffectKind::SlowDown, 11025, 1, 30, 4, 0, 2756, 5512, 30},
                      FrameCase{WavEffectKind::SpeedUp, 8000, 2, 20000, 1.5, 0, 12000, 48000,
                                20000},
                      FrameCase{WavEffectKind::Retard, 8000, 2, 10, 0, 4, 8000, 32000, 8},
                      FrameCase{WavEffectKind::Retard, 8000, 3, 10, 0, 1, 8000, 48000, 10},
                      FrameCase{WavEffectKind::Retard, 8000, 1, 10, 0, 11, 8000, 16000, 0}));

struct Refusal {
    WavEffectKind kind;
    double factor;
    int shift;
    const char *text;
};

class Refusals : public WavEffectsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, LeaveThePreviousOutputUntouched) {
    MakeInput(44100, 1, 10);
    std::ofstream(output) << "previous";
    WavEffectSettings s;
    s.speedFactor = GetParam().factor;
    s.shift = GetParam().shift;
    const WavEffectResult r = Run(GetParam().kind, s);
    EXPECT_EQ(r.status, WavEffectStatus::Refused);
    EXPECT_EQ(r.message, GetParam().text);
    EXPECT_EQ(std::filesystem::file_size(output), 8u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(Refusal{WavEffectKind::Robot, 2, 0, WavEffects::kRobotStepText},
                      Refusal{WavEffectKind::Retard, 2, 0, WavEffects::kRetardFactorText},
                      Refusal{WavEffectKind::Retard, 2, -3, WavEffects::kRetardFactorText},
                      Refusal{WavEffectKind::SpeedUp, 1e6, 4, WavEffects::kRateText},
                      Refusal{WavEffectKind::SlowDown, 44101, 4, WavEffects::kRateText}));

TEST_F(WavEffectsTest, ShiftBeyondTheBandIsCutAndHandedBack) {
    MakeInput(8000, 1, 1000);
    WavEffectSettings s;
    for (const int shift : {900, -900}) {
        s.shift = shift;
        ASSERT_EQ(Run(WavEffectKind::FrequencyRotater, s).status, WavEffectStatus::Done);
        EXPECT_EQ(s.shift, shift > 0 ? 63 : -63);
    }
}

// ---- Failures part-way leave both files closed with a true header ------------------------------

TEST_F(WavEffectsTest, FailuresAndStopsEndWithAValidOutput) {
    WavEffectSettings s;
    s.ts = 1.0 / 8000;
    WavEffectResult r =
        effects.Run(WavEffectKind::ModifyFile,
                    std::string(KALDORIUM_TEST_DATA) + "/wav/8000-1-24-extensible.wav", output, s);
    EXPECT_EQ(r.status, WavEffectStatus::Failed);
    EXPECT_EQ(r.message, "Floats can be written only as 8 or 16-bit samples");
    ExpectValidHeader(output);

    // The input cut short while it is read, by a block effect and by the copy of Speed Up.
    for (const WavEffectKind kind : {WavEffectKind::FFTFiltering, WavEffectKind::SpeedUp}) {
        MakeInput(8000, 1, 200000);
        r = Run(kind, s, [&](std::uint32_t, std::uint32_t) {
            std::filesystem::resize_file(input, 100000);
            return true;
        });
        EXPECT_EQ(r.status, WavEffectStatus::Failed);
        EXPECT_EQ(r.message, "Couldn't read samples");
        ExpectValidHeader(output);
    }

    // A full disk, as a file size limit.
    MakeInput(8000, 1, 200000);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 150000;
    setrlimit(RLIMIT_FSIZE, &small);
    r = Run(WavEffectKind::ModifyFile, s);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(r.status, WavEffectStatus::Failed);
    EXPECT_EQ(r.message, "Couldn't write samples");
    ExpectValidHeader(output);
    EXPECT_LE(std::filesystem::file_size(output), 150000u);

    r = Run(WavEffectKind::Retard, s, [](std::uint32_t, std::uint32_t) { return false; });
    EXPECT_EQ(r.status, WavEffectStatus::Stopped);
    ExpectValidHeader(output);
    EXPECT_LT(ReadWav(output).Frames(), 200000u);

    // The filter writes in blocks, yet a stop keeps exactly the frames reported done.
    std::uint32_t reported = 0;
    r = Run(WavEffectKind::ModifyFile, s, [&](std::uint32_t done, std::uint32_t) {
        reported = done;
        return done < 10000;
    });
    EXPECT_EQ(r.status, WavEffectStatus::Stopped);
    EXPECT_GE(reported, 10000u);
    EXPECT_EQ(ReadWav(output).Frames(), reported);
}

// ---- Another program reads every effect's output -----------------------------------------------

class ReadBySox : public WavEffectsTest, public ::testing::WithParamInterface<WavEffectKind> {};

TEST_P(ReadBySox, FormatRateAndFrames) {
    if (std::system("sox --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    for (const int bits : {16, 8}) {
        SCOPED_TRACE(::testing::Message() << bits << "-bit");
        MakeInput(8000, 2, 1001, bits);
        WavEffectSettings s;
        s.ts = 1.0 / 8000;
        s.shift = 6;
        ASSERT_EQ(Run(GetParam(), s).status, WavEffectStatus::Done);
        const std::string info = Tmp("info.txt");
        std::remove(info.c_str());
        std::string command;
        for (const char *field : {"-r", "-c", "-b", "-s"}) {
            command += std::string(command.empty() ? "" : " && ") + "soxi " + field + " '" +
                       output + "' >> '" + info + "'";
        }
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(info);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        const int rate = GetParam() == WavEffectKind::SpeedUp    ? 16000
                         : GetParam() == WavEffectKind::SlowDown ? 4000
                                                                 : 8000;
        const int frames = GetParam() == WavEffectKind::Retard ? 1001 / 6 * 6 : 1001;
        EXPECT_EQ(text, std::to_string(rate) + "\n2\n" + std::to_string(bits) + "\n" +
                            std::to_string(frames) + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, ReadBySox,
                         ::testing::Values(WavEffectKind::SpeedUp, WavEffectKind::SlowDown,
                                           WavEffectKind::ModifyFile, WavEffectKind::FFTFiltering,
                                           WavEffectKind::FrequencyShifter,
                                           WavEffectKind::FrequencyRotater, WavEffectKind::Robot,
                                           WavEffectKind::Retard));

} // namespace
