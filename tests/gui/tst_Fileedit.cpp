#include "FakeUiServices.h"
#include "GuiTestSupport.h"
#include "tools/Fileedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// An editor shown non-modally, its show handling done, as an opener would show it.
struct Editor {
    FakeUiServices services;
    TFileEditForm form{services};
    QTemporaryDir dir;

    explicit Editor(const QString &name = QString()) {
        form.SetFileName(name);
        form.show();
        QCoreApplication::processEvents();
    }
    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QPlainTextEdit *Memo() { return control<QPlainTextEdit>(&form, "Memo1"); }
    QString Bar() { return control<QLabel>(&form, "Panel1")->text(); }
    QAction *Item(const char *name) { return control<QAction>(&form, name); }
    // Types a character the way a user does, which marks the text as changed.
    void Type(const QString &text) { QTest::keyClicks(Memo(), text); }
    void Open(const QString &path) {
        services.openAnswers.enqueue(path);
        Item("OpenItem")->trigger();
    }
};

// Runs `check` inside the editor's modal loop once `ready` holds, then closes the editor; gives
// up after five seconds without running `check`, so a fault fails the test instead of hanging it.
void WhileModal(TFileEditForm &form, std::function<bool()> ready, std::function<void()> check) {
    auto *poll = new QTimer(&form);
    QObject::connect(poll, &QTimer::timeout, &form,
                     [&form, poll, ready, check, deadline = QDeadlineTimer(5000)]() {
                         const bool isReady = form.isVisible() && ready();
                         if (isReady || deadline.hasExpired()) {
                             poll->stop();
                             if (isReady) {
                                 check();
                             }
                             form.close();
                         }
                     });
    poll->start(5);
}

} // namespace

class TestFileedit : public QObject {
    Q_OBJECT

private slots:
    void controlsByName();
    void windowLayout();
    void menusInOrderWithSeparators();
    void keyboardShortcutsReachTheirActions();
    void editingActions();
    void typingMarksChangedAndLineNumberFollowsCaret();

    void newAsksAboutChanges_data();
    void newAsksAboutChanges();
    void openAsksAboutChanges_data();
    void openAsksAboutChanges();
    void closingAsksAboutChanges_data();
    void closingAsksAboutChanges();
    void noQuestionWithoutChanges();

    void findSearchesWholeLines_data();
    void findSearchesWholeLines();
    void findNextNeverStaysInTheLine();

    void patternOpensTheOpenDialogAndComesBackWhenCancelled();
    void patternThenChosenFileIsHandedBack();
    void existingFileClosedUnchangedIsHandedBack();
    void missingFileOpensEmptyUnderItsName();

    void filesAreSavedAsCrLfLines_data();
    void filesAreSavedAsCrLfLines();
    void unreadableAndUnwritableFiles();

    void screenshotHasNoOverlaps();
};

// Every tool button with its hint, every menu item with its caption and shortcut, by name.
void TestFileedit::controlsByName() {
    Editor e;
    const struct {
        const char *name, *hint;
    } buttons[] = {{"NewButton", "New File"},
                   {"LoadButton", "Open Existing File"},
                   {"SaveButton", "Save Current File"},
                   {"CutButton", "Cut Current Selection To ClipBoard"},
                   {"CopyButton", "Copy Current Selection To ClipBoard"},
                   {"PasteButton", "Paste ClipBoard Text At Cursor"},
                   {"UndoButton", "Undo Last Change"},
                   {"SearchButton", "Find A Text"}};
    for (const auto &b : buttons) {
        auto *button = control<QToolButton>(&e.form, b.name);
        QCOMPARE(button->toolTip(), QString::fromLatin1(b.hint));
        QVERIFY(button->isVisible());
        QCOMPARE(button->parentWidget(), control(&e.form, "Panel2"));
    }
    const struct {
        const char *name, *caption;
        QKeySequence shortcut;
    } items[] = {{"NewItem", "&New", Qt::CTRL | Qt::Key_N},
                 {"OpenItem", "&Open...", Qt::CTRL | Qt::Key_O},
                 {"SaveItem", "&Save...", Qt::CTRL | Qt::Key_S},
                 {"ExitItem", "&Exit", Qt::ALT | Qt::Key_X},
                 {"UndoItem", "&Undo", Qt::CTRL | Qt::Key_Z},
                 {"CopyItem", "&Copy", Qt::CTRL | Qt::Key_C},
                 {"CutItem", "Cu&t", Qt::CTRL | Qt::Key_X},
                 {"PasteItem", "&Paste", Qt::CTRL | Qt::Key_V},
                 {"DeleteItem", "&Delete", QKeySequence()},
                 {"SelectAllItem", "&Select All", QKeySequence()},
                 {"FindItem", "&Find...", Qt::CTRL | Qt::Key_F},
                 {"FindNextItem", "Find &Next", Qt::Key_F3}};
    for (const auto &i : items) {
        QAction *item = e.Item(i.name);
        QCOMPARE(item->text(), QString::fromLatin1(i.caption));
        QCOMPARE(item->shortcut(), i.shortcut);
    }
}

