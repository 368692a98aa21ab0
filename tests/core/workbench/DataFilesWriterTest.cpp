#include "tests/core/signal/RecordingCanvas.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Filterclass.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/DataFiles.h"
#include "core/workbench/Runs.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>

using namespace kaldorium;

namespace {

// A table rule of n "=" and its line end.
std::string Rule(std::size_t n) {
    return std::string(n, '=') + "\r\n";
}

std::string ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The expected header of a time-domain file with the default oscillator (f = 2000, N = 20,
// A = 1, sine) and the given filter line.
std::string TimeHeader(const std::string &filterLine) {
    return "Data From the KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
           "Frequency = 2000.000000   Samples/Cycle = 20  Ts = 0.000025   Amplitude = 1.000000   "
           "Type = Sine Wave\r\n" +
           Rule(104) + "Filter Data:\r\n" + Rule(12) + filterLine + Rule(104) +
           "      Time(millisecs)     Input Signal     Output Signal\r\n" + Rule(104);
}

const std::string BandPassLine = "Frequency = 2000.000000   Amplification = 2.000000  Qfactor = "
                                 "10.000000  Type = Band Pass\r\n";

class DataFileWriterTest : public ::testing::Test {
protected:
    WorkbenchSettings settings;
    DataFileWriter writer;
    std::string path;

    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : name) {
            c = c == '/' ? '_' : c;
        }
        path = std::string(KALDORIUM_TEST_TMP) + "/DataFilesWriterTest-" + name + ".DSO";
        std::remove(path.c_str());
    }
    void TearDown() override {
        writer.Close();
        std::remove(path.c_str());
    }
    std::string Written() {
        EXPECT_TRUE(writer.Close());
        return ReadBytes(path);
    }
};

TEST_F(DataFileWriterTest, TimeDomainWithoutFilter) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    EXPECT_TRUE(writer.IsOpen());
    writer.WriteTimeRow(0.0, std::sin(M_PI / 10));
    writer.WriteTimeRow(0.025, std::sin(3 * M_PI / 10));
    writer.WriteTimeRow(0.05, -0.5);
    EXPECT_EQ(Written(), TimeHeader("No Filtering\r\n") +
                             "          0.000000          0.309017\r\n"
                             "          0.025000          0.809017\r\n"
                             "          0.050000         -0.500000\r\n");
    EXPECT_FALSE(writer.IsOpen());
}

// Negative values keep their sign even when they round to zero; a number wider than its field
// is written whole and pushes the rest of the row to the right.
TEST_F(DataFileWriterTest, TimeDomainWithFilter) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {}));
    writer.WriteTimeRow(0.0, std::sin(M_PI / 10), 0.0038617);
    writer.WriteTimeRow(12.5, -1e-7, -123456789012.345678);
    writer.WriteTimeRow(1e15, -98765.4321, 2.5e-7);
    EXPECT_EQ(Written(), TimeHeader(BandPassLine) +
                             "          0.000000          0.309017          0.003862\r\n"
                             "         12.500000         -0.000000-123456789012.345673\r\n"
                             "1000000000000000.000000     -98765.432100          0.000000\r\n");
}

TEST_F(DataFileWriterTest, FrequencyDomainWithoutFilter) {
    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, false, TransformKind::DFT, {}));
    writer.WriteFrequencyRow(0, 0.309017, 0.0);
    writer.WriteFrequencyRow(1, -0.809017, 10.0);
    writer.WriteFrequencyRow(19, 1234567.0, 12345678.5);
    EXPECT_EQ(Written(),
              "Data From The KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
                  "Frequency = 2000.000000   Samples/Cycle = 20  Ts = 0.000025  Amplitude = "
                  "1.000000   Type = Sine Wave\r\n" +
                  Rule(131) + "Filter Data:\r\n" + Rule(12) + "No Filtering\r\n" + Rule(131) +
                  "   Frequency\t       Input Signal\t\t  DFT\t\t Magnitude    Output "
                  "Signal\t\tDFT\t\t Magnitude\r\n" +
                  Rule(131) +
                  "          0.000000       0.309017\t|  0.000000 +0.000000j|=  0.000000\r\n"
                  "       2000.000000      -0.809017\t| 10.000000 +0.000000j|= 10.000000\r\n"
                  "      38000.000000 1234567.000000\t|12345678.500000 +0.000000j|=12345678.500000"
                  "\r\n");
}

