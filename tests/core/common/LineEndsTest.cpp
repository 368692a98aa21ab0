#include "core/common/LineEnds.h"

#include <gtest/gtest.h>

#include <string>

using kaldorium::UnifyLineEnds;

namespace {

// The text cut into pieces of `piece` bytes, each unified in turn, joined again.
std::string Unified(std::string text, std::size_t piece) {
    std::string result;
    bool afterCr = false;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        std::string part = text.substr(at, piece);
        part.resize(UnifyLineEnds(part.data(), part.size(), afterCr));
        result += part;
    }
    return result;
}

} // namespace

// Every way of cutting gives the same text: a CR LF split between two pieces is one line end.
TEST(LineEnds, EveryLineEndBecomesOneLf) {
    const std::string text = "a\r\nb\nc\rd\r\r\ne\n\r\r\n\r";
    const std::string want = "a\nb\nc\nd\n\ne\n\n\n\n";
    for (std::size_t piece = 1; piece <= text.size(); ++piece) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(Unified(text, piece), want);
    }
    EXPECT_EQ(Unified("", 1), "");
    EXPECT_EQ(Unified("no line end \xC3\xA9", 4), "no line end \xC3\xA9");
}
