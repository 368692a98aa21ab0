#pragma once

#include <QDialog>

class UiServices;

// Analog 2nd Order Active Filters Design window. Its controls arrive with the work on this window.
class TAnalogueFiltersForm : public QDialog {
    Q_OBJECT
public:
    explicit TAnalogueFiltersForm(UiServices &services, QWidget *parent = nullptr);

private:
    UiServices &services;
};
