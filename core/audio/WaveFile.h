#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kaldorium {

// One chunk header of a RIFF file as met by the walk. Sizes are unsigned 32-bit and offsets 64-bit,
// so no header, however large its claims, can make the walk go backwards.
struct ChunkRecord {
    char id[5] = {};
    // For RIFF and LIST chunks 4 less than the stored size: only what follows the list type.
    std::uint32_t size = 0;
    // The form or list type of a RIFF or LIST chunk, empty for every other chunk.
    char form[5] = {};
    // Just behind the chunk header (and behind the list type of a RIFF or LIST chunk).
    std::int64_t contentStart = 0;
    // contentStart + size, rounded up to even: chunks are padded to an even length.
    std::int64_t next = 0;
};

// Walks the chunk tree of a RIFF file opened for binary reading. Used only by WaveFile.
class RiffChunkReader {
public:
    // Opens the file and calls Restart; when that fails the reader holds no stream.
    explicit RiffChunkReader(const std::string &path);
    ~RiffChunkReader();
    RiffChunkReader(const RiffChunkReader &) = delete;
    RiffChunkReader &operator=(const RiffChunkReader &) = delete;

    // Empties the stack and reads the chunk header at offset 0, which must be "RIFF".
    bool Restart();
    // Finds the direct sub-chunk `id` (4 characters, case-sensitive) of the current chunk and
    // enters it, leaving the stream at its content start.
    bool Descend(std::string_view id);
    // Leaves the current chunk for its next offset; the RIFF chunk itself is never left.
    bool Ascend();

    // Of the top record; nullptr (size 0) when the stack is empty, and nullptr for an empty form.
    const char *CurrentId() const;
    std::uint32_t CurrentSize() const;
    const char *CurrentForm() const;

    // The input stream, for reading sample bytes directly; nullptr when none is held.
    std::FILE *Stream() const { return stream; }

private:
    // Reads a chunk header at the stream's position; false when the end of the file was met.
    bool ReadChunkHeader(ChunkRecord &record);
    bool SeekTo(std::int64_t offset);

    static constexpr int kMaxDepth = 8;

    std::FILE *stream = nullptr;
    std::array<ChunkRecord, kMaxDepth> stack{};
    int depth = 0;
};

// Reader and writer of RIFF WAVE files; samples as raw 8- or 16-bit values or as doubles around
// zero. Failures are reported by a false result and the text of LastError.
class WaveFile {
public:
    WaveFile() = default;
    ~WaveFile();
    WaveFile(const WaveFile &) = delete;
    WaveFile &operator=(const WaveFile &) = delete;

    // Closes whatever is open, then finds the format and the data of `path`; the stream is left
    // at the first sample byte.
    bool OpenForReading(const std::string &path);
    // Closes whatever is open, creates (or truncates) `path` and writes the header for the format
    // fields as they stand, with no data.
    bool CreateForWriting(const std::string &path);
    // Reader: back to the first sample byte through the chunk walk. Writer: to byte 44.
    bool RewindToSamples();
    // Reader: to byte `offset` of the sample data (0 … dataBytes), so that the next read starts
    // there. Fails with "Couldn't read samples" beyond the data or when the stream cannot seek.
    bool SeekSampleBytes(std::uint32_t offset);
    // Releases the reader, or writes the header when it is dirty and closes the output.
    bool CloseFile();
    // Copies the six format fields (not dataBytes).
    void TakeFormatOf(const WaveFile &other);
    // Sets the six format fields for plain PCM: blockAlign = channels·bits/8,
    // byteRate = rate·blockAlign.
    void SetPcmFormat(std::uint32_t rate, int channels, int bits);
    // Appends the whole sample data of the reader `source` to this writer, 4096 bytes at a time.
    bool AppendSamplesOf(WaveFile &source);

