#pragma once

#include <QDialog>

class UiServices;

// Digital Filters Design window. Its controls arrive with the work on this window.
class TDigitalFiltersForm : public QDialog {
    Q_OBJECT
public:
    explicit TDigitalFiltersForm(UiServices &services, QWidget *parent = nullptr);

private:
    UiServices &services;
};
