#pragma once

#include <QString>

// Sound playback of a WAVE file by name, behind a small interface so that window tests use a
// fake and never need a sound card. The WAV workbench and the spectrum window poll
// `TryPlayAsync` every 500 ms to notice that their sound has ended.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the file asynchronously, interrupting whatever plays.
    virtual void PlayAsync(const QString &fileName) = 0;
    // Starts playing the file asynchronously unless a sound is still playing; false while one
    // plays (nothing is interrupted then).
    virtual bool TryPlayAsync(const QString &fileName) = 0;
    // Stops all playback.
    virtual void StopAll() = 0;
};
