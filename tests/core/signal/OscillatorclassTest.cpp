#include "core/signal/Oscillatorclass.h"

#include "core/common/Random.h"
#include "core/workbench/WorkbenchSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

using kaldorium::InputSignalSource;
using kaldorium::NoiseGenerator;
using kaldorium::Oscillator;
using kaldorium::WaveformType;
using kaldorium::WorkbenchSettings;

namespace {

std::string TempPath(const std::string &name) {
    return std::string(KALDORIUM_TEST_TMP) + "/OscillatorclassTest-" + name;
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<double> Play(Oscillator &osc, int count, double a = 1.0, double f = 2000.0, int n = 20,
                         double dc = 0.0, double duty = 50.0) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(osc.NextSample(a, f, n, dc, duty));
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Sine resonator

TEST(OscillatorSine, FollowsTheSineOfEachSampleTime) {
    Oscillator osc(WaveformType::Sine);
    const std::vector<double> v = Play(osc, 60);
    EXPECT_NEAR(v[0], 0.30901699437494745, 1e-15); // sin(π/10)
    EXPECT_NEAR(v[4], 1.0, 1e-14);
    EXPECT_NEAR(v[9], 0.0, 1e-14);
    for (int k = 1; k <= 60; ++k) {
        EXPECT_NEAR(v[static_cast<std::size_t>(k - 1)], std::sin(2.0 * std::numbers::pi * k / 20.0),
                    1e-12)
            << "sample " << k;
    }
}

TEST(OscillatorSine, AmplitudeAndOffsetScaleAndShift) {
    Oscillator osc(WaveformType::Sine);
    const std::vector<double> v = Play(osc, 5, 2.5, 2000.0, 20, 0.75);
    EXPECT_NEAR(v[0], 2.5 * 0.30901699437494745 + 0.75, 1e-14);
    EXPECT_NEAR(v[4], 2.5 + 0.75, 1e-14);
    // A new offset does not restart the sine.
    EXPECT_NEAR(osc.NextSample(2.5, 2000.0, 20, -1.0),
                2.5 * std::sin(6.0 * std::numbers::pi / 10.0) - 1.0, 1e-14);
}

TEST(OscillatorSine, NewAmplitudeRestartsAtPhaseZero) {
    Oscillator osc(WaveformType::Sine);
    Play(osc, 7);
    EXPECT_NEAR(osc.NextSample(3.0, 2000.0, 20, 0.0), 3.0 * std::sin(std::numbers::pi / 10.0),
                1e-14);
    EXPECT_NEAR(osc.NextSample(3.0, 2000.0, 20, 0.0), 3.0 * std::sin(2.0 * std::numbers::pi / 10.0),
                1e-14);
}

TEST(OscillatorSine, NewFrequencyOrSamplesPerCycleRestart) {
    Oscillator osc(WaveformType::Sine);
    Play(osc, 7);
    EXPECT_NEAR(osc.NextSample(1.0, 1000.0, 20, 0.0), std::sin(std::numbers::pi / 10.0), 1e-14);
    Play(osc, 3, 1.0, 1000.0);
    EXPECT_NEAR(osc.NextSample(1.0, 1000.0, 8, 0.0), std::sin(std::numbers::pi / 4.0), 1e-14);
}

// ---------------------------------------------------------------------------------------------
// Synthetic waveforms, f = 2000 Hz, N = 20. The expected periods were computed step by step from
// the waveform definitions in Python (same double arithmetic), including where the accumulated
// phase time lands on either side of a corner. The faulty waveforms wrap to Ts, not 0, so after
// their first period they repeat every 19 samples.

struct ShapeCase {
    WaveformType waveform;
    std::vector<double> expected;
};

class OscillatorShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(OscillatorShape, MatchesTheDefinitionOverTwoPeriods) {
    const ShapeCase &c = GetParam();
    Oscillator osc(c.waveform);
    const std::vector<double> v = Play(osc, static_cast<int>(c.expected.size()), 1.5);
    for (std::size_t i = 0; i < v.size(); ++i) {
        EXPECT_NEAR(v[i], 1.5 * c.expected[i], 1e-9) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Waveforms, OscillatorShape,
    ::testing::Values(
        ShapeCase{WaveformType::Square,
                  {1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1,
                   1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1}},
        ShapeCase{WaveformType::Triangle,
                  {1,    0.8,  0.6, 0.4,  0.2,  0,    -0.2, -0.4, -0.6, -0.8, -1,  -0.8, -0.6, -0.4,
                   -0.2, 0,    0.2, 0.4,  0.6,  0.8,  1,    0.8,  0.6,  0.4,  0.2, 0,    -0.2, -0.4,
                   -0.6, -0.8, -1,  -0.8, -0.6, -0.4, -0.2, 0,    0.2,  0.4,  0.6, 0.8,  1}},
        ShapeCase{WaveformType::Sawtooth,
                  {-1,   -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, 0,
                   0.1,  0.2,  0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,  -1,   -0.9,
                   -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, 0,    0.1,  0.2,
                   0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,  -1}},
        ShapeCase{WaveformType::FaultyTriangle,
                  {0,    0.2, 0.4,  0.6,  0.8,  1,    0.8, 0.6,  0.4,  0.2,  0,    -0.2, -0.4, -0.6,
                   -0.8, -1,  -0.8, -0.6, -0.4, -0.2, 0.2, 0.4,  0.6,  0.8,  1,    0.8,  0.6,  0.4,
                   0.2,  0,   -0.2, -0.4, -0.6, -0.8, -1,  -0.8, -0.6, -0.4, -0.2, 0.2}},
        ShapeCase{WaveformType::FaultySawtooth,
                  {0,    0.1,  0.2,  0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,
                   -1,   -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1,
                   0.1,  0.2,  0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,  -1,
                   -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, 0.1}}),
    [](const ::testing::TestParamInfo<ShapeCase> &param) {
        return "Waveform" + std::to_string(static_cast<int>(param.param.waveform));
    });

TEST(OscillatorSquare, NewAmplitudeContinuesThePhase) {
    Oscillator osc(WaveformType::Square);
    Play(osc, 12);
    // Sample 12 lies in the low half; a restart would give +2.
    EXPECT_EQ(osc.NextSample(2.0, 2000.0, 20, 0.0, 50.0), -2.0);
}

TEST(OscillatorSquare, NewDutyCycleRestarts) {
    Oscillator osc(WaveformType::Square);
    Play(osc, 12);
    const std::vector<double> v = Play(osc, 20, 1.0, 2000.0, 20, 0.0, 30.0);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(v[static_cast<std::size_t>(i)], i < 6 ? 1.0 : -1.0) << "sample " << i;
    }
}

TEST(OscillatorSawtooth, NewFrequencyRestartsButNewAmplitudeDoesNot) {
    Oscillator osc(WaveformType::Sawtooth);
    Play(osc, 5);
    // 2·(2t/P − 1) at t = 5·Ts
    EXPECT_NEAR(osc.NextSample(2.0, 2000.0, 20, 0.0), -1.0, 1e-12);
    EXPECT_EQ(osc.NextSample(2.0, 1000.0, 20, 0.0), -2.0);
}

// ---------------------------------------------------------------------------------------------
// Data-file waveform

class OscillatorFileData : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string &p : paths) {
            std::remove(p.c_str());
        }
    }
    std::string File(const std::string &name, const std::string &text) {
        paths.push_back(TempPath(name));
        WriteFile(paths.back(), text);
        return paths.back();
    }
    std::vector<std::string> paths;
};

