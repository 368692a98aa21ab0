#pragma once

#include <QWidget>

class QToolButton;

// An up-down stepper: two arrow buttons (objectNames "up" and "down"). Without limits every click
// is reported as up or down and the position goes back to its middle, so the stepper never sticks
// at an end. With limits (SetRange) it keeps a position that stops at them.
class Stepper : public QWidget {
    Q_OBJECT
public:
    explicit Stepper(QWidget *parent = nullptr);

    void SetRange(int minimum, int maximum, int position);
    int Position() const { return position; }

    QToolButton *UpButton() const { return upButton; }
    QToolButton *DownButton() const { return downButton; }

    QSize sizeHint() const override;

signals:
    void clicked(bool up);

private:
    void Step(bool up);

    QToolButton *upButton;
    QToolButton *downButton;
    bool limited = false;
    int minimum = 0;
    int maximum = 100;
    int position = 50;
};
