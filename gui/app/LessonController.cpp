#include "gui/app/LessonController.h"

#include "core/common/NumberText.h"
#include "core/lesson/LessonChecks.h"
#include "core/lesson/LessonFile.h"
#include "gui/app/ProgramWindows.h"
#include "gui/services/Guarded.h"
#include "gui/services/ProgramFolder.h"
#include "gui/widgets/NumberEdit.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <cmath>

using namespace kaldorium;

namespace {

constexpr int RecentCount = 8;
const QString LessonFiles = QStringLiteral("Lessons (*.klesson *.KLESSON);;All Files (*)");

QString Text(const std::string &s) {
    return QString::fromStdString(s);
}

// Fields that hold a file name: stored relative to the lesson when the file lies beside it.
bool IsFileField(const QString &name) {
    return name == QLatin1String("InputFile") || name == QLatin1String("InputFileName") ||
           name == QLatin1String("OutputFile") || name == QLatin1String("OutputFileName");
}

// The edits whose validation the others depend on go first: f, then N (and with them Ts).
int ApplyRank(const std::string &control) {
    if (control == "soFrequency") {
        return 0;
    }
    return control == "soSamples" ? 1 : 2;
}

bool SameNumber(const QString &a, const QString &b) {
    double x = 0.0;
    double y = 0.0;
    if (!TryParseDouble(a.toStdString(), x) || !TryParseDouble(b.toStdString(), y)) {
        return true;
    }
    return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y));
}

} // namespace

LessonController::LessonController(ProgramWindows &w, UiServices &s) : windows(w), services(s) {
    recent = QSettings().value(QStringLiteral("recentLessons")).toStringList();
    CreateMenuItems();
    CreatePane();
}

LessonController::~LessonController() {
    windows.mainForm.removeEventFilter(this);
    delete LessonPane;
}

std::vector<std::pair<const char *, std::function<QWidget *()>>> LessonController::Windows() const {
    // A window not built yet is built when a lesson looks into it.
    auto built = [](auto &window) {
        return [&window] { return static_cast<QWidget *>(&window.Get()); };
    };
    return {{"TDSPMainForm", [this] { return static_cast<QWidget *>(&windows.mainForm); }},
            {"TGraphForm", built(windows.graphForm)},
            {"TAnalogueFiltersForm", built(windows.analogueForm)},
            {"TDigitalFiltersForm", built(windows.digitalForm)},
            {"TFileEditForm", built(windows.fileEditForm)},
            {"TFilterNetworkForm", built(windows.networkForm)},
            {"TWAVMainForm", built(windows.wavForm)},
            {"TDFTMainForm", built(windows.dftForm)},
            {"TSamplingForm", built(windows.samplingForm)},
            {"TPoleZeroForm", built(windows.poleZeroForm)}};
}

QWidget *LessonController::FindControl(const std::string &window,
                                       const std::string &control) const {
    for (const auto &[name, get] : Windows()) {
        if (window == name) {
            return get()->findChild<QWidget *>(Text(control));
        }
    }
    return nullptr;
}

QWidget *LessonController::FindAnywhere(const std::string &control) const {
    for (const auto &[name, get] : Windows()) {
        if (QWidget *found = get()->findChild<QWidget *>(Text(control))) {
            return found;
        }
    }
    return nullptr;
}

Lesson LessonController::CurrentSettings() const {
    Lesson lesson = opened;
    lesson.windows.clear();
    const QDir folder = QFileInfo(openedPath).absoluteDir();
    for (const auto &[name, get] : Windows()) {
        ControlValues &values = lesson.windows[name];
        for (QWidget *c : get()->findChildren<QWidget *>()) {
            const QString n = c->objectName();
            // The lesson pane's own controls are the lesson's, not a setting.
            if (n.isEmpty() || n.startsWith(QLatin1String("qt_")) || LessonPane->isAncestorOf(c)) {
                continue;
            }
            if (auto *edit = qobject_cast<QLineEdit *>(c)) {
                QString text = edit->text();
                const QFileInfo file(text);
                if (IsFileField(n) && !openedPath.isEmpty() && file.isAbsolute() &&
                    file.absoluteDir() == folder) {
                    text = file.fileName();
                }
                values[n.toStdString()] = text.toStdString();
            } else if (auto *button = qobject_cast<QAbstractButton *>(c)) {
                if (button->isCheckable()) {
                    values[n.toStdString()] = button->isChecked();
                }
            } else if (auto *box = qobject_cast<QComboBox *>(c)) {
                values[n.toStdString()] = box->currentText().toStdString();
            }
        }
    }
    LessonCoefficients set;
    for (std::size_t i = 0; i < 7; ++i) {
        set.a[i] = windows.design.a[i];
        set.b[i] = windows.design.b[i];
    }
    lesson.coefficients = set;
    return lesson;
}