    // 8-bit: b/127 − 1; 16-bit: s/32767. A failed read delivers 0.
    bool ReadValue(double &value) {
        // 16-bit samples already in the buffer take the short way.
        if (bitsPerSample == 16 && readEnd - readPos >= 2) {
            const std::uint8_t *p = buffer.get() + readPos;
            readPos += 2;
            value = static_cast<std::int16_t>(p[0] | (p[1] << 8)) / 32767.0;
            return true;
        }
        return ReadValueSlow(value);
    }
    bool ReadValue(float &value);
    // 8-bit: (x + 1)·127, 16-bit: x·32767, truncated toward zero and held to the sample's range.
    bool WriteValue(double value) {
        if (bitsPerSample == 16 && writeEnd <= kBufferBytes - 2 && output != nullptr &&
            dataBytes <= kMaxDataBytes - 2) {
            const auto s = static_cast<std::uint16_t>(WordOf(value));
            buffer[writeEnd] = static_cast<std::uint8_t>(s & 0xFFu);
            buffer[writeEnd + 1] = static_cast<std::uint8_t>(s >> 8);
            writeEnd += 2;
            dataBytes += 2;
            headerDirty = true;
            return true;
        }
        return WriteValueSlow(value);
    }

    // A file taken as one signal, a block at a time, with the values ReadValue and WriteValue
    // give. ReadFirstChannel: the first channel of up to n frames into x, the other channels
    // read and dropped; returns the number of whole frames read (fewer: the file ended or a
    // read failed, LastError says which).
    std::size_t ReadFirstChannel(double *x, std::size_t n);
    // WriteToEveryChannel: each of the n values once for every channel of its frame; false
    // when a write fails, the frames before it written.
    bool WriteToEveryChannel(const double *y, std::size_t n);

    // The stored samples of x. A NaN is written as silence; anything beyond ±2 saturates anyway
    // and is held there first, so that the products fit an int, whose conversion truncates
    // toward zero. Values beyond the sample's range are held there instead of wrapping round.
    static std::uint8_t ByteOf(double x) {
        const double held = std::isnan(x) ? 0.0 : std::clamp(x, -2.0, 2.0);
        // (x + 1)·127
        return static_cast<std::uint8_t>(
            std::clamp(static_cast<int>((held + 1.0) * 127.0), 0, 255));
    }
    static std::int16_t WordOf(double x) {
        const double held = std::isnan(x) ? 0.0 : std::clamp(x, -2.0, 2.0);
        // x·32767
        return static_cast<std::int16_t>(
            std::clamp(static_cast<int>(held * 32767.0), -32768, 32767));
    }

    bool ReadByteSample(std::uint8_t &sample);
    bool WriteByteSample(std::uint8_t sample);
    bool ReadWordSample(std::int16_t &sample);
    bool WriteWordSample(std::int16_t sample);

    bool ReadBytes(void *target, std::size_t n);
    bool WriteBytes(const void *source, std::size_t n);

    // Writes the 44-byte header of the fields at offset 0 of `stream`.
    bool PutHeader(std::FILE *stream);

    const char *LastError() const { return errorText; }

    bool IsReading() const { return reader != nullptr; }
    bool IsWriting() const { return output != nullptr; }

    // The largest dataBytes a writer accepts: the RIFF size dataBytes + 36 must fit in 32 bits.
    static constexpr std::uint32_t kMaxDataBytes = 0xFFFFFFFFu - 36u;

private:
    bool Fail(const char *text);
    bool ReadValueSlow(double &value);
    bool WriteValueSlow(double value);
    // Writer: writes the buffered samples to the output stream. After a short write dataBytes
    // counts only the bytes that reached it.
    bool Flush();
    void AllocateBuffer();

    std::unique_ptr<RiffChunkReader> reader;
    std::FILE *output = nullptr;
    // Reader: the stream offset of the first sample byte.
    std::int64_t dataStart = 0;

    // Samples pass through this buffer rather than one stdio call each. Reader: bytes
    // [readPos, readEnd) are read from the stream but not yet delivered; every seek of the
    // stream empties it. Writer: bytes [0, writeEnd) are accepted but not yet written; they are
    // written before every seek, before a copy and at the end.
    static constexpr std::size_t kBufferBytes = 64 * 1024;
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t readPos = 0;
    std::size_t readEnd = 0;
    std::size_t writeEnd = 0;

public:
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataBytes = 0;

private:
    const char *errorText = nullptr;

public:
    // The header on disk no longer matches the fields.
    bool headerDirty = true;
};

} // namespace kaldorium
