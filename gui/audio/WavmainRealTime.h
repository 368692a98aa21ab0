#pragma once

#include "core/audio/WavViews.h"
#include "core/audio/WaveFile.h"
#include "gui/services/RealTimeSession.h"

#include <string>

// The second channel of a stereo input beside a Test view, which draws only the first: read in
// step with the view (its rewinds and a newly chosen input included) and conditioned and filtered
// by a chain of its own, so that stereo stays stereo in the sound.
class WavSecondChannel {
public:
    WavSecondChannel(const kaldorium::WavSettings &settings, kaldorium::NoiseGenerator &noise,
                     kaldorium::FilterNetwork &network);

    // The view has just drawn a frame: reads the same frame's second channel.
    void Follow(const kaldorium::WavView &view);
    void Close() { file.CloseFile(); }

    double input = 0.0;    // conditioned
    double filtered = 0.0; // through the selected filter (the network serves the first channel)

private:
    const kaldorium::WavSettings &settings;
    kaldorium::WavFilterChain chain;
    kaldorium::WaveFile file;
    std::string openedName;
    bool opened = false;
    bool readable = false;
    int rewinds = 0;
};
