#include "spectrum/Dftmain.h"

TDFTMainForm::TDFTMainForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR)  DFT_Spectral Analysis"));
    resize(820, 623);
}
