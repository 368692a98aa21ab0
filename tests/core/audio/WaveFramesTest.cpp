#include "core/audio/WaveFrames.h"

#include "core/audio/WaveFile.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace kaldorium;
using kaldorium::testing::ReadChannel;
using kaldorium::testing::WriteWave;

namespace {

// A chosen channel, or the mean of all, read in order and after seeks, against the samples
// ReadValue delivers.
class WaveFramesTest : public ::testing::TestWithParam<std::tuple<int, int, FrameChannel>> {};

TEST_P(WaveFramesTest, DeliversTheChosenChannelFromAnyFrame) {
    const auto [bits, channels, choice] = GetParam();
    // Long enough for 16-bit stereo to need several refills of the source's 64 KiB buffer.
    const long long S = 40000;
    const std::string path = WriteWave(
        "frames.wav", 8000, channels, S,
        [](long long k, int c) { return ((k * 37 + c * 101) % 200 - 100) / 101.0; }, bits);
    std::vector<double> expected(static_cast<std::size_t>(S), 0.0);
    for (int c = 0; c < channels; ++c) {
        const bool taken = choice == FrameChannel::Sum || c == static_cast<int>(choice) ||
                           (choice == FrameChannel::Right && channels == 1);
        if (!taken) {
            continue;
        }
        const std::vector<double> values = ReadChannel(path, c);
        for (std::size_t k = 0; k < expected.size(); ++k) {
            expected[k] += values[k];
        }
    }
    if (choice == FrameChannel::Sum) {
        for (double &value : expected) {
            value /= channels;
        }
    }

    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(path));
    WaveFrameSource frames(file, choice);
    std::vector<double> all(static_cast<std::size_t>(S));
    frames.Read(all.data(), static_cast<int>(S));
    for (std::size_t k = 0; k < all.size(); k += 997) {
        ASSERT_DOUBLE_EQ(expected[k], all[k]) << k;
    }
    // Backwards out of the buffer, forwards within it, past the end and back to the start.
    for (const long long at : {30000LL, 5LL, 7LL, 39998LL, 50000LL, 0LL}) {
        SCOPED_TRACE(at);
        EXPECT_TRUE(frames.Seek(at));
        double got[4];
        frames.Read(got, 4);
        for (long long i = 0; i < 4; ++i) {
            const long long k = at + i;
            EXPECT_DOUBLE_EQ(k < S ? expected[static_cast<std::size_t>(k)] : 0.0, got[i]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndChannels, WaveFramesTest,
                         ::testing::Combine(::testing::Values(8, 16), ::testing::Values(1, 2, 3),
                                            ::testing::Values(FrameChannel::Left,
                                                              FrameChannel::Right,
                                                              FrameChannel::Sum)));

TEST(WaveFrames, ASeekOnAClosedFileFailsAndReadsSilence) {
    const std::string path =
        WriteWave("closed.wav", 8000, 1, 100, [](long long, int) { return 0.5; });
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(path));
    WaveFrameSource frames(file);
    file.CloseFile();
    EXPECT_FALSE(frames.Seek(10));
    double value = 1.0;
    frames.Read(&value, 1);
    EXPECT_EQ(0.0, value);
}

} // namespace
