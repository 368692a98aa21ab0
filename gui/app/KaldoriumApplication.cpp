#include "app/KaldoriumApplication.h"

#include "app/UiServices.h"

#include <exception>

KaldoriumApplication::KaldoriumApplication(int &argc, char **argv, UiServices &services_)
    : QApplication(argc, argv), services(services_) {
    setApplicationName(QStringLiteral("Kaldorium"));
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
