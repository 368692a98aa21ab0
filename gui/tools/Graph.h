#pragma once

#include <QDialog>

class UiServices;

// Bode Plot window. Its controls arrive with the work on this window.
class TGraphForm : public QDialog {
    Q_OBJECT
public:
    explicit TGraphForm(UiServices &services, QWidget *parent = nullptr);

private:
    UiServices &services;
};
