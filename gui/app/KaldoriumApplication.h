#pragma once

#include <QApplication>

class UiServices;

// The application object. Its notify() is the last-resort net for an error that escaped a handler
// not wrapped by guarded(): it shows the error display and the program goes on.
class KaldoriumApplication : public QApplication {
    Q_OBJECT
public:
    KaldoriumApplication(int &argc, char **argv, UiServices &services);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    UiServices &services;
};
