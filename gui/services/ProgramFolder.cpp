#include "gui/services/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

QString WithSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

// Copies the files of `from` into `to`, keeping any file the user already has.
void Seed(const QString &from, const QString &to) {
    QDirIterator files(from, QDir::Files);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        const QString target = to + file.fileName();
        if (!QFileInfo::exists(target)) {
            QFile::copy(file.filePath(), target);
            // Installed files are read-only; the user's copies are theirs to edit.
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
    }
}

bool SameContents(const QString &a, const QString &b) {
    QFile first(a);
    QFile second(b);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly) ||
        !second.open(QIODevice::ReadOnly)) {
        return false;
    }
    constexpr qint64 chunk = 1 << 16;
    while (!first.atEnd()) {
        if (first.read(chunk) != second.read(chunk)) {
            return false;
        }
    }
    return true;
}

// "Sine.DSI" taken becomes "Sine (moved).DSI", then "Sine (moved 2).DSI", …
QString FreeName(const QString &target) {
    const QFileInfo info(target);
    const QString folder = WithSeparator(info.path());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString base = info.fileName().chopped(suffix.size());
    QString name = folder + base + QStringLiteral(" (moved)") + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n) {
        name = folder + base + QStringLiteral(" (moved %1)").arg(n) + suffix;
    }
    return name;
}

// Moves one file of the old folder to the same place under the new root.
void MoveFile(const QString &from, const QString &to, QStringList &problems) {
    QDir().mkpath(QFileInfo(to).path());
    QString target = to;
    if (QFileInfo::exists(target)) {
        if (SameContents(from, target)) {
            if (!QFile::remove(from)) {
                problems << QStringLiteral("Cannot remove %1").arg(from);
            }
            return;
        }
        target = FreeName(target);
    }
    if (!QFile::rename(from, target)) {
        problems << QStringLiteral("Cannot move %1 to %2").arg(from, target);
    }
}

// Removes the folders of the old tree that are empty now, deepest first.
void RemoveEmptyFolders(const QString &root) {
    QStringList folders;
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        folders << it.next();
    }
    std::sort(folders.begin(), folders.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &folder : folders) {
        QDir().rmdir(folder);
    }
    QDir().rmdir(root);
}

// Moves an earlier version's data folder into the root: whole when the root is not there yet,
// else file by file.
void MoveOldRoot(const QString &oldRoot, const QString &root, QStringList &problems) {
    if (oldRoot.isEmpty() || !QFileInfo(oldRoot).isDir() ||
        QDir::cleanPath(oldRoot) == QDir::cleanPath(root)) {
        return;
    }
    if (!QFileInfo::exists(root)) {
        QDir().mkpath(QFileInfo(QDir::cleanPath(root)).path());
        if (QDir().rename(QDir::cleanPath(oldRoot), QDir::cleanPath(root))) {
            return;
        }
    }
    const QDir old(oldRoot);
    QDirIterator files(oldRoot, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        MoveFile(file, root + old.relativeFilePath(file), problems);
    }
    RemoveEmptyFolders(oldRoot);
}

// A data folder of the layout, created and filled from the examples when missing.
QString EnsureFolder(const DataLayout &layout, const QString &name, QStringList &problems) {
    const QString folder = layout.root + name + QLatin1Char('/');
    if (QFileInfo(folder).isDir()) {
        return folder;
    }
    if (!QDir().mkpath(folder)) {
        problems << QStringLiteral("Cannot create the folder %1").arg(folder);
    } else if (!layout.examples.isEmpty()) {
        Seed(layout.examples + name, folder);
    }
    return folder;
}

} // namespace

QString ProgramFolder() {
    return WithSeparator(QCoreApplication::applicationDirPath());
}

DataLayout DataLayoutFor(const QString &programFolder, const QString &documents,
                         const QString &oldAppData) {
    const QString examples = QDir::cleanPath(WithSeparator(programFolder) +
                                             QStringLiteral("../share/kaldorium/examples"));
    if (!QFileInfo(examples).isDir()) {
        return {WithSeparator(programFolder), QString(), QString()};
    }
    if (documents.isEmpty()) {
        // No Documents folder known (no home): the application data folder is all there is.
        return {WithSeparator(oldAppData), WithSeparator(examples), QString()};
    }
    return {WithSeparator(WithSeparator(documents) + QStringLiteral("Kaldorium")),
            WithSeparator(examples), oldAppData.isEmpty() ? QString() : WithSeparator(oldAppData)};
}

DataLayout CurrentDataLayout() {
    return DataLayoutFor(ProgramFolder(),
                         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QStringList DataFolderNames() {
    return {QStringLiteral("DSIs"), QStringLiteral("DSOs"), QStringLiteral("WAVs"),
            QStringLiteral("DFTs"), QStringLiteral("Lessons")};
}

QStringList PrepareDataFolders(const DataLayout &layout) {
    QStringList problems;
    MoveOldRoot(layout.oldRoot, layout.root, problems);
    for (const QString &name : DataFolderNames()) {
        EnsureFolder(layout, name, problems);
    }
    return problems;
}

QString InstalledExamplesFolder() {
    return CurrentDataLayout().examples;
}

QString DataRoot() {
    return CurrentDataLayout().root;
}

QString DataFolder(const QString &name) {
    QStringList problems;
    return EnsureFolder(CurrentDataLayout(), name, problems);
}
