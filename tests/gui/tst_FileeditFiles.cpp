#include "tests/gui/FileeditFixture.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

// The data file editor's search, the modal editing of a named file, and reading and saving.
class TestFileeditFiles : public QObject, public FileeditFixture {
    Q_OBJECT

private slots:
    void cleanup() { editor.reset(); }

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

// Find runs line by line from the line after the caret's; rows give the caret (or selection) and
// the expected selection start, -1 for "nothing found, nothing changes".
void TestFileeditFiles::findSearchesWholeLines_data() {
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

void TestFileeditFiles::findSearchesWholeLines() {
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, caret);
    QFETCH(QString, search);
    QFETCH(int, found);
    Editor &e = open();
    e.Memo()->setPlainText(text);
    QTextCursor c = e.Memo()->textCursor();
    c.setPosition(anchor);
    c.setPosition(caret, QTextCursor::KeepAnchor);
    e.Memo()->setTextCursor(c);

    click("SearchButton");
    auto *dialog = find<QDialog>("FindDialog");
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

void TestFileeditFiles::findNextNeverStaysInTheLine() {
    Editor &e = open();
    QVERIFY(QTest::qWaitForWindowActive(&e.form));
    e.Memo()->setPlainText(QStringLiteral("7 7 7\n1 7 7\n2\n3 7"));
    e.Item("FindItem")->trigger();
    QTest::keyClicks(find<QLineEdit>("findText"), QStringLiteral("7"));
    find<QPushButton>("findNextButton")->click();
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 8);
    QTRY_VERIFY(e.Memo()->hasFocus());
    QTest::keyClick(e.Memo(), Qt::Key_F3);
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 16);
    e.Item("FindNextItem")->trigger();
    QCOMPARE(e.Memo()->textCursor().selectionStart(), 16);
}

void TestFileeditFiles::patternOpensTheOpenDialogAndComesBackWhenCancelled() {
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    QString text = QStringLiteral("<not checked>");
    const auto seen = AnswerModal(
        [&](QWidget *) {
            bar = control<QLabel>(&form, "Panel1")->text();
            text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText();
        },
        QMessageBox::Ok, [&]() { return !services.shown.isEmpty(); });
    QCOMPARE(form.EditFile(QStringLiteral("*.DSI")), QStringLiteral("*.DSI"));
    QCOMPARE(services.Kinds(), QStringList({"open"}));
    QCOMPARE(services.shown.at(0).title, QStringLiteral("DSP--File Open"));
    // The dialog starts in the program's input data folder with the pattern as its name.
    QVERIFY2(services.shown.at(0).text.endsWith(QStringLiteral("/DSIs/*.DSI")),
             qPrintable(services.shown.at(0).text));
    QCOMPARE(bar, QStringLiteral("*.DSI"));
    QCOMPARE(text, QString());
}

void TestFileeditFiles::patternThenChosenFileIsHandedBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.DSO"));
    WriteBytes(path, "Time\r\n0 1\r\n");
    FakeUiServices services;
    services.openAnswers.enqueue(path);
    TFileEditForm form(services);
    QString text;
    const auto seen = AnswerModal(
        [&](QWidget *) { text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText(); },
        QMessageBox::Ok, [&]() { return !services.shown.isEmpty(); });
    QCOMPARE(form.EditFile(QStringLiteral("*.DSO")), path);
    QVERIFY(services.shown.at(0).text.endsWith(QStringLiteral("/DSOs/*.DSO")));
    QCOMPARE(text, QStringLiteral("Time\n0 1\n"));
}

void TestFileeditFiles::existingFileClosedUnchangedIsHandedBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.DSI"));
    WriteBytes(path, "0.5\r\n");
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    QString text;
    bool modified = true;
    const auto seen = AnswerModal(
        [&](QWidget *) {
            bar = control<QLabel>(&form, "Panel1")->text();
            text = control<QPlainTextEdit>(&form, "Memo1")->toPlainText();
            modified = form.Modified();
        },
        QMessageBox::Ok, [&]() { return !control<QLabel>(&form, "Panel1")->text().isEmpty(); });
    QCOMPARE(form.EditFile(path), path);
    QCOMPARE(bar, path);
    QCOMPARE(text, QStringLiteral("0.5\n"));
    QVERIFY(!modified);
    QVERIFY(services.shown.isEmpty());
}

void TestFileeditFiles::missingFileOpensEmptyUnderItsName() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone.DSI"));
    FakeUiServices services;
    TFileEditForm form(services);
    QString bar;
    const auto seen =
        AnswerModal([&](QWidget *) { bar = control<QLabel>(&form, "Panel1")->text(); },
                    QMessageBox::Ok, [&]() { return !services.errors.isEmpty(); });
    QCOMPARE(form.EditFile(path), path);
    QCOMPARE(services.errors.size(), 1);
    QVERIFY(services.errors.at(0).contains(path));
    QCOMPARE(bar, path);
}

void TestFileeditFiles::filesAreSavedAsCrLfLines_data() {
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

void TestFileeditFiles::filesAreSavedAsCrLfLines() {
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    Editor &e = open();
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

void TestFileeditFiles::unreadableAndUnwritableFiles() {
    Editor &e = open();
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

void TestFileeditFiles::screenshotHasNoOverlaps() {
    Editor &e = open();
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
    QCOMPARE(siblingsApart(find("Panel2")), QString());
    e.Item("FindItem")->trigger();
    auto *dialog = find("FindDialog");
    QVERIFY(dialog->grab().save(QStringLiteral("/tmp/fileedit-find.png")));
    QCOMPARE(siblingsApart(dialog), QString());
}

QTEST_MAIN(TestFileeditFiles)
#include "tst_FileeditFiles.moc"
