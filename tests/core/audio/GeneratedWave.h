#pragma once

#include "core/audio/WaveFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

// WAVE files generated for a test, and their samples read back as the analyses see them.
namespace kaldorium::testing {

// Unique to the running test, as the tests of one executable may run side by side.
inline std::string TempPath(const std::string &name) {
    std::string test = "none";
    if (const auto *info = ::testing::UnitTest::GetInstance()->current_test_info()) {
        test = std::string(info->test_suite_name()) + "." + info->name();
    }
    std::replace(test.begin(), test.end(), '/', '_');
    return std::string(KALDORIUM_TEST_TMP) + "/" + test + "-" + name;
}

// A 16-bit PCM file of `frames` frames whose sample of channel c at frame k is value(k, c).
inline std::string WriteWave(const std::string &name, std::uint32_t sampleRate, int channels,
                             long long frames, const std::function<double(long long, int)> &value,
                             int bits = 16) {
    const std::string path = TempPath(name);
    WaveFile file;
    file.SetPcmFormat(sampleRate, channels, bits);
    file.CreateForWriting(path);
    for (long long k = 0; k < frames; ++k) {
        for (int c = 0; c < channels; ++c) {
            file.WriteValue(value(k, c));
        }
    }
    file.CloseFile();
    return path;
}

// Every sample of channel `channel`, as ReadValue delivers it.
inline std::vector<double> ReadChannel(const std::string &path, int channel) {
    WaveFile file;
    file.OpenForReading(path);
    std::vector<double> out;
    const long long frames = file.blockAlign ? file.dataBytes / file.blockAlign : 0;
    for (long long k = 0; k < frames; ++k) {
        for (int c = 0; c < file.channels; ++c) {
            double v = 0.0;
            file.ReadValue(v);
            if (c == channel) {
                out.push_back(v);
            }
        }
    }
    return out;
}

inline double Tone(double frequency, double sampleRate, long long k, double amplitude = 0.5) {
    return amplitude *
           std::sin(2 * std::numbers::pi * frequency * static_cast<double>(k) / sampleRate);
}

} // namespace kaldorium::testing
