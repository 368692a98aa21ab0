#include "core/audio/WaveFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using namespace kaldorium;

namespace {

using Bytes = std::vector<std::uint8_t>;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::string kData = std::string(KALDORIUM_TEST_DATA) + "/wav/";

Bytes Le(std::uint32_t v, int width) {
    Bytes out;
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes Text(const char *four) {
    return Bytes(four, four + 4);
}

// A chunk as it stands in a file: id, size (the real length unless given), body, pad byte.
Bytes Chunk(const char *id, const Bytes &body, std::int64_t size = -1) {
    Bytes out = Cat(
        {Text(id),
         Le(size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size),
            4),
         body});
    if (body.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

Bytes List(const char *id, const char *type, const Bytes &body, std::int64_t size = -1) {
    return Chunk(id, Cat({Text(type), body}), size);
}

Bytes Format(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return Cat(
        {Le(1, 2), Le(channels, 2), Le(rate, 4), Le(rate * align, 4), Le(align, 2), Le(bits, 2)});
}

const Bytes kMonoFormat = Chunk("fmt ", Format(1, 8000, 16));
const Bytes kThreeSamples = Chunk("data", Cat({Le(1000, 2), Le(0xFC18, 2), Le(32767, 2)}));

Bytes ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool HaveSox() {
    return std::system("sox --version > /dev/null 2>&1") == 0;
}

class WaveFileTest : public ::testing::Test {
protected:
    std::string Tmp(const std::string &name) const {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string unique = std::string(info->test_suite_name()) + "-" + info->name() + "-" + name;
        for (char &c : unique) {
            if (c == '/') {
                c = '_';
            }
        }
        return std::string(KALDORIUM_TEST_TMP) + "/" + unique;
    }

    std::string Put(const std::string &name, const Bytes &bytes) const {
        const std::string path = Tmp(name);
        WriteAll(path, bytes);
        return path;
    }

    // Writes a file of the given format through the writer, sample by sample.
    std::string WriteSamples(const std::string &name, std::uint16_t channels, std::uint16_t bits,
                             const std::vector<double> &values) const {
        WaveFile w;
        w.SetPcmFormat(8000, channels, bits);
        const std::string path = Tmp(name);
        EXPECT_TRUE(w.CreateForWriting(path));
        for (double v : values) {
            EXPECT_TRUE(w.WriteValue(v));
        }
        EXPECT_TRUE(w.CloseFile());
        return path;
    }
};

} // namespace

TEST_F(WaveFileTest, NewObjectIsClosedWithADirtyHeader) {
    WaveFile w;
    EXPECT_TRUE(w.headerDirty);
    EXPECT_EQ(w.LastError(), nullptr);
    EXPECT_EQ(w.dataBytes, 0u);
    EXPECT_EQ(w.bitsPerSample, 0);
    EXPECT_FALSE(w.RewindToSamples());
    EXPECT_TRUE(w.CloseFile());
    std::uint8_t b = 0;
    EXPECT_FALSE(w.WriteBytes(&b, 1));
    EXPECT_STREQ(w.LastError(), "Couldn't write samples");
    EXPECT_FALSE(w.ReadBytes(&b, 1));
    EXPECT_STREQ(w.LastError(), "Couldn't read samples");
}

TEST_F(WaveFileTest, EmptyWriterLeavesTheCanonicalHeader) {
    WaveFile w;
    w.SetPcmFormat(44100, 2, 16);
    ASSERT_TRUE(w.CreateForWriting(Tmp("empty.wav")));
    EXPECT_FALSE(w.headerDirty);
    ASSERT_TRUE(w.CloseFile());
    const Bytes expected = {'R', 'I', 'F',  'F',  36,  0,   0,    0,    'W', 'A', 'V',
                            'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                            2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1, 2,   0,   4,
                            0,   16,  0,    'd',  'a', 't', 'a',  0,    0,   0,   0};
    EXPECT_EQ(ReadAll(Tmp("empty.wav")), expected);
}

TEST_F(WaveFileTest, OddSampleBlockGetsNoPadByte) {
    const std::string path = WriteSamples("odd.wav", 1, 8, {-1.0, 0.0, 1.0});
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), 47u);
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 8), Le(39, 4));
    EXPECT_EQ(Bytes(file.begin() + 40, file.end()), Cat({Le(3, 4), {0, 127, 254}}));
}

