#pragma once

#include "core/common/Progress.h"

#include <QElapsedTimer>

// Lets pending window messages run in the middle of a long piece of work. The floating-point
// flags are saved before and restored after: a handler that runs meanwhile (and may clear the
// flags or raise its own) neither hides the work's fault nor has its fault blamed on the work.
// Every loop that processes messages goes through here.
void PumpMessages();

// The same, processing messages for at most `maxMilliseconds` (QEventLoop::AllEvents).
void PumpMessages(int maxMilliseconds);

// The pump of one window's long work that runs in a loop of its own (an effect, a spectrum, an
// export): it lets messages run at most every `interval` milliseconds — 0 runs them at every
// call — and carries the stop request that a Stop button or closing the window makes:
//
//     pump.Start();                               // no stop request; the first call pumps
//     analysis.Run(frames, ..., pump.AsProgress());
//     ... closeEvent: pump.RequestStop();         // the work's next call answers false
class MessagePump {
public:
    explicit MessagePump(int intervalMs = 0) : interval(intervalMs) {}

    // A new piece of work: the stop request is withdrawn and the next call lets messages run.
    void Start();
    // The same with another interval.
    void Start(int intervalMs);

    // Lets pending messages run when the interval has passed since they last did. False once a
    // stop was requested (before or while the messages ran): the work ends where it is.
    bool Pump();
    // Whether the next Pump() lets messages run: what shows progress need change only then.
    bool Due() const;
    // Pump() as the core's progress callback.
    kaldorium::Progress AsProgress() {
        return [this](long long, long long) { return Pump(); };
    }

    void RequestStop() { stopRequested = true; }
    bool StopRequested() const { return stopRequested; }
    int Interval() const { return interval; }

private:
    int interval;
    bool stopRequested = false;
    QElapsedTimer sinceMessages; // invalid until messages first ran for this piece of work
};
