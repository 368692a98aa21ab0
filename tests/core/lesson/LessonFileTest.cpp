#include "core/lesson/LessonFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace kaldorium {
namespace {

Lesson FullLesson() {
    Lesson lesson;
    lesson.title = "Q of a band pass — « Güte »";
    lesson.instructions = "# Step 1\nSet **Q** to 5.\n";
    lesson.windows["TDSPMainForm"] = {{"sfFrequency", std::string("1000")},
                                      {"BandPass", true},
                                      {"LowPass", false},
                                      {"sTimeScale", std::string("")}};
    lesson.windows["TFilterNetworkForm"] = {{"FA1_Type", std::string("LowPass")}};
    lesson.windows["TSamplingForm"] = {{"SampleRate", std::string("8000")}, {"Listen", false}};
    lesson.windows["TPoleZeroForm"] = {};
    lesson.coefficients =
        LessonCoefficients{{0.1, 0, -0.1, 0, 0, 0, 0}, {1, -1.9, 0.95, 0, 0, 0, 0}};
    lesson.locked = {"sfAmplification", "LowPass"};
    lesson.hidden = {"NetworkFiltering"};
    LessonCheck gain;
    gain.name = "Peak gain";
    gain.property = CheckProperty::PeakGain;
    gain.unit = "dB";
    gain.value = 6.02;
    gain.tolerance = 0.5;
    LessonCheck width;
    width.name = "Bandwidth";
    width.property = CheckProperty::Bandwidth;
    width.value = 200;
    width.tolerance = 2.5;
    width.tolerancePercent = true;
    LessonCheck rms;
    rms.name = "Output RMS";
    rms.property = CheckProperty::Control;
    rms.control = "RMS_Field_Display2";
    rms.minimum = 0.69;
    rms.maximum = 0.72;
    LessonCheck stable;
    stable.name = "Stable";
    stable.property = CheckProperty::Stable;
    LessonCheck kind;
    kind.name = "Kind";
    kind.property = CheckProperty::Kind;
    kind.kindText = "LowPass 4th Order";
    lesson.checks = {gain, width, rms, stable, kind};
    return lesson;
}

void ExpectSameChecks(const LessonCheck &a, const LessonCheck &b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.property, b.property);
    EXPECT_EQ(a.control, b.control);
    EXPECT_EQ(a.unit, b.unit);
    EXPECT_EQ(a.value, b.value);
    EXPECT_EQ(a.kindText, b.kindText);
    EXPECT_EQ(a.tolerance, b.tolerance);
    EXPECT_EQ(a.tolerancePercent, b.tolerancePercent);
    EXPECT_EQ(a.minimum, b.minimum);
    EXPECT_EQ(a.maximum, b.maximum);
}

TEST(LessonFile, ALessonReadsBackAsItWasWrittenAndWritesTheSameText) {
    const Lesson lesson = FullLesson();
    const std::string text = WriteLesson(lesson);
    const LessonRead read = ReadLesson(text);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.lesson.title, lesson.title);
    EXPECT_EQ(read.lesson.instructions, lesson.instructions);
    EXPECT_EQ(read.lesson.windows, lesson.windows);
    ASSERT_TRUE(read.lesson.coefficients);
    EXPECT_EQ(read.lesson.coefficients->a, lesson.coefficients->a);
    EXPECT_EQ(read.lesson.coefficients->b, lesson.coefficients->b);
    EXPECT_EQ(read.lesson.locked, lesson.locked);
    EXPECT_EQ(read.lesson.hidden, lesson.hidden);
    ASSERT_EQ(read.lesson.checks.size(), lesson.checks.size());
    for (std::size_t i = 0; i < lesson.checks.size(); ++i) {
        ExpectSameChecks(read.lesson.checks[i], lesson.checks[i]);
    }
    EXPECT_EQ(WriteLesson(read.lesson), text);
    // The keys stand in a fixed order, the version first.
    EXPECT_EQ(text.rfind("{\n  \"format\": 1,\n  \"title\": ", 0), 0u);
    EXPECT_LT(text.find("\"BandPass\": true"), text.find("\"LowPass\": false"));
    EXPECT_LT(text.find("\"locked\""), text.find("\"checks\""));
    EXPECT_NE(text.find("\"tolerance\": \"2.5%\""), std::string::npos);
}

struct Refusal {
    const char *text;
    const char *message;
};

class LessonRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(LessonRefuses, WithAMessageNamingTheFault) {
    const LessonRead read = ReadLesson(GetParam().text);
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.error.find(GetParam().message), std::string::npos) << read.error;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LessonRefuses,
    testing::Values(
        Refusal{"{\"format\": 1, \"title\": ", "is not valid JSON: line 1, column 24"},
        Refusal{"[]", "one object in braces"},
        Refusal{"{\"title\": \"x\"}", "\"format\" version is missing"},
        Refusal{"{\"format\": 2}", "format 2, newer than the format 1"},
        Refusal{"{\"format\": 1.5}", "whole number"},
        Refusal{"{\"format\": \"1\"}", "\"format\" must be a finite number"},
        Refusal{"{\"format\": 1, \"colour\": 3}", "unknown key \"colour\""},
        Refusal{"{\"format\": 1, \"title\": 3}", "\"title\" must be a text"},
        Refusal{"{\"format\": 1, \"windows\": {\"TMainForm\": {}}}",
                "unknown window \"TMainForm\""},
        Refusal{"{\"format\": 1, \"windows\": {\"TDSPMainForm\": {\"soFrequency\": 2000}}}",
                "windows.TDSPMainForm.soFrequency must be a text in quotes or true/false"},
        Refusal{"{\"format\": 1, \"coefficients\": {\"a\": [1], \"b\": [1]}}",
                "coefficients.a must be a list of 7 numbers"},
        Refusal{"{\"format\": 1, \"locked\": [\"a\", 2]}", "locked[1] must be a text"},
        Refusal{"{\"format\": 1, \"checks\": [{\"property\": \"stable\"}]}",
                "checks[0] needs a \"name\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"loudness\"}]}",
                "checks[0] (\"n\"): unknown property \"loudness\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\"}]}",
                "either a \"property\" or a \"control\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"stable\", "
                "\"value\": 1}]}",
                "\"stable\" takes no value"},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"filter kind\", "
                "\"value\": \"Comb\"}]}",
                "unknown filter kind \"Comb\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"peak gain\", "
                "\"value\": 6}]}",
                "a value needs a \"tolerance\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"peak gain\", "
                "\"value\": 6, \"tolerance\": \"0.5 dB\"}]}",
                "tolerance must be a number or a text ending in \"%\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"peak gain\", "
                "\"value\": 6, \"tolerance\": -1}]}",
                "must not be negative"},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"property\": \"peak gain\", "
                "\"unit\": \"Hz\", \"value\": 6, \"tolerance\": 1}]}",
                "the unit of \"peak gain\" is \"dB\", not \"Hz\""},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"control\": \"sQfactor\", "
                "\"minimum\": 2, \"maximum\": 1}]}",
                "the minimum is above the maximum"},
        Refusal{"{\"format\": 1, \"checks\": [{\"name\": \"n\", \"control\": \"sQfactor\", "
                "\"weight\": 2}]}",
                "unknown key \"weight\" in checks[0]"}));

TEST(LessonFile, ChecksReadTheFormsATeacherWrites) {
    const LessonRead read = ReadLesson(
        R"({"format": 1, "checks": [
             {"name": "f", "property": "−3 dB low", "unit": "Hz", "value": 1000, "tolerance": "2 %"},
             {"name": "k", "property": "filter kind", "value": "Low Pass 4th Order"},
             {"name": "r", "control": "RMS_Field_Display1", "minimum": 0.69}]})");
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.lesson.checks[0].property, CheckProperty::LowHalfPower);
    EXPECT_TRUE(read.lesson.checks[0].tolerancePercent);
    EXPECT_EQ(read.lesson.checks[0].tolerance, 2.0);
    EXPECT_EQ(FilterKindOfText(read.lesson.checks[1].kindText), fkLowPass4th);
    EXPECT_EQ(read.lesson.checks[2].minimum, 0.69);
    EXPECT_FALSE(read.lesson.checks[2].maximum);
}

TEST(LessonFile, FilesThatCannotBeReadAreNamed) {
    const std::string missing = std::string(KALDORIUM_TEST_TMP) + "/no-such.klesson";
    const LessonRead read = ReadLessonFile(missing);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, "'" + missing + "': the file cannot be opened.");

    const std::string large = std::string(KALDORIUM_TEST_TMP) + "/large.klesson";
    {
        std::ofstream out(large, std::ios::binary);
        out << "{\"format\": 1, \"title\": \"" << std::string(MaxLessonFileBytes, 'x') << "\"}";
    }
    EXPECT_NE(ReadLessonFile(large).error.find("larger than a lesson can be"), std::string::npos);
    std::remove(large.c_str());
}

TEST(LessonFile, WritingReplacesAFileWholeAndLeavesNothingBeside) {
    const std::string path = std::string(KALDORIUM_TEST_TMP) + "/written.klesson";
    std::string error;
    ASSERT_TRUE(WriteLessonFile(path, FullLesson(), error)) << error;
    const LessonRead read = ReadLessonFile(path);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.lesson.title, FullLesson().title);
    EXPECT_FALSE(std::ifstream(path + ".part").good());
    EXPECT_FALSE(WriteLessonFile(std::string(KALDORIUM_TEST_TMP) + "/no-such-folder/x.klesson",
                                 FullLesson(), error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos);
    std::remove(path.c_str());
}

} // namespace
} // namespace kaldorium
