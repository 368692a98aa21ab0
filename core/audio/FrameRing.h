#pragma once

#include <span>
#include <vector>

// A first-in first-out queue of interleaved frames in storage allocated once: what a live sound
// stream holds between the run that computes the samples and the device that plays them.
namespace kaldorium {

class FrameRing {
public:
    // Allocates room for `capacityFrames` frames of `channels` samples and empties the ring.
    void Configure(int channels, int capacityFrames);
    void Clear();

    // Appends the whole frames of `interleaved` that fit; returns how many frames it took.
    int Write(std::span<const double> interleaved);
    // Moves up to `frames` frames into `out` (frames × channels samples), oldest first; returns
    // how many it moved.
    int Read(double *out, int frames);

    int Channels() const { return channels; }
    int Capacity() const { return capacity; }
    int Size() const { return size; }
    int Free() const { return capacity - size; }

private:
    std::vector<double> samples;
    int channels = 1;
    int capacity = 0;
    int head = 0; // frame index of the oldest frame
    int size = 0;
};

} // namespace kaldorium