// Every control the lesson names exists, takes the kind of value given, and every number is one;
// nothing is changed here.
QString LessonController::CheckControls(const Lesson &lesson) const {
    for (const auto &[window, controls] : lesson.windows) {
        for (const auto &[control, value] : controls) {
            QWidget *c = FindControl(window, control);
            const QString name = Text(control);
            if (c == nullptr) {
                return QStringLiteral("The lesson names a control \"%1\" that the window %2 "
                                      "does not have.")
                    .arg(name, Text(window));
            }
            if (std::holds_alternative<bool>(value)) {
                auto *button = qobject_cast<QAbstractButton *>(c);
                if (button == nullptr || !button->isCheckable()) {
                    return QStringLiteral("%1 takes a text, not true/false.").arg(name);
                }
                continue;
            }
            const QString text = Text(std::get<std::string>(value));
            if (auto *box = qobject_cast<QComboBox *>(c)) {
                if (box->findText(text) < 0) {
                    return QStringLiteral("%1: '%2' is not one of its items.").arg(name, text);
                }
            } else if (auto *edit = qobject_cast<NumberEdit *>(c)) {
                double v = 0.0;
                if (!edit->isReadOnly() && !text.trimmed().isEmpty() &&
                    !TryParseDouble(text.toStdString(), v)) {
                    return QStringLiteral("%1: '%2' is not a valid floating point value.")
                        .arg(name, text);
                }
            } else if (qobject_cast<QLineEdit *>(c) == nullptr) {
                return QStringLiteral("%1 takes true/false, not a text.").arg(name);
            }
        }
    }
    for (const auto *list : {&lesson.locked, &lesson.hidden}) {
        for (const std::string &control : *list) {
            if (FindAnywhere(control) == nullptr) {
                return QStringLiteral("The lesson locks or hides a control \"%1\" that no "
                                      "window has.")
                    .arg(Text(control));
            }
        }
    }
    return {};
}

// Check boxes and radio buttons first, then selection boxes, then the fields, f and N leading.
QString LessonController::ApplyControls(const Lesson &lesson) {
    std::vector<std::pair<QWidget *, const ControlValue *>> edits;
    for (const auto &[window, controls] : lesson.windows) {
        for (const auto &[control, value] : controls) {
            QWidget *c = FindControl(window, control);
            if (const bool *checked = std::get_if<bool>(&value)) {
                auto *button = qobject_cast<QAbstractButton *>(c);
                // A radio button is unchecked by checking its neighbour.
                if (button->isChecked() != *checked && (*checked || !button->autoExclusive())) {
                    button->click();
                }
            } else if (auto *box = qobject_cast<QComboBox *>(c)) {
                const QString text = Text(std::get<std::string>(value));
                const int index = box->findText(text);
                if (index == box->currentIndex()) {
                    continue;
                }
                box->setCurrentIndex(index);
                // A window that follows only the user's choices (the sampling lab) hears it as
                // one; a choice it cannot use and puts back is refused as a typed value is.
                emit box->activated(index);
                if (box->currentIndex() != index) {
                    return QStringLiteral("%1: '%2' is refused; the box keeps '%3'.")
                        .arg(box->objectName(), text, box->currentText());
                }
            } else {
                edits.emplace_back(c, &value);
            }
        }
    }
    std::stable_sort(edits.begin(), edits.end(), [](const auto &x, const auto &y) {
        return ApplyRank(x.first->objectName().toStdString()) <
               ApplyRank(y.first->objectName().toStdString());
    });
    for (const auto &[widget, value] : edits) {
        auto *edit = qobject_cast<QLineEdit *>(widget);
        const QString text = Text(std::get<std::string>(*value));
        // A field that already shows the text is left alone: its rule may depend on a state
        // (a WAV file not loaded yet) that the lesson does not change.
        if (edit->text() == text) {
            continue;
        }
        edit->setText(text);
        if (edit->isReadOnly()) {
            continue;
        }
        if (auto *number = qobject_cast<NumberEdit *>(edit)) {
            emit number->accepted();
            if (!SameNumber(text, number->text())) {
                return QStringLiteral("%1: '%2' is refused; the field keeps '%3'.")
                    .arg(edit->objectName(), text, number->text());
            }
        } else {
            emit edit->editingFinished();
        }
    }
    return {};
}

