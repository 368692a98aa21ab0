#pragma once

#include <QDialog>

class UiServices;

// The Bode plot window. Its controls arrive with the work on this window.
class TGraphForm : public QDialog {
    Q_OBJECT
public:
    explicit TGraphForm(UiServices &services, QWidget *parent = nullptr);

    // Inputs, set by the caller before showing the window.
    double omega0 = 0.0;        // rad/s the response formulas scale by
    double amplification = 1.0; // A0
    double damping = 0.5;       // ζ = 0.5/Q
    double ts = 0.000025;       // sampling period, s
    int type = 0;               // FilterKind
    QString titleName = QStringLiteral("No input");

private:
    UiServices &services;
};
