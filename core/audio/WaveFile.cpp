#include "core/audio/WaveFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/types.h>

namespace kaldorium {

namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kCopyBlockBytes = 4096;

bool Seek(std::FILE *stream, std::int64_t offset) {
    return offset >= 0 && fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::int64_t Tell(std::FILE *stream) {
    return static_cast<std::int64_t>(ftello(stream));
}

std::uint16_t Get16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(std::uint8_t *p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFFu);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFFu);
    }
}

bool IsListId(const char *id) {
    return std::memcmp(id, "RIFF", 4) == 0 || std::memcmp(id, "LIST", 4) == 0;
}

bool Equals(const char *text, const char *expected) {
    return text != nullptr && std::strcmp(text, expected) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// RiffChunkReader

RiffChunkReader::RiffChunkReader(const std::string &path) {
    stream = std::fopen(path.c_str(), "rb");
    if (stream != nullptr && !Restart()) {
        std::fclose(stream);
        stream = nullptr;
    }
}

RiffChunkReader::~RiffChunkReader() {
    if (stream != nullptr) {
        std::fclose(stream);
    }
}

bool RiffChunkReader::SeekTo(std::int64_t offset) {
    return Seek(stream, offset);
}

bool RiffChunkReader::ReadChunkHeader(ChunkRecord &record) {
    std::uint8_t header[8];
    if (std::fread(header, 1, sizeof header, stream) != sizeof header) {
        return false;
    }
    std::memcpy(record.id, header, 4);
    record.id[4] = '\0';
    record.size = Get32(header + 4);
    record.form[0] = '\0';
    if (IsListId(record.id)) {
        if (std::fread(record.form, 1, 4, stream) != 4) {
            return false;
        }
        record.form[4] = '\0';
        // A list too short to hold its own type has no content.
        record.size = record.size >= 4 ? record.size - 4 : 0;
    }
    record.contentStart = Tell(stream);
    if (record.contentStart < 0) {
        return false;
    }
    // next = content start + size, padded to an even offset.
    record.next = record.contentStart + record.size;
    record.next += record.next & 1;
    return true;
}

bool RiffChunkReader::Restart() {
    depth = 0;
    if (stream == nullptr || !SeekTo(0)) {
        return false;
    }
    ChunkRecord root;
    if (!ReadChunkHeader(root) || std::memcmp(root.id, "RIFF", 4) != 0) {
        return false;
    }
    stack[0] = root;
    depth = 1;
    return true;
}

bool RiffChunkReader::Descend(std::string_view id) {
    if (depth == 0 || id.size() != 4) {
        return false;
    }
    const ChunkRecord parent = stack[static_cast<std::size_t>(depth - 1)];
    if (!SeekTo(parent.contentStart)) {
        return false;
    }
    // Every step moves forward (next > content start > header position), so the walk ends at
    // the parent's end or the end of the file, whatever the sizes claim.
    while (!std::feof(stream)) {
        const std::int64_t position = Tell(stream);
        if (position < 0 || position >= parent.next) {
            break;
        }
        ChunkRecord child;
        if (!ReadChunkHeader(child)) {
            break;
        }
        if (std::memcmp(child.id, id.data(), 4) == 0) {
            if (depth == kMaxDepth) {
                break;
            }
            stack[static_cast<std::size_t>(depth)] = child;
            ++depth;
            return true;
        }
        if (!SeekTo(child.next)) {
            return false;
        }
    }
    SeekTo(parent.contentStart);
    return false;
}

bool RiffChunkReader::Ascend() {
    if (depth <= 1) {
        return false;
    }
    --depth;
    SeekTo(stack[static_cast<std::size_t>(depth)].next);
    return true;
}

const char *RiffChunkReader::CurrentId() const {
    return depth == 0 ? nullptr : stack[static_cast<std::size_t>(depth - 1)].id;
}

std::uint32_t RiffChunkReader::CurrentSize() const {
    return depth == 0 ? 0 : stack[static_cast<std::size_t>(depth - 1)].size;
}

const char *RiffChunkReader::CurrentForm() const {
    if (depth == 0) {
        return nullptr;
    }
    const char *form = stack[static_cast<std::size_t>(depth - 1)].form;
    return form[0] == '\0' ? nullptr : form;
}

// ---------------------------------------------------------------------------------------------
// WaveFile

WaveFile::~WaveFile() {
    CloseFile();
}

bool WaveFile::Fail(const char *text) {
    errorText = text;
    return false;
}

bool WaveFile::OpenForReading(const std::string &path) {
    if (reader != nullptr || output != nullptr) {
        CloseFile();
    }
    const auto failClosed = [this](const char *text) {
        errorText = text;
        CloseFile();
        return false;
    };

    reader = std::make_unique<RiffChunkReader>(path);
    if (reader->Stream() == nullptr) {
        return failClosed("Couldn't open file");
    }
    if (!Equals(reader->CurrentId(), "RIFF") || !Equals(reader->CurrentForm(), "WAVE") ||
        !reader->Descend("fmt ")) {
        return failClosed("Couldn't find RIFF, WAVE, or fmt");
    }
    // Only the 16 bytes of the plain format are read; an extension is skipped by Ascend.
    std::uint8_t format[16];
    if (reader->CurrentSize() < sizeof format ||
        std::fread(format, 1, sizeof format, reader->Stream()) != sizeof format) {
        return failClosed("Error reading format chunk");
    }
    reader->Ascend();
    formatTag = Get16(format);
    channels = Get16(format + 2);
    sampleRate = Get32(format + 4);
    byteRate = Get32(format + 8);
    blockAlign = Get16(format + 12);
    bitsPerSample = Get16(format + 14);

    if (!reader->Descend("data")) {
        return failClosed("Couldn't find data chunk");
    }
    dataBytes = reader->CurrentSize();

    // A truncated recording holds fewer bytes than its data chunk claims; only those are data.
    std::FILE *in = reader->Stream();
    const std::int64_t start = Tell(in);
    if (start >= 0 && fseeko(in, 0, SEEK_END) == 0) {
        const std::int64_t end = Tell(in);
        if (end >= start && end - start < static_cast<std::int64_t>(dataBytes)) {
            dataBytes = static_cast<std::uint32_t>(end - start);
        }
    }
    if (!Seek(in, start)) {
        return failClosed("Couldn't find data chunk");
    }
    dataStart = start;
    AllocateBuffer();
    return true;
}

void WaveFile::AllocateBuffer() {
    if (buffer == nullptr) {
        buffer = std::make_unique<std::uint8_t[]>(kBufferBytes);
    }
    readPos = readEnd = writeEnd = 0;
}

bool WaveFile::CreateForWriting(const std::string &path) {
    if (reader != nullptr || output != nullptr) {
        CloseFile();
    }
    output = std::fopen(path.c_str(), "wb");
    if (output == nullptr) {
        return Fail("Couldn't open output file");
    }
    // The object buffers the samples itself; unbuffered, a short write is seen where it happens.
    std::setvbuf(output, nullptr, _IONBF, 0);
    AllocateBuffer();
    dataBytes = 0;
    return PutHeader(output);
}

bool WaveFile::RewindToSamples() {
    if (reader != nullptr) {
        readPos = readEnd = 0;
        if (!reader->Restart() || !reader->Descend("data")) {
            return Fail("Couldn't find data chunk on reset");
        }
        return true;
    }
    if (output != nullptr) {
        return Flush() && Seek(output, kHeaderBytes);
    }
    return false;
}

bool WaveFile::SeekSampleBytes(std::uint32_t offset) {
    if (reader == nullptr || offset > dataBytes) {
        return Fail("Couldn't read samples");
    }
    readPos = readEnd = 0;
    if (!Seek(reader->Stream(), dataStart + offset)) {
        return Fail("Couldn't read samples");
    }
    return true;
}

bool WaveFile::CloseFile() {
    if (reader != nullptr) {
        reader.reset();
        readPos = readEnd = 0;
        return true;
    }
    if (output == nullptr) {
        return true;
    }
    bool ok = Flush();
    if (headerDirty) {
        const std::int64_t position = Tell(output);
        ok = PutHeader(output) && ok;
        Seek(output, position);
    }
    // Buffered samples reach the disk only now; losing them must not pass as success.
    if (std::fclose(output) != 0 && ok) {
        ok = Fail("Couldn't write samples");
    }
    output = nullptr;
    return ok;
}

void WaveFile::SetPcmFormat(std::uint32_t rate, int channelCount, int bits) {
    formatTag = 1;
    channels = static_cast<std::uint16_t>(channelCount);
    sampleRate = rate;
    bitsPerSample = static_cast<std::uint16_t>(bits);
    blockAlign = static_cast<std::uint16_t>(channelCount * bits / 8);
    byteRate = rate * blockAlign;
}

void WaveFile::TakeFormatOf(const WaveFile &other) {
    formatTag = other.formatTag;
    channels = other.channels;
    sampleRate = other.sampleRate;
    byteRate = other.byteRate;
    blockAlign = other.blockAlign;
    bitsPerSample = other.bitsPerSample;
}

bool WaveFile::AppendSamplesOf(WaveFile &source) {
    if (output == nullptr) {
        return Fail("Copy to an unopened file");
    }
    if (source.reader == nullptr) {
        return Fail("Copy from an unopened file");
    }
    if (!Flush()) {
        return false;
    }
    std::uint8_t block[kCopyBlockBytes];
    if (!source.RewindToSamples()) {
        return Fail("Couldn't reset input file to start");
    }
    std::uint32_t copied = 0;
    while (copied < source.dataBytes) {
        const std::size_t n = std::min<std::size_t>(kCopyBlockBytes, source.dataBytes - copied);
        if (std::fread(block, 1, n, source.reader->Stream()) != n) {
            return Fail("Error reading samples from input file");
        }
        if (dataBytes > kMaxDataBytes || n > kMaxDataBytes - dataBytes) {
            return Fail("Couldn't write samples");
        }
        if (std::fwrite(block, 1, n, output) != n) {
            return Fail("Error writing samples to output file");
        }
        dataBytes += static_cast<std::uint32_t>(n);
        headerDirty = true;
        copied += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool WaveFile::ReadValueSlow(double &value) {
    value = 0.0;
    switch (bitsPerSample) {
    case 8: {
        std::uint8_t b = 0;
        if (!ReadByteSample(b)) {
            return false;
        }
        // b/127 − 1: 127 is silence, 0 is −1, 254 is +1 and 255 a little above.
        value = b / 127.0 - 1.0;
        return true;
    }
    case 16: {
        std::int16_t s = 0;
        if (!ReadWordSample(s)) {
            return false;
        }
        // s/32767
        value = s / 32767.0;
        return true;
    }
    default:
        return Fail("Floats can be written only as 8 or 16-bit samples");
    }
}

std::size_t WaveFile::ReadFirstChannel(double *x, std::size_t n) {
    std::size_t done = 0;
    const std::size_t frameBytes = 2u * channels;
    while (done < n) {
        if (bitsPerSample == 16 && frameBytes > 0) {
            // The whole frames already in the buffer.
            const std::size_t whole = std::min(n - done, (readEnd - readPos) / frameBytes);
            const std::uint8_t *p = buffer.get() + readPos;
            for (std::size_t k = 0; k < whole; ++k, p += frameBytes) {
                x[done + k] = static_cast<std::int16_t>(p[0] | (p[1] << 8)) / 32767.0;
            }
            readPos += whole * frameBytes;
            done += whole;
            if (done == n) {
                break;
            }
        }
        // A frame across the buffer's end, or 8-bit samples: a value at a time.
        if (!ReadValue(x[done])) {
            return done;
        }
        double dropped = 0.0;
        for (int c = 1; c < channels; ++c) {
            if (!ReadValue(dropped)) {
                return done;
            }
        }
        ++done;
    }
    return done;
}

bool WaveFile::WriteToEveryChannel(const double *y, std::size_t n) {
    const std::size_t frameBytes = 2u * channels;
    for (std::size_t i = 0; i < n; ++i) {
        if (bitsPerSample == 16 && frameBytes > 0 && output != nullptr &&
            writeEnd + frameBytes <= kBufferBytes && dataBytes <= kMaxDataBytes - frameBytes) {
            const auto s = static_cast<std::uint16_t>(WordOf(y[i]));
            for (int c = 0; c < channels; ++c) {
                buffer[writeEnd] = static_cast<std::uint8_t>(s & 0xFFu);
                buffer[writeEnd + 1] = static_cast<std::uint8_t>(s >> 8);
                writeEnd += 2;
            }
            dataBytes += static_cast<std::uint32_t>(frameBytes);
            headerDirty = true;
            continue;
        }
        // The buffer full, the size limit near, or 8-bit samples: a value at a time.
        for (int c = 0; c < channels; ++c) {
            if (!WriteValue(y[i])) {
                return false;
            }
        }
    }
    return true;
}

bool WaveFile::ReadValue(float &value) {
    double d = 0.0;
    const bool ok = ReadValue(d);
    value = static_cast<float>(d);
    return ok;
}

bool WaveFile::WriteValueSlow(double value) {
    if (bitsPerSample != 8 && bitsPerSample != 16) {
        return Fail("Floats can be written only as 8 or 16-bit samples");
    }
    if (bitsPerSample == 8) {
        return WriteByteSample(ByteOf(value));
    }
    return WriteWordSample(WordOf(value));
}

bool WaveFile::ReadByteSample(std::uint8_t &sample) {
    sample = 0;
    if (bitsPerSample != 8) {
        return Fail("Sample size mismatch");
    }
    if (!ReadBytes(&sample, 1)) {
        sample = 0;
        return false;
    }
    return true;
}

bool WaveFile::WriteByteSample(std::uint8_t sample) {
    if (bitsPerSample != 8) {
        return Fail("Sample size mismatch");
    }
    return WriteBytes(&sample, 1);
}

bool WaveFile::ReadWordSample(std::int16_t &sample) {
    sample = 0;
    if (bitsPerSample != 16) {
        return Fail("Sample size mismatch");
    }
    std::uint8_t bytes[2];
    if (!ReadBytes(bytes, sizeof bytes)) {
        return false;
    }
    sample = static_cast<std::int16_t>(Get16(bytes));
    return true;
}

bool WaveFile::WriteWordSample(std::int16_t sample) {
    if (bitsPerSample != 16) {
        return Fail("Sample size mismatch");
    }
    std::uint8_t bytes[2];
    Put16(bytes, static_cast<std::uint16_t>(sample));
    return WriteBytes(bytes, sizeof bytes);
}

bool WaveFile::ReadBytes(void *target, std::size_t n) {
    if (n <= readEnd - readPos) {
        std::memcpy(target, buffer.get() + readPos, n);
        readPos += n;
        return true;
    }
    if (reader == nullptr) {
        return Fail("Couldn't read samples");
    }
    auto *out = static_cast<std::uint8_t *>(target);
    while (n > 0) {
        if (readPos == readEnd) {
            readPos = 0;
            readEnd = std::fread(buffer.get(), 1, kBufferBytes, reader->Stream());
            if (readEnd == 0) {
                // What was there has been taken, as a short read of the stream takes it.
                return Fail("Couldn't read samples");
            }
        }
        const std::size_t taken = std::min(n, readEnd - readPos);
        std::memcpy(out, buffer.get() + readPos, taken);
        readPos += taken;
        out += taken;
        n -= taken;
    }
    return true;
}

bool WaveFile::WriteBytes(const void *source, std::size_t n) {
    // The RIFF size dataBytes + 36 must stay a valid 32-bit size.
    if (output == nullptr || dataBytes > kMaxDataBytes || n > kMaxDataBytes - dataBytes) {
        return Fail("Couldn't write samples");
    }
    if (n > kBufferBytes - writeEnd) {
        if (!Flush()) {
            return false;
        }
        if (n > kBufferBytes) {
            if (std::fwrite(source, 1, n, output) != n) {
                return Fail("Couldn't write samples");
            }
            dataBytes += static_cast<std::uint32_t>(n);
            headerDirty = true;
            return true;
        }
    }
    std::memcpy(buffer.get() + writeEnd, source, n);
    writeEnd += n;
    dataBytes += static_cast<std::uint32_t>(n);
    headerDirty = true;
    return true;
}

bool WaveFile::Flush() {
    if (output == nullptr || writeEnd == 0) {
        return true;
    }
    const std::size_t pending = writeEnd;
    writeEnd = 0;
    const std::size_t written = std::fwrite(buffer.get(), 1, pending, output);
    if (written != pending) {
        // The header must not claim bytes that never reached the file.
        dataBytes -=
            static_cast<std::uint32_t>(std::min<std::size_t>(pending - written, dataBytes));
        return Fail("Couldn't write samples");
    }
    return true;
}

bool WaveFile::PutHeader(std::FILE *stream) {
    // Buffered samples belong where the stream stands now, not behind the header.
    const bool flushed = stream != output || Flush();
    if (stream == nullptr || !Seek(stream, 0)) {
        return false;
    }
    std::uint8_t header[kHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, dataBytes + 36u);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16u);
    Put16(header + 20, formatTag);
    Put16(header + 22, channels);
    Put32(header + 24, sampleRate);
    Put32(header + 28, byteRate);
    Put16(header + 32, blockAlign);
    Put16(header + 34, bitsPerSample);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, dataBytes);
    if (std::fwrite(header, 1, sizeof header, stream) != sizeof header) {
        return Fail("Error writing header");
    }
    if (stream == output) {
        headerDirty = false;
    }
    return flushed;
}

} // namespace kaldorium
