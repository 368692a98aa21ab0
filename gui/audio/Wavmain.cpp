#include "audio/Wavmain.h"

#include <QCloseEvent>

TWAVMainForm::TWAVMainForm(UiServices &services_, QWidget *parent)
    : QWidget(parent, Qt::Window), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) WAV Files Processing"));
    resize(867, 700);
}

void TWAVMainForm::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    emit closed();
}
