#pragma once

#include <cstddef>

namespace kaldorium {

// Turns every line end of a text — CR LF, LF or a lone CR — into one LF, in place and in one
// pass; returns the text's new length. CR and LF are single bytes in UTF-8 and in Latin-1 alike,
// so the bytes may be changed before they are decoded. A text handled in pieces passes
// `afterCr` from one piece to the next (false before the first), so that a CR LF split between
// two pieces still makes one line end.
std::size_t UnifyLineEnds(char *text, std::size_t length, bool &afterCr);

} // namespace kaldorium
