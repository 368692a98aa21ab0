#include "core/audio/WavViews.h"

#include "core/audio/ExampleWavs.h"

#include "core/common/Random.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "tests/core/signal/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>

using namespace kaldorium;
namespace fs = std::filesystem;

namespace {

const fs::path kTmp = fs::path(KALDORIUM_TEST_TMP) / "wavviews";

// Writes a PCM file whose channel c of frame i holds value(i, c).
std::string WriteWav(const std::string &name, std::uint32_t rate, int channels, int bits,
                     std::uint32_t frames, const std::function<double(int, int)> &value) {
    fs::create_directories(kTmp);
    const std::string path = (kTmp / name).string();
    WaveFile w;
    w.SetPcmFormat(rate, channels, bits);
    EXPECT_TRUE(w.CreateForWriting(path));
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            w.WriteValue(value(static_cast<int>(i), c));
        }
    }
    EXPECT_TRUE(w.CloseFile());
    return path;
}

double Ramp(int i, int c) {
    return (c == 0 ? 1.0 : -1.0) * ((i % 100) / 200.0);
}

class WavViewTest : public ::testing::Test {
protected:
    void SetUp() override { scope.Bind(&canvas, 0.0, 5.0, -1.0, 1.0); }

    // 1000 frames at 1 kHz: 1000 ms. Named after the running test unless named here, as the
    // tests run side by side.
    std::string Stereo(const char *name = nullptr) {
        std::string file = name != nullptr ? name : "";
        if (file.empty()) {
            const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
            file = std::string(info->test_suite_name()) + "." + info->name() + "-stereo.wav";
            std::replace(file.begin(), file.end(), '/', '_');
        }
        return WriteWav(file, 1000, 2, 16, 1000, Ramp);
    }
    // Steps until the view ends, at most `limit` frames.
    long long RunToEnd(WavView &view, long long limit = 100000) {
        while (view.samples < limit && view.Step(WavView::ChunkSamples)) {
        }
        return view.samples;
    }

    test::RecordingCanvas canvas;
    Oscilloscope scope;
    WavSettings settings;
    NoiseGenerator noise;
    FilterNetwork network;
};

} // namespace

TEST(WavFormat, OnlyWhatTheReaderConvertsIsAccepted) {
    struct Row {
        std::uint16_t tag, channels, align;
        std::uint32_t rate;
        std::uint16_t bits;
        const char *refusal;
    };
    const Row rows[] = {
        {1, 2, 4, 44100, 16, nullptr},           {1, 1, 1, 8000, 8, nullptr},
        {3, 1, 4, 8000, 32, kOnlyPcmText},       {2, 1, 2, 8000, 16, kOnlyPcmText},
        {1, 0, 2, 8000, 16, kDamagedFormatText}, {1, 1, 0, 8000, 16, kDamagedFormatText},
        {1, 1, 2, 0, 16, kDamagedFormatText},    {1, 1, 3, 8000, 24, kOnlyPcmText}};
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "tag " << r.tag << " bits " << r.bits);
        WaveFile f;
        f.formatTag = r.tag;
        f.channels = r.channels;
        f.blockAlign = r.align;
        f.sampleRate = r.rate;
        f.bitsPerSample = r.bits;
        EXPECT_EQ(IsConvertiblePcm(f), r.refusal == nullptr);
        EXPECT_STREQ(PcmRefusal(f), r.refusal);
    }
    WaveFile f;
    f.dataBytes = 10;
    EXPECT_EQ(SampleFrames(f), 0u);
    EXPECT_EQ(DurationSeconds(f), 0.0);
    f.blockAlign = 4;
    f.byteRate = 4;
    EXPECT_EQ(SampleFrames(f), 2u);
    EXPECT_EQ(DurationSeconds(f), 2.5);
}

