// Arbitrary bytes as a WAVE file: open it, read every sample, rewind, copy it to a new file and
// open that again. Besides the sanitizers' findings, any broken promise of the reader traps.
#include "core/audio/WaveFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using kaldorium::WaveFile;

namespace {

// WaveFile reads paths, so every input goes through a file of this process's own.
std::string ScratchFile(const char *stem) {
    const char *folder = std::getenv("TMPDIR");
    std::string name = std::string(folder != nullptr ? folder : "/tmp") + "/" + stem + "-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        std::abort();
    }
    close(fd);
    return name;
}

struct Scratch {
    std::string input = ScratchFile("kaldorium-wave-in");
    std::string output = ScratchFile("kaldorium-wave-out");
    ~Scratch() {
        std::remove(input.c_str());
        std::remove(output.c_str());
    }
};

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool SameFormat(const WaveFile &a, const WaveFile &b) {
    return a.formatTag == b.formatTag && a.channels == b.channels && a.sampleRate == b.sampleRate &&
           a.byteRate == b.byteRate && a.blockAlign == b.blockAlign &&
           a.bitsPerSample == b.bitsPerSample;
}

// Reads the whole sample data once; every byte of it is present in the file.
double ReadAllSamples(WaveFile &wave) {
    double first = 0.0;
    if (wave.bitsPerSample == 8 || wave.bitsPerSample == 16) {
        const std::uint32_t count = wave.dataBytes / (wave.bitsPerSample / 8u);
        for (std::uint32_t i = 0; i < count; ++i) {
            double value = 0.0;
            Require(wave.ReadValue(value));
            Require(value >= -32768.0 / 32767.0 && value <= 128.0 / 127.0);
            if (i == 0) {
                first = value;
            }
        }
    } else {
        double value = 1.0;
        Require(!wave.ReadValue(value) && value == 0.0);
        std::uint8_t block[64];
        for (std::uint32_t left = wave.dataBytes; left > 0;) {
            const std::uint32_t n = left < sizeof block ? left : sizeof block;
            Require(wave.ReadBytes(block, n));
            left -= n;
        }
    }
    return first;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Scratch scratch;
    std::FILE *file = std::fopen(scratch.input.c_str(), "wb");
    Require(file != nullptr);
    Require(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    WaveFile wave;
    if (!wave.OpenForReading(scratch.input)) {
        Require(wave.LastError() != nullptr && !wave.IsReading());
        return 0;
    }
    Require(wave.dataBytes <= size);
    const double first = ReadAllSamples(wave);

    // The same walk finds the data again, whatever was read before.
    Require(wave.RewindToSamples());
    if ((wave.bitsPerSample == 8 && wave.dataBytes >= 1) ||
        (wave.bitsPerSample == 16 && wave.dataBytes >= 2)) {
        double again = 0.0;
        Require(wave.ReadValue(again) && again == first);
    }

    WaveFile copy;
    copy.TakeFormatOf(wave);
    Require(copy.CreateForWriting(scratch.output));
    Require(copy.AppendSamplesOf(wave));
    Require(copy.dataBytes == wave.dataBytes);
    Require(copy.CloseFile());

    WaveFile reread;
    Require(reread.OpenForReading(scratch.output));
    Require(SameFormat(reread, wave) && reread.dataBytes == wave.dataBytes);
    return 0;
}
