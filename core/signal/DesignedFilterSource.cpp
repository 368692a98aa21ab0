#include "core/signal/DesignedFilterSource.h"

#include <cmath>
#include <numbers>

namespace kaldorium {

DefaultDesignedFilterSource::DefaultDesignedFilterSource() {
    Recompute();
}

void DefaultDesignedFilterSource::Recompute() {
    // ωa = (2/Ts)·tan(ω0·Ts/2), k = ωa/Q, W = ωa²·Ts²
    const double omega0 = f0 * 2 * std::numbers::pi;
    const double omegaWarped = (2.0 / ts) * std::tan(omega0 * ts * 0.5);
    const double k = omegaWarped / q;
    const double w = omegaWarped * omegaWarped * ts * ts;

    // Band pass of order 2: a = A0·(2·Ts·k, 0, −2·Ts·k), b = (4 + 2·Ts·k + W, 2·W − 8,
    // 4 − 2·Ts·k + W). The designer leaves a second-order set unnormalised (b0 ≠ 1).
    for (int i = 0; i < 7; ++i) {
        a[i] = 0.0;
        b[i] = 0.0;
    }
    b[0] = 2.0 * ts * k + 4.0 + w;
    b[1] = 2.0 * w - 8.0;
    b[2] = 4.0 - 2.0 * ts * k + w;
    a[0] = amplification * (2.0 * ts * k);
    a[1] = 0.0;
    a[2] = amplification * (-2.0 * ts * k);
}

} // namespace kaldorium
