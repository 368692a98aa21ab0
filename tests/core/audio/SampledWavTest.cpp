#include "core/audio/SampledWav.h"

#include "core/audio/WaveFile.h"
#include "core/tools/SampledSound.h"
#include "core/tools/SamplingSignal.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace kaldorium;
using kaldorium::testing::TempPath;

namespace {

TEST(SampledWavTest, WrittenSamplesReadBackAtTheRoundedRate) {
    SamplingSettings s;
    s.sampleRate = 8000.4;
    s.signalFrequency = 700.0;
    s.bits = 4;
    SamplingSignal signal;
    ASSERT_TRUE(signal.Configure(s));
    const std::string path = TempPath("sampled.wav");
    std::string error;
    ASSERT_TRUE(WriteSampledWav(path, signal, 0.1, error)) << error;

    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(path)) << file.LastError();
    EXPECT_EQ(file.sampleRate, 8000u);
    EXPECT_EQ(file.channels, 1);
    EXPECT_EQ(file.bitsPerSample, 16);
    EXPECT_EQ(file.dataBytes, 2u * 800u);
    for (long long n = 0; n < 800; ++n) {
        double value = 0.0;
        ASSERT_TRUE(file.ReadValue(value));
        ASSERT_NEAR(value, signal.QuantisedSample(n), 0.5 / 32767.0) << n;
    }
}

TEST(SampledWavTest, RatesAFileCannotHoldAreRefused) {
    SamplingSettings s;
    s.sampleRate = 0.4;
    SamplingSignal signal;
    ASSERT_TRUE(signal.Configure(s));
    std::string error;
    EXPECT_FALSE(WriteSampledWav(TempPath("slow.wav"), signal, 1.0, error));
    EXPECT_EQ(error, "A WAVE file cannot hold a sample rate of 0.4 Hz");
    s.sampleRate = 8000.0;
    ASSERT_TRUE(signal.Configure(s));
    EXPECT_FALSE(WriteSampledWav(TempPath("no/such/folder.wav"), signal, 1.0, error));
    EXPECT_EQ(error, "Couldn't open output file");
}

std::vector<double> ReadAll(const std::string &path, WaveFile &file) {
    std::vector<double> values;
    EXPECT_TRUE(file.OpenForReading(path)) << file.LastError();
    double v = 0.0;
    for (std::uint32_t i = 0; i < file.dataBytes / 2 && file.ReadValue(v); ++i) {
        values.push_back(v);
    }
    return values;
}

// What the player plays is the alias: 7 kHz sampled at 8 kHz sounds as 1 kHz at the device's
// rate, and a sweep lasts its time.
TEST(SampledWavTest, TheReconstructedSoundCarriesTheAlias) {
    SamplingSettings s;
    s.signalFrequency = 7000.0;
    s.amplitude = 0.5;
    s.reconstruction = ReconstructionKind::Sinc;
    const std::string path = TempPath("heard.wav");
    std::string error;
    ASSERT_TRUE(WriteReconstructedWav(path, s, 0.5, 44100.0, false, error)) << error;
    WaveFile file;
    const std::vector<double> heard = ReadAll(path, file);
    EXPECT_EQ(file.sampleRate, 44100u);
    ASSERT_EQ(heard.size(), 22050u);
    int crossings = 0;
    double peak = 0.0;
    for (std::size_t i = 4410; i < heard.size(); ++i) {
        crossings += (heard[i - 1] < 0.0) != (heard[i] < 0.0);
        peak = std::max(peak, std::abs(heard[i]));
    }
    // 0.4 s of 1 kHz cross zero 800 times.
    EXPECT_NEAR(crossings, 800, 4);
    EXPECT_NEAR(peak, 0.5, 0.02);

    ASSERT_TRUE(WriteReconstructedWav(path, s, 0.25, 44100.0, true, error)) << error;
    WaveFile swept;
    EXPECT_EQ(ReadAll(path, swept).size(), 11025u);

    s.sampleRate = 1e7;
    EXPECT_FALSE(WriteReconstructedWav(path, s, 1.0, 44100.0, false, error));
    EXPECT_EQ(error, PlaybackError(s, 44100.0));
    s.sampleRate = 8000.0;
    EXPECT_FALSE(WriteReconstructedWav(path, s, 0.0, 44100.0, false, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
