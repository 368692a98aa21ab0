#include "core/audio/SpeakerFeed.h"
#include "core/audio/FrameRing.h"
#include "core/audio/SpeakerSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

// ---- The ring against a plain queue, written and read in chunks that wrap round its end.

struct RingCase {
    int channels, capacity, writeChunk, readChunk;
};

class FrameRingTest : public testing::TestWithParam<RingCase> {};

TEST_P(FrameRingTest, KeepsOrderAcrossTheEndAndRefusesWhatDoesNotFit) {
    const RingCase c = GetParam();
    FrameRing ring;
    ring.Configure(c.channels, c.capacity);
    std::deque<double> model;
    double next = 0.0;
    std::vector<double> in, out;
    for (int round = 0; round < 50; ++round) {
        in.clear();
        for (int i = 0; i < c.writeChunk * c.channels; ++i) {
            in.push_back(next++);
        }
        const int taken = ring.Write(in);
        ASSERT_EQ(taken,
                  std::min(c.writeChunk, c.capacity - static_cast<int>(model.size()) / c.channels));
        model.insert(model.end(), in.begin(), in.begin() + taken * c.channels);
        next -= static_cast<double>((c.writeChunk - taken) * c.channels);
        out.assign(static_cast<std::size_t>(c.readChunk * c.channels), -1.0);
        const int read = ring.Read(out.data(), c.readChunk);
        ASSERT_EQ(read, std::min(c.readChunk, static_cast<int>(model.size()) / c.channels));
        for (int i = 0; i < read * c.channels; ++i) {
            ASSERT_EQ(out[static_cast<std::size_t>(i)], model.front()) << round;
            model.pop_front();
        }
        ASSERT_EQ(ring.Size() * c.channels, static_cast<int>(model.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Chunks, FrameRingTest,
                         testing::Values(RingCase{1, 10, 3, 2},  // fills, then refuses
                                         RingCase{2, 10, 7, 7},  // wraps every round
                                         RingCase{2, 16, 5, 11}, // drains, reads past empty
                                         RingCase{3, 1, 2, 1}));

// ---- Samples for the speaker.

struct SpeakerCase {
    double x;
    std::int16_t int16;
    float float32;
};

TEST(SpeakerSamplesTest, ClipsAndConvertsWithoutRaisingFlags) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<SpeakerCase> cases = {{0.0, 0, 0.0f},
                                            {0.5, 16384, 0.5f},
                                            {-0.5, -16384, -0.5f},
                                            {1.0, 32767, 1.0f},
                                            {-1.0, -32767, -1.0f},
                                            {1e-6, 0, 1e-6f},
                                            {0.99999, 32767, 0.99999f},
                                            // clipped:
                                            {1.5, 32767, 1.0f},
                                            {-2.0, -32767, -1.0f},
                                            {inf, 32767, 1.0f},
                                            {-inf, -32767, -1.0f},
                                            {std::nan(""), 0, 0.0f}};
    std::vector<double> xs;
    for (const SpeakerCase &c : cases) {
        xs.push_back(c.x);
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    std::vector<std::byte> int16(xs.size() * 2), float32(xs.size() * 4);
    ConvertForSpeaker(xs, SpeakerFormat::Int16, int16.data());
    ConvertForSpeaker(xs, SpeakerFormat::Float32, float32.data());
    std::vector<double> clipped = xs;
    EXPECT_EQ(ClipForSpeaker(clipped), 5);
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_OVERFLOW | FE_DIVBYZERO), 0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].x);
        std::int16_t s;
        float f;
        std::memcpy(&s, &int16[2 * i], 2);
        std::memcpy(&f, &float32[4 * i], 4);
        EXPECT_EQ(s, cases[i].int16);
        EXPECT_EQ(f, cases[i].float32);
        EXPECT_EQ(clipped[i], std::isnan(xs[i]) ? 0.0 : std::clamp(xs[i], -1.0, 1.0));
    }
}

// ---- The feed between a run and a device.

class SpeakerFeedTest : public testing::Test {
protected:
    std::unique_ptr<SpeakerFeed> feed = std::make_unique<SpeakerFeed>();
    std::vector<std::byte> device; // every byte the device took

