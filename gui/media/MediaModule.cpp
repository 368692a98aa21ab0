#include "gui/services/MediaModule.h"

#include "gui/media/QtAudioStream.h"
#include "gui/media/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QRect>
#include <QSvgGenerator>

namespace {

SoundPlayer *NewSoundPlayer() {
    return new QtSoundPlayer;
}

AudioStream *NewAudioStream() {
    return new QtAudioStream;
}

int PreferredOutputRate() {
    // Asked with the backend the sound uses.
    if (!QtSoundPlayer::HasOutputDevice()) {
        return 0;
    }
    return QMediaDevices::defaultAudioOutput().preferredFormat().sampleRate();
}

QPaintDevice *BeginSvgPicture(const QString &path, const QSize &size, const QString &title,
                              const QString &description) {
    auto *svg = new QSvgGenerator;
    svg->setFileName(path);
    svg->setSize(size);
    svg->setViewBox(QRect(QPoint(0, 0), size));
    // At 96 dots per inch a browser shows the picture at the plot's own size.
    svg->setResolution(96);
    svg->setTitle(title);
    svg->setDescription(description);
    return svg;
}

void EndSvgPicture(QPaintDevice *picture) {
    delete static_cast<QSvgGenerator *>(picture);
}

const KaldoriumMedia Table{KaldoriumMediaVersion, NewSoundPlayer,  NewAudioStream,
                           PreferredOutputRate,   BeginSvgPicture, EndSvgPicture};

} // namespace

extern "C" __attribute__((visibility("default"))) const KaldoriumMedia *KaldoriumMediaEntry() {
    return &Table;
}
