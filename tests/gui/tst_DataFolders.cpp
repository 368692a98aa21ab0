#include "gui/services/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Where the data folders live: beside the executable in the build tree; under Documents for an
// installed program, seeded from the examples and taking over an earlier version's folder once.
class TestDataFolders : public QObject {
    Q_OBJECT

    static void Write(const QString &path, const QByteArray &contents) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    static QByteArray Read(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // An installed program: <tmp>/usr/bin with examples under <tmp>/usr/share/kaldorium, the
    // user's Documents and an earlier version's folder.
    struct Installed {
        QTemporaryDir tmp;
        QString bin, documents, old;
        DataLayout layout;
        Installed() {
            bin = tmp.filePath(QStringLiteral("usr/bin"));
            documents = tmp.filePath(QStringLiteral("home/Documents"));
            old = tmp.filePath(QStringLiteral("home/.local/share/Kaldorium"));
            QDir().mkpath(bin);
            const QString examples = tmp.filePath(QStringLiteral("usr/share/kaldorium/examples"));
            Write(examples + QStringLiteral("/DSIs/Sine.DSI"), "example sine");
            Write(examples + QStringLiteral("/WAVs/tone.wav"), "RIFF");
            QFile::setPermissions(examples + QStringLiteral("/DSIs/Sine.DSI"),
                                  QFileDevice::ReadOwner | QFileDevice::ReadOther);
            layout = DataLayoutFor(bin, documents, old);
        }
        QString Root(const QString &file) const { return layout.root + file; }
    };

private slots:
    void theBuildTreeKeepsItsFoldersBesideTheProgram() {
        QTemporaryDir tmp;
        const DataLayout layout =
            DataLayoutFor(tmp.path(), tmp.filePath("Documents"), tmp.filePath("old"));
        QCOMPARE(layout.root, tmp.path() + QLatin1Char('/'));
        QVERIFY(layout.examples.isEmpty());
        QVERIFY(layout.oldRoot.isEmpty());
        QVERIFY(PrepareDataFolders(layout).isEmpty());
        for (const QString &name : DataFolderNames()) {
            QVERIFY(QFileInfo(layout.root + name).isDir());
        }
        QVERIFY(!QFileInfo::exists(tmp.filePath("Documents")));
    }

    void theFirstStartSeedsDocumentsAndLaterStartsKeepTheUsersFiles() {
        Installed p;
        QCOMPARE(p.layout.root, p.documents + QStringLiteral("/Kaldorium/"));
        QVERIFY(PrepareDataFolders(p.layout).isEmpty());
        for (const QString &name : DataFolderNames()) {
            QVERIFY2(QFileInfo(p.Root(name)).isDir(), qPrintable(name));
        }
        QCOMPARE(Read(p.Root("DSIs/Sine.DSI")), QByteArray("example sine"));
        QCOMPARE(Read(p.Root("WAVs/tone.wav")), QByteArray("RIFF"));
        QVERIFY(QFileInfo(p.Root("DSIs/Sine.DSI")).isWritable());

        // The user edits an example and deletes another: neither comes back.
        Write(p.Root("DSIs/Sine.DSI"), "my sine");
        QFile::remove(p.Root("WAVs/tone.wav"));
        QVERIFY(PrepareDataFolders(p.layout).isEmpty());
        QCOMPARE(Read(p.Root("DSIs/Sine.DSI")), QByteArray("my sine"));
        QVERIFY(!QFileInfo::exists(p.Root("WAVs/tone.wav")));
    }

    void anEarlierFolderIsMovedWholeBeforeSeeding() {
        Installed p;
        Write(p.old + QStringLiteral("/DSIs/Sine.DSI"), "my sine");
        Write(p.old + QStringLiteral("/DSOs/run.DSO"), "rows");
        Write(p.old + QStringLiteral("/DSOs/nested/deep.DSO"), "deep");
        QVERIFY(PrepareDataFolders(p.layout).isEmpty());
        QCOMPARE(Read(p.Root("DSIs/Sine.DSI")), QByteArray("my sine"));
        QCOMPARE(Read(p.Root("DSOs/run.DSO")), QByteArray("rows"));
        QCOMPARE(Read(p.Root("DSOs/nested/deep.DSO")), QByteArray("deep"));
        QVERIFY(!QFileInfo::exists(p.old));
        // WAVs was not in the old folder: it is made and seeded.
        QCOMPARE(Read(p.Root("WAVs/tone.wav")), QByteArray("RIFF"));
        QVERIFY(!QFileInfo::exists(p.Root("DSIs/Sine (moved).DSI")));

        // Once only: the next start finds nothing to move and changes nothing.
        QVERIFY(PrepareDataFolders(p.layout).isEmpty());
        QCOMPARE(QDir(p.Root("DSOs")).entryList(QDir::Files), QStringList{"run.DSO"});
    }

    // Documents/Kaldorium already there: file by file, and nothing is lost on a clash.
    void anEarlierFolderIsMergedKeepingBothOfAClash() {
        Installed p;
        Write(p.Root("DSIs/Sine.DSI"), "new sine");
        Write(p.Root("DSIs/Same.DSI"), "same");
        Write(p.Root("DSIs/Twice (moved).DSI"), "taken");
        Write(p.Root("DSIs/Twice.DSI"), "taken too");
        Write(p.old + QStringLiteral("/DSIs/Sine.DSI"), "old sine");
        Write(p.old + QStringLiteral("/DSIs/Same.DSI"), "same");
        Write(p.old + QStringLiteral("/DSIs/Twice.DSI"), "old twice");
        Write(p.old + QStringLiteral("/DFTs/spectrum.DFT"), "bins");
        Write(p.old + QStringLiteral("/noext"), "plain");

        QVERIFY(PrepareDataFolders(p.layout).isEmpty());
        QCOMPARE(Read(p.Root("DSIs/Sine.DSI")), QByteArray("new sine"));
        QCOMPARE(Read(p.Root("DSIs/Sine (moved).DSI")), QByteArray("old sine"));
        QCOMPARE(Read(p.Root("DSIs/Same.DSI")), QByteArray("same"));
        QVERIFY(!QFileInfo::exists(p.Root("DSIs/Same (moved).DSI")));
        QCOMPARE(Read(p.Root("DSIs/Twice (moved 2).DSI")), QByteArray("old twice"));
        QCOMPARE(Read(p.Root("DFTs/spectrum.DFT")), QByteArray("bins"));
        QCOMPARE(Read(p.Root("noext")), QByteArray("plain"));
        QVERIFY(!QFileInfo::exists(p.old));
    }

    void aFolderThatCannotBeMadeIsReported() {
        QTemporaryDir tmp;
        Write(tmp.filePath("blocked"), "a file where the root should be");
        const QStringList problems = PrepareDataFolders({tmp.filePath("blocked/"), {}, {}});
        QCOMPARE(problems.size(), DataFolderNames().size());
        QVERIFY(problems[0].contains(QLatin1String("blocked/DSIs")));
    }
};

QTEST_MAIN(TestDataFolders)
#include "tst_DataFolders.moc"
