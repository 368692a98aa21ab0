#include "gui/app/KaldoriumApplication.h"

#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"

#include <clocale>
#include <exception>

KaldoriumApplication::KaldoriumApplication(int &argc, char **argv, UiServices &services_)
    : QApplication(argc, argv), services(services_) {
    setApplicationName(QStringLiteral("Kaldorium"));
    // Qt adopts the user's locale for the C library too; numbers in files and fields keep "."
    // as the decimal point whatever the locale, so no formatting below Qt may follow it.
    std::setlocale(LC_NUMERIC, "C");
    // The data folders exist from the start: an installed program moves an earlier version's
    // folder into place and fills new folders from its examples.
    const QStringList problems = PrepareDataFolders(CurrentDataLayout());
    if (!problems.isEmpty()) {
        services.Message(nullptr, QMessageBox::Warning, QStringLiteral("KALDOR Warning"),
                         QStringLiteral("The data folders are not complete:\n") +
                             problems.join(QLatin1Char('\n')),
                         QMessageBox::Ok);
    }
}

bool KaldoriumApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        services.ShowError(activeWindow(), QString::fromStdString(e.what()));
    } catch (...) {
        services.ShowError(activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}
