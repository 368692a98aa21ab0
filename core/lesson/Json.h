#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaldorium {

// A JSON value as the lesson files use it. An object keeps its members in the order they were
// read or added, so a file is written back with its keys in a stable order; a number keeps the
// text it was read with, converted by the shared number module when asked for.
class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    using Member = std::pair<std::string, JsonValue>;

    JsonValue() = default;
    static JsonValue Boolean(bool value);
    // Written in the general format with the fewest digits that read back as the same value.
    // A value that is not finite has no JSON form and becomes null.
    static JsonValue Number(double value);
    // `text` must be a JSON number; the reader checks it, a caller passes its own formatted text.
    static JsonValue NumberText(std::string text);
    static JsonValue String(std::string text);
    static JsonValue Array();
    static JsonValue Object();

    Kind GetKind() const { return kind; }
    bool IsNull() const { return kind == Kind::Null; }
    bool IsBool() const { return kind == Kind::Bool; }
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsString() const { return kind == Kind::String; }
    bool IsArray() const { return kind == Kind::Array; }
    bool IsObject() const { return kind == Kind::Object; }

    bool AsBool() const { return flag; }
    // The number (a text that overflows reads as ±infinity; callers check), or the string.
    double AsNumber() const;
    const std::string &Text() const { return text; }
    const std::vector<JsonValue> &Items() const { return items; }
    const std::vector<Member> &Members() const { return members; }
    // The member of that key, or nullptr.
    const JsonValue *Find(std::string_view key) const;

    void Append(JsonValue item) { items.push_back(std::move(item)); }
    // Adds a member at the end (a key already there is replaced in place).
    void Set(std::string key, JsonValue value);

private:
    Kind kind = Kind::Null;
    bool flag = false;
    std::string text; // a number's text or a string's UTF-8 content
    std::vector<JsonValue> items;
    std::vector<Member> members;
};

// The outcome of reading a JSON text: the value, or what is wrong and where
// ("line 3, column 14: a string is not closed").
struct JsonParse {
    bool ok = false;
    JsonValue value;
    std::string error;
};

// Reads one JSON value (RFC 8259) from UTF-8 text: the whole text must be that value and blanks.
// Refused: malformed UTF-8, control characters in strings, lone surrogate escapes, a key given
// twice in one object, and nesting deeper than MaxJsonDepth. Never throws.
inline constexpr int MaxJsonDepth = 64;
JsonParse ParseJson(std::string_view text);

// Writes a value with two blanks of indentation per level, "\n" line ends and a final line end.
// Strings are written as UTF-8; only the quote, the backslash and control characters are escaped.
std::string WriteJson(const JsonValue &value);

} // namespace kaldorium