void TestFileedit::windowLayout() {
    Editor e;
    QCOMPARE(e.form.windowTitle(), QStringLiteral("(KALDOR) File Editor"));
    QCOMPARE(e.form.size(), QSize(561, 561));
    QVERIFY(e.form.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto *toolBar = control(&e.form, "Panel2");
    auto *bar = control<QLabel>(&e.form, "Panel1");
    auto *lineLabel = control<QLabel>(&e.form, "LineNumberLabel");
    QCOMPARE(lineLabel->text(), QStringLiteral("Line# "));
    QCOMPARE(lineLabel->parentWidget(), toolBar);
    QVERIFY(lineLabel->x() > control(&e.form, "SearchButton")->x());
    // From the top: tool bar, name bar, text area filling the rest.
    QVERIFY(toolBar->y() < bar->y());
    QVERIFY(bar->y() < e.Memo()->y());
    QCOMPARE(e.Memo()->geometry().bottom(), e.form.rect().bottom());
    QCOMPARE(e.Memo()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(!e.Memo()->tabChangesFocus());
    QCOMPARE(e.Memo()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(e.Memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    QTRY_VERIFY(e.Memo()->hasFocus());
    // A long name does not widen the window.
    bar->setText(QString(400, QLatin1Char('x')));
    QVERIFY(e.form.minimumSizeHint().width() < 561);
}

void TestFileedit::menusInOrderWithSeparators() {
    Editor e;
    const auto captions = [](QWidget *menu) {
        QStringList list;
        for (QAction *a : menu->actions()) {
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return list;
    };
    QCOMPARE(captions(control<QMenuBar>(&e.form, "MainMenu1")), QStringList({"&File", "&Edit"}));
    QCOMPARE(captions(control<QMenu>(&e.form, "FileMenu")),
             QStringList({"&New", "&Open...", "-", "&Save...", "-", "&Exit"}));
    QCOMPARE(captions(control<QMenu>(&e.form, "EditMenu")),
             QStringList({"&Undo", "-", "&Copy", "Cu&t", "&Paste", "&Delete", "-", "&Select All",
                          "-", "&Find...", "Find &Next"}));
}

void TestFileedit::keyboardShortcutsReachTheirActions() {
    Editor e;
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Type(QStringLiteral("abc"));
    e.services.messageAnswers.enqueue(QMessageBox::No);
    QTest::keyClick(e.Memo(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(e.Bar(), QStringLiteral("Noname.DSI"));
    QTest::keyClick(e.Memo(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(e.Memo(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(e.services.Kinds(), QStringList({"message", "open", "save"}));
    QTest::keyClick(e.Memo(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(control(&e.form, "FindDialog")->isVisible());
    QVERIFY(!control<QDialog>(&e.form, "FindDialog")->isModal());
    e.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    QTest::keyClick(e.Memo(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(!e.form.isVisible());
    QVERIFY(!control(&e.form, "FindDialog")->isVisible());
}

void TestFileedit::editingActions() {
    Editor e;
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Memo()->setPlainText(QStringLiteral("one two"));
    e.Item("SelectAllItem")->trigger();
    QCOMPARE(e.Memo()->textCursor().selectedText(), QStringLiteral("one two"));
    QTextCursor c = e.Memo()->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    e.Memo()->setTextCursor(c);
    QTest::mouseClick(control<QToolButton>(&e.form, "CopyButton"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one "));
    QTest::mouseClick(control<QToolButton>(&e.form, "CutButton"), Qt::LeftButton);
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("two"));
    e.Memo()->moveCursor(QTextCursor::End);
    QTest::mouseClick(control<QToolButton>(&e.form, "PasteButton"), Qt::LeftButton);
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("twoone "));
    QTest::mouseClick(control<QToolButton>(&e.form, "UndoButton"), Qt::LeftButton);
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("two"));
    e.Memo()->selectAll();
    e.Item("DeleteItem")->trigger();
    QCOMPARE(e.Memo()->toPlainText(), QString());
    QVERIFY(e.Memo()->hasFocus());
}

void TestFileedit::typingMarksChangedAndLineNumberFollowsCaret() {
    Editor e;
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    auto *lineLabel = control<QLabel>(&e.form, "LineNumberLabel");
    QVERIFY(!e.form.Modified());
    e.Type(QStringLiteral("a"));
    QVERIFY(e.form.Modified());
    QCOMPARE(lineLabel->text(), QStringLiteral("Line# 0"));
    QTest::keyClick(e.Memo(), Qt::Key_Return, Qt::ShiftModifier);
    e.Type(QStringLiteral("b\tc"));
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("a\nb\tc"));
    QCOMPARE(e.Memo()->blockCount(), 2);
    QCOMPARE(lineLabel->text(), QStringLiteral("Line# 1"));
    QTest::keyClick(e.Memo(), Qt::Key_Up);
    QCOMPARE(lineLabel->text(), QStringLiteral("Line# 0"));
}

// The question's answers on New, with a file loaded and then changed.
void TestFileedit::newAsksAboutChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveChosen");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("yes, saved") << int(QMessageBox::Yes) << true << true;
    QTest::newRow("yes, save cancelled") << int(QMessageBox::Yes) << false << false;
    QTest::newRow("no") << int(QMessageBox::No) << false << true;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
}

void TestFileedit::newAsksAboutChanges() {
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, cleared);
    Editor e;
    WriteBytes(e.Path("a.DSI"), "1\r\n");
    e.Open(e.Path("a.DSI"));
    e.Type(QStringLiteral("2"));
    e.services.shown.clear();
    e.services.messageAnswers.enqueue(QMessageBox::StandardButton(answer));
    if (saveChosen) {
        e.services.saveAnswers.enqueue(e.Path("b.DSI"));
    }
    QTest::mouseClick(control<QToolButton>(&e.form, "NewButton"), Qt::LeftButton);

    const FakeUiServices::Shown &question = e.services.shown.at(0);
    QCOMPARE(question.title, QStringLiteral("File has been changed..."));
    QCOMPARE(question.text, QStringLiteral("Do you want to save it?"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(e.Memo()->toPlainText().isEmpty(), cleared);
    QCOMPARE(e.Bar(), cleared ? QStringLiteral("Noname.DSI") : e.Path("a.DSI"));
    QCOMPARE(e.form.Modified(), !cleared);
    // New keeps the name of the file last opened or saved.
    QCOMPARE(e.form.FileName(), saveChosen ? e.Path("b.DSI") : e.Path("a.DSI"));
    if (saveChosen) {
        QCOMPARE(ReadBytes(e.Path("b.DSI")), QByteArray("21\r\n"));
    }
}

void TestFileedit::openAsksAboutChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveChosen");
    QTest::addColumn<QStringList>("kinds");
    QTest::newRow("yes, saved") << int(QMessageBox::Yes) << true
                                << QStringList({"message", "save", "open"});
    QTest::newRow("yes, save cancelled")
        << int(QMessageBox::Yes) << false << QStringList({"message", "save"});
    QTest::newRow("no") << int(QMessageBox::No) << false << QStringList({"message", "open"});
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << QStringList({"message"});
}

void TestFileedit::openAsksAboutChanges() {
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(QStringList, kinds);
    Editor e;
    WriteBytes(e.Path("other.DSO"), "9\r\n");
    e.Type(QStringLiteral("x"));
    e.services.messageAnswers.enqueue(QMessageBox::StandardButton(answer));
    if (saveChosen) {
        e.services.saveAnswers.enqueue(e.Path("x.DSI"));
    }
    e.Open(e.Path("other.DSO"));
    QCOMPARE(e.services.Kinds(), kinds);
    const bool opened = kinds.contains(QStringLiteral("open"));
    QCOMPARE(e.Memo()->toPlainText(), opened ? QStringLiteral("9\n") : QStringLiteral("x"));
    QCOMPARE(e.form.FileName(), opened ? e.Path("other.DSO") : QString());
    QCOMPARE(e.form.Modified(), !opened);
    if (opened) {
        QCOMPARE(e.services.shown.last().title, TFileEditForm::OpenDialogTitle);
        QCOMPARE(e.services.shown.last().filter, TFileEditForm::OpenDialogFilter);
    }
}

void TestFileedit::closingAsksAboutChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveChosen");
    QTest::addColumn<bool>("closes");
    QTest::newRow("yes, saved") << int(QMessageBox::Yes) << true << true;
    QTest::newRow("yes, save cancelled") << int(QMessageBox::Yes) << false << false;
    QTest::newRow("no") << int(QMessageBox::No) << false << true;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
}

void TestFileedit::closingAsksAboutChanges() {
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, closes);
    Editor e(QStringLiteral("*.DSI"));
    e.Type(QStringLiteral("k"));
    e.services.messageAnswers.enqueue(QMessageBox::StandardButton(answer));
    if (saveChosen) {
        e.services.saveAnswers.enqueue(e.Path("k.DSI"));
    }
    e.Item("ExitItem")->trigger();
    QCOMPARE(e.services.Kinds().count(QStringLiteral("message")), 1);
    QCOMPARE(e.form.isVisible(), !closes);
    // Closing discards the text and the name bar; staying keeps them.
    QCOMPARE(e.Memo()->toPlainText(), closes ? QString() : QStringLiteral("k"));
    QCOMPARE(e.Bar(), closes ? QString() : QStringLiteral("*.DSI"));
    QCOMPARE(e.form.Modified(), !closes);
    QCOMPARE(e.form.FileName(), saveChosen ? e.Path("k.DSI") : QStringLiteral("*.DSI"));
    if (saveChosen) {
        QCOMPARE(ReadBytes(e.Path("k.DSI")), QByteArray("k\r\n"));
    }
}

void TestFileedit::noQuestionWithoutChanges() {
    Editor e;
    e.Memo()->setPlainText(QStringLiteral("set by code, then saved"));
    e.services.saveAnswers.enqueue(e.Path("s.DSI"));
    QTest::mouseClick(control<QToolButton>(&e.form, "SaveButton"), Qt::LeftButton);
    QCOMPARE(e.services.shown.last().title, TFileEditForm::SaveDialogTitle);
    QCOMPARE(e.services.shown.last().filter, TFileEditForm::SaveDialogFilter);
    e.Item("NewItem")->trigger();
    e.Item("OpenItem")->trigger();
    e.form.close();
    QCOMPARE(e.services.Kinds(), QStringList({"save", "open"}));
    QVERIFY(!e.form.isVisible());
}

// Find runs line by line from the line after the caret's; rows give the caret (or selection) and
// the expected selection start, -1 for "nothing found, nothing changes".
void TestFileedit::findSearchesWholeLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("found");
    const QString three = QStringLiteral("abc x\nnone\nabc y");
    QTest::newRow("start of text skips line 0") << three << 0 << 0 << "abc" << 11;
    QTest::newRow("inside line 0") << three << 2 << 2 << "abc" << 11;
    QTest::newRow("start of line 1 searches it") << "abc\nabc\nabc" << 4 << 4 << "abc" << 4;
    QTest::newRow("end of line 1 goes on") << "abc\nabc\nabc" << 7 << 7 << "abc" << 8;
    QTest::newRow("selection end decides") << "abc\nabc\nabc" << 0 << 5 << "abc" << 8;
    QTest::newRow("backward selection too") << "abc\nabc\nabc" << 5 << 0 << "abc" << 8;
    QTest::newRow("first occurrence in the line") << "-\nxyxy" << 0 << 0 << "xy" << 2;
    QTest::newRow("case-sensitive") << "-\nABC\nabc" << 0 << 0 << "abc" << 6;
    QTest::newRow("only in line 0") << "abc\n-" << 0 << 0 << "abc" << -1;
    QTest::newRow("nowhere") << three << 0 << 0 << "zzz" << -1;
}

void TestFileedit::findSearchesWholeLines() {
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, caret);
    QFETCH(QString, search);
    QFETCH(int, found);
    Editor e;
    e.Memo()->setPlainText(text);
    QTextCursor c = e.Memo()->textCursor();
    c.setPosition(anchor);
    c.setPosition(caret, QTextCursor::KeepAnchor);
    e.Memo()->setTextCursor(c);

    QTest::mouseClick(control<QToolButton>(&e.form, "SearchButton"), Qt::LeftButton);
    auto *dialog = control<QDialog>(&e.form, "FindDialog");
    QVERIFY(dialog->isVisible());
    QTest::keyClicks(control<QLineEdit>(dialog, "findText"), search);
    QTest::mouseClick(control<QPushButton>(dialog, "findNextButton"), Qt::LeftButton);

    const QTextCursor after = e.Memo()->textCursor();
    if (found < 0) {
        QCOMPARE(after.anchor(), anchor);
        QCOMPARE(after.position(), caret);
    } else {
        QCOMPARE(after.selectionStart(), found);
        QCOMPARE(after.selectedText(), search);
    }
    QVERIFY(e.services.shown.isEmpty());
}

void TestFileedit::findNextNeverStaysInTheLine() {
    Editor e;
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Memo()->setPlainText(QStringLiteral("7 7 7\n1 7 7\n2\n3 7"));
    e.Item("FindItem")->trigger();
    QTest::keyClicks(control<QLineEdit>(&e.form, "findText"), QStringLiteral("7"));
    control<QPushButton>(&e.form, "findNextButton")->click();
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 8);
    QTRY_VERIFY(e.Memo()->hasFocus());
    QTest::keyClick(e.Memo(), Qt::Key_F3);
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 16);
    e.Item("FindNextItem")->trigger();
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 16);
}

void TestFileedit::patternOpensTheOpenDialogAndComesBackWhenCancelled() {
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    QString text = QStringLiteral("<not checked>");
    WhileModal(
        form, [&]() { return !services.shown.isEmpty(); },
        [&]() {
            bar = control<QLabel>(&form, "Panel1")->text();
            text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText();
        });
    QCOMPARE(form.EditFile(QStringLiteral("*.DSI")), QStringLiteral("*.DSI"));
    QCOMPARE(services.Kinds(), QStringList({"open"}));
    QCOMPARE(services.shown.at(0).title, QStringLiteral("DSP--File Open"));
    // The dialog starts in the program's input data folder with the pattern as its name.
    QVERIFY2(services.shown.at(0).text.endsWith(QStringLiteral("/DSIs/*.DSI")),
             qPrintable(services.shown.at(0).text));
    QCOMPARE(bar, QStringLiteral("*.DSI"));
    QCOMPARE(text, QString());
}

void TestFileedit::patternThenChosenFileIsHandedBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.DSO"));
    WriteBytes(path, "Time\r\n0 1\r\n");
    FakeUiServices services;
    services.openAnswers.enqueue(path);
    TFileEditForm form(services);
    QString text;
    WhileModal(
        form, [&]() { return !services.shown.isEmpty(); },
        [&]() { text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText(); });
    QCOMPARE(form.EditFile(QStringLiteral("*.DSO")), path);
    QVERIFY(services.shown.at(0).text.endsWith(QStringLiteral("/DSOs/*.DSO")));
    QCOMPARE(text, QStringLiteral("Time\n0 1\n"));
}

void TestFileedit::existingFileClosedUnchangedIsHandedBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.DSI"));
    WriteBytes(path, "0.5\r\n");
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    QString text;
    bool modified = true;
    WhileModal(
        form, [&]() { return !control<QLabel>(&form, "Panel1")->text().isEmpty(); },
        [&]() {
            bar = control<QLabel>(&form, "Panel1")->text();
            text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText();
            modified = form.Modified();
        });
    QCOMPARE(form.EditFile(path), path);
    QCOMPARE(bar, path);
    QCOMPARE(text, QStringLiteral("0.5\n"));
    QVERIFY(!modified);
    QVERIFY(services.shown.isEmpty());
}

void TestFileedit::missingFileOpensEmptyUnderItsName() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone.DSI"));
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    WhileModal(
        form, [&]() { return !services.errors.isEmpty(); },
        [&]() { bar = control<QLabel>(&form, "Panel1")->text(); });
    QCOMPARE(form.EditFile(path), path);
    QCOMPARE(services.errors.size(), 1);
    QVERIFY(services.errors.at(0).contains(path));
    QCOMPARE(bar, path);
}

void TestFileedit::filesAreSavedAsCrLfLines_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("CR LF lines") << QByteArray("a b\r\n\r\n1\r\n") << "a b\n\n1\n"
                                 << QByteArray("a b\r\n\r\n1\r\n");
    QTest::newRow("LF and CR lines") << QByteArray("a\nb\rc\n") << "a\nb\nc\n"
                                     << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("last line unended")
        << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty") << QByteArray() << "" << QByteArray();
    QTest::newRow("one empty line") << QByteArray("\r\n") << "\n" << QByteArray("\r\n");
    QTest::newRow("Latin-1 kept") << QByteArray("T = 25 \xb0"
                                                "C\r\n")
                                  << "T = 25 \u00b0C\n"
                                  << QByteArray("T = 25 \xb0"
                                                "C\r\n");
    QTest::newRow("UTF-8 kept") << QByteArray("\xef\xbb\xbf\xc2\xb5s\r\n")
                                << QChar(0xfeff) + QStringLiteral("\u00b5s\n")
                                << QByteArray("\xef\xbb\xbf\xc2\xb5s\r\n");
}

void TestFileedit::filesAreSavedAsCrLfLines() {
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    Editor e;
    WriteBytes(e.Path("in.DSI"), file);
    e.Open(e.Path("in.DSI"));
    QCOMPARE(e.Memo()->toPlainText(), shown);
    QVERIFY(!e.form.Modified());
    e.services.saveAnswers.enqueue(e.Path("out.DSI"));
    e.Item("SaveItem")->trigger();
    QCOMPARE(ReadBytes(e.Path("out.DSI")), saved);
    QCOMPARE(e.Bar(), e.Path("out.DSI"));
    QVERIFY(e.services.errors.isEmpty());
}

void TestFileedit::unreadableAndUnwritableFiles() {
    Editor e;
    WriteBytes(e.Path("kept.DSI"), "kept\r\n");
    e.Open(e.Path("kept.DSI"));
    // A folder cannot be read as a file: the error display, and nothing changes.
    e.Open(e.dir.path());
    QCOMPARE(e.services.errors.size(), 1);
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("kept\n"));
    QCOMPARE(e.Bar(), e.Path("kept.DSI"));
    // A failed save is a save not done: closing stays open with the text.
    e.Type(QStringLiteral("+"));
    e.services.messageAnswers.enqueue(QMessageBox::Yes);
    e.services.saveAnswers.enqueue(e.Path("no-such-folder/x.DSI"));
    e.form.close();
    QCOMPARE(e.services.errors.size(), 2);
    QVERIFY(e.form.isVisible());
    QVERIFY(e.form.Modified());
    QCOMPARE(e.form.FileName(), e.Path("kept.DSI"));
}