struct Conversion {
    std::uint16_t bits;
    double written;
    int stored;
};

class SampleConversion : public WaveFileTest, public ::testing::WithParamInterface<Conversion> {};

// (x + 1)·127 and x·32767, truncated toward zero; values beyond the range saturate instead of
// wrapping round into loud noise.
TEST_P(SampleConversion, WritesTheStoredValue) {
    const Conversion c = GetParam();
    const std::string path = WriteSamples("one.wav", 1, c.bits, {c.written});
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), 44u + c.bits / 8);
    const int stored = c.bits == 8 ? file[44] : static_cast<std::int16_t>(file[44] | file[45] << 8);
    EXPECT_EQ(stored, c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, SampleConversion,
                         ::testing::Values(Conversion{8, -1.0, 0}, Conversion{8, 0.0, 127},
                                           Conversion{8, 1.0, 254}, Conversion{8, 0.5, 190},
                                           Conversion{8, -0.999, 0}, Conversion{8, 1.02, 255},
                                           Conversion{8, -1.5, 0}, Conversion{8, 1e300, 255},
                                           Conversion{8, -kInf, 0}, Conversion{8, NAN, 127},
                                           Conversion{16, 1.0, 32767}, Conversion{16, -1.0, -32767},
                                           Conversion{16, 0.5, 16383}, Conversion{16, -0.5, -16383},
                                           Conversion{16, 1.5, 32767}, Conversion{16, -1.5, -32768},
                                           Conversion{16, kInf, 32767}, Conversion{16, NAN, 0}));

TEST_F(WaveFileTest, ReadsBytesAndWordsAsValuesAroundZero) {
    const std::string path =
        Put("8.wav", Cat({Text("RIFF"), Le(40, 4), Text("WAVE"), Chunk("fmt ", Format(1, 8000, 8)),
                          Chunk("data", {0, 127, 255, 254})}));
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(path));
    double v = 9.0;
    const double expected[] = {-1.0, 0.0, 128.0 / 127.0, 1.0};
    for (double e : expected) {
        ASSERT_TRUE(r.ReadValue(v));
        EXPECT_DOUBLE_EQ(v, e);
    }
    const std::string path16 =
        Put("16.wav", Cat({Text("RIFF"), Le(42, 4), Text("WAVE"), kMonoFormat,
                           Chunk("data", Cat({Le(0x8000, 2), Le(16383, 2)}))}));
    ASSERT_TRUE(r.OpenForReading(path16));
    float f = 9.0f;
    ASSERT_TRUE(r.ReadValue(f));
    EXPECT_FLOAT_EQ(f, -32768.0f / 32767.0f);
    ASSERT_TRUE(r.ReadValue(v));
    EXPECT_DOUBLE_EQ(v, 16383.0 / 32767.0);
}

class RoundTrip : public WaveFileTest,
                  public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(RoundTrip, WrittenSamplesReadBack) {
    const auto [bits, channels] = GetParam();
    std::vector<double> values;
    for (int i = 0; i < 2 * 37; ++i) {
        values.push_back(std::sin(i * 0.37));
    }
    const std::string path = WriteSamples("rt.wav", static_cast<std::uint16_t>(channels),
                                          static_cast<std::uint16_t>(bits), values);
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(path));
    EXPECT_EQ(r.channels, channels);
    EXPECT_EQ(r.bitsPerSample, bits);
    EXPECT_EQ(r.blockAlign, channels * bits / 8);
    EXPECT_EQ(r.dataBytes, values.size() * static_cast<std::size_t>(bits / 8));
    const double step = bits == 8 ? 1.0 / 127 : 1.0 / 32767;
    for (double expected : values) {
        double v = 0.0;
        ASSERT_TRUE(r.ReadValue(v));
        EXPECT_NEAR(v, expected, step);
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndChannels, RoundTrip,
                         ::testing::Combine(::testing::Values(8, 16), ::testing::Values(1, 2)));

