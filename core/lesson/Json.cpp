#include "core/lesson/Json.h"

#include "core/common/NumberText.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace kaldorium {

JsonValue JsonValue::Boolean(bool value) {
    JsonValue v;
    v.kind = Kind::Bool;
    v.flag = value;
    return v;
}

JsonValue JsonValue::Number(double value) {
    if (!std::isfinite(value)) {
        return JsonValue();
    }
    // The shortest general text that reads back as the same double.
    std::string shortest = FormatGeneral(value, 15);
    double back = 0.0;
    if (!TryParseDouble(shortest, back) || back != value) {
        shortest = FormatGeneral(value, 17);
    }
    return NumberText(shortest);
}

JsonValue JsonValue::NumberText(std::string numberText) {
    JsonValue v;
    v.kind = Kind::Number;
    v.text = std::move(numberText);
    return v;
}

JsonValue JsonValue::String(std::string content) {
    JsonValue v;
    v.kind = Kind::String;
    v.text = std::move(content);
    return v;
}

JsonValue JsonValue::Array() {
    JsonValue v;
    v.kind = Kind::Array;
    return v;
}

JsonValue JsonValue::Object() {
    JsonValue v;
    v.kind = Kind::Object;
    return v;
}

double JsonValue::AsNumber() const {
    double value = 0.0;
    if (!TryParseDouble(text, value)) {
        return 0.0;
    }
    return value;
}

const JsonValue *JsonValue::Find(std::string_view key) const {
    for (const Member &m : members) {
        if (m.first == key) {
            return &m.second;
        }
    }
    return nullptr;
}

void JsonValue::Set(std::string key, JsonValue value) {
    for (Member &m : members) {
        if (m.first == key) {
            m.second = std::move(value);
            return;
        }
    }
    members.emplace_back(std::move(key), std::move(value));
}

namespace {

// Thrown inside the reader only; ParseJson turns it into a text with the position.
struct Malformed : std::runtime_error {
    Malformed(std::size_t at, const std::string &what) : std::runtime_error(what), offset(at) {}
    std::size_t offset;
};

class Reader {
public:
    explicit Reader(std::string_view source) : s(source) {}

    JsonValue Document() {
        // A byte order mark is tolerated at the start, as editors write one.
        if (s.substr(0, 3) == "\xEF\xBB\xBF") {
            i = 3;
        }
        SkipBlanks();
        if (i == s.size()) {
            throw Malformed(i, "the file is empty");
        }
        JsonValue v = Value(0);
        SkipBlanks();
        if (i != s.size()) {
            throw Malformed(i, "unexpected text after the end of the data");
        }
        return v;
    }