QString LessonController::Apply(const Lesson &lesson) {
    QString fault = CheckControls(lesson);
    if (!fault.isEmpty()) {
        return fault;
    }
    // What the named controls hold now, to put back if a value is refused on the way.
    const Lesson now = CurrentSettings();
    // Every check box and radio button of the windows concerned (a radio button comes back by
    // checking the one that was checked), and the other controls the lesson names.
    Lesson before;
    for (const auto &[window, controls] : lesson.windows) {
        for (const auto &[control, value] : now.windows.at(window)) {
            if (std::holds_alternative<bool>(value) || controls.count(control) > 0) {
                before.windows[window][control] = value;
            }
        }
    }
    fault = ApplyControls(lesson);
    if (!fault.isEmpty()) {
        ApplyControls(before);
        return fault;
    }
    if (lesson.coefficients) {
        double a[7];
        double b[7];
        bool same = true;
        for (std::size_t i = 0; i < 7; ++i) {
            a[i] = lesson.coefficients->a[i];
            b[i] = lesson.coefficients->b[i];
            same = same && a[i] == windows.design.a[i] && b[i] == windows.design.b[i];
        }
        if (!same) {
            windows.design.SetCoefficients(a, b);
        }
    }
    return {};
}

void LessonController::Unlock() {
    for (const std::string &control : opened.locked) {
        if (QWidget *c = FindAnywhere(control)) {
            c->setEnabled(true);
        }
    }
    for (const std::string &control : opened.hidden) {
        if (QWidget *c = FindAnywhere(control)) {
            c->setVisible(true);
        }
    }
    UnlockAction->setEnabled(false);
}

void LessonController::ApplyLocks(const Lesson &lesson) {
    // What the last lesson held is released first.
    Unlock();
    UnlockAction->setEnabled(!lesson.locked.empty() || !lesson.hidden.empty());
    for (const std::string &control : lesson.locked) {
        FindAnywhere(control)->setEnabled(false);
    }
    for (const std::string &control : lesson.hidden) {
        FindAnywhere(control)->setVisible(false);
    }
}

bool LessonController::OpenLesson(const QString &path) {
    const LessonRead read = ReadLessonFile(path.toStdString());
    QString fault = read.ok ? QString() : Text(read.error);
    Lesson lesson = read.lesson;
    // File names are relative to the lesson's folder; a file the lesson reads must be there.
    const QDir folder = QFileInfo(path).absoluteDir();
    for (auto &[window, controls] : lesson.windows) {
        for (auto &[control, value] : controls) {
            std::string *text = std::get_if<std::string>(&value);
            if (!fault.isEmpty() || text == nullptr || !IsFileField(Text(control)) ||
                text->empty()) {
                continue;
            }
            const QString file = QDir::cleanPath(folder.absoluteFilePath(Text(*text)));
            if (control.rfind("Input", 0) == 0 && !QFileInfo::exists(file)) {
                fault = QStringLiteral("The file '%1' that the lesson names in %2 is missing.")
                            .arg(file, Text(control));
            }
            *text = file.toStdString();
        }
    }
    if (fault.isEmpty()) {
        fault = Apply(lesson);
    }
    if (!fault.isEmpty()) {
        services.Message(&windows.mainForm, QMessageBox::Warning, QStringLiteral("Open Lesson"),
                         QStringLiteral("The lesson was not opened. %1").arg(fault),
                         QMessageBox::Ok);
        return false;
    }
    ApplyLocks(lesson);
    opened = lesson;
    openedPath = QFileInfo(path).absoluteFilePath();
    RememberRecent(openedPath);
    ShowLesson(openedPath);
    return true;
}