// The block forms give what value-by-value reading and writing give, also for frames that
// straddle the buffer's end (three 16-bit channels: 6 bytes into 64 KiB) and for 8-bit files.
TEST_F(WaveFileTest, BlockReadsAndWritesMatchValueByValue) {
    for (const auto &[channels, bits] : {std::pair{3, 16}, std::pair{2, 8}, std::pair{1, 16}}) {
        std::vector<double> values;
        for (int i = 0; i < 30001 * channels; ++i) {
            values.push_back(std::sin(i * 0.0137) * 0.9);
        }
        const std::string path = WriteSamples("blocks.wav", static_cast<std::uint16_t>(channels),
                                              static_cast<std::uint16_t>(bits), values);
        WaveFile byValue;
        WaveFile byBlock;
        ASSERT_TRUE(byValue.OpenForReading(path));
        ASSERT_TRUE(byBlock.OpenForReading(path));
        std::vector<double> firsts;
        std::vector<double> block(997);
        std::size_t read = 0;
        while ((read = byBlock.ReadFirstChannel(block.data(), block.size())) > 0) {
            firsts.insert(firsts.end(), block.begin(), block.begin() + static_cast<long>(read));
        }
        ASSERT_EQ(firsts.size(), 30001u);
        for (double first : firsts) {
            double v = 0.0;
            for (int c = 0; c < channels; ++c) {
                ASSERT_TRUE(byValue.ReadValue(c == 0 ? v : block[0]));
            }
            ASSERT_EQ(first, v);
        }
        EXPECT_STREQ(byBlock.LastError(), "Couldn't read samples");

        WaveFile out;
        out.SetPcmFormat(8000, channels, bits);
        ASSERT_TRUE(out.CreateForWriting(Tmp("blocks-out.wav")));
        ASSERT_TRUE(out.WriteToEveryChannel(firsts.data(), firsts.size()));
        ASSERT_TRUE(out.CloseFile());
        std::vector<double> everyChannel;
        for (double first : firsts) {
            everyChannel.insert(everyChannel.end(), static_cast<std::size_t>(channels), first);
        }
        const std::string expected =
            WriteSamples("values-out.wav", static_cast<std::uint16_t>(channels),
                         static_cast<std::uint16_t>(bits), everyChannel);
        EXPECT_EQ(ReadAll(Tmp("blocks-out.wav")), ReadAll(expected));
    }
}

// Files written by another program: s[i] = (i·1237 mod 65536) − 32768, b[i] = i·37 mod 256.
TEST_F(WaveFileTest, ReadsSixteenBitStereoFromAnotherProgram) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(kData + "8000-2-16-ramp.wav"));
    EXPECT_EQ(r.formatTag, 1);
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.sampleRate, 8000u);
    EXPECT_EQ(r.byteRate, 32000u);
    EXPECT_EQ(r.blockAlign, 4);
    EXPECT_EQ(r.dataBytes, 80u);
    for (int i = 0; i < 40; ++i) {
        std::int16_t s = 0;
        ASSERT_TRUE(r.ReadWordSample(s));
        EXPECT_EQ(s, (i * 1237) % 65536 - 32768);
    }
    ASSERT_TRUE(r.RewindToSamples());
    double v = 0.0;
    ASSERT_TRUE(r.ReadValue(v));
    EXPECT_DOUBLE_EQ(v, -32768.0 / 32767.0);
}

