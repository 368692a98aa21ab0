#pragma once

#include <QStringList>

class QWidget;
class SoundPlayer;
class UiServices;

// Tells the user why a window's sound cannot be heard, once per window session: an information
// box the first time the window meets a problem, nothing when it meets it again on a later Play.
class PlaybackNotice {
public:
    // True when the player has a problem with the sound started last; shows it unless this
    // window has told it already.
    bool Check(const SoundPlayer &player, UiServices &services, QWidget *parent);
    // A new window session: every problem is told again.
    void Reset() { told.clear(); }

private:
    QStringList told;
};
