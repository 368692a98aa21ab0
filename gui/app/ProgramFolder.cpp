#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

} // namespace

QString ProgramFolder() {
    return WithSeparator(QCoreApplication::applicationDirPath());
}

QString InstalledExamplesFolder() {
    const QString examples =
        QDir::cleanPath(ProgramFolder() + QStringLiteral("../share/kaldorium/examples"));
    return QFileInfo(examples).isDir() ? WithSeparator(examples) : QString();
}

QString DataRoot() {
    if (InstalledExamplesFolder().isEmpty()) {
        return ProgramFolder();
    }
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString DataFolder(const QString &name) {
    const QString folder = DataRoot() + name + QLatin1Char('/');
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        const QString examples = InstalledExamplesFolder();
        if (!examples.isEmpty()) {
            Seed(examples + name, folder);
        }
    }
    return folder;
}