// The bin frequencies k·f use the oscillator frequency of the open, and Ts is 1/(f·N).
TEST_F(DataFileWriterTest, FrequencyDomainWithFilter) {
    settings.frequency = 1000.0;
    settings.samplesPerCycle = 32;
    settings.amplitude = 2.5;
    settings.waveformName = "Square Wave";
    settings.filterFrequency = 1500.0;
    settings.amplification = 0.5;
    settings.qFactor = 0.7071;
    settings.filterKind = fkLowPass4th;
    settings.filterName = "Low Pass 4th Order";
    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, true, TransformKind::FFT, {}));
    settings.frequency = 5.0;
    writer.WriteFrequencyRow(0, 0.309017, 1.5e-7, -0.003862, 0.0);
    writer.WriteFrequencyRow(2, 0.587785, 10.0, -0.011404, 19.98754);
    EXPECT_EQ(Written(),
              "Data From The KALDOR Program:\r\n" + Rule(29) + "Oscillator Data:\r\n" + Rule(16) +
                  "Frequency = 1000.000000   Samples/Cycle = 32  Ts = 0.000031  Amplitude = "
                  "2.500000   Type = Square Wave\r\n" +
                  Rule(131) + "Filter Data:\r\n" + Rule(12) +
                  "Frequency = 1500.000000   Amplification = 0.500000  Qfactor = 0.707100  "
                  "Type = Low Pass 4th Order\r\n" +
                  Rule(131) +
                  "   Frequency\t       Input Signal\t\t  FFT\t\t Magnitude    Output "
                  "Signal\t\tFFT\t\t Magnitude\r\n" +
                  Rule(131) +
                  "          0.000000       0.309017\t|  0.000000 +0.000000j|=  0.000000"
                  "      -0.003862\t|  0.000000 +0.000000j|=  0.000000\r\n"
                  "       2000.000000       0.587785\t| 10.000000 +0.000000j|= 10.000000"
                  "      -0.011404\t| 19.987540 +0.000000j|= 19.987540\r\n");
}

// The real input test of the default sine hands its rows straight to the writer.
TEST_F(DataFileWriterTest, InputTestRunWritesTheExampleFile) {
    NoiseGenerator noise;
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    test::RecordingCanvas canvas;
    Oscilloscope scope;
    SignalStatistics statistics;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    WorkbenchRun run(WorkbenchRun::Kind::InputTest, RunContext{settings, noise, designer, network},
                     scope, statistics);
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    run.rows = &writer;
    run.Step(2);
    EXPECT_EQ(Written(), TimeHeader("No Filtering\r\n") +
                             "          0.000000          0.309017\r\n"
                             "          0.025000          0.587785\r\n");
}

TEST_F(DataFileWriterTest, RowSinkWritesTheTimeRows) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {}));
    RunRowSink &sink = writer;
    sink.FilterRow(0.05, 1.0, -2.0);
    sink.InputRow(0.075, 3.0);
    EXPECT_EQ(Written(), TimeHeader(BandPassLine) +
                             "          0.050000          1.000000         -2.000000\r\n"
                             "          0.075000          3.000000\r\n");
}

// The rows follow printf's "%lf" family exactly; the C library, in the C locale of the test,
// is the reference.
class DataFileNumbers : public DataFileWriterTest, public ::testing::WithParamInterface<double> {};

