#include "gui/app/CommandLine.h"

#include "gui/services/DataFileEditor.h"
#include "gui/services/UiServices.h"

#include <QFileInfo>

void OpenArguments(const QStringList &files, DataFileEditor &editor, UiServices &services,
                   QWidget *parent, const std::function<void(const QString &)> &openLesson) {
    static const QStringList textKinds{QStringLiteral("dsi"), QStringLiteral("dso"),
                                       QStringLiteral("dft"), QStringLiteral("txt")};
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (textKinds.contains(info.suffix().toLower())) {
            editor.EditFile(info.absoluteFilePath());
        } else if (openLesson && info.suffix().toLower() == QLatin1String("klesson")) {
            openLesson(info.absoluteFilePath());
        } else {
            services.ReportError(parent,
                                 QStringLiteral("Kaldorium cannot open this kind of file:\n%1")
                                     .arg(info.absoluteFilePath()));
        }
    }
}

QStringList FileArguments(const QStringList &arguments) {
    QStringList files = arguments.mid(1);
    // "--" ends the options; the desktop passes plain names, so nothing else is an option here.
    files.removeAll(QStringLiteral("--"));
    return files;
}
