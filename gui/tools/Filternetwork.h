#pragma once

#include <QDialog>

class UiServices;

// The filter network window. Its controls arrive with the work on this window.
class TFilterNetworkForm : public QDialog {
    Q_OBJECT
public:
    explicit TFilterNetworkForm(UiServices &services, QWidget *parent = nullptr);

private:
    UiServices &services;
};
