#pragma once

#include "core/lesson/Lesson.h"

#include <string>
#include <string_view>

namespace kaldorium {

// The version of the lesson file this program writes and the newest it reads.
inline constexpr int LessonFormat = 1;
// A lesson file larger than this is refused unread.
inline constexpr std::size_t MaxLessonFileBytes = 4 * 1024 * 1024;

// The outcome of reading a lesson: the lesson, or one text naming what is wrong and where.
struct LessonRead {
    bool ok = false;
    Lesson lesson;
    std::string error;
};

// Reads a lesson from its JSON text (UTF-8). Refused, with a message naming the fault: text that
// is not JSON, a missing or newer "format", an unknown key (named with its place, e.g.
// "checks[2].tolerance"), a value of the wrong type, an unknown window, property or filter kind,
// a check without the value its property needs, a tolerance that is neither a number nor a text
// ending in "%". Never throws.
LessonRead ReadLesson(std::string_view text);

// Reads the file at `path` (the message then starts with the file name).
LessonRead ReadLessonFile(const std::string &path);

// The lesson as JSON with "format": 1 and its keys in a fixed order: format, title,
// instructions, windows, coefficients, locked, hidden, checks; controls sorted by name. Reading
// the text back gives the same lesson.
std::string WriteLesson(const Lesson &lesson);

// Writes the lesson to a file beside `path` first and renames it into place, so a failed write
// leaves an existing file whole. False, with a message, when the file cannot be written.
bool WriteLessonFile(const std::string &path, const Lesson &lesson, std::string &error);

} // namespace kaldorium