TEST_F(WaveFileTest, OddLengthDataIsFollowedByItsPadByteThenTheEnd) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(kData + "11025-1-8-odd-length.wav"));
    EXPECT_EQ(r.sampleRate, 11025u);
    ASSERT_EQ(r.dataBytes, 21u);
    for (int i = 0; i < 21; ++i) {
        std::uint8_t b = 0;
        ASSERT_TRUE(r.ReadByteSample(b));
        EXPECT_EQ(b, (i * 37) % 256);
    }
    // Reading does not stop at the end of the data: the pad byte comes next, then the end.
    double v = 9.0;
    EXPECT_TRUE(r.ReadValue(v));
    EXPECT_FALSE(r.ReadValue(v));
    EXPECT_STREQ(r.LastError(), "Couldn't read samples");
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(r.RewindToSamples());
    ASSERT_TRUE(r.ReadValue(v));
    EXPECT_DOUBLE_EQ(v, -1.0);
}

TEST_F(WaveFileTest, TwentyFourBitOpensButDoesNotConvert) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(kData + "8000-1-24-extensible.wav"));
    EXPECT_EQ(r.formatTag, 0xFFFE);
    EXPECT_EQ(r.bitsPerSample, 24);
    EXPECT_EQ(r.blockAlign, 3);
    EXPECT_EQ(r.dataBytes, 120u);
    double v = 9.0;
    EXPECT_FALSE(r.ReadValue(v));
    EXPECT_STREQ(r.LastError(), "Floats can be written only as 8 or 16-bit samples");
    EXPECT_EQ(v, 0.0);
    std::uint8_t b = 0;
    std::int16_t s = 0;
    EXPECT_FALSE(r.ReadByteSample(b));
    EXPECT_STREQ(r.LastError(), "Sample size mismatch");
    EXPECT_FALSE(r.ReadWordSample(s));
    EXPECT_FALSE(r.WriteByteSample(b));
    EXPECT_FALSE(r.WriteWordSample(s));
    EXPECT_STREQ(r.LastError(), "Sample size mismatch");
    // The extended format chunk and the fact chunk were stepped over: the first sample is
    // −32768 moved into the top 16 of 24 bits.
    std::uint8_t first[3];
    ASSERT_TRUE(r.ReadBytes(first, 3));
    EXPECT_EQ(Bytes(first, first + 3), (Bytes{0x00, 0x00, 0x80}));

    // Copied out, the format is written back in the plain 16-byte form.
    WaveFile w;
    w.TakeFormatOf(r);
    ASSERT_TRUE(w.CreateForWriting(Tmp("copy.wav")));
    EXPECT_FALSE(w.WriteValue(0.5));
    EXPECT_STREQ(w.LastError(), "Floats can be written only as 8 or 16-bit samples");
    ASSERT_TRUE(w.AppendSamplesOf(r));
    ASSERT_TRUE(w.CloseFile());
    const Bytes copy = ReadAll(Tmp("copy.wav"));
    const Bytes original = ReadAll(kData + "8000-1-24-extensible.wav");
    ASSERT_EQ(copy.size(), 44u + 120u);
    EXPECT_EQ(Bytes(copy.begin() + 16, copy.begin() + 24),
              Cat({Le(16, 4), Le(0xFFFE, 2), Le(1, 2)}));
    EXPECT_EQ(Bytes(copy.begin() + 44, copy.end()), Bytes(original.end() - 120, original.end()));
}

struct Layout {
    const char *name;
    Bytes file;
};

class ChunkLayout : public WaveFileTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(ChunkLayout, FindsFormatAndData) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(Put("layout.wav", GetParam().file))) << r.LastError();
    EXPECT_EQ(r.sampleRate, 8000u);
    EXPECT_EQ(r.dataBytes, 6u);
    std::int16_t s = 0;
    ASSERT_TRUE(r.ReadWordSample(s));
    EXPECT_EQ(s, 1000);
    ASSERT_TRUE(r.ReadWordSample(s));
    EXPECT_EQ(s, -1000);
}

