#include "gui/app/CommandLine.h"
#include "gui/app/KaldoriumApplication.h"
#include "gui/app/ProgramWindows.h"
#include "gui/services/UiServices.h"

#include <QTimer>

#include <exception>

int main(int argc, char **argv) {
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    try {
        ProgramWindows windows(services);
        windows.mainForm.show();
        // Files named on the command line open once the workbench is up.
        const QStringList files = FileArguments(QCoreApplication::arguments());
        if (!files.isEmpty()) {
            QTimer::singleShot(0, &windows.mainForm, [&] {
                OpenArguments(files, windows.editor, services, &windows.mainForm,
                              [&](const QString &lesson) { windows.lessons.OpenLesson(lesson); });
            });
        }
        return application.exec();
    } catch (const std::exception &e) {
        services.ShowError(nullptr, QString::fromStdString(e.what()));
    }
    return 1;
}
