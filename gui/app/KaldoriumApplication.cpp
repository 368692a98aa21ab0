#include "app/KaldoriumApplication.h"

#include "app/ProgramFolder.h"
#include "app/UiServices.h"

#include <clocale>
#include <exception>

KaldoriumApplication::KaldoriumApplication(int &argc, char **argv, UiServices &services_)
    : QApplication(argc, argv), services(services_) {
    setApplicationName(QStringLiteral("Kaldorium"));
    // Qt adopts the user's locale for the C library too; numbers in files and fields keep "."
    // as the decimal point whatever the locale, so no formatting below Qt may follow it.
    std::setlocale(LC_NUMERIC, "C");
    // The data folders exist from the start (an installed program fills them from its examples).
    for (const char *folder : {"DSIs", "DSOs", "WAVs", "DFTs"}) {
        DataFolder(QString::fromLatin1(folder));
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
