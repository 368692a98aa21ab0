#include "core/tools/FilterNetwork.h"

#include "core/common/Errors.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kaldorium;

TEST(FilterNetwork, StartsAsAPassThrough) {
    FilterNetwork network;
    for (double x : {0.0, 1.0, -2.5, 1e6}) {
        EXPECT_DOUBLE_EQ(network.ProcessSample(x, 0.000025, 12566.37), x);
    }
    double magnitude = 0, phase = 1;
    network.FrequencyResponse(1000.0, 0.000025, magnitude, phase);
    EXPECT_DOUBLE_EQ(magnitude, 1.0);
    EXPECT_EQ(phase, 0.0);
}

TEST(FilterNetwork, UsedBranchesAddAndUnusedOnesAreSilent) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    // Branch 2 only: a gain of 3 in its B stage; branch 1 is then silenced.
    settings[FilterNetwork::StageIndex(2, 1)] = {true, fkAllPass, 1000, 1, 3.0};
    network.ApplySettings(settings);
    EXPECT_DOUBLE_EQ(network.ProcessSample(2.0, 0.001, 1.0), 6.0);
    // Branches 1 and 3 with gains 2 and 5 on their C stages: 2 + 5.
    StageSetting two[FilterNetwork::StageCount];
    two[FilterNetwork::StageIndex(1, 2)] = {true, fkAllPass, 1000, 1, 2.0};
    two[FilterNetwork::StageIndex(3, 2)] = {true, fkAllPass, 1000, 1, 5.0};
    two[FilterNetwork::OutputStage] = {true, fkAllPass, 1000, 1, 0.5};
    network.ApplySettings(two);
    EXPECT_DOUBLE_EQ(network.ProcessSample(1.0, 0.001, 1.0), 3.5);
    double magnitude = 0, phase = 0;
    network.FrequencyResponse(10.0, 0.001, magnitude, phase);
    EXPECT_DOUBLE_EQ(magnitude, 3.5);
}

TEST(FilterNetwork, NoBranchUsedLeavesInputAndOutputStages) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::InputStage] = {true, fkAllPass, 1000, 1, 4.0};
    network.ApplySettings(settings);
    EXPECT_DOUBLE_EQ(network.ProcessSample(1.0, 0.001, 1.0), 4.0);
}

TEST(FilterNetwork, DifferentiatorStageHasUnitGainAtTheReference) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::StageIndex(1, 0)] = {true, fkDifferentiator, 1000, 1, 1.0};
    network.ApplySettings(settings);
    const double ts = 0.000025, f = 2000, omega = 2 * M_PI * f;
    network.ClearStages();
    double peak = 0;
    for (int k = 1; k <= 400; ++k) {
        peak =
            std::max(peak, std::fabs(network.ProcessSample(std::sin(omega * ts * k), ts, omega)));
    }
    EXPECT_NEAR(peak, 1.0, 0.02);
}

TEST(FilterNetwork, ClearStagesRestartsEveryHistory) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::StageIndex(1, 0)] = {true, fkLowPass, 100, 0.7071, 1.0};
    network.ApplySettings(settings);
    const double first = network.ProcessSample(1.0, 0.001, 1.0);
    network.ProcessSample(1.0, 0.001, 1.0);
    network.ClearStages();
    EXPECT_DOUBLE_EQ(network.ProcessSample(1.0, 0.001, 1.0), first);
}

TEST(FilterNetwork, ClearStagesClearsStagesAlreadyAtOneSecond) {
    // 0.1 Hz with N = 10: the run's period is the placeholder period itself.
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::StageIndex(1, 0)] = {true, fkLowPass, 0.1, 0.7071, 1.0};
    settings[FilterNetwork::StageIndex(2, 1)] = {true, fkIntegrator, 0.1, 1, 1.0};
    network.ApplySettings(settings);
    double first[3];
    for (double &y : first) {
        y = network.ProcessSample(1.0, 1.0, 0.6283);
    }
    network.ClearStages();
    for (double y : first) {
        EXPECT_DOUBLE_EQ(network.ProcessSample(1.0, 1.0, 0.6283), y);
    }
}

// Two bad texts: the one read first is reported, and nothing of the design is applied.
struct BadTextRow {
    int firstStage;
    int secondStage;
    const char *reported;
};

class NetworkTextsTest : public ::testing::TestWithParam<BadTextRow> {};

