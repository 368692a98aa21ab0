#include "gui/services/MessagePump.h"

#include "core/common/Errors.h"

#include <QCoreApplication>

void PumpMessages() {
    const kaldorium::SavedFloatingPointFlags flags;
    QCoreApplication::processEvents();
}

void PumpMessages(int maxMilliseconds) {
    const kaldorium::SavedFloatingPointFlags flags;
    QCoreApplication::processEvents(QEventLoop::AllEvents, maxMilliseconds);
}

void MessagePump::Start() {
    stopRequested = false;
    sinceMessages.invalidate();
}

void MessagePump::Start(int intervalMs) {
    interval = intervalMs;
    Start();
}

bool MessagePump::Due() const {
    return interval <= 0 || !sinceMessages.isValid() || sinceMessages.elapsed() >= interval;
}

bool MessagePump::Pump() {
    if (!Due()) {
        return !stopRequested;
    }
    PumpMessages();
    if (interval > 0) {
        sinceMessages.start();
    }
    return !stopRequested;
}