Bytes Riff(std::initializer_list<Bytes> chunks) {
    const Bytes body = Cat(chunks);
    return Cat(
        {Text("RIFF"), Le(static_cast<std::uint32_t>(body.size() + 4), 4), Text("WAVE"), body});
}

const Bytes kInfo =
    List("LIST", "INFO", Cat({Chunk("INAM", {'a', 'b', 'c'}), Chunk("ICMT", {'x', 0})}));

INSTANTIATE_TEST_SUITE_P(
    Files, ChunkLayout,
    ::testing::Values(
        Layout{"canonical", Riff({kMonoFormat, kThreeSamples})},
        Layout{"dataBeforeFmt", Riff({kThreeSamples, kMonoFormat})},
        Layout{"listBetween", Riff({kMonoFormat, kInfo, kThreeSamples})},
        Layout{"oddChunkPadded", Riff({Chunk("junk", {1, 2, 3}), kMonoFormat,
                                       Chunk("odd ", {'d', 'a', 't', 'a', 9}), kThreeSamples})},
        Layout{"fmtExtension",
               Riff({Chunk("fmt ", Cat({Format(1, 8000, 16), Le(2, 2), Le(0xABCD, 2)})),
                     kThreeSamples})},
        Layout{"trailingChunks", Riff({kMonoFormat, kThreeSamples, kInfo})}),
    [](const auto &p) { return std::string(p.param.name); });

struct BadFile {
    const char *name;
    Bytes file;
    const char *error;
};

class BadFileTest : public WaveFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, FailsWithItsTextAndStaysClosed) {
    WaveFile r;
    EXPECT_FALSE(r.OpenForReading(Put("bad.wav", GetParam().file)));
    EXPECT_STREQ(r.LastError(), GetParam().error);
    EXPECT_FALSE(r.IsReading());
    double v = 9.0;
    EXPECT_FALSE(r.ReadValue(v));
    EXPECT_EQ(v, 0.0);
}

const char *const kNoOpen = "Couldn't open file";
const char *const kNoFmt = "Couldn't find RIFF, WAVE, or fmt";
const char *const kNoData = "Couldn't find data chunk";

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFile{"empty", {}, kNoOpen},
        BadFile{"notRiff", Cat({Text("RIFX"), Le(28, 4), Text("WAVE"), kMonoFormat}), kNoOpen},
        BadFile{"riffWithoutForm", Cat({Text("RIFF"), Le(4, 4)}), kNoOpen},
        BadFile{"otherForm", List("RIFF", "AVI ", Cat({kMonoFormat, kThreeSamples})), kNoFmt},
        BadFile{"emptyForm", Cat({Text("RIFF"), Le(40, 4), Le(0, 4), kMonoFormat}), kNoFmt},
        BadFile{"lowerCaseFmt", Riff({Chunk("FMT ", Format(1, 8000, 16)), kThreeSamples}), kNoFmt},
        BadFile{"shortFmt", Riff({Chunk("fmt ", Le(1, 4)), kThreeSamples}),
                "Error reading format chunk"},
        BadFile{"fmtCutOff",
                Cat({Text("RIFF"), Le(36, 4), Text("WAVE"), Text("fmt "), Le(16, 4), Le(1, 4)}),
                "Error reading format chunk"},
        BadFile{"noData", Riff({kMonoFormat, kInfo}), kNoData},
        // A RIFF size too small to reach the data chunk hides it.
        BadFile{"dataBeyondRiffSize",
                Cat({Text("RIFF"), Le(28, 4), Text("WAVE"), kMonoFormat, kThreeSamples}), kNoData},
        // Sizes of 2 GiB and more once turned negative and walked backwards or round in circles.
        BadFile{"chunkOfTwoGiB",
                Riff({kMonoFormat, Chunk("big ", {1, 2}, 0x80000000), kThreeSamples}), kNoData},
        BadFile{"chunkOfFourGiB",
                Riff({kMonoFormat, Chunk("big ", {1, 2}, 0xFFFFFFFF), kThreeSamples}), kNoData},
        BadFile{"riffOfFourGiB", Cat({Text("RIFF"), Le(0xFFFFFFFF, 4), Text("WAVE"), kMonoFormat}),
                kNoData},
        BadFile{"listShorterThanItsType",
                Riff({kMonoFormat, Chunk("LIST", {}, 0), Chunk("xyz ", {}), kThreeSamples}),
                kNoData},
        // A chunk reaching past its parent ends the search of the parent.
        BadFile{"dataInsideOverlongList",
                Riff({kMonoFormat, List("LIST", "INFO", {}, 0x7FFFFFF0), kThreeSamples}), kNoData}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(WaveFileTest, MissingFileCannotBeOpened) {
    WaveFile r;
    EXPECT_FALSE(r.OpenForReading(Tmp("does-not-exist.wav")));
    EXPECT_STREQ(r.LastError(), kNoOpen);
    WaveFile w;
    EXPECT_FALSE(w.CreateForWriting(Tmp("no-such-folder") + "/x.wav"));
    EXPECT_STREQ(w.LastError(), "Couldn't open output file");
    EXPECT_FALSE(w.IsWriting());
}

