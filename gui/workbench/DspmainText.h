#pragma once

#include "common/NumberText.h"

#include <QLabel>
#include <QString>
#include <string>

// Text helpers the workbench's source files share: every number a field shows goes through the
// shared number text module, never the locale.
namespace dspmain {

inline QString Text(const std::string &s) {
    return QString::fromStdString(s);
}
inline QString General(double v) {
    return Text(kaldorium::FormatGeneral(v));
}
// The RMS and range read-outs: 5 significant digits, 5 after the point.
inline QString Statistic(double v) {
    return Text(kaldorium::FormatFixed(v, 5, 5));
}
inline QString Shift(double v) {
    return Text(kaldorium::FormatFixed(v, 5, 4));
}

inline QLabel *Caption(QWidget *parent, const QString &text) {
    return new QLabel(text, parent);
}

} // namespace dspmain
