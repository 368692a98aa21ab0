#pragma once

#include <QString>
#include <functional>
#include <utility>

class QTimer;
class QWidget;
class UiServices;

// Drives one piece of long work of a window — a workbench run, a response, a WAV view — in
// chunks from a zero-interval timer, so the window stays responsive between chunks. It owns the
// timer, the stop request and the chunk size; the work itself is a core stepper:
//
//     driver.Start({.step = [&](int count) { run->Step(count); return true; },
//                   .shown = [&] { ShowStatistics(); },
//                   .finish = [&] { run.reset(); busy = Idle; UpdateControls(); }});
//
// Every way out — the work's end (step answers false), Stop(), a stop request seen at the next
// chunk, an error thrown by a chunk, the window closing (its closeEvent calls Stop()) — runs
// `finish` exactly once, so the window is idle afterwards. A chunk's error is passed on after
// `finish` has run: the timer's handler is connected through `guarded`, which shows it.
class ChunkDriver {
public:
    struct Work {
        // Advances the work by `count` samples; false when it has come to its own end. It runs
        // inside a floating-point check: a division by zero, an invalid operation or an overflow
        // in it ends the work with FloatingPointError.
        std::function<bool(int count)> step;
        // Shows what the chunk did (read-outs, the display); optional. Runs after the check.
        std::function<void()> shown;
        // Puts the window back to idle; optional. Runs once, on every way out.
        std::function<void()> finish;
    };

    // How the last piece of work ended; `finish` may ask.
    enum class Ending { Finished, Stopped, Failed };

    // The size of the next chunk. The default is the fixed chunk size; a real-time run can pace
    // itself by a clock here (the samples due since the last chunk), returning 0 to skip a tick.
    using Pacing = std::function<int(int chunkSamples)>;

    // The timer is a child of `window` named `timerName` (tests find it by that name and may stop
    // it to step by hand with Chunk()). Chunk errors go to `services`' error display.
    ChunkDriver(QWidget *window, UiServices &services, const QString &timerName, int chunkSamples);
    ~ChunkDriver();
    ChunkDriver(const ChunkDriver &) = delete;
    ChunkDriver &operator=(const ChunkDriver &) = delete;

    // Starts `work` (ending the one that runs first). The first chunk runs from the timer.
    void Start(Work work);
    // One chunk now: the timer's call; tests and a window that wants its first chunk at once call
    // it too. Does nothing when nothing runs.
    void Chunk();
    // Ends the work now.
    void Stop();
    // Ends the work before its next chunk.
    void RequestStop() { stopRequested = true; }

    bool Running() const { return running; }
    Ending HowEnded() const { return ending; }
    bool StopRequested() const { return stopRequested; }
    int ChunkSamples() const { return chunkSamples; }
    void SetPacing(Pacing pacing_) { pacing = std::move(pacing_); }
    QTimer *Timer() const { return timer; }

private:
    QTimer *timer;
    int chunkSamples;
    Pacing pacing;
    Work work;
    bool running = false;
    bool stopRequested = false;
    Ending ending = Ending::Finished;

    void End(Ending how);
};