TEST_F(WaveFileTest, CutOffAnywhereFailsOrOpensButNeverOverruns) {
    const Bytes whole = Riff({kMonoFormat, kInfo, kThreeSamples});
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(::testing::Message() << "length " << length);
        WaveFile r;
        const bool opened = r.OpenForReading(
            Put("cut.wav", Bytes(whole.begin(), whole.begin() + static_cast<long>(length))));
        if (opened) {
            // A truncated recording has only the data bytes actually present.
            EXPECT_EQ(r.dataBytes, length - (whole.size() - 6));
            for (std::uint32_t i = 0; i < r.dataBytes; ++i) {
                std::uint8_t b = 0;
                EXPECT_TRUE(r.ReadBytes(&b, 1));
            }
            EXPECT_TRUE(r.RewindToSamples());
        } else {
            EXPECT_NE(r.LastError(), nullptr);
        }
    }
}

TEST_F(WaveFileTest, RewindAfterReadingPastTheEnd) {
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(Put("r.wav", Riff({kMonoFormat, kThreeSamples}))));
    double v = 0.0;
    while (r.ReadValue(v)) {
    }
    ASSERT_TRUE(r.RewindToSamples());
    ASSERT_TRUE(r.ReadValue(v));
    EXPECT_DOUBLE_EQ(v, 1000.0 / 32767.0);
}

TEST_F(WaveFileTest, WriterRewindsToTheFirstSampleByte) {
    WaveFile w;
    w.bitsPerSample = 8;
    ASSERT_TRUE(w.CreateForWriting(Tmp("w.wav")));
    ASSERT_TRUE(w.WriteByteSample(1));
    ASSERT_TRUE(w.WriteByteSample(2));
    ASSERT_TRUE(w.RewindToSamples());
    ASSERT_TRUE(w.WriteByteSample(3));
    ASSERT_TRUE(w.CloseFile());
    const Bytes file = ReadAll(Tmp("w.wav"));
    EXPECT_EQ(Bytes(file.begin() + 44, file.end()), (Bytes{3, 2}));
}

