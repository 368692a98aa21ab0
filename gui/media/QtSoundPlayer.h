#pragma once

#include "gui/services/SoundPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <memory>

// Playback through the desktop's sound output with QMediaPlayer and QAudioOutput. Without an
// audio output device nothing is started (the backend would play silently in real time); the
// media backend's errors are kept for PlaybackError.
class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer &) = delete;
    QtSoundPlayer &operator=(const QtSoundPlayer &) = delete;

    void PlayAsync(const QString &fileName) override;
    bool TryPlayAsync(const QString &fileName) override;
    void StopAll() override;
    QString PlaybackError() const override { return error; }

    // The playback state is "playing" and the media neither invalid, missing nor at its end.
    bool StillPlaying() const;
    // Whether the desktop has an audio output device now.
    static bool HasOutputDevice();

private:
    // Destroyed in this order: the player before its output.
    std::unique_ptr<QAudioOutput> audio;
    std::unique_ptr<QMediaPlayer> player;
    QString error;
};
