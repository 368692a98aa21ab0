#include "core/common/NumberText.h"
#include "core/workbench/DataFiles.h"
#include "core/workbench/WorkbenchSettings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <sstream>
#include <string>

using namespace kaldorium;

namespace {

// Switches the C library to a locale whose decimal point is a comma for one test.
class DecimalCommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the de_DE.UTF-8 locale is missing (scripts/setup generates it)";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override { std::setlocale(LC_ALL, previous.c_str()); }

    std::string previous;
};

TEST_F(DecimalCommaLocale, NumbersKeepTheDecimalPoint) {
    EXPECT_EQ(FormatGeneral(2.5), "2.5");
    EXPECT_EQ(FormatGeneral(0.000025), "2.5E-5");
    EXPECT_EQ(FormatFixed(0.70710678, 5, 5), "0.70711");
    EXPECT_EQ(FormatDecimals(-1.25, 6), "-1.250000");
    EXPECT_EQ(FormatScientific(0.000025, 6), "2.500000e-05");
    EXPECT_DOUBLE_EQ(ParseDouble("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(ParseDouble(" -1.5E3 "), -1500.0);
    double value = 0.0;
    EXPECT_FALSE(TryParseDouble("2,5", value)); // the locale's own form is not a number here
}

TEST_F(DecimalCommaLocale, DataFilesKeepTheDecimalPoint) {
    const std::string path = std::string(KALDORIUM_TEST_TMP) + "/locale.DSO";
    WorkbenchSettings settings;
    {
        DataFileWriter writer;
        ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {}));
        writer.WriteTimeRow(0.000025, 0.5, -0.25);
        ASSERT_TRUE(writer.Close());
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string written = text.str();
    EXPECT_NE(written.find("          0.000025          0.500000         -0.250000\r\n"),
              std::string::npos)
        << written;
    EXPECT_EQ(written.find(','), std::string::npos) << written;

    // Read back as an input file: the header is skipped, the row's three numbers come back.
    double values[4] = {};
    ASSERT_EQ(ReadDataFileValues(path, values, 4), 3);
    EXPECT_DOUBLE_EQ(values[0], 0.000025);
    EXPECT_DOUBLE_EQ(values[1], 0.5);
    EXPECT_DOUBLE_EQ(values[2], -0.25);
}

} // namespace
