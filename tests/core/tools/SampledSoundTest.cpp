#include "core/tools/SampledSound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace kaldorium;

namespace {

// Zero crossings per second of y[first … first + count), halved: a tone's frequency.
double CrossingFrequency(const std::vector<double> &y, std::size_t first, std::size_t count,
                         double rate) {
    int crossings = 0;
    for (std::size_t m = first + 1; m < first + count; ++m) {
        crossings += (y[m - 1] < 0.0) != (y[m] < 0.0) ? 1 : 0;
    }
    return 0.5 * crossings * rate / static_cast<double>(count);
}

// The sweep runs 0 … 2·fs; what is heard is the alias: at 1.25·fs it is 0.25·fs, not 1.25·fs.
TEST(SamplingSweepTest, TheAliasIsHeardAndTheSweepEndsIdle) {
    SamplingSettings s;
    s.sampleRate = 8000.0;
    s.bits = ExactBits;
    s.reconstruction = ReconstructionKind::Sinc;
    auto sweep = std::make_unique<SamplingSweep>();
    const double rate = 48000.0;
    ASSERT_TRUE(sweep->Start(s, 2.0, rate));
    std::vector<double> heard;
    std::vector<double> chunk(1500);
    while (sweep->Running()) {
        const int made = sweep->Step(chunk);
        heard.insert(heard.end(), chunk.begin(), chunk.begin() + made);
    }
    EXPECT_EQ(heard.size(), 96000u);
    EXPECT_DOUBLE_EQ(sweep->Frequency(), 16000.0);
    EXPECT_EQ(sweep->Step(chunk), 0);

    // 20 ms around 1.25 s (10 kHz): about 2 kHz, the sweep moving 160 Hz meanwhile.
    EXPECT_NEAR(CrossingFrequency(heard, 59520, 960, rate), 2000.0, 100.0);
    // Around 0.25 s it is the signal itself, 2 kHz again.
    EXPECT_NEAR(CrossingFrequency(heard, 11520, 960, rate), 2000.0, 100.0);
}

TEST(SamplingSweepTest, RefusesWhatItCannotRun) {
    SamplingSweep sweep;
    SamplingSettings s;
    EXPECT_FALSE(sweep.Start(s, 0.0, 48000.0));
    EXPECT_FALSE(sweep.Start(s, 1.0, 0.0));
    s.sampleRate = 800000.0;
    EXPECT_FALSE(sweep.Start(s, 1.0, 48000.0));
    EXPECT_EQ(PlaybackError(s, 48000.0),
              "A sample rate of 800000 Hz is too high to be played at 48000 Hz");
    EXPECT_EQ(PlaybackError(s, 50000.0), "");
    s.sampleRate = -1.0;
    EXPECT_FALSE(sweep.Start(s, 1.0, 48000.0));
    EXPECT_FALSE(sweep.Running());
}

// An edit while playing continues the waveform: the heard sine has no jump where the amplitude
// changed, only the new amplitude.
TEST(SampledSoundTest, EditsWhilePlayingContinueTheWaveform) {
    SamplingSettings s;
    s.bits = ExactBits;
    s.reconstruction = ReconstructionKind::Linear;
    auto sound = std::make_unique<SampledSound>();
    ASSERT_TRUE(sound->Start(s, 48000.0));
    std::vector<double> y(4800);
    sound->Render(y);
    s.amplitude = 0.5;
    ASSERT_TRUE(sound->Update(s));
    std::vector<double> after(4800);
    sound->Render(after);
    // Steps between frames stay within what a 1 kHz sine of amplitude 1 makes at 48 kHz.
    const double largestStep = 2.0 * M_PI * 1000.0 / 48000.0;
    EXPECT_LE(std::fabs(after[0] - y.back()), largestStep);
    double peak = 0.0;
    for (std::size_t m = 2400; m < after.size(); ++m) {
        peak = std::max(peak, std::fabs(after[m]));
    }
    EXPECT_NEAR(peak, 0.5, 0.02);
}

} // namespace
