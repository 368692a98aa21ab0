#include "tools/Analoguefiltersmain.h"

TAnalogueFiltersForm::TAnalogueFiltersForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) Analog 2nd Order Active Filters Design"));
    resize(640, 480);
}
