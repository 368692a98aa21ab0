#include "tests/gui/FileeditFixture.h"

#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cfenv>

namespace {

// The pieces the editor reads a file in.
constexpr qsizetype Piece = 256 * 1024;

// A file of `size` bytes: lines of 99 letters and LF.
QByteArray Lines(qsizetype size) {
    return (QByteArray(99, 'x') + '\n').repeated(size / 100 + 1).left(size);
}

} // namespace

// Loading a file in pieces: the question before a large one, line ends and characters cut
// between pieces, and the window alive while it loads.
class TestFileeditLoad : public QObject, public FileeditFixture {
    Q_OBJECT

private slots:
    void cleanup() { editor.reset(); }

    // Over 16 MB the editor asks first; declined, the text shown stays.
    void largeFileOpensOnlyAfterAsking_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("16 MB") << qsizetype(TFileEditForm::LargeFileBytes) << false
                               << QMessageBox::No;
        QTest::newRow("over, declined")
            << qsizetype(TFileEditForm::LargeFileBytes + 1) << true << QMessageBox::No;
        QTest::newRow("over, accepted")
            << qsizetype(TFileEditForm::LargeFileBytes + 1) << true << QMessageBox::Yes;
    }
    void largeFileOpensOnlyAfterAsking() {
        Editor &e = open();
        QFETCH(qsizetype, size);
        QFETCH(bool, asked);
        QFETCH(QMessageBox::StandardButton, answer);
        const QString small = e.Path("small.DSI");
        WriteBytes(small, "1\r\n2\r\n");
        e.Open(small);
        const QString large = e.Path("large.DSO");
        WriteBytes(large, Lines(size));
        e.services.shown.clear();
        e.services.messageAnswers.enqueue(answer);
        e.Open(large);
        const QStringList shown = asked ? QStringList{"open", "message"} : QStringList{"open"};
        QCOMPARE(e.services.Kinds(), shown);
        const bool loaded = !asked || answer == QMessageBox::Yes;
        if (asked) {
            QCOMPARE(e.services.shown[1].title, QStringLiteral("Large file"));
            QCOMPARE(
                e.services.shown[1].text,
                QStringLiteral("\"%1\" is 16.0 MB; loading it takes a while. Open it?").arg(large));
            QCOMPARE(e.services.shown[1].buttons, QMessageBox::Yes | QMessageBox::No);
        }
        QCOMPARE(e.Memo()->blockCount(), loaded ? int((size + 99) / 100) : 3);
        QCOMPARE(e.form.FileName(), loaded ? large : small);
        QVERIFY(!e.form.Modified());
        QVERIFY(e.services.errors.isEmpty());
    }

    // A CR LF, a UTF-8 character and a Latin-1 byte cut by a piece's end read as if whole.
    void piecesJoinWhereTheyAreCut_data() {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("\r\nb") << "\nb";
        QTest::newRow("UTF-8") << QByteArray("\xc2\xb5s") << "\u00b5s";
        QTest::newRow("Latin-1") << QByteArray("\xb5\r") << "\u00b5\n";
        QTest::newRow("UTF-8 cut off") << QByteArray("s\xc2") << "s\u00c2";
    }
    void piecesJoinWhereTheyAreCut() {
        Editor &e = open();
        QFETCH(QByteArray, tail);
        QFETCH(QString, shown);
        const QString path = e.Path("cut.DSI");
        // The tail's second byte starts the second piece.
        WriteBytes(path, QByteArray(Piece - 1, 'a') + tail);
        e.Open(path);
        QCOMPARE(e.Memo()->toPlainText(), QString(Piece - 1, QLatin1Char('a')) + shown);
    }

    // While a file loads, messages run: the window shows the progress and refuses a second
    // action; closing it ends the load; a floating-point fault raised by a handler meanwhile
    // leaves the flags as they were around the load.
    void windowStaysAliveWhileLoading() {
        Editor &e = open();
        const QString path = e.Path("run.DSO");
        WriteBytes(path, Lines(8 * Piece));
        bool checked = false;
        QTimer::singleShot(0, &e.form, [&] {
            checked = true;
            QVERIFY(e.form.Loading());
            QVERIFY(find<QProgressBar>("LoadProgress")->isVisible());
            QVERIFY(e.Memo()->isReadOnly());
            QVERIFY(!find<QToolButton>("LoadButton")->isEnabled());
            find<QAction>("OpenItem")->trigger();
            find<QAction>("NewItem")->trigger();
            volatile double zero = 0.0;
            volatile double quotient = 1.0 / zero;
            (void)quotient;
            e.form.close();
        });
        std::feclearexcept(FE_ALL_EXCEPT);
        e.Open(path);
        QVERIFY(std::fetestexcept(FE_DIVBYZERO) == 0);
        QVERIFY(checked);
        QVERIFY(!e.form.Loading());
        QVERIFY(!e.form.isVisible());
        QCOMPARE(e.Memo()->toPlainText(), QString());
        QCOMPARE(e.services.Kinds(), QStringList{"open"});
        QVERIFY(find<QAction>("OpenItem")->isEnabled());
    }
};

QTEST_MAIN(TestFileeditLoad)
#include "tst_FileeditLoad.moc"