TEST_F(OscillatorFileData, PlaysTheFileAsOnePeriodWithOffsetAndNoAmplitude) {
    Oscillator osc(WaveformType::FileData);
    EXPECT_EQ(osc.LoadDataFile(File("123.DSI", "1\r\n2\r\n3\r\n")), 3);
    EXPECT_EQ(osc.SampleCount(), 3);
    EXPECT_EQ(Play(osc, 7, 2.0, 2000.0, 20, 0.5),
              (std::vector<double>{1.5, 2.5, 3.5, 1.5, 2.5, 3.5, 1.5}));
    // Neither a new f nor a new N restarts the file.
    EXPECT_EQ(osc.NextSample(1.0, 100.0, 50, 0.0), 2.0);
}

TEST_F(OscillatorFileData, ReloadKeepsTheReadIndexInsideTheNewCount) {
    Oscillator osc(WaveformType::FileData);
    osc.LoadDataFile(File("five.DSI", "1 2 3 4 5"));
    Play(osc, 4);
    EXPECT_EQ(osc.ReadIndex(), 4);
    // The read index is kept across a load, but a shorter file starts over instead of playing
    // empty slots.
    EXPECT_EQ(osc.LoadDataFile(File("two.DSI", "7 8")), 2);
    EXPECT_EQ(Play(osc, 3), (std::vector<double>{7, 8, 7}));
}

TEST_F(OscillatorFileData, MissingEmptyOrUnreadableFilesPlayZeros) {
    const std::string names[] = {std::string(), TempPath("missing.DSI"), File("empty.DSI", ""),
                                 File("words.DSI", "no numbers\r\n"),
                                 std::string(KALDORIUM_TEST_TMP)};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        Oscillator osc(WaveformType::FileData);
        EXPECT_EQ(osc.LoadDataFile(name), 0);
        EXPECT_EQ(osc.SampleCount(), 0);
        for (int i = 0; i < 2100; ++i) {
            ASSERT_EQ(osc.NextSample(1.0, 2000.0, 20, 0.25), 0.25);
            ASSERT_EQ(osc.ReadIndex(), 0);
        }
    }
}

