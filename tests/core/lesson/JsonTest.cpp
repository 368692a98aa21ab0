#include "core/lesson/Json.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kaldorium {
namespace {

TEST(Json, WritesWhatItReadsWithKeysInTheirOrder) {
    const std::string text = "{\n"
                             "  \"zeta\": [\n"
                             "    1,\n"
                             "    -2.5E-5,\n"
                             "    true,\n"
                             "    null\n"
                             "  ],\n"
                             "  \"alpha\": \"A \\\"quoted\\\" back\\\\slash\\n\\ttab\",\n"
                             "  \"empty\": {},\n"
                             "  \"none\": []\n"
                             "}\n";
    const JsonParse parsed = ParseJson(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.value.Members()[0].first, "zeta");
    EXPECT_EQ(parsed.value.Find("alpha")->Text(), "A \"quoted\" back\\slash\n\ttab");
    EXPECT_DOUBLE_EQ(parsed.value.Find("zeta")->Items()[1].AsNumber(), -2.5e-5);
    EXPECT_EQ(WriteJson(parsed.value), text);
}

TEST(Json, EscapesBecomeUtf8AndUtf8IsKept) {
    const JsonParse parsed = ParseJson(R"(["\u00e9\u20ac\ud83c\udfb5", "é€🎵", "\u0001"])");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.value.Items()[0].Text(), "é€🎵");
    EXPECT_EQ(parsed.value.Items()[1].Text(), "é€🎵");
    // Control characters are written escaped, so the file stays one value per line.
    EXPECT_NE(WriteJson(parsed.value).find("\\u0001"), std::string::npos);
}

TEST(Json, NumbersAreWrittenShortestAndReadBackExactly) {
    EXPECT_EQ(JsonValue::Number(0.1).Text(), "0.1");
    EXPECT_EQ(JsonValue::Number(2.5e-5).Text(), "2.5E-5");
    const double third = 1.0 / 3.0;
    EXPECT_EQ(JsonValue::Number(third).AsNumber(), third);
    EXPECT_TRUE(JsonValue::Number(std::numeric_limits<double>::infinity()).IsNull());
}

struct Malformed {
    const char *text;
    const char *message; // a part of the expected message
};

class JsonRefuses : public testing::TestWithParam<Malformed> {};

TEST_P(JsonRefuses, NamesTheFaultAndItsPlace) {
    const JsonParse parsed = ParseJson(GetParam().text);
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find(GetParam().message), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonRefuses,
    testing::Values(
        Malformed{"", "line 1, column 1: the file is empty"},
        Malformed{"{\"a\": 1,\n  \"a\": 2}", "line 2, column 3: the key \"a\" is given twice"},
        Malformed{"{\"a\" 1}", "':' was expected"}, Malformed{"[1, 2", "',' or ']' was expected"},
        Malformed{"{\"a\": 1", "',' or '}' was expected"},
        Malformed{"\"open", "a string is not closed"},
        Malformed{"\"line\nbreak\"", "control character"},
        Malformed{"01", "unexpected text after the end"}, Malformed{"1.", "digits after its '.'"},
        Malformed{"1e+", "digits in its exponent"}, Malformed{"-", "a number was expected"},
        Malformed{"tru", "a value was expected"}, Malformed{"\"\\x\"", "unknown escape"},
        Malformed{"\"\\u12\"", "four hexadecimal digits"},
        Malformed{"\"\\ud800\"", "lone surrogate"}, Malformed{"\"\\udc00\"", "lone surrogate"},
        Malformed{"\"\xC0\xAF\"", "not valid UTF-8"},     // overlong "/"
        Malformed{"\"\xED\xA0\x80\"", "not valid UTF-8"}, // a surrogate
        Malformed{"\"\xF4\x90\x80\x80\"", "not valid UTF-8"},
        Malformed{"\"\xE2\x82\"", "not valid UTF-8"},
        Malformed{"{} {}", "unexpected text after the end"}));

TEST(Json, DeepNestingIsRefusedNotRecursedInto) {
    const std::string deep(100000, '[');
    const JsonParse parsed = ParseJson(deep);
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find("nested too deeply"), std::string::npos);
    const auto nested = [](int levels) {
        return std::string(static_cast<std::size_t>(levels), '[') +
               std::string(static_cast<std::size_t>(levels), ']');
    };
    EXPECT_TRUE(ParseJson(nested(MaxJsonDepth)).ok);
    EXPECT_FALSE(ParseJson(nested(MaxJsonDepth + 1)).ok);
}

TEST(Json, AByteOrderMarkAndBlanksAroundTheValueAreTolerated) {
    EXPECT_TRUE(ParseJson("\xEF\xBB\xBF \r\n{\"a\": [ ]}\t\n").ok);
}

} // namespace
} // namespace kaldorium
