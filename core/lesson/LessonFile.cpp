#include "core/lesson/LessonFile.h"

#include "core/common/NumberText.h"
#include "core/lesson/Json.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>

namespace kaldorium {

namespace {

// Thrown inside the reader only; ReadLesson turns it into its message.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Quoted(const std::string &text) {
    return "\"" + text + "\"";
}

void RefuseUnknownKeys(const JsonValue &object, const std::string &where,
                       std::initializer_list<const char *> known) {
    for (const JsonValue::Member &m : object.Members()) {
        bool found = false;
        for (const char *k : known) {
            found = found || m.first == k;
        }
        if (!found) {
            throw Refused("unknown key " + Quoted(m.first) +
                          (where.empty() ? std::string() : " in " + where));
        }
    }
}

const std::string &TextOf(const JsonValue &v, const std::string &where) {
    if (!v.IsString()) {
        throw Refused(where + " must be a text in quotes");
    }
    return v.Text();
}

double NumberOf(const JsonValue &v, const std::string &where) {
    double value = 0.0;
    if (!v.IsNumber() || !TryParseDouble(v.Text(), value) || !std::isfinite(value)) {
        throw Refused(where + " must be a finite number");
    }
    return value;
}

int FormatOf(const JsonValue &root) {
    const JsonValue *format = root.Find("format");
    if (format == nullptr) {
        throw Refused("the \"format\" version is missing; is this a lesson file?");
    }
    const double v = NumberOf(*format, "\"format\"");
    if (v != std::floor(v) || v < 1) {
        throw Refused("\"format\" must be a whole number from 1");
    }
    if (v > LessonFormat) {
        throw Refused("the lesson has format " + FormatGeneral(v) + ", newer than the format " +
                      std::to_string(LessonFormat) +
                      " this program reads; a newer version of the program is needed");
    }
    return static_cast<int>(v);
}

void ReadWindows(const JsonValue &v, Lesson &lesson) {
    if (!v.IsObject()) {
        throw Refused("\"windows\" must be an object of windows");
    }
    for (const JsonValue::Member &w : v.Members()) {
        const std::string where = "windows." + w.first;
        if (!IsLessonWindow(w.first)) {
            throw Refused("unknown window " + Quoted(w.first) + " in \"windows\"");
        }
        if (!w.second.IsObject()) {
            throw Refused(where + " must be an object of controls");
        }
        ControlValues &controls = lesson.windows[w.first];
        for (const JsonValue::Member &c : w.second.Members()) {
            if (c.first.empty()) {
                throw Refused(where + " names a control without a name");
            }
            if (c.second.IsBool()) {
                controls[c.first] = c.second.AsBool();
            } else if (c.second.IsString()) {
                controls[c.first] = c.second.Text();
            } else {
                throw Refused(where + "." + c.first + " must be a text in quotes or true/false");
            }
        }
    }
}

void ReadCoefficients(const JsonValue &v, Lesson &lesson) {
    if (!v.IsObject()) {
        throw Refused("\"coefficients\" must be an object with \"a\" and \"b\"");
    }
    RefuseUnknownKeys(v, "\"coefficients\"", {"a", "b"});
    LessonCoefficients set;
    for (const char *name : {"a", "b"}) {
        const std::string where = std::string("coefficients.") + name;
        const JsonValue *list = v.Find(name);
        if (list == nullptr || !list->IsArray() || list->Items().size() != 7) {
            throw Refused(where + " must be a list of 7 numbers");
        }
        std::array<double, 7> &target = name[0] == 'a' ? set.a : set.b;
        for (std::size_t i = 0; i < 7; ++i) {
            target[i] = NumberOf(list->Items()[i], where + "[" + std::to_string(i) + "]");
        }
    }
    lesson.coefficients = set;
}

std::vector<std::string> NameList(const JsonValue &v, const std::string &key) {
    if (!v.IsArray()) {
        throw Refused(Quoted(key) + " must be a list of control names");
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < v.Items().size(); ++i) {
        names.push_back(TextOf(v.Items()[i], key + "[" + std::to_string(i) + "]"));
    }
    return names;
}

void ReadTolerance(const JsonValue &v, const std::string &where, LessonCheck &check) {
    if (v.IsNumber()) {
        check.tolerance = NumberOf(v, where);
    } else if (v.IsString() && !v.Text().empty() && v.Text().back() == '%') {
        double percent = 0.0;
        const std::string number = v.Text().substr(0, v.Text().size() - 1);
        if (!TryParseDouble(number, percent) || !std::isfinite(percent)) {
            throw Refused(where + ": " + Quoted(v.Text()) + " is not a percentage");
        }
        check.tolerance = percent;
        check.tolerancePercent = true;
    } else {
        throw Refused(where + " must be a number or a text ending in \"%\"");
    }
    if (*check.tolerance < 0) {
        throw Refused(where + " must not be negative");
    }
}

void ReadCheckValue(const JsonValue &item, const std::string &where, LessonCheck &check) {
    const JsonValue *value = item.Find("value");
    const bool bounded = item.Find("minimum") != nullptr || item.Find("maximum") != nullptr;
    if (check.property == CheckProperty::Stable) {
        if (value != nullptr || bounded || item.Find("tolerance") != nullptr) {
            throw Refused(where + ": \"stable\" takes no value, tolerance or bounds");
        }
        return;
    }
    if (check.property == CheckProperty::Kind) {
        if (value == nullptr || bounded || item.Find("tolerance") != nullptr) {
            throw Refused(where + ": \"filter kind\" takes a value (the filter's caption) only");
        }
        check.kindText = TextOf(*value, where + ".value");
        if (!FilterKindOfText(check.kindText)) {
            throw Refused(where + ": unknown filter kind " + Quoted(check.kindText));
        }
        return;
    }
    if (const JsonValue *m = item.Find("minimum")) {
        check.minimum = NumberOf(*m, where + ".minimum");
    }
    if (const JsonValue *m = item.Find("maximum")) {
        check.maximum = NumberOf(*m, where + ".maximum");
    }
    if (value != nullptr) {
        check.value = NumberOf(*value, where + ".value");
        const JsonValue *tolerance = item.Find("tolerance");
        if (tolerance == nullptr) {
            throw Refused(where + ": a value needs a \"tolerance\"");
        }
        ReadTolerance(*tolerance, where + ".tolerance", check);
    } else if (!bounded) {
        throw Refused(where + " needs a \"value\" with a \"tolerance\", or a \"minimum\" or "
                              "\"maximum\"");
    } else if (item.Find("tolerance") != nullptr) {
        throw Refused(where + ": a \"tolerance\" needs a \"value\"");
    }
    if (check.minimum && check.maximum && *check.minimum > *check.maximum) {
        throw Refused(where + ": the minimum is above the maximum");
    }
}

LessonCheck ReadCheck(const JsonValue &item, const std::string &where) {
    if (!item.IsObject()) {
        throw Refused(where + " must be an object");
    }
    RefuseUnknownKeys(
        item, where,
        {"name", "property", "control", "unit", "value", "tolerance", "minimum", "maximum"});
    LessonCheck check;
    const JsonValue *name = item.Find("name");
    if (name == nullptr || TextOf(*name, where + ".name").empty()) {
        throw Refused(where + " needs a \"name\"");
    }
    check.name = name->Text();
    const std::string named = where + " (" + Quoted(check.name) + ")";
    const JsonValue *property = item.Find("property");
    const JsonValue *control = item.Find("control");
    if ((property == nullptr) == (control == nullptr)) {
        throw Refused(named + " needs either a \"property\" or a \"control\"");
    }
    if (property != nullptr) {
        const std::string &text = TextOf(*property, where + ".property");
        const std::optional<CheckProperty> p = PropertyOfText(text);
        if (!p) {
            throw Refused(named + ": unknown property " + Quoted(text));
        }
        check.property = *p;
    } else {
        check.property = CheckProperty::Control;
        check.control = TextOf(*control, where + ".control");
        if (check.control.empty()) {
            throw Refused(named + ": the control has no name");
        }
    }
    if (const JsonValue *unit = item.Find("unit")) {
        check.unit = TextOf(*unit, where + ".unit");
        const std::string expected = PropertyUnit(check.property);
        if (!expected.empty() && check.unit != expected) {
            throw Refused(named + ": the unit of " + Quoted(PropertyText(check.property)) + " is " +
                          Quoted(expected) + ", not " + Quoted(check.unit));
        }
    }
    ReadCheckValue(item, named, check);
    return check;
}

Lesson ReadRoot(const JsonValue &root) {
    if (!root.IsObject()) {
        throw Refused("a lesson file holds one object in braces { }");
    }
    FormatOf(root);
    RefuseUnknownKeys(root, "",
                      {"format", "title", "instructions", "windows", "coefficients", "locked",
                       "hidden", "checks"});
    Lesson lesson;
    if (const JsonValue *v = root.Find("title")) {
        lesson.title = TextOf(*v, "\"title\"");
    }
    if (const JsonValue *v = root.Find("instructions")) {
        lesson.instructions = TextOf(*v, "\"instructions\"");
    }
    if (const JsonValue *v = root.Find("windows")) {
        ReadWindows(*v, lesson);
    }
    if (const JsonValue *v = root.Find("coefficients")) {
        ReadCoefficients(*v, lesson);
    }
    if (const JsonValue *v = root.Find("locked")) {
        lesson.locked = NameList(*v, "locked");
    }
    if (const JsonValue *v = root.Find("hidden")) {
        lesson.hidden = NameList(*v, "hidden");
    }
    if (const JsonValue *v = root.Find("checks")) {
        if (!v->IsArray()) {
            throw Refused("\"checks\" must be a list of checks");
        }
        for (std::size_t i = 0; i < v->Items().size(); ++i) {
            lesson.checks.push_back(ReadCheck(v->Items()[i], "checks[" + std::to_string(i) + "]"));
        }
    }
    return lesson;
}

JsonValue CheckJson(const LessonCheck &check) {
    JsonValue item = JsonValue::Object();
    item.Set("name", JsonValue::String(check.name));
    if (check.property == CheckProperty::Control) {
        item.Set("control", JsonValue::String(check.control));
    } else {
        item.Set("property", JsonValue::String(PropertyText(check.property)));
    }
    if (!check.unit.empty()) {
        item.Set("unit", JsonValue::String(check.unit));
    }
    if (check.property == CheckProperty::Kind) {
        item.Set("value", JsonValue::String(check.kindText));
    } else if (check.value) {
        item.Set("value", JsonValue::Number(*check.value));
    }
    if (check.tolerance) {
        item.Set("tolerance", check.tolerancePercent
                                  ? JsonValue::String(FormatGeneral(*check.tolerance) + "%")
                                  : JsonValue::Number(*check.tolerance));
    }
    if (check.minimum) {
        item.Set("minimum", JsonValue::Number(*check.minimum));
    }
    if (check.maximum) {
        item.Set("maximum", JsonValue::Number(*check.maximum));
    }
    return item;
}

JsonValue NamesJson(const std::vector<std::string> &names) {
    JsonValue list = JsonValue::Array();
    for (const std::string &n : names) {
        list.Append(JsonValue::String(n));
    }
    return list;
}

} // namespace