TEST_F(WaveFileTest, HeaderFollowsFieldsChangedWhileWriting) {
    WaveFile w;
    w.bitsPerSample = 16;
    w.sampleRate = 8000;
    ASSERT_TRUE(w.CreateForWriting(Tmp("speed.wav")));
    ASSERT_TRUE(w.WriteValue(0.25));
    EXPECT_TRUE(w.headerDirty);
    w.sampleRate = 16000;
    ASSERT_TRUE(w.CloseFile());
    WaveFile r;
    ASSERT_TRUE(r.OpenForReading(Tmp("speed.wav")));
    EXPECT_EQ(r.sampleRate, 16000u);
    EXPECT_EQ(r.dataBytes, 2u);
    // Opening a writer closes the reader first, and opening a reader closes a writer (header
    // included).
    ASSERT_TRUE(r.CreateForWriting(Tmp("second.wav")));
    ASSERT_TRUE(r.WriteValue(0.5));
    ASSERT_TRUE(r.OpenForReading(Tmp("speed.wav")));
    EXPECT_EQ(ReadAll(Tmp("second.wav")).size(), 46u);
    EXPECT_EQ(ReadAll(Tmp("second.wav"))[40], 2);
}

TEST_F(WaveFileTest, AppendCopiesEverySampleByte) {
    std::vector<double> values;
    for (int i = 0; i < 10000; ++i) {
        values.push_back(((i * 7) % 255) / 127.0 - 1.0);
    }
    const std::string source = WriteSamples("src.wav", 1, 8, values);
    WaveFile in;
    WaveFile out;
    EXPECT_FALSE(out.AppendSamplesOf(in));
    EXPECT_STREQ(out.LastError(), "Copy to an unopened file");
    ASSERT_TRUE(in.OpenForReading(source));
    out.TakeFormatOf(in);
    ASSERT_TRUE(out.CreateForWriting(Tmp("dst.wav")));
    WaveFile closed;
    EXPECT_FALSE(out.AppendSamplesOf(closed));
    EXPECT_STREQ(out.LastError(), "Copy from an unopened file");
    ASSERT_TRUE(out.WriteByteSample(7));
    double v = 0.0;
    ASSERT_TRUE(in.ReadValue(v)); // the copy starts over at the first sample anyway
    ASSERT_TRUE(out.AppendSamplesOf(in));
    EXPECT_EQ(out.dataBytes, 10001u);
    ASSERT_TRUE(out.CloseFile());
    const Bytes src = ReadAll(source);
    const Bytes dst = ReadAll(Tmp("dst.wav"));
    EXPECT_EQ(Bytes(dst.begin() + 4, dst.begin() + 8), Le(10037, 4));
    EXPECT_EQ(dst[44], 7);
    EXPECT_TRUE(std::equal(src.begin() + 44, src.end(), dst.begin() + 45, dst.end()));
}

// dataBytes + 36 is the RIFF size: a writer stops before it would no longer fit in 32 bits,
// in whole copy blocks of 4096 bytes, and the header stays valid.
TEST_F(WaveFileTest, WriterStopsAtTheLargestSize) {
    const std::string source = WriteSamples("src.wav", 1, 8, std::vector<double>(10000, 0.0));
    WaveFile in;
    ASSERT_TRUE(in.OpenForReading(source));
    WaveFile out;
    out.bitsPerSample = 8;
    ASSERT_TRUE(out.CreateForWriting(Tmp("big.wav")));
    out.dataBytes = WaveFile::kMaxDataBytes - 5000;
    EXPECT_FALSE(out.AppendSamplesOf(in));
    EXPECT_STREQ(out.LastError(), "Couldn't write samples");
    EXPECT_EQ(out.dataBytes, WaveFile::kMaxDataBytes - 5000 + 4096);

    out.dataBytes = WaveFile::kMaxDataBytes - 1;
    out.bitsPerSample = 16;
    EXPECT_FALSE(out.WriteValue(0.0));
    EXPECT_STREQ(out.LastError(), "Couldn't write samples");
    out.bitsPerSample = 8;
    EXPECT_TRUE(out.WriteValue(0.0));
    EXPECT_FALSE(out.WriteValue(0.0));
    ASSERT_TRUE(out.CloseFile());
    const Bytes file = ReadAll(Tmp("big.wav"));
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 8), Le(0xFFFFFFFF, 4));
    EXPECT_EQ(Bytes(file.begin() + 40, file.begin() + 44), Le(WaveFile::kMaxDataBytes, 4));
}