bool LessonController::SaveLesson(const QString &path) {
    const QString previous = openedPath;
    openedPath = QFileInfo(path).absoluteFilePath();
    const Lesson lesson = CurrentSettings();
    std::string error;
    if (!WriteLessonFile(path.toStdString(), lesson, error)) {
        openedPath = previous;
        services.Message(&windows.mainForm, QMessageBox::Warning, QStringLiteral("Save Lesson As"),
                         Text(error), QMessageBox::Ok);
        return false;
    }
    RememberRecent(openedPath);
    return true;
}

void LessonController::RememberRecent(const QString &path) {
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > RecentCount) {
        recent.removeLast();
    }
    QSettings().setValue(QStringLiteral("recentLessons"), recent);
}

void LessonController::FillRecent() {
    RecentLessons->clear();
    for (const QString &path : recent) {
        RecentLessons->addAction(QFileInfo(path).fileName(), this, [this, path] {
            guarded(&windows.mainForm, services, [this, path] { OpenLesson(path); })();
        });
    }
    if (recent.isEmpty()) {
        RecentLessons->addAction(QStringLiteral("(none)"))->setEnabled(false);
    }
}

// The shipped lessons, by their titles.
void LessonController::FillExamples() {
    Examples->clear();
    const QDir folder(DataFolder(QStringLiteral("Lessons")));
    for (const QFileInfo &file :
         folder.entryInfoList({QStringLiteral("*.klesson")}, QDir::Files, QDir::Name)) {
        const LessonRead read = ReadLessonFile(file.absoluteFilePath().toStdString());
        const QString title = read.ok && !read.lesson.title.empty() ? Text(read.lesson.title)
                                                                    : file.completeBaseName();
        const QString path = file.absoluteFilePath();
        Examples->addAction(title, this, [this, path] {
            guarded(&windows.mainForm, services, [this, path] { OpenLesson(path); })();
        });
    }
}

void LessonController::CreateMenuItems() {
    QMenu *file = windows.mainForm.FileMenu;
    QAction *first = file->actions().isEmpty() ? nullptr : file->actions().first();
    OpenLessonAction = new QAction(QStringLiteral("&Open Lesson…"), file);
    OpenLessonAction->setObjectName(QStringLiteral("OpenLesson"));
    OpenLessonAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveLessonAction = new QAction(QStringLiteral("&Save Lesson As…"), file);
    SaveLessonAction->setObjectName(QStringLiteral("SaveLessonAs"));
    SaveLessonAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->insertAction(first, OpenLessonAction);
    file->insertAction(first, SaveLessonAction);
    RecentLessons = new QMenu(QStringLiteral("&Recent Lessons"), file);
    RecentLessons->setObjectName(QStringLiteral("RecentLessons"));
    Examples = new QMenu(QStringLiteral("&Examples"), file);
    Examples->setObjectName(QStringLiteral("ExamplesMenu"));
    file->insertMenu(first, RecentLessons);
    file->insertMenu(first, Examples);
    UnlockAction = new QAction(QStringLiteral("&Unlock"), file);
    UnlockAction->setObjectName(QStringLiteral("UnlockLesson"));
    UnlockAction->setEnabled(false);
    file->insertAction(first, UnlockAction);
    file->insertSeparator(first);
    QWidget *main = &windows.mainForm;
    connect(RecentLessons, &QMenu::aboutToShow, this, [this] { FillRecent(); });
    connect(UnlockAction, &QAction::triggered, this, [this] { Unlock(); });
    connect(Examples, &QMenu::aboutToShow, this, [this] { FillExamples(); });
    connect(OpenLessonAction, &QAction::triggered, this, guarded(main, services, [this, main] {
                const QString path =
                    services.OpenFileName(main, QStringLiteral("Open Lesson"),
                                          DataFolder(QStringLiteral("Lessons")), LessonFiles);
                if (!path.isEmpty()) {
                    OpenLesson(path);
                }
            }));
    connect(SaveLessonAction, &QAction::triggered, this, guarded(main, services, [this, main] {
                const QString path = services.SaveFileName(main, QStringLiteral("Save Lesson As"),
                                                           DataFolder(QStringLiteral("Lessons")),
                                                           LessonFiles, QStringLiteral("klesson"));
                if (!path.isEmpty()) {
                    SaveLesson(path);
                }
            }));
}