LessonRead ReadLesson(std::string_view text) {
    LessonRead result;
    const JsonParse parsed = ParseJson(text);
    if (!parsed.ok) {
        result.error = "The lesson is not valid JSON: " + parsed.error + ".";
        return result;
    }
    try {
        result.lesson = ReadRoot(parsed.value);
        result.ok = true;
    } catch (const Refused &fault) {
        result.error = std::string("The lesson cannot be used: ") + fault.what() + ".";
    }
    return result;
}

LessonRead ReadLessonFile(const std::string &path) {
    LessonRead result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "'" + path + "': the file cannot be opened.";
        return result;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > MaxLessonFileBytes) {
            result.error = "'" + path + "': the file is larger than a lesson can be (" +
                           std::to_string(MaxLessonFileBytes / (1024 * 1024)) + " MB).";
            return result;
        }
    }
    if (in.bad()) {
        result.error = "'" + path + "': the file cannot be read.";
        return result;
    }
    result = ReadLesson(text);
    if (!result.ok) {
        result.error = "'" + path + "': " + result.error;
    }
    return result;
}

std::string WriteLesson(const Lesson &lesson) {
    JsonValue root = JsonValue::Object();
    root.Set("format", JsonValue::Number(LessonFormat));
    root.Set("title", JsonValue::String(lesson.title));
    root.Set("instructions", JsonValue::String(lesson.instructions));
    JsonValue windows = JsonValue::Object();
    for (const auto &[window, controls] : lesson.windows) {
        JsonValue values = JsonValue::Object();
        for (const auto &[control, value] : controls) {
            values.Set(control, std::holds_alternative<bool>(value)
                                    ? JsonValue::Boolean(std::get<bool>(value))
                                    : JsonValue::String(std::get<std::string>(value)));
        }
        windows.Set(window, std::move(values));
    }
    root.Set("windows", std::move(windows));
    if (lesson.coefficients) {
        JsonValue set = JsonValue::Object();
        for (const char *name : {"a", "b"}) {
            JsonValue list = JsonValue::Array();
            for (const double c :
                 name[0] == 'a' ? lesson.coefficients->a : lesson.coefficients->b) {
                list.Append(JsonValue::Number(c));
            }
            set.Set(name, std::move(list));
        }
        root.Set("coefficients", std::move(set));
    }
    root.Set("locked", NamesJson(lesson.locked));
    root.Set("hidden", NamesJson(lesson.hidden));
    JsonValue checks = JsonValue::Array();
    for (const LessonCheck &check : lesson.checks) {
        checks.Append(CheckJson(check));
    }
    root.Set("checks", std::move(checks));
    return WriteJson(root);
}

bool WriteLessonFile(const std::string &path, const Lesson &lesson, std::string &error) {
    const std::string text = WriteLesson(lesson);
    const std::string partial = path + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(partial.c_str());
            error = "'" + path + "': the lesson cannot be written.";
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        error = "'" + path + "': the lesson cannot be written.";
        return false;
    }
    return true;
}

} // namespace kaldorium
