#include "core/audio/FrameRing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kaldorium {

namespace {

std::size_t Count(int n) {
    return static_cast<std::size_t>(n);
}

} // namespace

void FrameRing::Configure(int channelCount, int capacityFrames) {
    channels = std::max(channelCount, 1);
    capacity = std::max(capacityFrames, 0);
    samples.assign(Count(channels) * Count(capacity), 0.0);
    Clear();
}

void FrameRing::Clear() {
    head = 0;
    size = 0;
}

int FrameRing::Write(std::span<const double> interleaved) {
    const int frames =
        static_cast<int>(std::min(interleaved.size() / Count(channels), Count(Free())));
    const double *from = interleaved.data();
    int tail = (head + size) % std::max(capacity, 1);
    int left = frames;
    // At most two copies: up to the end of the storage, then from its start.
    while (left > 0) {
        const int run = std::min(left, capacity - tail);
        std::memcpy(&samples[Count(tail) * Count(channels)], from,
                    Count(run) * Count(channels) * sizeof(double));
        from += Count(run) * Count(channels);
        left -= run;
        tail = (tail + run) % capacity;
    }
    size += frames;
    return frames;
}

int FrameRing::Read(double *out, int frames) {
    const int count = std::clamp(frames, 0, size);
    int left = count;
    while (left > 0) {
        const int run = std::min(left, capacity - head);
        std::memcpy(out, &samples[Count(head) * Count(channels)],
                    Count(run) * Count(channels) * sizeof(double));
        out += Count(run) * Count(channels);
        left -= run;
        head = (head + run) % capacity;
    }
    size -= count;
    if (size == 0) {
        head = 0;
    }
    return count;
}

} // namespace kaldorium