void TestFileedit::screenshotHasNoOverlaps() {
    Editor e;
    WriteBytes(e.Path("sine.DSI"), "Time [ms]   Input\r\n0.000   0.000\r\n0.025   0.309\r\n");
    e.Open(e.Path("sine.DSI"));
    QTest::keyClick(e.Memo(), Qt::Key_Down);
    const QImage shot = e.form.grab().toImage();
    QVERIFY(shot.save(QStringLiteral("/tmp/fileedit.png")));
    const auto siblingsApart = [](QWidget *parent) {
        const QList<QWidget *> children =
            parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *a : children) {
            for (QWidget *b : children) {
                if (a != b && a->isVisible() && b->isVisible() && !a->isWindow() &&
                    !b->isWindow() && a->geometry().intersects(b->geometry())) {
                    return a->objectName() + QStringLiteral(" overlaps ") + b->objectName();
                }
            }
        }
        return QString();
    };
    QCOMPARE(siblingsApart(&e.form), QString());
    QCOMPARE(siblingsApart(control(&e.form, "Panel2")), QString());
    e.Item("FindItem")->trigger();
    auto *find = control(&e.form, "FindDialog");
    QVERIFY(find->grab().save(QStringLiteral("/tmp/fileedit-find.png")));
    QCOMPARE(siblingsApart(find), QString());
}

QTEST_MAIN(TestFileedit)
#include "tst_Fileedit.moc"
