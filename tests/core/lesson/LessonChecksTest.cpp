#include "core/lesson/LessonChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kaldorium {
namespace {

constexpr double Pi = 3.141592653589793;

Lesson Workbench(ControlValues controls) {
    Lesson lesson;
    lesson.windows["TDSPMainForm"] = std::move(controls);
    return lesson;
}

FilterProperties Measured(const Lesson &settings) {
    const LessonFilterRead read = ReadLessonFilter(settings);
    EXPECT_TRUE(read.ok) << read.error;
    return MeasureFilter(read.filter);
}

TEST(LessonFilter, SettingsGoThroughTheFieldRules) {
    const LessonFilterRead start = ReadLessonFilter(Lesson{});
    ASSERT_TRUE(start.ok);
    EXPECT_EQ(start.filter.kind, fkBandPass);
    EXPECT_DOUBLE_EQ(start.filter.samplingPeriod, 0.000025);

    // f = 1000, N = 5 → N = 10 (the least), Ts = 1/10000; fc is cut to half the sampling rate.
    const LessonFilterRead cut = ReadLessonFilter(Workbench({{"soFrequency", std::string("1000")},
                                                             {"soSamples", std::string("5")},
                                                             {"sfFrequency", std::string("9000")},
                                                             {"LowPass2", true}}));
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_DOUBLE_EQ(cut.filter.samplingPeriod, 0.0001);
    EXPECT_DOUBLE_EQ(cut.filter.filterFrequency, 5000.0);
    EXPECT_EQ(cut.filter.kind, fkLowPass4th);
}

TEST(LessonFilter, ARefusedValueIsNamed) {
    const struct {
        ControlValues controls;
        const char *message;
    } cases[] = {
        {{{"sQfactor", std::string("0")}}, "sQfactor: '0' is refused, it must be above 0"},
        {{{"soFrequency", std::string("2 kHz")}}, "soFrequency: '2 kHz' is not a valid"},
        {{{"soSamples", std::string("many")}}, "soSamples: 'many' is not a valid"},
        {{{"BandPass", true}, {"LowPass", true}}, "more than one filter is selected"},
    };
    for (const auto &c : cases) {
        const LessonFilterRead read = ReadLessonFilter(Workbench(c.controls));
        EXPECT_FALSE(read.ok);
        EXPECT_NE(read.error.find(c.message), std::string::npos) << read.error;
    }
    Lesson network;
    network.windows["TFilterNetworkForm"] = {{"FA1_Use", true}, {"FA1_Type", std::string("Comb")}};
    EXPECT_NE(ReadLessonFilter(network).error.find("FA1_Type: 'Comb'"), std::string::npos);
}

// The band pass is the analogue prototype carried over by the pre-warped bilinear transform:
// its peak is A0 at fc, and its half power points are those of the prototype, ωa·(√(1 + 1/4Q²)
// ± 1/2Q), carried back through tan(π·f·Ts) = ω·Ts/2.
TEST(LessonFilter, BandPassPropertiesMatchTheClosedForm) {
    for (const double q : {0.8, 5.0, 20.0}) {
        SCOPED_TRACE(q);
        const double fc = 1500.0;
        const double ts = 0.000025;
        const FilterProperties p = Measured(Workbench({{"sfFrequency", std::string("1500")},
                                                       {"sQfactor", std::string(q == 0.8 ? "0.8"
                                                                                : q == 5 ? "5"
                                                                                         : "20")},
                                                       {"sfAmplification", std::string("4")}}));
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_NEAR(p.peakGainDb, 20.0 * std::log10(4.0), 1e-6);
        EXPECT_NEAR(p.peakFrequency, fc, fc * 1e-5);
        const double t = std::tan(Pi * fc * ts);
        const double root = std::sqrt(1.0 + 1.0 / (4.0 * q * q));
        const double low = std::atan(t * (root - 0.5 / q)) / (Pi * ts);
        const double high = std::atan(t * (root + 0.5 / q)) / (Pi * ts);
        ASSERT_TRUE(p.lowHalfPower && p.highHalfPower);
        EXPECT_NEAR(*p.lowHalfPower, low, 1e-3);
        EXPECT_NEAR(*p.highHalfPower, high, 1e-3);
        EXPECT_TRUE(p.stable);
    }
}

TEST(LessonFilter, ALowPassHasOnlyAnUpperHalfPowerPoint) {
    const FilterProperties p = Measured(Workbench({{"LowPass", true},
                                                   {"sQfactor", std::string("0.7071067811865476")},
                                                   {"sfFrequency", std::string("1000")},
                                                   {"sfAmplification", std::string("1")}}));
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(p.lowHalfPower);
    ASSERT_TRUE(p.highHalfPower);
    // Q = 1/√2 is maximally flat: the half power point is fc itself.
    EXPECT_NEAR(*p.highHalfPower, 1000.0, 1e-3);
    EXPECT_NEAR(p.peakGainDb, 0.0, 1e-6);
}

TEST(LessonFilter, DesignedSetsAreJudgedByTheirPoles) {
    Lesson unstable;
    unstable.windows["TDSPMainForm"] = {{"DesignedFilter", true}};
    // Poles at 2 and 0.5.
    unstable.coefficients = LessonCoefficients{{1, 0, 0, 0, 0, 0, 0}, {1, -2.5, 1, 0, 0, 0, 0}};
    const FilterProperties p = Measured(unstable);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.stable);