TEST_P(NetworkTextsTest, AppliesWholeOrNotAtAll) {
    const BadTextRow row = GetParam();
    FilterNetwork network;
    network.modified = true;
    StageTexts texts[FilterNetwork::StageCount];
    texts[FilterNetwork::StageIndex(1, 0)] = {true, fkLowPass, "100", "1", "2"};
    texts[row.firstStage] = {true, fkBandPass, "1000", "%", "1.1.1"};
    texts[row.secondStage] = {true, fkBandPass, "-", "1", "1"};
    try {
        network.ApplyTexts(texts);
        FAIL() << "no conversion error";
    } catch (const ConversionError &e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("'") + row.reported + "' is not a valid floating point value");
    }
    EXPECT_TRUE(network.modified);
    EXPECT_DOUBLE_EQ(network.ProcessSample(3.0, 0.001, 1.0), 3.0); // still the pass-through

    texts[row.firstStage].use = false;
    texts[row.secondStage].use = false;
    network.ApplyTexts(texts);
    EXPECT_FALSE(network.modified);
    EXPECT_EQ(network.stages[FilterNetwork::StageIndex(1, 0)].type, fkLowPass);
    EXPECT_EQ(network.stages[FilterNetwork::StageIndex(1, 0)].amplification, 2.0);
}

INSTANTIATE_TEST_SUITE_P(
    ReadingOrder, NetworkTextsTest,
    ::testing::Values(
        BadTextRow{FilterNetwork::OutputStage, FilterNetwork::StageIndex(2, 0), "1.1.1"},
        BadTextRow{FilterNetwork::StageIndex(4, 0), FilterNetwork::StageIndex(1, 1), "1.1.1"},
        BadTextRow{FilterNetwork::StageIndex(1, 2), FilterNetwork::StageIndex(4, 1), "-"},
        BadTextRow{FilterNetwork::InputStage, FilterNetwork::OutputStage, "1.1.1"}));

// A used stage of each kind steps exactly as the Filter of its settings, through a change of
// the sampling period as well.
class NetworkStageKindTest : public ::testing::TestWithParam<int> {};

TEST_P(NetworkStageKindTest, StepsAsItsFilter) {
    const int kind = GetParam();
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    settings[FilterNetwork::StageIndex(2, 1)] = {true, kind, 1500.0, 0.9, 1.7};
    network.ApplySettings(settings);
    Filter reference;
    reference.Configure(kind, 1500.0, 0.9, 1.7, 1.0);
    const double omegaRef = 2 * M_PI * 1000.0;
    for (int n = 0; n < 200; ++n) {
        const double ts = n < 100 ? 0.000025 : 0.00005;
        const double x = std::sin(0.3 * n) + (n % 37 == 0 ? 1.0 : 0.0);
        double expected = reference.ProcessStored(x, ts);
        expected = kind == fkDifferentiator ? expected / omegaRef
                   : kind == fkIntegrator   ? expected * omegaRef
                                            : expected;
        ASSERT_EQ(network.ProcessSample(x, ts, omegaRef), expected) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, NetworkStageKindTest,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 12, -1));

// The stages share one cosine and sine per frequency: the response is still, bit for bit, the
// product of the stages' own responses, for every kind of stage (integrator and differentiator
// included) and across a change of period.
TEST(FilterNetwork, ResponseIsTheProductOfTheStagesOwnResponses) {
    FilterNetwork network;
    StageSetting settings[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        settings[i] = {true, i % 9, 300.0 + 410.0 * i, 0.7 + 0.3 * i, 0.5 + 0.25 * i};
    }
    network.ApplySettings(settings);
    FilterNetwork stages = network;
    for (const double ts : {0.000025, 0.0001}) {
        for (const double omega : {10.0, 6283.2, 31415.9, 1e5}) {
            double expectedRe = 0.0, expectedIm = 0.0;
            for (int k = 1; k <= 4; ++k) {
                double pRe = 1.0, pIm = 0.0;
                for (int column = 0; column < 3; ++column) {
                    double re = 0.0, im = 0.0;
                    stages.stages[FilterNetwork::StageIndex(k, column)].FrequencyResponse(ts, omega,
                                                                                          re, im);
                    const double next = pRe * re - pIm * im;
                    pIm = pRe * im + pIm * re;
                    pRe = next;
                }
                expectedRe += pRe;
                expectedIm += pIm;
            }
            for (int stage : {FilterNetwork::InputStage, FilterNetwork::OutputStage}) {
                double re = 0.0, im = 0.0;
                stages.stages[stage].FrequencyResponse(ts, omega, re, im);
                const double next = expectedRe * re - expectedIm * im;
                expectedIm = expectedRe * im + expectedIm * re;
                expectedRe = next;
            }
            double magnitude = 0.0, phase = 0.0;
            network.FrequencyResponse(omega, ts, magnitude, phase);
            EXPECT_EQ(magnitude, std::sqrt(expectedRe * expectedRe + expectedIm * expectedIm));
            EXPECT_EQ(phase, std::atan2(expectedIm, expectedRe));
        }
    }
}
