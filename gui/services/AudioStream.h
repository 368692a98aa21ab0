#pragma once

#include <QString>

#include <span>

// A live sound output fed with a run's own samples as they are computed, behind a small interface
// so that window tests use a fake and never need a sound card.
//
// Every call comes from the thread that owns the stream (the GUI thread); the stream moves the
// queued frames to the device by itself in between. A real-time run paces itself by the sound: at
// each step it computes and pushes FreeFrames() frames. The queue is sized so that this keeps the
// speaker within 100 ms of the computation, and computation and playback share one clock: they
// cannot drift apart. PlayedFrames() tells where the sound is. While the state is not Playing the
// sound goes nowhere and the run keeps its own clock.
class AudioStream {
public:
    enum class State {
        Closed,   // never opened, stopped, or finished and played out
        Playing,  // pushed frames are heard
        NoDevice, // no sound output, or it failed: pushes are dropped, the run goes on silently
        Refused,  // the device cannot play the rate or channels asked for: ErrorText says which
    };

    virtual ~AudioStream() = default;

    // Opens for `channels` interleaved channels at `rate` frames per second, stopping whatever
    // played; counters restart. True when the state is Playing.
    virtual bool Open(double rate, int channels) = 0;
    // Queues interleaved frames (frames × channels samples) and returns how many whole frames it
    // took: all of them unless the queue is full. Samples beyond ±1 are clipped for the speaker
    // only. When not Playing it takes every frame and drops it.
    virtual int Push(std::span<const double> interleaved) = 0;
    // No more frames will come: the queue plays out, then the state is Closed. Running dry after
    // this is no dropout.
    virtual void Finish() = 0;
    // Silences at once, dropping what is queued; the state is Closed. Counters remain readable.
    virtual void Stop() = 0;

    // Frames Push takes now. Pushing this many at each step paces a run by the sound and keeps
    // it within 100 ms of the speaker. 0 when not Playing: the sound sets no pace then.
    virtual int FreeFrames() const = 0;
    // Frames queued since Open.
    virtual long long PushedFrames() const = 0;
    // Frames the device has really played since Open, at the rate opened: the pacing clock.
    virtual long long PlayedFrames() const = 0;
    long long QueuedFrames() const { return PushedFrames() - PlayedFrames(); }

    // Times the device starved while frames were still to come ("Dropouts: 3").
    virtual int Dropouts() const = 0;
    virtual long long ClippedSamples() const = 0;
    // Lit from a push with samples beyond ±1 until half a second after they were played.
    virtual bool Clipping() const = 0;

    virtual State CurrentState() const = 0;
    // Why the state is NoDevice or Refused; empty otherwise.
    virtual QString ErrorText() const = 0;
    // The text a window shows the user once, or an empty text: the missing device is announced
    // the first time it is met (not again on later runs until a device has played), a refused
    // rate on every Open that meets it.
    virtual QString TakeNotice() = 0;
};
