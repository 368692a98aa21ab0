#include "gui/services/ChunkDriver.h"

#include "core/common/Errors.h"
#include "gui/services/Guarded.h"

#include <QTimer>
#include <QWidget>

ChunkDriver::ChunkDriver(QWidget *window, UiServices &services, const QString &timerName,
                         int chunkSamples_)
    : timer(new QTimer(window)), chunkSamples(chunkSamples_) {
    timer->setObjectName(timerName);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, window,
                     guarded(window, services, [this] { Chunk(); }));
}

ChunkDriver::~ChunkDriver() {
    // The window is going: the work ends without touching its controls.
    timer->stop();
    running = false;
}

void ChunkDriver::Start(Work work_) {
    Stop();
    work = std::move(work_);
    running = true;
    stopRequested = false;
    timer->start();
}

void ChunkDriver::Chunk() {
    if (!running) {
        timer->stop();
        return;
    }
    if (stopRequested) {
        End(Ending::Stopped);
        return;
    }
    const int count = pacing ? pacing(chunkSamples) : chunkSamples;
    if (count <= 0) {
        return;
    }
    bool more = false;
    try {
        kaldorium::FloatingPointGuard guard;
        more = work.step(count);
        guard.Check();
        if (work.shown) {
            work.shown();
        }
    } catch (...) {
        End(Ending::Failed);
        throw;
    }
    if (!more) {
        End(Ending::Finished);
    }
}

void ChunkDriver::Stop() {
    End(Ending::Stopped);
}

void ChunkDriver::End(Ending how) {
    timer->stop();
    if (!running) {
        return;
    }
    running = false;
    stopRequested = false;
    ending = how;
    // Moved out first: `finish` may start the next piece of work.
    const Work ended = std::move(work);
    work = {};
    if (ended.finish) {
        ended.finish();
    }
}