TEST_F(OscillatorFileData, ALoadClearsTheSlotsOfTheFileBefore) {
    Oscillator osc(WaveformType::FileData);
    osc.LoadDataFile(File("four.DSI", "4 4 4 4"));
    osc.LoadDataFile(TempPath("missing.DSI"));
    EXPECT_EQ(osc.NextSample(1.0, 2000.0, 20, 0.0), 0.0);
}

TEST_F(OscillatorFileData, OtherWaveformsIgnoreLoading) {
    Oscillator osc(WaveformType::Sine);
    EXPECT_EQ(osc.LoadDataFile(File("123.DSI", "1 2 3")), 0);
    EXPECT_EQ(osc.SampleCount(), 0);
    EXPECT_NEAR(osc.NextSample(1.0, 2000.0, 20, 0.0), std::sin(std::numbers::pi / 10.0), 1e-15);
}

// ---------------------------------------------------------------------------------------------
// Input signal chain

class InputSignal : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string &p : paths) {
            std::remove(p.c_str());
        }
    }
    std::string File(const std::string &name, const std::string &text) {
        paths.push_back(TempPath(name));
        WriteFile(paths.back(), text);
        return paths.back();
    }
    double Next() { return source.NextSample(settings, settings.samplesPerCycle); }
    std::vector<double> Take(int count) {
        std::vector<double> out;
        for (int i = 0; i < count; ++i) {
            out.push_back(Next());
        }
        return out;
    }

    std::vector<std::string> paths;
    NoiseGenerator noise;
    WorkbenchSettings settings;
    InputSignalSource source{noise};
};

TEST_F(InputSignal, SelectsTheWaveformBySettingAndFollowsEdits) {
    EXPECT_NEAR(Next(), std::sin(std::numbers::pi / 10.0), 1e-15);
    settings.waveform = 4;
    EXPECT_EQ(Next(), -1.0);
    settings.waveform = 9; // unknown: the sine continues
    EXPECT_NEAR(Next(), std::sin(2.0 * std::numbers::pi / 10.0), 1e-15);
    settings.waveform = 2;
    settings.dutyCycle = 20.0;
    EXPECT_EQ(Take(4), (std::vector<double>{1, 1, 1, 1}));
    EXPECT_EQ(Next(), -1.0);
}

TEST_F(InputSignal, SamplesPerCycleToUseDrivesTheSyntheticWaveforms) {
    EXPECT_NEAR(source.NextSample(settings, 8), std::sin(std::numbers::pi / 4.0), 1e-15);
}

TEST_F(InputSignal, DataFileScalesSamplesAndOffsetByAmplitude) {
    settings.waveform = 7;
    settings.fileData = true;
    settings.inputFileName = File("123.DSI", "1\n2\n3\n");
    settings.amplitude = 2.0;
    settings.dcOffset = 0.5;
    EXPECT_EQ(Take(4), (std::vector<double>{3, 5, 7, 3}));
    EXPECT_EQ(source.LastLoadedName(), settings.inputFileName);
}

TEST_F(InputSignal, DataFileSetsSamplesPerCycleFromItsCount) {
    std::string text;
    for (int i = 0; i < 25; ++i) {
        text += "0.5\n";
    }
    settings.waveform = 7;
    settings.fileData = true;
    settings.inputFileName = File("25.DSI", text);
    EXPECT_EQ(Next(), 0.5);
    EXPECT_EQ(settings.samplesPerCycle, 25);
    EXPECT_DOUBLE_EQ(settings.samplingPeriod, 1.0 / (2000.0 * 25));
    EXPECT_TRUE(settings.fieldsChanged);
}

TEST_F(InputSignal, MissingDataFileKeepsSamplesPerCycleAndPlaysOffsetTimesAmplitude) {
    settings.waveform = 7;
    settings.fileData = true;
    settings.samplesPerCycle = 40;
    settings.inputFileName = TempPath("missing.DSI");
    settings.amplitude = 3.0;
    settings.dcOffset = 0.5;
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(Next(), 1.5);
    }
    EXPECT_EQ(settings.samplesPerCycle, 40);
    EXPECT_TRUE(settings.fieldsChanged);
}