    std::string_view s;
    std::size_t i = 0;

private:
    void SkipBlanks() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) {
            ++i;
        }
    }

    bool Literal(std::string_view word) {
        if (s.substr(i, word.size()) != word) {
            return false;
        }
        i += word.size();
        return true;
    }

    JsonValue Value(int depth) {
        if (depth >= MaxJsonDepth) {
            throw Malformed(i, "the data is nested too deeply");
        }
        if (i >= s.size()) {
            throw Malformed(i, "the data ends where a value was expected");
        }
        const char c = s[i];
        if (c == '{') {
            return ObjectValue(depth);
        }
        if (c == '[') {
            return ArrayValue(depth);
        }
        if (c == '"') {
            return JsonValue::String(StringText());
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            return NumberValue();
        }
        if (Literal("true")) {
            return JsonValue::Boolean(true);
        }
        if (Literal("false")) {
            return JsonValue::Boolean(false);
        }
        if (Literal("null")) {
            return JsonValue();
        }
        throw Malformed(i, "a value was expected (text in quotes, a number, true, false, an "
                           "array or an object)");
    }

    JsonValue ObjectValue(int depth) {
        JsonValue object = JsonValue::Object();
        ++i;
        SkipBlanks();
        if (i < s.size() && s[i] == '}') {
            ++i;
            return object;
        }
        for (;;) {
            SkipBlanks();
            if (i >= s.size() || s[i] != '"') {
                throw Malformed(i, "a key in quotes was expected");
            }
            const std::size_t keyAt = i;
            std::string key = StringText();
            if (object.Find(key) != nullptr) {
                throw Malformed(keyAt, "the key \"" + key + "\" is given twice");
            }
            SkipBlanks();
            if (i >= s.size() || s[i] != ':') {
                throw Malformed(i, "':' was expected after the key \"" + key + "\"");
            }
            ++i;
            SkipBlanks();
            JsonValue member = Value(depth + 1);
            object.Set(std::move(key), std::move(member));
            SkipBlanks();
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (i < s.size() && s[i] == '}') {
                ++i;
                return object;
            }
            throw Malformed(i, "',' or '}' was expected");
        }
    }

    JsonValue ArrayValue(int depth) {
        JsonValue array = JsonValue::Array();
        ++i;
        SkipBlanks();
        if (i < s.size() && s[i] == ']') {
            ++i;
            return array;
        }
        for (;;) {
            SkipBlanks();
            array.Append(Value(depth + 1));
            SkipBlanks();
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            if (i < s.size() && s[i] == ']') {
                ++i;
                return array;
            }
            throw Malformed(i, "',' or ']' was expected");
        }
    }

    static bool Digit(char c) { return c >= '0' && c <= '9'; }

    // -?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?
    JsonValue NumberValue() {
        const std::size_t start = i;
        if (s[i] == '-') {
            ++i;
        }
        if (i < s.size() && s[i] == '0') {
            ++i;
        } else if (i < s.size() && Digit(s[i])) {
            while (i < s.size() && Digit(s[i])) {
                ++i;
            }
        } else {
            throw Malformed(start, "a number was expected");
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            if (i >= s.size() || !Digit(s[i])) {
                throw Malformed(start, "a number needs digits after its '.'");
            }
            while (i < s.size() && Digit(s[i])) {
                ++i;
            }
        }
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
                ++i;
            }
            if (i >= s.size() || !Digit(s[i])) {
                throw Malformed(start, "a number needs digits in its exponent");
            }
            while (i < s.size() && Digit(s[i])) {
                ++i;
            }
        }
        return JsonValue::NumberText(std::string(s.substr(start, i - start)));
    }

    unsigned HexQuad() {
        if (s.size() - i < 4) {
            throw Malformed(i, "'\\u' needs four hexadecimal digits");
        }
        unsigned code = 0;
        for (int k = 0; k < 4; ++k, ++i) {
            const char c = s[i];
            code <<= 4;
            if (Digit(c)) {
                code |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                throw Malformed(i, "'\\u' needs four hexadecimal digits");
            }
        }
        return code;
    }

    static void AppendUtf8(std::string &out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    void Escape(std::string &out) {
        const std::size_t at = i;
        ++i;
        if (i >= s.size()) {
            throw Malformed(at, "a string is not closed");
        }
        const char c = s[i++];
        switch (c) {
        case '"':
            out += '"';
            return;
        case '\\':
            out += '\\';
            return;
        case '/':
            out += '/';
            return;
        case 'b':
            out += '\b';
            return;
        case 'f':
            out += '\f';
            return;
        case 'n':
            out += '\n';
            return;
        case 'r':
            out += '\r';
            return;
        case 't':
            out += '\t';
            return;
        case 'u':
            break;
        default:
            throw Malformed(at, "an unknown escape in a string");
        }
        unsigned code = HexQuad();
        if (code >= 0xDC00 && code <= 0xDFFF) {
            throw Malformed(at, "a lone surrogate escape in a string");
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (s.substr(i, 2) != "\\u") {
                throw Malformed(at, "a lone surrogate escape in a string");
            }
            i += 2;
            const unsigned low = HexQuad();
            if (low < 0xDC00 || low > 0xDFFF) {
                throw Malformed(at, "a lone surrogate escape in a string");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
    }

    // One UTF-8 sequence copied as it stands, after checking it is well formed (no overlong
    // forms, no surrogates, nothing above U+10FFFF).
    void Utf8Sequence(std::string &out) {
        const auto byte = [this](std::size_t k) { return static_cast<unsigned char>(s[k]); };
        const unsigned lead = byte(i);
        std::size_t length = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            throw Malformed(i, "the text is not valid UTF-8");
        }
        if (s.size() - i < length) {
            throw Malformed(i, "the text is not valid UTF-8");
        }
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned b = byte(i + k);
            const unsigned lo = k == 1 ? low : 0x80;
            const unsigned hi = k == 1 ? high : 0xBF;
            if (b < lo || b > hi) {
                throw Malformed(i, "the text is not valid UTF-8");
            }
        }
        out.append(s.substr(i, length));
        i += length;
    }

    std::string StringText() {
        const std::size_t start = i;
        ++i;
        std::string out;
        for (;;) {
            if (i >= s.size()) {
                throw Malformed(start, "a string is not closed");
            }
            const auto c = static_cast<unsigned char>(s[i]);
            if (c == '"') {
                ++i;
                return out;
            }
            if (c == '\\') {
                Escape(out);
            } else if (c < 0x20) {
                throw Malformed(i, "a control character (a line break?) inside a string");
            } else if (c < 0x80) {
                out += static_cast<char>(c);
                ++i;
            } else {
                Utf8Sequence(out);
            }
        }
    }
};

std::string Position(std::string_view s, std::size_t offset) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t k = 0; k < offset && k < s.size(); ++k) {
        if (s[k] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(s[k]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void WriteString(std::string &out, const std::string &text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void Write(std::string &out, const JsonValue &v, int level) {
    const std::string indent(static_cast<std::size_t>(2 * (level + 1)), ' ');
    const std::string closing(static_cast<std::size_t>(2 * level), ' ');
    switch (v.GetKind()) {
    case JsonValue::Kind::Null:
        out += "null";
        return;
    case JsonValue::Kind::Bool:
        out += v.AsBool() ? "true" : "false";
        return;
    case JsonValue::Kind::Number:
        out += v.Text();
        return;
    case JsonValue::Kind::String:
        WriteString(out, v.Text());
        return;
    case JsonValue::Kind::Array:
        if (v.Items().empty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (std::size_t k = 0; k < v.Items().size(); ++k) {
            out += indent;
            Write(out, v.Items()[k], level + 1);
            out += k + 1 < v.Items().size() ? ",\n" : "\n";
        }
        out += closing + "]";
        return;
    case JsonValue::Kind::Object:
        if (v.Members().empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (std::size_t k = 0; k < v.Members().size(); ++k) {
            out += indent;
            WriteString(out, v.Members()[k].first);
            out += ": ";
            Write(out, v.Members()[k].second, level + 1);
            out += k + 1 < v.Members().size() ? ",\n" : "\n";
        }
        out += closing + "}";
        return;
    }
}

} // namespace

JsonParse ParseJson(std::string_view text) {
    JsonParse result;
    Reader reader(text);
    try {
        result.value = reader.Document();
        result.ok = true;
    } catch (const Malformed &fault) {
        result.error = Position(text, fault.offset) + ": " + fault.what();
    }
    return result;
}

std::string WriteJson(const JsonValue &value) {
    std::string out;
    Write(out, value, 0);
    out += '\n';
    return out;
}

} // namespace kaldorium
