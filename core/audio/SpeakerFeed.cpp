#include "core/audio/SpeakerFeed.h"

#include "core/common/NumberText.h"
#include "core/tools/SamplingReconstruction.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

namespace {

std::size_t Count(long long n) {
    return static_cast<std::size_t>(n);
}

// The tapered sinc delays the sound by SincHalfLength input samples; below this rate that delay
// would be heard, and the shorter linear reconstruction takes over.
constexpr double MaxSincDelay = 0.01; // s

} // namespace

std::string SpeakerFeed::RateRefused(double rate) {
    return "The sound device cannot play a sample rate of " + FormatGeneral(rate) + " Hz";
}

std::string SpeakerFeed::Configure(double inRate, int channelCount, double outRate,
                                   SpeakerFormat sampleFormat) {
    channels = 0;
    resamplers.clear();
    if (channelCount < 1 || channelCount > MaxChannels) {
        return "The sound device cannot play " + std::to_string(channelCount) + " channels";
    }
    if (!(std::isfinite(inRate) && inRate > 0.0) || !(std::isfinite(outRate) && outRate > 0.0)) {
        return RateRefused(inRate);
    }
    const bool resample = std::fabs(inRate - outRate) >= 0.5;
    if (resample && (inRate < MinResampledRate || inRate > MaxRateRatio * outRate)) {
        return RateRefused(inRate);
    }
    rate = inRate;
    deviceRate = outRate;
    channels = channelCount;
    format = sampleFormat;
    if (resample) {
        const ReconstructionKind kind = SincHalfLength / rate <= MaxSincDelay
                                            ? ReconstructionKind::Sinc
                                            : ReconstructionKind::Linear;
        auto first = std::make_unique<ReconstructionResampler>();
        first->Configure(rate, deviceRate, kind);
        for (int c = 1; c < channels; ++c) {
            resamplers.push_back(std::make_unique<ReconstructionResampler>(*first));
        }
        resamplers.insert(resamplers.begin(), std::move(first));
    }
    const int queue =
        std::max(MinQueueFrames, static_cast<int>(std::ceil(QueueSeconds * std::min(rate, 1e7))));
    ring.Configure(channels, queue);
    frame.assign(Count(channels), 0.0);
    incoming.assign(Count(ScratchFrames) * Count(channels), 0.0);
    scratch.assign(Count(ScratchFrames) * Count(channels), 0.0);
    staged.assign(scratch.size() * Count(BytesPerSample(format)), std::byte{});
    stagedBegin = stagedEnd = 0;
    pushed = consumed = flushLeft = writtenBytes = playedDevice = clipped = clipEnd = 0;
    dropouts = 0;
    starved = false;
    finished = false;
    return {};
}

int SpeakerFeed::Push(std::span<const double> interleaved) {
    if (channels == 0) {
        return 0;
    }
    const auto width = Count(channels);
    const int frames = static_cast<int>(std::min(interleaved.size() / width, Count(FreeFrames())));
    long long clippedHere = 0;
    for (int done = 0; done < frames;) {
        const int block = std::min(frames - done, ScratchFrames);
        const auto blockSamples = Count(block) * width;
        std::copy_n(interleaved.begin() + static_cast<std::ptrdiff_t>(Count(done) * width),
                    blockSamples, incoming.begin());
        const std::span<double> samples(incoming.data(), blockSamples);
        clippedHere += ClipForSpeaker(samples);
        ring.Write(samples);
        done += block;
    }
    pushed += frames;
    if (clippedHere > 0) {
        clipped += clippedHere;
        clipEnd = pushed;
    }
    return frames;
}

void SpeakerFeed::Finish() {
    if (finished) {
        return;
    }
    finished = true;
    // Enough silence to bring the last frames out of the resamplers' delay.
    flushLeft = resamplers.empty()
                    ? 0
                    : static_cast<long long>(std::ceil(resamplers[0]->Latency() * rate)) + 2;
}

void SpeakerFeed::Discard() {
    ring.Clear();
    stagedBegin = stagedEnd = 0;
    for (auto &r : resamplers) {
        r->Reset();
    }
    finished = true;
    flushLeft = 0;
}

bool SpeakerFeed::PullFrame() {
    if (ring.Read(frame.data(), 1) == 1) {
        ++consumed;
        return true;
    }
    if (finished && flushLeft > 0) {
        std::fill(frame.begin(), frame.end(), 0.0);
        --flushLeft;
        return true;
    }
    return false;
}

int SpeakerFeed::Render(int frames) {
    int made = 0;
    if (resamplers.empty()) {
        made = ring.Read(scratch.data(), frames);
        consumed += made;
    } else {
        const auto width = Count(channels);
        for (; made < frames; ++made) {
            bool ready = true;
            while (ready && resamplers[0]->NeedsInput()) {
                ready = PullFrame();
                for (std::size_t c = 0; ready && c < width; ++c) {
                    resamplers[c]->Push(frame[c]);
                }
            }
            if (!ready) {
                break;
            }
            for (std::size_t c = 0; c < width; ++c) {
                scratch[Count(made) * width + c] = resamplers[c]->Next();
            }
        }
    }
    if (made > 0) {
        starved = false;
        const std::span<const double> samples(scratch.data(), Count(made) * Count(channels));
        ConvertForSpeaker(samples, format, staged.data());
        stagedBegin = 0;
        stagedEnd = samples.size() * Count(BytesPerSample(format));
    }
    return made;
}

std::span<const std::byte> SpeakerFeed::Ready(int maxFrames) {
    if (channels == 0 || maxFrames <= 0) {
        return {};
    }
    if (stagedBegin == stagedEnd) {
        stagedBegin = stagedEnd = 0;
        Render(std::min(maxFrames, ScratchFrames));
    }
    const std::size_t bytes =
        std::min(stagedEnd - stagedBegin, Count(maxFrames) * Count(BytesPerFrame()));
    return {staged.data() + stagedBegin, bytes};
}

void SpeakerFeed::Taken(std::size_t bytes) {
    bytes = std::min(bytes, stagedEnd - stagedBegin);
    stagedBegin += bytes;
    writtenBytes += static_cast<long long>(bytes);
}

void SpeakerFeed::SinkHolds(long long deviceFrames) {
    const long long written = WrittenFrames();
    playedDevice = std::max(playedDevice, std::clamp(written - deviceFrames, 0LL, written));
}

bool SpeakerFeed::SinkStarved() {
    if (finished || starved || writtenBytes == 0) {
        return false;
    }
    starved = true;
    ++dropouts;
    return true;
}

long long SpeakerFeed::PlayedFrames() const {
    if (resamplers.empty()) {
        return playedDevice;
    }
    // Device frame m sounds the input at instant m·fs/fd: the resamplers' delay is in waiting for
    // input, not in the sound.
    const double input = static_cast<double>(playedDevice) * rate / deviceRate;
    return std::min(static_cast<long long>(std::floor(input)), consumed);
}

bool SpeakerFeed::Drained() const {
    return finished && ring.Size() == 0 && flushLeft == 0 && stagedBegin == stagedEnd &&
           playedDevice >= WrittenFrames();
}

bool SpeakerFeed::Clipping() const {
    if (clipEnd == 0) {
        return false;
    }
    return static_cast<double>(PlayedFrames() - clipEnd) < ClipHoldSeconds * rate;
}

} // namespace kaldorium
