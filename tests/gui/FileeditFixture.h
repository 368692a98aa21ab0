#pragma once

#include "gui/tools/Fileedit.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString &path) {
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

// The editor window driven as a user drives it; a test opens one editor at a time.
class FileeditFixture : public FormDriver {
protected:
    std::unique_ptr<Editor> editor;

    Editor &open(const QString &name = QString()) {
        editor = std::make_unique<Editor>(name);
        root = &editor->form;
        settleBeforeClick = false;
        return *editor;
    }
};
