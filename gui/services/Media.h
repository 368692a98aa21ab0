#pragma once

#include "gui/services/AudioStream.h"
#include "gui/services/SoundPlayer.h"

#include <QString>

#include <memory>

class QPaintDevice;
class QSize;
struct KaldoriumMedia;

// The media module (sound output and SVG pictures), loaded the first time something asks for
// it. It is looked for in KALDORIUM_MEDIA_MODULE when that is set, beside the program, then in
// the program's library folder of an installation.
namespace media {

// The module's table, or null when it cannot be loaded (LoadError says why).
const KaldoriumMedia *Module();
QString LoadError();

// The real player and stream, or null without the module.
std::unique_ptr<SoundPlayer> NewSoundPlayer();
std::unique_ptr<AudioStream> NewAudioStream();
// The default output device's preferred rate; 0 without a device or without the module.
int PreferredOutputRate();

// An SVG picture being written to `path`, to paint on, finished and deleted by the object's end;
// Device() is null without the module.
class SvgPicture {
public:
    SvgPicture(const QString &path, const QSize &size, const QString &title,
               const QString &description);
    ~SvgPicture();
    SvgPicture(const SvgPicture &) = delete;
    SvgPicture &operator=(const SvgPicture &) = delete;
    QPaintDevice *Device() const { return device; }

private:
    QPaintDevice *device = nullptr;
};

} // namespace media

// The program's sound player: the module's, made when the first sound is played. Without the
// module nothing plays and PlaybackError says why.
class DeferredSoundPlayer : public SoundPlayer {
public:
    void PlayAsync(const QString &fileName) override;
    bool TryPlayAsync(const QString &fileName) override;
    void StopAll() override;
    QString PlaybackError() const override;

private:
    SoundPlayer *Real();
    std::unique_ptr<SoundPlayer> real;
    QString error;
};

// The program's live sound: the module's stream, made when a run first opens it. Without the
// module every Open ends in NoDevice with the reason, announced once.
class DeferredAudioStream : public AudioStream {
public:
    bool Open(double rate, int channels) override;
    int Push(std::span<const double> interleaved) override;
    void Finish() override;
    void Stop() override;
    int FreeFrames() const override;
    long long PushedFrames() const override;
    long long PlayedFrames() const override;
    int Dropouts() const override;
    long long ClippedSamples() const override;
    bool Clipping() const override;
    State CurrentState() const override;
    QString ErrorText() const override;
    QString TakeNotice() override;

private:
    std::unique_ptr<AudioStream> real;
    // Without the module: the frames pushed since Open, dropped, and whether the reason was told.
    bool failed = false;
    bool told = false;
    int channels = 1;
    long long dropped = 0;
};
