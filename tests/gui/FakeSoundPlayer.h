#pragma once

#include "gui/services/SoundPlayer.h"

#include <QStringList>

// Records the playback calls; a sound "plays" until the test ends it with `FinishSound`, or
// fails as the media backend would report it with `Fail`. With `noDevice` nothing plays.
class FakeSoundPlayer : public SoundPlayer {
public:
    void PlayAsync(const QString &fileName) override {
        calls << QStringLiteral("play ") + fileName;
        playing = !noDevice;
        error = noDevice ? QString::fromLatin1(kNoOutputDevice) : QString();
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

    QString PlaybackError() const override { return error; }

    void FinishSound() { playing = false; }
    void Fail(const QString &text) {
        playing = false;
        error = text;
    }

    bool noDevice = false;
    bool playing = false;
    QString error;
    QStringList calls;
};