    // The device takes up to `frames` frames, `bytesPerWrite` bytes at a time, and still holds
    // `holds` of them unplayed afterwards.
    long long Play(long long frames, long long holds = 0, std::size_t bytesPerWrite = 1u << 20) {
        const long long before = feed->WrittenFrames();
        for (long long got = 0; got < frames; got = feed->WrittenFrames() - before) {
            const auto ready = feed->Ready(static_cast<int>(std::min(frames - got, 1LL << 20)));
            if (ready.empty()) {
                break;
            }
            const std::size_t n = std::min(ready.size(), bytesPerWrite);
            device.insert(device.end(), ready.begin(), ready.begin() + static_cast<long>(n));
            feed->Taken(n);
        }
        feed->SinkHolds(holds);
        return feed->WrittenFrames() - before;
    }
};

TEST_F(SpeakerFeedTest, PlaysThePushedFramesExactlyThroughOddWrites) {
    ASSERT_EQ(feed->Configure(44100, 2, 44100, SpeakerFormat::Int16), "");
    EXPECT_FALSE(feed->Resampling());
    std::vector<double> frames;
    for (int i = 0; i < 2 * 1000; ++i) {
        frames.push_back(std::sin(0.01 * i));
    }
    int pushed = 0;
    while (pushed < 1000) {
        const std::span<const double> rest(frames.begin() + 2 * pushed, frames.end());
        pushed += feed->Push(rest.first(std::min<std::size_t>(rest.size(), 2 * 300)));
        EXPECT_EQ(feed->QueuedFrames(), pushed - feed->PlayedFrames());
        Play(700, 0, 3); // a device taking three bytes at a time
    }
    Play(1000, 0, 3);
    EXPECT_EQ(feed->PlayedFrames(), 1000);
    std::vector<std::byte> expected(frames.size() * 2);
    ConvertForSpeaker(frames, SpeakerFormat::Int16, expected.data());
    EXPECT_EQ(device, expected);
}

TEST_F(SpeakerFeedTest, QueueHoldsFiftyMillisecondsAndThePlayedClockFollowsTheDevice) {
    ASSERT_EQ(feed->Configure(8000, 1, 8000, SpeakerFormat::Float32), "");
    const std::vector<double> second(8000, 0.1);
    EXPECT_EQ(feed->Push(second), 400);
    EXPECT_EQ(feed->FreeFrames(), 0);
    ASSERT_EQ(Play(400, 150), 400); // the device has played 250 of the 400 written
    EXPECT_EQ(feed->PlayedFrames(), 250);
    feed->SinkHolds(300); // a level that would turn the clock back is ignored
    EXPECT_EQ(feed->PlayedFrames(), 250);
    EXPECT_EQ(feed->QueuedFrames(), 150);
}

TEST_F(SpeakerFeedTest, ClippingLightsUntilHalfASecondAfterItWasPlayed) {
    ASSERT_EQ(feed->Configure(1000, 2, 1000, SpeakerFormat::Float32), "");
    std::vector<double> block(2 * 50, 0.5);
    block[7] = 1.01;
    block[8] = -3.0;
    block[9] = std::nan("");
    EXPECT_EQ(feed->Push(block), 50);
    EXPECT_EQ(feed->ClippedSamples(), 3);
    EXPECT_TRUE(feed->Clipping());
    const std::vector<double> quiet(2 * 50, 0.5);
    for (int i = 0; i < 10; ++i) { // the played clock at 50 … 500
        Play(50);
        EXPECT_TRUE(feed->Clipping()) << i;
        feed->Push(quiet);
    }
    Play(50);
    EXPECT_FALSE(feed->Clipping());
    EXPECT_EQ(feed->ClippedSamples(), 3);
}