    unstable.coefficients->b = {0, 1, 0, 0, 0, 0, 0};
    const FilterProperties none = Measured(unstable);
    EXPECT_FALSE(none.ok);
    EXPECT_FALSE(none.error.empty());
    LessonCheck stable;
    stable.name = "Stable";
    stable.property = CheckProperty::Stable;
    EXPECT_EQ(EvaluateCheck(stable, none, {}).status, CheckResult::Status::Failed);
}

TEST(LessonFilter, TheNetworkIsMeasuredAsItRuns) {
    Lesson network = Workbench({{"NetworkFiltering", true}});
    network.windows["TFilterNetworkForm"] = {{"FA1_Use", true},
                                             {"FA1_Type", std::string("HighPass")},
                                             {"FA1_F", std::string("3000")},
                                             {"FA1_Q", std::string("0.7071067811865476")},
                                             {"FA1_A0", std::string("2")}};
    const FilterProperties p = Measured(network);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(p.lowHalfPower);
    EXPECT_NEAR(*p.lowHalfPower, 3000.0, 1e-2);
    EXPECT_NEAR(p.peakGainDb, 20.0 * std::log10(2.0), 1e-3);
}

LessonCheck NumberCheck(CheckProperty property, double value, double tolerance, bool percent) {
    LessonCheck c;
    c.name = "c";
    c.property = property;
    c.value = value;
    c.tolerance = tolerance;
    c.tolerancePercent = percent;
    return c;
}

TEST(LessonChecks, EachKindPassesAndFailsOnPurpose) {
    FilterProperties p;
    p.ok = true;
    p.kind = fkLowPass4th;
    p.peakGainDb = 6.0206;
    p.peakFrequency = 1000.0;
    p.lowHalfPower = 950.0;
    p.highHalfPower = 1050.0;
    p.stable = true;
    using S = CheckResult::Status;
    EXPECT_EQ(EvaluateCheck(NumberCheck(CheckProperty::PeakGain, 6.02, 0.5, false), p, {}).status,
              S::Passed);
    EXPECT_EQ(EvaluateCheck(NumberCheck(CheckProperty::PeakGain, 7.0, 0.5, false), p, {}).status,
              S::Failed);
    EXPECT_EQ(EvaluateCheck(NumberCheck(CheckProperty::PeakFrequency, 1020, 2, true), p, {}).status,
              S::Passed);
    EXPECT_EQ(EvaluateCheck(NumberCheck(CheckProperty::PeakFrequency, 1030, 2, true), p, {}).status,
              S::Failed);
    const CheckResult width =
        EvaluateCheck(NumberCheck(CheckProperty::Bandwidth, 100, 0, false), p, {});
    EXPECT_EQ(width.status, S::Passed);
    EXPECT_EQ(width.measured, "100 Hz");
    EXPECT_EQ(width.expected, "100 ± 0 Hz");

    p.lowHalfPower.reset();
    const CheckResult low =
        EvaluateCheck(NumberCheck(CheckProperty::LowHalfPower, 950, 1, false), p, {});
    EXPECT_EQ(low.status, S::Failed);
    EXPECT_EQ(low.measured, "none");

    LessonCheck kind;
    kind.name = "k";
    kind.property = CheckProperty::Kind;
    kind.kindText = "Low Pass 4th Order";
    EXPECT_EQ(EvaluateCheck(kind, p, {}).status, S::Passed);
    kind.kindText = "LowPass 2nd Order";
    EXPECT_EQ(EvaluateCheck(kind, p, {}).status, S::Failed);

    LessonCheck stable;
    stable.property = CheckProperty::Stable;
    EXPECT_EQ(EvaluateCheck(stable, p, {}).status, S::Passed);
    p.stable = false;
    EXPECT_EQ(EvaluateCheck(stable, p, {}).measured, "not stable");
}

TEST(LessonChecks, ControlChecksReadTheNumberAControlHolds) {
    Lesson handIn = Workbench({{"RMS_Field_Display2", std::string("0.70711")},
                               {"Range_Field_Display2", std::string("")}});
    const ControlNumber numbers = LessonControlNumbers(handIn);
    LessonCheck rms;
    rms.name = "Output RMS";
    rms.property = CheckProperty::Control;
    rms.control = "RMS_Field_Display2";
    rms.minimum = 0.69;
    rms.maximum = 0.72;
    const FilterProperties unused;
    const CheckResult passed = EvaluateCheck(rms, unused, numbers);
    EXPECT_EQ(passed.status, CheckResult::Status::Passed);
    EXPECT_EQ(passed.expected, "between 0.69 and 0.72");
    rms.maximum = 0.7;
    EXPECT_EQ(EvaluateCheck(rms, unused, numbers).status, CheckResult::Status::Failed);
    rms.control = "Range_Field_Display2";
    EXPECT_EQ(EvaluateCheck(rms, unused, numbers).status, CheckResult::Status::Failed);
    rms.control = "RMS_Field_Display1";
    EXPECT_EQ(EvaluateCheck(rms, unused, numbers, true).status, CheckResult::Status::NotChecked);

    // A plain name prefers the main window; a dotted one names its window.
    handIn.windows["TDSPMainForm"]["sfFrequency"] = std::string("2000");
    handIn.windows["TWAVMainForm"]["sfFrequency"] = std::string("500");
    handIn.windows["TWAVMainForm"]["InputFile"] = std::string("Tone.wav");
    EXPECT_EQ(numbers("sfFrequency"), 2000.0);
    EXPECT_EQ(numbers("TWAVMainForm.sfFrequency"), 500.0);
    EXPECT_EQ(numbers("InputFile"), std::nullopt);
}

} // namespace
} // namespace kaldorium
