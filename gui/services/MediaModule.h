#pragma once

// What the media module gives the program. Qt Multimedia and Qt SVG, and the code that uses
// them, live in a module of their own that the program loads the first time it plays a sound,
// opens a live sound stream, asks for the output device or writes an SVG picture: neither
// library loads at start. The module hands out one table of functions.

class AudioStream;
class QPaintDevice;
class QSize;
class QString;
class SoundPlayer;

struct KaldoriumMedia {
    // Changes whenever the table does: a module of another build is not used.
    int version;
    // Playback of WAVE files and the live stream through the desktop's sound output; the caller
    // owns them.
    SoundPlayer *(*newSoundPlayer)();
    AudioStream *(*newAudioStream)();
    // The default output device's preferred rate, or 0 without a device.
    int (*preferredOutputRate)();
    // An SVG picture being written to `path`, of the given size at 96 dots per inch, to paint
    // on; endSvgPicture finishes the file and deletes the picture.
    QPaintDevice *(*beginSvgPicture)(const QString &path, const QSize &size, const QString &title,
                                     const QString &description);
    void (*endSvgPicture)(QPaintDevice *picture);
};

inline constexpr int KaldoriumMediaVersion = 1;

// The module's one exported symbol.
extern "C" const KaldoriumMedia *KaldoriumMediaEntry();