TEST_F(SpeakerFeedTest, CountsOneDropoutPerStarvationWhileFramesAreStillToCome) {
    ASSERT_EQ(feed->Configure(8000, 1, 8000, SpeakerFormat::Float32), "");
    EXPECT_FALSE(feed->SinkStarved()); // nothing written yet: the device is only waiting
    const std::vector<double> chunk(100, 0.2);
    feed->Push(chunk);
    Play(1000);
    EXPECT_TRUE(feed->SinkStarved());
    EXPECT_FALSE(feed->SinkStarved());
    feed->Push(chunk);
    Play(1000);
    EXPECT_TRUE(feed->SinkStarved());
    EXPECT_EQ(feed->Dropouts(), 2);
    feed->Push(chunk);
    feed->Finish();
    EXPECT_FALSE(feed->Drained());
    Play(1000);
    EXPECT_FALSE(feed->SinkStarved());
    EXPECT_TRUE(feed->Drained());
    EXPECT_EQ(feed->Dropouts(), 2);
}

// A rate the device refuses is resampled: the channels stay apart, the tone keeps its pitch, and
// finishing brings every frame out of the resampler's delay.
TEST_F(SpeakerFeedTest, ResamplesStereoToTheDeviceRate) {
    ASSERT_EQ(feed->Configure(8000, 2, 48000, SpeakerFormat::Float32), "");
    EXPECT_TRUE(feed->Resampling());
    std::vector<double> frames;
    for (int n = 0; n < 8000; ++n) {
        frames.push_back(0.5 * std::sin(2 * std::numbers::pi * 1000 * n / 8000.0));
        frames.push_back(0.0);
    }
    for (std::size_t at = 0; at < frames.size();) {
        at += 2 * static_cast<std::size_t>(feed->Push(std::span(frames).subspan(at)));
        Play(1 << 20);
    }
    feed->Finish();
    Play(1 << 20);
    EXPECT_TRUE(feed->Drained());
    EXPECT_EQ(feed->PlayedFrames(), 8000);
    std::vector<float> y(device.size() / 4);
    std::memcpy(y.data(), device.data(), device.size());
    EXPECT_NEAR(static_cast<double>(y.size()) / 2, 48000.0, 48000 * 0.01);
    double left = 0.0, right = 0.0;
    std::complex<double> tone;
    for (std::size_t m = 4800; m < 43200; ++m) {
        left = std::max(left, std::fabs(static_cast<double>(y[2 * m])));
        right = std::max(right, std::fabs(static_cast<double>(y[2 * m + 1])));
        tone += static_cast<double>(y[2 * m]) *
                std::polar(1.0, -2 * std::numbers::pi * 1000 * static_cast<double>(m) / 48000);
    }
    EXPECT_NEAR(left, 0.5, 0.01);
    EXPECT_LT(right, 1e-6);
    EXPECT_NEAR(2 * std::abs(tone) / 38400, 0.5, 0.01);
}

struct RefusalCase {
    double rate;
    int channels;
    double deviceRate;
    std::string error;
};

class SpeakerFeedRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(SpeakerFeedRefusalTest, NamesWhatCannotBePlayed) {
    const RefusalCase c = GetParam();
    SpeakerFeed feed;
    EXPECT_EQ(feed.Configure(c.rate, c.channels, c.deviceRate, SpeakerFormat::Int16), c.error);
    const std::vector<double> frame(static_cast<std::size_t>(std::max(c.channels, 1)), 0.1);
    EXPECT_EQ(feed.Push(frame), c.error.empty() ? 1 : 0);
}

const std::string Refused = "The sound device cannot play a sample rate of ";
INSTANTIATE_TEST_SUITE_P(
    Rates, SpeakerFeedRefusalTest,
    testing::Values(RefusalCase{14000000, 1, 44100, Refused + "14000000 Hz"}, // AM at 2 kHz
                    RefusalCase{50, 1, 48000, Refused + "50 Hz"},
                    RefusalCase{0, 1, 48000, Refused + "0 Hz"},
                    RefusalCase{std::nan(""), 1, 48000, Refused + "NAN Hz"},
                    RefusalCase{44100, 0, 44100, "The sound device cannot play 0 channels"},
                    RefusalCase{44100, 9, 44100, "The sound device cannot play 9 channels"},
                    RefusalCase{44100.3, 2, 44100, ""}, // within half a hertz: as it is
                    RefusalCase{705600, 1, 44100, ""},  // sixteen frames to one
                    RefusalCase{40000, 1, 40000, ""}));

} // namespace
