#include "tests/gui/FileeditFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

// The data file editor: its controls, menus, shortcuts and editing, and the question about
// unsaved changes.
class TestFileedit : public QObject, public FileeditFixture {
    Q_OBJECT

private slots:
    void cleanup() { editor.reset(); }

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
};

// Every tool button with its hint, every menu item with its caption and shortcut, by name.
void TestFileedit::controlsByName() {
    Editor &e = open();
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
        auto *button = find<QToolButton>(b.name);
        QCOMPARE(button->toolTip(), QString::fromLatin1(b.hint));
        QVERIFY(button->isVisible());
        QCOMPARE(button->parentWidget(), find("Panel2"));
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
    Editor &e = open();
    QCOMPARE(e.form.windowTitle(), QStringLiteral("(KALDOR) File Editor"));
    QCOMPARE(e.form.size(), QSize(561, 561));
    QVERIFY(e.form.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto *toolBar = find("Panel2");
    auto *bar = find<QLabel>("Panel1");
    auto *lineLabel = find<QLabel>("LineNumberLabel");
    QCOMPARE(lineLabel->text(), QStringLiteral("Line# "));
    QCOMPARE(lineLabel->parentWidget(), toolBar);
    QVERIFY(lineLabel->x() > find("SearchButton")->x());
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
    open();
    const auto captions = [](QWidget *menu) {
        QStringList list;
        for (QAction *a : menu->actions()) {
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return list;
    };
    QCOMPARE(captions(find<QMenuBar>("MainMenu1")), QStringList({"&File", "&Edit"}));
    QCOMPARE(captions(find<QMenu>("FileMenu")),
             QStringList({"&New", "&Open...", "-", "&Save...", "-", "&Exit"}));
    QCOMPARE(captions(find<QMenu>("EditMenu")),
             QStringList({"&Undo", "-", "&Copy", "Cu&t", "&Paste", "&Delete", "-", "&Select All",
                          "-", "&Find...", "Find &Next"}));
}

void TestFileedit::keyboardShortcutsReachTheirActions() {
    Editor &e = open();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Type(QStringLiteral("abc"));
    e.services.messageAnswers.enqueue(QMessageBox::No);
    QTest::keyClick(e.Memo(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(e.Bar(), QStringLiteral("Noname.DSI"));
    QTest::keyClick(e.Memo(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(e.Memo(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(e.services.Kinds(), QStringList({"message", "open", "save"}));
    QTest::keyClick(e.Memo(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(find("FindDialog")->isVisible());
    QVERIFY(!find<QDialog>("FindDialog")->isModal());
    e.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    QTest::keyClick(e.Memo(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(!e.form.isVisible());
    QVERIFY(!find("FindDialog")->isVisible());
}

void TestFileedit::editingActions() {
    Editor &e = open();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Memo()->setPlainText(QStringLiteral("one two"));
    e.Item("SelectAllItem")->trigger();
    QCOMPARE(e.Memo()->textCursor().selectedText(), QStringLiteral("one two"));
    QTextCursor c = e.Memo()->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    e.Memo()->setTextCursor(c);
    click("CopyButton");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one "));
    click("CutButton");
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("two"));
    e.Memo()->moveCursor(QTextCursor::End);
    click("PasteButton");
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("twoone "));
    click("UndoButton");
    QCOMPARE(e.Memo()->toPlainText(), QStringLiteral("two"));
    e.Memo()->selectAll();
    e.Item("DeleteItem")->trigger();
    QCOMPARE(e.Memo()->toPlainText(), QString());
    QVERIFY(e.Memo()->hasFocus());
}

void TestFileedit::typingMarksChangedAndLineNumberFollowsCaret() {
    Editor &e = open();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    auto *lineLabel = find<QLabel>("LineNumberLabel");
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
    Editor &e = open();
    WriteBytes(e.Path("a.DSI"), "1\r\n");
    e.Open(e.Path("a.DSI"));
    e.Type(QStringLiteral("2"));
    e.services.shown.clear();
    e.services.messageAnswers.enqueue(QMessageBox::StandardButton(answer));
    if (saveChosen) {
        e.services.saveAnswers.enqueue(e.Path("b.DSI"));
    }
    click("NewButton");

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
    Editor &e = open();
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
    Editor &e = open(QStringLiteral("*.DSI"));
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
    Editor &e = open();
    e.Memo()->setPlainText(QStringLiteral("set by code, then saved"));
    e.services.saveAnswers.enqueue(e.Path("s.DSI"));
    click("SaveButton");
    QCOMPARE(e.services.shown.last().title, TFileEditForm::SaveDialogTitle);
    QCOMPARE(e.services.shown.last().filter, TFileEditForm::SaveDialogFilter);
    e.Item("NewItem")->trigger();
    e.Item("OpenItem")->trigger();
    e.form.close();
    QCOMPARE(e.services.Kinds(), QStringList({"save", "open"}));
    QVERIFY(!e.form.isVisible());
}

QTEST_MAIN(TestFileedit)
#include "tst_Fileedit.moc"
