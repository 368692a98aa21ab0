// Feeds arbitrary bytes to the lesson reader: it must never crash, never hang, and a lesson it
// accepts must write out as a text that reads back to the same text.
#include "core/lesson/LessonFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const kaldorium::LessonRead read = kaldorium::ReadLesson(text);
    if (!read.ok) {
        if (read.error.empty()) {
            std::abort();
        }
        return 0;
    }
    const std::string written = kaldorium::WriteLesson(read.lesson);
    const kaldorium::LessonRead again = kaldorium::ReadLesson(written);
    if (!again.ok || kaldorium::WriteLesson(again.lesson) != written) {
        std::abort();
    }
    return 0;
}
