#include "core/workbench/DataFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using kaldorium::MaxDataFileValues;
using kaldorium::ReadDataFileValues;

namespace {

std::vector<double> ReadText(const std::string &text, int maxCount = MaxDataFileValues) {
    std::istringstream in(text);
    std::vector<double> values(MaxDataFileValues + 8, -999.0);
    const int count = ReadDataFileValues(in, values.data(), maxCount);
    values.resize(static_cast<std::size_t>(count));
    return values;
}

std::string TempPath(const std::string &name) {
    return std::string(KALDORIUM_TEST_TMP) + "/DataFilesTest-" + name;
}

// prefix, n zeros, suffix. Built by appending: g++ 12 at -O3 reports a false overlapping memcpy
// (-Wrestrict) for a literal + std::string, which inserts at the front.
std::string Zeros(const char *prefix, std::size_t n, const char *suffix) {
    std::string text(prefix);
    text.append(n, '0');
    text.append(suffix);
    return text;
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

struct ReadCase {
    const char *what;
    std::string text;
    std::vector<double> expected;
};

class DataFileReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DataFileReading, GivesTheNumbersInOrder) {
    const ReadCase &c = GetParam();
    SCOPED_TRACE(c.what);
    const std::vector<double> values = ReadText(c.text);
    ASSERT_EQ(values.size(), c.expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_DOUBLE_EQ(values[i], c.expected[i]) << "value " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DataFileReading,
    ::testing::Values(
        ReadCase{"one per line", "1\r\n2\r\n3\r\n", {1, 2, 3}},
        ReadCase{"one line with blanks", "1 2\t3", {1, 2, 3}},
        ReadCase{"no final line end", "1\n2\n3", {1, 2, 3}},
        ReadCase{"blank lines and indentation", "\n\n   1\r\n\r\n\t2\n  \n3  \n", {1, 2, 3}},
        ReadCase{"letters then a number: line skipped", "abc 5\n7\n", {7}},
        ReadCase{"number then letters: rest skipped", "5abc 9\n7\n", {5, 7}},
        ReadCase{"number forms", "-1.5e2 +.5 5. 1E-3 -0 007", {-150, 0.5, 5, 0.001, 0, 7}},
        ReadCase{"lone sign or point is no number", "- 5\n. 6\n+x 1\n8\n", {8}},
        ReadCase{"exponent mark without digits", "5e\n6E+ 9\n7", {5, 6, 9, 7}},
        ReadCase{"too large is no number", "1e999 7\n8\n", {8}},
        ReadCase{"too small is zero", "1e-999 7", {0, 7}},
        ReadCase{"no numbers at all", "Time(millisecs)\n=====\n", {}}, ReadCase{"empty", "", {}},
        ReadCase{"only blanks", " \r\n\t\n", {}}),
    [](const ::testing::TestParamInfo<ReadCase> &param) {
        return "Case" + std::to_string(param.index);
    });

// A time-domain output file read back: the header lines are skipped and each row gives its
// time, input and output as consecutive samples.
TEST(DataFileReading, OutputFileReadBackYieldsItsColumns) {
    const std::string text = "Data From the KALDOR Program:\r\n"
                             "=============================\r\n"
                             "Oscillator Data:\r\n"
                             "================\r\n"
                             "Frequency = 2000.000000   Samples/Cycle = 20  Ts = 0.000025   "
                             "Amplitude = 1.000000   Type = Sine Wave\r\n" +
                             std::string(104, '=') +
                             "\r\n"
                             "Filter Data:\r\n"
                             "============\r\n"
                             "Frequency = 2000.000000   Amplification = 2.000000  "
                             "Qfactor = 10.000000  Type = Band Pass\r\n" +
                             std::string(104, '=') +
                             "\r\n"
                             "      Time(millisecs)     Input Signal     Output Signal\r\n" +
                             std::string(104, '=') +
                             "\r\n"
                             "          0.000000          0.309017          0.003862\r\n"
                             "          0.025000          0.587785         -0.011404\r\n";
    const std::vector<double> values = ReadText(text);
    const std::vector<double> expected = {0.0, 0.309017, 0.003862, 0.025, 0.587785, -0.011404};
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_DOUBLE_EQ(values[i], expected[i]) << "value " << i;
    }
}

TEST(DataFileReading, StopsAtTheLimit) {
    std::string text;
    for (int i = 0; i < 1500; ++i) {
        text += std::to_string(i) + (i % 7 == 0 ? "\n" : " ");
    }
    const std::vector<double> values = ReadText(text);
    ASSERT_EQ(values.size(), 1024u);
    EXPECT_EQ(values.front(), 0.0);
    EXPECT_EQ(values.back(), 1023.0);

    // A caller's smaller buffer is respected; a larger one is still held to 1024.
    EXPECT_EQ(ReadText(text, 5).size(), 5u);
    EXPECT_EQ(ReadText(text, 5000).size(), 1024u);
    EXPECT_EQ(ReadText(text, 0).size(), 0u);
    EXPECT_EQ(ReadText(text, -3).size(), 0u);
}

// The rest of a line is dropped in pieces of 497 characters; after each piece the reader looks
// for a number again.
TEST(DataFileReading, LongLinesAreDroppedPieceByPiece) {
    EXPECT_EQ(ReadText(std::string(497, 'x') + "42\n7"), (std::vector<double>{42, 7}));
    EXPECT_EQ(ReadText(std::string(498, 'x') + "42\n7"), (std::vector<double>{7}));
    EXPECT_EQ(ReadText(std::string(5000, 'x') + "\n7"), (std::vector<double>{7}));
}

// Numbers of any length are read correctly without holding all their digits.
TEST(DataFileReading, LongMantissasRoundCorrectly) {
    // 2^53 + 1 is halfway between two doubles: exactly halfway rounds to even, a tail digit far
    // beyond the 800th rounds up (values checked with Python's float()).
    EXPECT_EQ(ReadText(Zeros("9007199254740993", 900, "e-900")),
              (std::vector<double>{9007199254740992.0}));
    EXPECT_EQ(ReadText(Zeros("9007199254740993", 900, "1e-901")),
              (std::vector<double>{9007199254740994.0}));
    EXPECT_EQ(ReadText(Zeros("1", 1000, "e-1000 2")), (std::vector<double>{1, 2}));
    EXPECT_EQ(ReadText(Zeros("0.", 1000, "25e1001")), (std::vector<double>{2.5}));
    EXPECT_EQ(ReadText(std::string(3000, '0') + "3.5"), (std::vector<double>{3.5}));
    EXPECT_EQ(ReadText("1e00000000000000000000000000001 -2e-000000000000000000000001"),
              (std::vector<double>{10, -0.2}));
    EXPECT_EQ(ReadText("1e99999999999999999999 5"), (std::vector<double>{}));
}

class DataFileOnDisk : public ::testing::Test {
protected:
    std::array<double, MaxDataFileValues> values{};
};

TEST_F(DataFileOnDisk, ReadsAFile) {
    const std::string path = TempPath("three.DSI");
    WriteFile(path, "1\r\n2\r\n3\r\n");
    EXPECT_EQ(ReadDataFileValues(path, values.data(), MaxDataFileValues), 3);
    EXPECT_EQ(values[0], 1.0);
    EXPECT_EQ(values[2], 3.0);
    std::remove(path.c_str());
}

TEST_F(DataFileOnDisk, FilesWithoutValuesGiveZero) {
    const std::string empty = TempPath("empty.DSI");
    WriteFile(empty, "");
    const std::string folder = TempPath("folder.DSI");
    std::filesystem::create_directories(folder);

    EXPECT_EQ(ReadDataFileValues(std::string(), values.data(), MaxDataFileValues), 0);
    EXPECT_EQ(ReadDataFileValues(TempPath("missing.DSI"), values.data(), MaxDataFileValues), 0);
    EXPECT_EQ(ReadDataFileValues(empty, values.data(), MaxDataFileValues), 0);
    EXPECT_EQ(ReadDataFileValues(folder, values.data(), MaxDataFileValues), 0);
    std::remove(empty.c_str());
}

} // namespace
