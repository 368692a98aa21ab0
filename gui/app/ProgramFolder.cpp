#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder() {
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

QString DataFolder(const QString &name) {
    const QString folder = ProgramFolder() + name + QLatin1Char('/');
    QDir().mkpath(folder);
    return folder;
}