TEST_F(InputSignal, DataFileIsReadAgainOnlyWhenItsNameChanges) {
    settings.waveform = 7;
    settings.fileData = true;
    const std::string first = File("first.DSI", "1 2 3 4 5 6 7 8 9 10 11");
    settings.inputFileName = first;
    EXPECT_EQ(Next(), 1.0);
    settings.fieldsChanged = false;
    WriteFile(first, "9 9 9");
    EXPECT_EQ(Next(), 2.0);
    EXPECT_FALSE(settings.fieldsChanged);
    settings.inputFileName = File("second.DSI", "5 6 7 8 9 10 11 12 13 14 15 16");
    // The read index is kept across the load.
    EXPECT_EQ(Next(), 7.0);
    EXPECT_EQ(settings.samplesPerCycle, 12);
    EXPECT_TRUE(settings.fieldsChanged);

    // A fresh source reads the file again at its first sample.
    InputSignalSource fresh(noise);
    EXPECT_EQ(fresh.NextSample(settings, settings.samplesPerCycle), 5.0);
}

TEST_F(InputSignal, AmplitudeModulationOfAConstantGivesTwiceAmplitudeTimesCarrier) {
    // The first half of a square period is the constant +A.
    settings.waveform = 2;
    settings.amplitude = 1.5;
    settings.modulate = true;
    settings.amModulate = true;
    settings.modulationFactor = 100;
    for (int k = 1; k <= 8; ++k) {
        EXPECT_NEAR(Next(), 3.0 * std::sin(2.0 * std::numbers::pi * k / 20.0), 1e-12)
            << "sample " << k;
    }
}

TEST_F(InputSignal, AmplitudeModulationFactorScalesTheSignalOnly) {
    settings.waveform = 2;
    settings.modulate = true;
    settings.modulationFactor = 40;
    // (0.4·1 + 1) · sin(2π/20)
    EXPECT_NEAR(Next(), 1.4 * std::sin(std::numbers::pi / 10.0), 1e-12);
}

TEST_F(InputSignal, FrequencyModulationShiftsTheCarrier) {
    settings.waveform = 2;
    settings.modulate = true;
    settings.amModulate = false;
    // x = A: fi = 800 kHz, N = trunc(16 MHz / 800 kHz) = 20.
    for (int k = 1; k <= 5; ++k) {
        EXPECT_NEAR(Next(), std::sin(2.0 * std::numbers::pi * k / 20.0), 1e-12) << "sample " << k;
    }
}

TEST_F(InputSignal, FrequencyModulationWithoutAWholeCarrierSampleIsSilent) {
    settings.waveform = 2;
    settings.modulate = true;
    settings.amModulate = false;
    settings.dcOffset = 200.0; // x = 201: fi = 20.8 MHz, carrier N = 0
    EXPECT_EQ(Next(), 0.0);
    settings.dcOffset = -10.0; // x = −9: fi = −200 kHz
    EXPECT_EQ(Next(), 0.0);
    settings.dcOffset = -8.0; // x = −7: fi = 0
    EXPECT_EQ(Next(), 0.0);
}

TEST_F(InputSignal, NormalNoiseAddsADrawScaledBySignalToNoise) {
    settings.waveform = 2;
    settings.addNoise = true;
    settings.normalNoise = true;
    settings.snRatio = 100.0;
    // First draw from state 1 is 346 (see the generator's tests).
    EXPECT_DOUBLE_EQ(Next(), 1.0 + (346.0 / 32767.0 - 0.5) * 0.01);
}

TEST_F(InputSignal, GaussianNoiseUsesThePairedGenerator) {
    settings.waveform = 2;
    settings.addNoise = true;
    settings.normalNoise = false;
    settings.snRatio = 100.0;
    NoiseGenerator reference;
    const double g1 = reference.NextGaussian();
    const double g2 = reference.NextGaussian();
    EXPECT_DOUBLE_EQ(Next(), 1.0 + g1 * 0.01);
    EXPECT_DOUBLE_EQ(Next(), 1.0 + g2 * 0.01);
    EXPECT_EQ(noise.state, reference.state);
}

TEST_F(InputSignal, NoiseOnAZeroSampleAddsNothingButStillDraws) {
    settings.waveform = 5; // faulty triangle starts at 0
    settings.addNoise = true;
    settings.snRatio = 100.0;
    EXPECT_EQ(Next(), 0.0);
    EXPECT_NE(noise.state, 1u);
}

struct RectifyCase {
    bool half;
    double dcOffset;
    double expected;
};

class InputRectification : public InputSignal, public ::testing::WithParamInterface<RectifyCase> {};

TEST_P(InputRectification, ClipsOrFoldsTheNegativeHalf) {
    const RectifyCase &c = GetParam();
    settings.waveform = 2; // first sample +1
    settings.dcOffset = c.dcOffset;
    settings.rectify = true;
    settings.halfRectify = c.half;
    EXPECT_EQ(Next(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Both, InputRectification,
                         ::testing::Values(RectifyCase{false, -1.5, 0.5},
                                           RectifyCase{true, -1.5, 0.0},
                                           RectifyCase{true, -1.0, 0.0},
                                           RectifyCase{true, 0.25, 1.25},
                                           RectifyCase{false, 0.25, 1.25}));

} // namespace
