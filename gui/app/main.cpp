#include "app/KaldoriumApplication.h"
#include "app/ProgramWindows.h"
#include "app/UiServices.h"

#include <exception>

int main(int argc, char **argv) {
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    try {
        ProgramWindows windows(services);
        windows.mainForm.show();
        return application.exec();
    } catch (const std::exception &e) {
        services.ShowError(nullptr, QString::fromStdString(e.what()));
    }
    return 1;
}
