#pragma once

#include <functional>

namespace kaldorium {

// How long work reports how far it got: `done` units of `total` (0 when the total is not known
// in advance). Returning false asks the work to stop where it is; it then reports that it was
// stopped. The work calls it on its own thread, between units, never per sample when it can
// help it.
using Progress = std::function<bool(long long done, long long total)>;

// Calls `progress` if there is one; no callback never stops the work.
inline bool Report(const Progress &progress, long long done, long long total) {
    return !progress || progress(done, total);
}

} // namespace kaldorium