void LessonController::CreatePane() {
    // A side panel of the main window: a child laid over a strip on its right that the main
    // window's layout leaves free while a lesson is shown, and otherwise does not exist.
    LessonPane = new QFrame(&windows.mainForm);
    LessonPane->setObjectName(QStringLiteral("LessonPane"));
    static_cast<QFrame *>(LessonPane)->setFrameShape(QFrame::StyledPanel);
    LessonPane->hide();
    auto *layout = new QVBoxLayout(LessonPane);
    LessonTitle = new QLabel(LessonPane);
    LessonTitle->setObjectName(QStringLiteral("LessonTitle"));
    LessonTitle->setWordWrap(true);
    QFont bold = LessonTitle->font();
    bold.setBold(true);
    LessonTitle->setFont(bold);
    LessonInstructions = new QTextBrowser(LessonPane);
    LessonInstructions->setObjectName(QStringLiteral("LessonInstructions"));
    CheckLessonButton = new QPushButton(QStringLiteral("Check"), LessonPane);
    CheckLessonButton->setObjectName(QStringLiteral("CheckLesson"));
    LessonResults = new QListWidget(LessonPane);
    LessonResults->setObjectName(QStringLiteral("LessonResults"));
    layout->addWidget(LessonTitle);
    layout->addWidget(LessonInstructions, 3);
    layout->addWidget(CheckLessonButton);
    layout->addWidget(LessonResults, 1);
    connect(CheckLessonButton, &QPushButton::clicked, this,
            guarded(LessonPane, services, [this] { CheckLesson(); }));
    windows.mainForm.installEventFilter(this);
}

bool LessonController::eventFilter(QObject *watched, QEvent *event) {
    if (watched == &windows.mainForm && event->type() == QEvent::Resize &&
        !LessonPane->isHidden()) {
        PlacePane();
    }
    return QObject::eventFilter(watched, event);
}

void LessonController::PlacePane() {
    QWidget &main = windows.mainForm;
    const int top = main.layout()->menuBar() != nullptr ? main.layout()->menuBar()->height() : 0;
    LessonPane->setGeometry(main.width() - PaneWidth, top, PaneWidth, main.height() - top);
}

void LessonController::ShowPane(bool show) {
    QWidget &main = windows.mainForm;
    if (show == !LessonPane->isHidden()) {
        return;
    }
    // The strip is added to the window's width, so the workbench keeps its size and place.
    // The width is taken first: a wider margin may already stretch the window to its minimum.
    const int width = main.width() + (show ? PaneWidth : -PaneWidth);
    QMargins margins = main.layout()->contentsMargins();
    margins.setRight(margins.right() + (show ? PaneWidth : -PaneWidth));
    main.layout()->setContentsMargins(margins);
    LessonPane->setVisible(show);
    // The minimum size follows the margin now, not at the next layout pass.
    main.layout()->activate();
    main.resize(width, main.height());
    PlacePane();
}

void LessonController::ShowLesson(const QString &path) {
    LessonTitle->setText(opened.title.empty() ? QStringLiteral("Lesson") : Text(opened.title));
    // Images beside the lesson file are found by their relative names.
    LessonInstructions->setSearchPaths({QFileInfo(path).absolutePath()});
    LessonInstructions->setMarkdown(Text(opened.instructions));
    LessonResults->clear();
    CheckLessonButton->setEnabled(!opened.checks.empty());
    ShowPane(!opened.instructions.empty() || !opened.checks.empty());
}

void LessonController::CheckLesson() {
    LessonResults->clear();
    const Lesson now = CurrentSettings();
    const LessonFilterRead filter = ReadLessonFilter(now);
    FilterProperties properties;
    if (filter.ok) {
        properties = MeasureFilter(filter.filter);
    } else {
        properties.error = filter.error;
    }
    const ControlNumber numbers = LessonControlNumbers(now);
    for (const LessonCheck &check : opened.checks) {
        const CheckResult r = EvaluateCheck(check, properties, numbers);
        const bool passed = r.status == CheckResult::Status::Passed;
        auto *item =
            new QListWidgetItem(QStringLiteral("%1 %2: %3 (expected %4)")
                                    .arg(passed ? QStringLiteral("✔") : QStringLiteral("✘"),
                                         Text(r.name), Text(r.measured), Text(r.expected)),
                                LessonResults);
        item->setForeground(passed ? Qt::darkGreen : Qt::red);
    }
}
