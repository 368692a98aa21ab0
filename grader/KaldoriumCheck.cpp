// kaldorium-check LESSON [SETUP]: evaluates the checks of a lesson against the settings of a
// second lesson file (a student's saved answer; without one, the lesson's own settings), prints
// one line per check and a summary. Exit status: 0 every check that could be evaluated passed,
// 1 a check failed, 2 wrong arguments or a file that cannot be read or used.
#include "core/lesson/LessonChecks.h"
#include "core/lesson/LessonFile.h"

#include <cstdio>
#include <string>

namespace {

constexpr int AllPassed = 0;
constexpr int SomeFailed = 1;
constexpr int Unusable = 2;

void Usage(std::FILE *to) {
    std::fputs("usage: kaldorium-check LESSON [SETUP]\n"
               "Evaluates the checks of the lesson file LESSON against the settings saved in\n"
               "SETUP (a student's answer, saved with \"Save Lesson As...\"), or against the\n"
               "lesson's own settings. Prints one line per check and a summary.\n"
               "Exit status: 0 all checks passed, 1 a check failed, 2 a file cannot be used.\n",
               to);
}

const char *StatusText(kaldorium::CheckResult::Status status) {
    switch (status) {
    case kaldorium::CheckResult::Status::Passed:
        return "PASS";
    case kaldorium::CheckResult::Status::Failed:
        return "FAIL";
    case kaldorium::CheckResult::Status::NotChecked:
        return "SKIP";
    }
    return "FAIL";
}

} // namespace

int main(int argc, char **argv) {
    using namespace kaldorium;
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        Usage(stdout);
        return AllPassed;
    }
    if (argc < 2 || argc > 3) {
        Usage(stderr);
        return Unusable;
    }
    const LessonRead lesson = ReadLessonFile(argv[1]);
    if (!lesson.ok) {
        std::fprintf(stderr, "kaldorium-check: %s\n", lesson.error.c_str());
        return Unusable;
    }
    const LessonRead setup = argc == 3 ? ReadLessonFile(argv[2]) : lesson;
    if (!setup.ok) {
        std::fprintf(stderr, "kaldorium-check: %s\n", setup.error.c_str());
        return Unusable;
    }
    if (lesson.lesson.checks.empty()) {
        std::fprintf(stderr, "kaldorium-check: '%s' has no checks.\n", argv[1]);
        return Unusable;
    }
    const LessonFilterRead filter = ReadLessonFilter(setup.lesson);
    if (!filter.ok) {
        std::fprintf(stderr, "kaldorium-check: '%s': a value is refused: %s.\n",
                     argc == 3 ? argv[2] : argv[1], filter.error.c_str());
        return Unusable;
    }
    const FilterProperties properties = MeasureFilter(filter.filter);
    const ControlNumber controls = LessonControlNumbers(setup.lesson);
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    for (const LessonCheck &check : lesson.lesson.checks) {
        const CheckResult r = EvaluateCheck(check, properties, controls, true);
        std::printf("%s  %s: %s (expected %s)\n", StatusText(r.status), r.name.c_str(),
                    r.measured.c_str(), r.expected.c_str());
        passed += r.status == CheckResult::Status::Passed;
        failed += r.status == CheckResult::Status::Failed;
        skipped += r.status == CheckResult::Status::NotChecked;
    }
    std::printf("%d of %d checks passed, %d failed", passed, passed + failed + skipped, failed);
    if (skipped > 0) {
        std::printf(", %d not checked (the settings hold no value for them)", skipped);
    }
    std::printf(".\n");
    return failed == 0 ? AllPassed : SomeFailed;
}
