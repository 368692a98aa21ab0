#include "gui/tools/BodeReadout.h"

#include "core/common/NumberText.h"

#include <QStringList>
#include <cmath>
#include <initializer_list>

namespace {

QString Short(double v) {
    return QString::fromStdString(kaldorium::FormatGeneral(v, 6));
}

} // namespace

QString BodeCursorExtras(const std::vector<double> &halfPowerHz,
                         const std::function<std::optional<double>(double hz)> &phaseAtHz,
                         std::optional<double> x1, std::optional<double> x2) {
    QStringList lines;
    if (!halfPowerHz.empty()) {
        QStringList hz;
        for (std::size_t i = 0; i < halfPowerHz.size() && i < 4; ++i) {
            hz << Short(halfPowerHz[i]);
        }
        lines << QStringLiteral("−3 dB at %1%2 Hz")
                     .arg(hz.join(QStringLiteral(", ")),
                          halfPowerHz.size() > 4 ? QStringLiteral(", …") : QString());
    }
    QStringList phases;
    int n = 0;
    for (const std::optional<double> &x : {x1, x2}) {
        ++n;
        const std::optional<double> phase = x ? phaseAtHz(std::pow(10.0, *x)) : std::nullopt;
        if (phase) {
            phases << QStringLiteral("phase%1 = %2°").arg(n).arg(Short(*phase));
        }
    }
    if (!phases.isEmpty()) {
        lines << phases.join(QStringLiteral("   "));
    }
    return lines.join(QLatin1Char('\n'));
}