TEST_P(DataFileNumbers, MatchPrintf) {
    const double v = GetParam();
    const double f = settings.frequency;
    const double re = 0.0;
    std::array<char, 4096> expected{};

    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {}));
    writer.WriteTimeRow(v, -v, v);
    std::snprintf(expected.data(), expected.size(), "%18lf%18lf%18lf\r\n", v, -v, v);
    EXPECT_EQ(Written(), TimeHeader(BandPassLine) + expected.data());

    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, true, TransformKind::DFT, {}));
    const std::size_t header = Written().size();
    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, true, TransformKind::DFT, {}));
    writer.WriteFrequencyRow(1, v, v);
    writer.WriteFrequencyRow(1, -v, v, v, -v);
    std::snprintf(expected.data(), expected.size(),
                  "%18lf%15lf\t|%10lf%+10lfj|=%10lf\r\n"
                  "%18lf%15lf\t|%10lf%+10lfj|=%10lf%15lf\t|%10lf%+10lfj|=%10lf\r\n",
                  f, v, v, re, std::fabs(v), f, -v, v, re, std::fabs(v), v, -v, re, std::fabs(v));
    EXPECT_EQ(Written().substr(header), expected.data());
}
INSTANTIATE_TEST_SUITE_P(Values, DataFileNumbers,
                         ::testing::Values(0.0, -0.0, 1.0, 0.5e-6, 0.4e-6, 0.0078125, 0.0234375,
                                           999999.9999995, 1234.5678, 1e-300, 123456789.0, 1e22,
                                           1.7976931348623157e308,
                                           std::numeric_limits<double>::denorm_min(),
                                           std::numeric_limits<double>::infinity(),
                                           std::numeric_limits<double>::quiet_NaN()));

// A program whose locale writes "," as decimal point still writes ".".
TEST_F(DataFileWriterTest, IgnoresTheLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    bool found = false;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "German"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            found = true;
            break;
        }
    }
    if (!found) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    writer.WriteTimeRow(0.5, -1.25);
    const std::string text = Written();
    std::setlocale(LC_ALL, before.c_str());
    EXPECT_EQ(text, TimeHeader("No Filtering\r\n") + "          0.500000         -1.250000\r\n");
}

struct DesignCase {
    int designType;
    const char *name;
};

class DesignedFilterNames : public DataFileWriterTest,
                            public ::testing::WithParamInterface<DesignCase> {};

// With the designed filter selected, the open names it after the design type in the header and
// in the settings, which keep the name; the line shows the design's f0, A0 and Q, not the
// workbench's fields (2000 Hz, 2, 10 here).
TEST_P(DesignedFilterNames, NameTheFilterOnOpen) {
    const DesignCase &c = GetParam();
    settings.filterKind = fkDesigned;
    settings.filterName = "Designed Filter";
    const DesignParameters design{c.designType, 1000.0, 0.7071, 1.0};
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, design));
    EXPECT_EQ(settings.filterName, c.name);
    const std::string filterLine = "Frequency = 1000.000000   Amplification = 1.000000  "
                                   "Qfactor = 0.707100  Type = " +
                                   std::string(c.name) + "\r\n";
    EXPECT_EQ(Written(), TimeHeader(filterLine));

    // The frequency-domain open names it the same way.
    settings.filterName = "Designed Filter";
    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, true, TransformKind::DFT, design));
    EXPECT_EQ(settings.filterName, c.name);
    EXPECT_NE(Written().find(filterLine), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Types, DesignedFilterNames,
                         ::testing::Values(DesignCase{0, "Designed Filter:Band Pass"},
                                           DesignCase{1, "Designed Filter:Band Reject"},
                                           DesignCase{2, "Designed Filter:High Pass"},
                                           DesignCase{3, "Designed Filter:Low Pass"},
                                           DesignCase{4, "Designed Filter:Unknown Type"},
                                           DesignCase{-1, "Designed Filter:Unknown Type"}));

