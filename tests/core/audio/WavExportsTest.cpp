#include "core/audio/WavExports.h"

#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "tests/core/audio/GeneratedWave.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using namespace kaldorium;
using kaldorium::testing::TempPath;
using kaldorium::testing::Tone;
using kaldorium::testing::WriteWave;

namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// printf of the C library, the independent reference of every number written.
template <typename... Args> std::string Printf(const char *format, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string Rule(int width) {
    return std::string(static_cast<std::size_t>(width), '=') + "\r\n";
}

// ---------------------------------------------------------------------------------------------

struct NameCase {
    const char *input;
    const char *suggested;
};

class SuggestedNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SuggestedNameTest, IsTheNameUpToItsFirstDotWithDFT) {
    EXPECT_EQ(GetParam().suggested, SuggestedSpectrumFileName(GetParam().input));
}

INSTANTIATE_TEST_SUITE_P(Names, SuggestedNameTest,
                         ::testing::Values(NameCase{"/home/u/WAVs/song.wav", "song.DFT"},
                                           NameCase{"song.wav", "song.DFT"},
                                           NameCase{"/a.b/noext", "noext.DFT"},
                                           NameCase{"/x/take.2.final.wav", "take.DFT"},
                                           NameCase{"", ".DFT"}));

class SpectrumFileTest : public ::testing::TestWithParam<bool> {};

TEST_P(SpectrumFileTest, WritesTheHeaderAndOneLinePerBinOfTheLowerHalf) {
    const bool fft = GetParam();
    const std::string wave = WriteWave("export.wav", 44100, 2, 3000,
                                       [](long long k, int) { return Tone(2500.0, 44100, k); });
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(wave));
    SpectrumAnalysis analysis;
    WaveFrameSource frames(file);
    ASSERT_EQ(AnalysisOutcome::Done, analysis.Run(frames, fft, WindowKind::Blackman));
    const std::string path = TempPath("export.DFT");
    ASSERT_EQ(ExportResult::Done, WriteSpectrumFile(path, analysis, wave, "Blackman"));

    const char *kind = fft ? "FFT" : "DFT";
    const int N = fft ? 512 : 441;
    std::string expected = "Data From The KALDOR Program: WAV File Spectral Analysis\r\n" +
                           Rule(56) + "WAV FileData: Name = " + wave + "\r\n" + Rule(63) +
                           Printf("Sample Rate = %li   Ts = %lf  Total Samples = %li  \r\n", 44100L,
                                  1.0 / 44100, 3000L) +
                           Printf("Maximum Frequency = %li   %s Samples = %i  Window=%s\r\n",
                                  22050L, kind, N, "Blackman") +
                           Rule(63) + Printf("         Frequency               %s\r\n", kind) +
                           Rule(63);
    for (int i = 0; i < N / 2; ++i) {
        expected += Printf("%20lf%20lf\r\n", i * (44100.0 / N), analysis.magnitudes[i]);
    }
    EXPECT_EQ(expected, ReadAll(path));
}

INSTANTIATE_TEST_SUITE_P(Transforms, SpectrumFileTest, ::testing::Bool());

TEST(SpectrumFile, OfAFileTooShortIsItsHeaderOnly) {
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(WriteWave("none.wav", 8000, 1, 0, nullptr)));
    SpectrumAnalysis analysis;
    WaveFrameSource frames(file);
    ASSERT_EQ(AnalysisOutcome::TooShort, analysis.Run(frames, false, WindowKind::NoWindow));
    const std::string path = TempPath("none.DFT");
    ASSERT_EQ(ExportResult::Done, WriteSpectrumFile(path, analysis, "none.wav", "No Window"));
    const std::string text = ReadAll(path);
    EXPECT_NE(std::string::npos, text.find("DFT Samples = 0  Window=No Window\r\n"));
    EXPECT_EQ(Rule(63), text.substr(text.size() - 65));
}

// ---------------------------------------------------------------------------------------------

class RawSamplesTest : public ::testing::TestWithParam<int> {};

