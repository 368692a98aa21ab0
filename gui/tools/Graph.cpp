#include "tools/Graph.h"

TGraphForm::TGraphForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) Bode Plot"));
    resize(704, 649);
}
