#pragma once

#include <cstdint>

namespace kaldorium {

// Which value of each frame a source delivers: channel 1, channel 2 (channel 1 of a mono
// recording), or the mean of all the frame's channels.
enum class FrameChannel : int {
    Left = 0,
    Right = 1,
    Sum = 2,
};

// The sample frames of a recording as the spectrum analyses read them: its format, and the values
// of one channel (channel 1 unless the source was made for another) in order. The WAVE reader
// implements it; a test may hand over any signal.
class FrameSource {
public:
    virtual ~FrameSource() = default;

    virtual int Channels() const = 0;
    virtual std::uint32_t SampleRate() const = 0;
    // Whole frames the recording holds (S).
    virtual long long FrameCount() const = 0;
    // The next `count` values; positions at or beyond S, and whatever cannot be read, give 0.
    virtual void Read(double *values, int count) = 0;
    // The next Read starts at frame `frame`, held to 0 … S. False when the source cannot get
    // there; its reads then give 0 until a seek succeeds.
    virtual bool Seek(long long frame) = 0;
};

} // namespace kaldorium
