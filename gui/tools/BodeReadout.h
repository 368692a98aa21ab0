#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// The extra lines of a Bode plot's cursor read-out: the half power points of the response and
// the phase at each cursor (x is log10 of the frequency in Hz). `phaseAtHz` gives the phase in
// degrees, or none outside the plotted range.
QString BodeCursorExtras(const std::vector<double> &halfPowerHz,
                         const std::function<std::optional<double>(double hz)> &phaseAtHz,
                         std::optional<double> x1, std::optional<double> x2);
