#include "core/common/LineEnds.h"

namespace kaldorium {

std::size_t UnifyLineEnds(char *text, std::size_t length, bool &afterCr) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\n' && afterCr) {
            // The LF of a CR LF: the CR has already become the line end.
            afterCr = false;
            continue;
        }
        afterCr = c == '\r';
        text[kept++] = afterCr ? '\n' : c;
    }
    return kept;
}

} // namespace kaldorium
