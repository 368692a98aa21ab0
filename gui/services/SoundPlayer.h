#pragma once

#include <QString>

// Sound playback of a WAVE file by name, behind a small interface so that window tests use a
// fake and never need a sound card. The WAV workbench and the spectrum window poll
// `TryPlayAsync` every 500 ms to notice that their sound has ended.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the file asynchronously, interrupting whatever plays. With no audio output
    // device nothing starts, and PlaybackError says so.
    virtual void PlayAsync(const QString &fileName) = 0;
    // Starts playing the file asynchronously unless a sound is still playing; false while one
    // plays (nothing is interrupted then).
    virtual bool TryPlayAsync(const QString &fileName) = 0;
    // Stops all playback.
    virtual void StopAll() = 0;

    // Why the sound started last cannot be heard, or "" while nothing is known to be wrong: no
    // audio output device, or an error the media backend reported since. Starting a sound
    // clears it.
    virtual QString PlaybackError() const = 0;

    static constexpr const char *kNoOutputDevice = "No audio output device is available";
};
