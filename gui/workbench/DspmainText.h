#pragma once

#include "core/common/NumberText.h"

#include <QLabel>
#include <QLineEdit>
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

// The read-outs of the display's coordinates and of T: six significant digits, enough to read
// and narrow enough for their fields.
inline QString Reading(double v) {
    return Text(kaldorium::FormatGeneral(v, 6));
}

// The width a field needs to show `widest` whole in its own font: the text, the frame and the
// field's inner margins.
inline int FieldWidthFor(const QLineEdit *field, const QString &widest) {
    return field->fontMetrics().horizontalAdvance(widest) + 9;
}

} // namespace dspmain
