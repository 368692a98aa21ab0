#pragma once

#include "audio/SoundPlayer.h"

#include <QStringList>

// Records the playback calls; a sound "plays" until the test ends it with `FinishSound`.
class FakeSoundPlayer : public SoundPlayer {
public:
    void PlayAsync(const QString &fileName) override {
        calls << QStringLiteral("play ") + fileName;
        playing = true;
    }
    bool TryPlayAsync(const QString &fileName) override {
        calls << QStringLiteral("try ") + fileName;
        if (playing) {
            return false;
        }
        playing = true;
        return true;
    }
    void StopAll() override {
        calls << QStringLiteral("stop");
        playing = false;
    }

    void FinishSound() { playing = false; }

    bool playing = false;
    QStringList calls;
};