TEST_P(RawSamplesTest, WritesTimeAndEveryChannelEachFollowedByATab) {
    const int channels = GetParam();
    const std::string wave = WriteWave("raw.wav", 11025, channels, 5000, [](long long k, int c) {
        return Tone(440.0 * (c + 1), 11025, k, 0.9) - 0.0001;
    });
    WaveFile file;
    ASSERT_TRUE(file.OpenForReading(wave));
    const std::string path = TempPath("raw.txt");
    long long blocks = 0;
    ASSERT_EQ(ExportResult::Done,
              WriteRawSamples(file, "In.wav", path, [&](long long b, long long) {
                  blocks = b;
                  return true;
              }));
    EXPECT_EQ(5000 / RawSamplesFramesPerBlock, blocks);

    std::string expected = "Raw Samples form:In.wav\r\n" + Rule(36) +
                           Printf("Channels=%i   Samples/Sec=%lu   Bytes/Sample=%i   Total "
                                  "Samples=%lu, Seconds=%f\r\n",
                                  channels, 11025UL, 2 * channels, 5000UL,
                                  5000.0 * 2 * channels / (11025.0 * 2 * channels)) +
                           Rule(93) + "Time(millisecs)\t\tChannel 1\t\tChannel 2\r\n" + Rule(93);
    WaveFile again;
    ASSERT_TRUE(again.OpenForReading(wave));
    double t = 0.0;
    for (int k = 0; k < 5000; ++k) {
        expected += Printf("%15f\t", t);
        for (int c = 0; c < channels; ++c) {
            float v = 0.0f;
            again.ReadValue(v);
            expected += Printf("%15f\t", static_cast<double>(v));
        }
        expected += "\r\n";
        t += (1.0 / 11025) * 1000;
    }
    EXPECT_EQ(expected, ReadAll(path));
}

INSTANTIATE_TEST_SUITE_P(Channels, RawSamplesTest, ::testing::Values(1, 2));

TEST(CopyWaveFile, WritesAPlainHeaderAndTheSampleBytes) {
    // The fixture's format chunk has an extension; the copy's is the plain 16-byte form.
    const std::string source = std::string(KALDORIUM_TEST_DATA) + "/wav/8000-1-24-extensible.wav";
    WaveFile input;
    ASSERT_TRUE(input.OpenForReading(source));
    const std::string path = TempPath("copy.wav");
    ASSERT_EQ(ExportResult::Done, CopyWaveFile(input, path));
    EXPECT_TRUE(input.IsReading());

    const std::string copy = ReadAll(path);
    ASSERT_EQ(44u + input.dataBytes, copy.size());
    WaveFile check;
    ASSERT_TRUE(check.OpenForReading(path));
    EXPECT_EQ(input.channels, check.channels);
    EXPECT_EQ(input.sampleRate, check.sampleRate);
    EXPECT_EQ(input.byteRate, check.byteRate);
    EXPECT_EQ(input.blockAlign, check.blockAlign);
    EXPECT_EQ(input.bitsPerSample, check.bitsPerSample);
    EXPECT_EQ(input.dataBytes, check.dataBytes);
    EXPECT_EQ(std::string("RIFF"), copy.substr(0, 4));
    EXPECT_EQ(std::string("fmt \x10\0\0\0", 8), copy.substr(12, 8));
    const std::string original = ReadAll(source);
    EXPECT_NE(std::string::npos, original.find(copy.substr(44)));
}

// Every export reports a file it cannot create, a disk that fills, and an input that ends before
// its header says.
TEST(Exports, ReportFilesThatCannotBeCreatedOrWrittenAndShortInputs) {
    const std::string wave = WriteWave("short.wav", 8000, 2, 20000,
                                       [](long long k, int) { return Tone(100.0, 8000, k); });
    WaveFile input;
    SpectrumAnalysis analysis;
    ASSERT_TRUE(input.OpenForReading(wave));
    WaveFrameSource frames(input);
    ASSERT_EQ(AnalysisOutcome::Done, analysis.Run(frames, false, WindowKind::NoWindow));

    const std::string missing = TempPath("no-such-folder/out.txt");
    for (const std::string &out : {missing, std::string("/dev/full")}) {
        SCOPED_TRACE(out);
        const ExportResult expected =
            out == missing ? ExportResult::CannotCreate : ExportResult::WriteFailed;
        EXPECT_EQ(expected, WriteSpectrumFile(out, analysis, wave, "No Window"));
        ASSERT_TRUE(input.RewindToSamples());
        EXPECT_EQ(expected, WriteRawSamples(input, wave, out));
        EXPECT_EQ(expected, CopyWaveFile(input, out));
    }

    // The input is kept open while the file shrinks under it.
    ASSERT_TRUE(input.OpenForReading(wave));
    std::filesystem::resize_file(wave, 44 + 1000);
    EXPECT_EQ(ExportResult::ReadFailed, WriteRawSamples(input, wave, TempPath("short.txt")));
    ASSERT_TRUE(input.RewindToSamples());
    EXPECT_EQ(ExportResult::ReadFailed, CopyWaveFile(input, TempPath("short-copy.wav")));
    EXPECT_EQ("Could not read all the samples of the input file " + wave,
              ExportFailureText(ExportResult::ReadFailed, "x", wave));
}

} // namespace
