#include "gui/media/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace {

// The ffmpeg backend of this Qt crashes without a sound device; the backend is chosen when the
// first media object is created or the first device list is asked for.
void ChooseMediaBackend() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
}

} // namespace

QtSoundPlayer::QtSoundPlayer() {
    ChooseMediaBackend();
}

QtSoundPlayer::~QtSoundPlayer() {
    if (player) {
        player->stop();
    }
}

void QtSoundPlayer::PlayAsync(const QString &fileName) {
    error.clear();
    // Asked at every sound: a device may be plugged in or removed while the program runs.
    if (!HasOutputDevice()) {
        if (player) {
            player->stop();
        }
        error = QString::fromLatin1(kNoOutputDevice);
        return;
    }
    // The media backend starts with the first sound, not with the program.
    if (!player) {
        player = std::make_unique<QMediaPlayer>();
        audio = std::make_unique<QAudioOutput>();
        player->setAudioOutput(audio.get());
        QObject::connect(player.get(), &QMediaPlayer::errorOccurred, player.get(),
                         [this](QMediaPlayer::Error, const QString &text) {
                             error = text.isEmpty() ? QStringLiteral("The sound cannot be played")
                                                    : text;
                         });
    }
    player->stop();
    player->setSource(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()));
    player->play();
}

bool QtSoundPlayer::TryPlayAsync(const QString &fileName) {
    if (StillPlaying()) {
        return false;
    }
    // Nothing plays: that is what the caller asks, whether or not the file can be started, so a
    // sound file renamed or deleted since it started cannot make its end go unnoticed.
    if (QFileInfo::exists(fileName)) {
        PlayAsync(fileName);
    }
    return true;
}

void QtSoundPlayer::StopAll() {
    if (player) {
        player->stop();
    }
}

bool QtSoundPlayer::StillPlaying() const {
    if (!player || player->playbackState() != QMediaPlayer::PlayingState) {
        return false;
    }
    const QMediaPlayer::MediaStatus status = player->mediaStatus();
    return status != QMediaPlayer::InvalidMedia && status != QMediaPlayer::NoMedia &&
           status != QMediaPlayer::EndOfMedia;
}

bool QtSoundPlayer::HasOutputDevice() {
    ChooseMediaBackend();
    return !QMediaDevices::audioOutputs().isEmpty();
}
