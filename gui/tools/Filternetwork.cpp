#include "tools/Filternetwork.h"

TFilterNetworkForm::TFilterNetworkForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) Filter Network Specification"));
    resize(1007, 512);
}
