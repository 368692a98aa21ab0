#pragma once

#include "core/lesson/Lesson.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTextBrowser;
class QWidget;
class UiServices;
struct ProgramWindows;

// Lessons in the program: the File menu's "Open Lesson…", "Save Lesson As…", "Recent Lessons" and
// "Examples", the pane with the instructions and the "Check" button, and the walk over every
// window's named controls that saves them and applies a lesson to them whole or not at all.
class LessonController : public QObject {
public:
    LessonController(ProgramWindows &windows, UiServices &services);
    ~LessonController() override;

    // Reads the file and applies it; on a fault shows the message and changes nothing.
    bool OpenLesson(const QString &path);
    // Writes the windows' settings with the open lesson's title, instructions, locks and checks.
    bool SaveLesson(const QString &path);

    // The texts and states of every named field, check box, radio button and selection box of
    // every window, and the designer's coefficients.
    kaldorium::Lesson CurrentSettings() const;
    // Applies the settings of a lesson through the handlers a typed value goes through. Returns
    // an empty text, or the message naming the refused control; then every window is as before.
    QString Apply(const kaldorium::Lesson &lesson);
    // Evaluates the open lesson's checks on the windows as they stand and lists them in the pane.
    void CheckLesson();
    // The teacher's Unlock: enables and shows every control the open lesson locks or hides,
    // asking nothing (the locks guide a student; they guard nothing).
    void Unlock();

    // The pane's width beside the main window while a lesson is shown.
    static constexpr int PaneWidth = 340;

    QAction *OpenLessonAction = nullptr;
    QAction *SaveLessonAction = nullptr;
    QMenu *RecentLessons = nullptr;
    QMenu *Examples = nullptr;
    QAction *UnlockAction = nullptr;
    QWidget *LessonPane = nullptr;
    QLabel *LessonTitle = nullptr;
    QTextBrowser *LessonInstructions = nullptr;
    QPushButton *CheckLessonButton = nullptr;
    QListWidget *LessonResults = nullptr;
    QStringList recent;

protected:
    // Keeps the pane on its strip when the main window is resized.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<std::pair<const char *, std::function<QWidget *()>>> Windows() const;
    void ShowPane(bool show);
    void PlacePane();
    QWidget *FindControl(const std::string &window, const std::string &control) const;
    QWidget *FindAnywhere(const std::string &control) const;
    QString CheckControls(const kaldorium::Lesson &lesson) const;
    QString ApplyControls(const kaldorium::Lesson &lesson);
    void ApplyLocks(const kaldorium::Lesson &lesson);
    void ShowLesson(const QString &path);
    void RememberRecent(const QString &path);
    void FillRecent();
    void FillExamples();
    void CreateMenuItems();
    void CreatePane();

    ProgramWindows &windows;
    UiServices &services;
    kaldorium::Lesson opened;
    QString openedPath;
};