TEST_F(DataFileWriterTest, OtherFiltersKeepTheirNames) {
    settings.filterKind = fkHighPass4th;
    settings.filterName = "High Pass 4th Order";
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {2, 500.0, 0.5, 3.0}));
    EXPECT_EQ(settings.filterName, "High Pass 4th Order");
}

// The columns of a time-domain file come back as consecutive samples; the header is skipped.
TEST_F(DataFileWriterTest, OutputFileReadsBackAsInput) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, true, {}));
    const double rows[3][3] = {
        {0.0, 0.3090169, -0.0038617}, {0.025, 0.5877852, 1e-9}, {0.05, -1234.5, 0.8090169}};
    for (const auto &r : rows) {
        writer.WriteTimeRow(r[0], r[1], r[2]);
    }
    ASSERT_TRUE(writer.Close());
    std::array<double, MaxDataFileValues> values{};
    ASSERT_EQ(ReadDataFileValues(path, values.data(), MaxDataFileValues), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(values[static_cast<std::size_t>(i)], rows[i / 3][i % 3], 0.5e-6) << i;
    }
}

// A file that cannot be created: nothing is written, nothing is open, and the rows that follow
// are dropped. The designed filter is still named.
TEST_F(DataFileWriterTest, FileThatCannotBeCreated) {
    const std::filesystem::path folder =
        std::filesystem::path(KALDORIUM_TEST_TMP) / "DataFilesWriterTest-missing-folder";
    std::filesystem::remove_all(folder);
    const std::string missing = (folder / "out.DSO").string();
    settings.filterKind = fkDesigned;

    EXPECT_FALSE(writer.OpenTimeDomain(missing, settings, true, {1}));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(settings.filterName, "Designed Filter:Band Reject");
    EXPECT_FALSE(writer.OpenFrequencyDomain(missing, settings, true, TransformKind::FFT, {}));
    EXPECT_FALSE(writer.OpenTimeDomain("", settings, false, {}));
    writer.WriteTimeRow(0.0, 1.0);
    writer.WriteFrequencyRow(0, 1.0, 1.0, 1.0, 1.0);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(writer.Close());
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(CouldNotCreateOutputFileText(missing), "Could not create the output file " + missing);
}

// Opening another file closes the first, whose content stays complete, even when the second
// cannot be created.
TEST_F(DataFileWriterTest, OpeningAnotherFileClosesTheFirst) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    writer.WriteTimeRow(0.0, 1.0);
    EXPECT_FALSE(writer.OpenTimeDomain(path + ".missing/out.DSO", settings, false, {}));
    EXPECT_FALSE(writer.IsOpen());
    writer.WriteTimeRow(0.025, 2.0);
    EXPECT_EQ(ReadBytes(path),
              TimeHeader("No Filtering\r\n") + "          0.000000          1.000000\r\n");
}

// A new open truncates what an earlier run wrote.
TEST_F(DataFileWriterTest, ReopeningTruncates) {
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    for (int i = 0; i < 100; ++i) {
        writer.WriteTimeRow(i * 0.025, 1.0);
    }
    ASSERT_TRUE(writer.Close());
    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    writer.WriteTimeRow(0.0, -1.0);
    EXPECT_EQ(Written(),
              TimeHeader("No Filtering\r\n") + "          0.000000         -1.000000\r\n");
}

TEST_F(DataFileWriterTest, RowsWithoutAnOpenFileAndRepeatedCloses) {
    writer.WriteTimeRow(0.0, 1.0);
    writer.WriteTimeRow(0.0, 1.0, 2.0);
    writer.WriteFrequencyRow(0, 1.0, 2.0);
    writer.FilterRow(0.0, 1.0, 2.0);
    EXPECT_TRUE(writer.Close());
    EXPECT_FALSE(std::filesystem::exists(path));

    ASSERT_TRUE(writer.OpenTimeDomain(path, settings, false, {}));
    EXPECT_TRUE(writer.Close());
    EXPECT_TRUE(writer.Close());
    writer.WriteTimeRow(0.0, 1.0);
    EXPECT_EQ(ReadBytes(path), TimeHeader("No Filtering\r\n"));
}

