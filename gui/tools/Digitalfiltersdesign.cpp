#include "tools/Digitalfiltersdesign.h"

TDigitalFiltersForm::TDigitalFiltersForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) Digital Filters Design"));
    resize(760, 600);
}
