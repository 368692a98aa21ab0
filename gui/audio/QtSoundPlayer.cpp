#include "audio/QtSoundPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer() {
    // The ffmpeg backend of this Qt crashes without a sound device; the backend is chosen when
    // the first media object is created.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
}

QtSoundPlayer::~QtSoundPlayer() {
    if (player) {
        player->stop();
    }
}

void QtSoundPlayer::PlayAsync(const QString &fileName) {
    // The media backend starts with the first sound, not with the program.
    if (!player) {
        player = std::make_unique<QMediaPlayer>();
        audio = std::make_unique<QAudioOutput>();
        player->setAudioOutput(audio.get());
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