TEST_F(WaveFileTest, ChunkReaderWalksTheTree) {
    RiffChunkReader none(Tmp("missing.wav"));
    EXPECT_EQ(none.Stream(), nullptr);
    EXPECT_EQ(none.CurrentId(), nullptr);
    EXPECT_EQ(none.CurrentSize(), 0u);
    EXPECT_FALSE(none.Descend("fmt "));

    RiffChunkReader reader(Put("tree.wav", Riff({kMonoFormat, kInfo, kThreeSamples})));
    ASSERT_NE(reader.Stream(), nullptr);
    EXPECT_STREQ(reader.CurrentId(), "RIFF");
    EXPECT_STREQ(reader.CurrentForm(), "WAVE");
    EXPECT_EQ(reader.CurrentSize(), 24u + kInfo.size() + 14u);
    EXPECT_FALSE(reader.Ascend());
    ASSERT_TRUE(reader.Descend("LIST"));
    EXPECT_STREQ(reader.CurrentForm(), "INFO");
    EXPECT_EQ(reader.CurrentSize(), kInfo.size() - 12);
    ASSERT_TRUE(reader.Descend("ICMT"));
    EXPECT_EQ(reader.CurrentForm(), nullptr);
    EXPECT_EQ(reader.CurrentSize(), 2u);
    EXPECT_EQ(std::fgetc(reader.Stream()), 'x');
    EXPECT_FALSE(reader.Descend("data")); // data is not inside ICMT
    ASSERT_TRUE(reader.Ascend());
    ASSERT_TRUE(reader.Ascend());
    EXPECT_STREQ(reader.CurrentId(), "RIFF");
    EXPECT_FALSE(reader.Descend("dat"));
    ASSERT_TRUE(reader.Descend("data"));
    EXPECT_EQ(reader.CurrentSize(), 6u);
    ASSERT_TRUE(reader.Restart());
    EXPECT_STREQ(reader.CurrentId(), "RIFF");
}

// The project's own files read back by another program, byte for byte.
TEST_F(WaveFileTest, AnotherProgramReadsOurFiles) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    struct Case {
        int channels, bits;
        const char *encoding;
    };
    for (const Case c : {Case{2, 16, "signed"}, Case{1, 8, "unsigned"}}) {
        SCOPED_TRACE(::testing::Message() << c.bits << "-bit, " << c.channels << " channel(s)");
        std::vector<double> values;
        for (int i = 0; i < 2 * 21; ++i) {
            values.push_back(std::sin(i * 0.5) * 0.9);
        }
        if (c.channels == 1) {
            values.pop_back(); // an odd sample block, no pad byte
        }
        const std::string ours =
            WriteSamples(std::to_string(c.bits) + ".wav", static_cast<std::uint16_t>(c.channels),
                         static_cast<std::uint16_t>(c.bits), values);
        const std::string raw = Tmp(std::to_string(c.bits) + ".raw");
        const std::string info = Tmp(std::to_string(c.bits) + ".txt");
        std::string command = "sox '" + ours + "' -t raw -e " + c.encoding + " -b " +
                              std::to_string(c.bits) + " '" + raw + "'";
        for (const char *field : {"-r", "-c", "-b", "-s"}) {
            command += std::string(" && sox --i ") + field + " '" + ours + "' >> '" + info + "'";
        }
        std::remove(info.c_str());
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Bytes file = ReadAll(ours);
        EXPECT_EQ(ReadAll(raw), Bytes(file.begin() + 44, file.end()));
        const Bytes text = ReadAll(info);
        EXPECT_EQ(std::string(text.begin(), text.end()),
                  "8000\n" + std::to_string(c.channels) + "\n" + std::to_string(c.bits) + "\n" +
                      std::to_string(values.size() / static_cast<std::size_t>(c.channels)) + "\n");
    }
}