TEST(WavFormat, SameFileSeesThroughRelativePathsAndLinks) {
    const std::string a = WriteWav("same.wav", 1000, 1, 8, 4, Ramp);
    const fs::path link = kTmp / "same-link.wav";
    fs::remove(link);
    fs::create_symlink(a, link);
    const fs::path old = fs::current_path();
    fs::current_path(kTmp);
    EXPECT_TRUE(SameFile(a, "same.wav"));
    EXPECT_TRUE(SameFile("./same.wav", a));
    EXPECT_TRUE(SameFile(link.string(), a));
    EXPECT_TRUE(SameFile("./not-yet.wav", (kTmp / "not-yet.wav").string()));
    EXPECT_FALSE(SameFile(a, "other.wav"));
    EXPECT_FALSE(SameFile(a, ""));
    fs::current_path(old);
}

// The filter step of every kind against the same step computed directly.
TEST(WavFilterChainTest, FilterStepOfEveryKind) {
    const double ts = 1.0 / 8000.0;
    for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 19}) {
        SCOPED_TRACE(kind);
        WavSettings s;
        s.filterKind = kind;
        s.samplingPeriod = ts;
        s.filterFrequency = 500.0;
        s.qFactor = 2.0;
        s.amplification = 3.0;
        NoiseGenerator noise;
        FilterNetwork network;
        WavFilterChain chain(s, noise, network);
        Filter reference(kind == 19 ? fkAllPass : kind);
        for (int i = 0; i < 50; ++i) {
            const double x = std::sin(0.3 * i);
            double expected = 0.0;
            if (kind == 6) {
                expected = reference.Differentiate(x, ts) * ts / std::numbers::pi;
            } else if (kind == 7) {
                expected = reference.Integrate(false, x, ts) * std::numbers::pi / ts;
            } else if (kind == 19) {
                expected = x; // the network as set up at start passes its input
            } else {
                expected = reference.Process(500.0, 2.0, 3.0, ts, x);
            }
            EXPECT_DOUBLE_EQ(chain.Filtered(x), expected);
        }
    }
}

TEST(WavFilterChainTest, NoiseIsProportionalAndRectificationFollows) {
    WavSettings s;
    NoiseGenerator noise;
    FilterNetwork network;
    WavFilterChain chain(s, noise, network);
    s.rectify = true;
    EXPECT_EQ(chain.Condition(-0.5), 0.0);
    s.halfRectify = false;
    EXPECT_EQ(chain.Condition(-0.5), 0.5);
    s.rectify = false;
    s.addNoise = true;
    s.snRatio = 10.0;
    NoiseGenerator twin = noise;
    EXPECT_DOUBLE_EQ(chain.Condition(0.8), 0.8 + (twin.Next() / 32767.0 - 0.5) * 0.08);
    s.normalNoise = false;
    EXPECT_DOUBLE_EQ(chain.Condition(0.8), 0.8 + twin.NextGaussian() * 0.08);
    EXPECT_EQ(chain.Condition(0.0), 0.0);
}

// A file not longer than the time window is drawn once and ends; a longer one starts again.
class WavViewKinds : public WavViewTest, public ::testing::WithParamInterface<WavView::Kind> {};

TEST_P(WavViewKinds, ShortFileDrawnOnceLongFileRepeats) {
    settings.inputFileName = settings.outputFileName = Stereo();
    settings.samplingPeriod = 0.001;
    settings.timeScale = 1000.0;
    WavView once(GetParam(), settings, noise, network, scope);
    EXPECT_EQ(RunToEnd(once), 1000);
    EXPECT_EQ(once.ended, WavView::End::Finished);
    EXPECT_EQ(once.rewinds, 0);

    settings.timeScale = 999.0;
    WavView repeating(GetParam(), settings, noise, network, scope);
    EXPECT_TRUE(repeating.Step(2610));
    EXPECT_EQ(repeating.ended, WavView::End::Running);
    EXPECT_EQ(repeating.rewinds, 2);
    // Each pass starts at t = 0 on a fresh page: frame 2610 is frame 610 of the third pass.
    EXPECT_DOUBLE_EQ(repeating.time, 610.0);
    EXPECT_EQ(scope.sweepOffset, 0.0);
}