// The writer closes its file when it goes.
TEST_F(DataFileWriterTest, DestructionClosesTheFile) {
    {
        DataFileWriter local;
        ASSERT_TRUE(local.OpenTimeDomain(path, settings, false, {}));
        local.WriteTimeRow(0.0, 1.0);
    }
    EXPECT_EQ(ReadBytes(path),
              TimeHeader("No Filtering\r\n") + "          0.000000          1.000000\r\n");
}

// Rows that do not reach the disk are reported by the close.
TEST_F(DataFileWriterTest, CloseReportsLostRows) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    ASSERT_TRUE(writer.OpenTimeDomain("/dev/full", settings, false, {}));
    for (int i = 0; i < 1000; ++i) {
        writer.WriteTimeRow(i * 0.025, 1.0);
    }
    EXPECT_FALSE(writer.Close());
    EXPECT_FALSE(writer.IsOpen());
}

// A file takes at most its limit of data rows; the rest are dropped whole, so the file ends with
// the last complete row, and the writer tells the limit was reached. A new open starts counting
// again.
TEST_F(DataFileWriterTest, StopsWritingAtTheRowLimit) {
    DataFileWriter limited(2);
    ASSERT_TRUE(limited.OpenTimeDomain(path, settings, true, {}));
    limited.FilterRow(0.0, 1.0, -1.0);
    limited.FilterRow(0.025, 1.0, -1.0);
    EXPECT_FALSE(limited.LimitReached());
    limited.WriteTimeRow(0.05, 2.0);
    EXPECT_TRUE(limited.LimitReached());
    ASSERT_TRUE(limited.Close());
    const std::string row = "          1.000000         -1.000000\r\n";
    EXPECT_EQ(ReadBytes(path),
              TimeHeader(BandPassLine) + "          0.000000" + row + "          0.025000" + row);
    ASSERT_TRUE(limited.OpenFrequencyDomain(path, settings, false, TransformKind::FFT, {}));
    EXPECT_FALSE(limited.LimitReached());

    EXPECT_EQ(DataFileWriter().Limit(), 1048576);
    EXPECT_EQ(OutputRowLimitText(DataFileWriter::RowLimit),
              "Output file limit reached: 1,048,576 rows");
    EXPECT_EQ(OutputRowLimitText(999), "Output file limit reached: 999 rows");
}

// The example input files beside the program: each reads as a sequence of samples.
TEST(ExampleDataFiles, ReadAsInput) {
    const std::filesystem::path folder =
        std::filesystem::path(KALDORIUM_TEST_DATA) / ".." / ".." / "data" / "DSIs";
    struct Example {
        const char *name;
        int count;
        double first;
        double second;
    };
    for (const Example &e :
         {Example{"Sine.DSI", 60, 0.0, 0.309017}, Example{"Square.DSI", 80, 1.0, 1.0},
          Example{"DampedOscillation.DSI", 200, 0.0, 0.301387},
          Example{"TriangleWithHeaders.DSI", 32, 0.0, 0.25}}) {
        SCOPED_TRACE(e.name);
        const std::string file = (folder / e.name).string();
        const std::string bytes = ReadBytes(file);
        ASSERT_FALSE(bytes.empty());
        // Every line ends with CR LF.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "line end at " << i;
            }
        }
        std::array<double, MaxDataFileValues> values{};
        EXPECT_EQ(ReadDataFileValues(file, values.data(), MaxDataFileValues), e.count);
        EXPECT_NEAR(values[0], e.first, 1e-6);
        EXPECT_NEAR(values[1], e.second, 1e-6);
    }
}

} // namespace
