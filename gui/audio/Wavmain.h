#pragma once

#include <QWidget>

class UiServices;

// The WAV workbench: shown without blocking the program while the main window is hidden.
class TWAVMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TWAVMainForm(UiServices &services, QWidget *parent = nullptr);

signals:
    // The window was closed; the main window shows itself again.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    UiServices &services;
};
