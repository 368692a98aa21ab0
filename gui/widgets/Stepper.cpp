#include "gui/widgets/Stepper.h"

#include <QToolButton>
#include <QVBoxLayout>

Stepper::Stepper(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    upButton = new QToolButton(this);
    upButton->setObjectName(QStringLiteral("up"));
    upButton->setArrowType(Qt::UpArrow);
    downButton = new QToolButton(this);
    downButton->setObjectName(QStringLiteral("down"));
    downButton->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {upButton, downButton}) {
        button->setFixedSize(17, 11);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(upButton, &QToolButton::clicked, this, [this] { Step(true); });
    connect(downButton, &QToolButton::clicked, this, [this] { Step(false); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Stepper::sizeHint() const {
    return QSize(17, 22);
}

void Stepper::SetRange(int minimum_, int maximum_, int position_) {
    limited = true;
    minimum = minimum_;
    maximum = maximum_;
    position = position_;
}

void Stepper::Step(bool up) {
    if (limited) {
        const int next = up ? position + 1 : position - 1;
        if (next < minimum || next > maximum) {
            return;
        }
        position = next;
    } else {
        position = 50;
    }
    emit clicked(up);
}