INSTANTIATE_TEST_SUITE_P(AllLoops, WavViewKinds,
                         ::testing::Values(WavView::Kind::Input, WavView::Kind::Output,
                                           WavView::Kind::Joint, WavView::Kind::Test));

TEST_F(WavViewTest, TracesOfEachLoop) {
    const std::string stereo = Stereo();
    const std::string mono = WriteWav("mono.wav", 1000, 1, 16, 1000, Ramp);
    const std::string three = WriteWav("three.wav", 1000, 3, 8, 1000, Ramp);
    settings.samplingPeriod = 0.001;
    settings.signal2Shift = 0.25;
    struct Row {
        WavView::Kind kind;
        std::string input, output;
        double trace1, trace2; // at frame 41
    };
    const double a = 41 / 200.0;
    const double q16 = std::trunc(a * 32767.0) / 32767.0;
    const double q8 = std::trunc((a + 1.0) * 127.0) / 127.0 - 1.0;
    const double q8n = std::trunc((1.0 - a) * 127.0) / 127.0 - 1.0;
    const Row rows[] = {{WavView::Kind::Input, stereo, "", q16, -q16},
                        {WavView::Kind::Input, mono, "", q16, 0.0},
                        {WavView::Kind::Output, "", three, q8, q8n},
                        {WavView::Kind::Joint, three, mono, q8, q16},
                        {WavView::Kind::Test, stereo, "", q16, q16 * 1.0}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.input + " " + r.output);
        settings.inputFileName = r.input;
        settings.outputFileName = r.output;
        settings.filterKind = 19; // the network at start passes its input
        WavView view(r.kind, settings, noise, network, scope);
        ASSERT_TRUE(view.Step(42));
        EXPECT_DOUBLE_EQ(view.trace1, r.trace1);
        EXPECT_DOUBLE_EQ(view.trace2, r.trace2);
        EXPECT_DOUBLE_EQ(view.time, 42.0);
    }
    // The mono input's red trace lies on 0 + shift on the display.
    settings.inputFileName = mono;
    WavView view(WavView::Kind::Input, settings, noise, network, scope);
    canvas.Clear();
    view.Step(10);
    scope.ToPixelY(0.25);
    for (const auto &line : canvas.Only(test::RecordingCanvas::Op::Line)) {
        if (line.pen == ColorRed) {
            EXPECT_EQ(line.y2, scope.pixelY);
        }
    }
}

TEST_F(WavViewTest, AnotherInputSwitchesTheLoopToItsStart) {
    settings.samplingPeriod = 0.001;
    const std::string other =
        WriteWav("other.wav", 1000, 1, 16, 1000, [](int, int) { return 0.5; });
    for (WavView::Kind kind : {WavView::Kind::Input, WavView::Kind::Test}) {
        settings.inputFileName = Stereo();
        settings.filterKind = 19;
        WavView view(kind, settings, noise, network, scope);
        view.Step(300);
        settings.inputFileName = other;
        view.Step(5);
        EXPECT_DOUBLE_EQ(view.time, 5.0);
        EXPECT_NEAR(view.trace1, 0.5, 1e-4);
        settings.inputFileName = (kTmp / "missing.wav").string();
        EXPECT_FALSE(view.Step(5));
        EXPECT_EQ(view.ended, WavView::End::CannotOpen);
    }
}

