#include "core/audio/WaveFrames.h"

#include "core/audio/WaveFile.h"

#include <algorithm>

namespace kaldorium {

long long SampleCountOf(const WaveFile &file) {
    return file.blockAlign == 0 ? 0 : static_cast<long long>(file.dataBytes / file.blockAlign);
}

WaveFrameSource::WaveFrameSource(WaveFile &file_, FrameChannel channel_)
    : file(file_), channel(channel_), S(SampleCountOf(file_)),
      bytesPerValue(file_.bitsPerSample == 8    ? 1
                    : file_.bitsPerSample == 16 ? 2
                                                : 0),
      valuesPerFrame(std::max<int>(file_.channels, 1)),
      bytesPerFrame(valuesPerFrame * bytesPerValue) {}

int WaveFrameSource::Channels() const {
    return file.channels;
}

std::uint32_t WaveFrameSource::SampleRate() const {
    return file.sampleRate;
}

void WaveFrameSource::Read(double *values, int count) {
    int i = 0;
    while (i < count) {
        if (frame >= S || bytesPerValue == 0 || failed || (position == filled && !Refill())) {
            values[i++] = 0.0;
            ++frame;
            continue;
        }
        // Every frame still in the buffer, as far as the request goes, in one run.
        const int run = static_cast<int>(
            std::min<std::size_t>(static_cast<std::size_t>(count - i),
                                  (filled - position) / static_cast<std::size_t>(bytesPerFrame)));
        Convert(buffer + position, run, values + i);
        position += static_cast<std::size_t>(run) * static_cast<std::size_t>(bytesPerFrame);
        frame += run;
        i += run;
    }
}

bool WaveFrameSource::Seek(long long target) {
    target = std::clamp(target, 0LL, S);
    if (bytesPerValue == 0) {
        frame = target;
        return true;
    }
    // Frames still in the buffer are taken from there, behind the position or ahead of it.
    const long long bufferEnd = bufferStart + static_cast<long long>(filled) / bytesPerFrame;
    if (!failed && target >= bufferStart && target < bufferEnd) {
        position = static_cast<std::size_t>((target - bufferStart) * bytesPerFrame);
        frame = target;
        return true;
    }
    bufferStart = target;
    position = 0;
    filled = 0;
    frame = target;
    failed = !file.SeekSampleBytes(static_cast<std::uint32_t>(target * bytesPerFrame));
    return !failed;
}

double WaveFrameSource::ValueAt(const std::uint8_t *p) const {
    if (bytesPerValue == 1) {
        return p[0] / 127.0 - 1.0;
    }
    const auto s = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    return s / 32767.0;
}

void WaveFrameSource::Convert(const std::uint8_t *p, int count, double *values) const {
    const auto stride = static_cast<std::size_t>(bytesPerFrame);
    if (channel == FrameChannel::Sum && valuesPerFrame > 1) {
        for (int i = 0; i < count; ++i, p += stride) {
            double sum = 0.0;
            for (int c = 0; c < valuesPerFrame; ++c) {
                sum += ValueAt(p + c * bytesPerValue);
            }
            values[i] = sum / valuesPerFrame;
        }
        return;
    }
    if (channel == FrameChannel::Right && valuesPerFrame > 1) {
        p += bytesPerValue;
    }
    if (bytesPerValue == 1) {
        for (int i = 0; i < count; ++i, p += stride) {
            values[i] = p[0] / 127.0 - 1.0;
        }
        return;
    }
    for (int i = 0; i < count; ++i, p += stride) {
        const auto s = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
        values[i] = s / 32767.0;
    }
}

bool WaveFrameSource::Refill() {
    const long long framesFit = static_cast<long long>(sizeof buffer) / bytesPerFrame;
    const long long frames = std::min(framesFit, S - frame);
    const auto n = static_cast<std::size_t>(frames * bytesPerFrame);
    bufferStart = frame;
    position = 0;
    filled = 0;
    if (!file.ReadBytes(buffer, n)) {
        failed = true;
        return false;
    }
    filled = n;
    return true;
}

} // namespace kaldorium
