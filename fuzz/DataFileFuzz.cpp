// Feeds arbitrary text to the input data file reader: it must never crash, never write past the
// buffer it is given, and never give more than MaxDataFileValues values, all of them finite.
#include "core/workbench/DataFiles.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using kaldorium::MaxDataFileValues;
    // The first byte picks the caller's buffer length, so short buffers are exercised too; the
    // buffer is exactly that long, so the address sanitizer catches any write past it.
    int maxCount = MaxDataFileValues;
    if (size > 0 && data[0] % 4 == 0) {
        maxCount = data[0] / 4;
    }
    std::vector<double> values(static_cast<std::size_t>(maxCount));
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    const int count = kaldorium::ReadDataFileValues(in, values.data(), maxCount);
    if (count < 0 || count > maxCount || count > MaxDataFileValues) {
        std::abort();
    }
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[static_cast<std::size_t>(i)])) {
            std::abort();
        }
    }
    return 0;
}
