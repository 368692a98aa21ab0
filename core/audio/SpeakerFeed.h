#pragma once

#include "core/audio/FrameRing.h"
#include "core/audio/SpeakerSamples.h"
#include "core/tools/SamplingResampler.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The device-independent half of a live sound stream: a run pushes its own samples as it computes
// them; the device side takes them as bytes in its format and rate and reports how much it still
// holds. In between the feed queues, clips for the speaker, resamples where the device wants
// another rate, keeps the clock of what has been played and counts the dropouts.
namespace kaldorium {

class SpeakerFeed {
public:
    static constexpr int MaxChannels = 8;
    // Seconds of frames the queue holds ahead of the device: with the device's own buffer this
    // bounds the delay from a push to the speaker.
    static constexpr double QueueSeconds = 0.05;
    static constexpr int MinQueueFrames = 16;
    // Device frames made per call of Ready at most.
    static constexpr int ScratchFrames = 1024;
    // Resampling: the lowest rate taken, and the most input frames per device frame.
    static constexpr double MinResampledRate = 100.0;
    static constexpr double MaxRateRatio = 16.0;
    // How long the clipping indicator stays lit after a clipped sample was played, s.
    static constexpr double ClipHoldSeconds = 0.5;

    // Prepares for `channels` interleaved channels at `rate` Hz played by a device at
    // `deviceRate` Hz in `format`; rates within half a hertz of each other are played frame for
    // frame, others are resampled. Allocates everything the feed will need; counters start
    // at 0. Returns the reason a user is given when the rates or channels cannot be played, with
    // the feed then taking nothing, or an empty text.
    std::string Configure(double rate, int channels, double deviceRate, SpeakerFormat format);
    // "The sound device cannot play a sample rate of 14000000 Hz"
    static std::string RateRefused(double rate);

    // Queues the whole frames of `interleaved` that fit (FreeFrames) and returns how many it
    // took; samples beyond ±1 are clipped in the queue and counted.
    int Push(std::span<const double> interleaved);
    // No more frames will come: what is queued plays out, and running dry is no dropout.
    void Finish();
    // Drops everything queued and not yet handed to the device (stopping); counters remain.
    void Discard();

    // Device bytes ready to be written, at most `maxFrames` device frames, made from the queue
    // as needed; empty when there is nothing to play.
    std::span<const std::byte> Ready(int maxFrames);
    // The device took the first `bytes` of what Ready gave.
    void Taken(std::size_t bytes);
    // The device still holds this many of the frames written to it, unplayed.
    void SinkHolds(long long deviceFrames);
    // The device ran out of frames to play: counts one dropout per stretch of starvation, once
    // frames have been written and until Finish. True when it counted one.
    bool SinkStarved();

    int FreeFrames() const { return ring.Free(); }
    long long PushedFrames() const { return pushed; }
    // Frames (at the feed's rate) played by the device: the clock a run is paced by.
    long long PlayedFrames() const;
    long long QueuedFrames() const { return pushed - PlayedFrames(); }
    bool Finished() const { return finished; }
    // Finished, and every frame is played.
    bool Drained() const;

    int Dropouts() const { return dropouts; }
    long long ClippedSamples() const { return clipped; }
    // A clipped sample was pushed and has not been played for more than ClipHoldSeconds.
    bool Clipping() const;

    double Rate() const { return rate; }
    double DeviceRate() const { return deviceRate; }
    int Channels() const { return channels; }
    SpeakerFormat Format() const { return format; }
    bool Resampling() const { return !resamplers.empty(); }
    int BytesPerFrame() const { return channels * BytesPerSample(format); }
    long long WrittenFrames() const { return writtenBytes / BytesPerFrame(); }

private:
    int Render(int frames);
    bool PullFrame();

    FrameRing ring;
    std::vector<std::unique_ptr<ReconstructionResampler>> resamplers; // one per channel
    std::vector<double> frame;    // one input frame on its way to the resamplers
    std::vector<double> incoming; // a block of pushed samples being clipped
    std::vector<double> scratch;  // device frames before conversion
    std::vector<std::byte> staged;
    std::size_t stagedBegin = 0;
    std::size_t stagedEnd = 0;

    double rate = 0.0;
    double deviceRate = 0.0;
    int channels = 0;
    SpeakerFormat format = SpeakerFormat::Float32;

    long long pushed = 0;
    long long consumed = 0;  // frames taken from the queue
    long long flushLeft = 0; // silent frames still to push through the resamplers at the end
    long long writtenBytes = 0;
    long long playedDevice = 0;
    long long clipped = 0;
    long long clipEnd = 0; // pushed frames at the last push that clipped
    int dropouts = 0;
    bool starved = false;
    bool finished = false;
};

} // namespace kaldorium
