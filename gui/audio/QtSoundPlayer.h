#pragma once

#include "audio/SoundPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <memory>

// Playback through the desktop's sound output with QMediaPlayer and QAudioOutput. The GStreamer
// media backend keeps real time even without a sound device, so the end of a sound is noticed
// on machines without one too.
class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer &) = delete;
    QtSoundPlayer &operator=(const QtSoundPlayer &) = delete;

    void PlayAsync(const QString &fileName) override;
    bool TryPlayAsync(const QString &fileName) override;
    void StopAll() override;

    // The playback state is "playing" and the media neither invalid, missing nor at its end.
    bool StillPlaying() const;

private:
    // Destroyed in this order: the player before its output.
    std::unique_ptr<QAudioOutput> audio;
    std::unique_ptr<QMediaPlayer> player;
};
