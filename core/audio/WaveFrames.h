#pragma once

#include "core/spectrum/FrameSource.h"

#include <cstddef>
#include <cstdint>

namespace kaldorium {

class WaveFile;

// Sample frames of a file: data size / block align, 0 when the block align is 0.
long long SampleCountOf(const WaveFile &file);

// One channel of a WAVE file's frames (or the mean of its channels) from its current position,
// its first sample unless sought elsewhere. The sample bytes are taken from the file in large
// pieces and converted as ReadValue converts them (8-bit: b/127 − 1, 16-bit: s/32767). Sizes
// ReadValue cannot convert read as 0, and so does whatever lies beyond a file that ends early.
class WaveFrameSource : public FrameSource {
public:
    explicit WaveFrameSource(WaveFile &file, FrameChannel channel = FrameChannel::Left);

    int Channels() const override;
    std::uint32_t SampleRate() const override;
    long long FrameCount() const override { return S; }
    void Read(double *values, int count) override;
    bool Seek(long long frame) override;

private:
    // The values of `count` whole frames from p on.
    void Convert(const std::uint8_t *p, int count, double *values) const;
    double ValueAt(const std::uint8_t *p) const;
    bool Refill();

    WaveFile &file;
    FrameChannel channel;
    long long S;
    int bytesPerValue;
    int valuesPerFrame;
    int bytesPerFrame;
    long long frame = 0;
    bool failed = false;
    // The buffer holds filled / bytesPerFrame frames from bufferStart on.
    long long bufferStart = 0;
    std::size_t position = 0;
    std::size_t filled = 0;
    std::uint8_t buffer[1 << 16];
};

} // namespace kaldorium
