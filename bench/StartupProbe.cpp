// Starts as the program does and quits once its main window has painted: `startup_probe` is the
// program, `startup_probe minimal` a plain Qt Widgets window with one button in the same binary,
// and `startup_plain` that window in a program of its own that links Qt Widgets alone, the
// yardstick. BM_StartUp in gui_bench times them as whole processes.

#ifndef KALDORIUM_PLAIN_WINDOW
#include "gui/app/KaldoriumApplication.h"
#include "gui/app/ProgramWindows.h"
#include "gui/services/UiServices.h"
#endif

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace {

// Ends the process once the first paint of the watched window is done; what exiting tears
// down is no part of the start-up.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, qApp, [] { std::_Exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen = false;
};

// The plain window: one button on an empty window.
int PlainWindow(int &argc, char **argv, FirstPaint &painted) {
    QApplication application(argc, argv);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Test"), &window);
    button->move(20, 20);
    window.resize(960, 640);
    window.installEventFilter(&painted);
    window.show();
    return application.exec();
}

} // namespace

int main(int argc, char **argv) {
    FirstPaint painted;
#ifdef KALDORIUM_PLAIN_WINDOW
    return PlainWindow(argc, argv, painted);
#else
    if (argc > 1 && std::strcmp(argv[1], "minimal") == 0) {
        return PlainWindow(argc, argv, painted);
    }
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    ProgramWindows windows(services);
    windows.mainForm.installEventFilter(&painted);
    windows.mainForm.show();
    return application.exec();
#endif
}
