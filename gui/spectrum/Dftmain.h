#pragma once

#include <QDialog>

class UiServices;

// DFT_Spectral Analysis window. Its controls arrive with the work on this window.
class TDFTMainForm : public QDialog {
    Q_OBJECT
public:
    explicit TDFTMainForm(UiServices &services, QWidget *parent = nullptr);

private:
    UiServices &services;
};