TEST_F(WavViewTest, FilesThatCannotBeViewedEndAtOnce) {
    settings.samplingPeriod = 0.001;
    const std::string empty = WriteWav("empty.wav", 1000, 2, 16, 0, Ramp);
    const std::string stereo = Stereo();
    const std::string fast = WriteWav("fast.wav", 2000, 2, 16, 1000, Ramp);
    const std::string notPcm = (kTmp / "float.wav").string();
    {
        WaveFile w;
        w.SetPcmFormat(1000, 1, 32);
        w.formatTag = 3;
        w.CreateForWriting(notPcm);
        w.WriteBytes("\0\0\0\0\0\0\0\0", 8);
        w.CloseFile();
    }
    struct Row {
        WavView::Kind kind;
        std::string input, output;
        WavView::End end;
    };
    const Row rows[] = {{WavView::Kind::Input, empty, "", WavView::End::CannotOpen},
                        {WavView::Kind::Test, notPcm, "", WavView::End::CannotOpen},
                        {WavView::Kind::Output, "", empty, WavView::End::CannotOpen},
                        {WavView::Kind::Input, "", "", WavView::End::CannotOpen},
                        {WavView::Kind::Joint, stereo, empty, WavView::End::CannotOpen},
                        {WavView::Kind::Joint, stereo, fast, WavView::End::NotComparable}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.input + " " + r.output);
        settings.inputFileName = r.input;
        settings.outputFileName = r.output;
        WavView view(r.kind, settings, noise, network, scope);
        EXPECT_FALSE(view.Step(WavView::ChunkSamples));
        EXPECT_EQ(view.ended, r.end);
        EXPECT_EQ(view.samples, 0);
    }
}

TEST_F(WavViewTest, DamagedFileReadsSilenceUpToItsCount) {
    // Larger than any stream buffer, so the reads really meet the damage.
    settings.inputFileName = WriteWav("damaged.wav", 1000, 2, 16, 100000, Ramp);
    settings.samplingPeriod = 0.001;
    settings.timeScale = 1e6;
    WavView view(WavView::Kind::Input, settings, noise, network, scope);
    view.Step(10);
    // The file loses its samples while it is open: the reads fail and deliver 0.
    fs::resize_file(settings.inputFileName, 44 + 40);
    EXPECT_EQ(RunToEnd(view, 200000), 100000);
    EXPECT_EQ(view.ended, WavView::End::Finished);
    EXPECT_EQ(view.trace1, 0.0);
    EXPECT_EQ(view.trace2, 0.0);
}

TEST_F(WavViewTest, TestKeepsItsFilterStateAcrossRewinds) {
    settings.inputFileName = WriteWav("dc.wav", 1000, 1, 16, 10, [](int, int) { return 0.5; });
    settings.samplingPeriod = 0.001;
    settings.timeScale = 1.0;
    settings.filterKind = fkIntegrator;
    WavView view(WavView::Kind::Test, settings, noise, network, scope);
    Filter reference(fkIntegrator);
    const double x = std::trunc(0.5 * 32767.0) / 32767.0;
    double expected = 0.0;
    for (int i = 0; i < 25; ++i) {
        expected = reference.Integrate(false, x, 0.001) * std::numbers::pi / 0.001;
    }
    view.Step(25);
    EXPECT_EQ(view.rewinds, 2);
    EXPECT_DOUBLE_EQ(view.trace2, expected);
}

TEST(ExampleWavsTest, EveryExampleIsAReadablePcmFileOfSomeSeconds) {
    const fs::path folder = kTmp / "examples";
    fs::create_directories(folder);
    ASSERT_TRUE(WriteExampleWavs(folder.string()));
    bool eight = false, sixteen = false, mono = false, stereo = false;
    for (const ExampleWav &e : ExampleWavs()) {
        SCOPED_TRACE(e.name);
        WaveFile f;
        ASSERT_TRUE(f.OpenForReading((folder / e.name).string()));
        EXPECT_TRUE(IsConvertiblePcm(f));
        EXPECT_EQ(f.sampleRate, e.sampleRate);
        EXPECT_NEAR(DurationSeconds(f), e.seconds, 1e-3);
        double peak = 0.0, v = 0.0;
        for (std::uint32_t i = 0; i < SampleFrames(f) * f.channels; ++i) {
            f.ReadValue(v);
            peak = std::max(peak, std::fabs(v));
        }
        // Loud enough to hear, never clipped.
        EXPECT_GT(peak, 0.2);
        EXPECT_LT(peak, 1.0);
        eight |= f.bitsPerSample == 8;
        sixteen |= f.bitsPerSample == 16;
        mono |= f.channels == 1;
        stereo |= f.channels == 2;
    }
    EXPECT_TRUE(eight && sixteen && mono && stereo);
}
