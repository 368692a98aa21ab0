#include "core/spectrum/SpectrogramPanes.h"

#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/spectrum/Spectrogram.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace kaldorium;
using kaldorium::testing::Tone;
using kaldorium::testing::WriteWave;

namespace {

TEST(SpectrogramPanes, SideBySideShowsLeftAboveRightAndAMonoFileInOnePane) {
    using V = std::vector<FrameChannel>;
    EXPECT_EQ(V({FrameChannel::Left, FrameChannel::Right}),
              PaneChannels(ChannelChoice::SideBySide, 2));
    EXPECT_EQ(V({FrameChannel::Left, FrameChannel::Right}),
              PaneChannels(ChannelChoice::SideBySide, 6));
    EXPECT_EQ(V({FrameChannel::Left}), PaneChannels(ChannelChoice::SideBySide, 1));
    EXPECT_EQ(V({FrameChannel::Right}), PaneChannels(ChannelChoice::Right, 2));
    EXPECT_EQ(V({FrameChannel::Sum}), PaneChannels(ChannelChoice::Sum, 1));
    EXPECT_EQ(V({FrameChannel::Left}), PaneChannels(static_cast<ChannelChoice>(9), 2));
}

TEST(SpectrogramPanes, StackedPanesFillTheRowsWithoutOverlap) {
    const std::vector<PaneRows> two = StackPanes(8, 301, 2, 10);
    ASSERT_EQ(2U, two.size());
    EXPECT_EQ(8, two[0].top);
    EXPECT_EQ(145, two[0].height);
    EXPECT_EQ(163, two[1].top);
    // Equal panes; the odd row left over by the division stays below them.
    EXPECT_EQ(145, two[1].height);
    EXPECT_EQ(8 + 300, two[1].top + two[1].height);
    const std::vector<PaneRows> one = StackPanes(8, 301, 1, 10);
    ASSERT_EQ(1U, one.size());
    EXPECT_EQ(301, one[0].height);
    // Too few rows: every pane still has one.
    for (const PaneRows &rows : StackPanes(0, 3, 2, 10)) {
        EXPECT_GE(rows.height, 1);
    }
}

// A stereo file: a loud 1 kHz tone on the left, a quiet 2.5 kHz tone on the right, or silence.
struct StereoPanes {
    explicit StereoPanes(bool silentRight) {
        const std::string path =
            WriteWave("stereo-panes.wav", 8000, 2, 16000, [silentRight](long long k, int c) {
                return c == 0 ? Tone(1000.0, 8000.0, k, 0.5)
                              : (silentRight ? 0.0 : Tone(2500.0, 8000.0, k, 0.05));
            });
        file.OpenForReading(path);
        channels = PaneChannels(ChannelChoice::SideBySide, file.channels);
        SpectrogramSettings settings;
        settings.N = 512;
        settings.width = 20;
        settings.height = 64;
        for (FrameChannel channel : channels) {
            auto source = std::make_unique<WaveFrameSource>(file, channel);
            auto pane = std::make_unique<Spectrogram>();
            EXPECT_EQ(SpectrogramOutcome::Ready, pane->Start(*source, settings));
            while (!pane->Finished()) {
                pane->Step(100);
            }
            sources.push_back(std::move(source));
            panes.push_back(std::move(pane));
        }
    }
    std::vector<const Spectrogram *> Panes() const { return {panes[0].get(), panes[1].get()}; }
    double Brightest(int pane, int x) const {
        const Spectrogram &s = *panes[static_cast<std::size_t>(pane)];
        int best = 0;
        for (int y = 0; y < s.Settings().height; ++y) {
            best = s.Level(x, y) > s.Level(x, best) ? y : best;
        }
        return s.FrequencyAt(best + 0.5);
    }
    WaveFile file;
    std::vector<FrameChannel> channels;
    std::vector<std::unique_ptr<WaveFrameSource>> sources;
    std::vector<std::unique_ptr<Spectrogram>> panes;
};

TEST(SpectrogramPanes, EachPaneShowsItsOwnChannelAndTheLoudestSetsTheTop) {
    const StereoPanes stereo(false);
    ASSERT_EQ(2U, stereo.panes.size());
    for (int x = 0; x < 20; ++x) {
        EXPECT_NEAR(1000.0, stereo.Brightest(0, x), 8000.0 / 128);
        EXPECT_NEAR(2500.0, stereo.Brightest(1, x), 8000.0 / 128);
    }
    EXPECT_DOUBLE_EQ(stereo.panes[0]->DefaultDbTop(), DefaultDbTop(stereo.Panes()));
    EXPECT_GT(stereo.panes[0]->DefaultDbTop(), stereo.panes[1]->DefaultDbTop() + 15.0);

    // A silent channel does not pull the top to 0 dB: the other pane's level sets it.
    const StereoPanes half(true);
    EXPECT_DOUBLE_EQ(half.panes[0]->DefaultDbTop(), DefaultDbTop(half.Panes()));
    EXPECT_DOUBLE_EQ(0.0, DefaultDbTop({half.panes[1].get()}));
}

TEST(SpectrogramPanes, TheDataOfBothPanesGoesToOneFileChannelByChannel) {
    const StereoPanes stereo(false);
    const std::string path = ::testing::TempDir() + "panes.csv";
    ASSERT_TRUE(WriteSpectrogramPanesCsv(path, stereo.Panes(), stereo.channels));
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(1U + 2U * 20U, lines.size());
    EXPECT_EQ(0U, lines[0].rfind("Channel,Time (s) \\ Frequency (Hz),", 0));
    EXPECT_EQ(0U, lines[1].rfind("Left,", 0));
    EXPECT_EQ(0U, lines[21].rfind("Right,", 0));
    // Each line: the channel, the time and one level per row.
    EXPECT_EQ(1 + 64, std::count(lines[21].begin(), lines[21].end(), ','));
    // Mismatched lists are refused rather than written half.
    EXPECT_FALSE(WriteSpectrogramPanesCsv(path, stereo.Panes(), {FrameChannel::Left}));
    EXPECT_FALSE(WriteSpectrogramPanesCsv(path, {}, {}));
}

} // namespace
