#pragma once

#include "core/audio/WaveFile.h"

#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>
#include <functional>

// A PCM file whose channel c of frame i holds value(i, c); 8- and 16-bit samples carry the value,
// wider ones are written as zeros. The format tag may name a format the reader refuses.
inline QString WriteWav(const QString &path, std::uint32_t rate, int channels, int bits,
                        std::uint32_t frames, const std::function<double(int, int)> &value,
                        std::uint16_t formatTag = 1) {
    kaldorium::WaveFile w;
    w.SetPcmFormat(rate, channels, bits);
    w.formatTag = formatTag;
    w.CreateForWriting(QFile::encodeName(path).toStdString());
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            if (bits == 8 || bits == 16) {
                w.WriteValue(value(static_cast<int>(i), c));
            } else {
                const char zeros[4] = {};
                w.WriteBytes(zeros, static_cast<std::size_t>(bits / 8));
            }
        }
    }
    w.CloseFile();
    return path;
}

// 0.5·sin(0.05·i + c): the channels differ.
inline double Tone(int i, int c) {
    return 0.5 * std::sin(0.05 * i + c);
}
