#include "tests/core/signal/RecordingCanvas.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Filterclass.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"
#include "core/workbench/DataFiles.h"
#include "core/workbench/WorkbenchSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>

using namespace kaldorium;

namespace {

class WorkbenchSpectrumTest : public ::testing::Test {
protected:
    WorkbenchSettings settings;
    NoiseGenerator noise;
    DefaultDesignedFilterSource designer;
    FilterNetwork network;
    test::RecordingCanvas canvas;
    Oscilloscope scope;

    std::unique_ptr<WorkbenchSpectrum> Run(WorkbenchSpectrum::Kind kind, TransformKind transform) {
        auto s = std::make_unique<WorkbenchSpectrum>(
            kind, transform, RunContext{settings, noise, designer, network});
        long long steps = 0;
        while (!s->SamplesDone()) {
            s->Step(1);
            ++steps;
        }
        EXPECT_EQ(steps, static_cast<long long>(s->passes) * s->length);
        s->Transform();
        s->Plot(scope, &canvas);
        return s;
    }
};

struct LengthCase {
    int n;
    TransformKind transform;
    WorkbenchSpectrum::Kind kind;
    int length;
    int passes;
};

class SpectrumLengthTest : public WorkbenchSpectrumTest,
                           public ::testing::WithParamInterface<LengthCase> {};

// A unit sine of N samples per cycle shows one spike of height 1 at f, whatever L.
TEST_P(SpectrumLengthTest, BlockLengthPassesAndOneSpikeAtTheFundamental) {
    const LengthCase c = GetParam();
    settings.samplesPerCycle = c.n;
    const auto s = Run(c.kind, c.transform);
    EXPECT_EQ(s->length, c.length);
    EXPECT_EQ(s->passes, c.passes);
    const double k = 2.0 / c.length;
    EXPECT_NEAR(s->inMagnitude[1] * k, 1.0, 1e-9);
    for (int j = 0; j < c.length / 2; ++j) {
        if (j != 1) {
            ASSERT_LT(s->inMagnitude[j] * k, 1e-9) << "bin " << j;
        }
    }
    // The axis ends at f·L/2; the input's spike reaches the top of its amplitude range.
    EXPECT_DOUBLE_EQ(scope.xMax, 2000.0 * c.length / 2.0);
    if (c.kind == WorkbenchSpectrum::Kind::Input) {
        EXPECT_NEAR(scope.yMax, 1.0, 1e-9);
    }
    const auto texts = canvas.Only(test::RecordingCanvas::Op::Text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, "Frequency (Hz)");
    EXPECT_EQ(texts.back().x1, 779 / 2 - 20);
    EXPECT_EQ(texts.back().y1, 386 - 15);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SpectrumLengthTest,
    ::testing::Values(
        LengthCase{20, TransformKind::DFT, WorkbenchSpectrum::Kind::Input, 20, 20},
        LengthCase{20, TransformKind::FFT, WorkbenchSpectrum::Kind::Input, 32, 20},
        LengthCase{2000, TransformKind::DFT, WorkbenchSpectrum::Kind::Input, 1024, 20},
        LengthCase{2000, TransformKind::FFT, WorkbenchSpectrum::Kind::Input, 1024, 20},
        LengthCase{20, TransformKind::DFT, WorkbenchSpectrum::Kind::InputAndOutput, 20, 100}));

// The red spike at f is the filter's gain at f, the black one the input's amplitude 1.
TEST_F(WorkbenchSpectrumTest, OutputSpikeIsTheFiltersGainAtTheFundamental) {
    for (double fc : {3000.0, 1200.0, 2000.0}) {
        SCOPED_TRACE(fc);
        settings.filterFrequency = fc;
        const auto s = Run(WorkbenchSpectrum::Kind::InputAndOutput, TransformKind::DFT);
        Filter reference(fkBandPass);
        reference.Design(fc, settings.qFactor, settings.amplification, 1.0 / (2000.0 * 20));
        double re = 0.0;
        double im = 0.0;
        reference.FrequencyResponse(1.0 / (2000.0 * 20), 2 * std::numbers::pi * 2000.0, re, im);
        EXPECT_NEAR(s->outMagnitude[1] * 0.1, std::hypot(re, im), 1e-6);
        EXPECT_NEAR(s->inMagnitude[1] * 0.1, 1.0, 1e-9);
    }
    EXPECT_NEAR(scope.yMax, 2.0, 1e-6); // the larger peak sets the range (fc = f: gain 2)
}

TEST_F(WorkbenchSpectrumTest, FrequencyDomainRowsOfTheBlock) {
    const auto s = Run(WorkbenchSpectrum::Kind::Input, TransformKind::DFT);
    const std::string path = std::string(KALDORIUM_TEST_TMP) + "/spectrum-rows.DSO";
    DataFileWriter writer;
    ASSERT_TRUE(writer.OpenFrequencyDomain(path, settings, false, TransformKind::DFT, {}));
    s->WriteRows(writer);
    ASSERT_TRUE(writer.Close());
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    std::size_t start = 0;
    for (int line = 0; line < 12; ++line) {
        start = text.find("\r\n", start) + 2;
    }
    const std::string rows = text.substr(start);
    EXPECT_EQ(rows.substr(0, 2 * 70),
              "          0.000000       0.309017\t|  0.000000 +0.000000j|=  0.000000\r\n"
              "       2000.000000       0.587785\t| 10.000000 +0.000000j|= 10.000000\r\n");
    int count = 0;
    for (std::size_t p = rows.find("\r\n"); p != std::string::npos; p = rows.find("\r\n", p + 2)) {
        ++count;
    }
    EXPECT_EQ(count, 20);
}

} // namespace
