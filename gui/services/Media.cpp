#include "gui/services/Media.h"

#include "gui/services/MediaModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <algorithm>

namespace {

struct ModuleState {
    // Never unloaded: sound objects of the module live until the program ends.
    QLibrary library;
    const KaldoriumMedia *table = nullptr;
    QString error;
    bool tried = false;
};

ModuleState &Loaded() {
    static ModuleState state;
    return state;
}

QStringList Candidates() {
    const QString chosen = qEnvironmentVariable("KALDORIUM_MEDIA_MODULE");
    if (!chosen.isEmpty()) {
        return {chosen};
    }
    const QString name = QStringLiteral(KALDORIUM_MEDIA_FILE);
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.filePath(name), QDir::cleanPath(program.filePath(
                                        QStringLiteral("../" KALDORIUM_MEDIA_DIR "/") + name))};
}

// Loads the first candidate that is a module of this build.
void Load(ModuleState &state) {
    const QStringList candidates = Candidates();
    state.error =
        QStringLiteral("the module %1 was not found").arg(candidates.join(QStringLiteral(" or ")));
    for (const QString &path : candidates) {
        if (!QFileInfo::exists(path)) {
            continue;
        }
        state.library.setFileName(path);
        if (!state.library.load()) {
            state.error = state.library.errorString();
            continue;
        }
        using Entry = const KaldoriumMedia *(*)();
        const auto entry = reinterpret_cast<Entry>(state.library.resolve("KaldoriumMediaEntry"));
        const KaldoriumMedia *table = entry != nullptr ? entry() : nullptr;
        if (table != nullptr && table->version == KaldoriumMediaVersion) {
            state.table = table;
            state.error.clear();
            return;
        }
        state.error = QStringLiteral("%1 belongs to another build").arg(path);
    }
}

} // namespace

namespace media {

const KaldoriumMedia *Module() {
    ModuleState &state = Loaded();
    if (!state.tried) {
        state.tried = true;
        Load(state);
    }
    return state.table;
}

QString LoadError() {
    Module();
    return Loaded().error;
}

std::unique_ptr<SoundPlayer> NewSoundPlayer() {
    const KaldoriumMedia *m = Module();
    return std::unique_ptr<SoundPlayer>(m != nullptr ? m->newSoundPlayer() : nullptr);
}

std::unique_ptr<AudioStream> NewAudioStream() {
    const KaldoriumMedia *m = Module();
    return std::unique_ptr<AudioStream>(m != nullptr ? m->newAudioStream() : nullptr);
}

int PreferredOutputRate() {
    const KaldoriumMedia *m = Module();
    return m != nullptr ? m->preferredOutputRate() : 0;
}

SvgPicture::SvgPicture(const QString &path, const QSize &size, const QString &title,
                       const QString &description) {
    if (const KaldoriumMedia *m = Module()) {
        device = m->beginSvgPicture(path, size, title, description);
    }
}

SvgPicture::~SvgPicture() {
    if (device != nullptr) {
        Module()->endSvgPicture(device);
    }
}

} // namespace media

namespace {

QString NoSoundText() {
    return QStringLiteral("Sound output is not available: %1").arg(media::LoadError());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// DeferredSoundPlayer

SoundPlayer *DeferredSoundPlayer::Real() {
    if (!real) {
        real = media::NewSoundPlayer();
    }
    return real.get();
}

void DeferredSoundPlayer::PlayAsync(const QString &fileName) {
    if (SoundPlayer *player = Real()) {
        player->PlayAsync(fileName);
        return;
    }
    error = NoSoundText();
}

bool DeferredSoundPlayer::TryPlayAsync(const QString &fileName) {
    if (SoundPlayer *player = Real()) {
        return player->TryPlayAsync(fileName);
    }
    error = NoSoundText();
    return true;
}

void DeferredSoundPlayer::StopAll() {
    if (real) {
        real->StopAll();
    }
}

QString DeferredSoundPlayer::PlaybackError() const {
    return real ? real->PlaybackError() : error;
}

// ---------------------------------------------------------------------------------------------
// DeferredAudioStream

bool DeferredAudioStream::Open(double rate, int channels_) {
    if (!real && !failed) {
        real = media::NewAudioStream();
        failed = !real;
    }
    if (real) {
        return real->Open(rate, channels_);
    }
    channels = std::max(channels_, 1);
    dropped = 0;
    return false;
}

int DeferredAudioStream::Push(std::span<const double> interleaved) {
    if (real) {
        return real->Push(interleaved);
    }
    const auto frames = static_cast<int>(interleaved.size() / static_cast<std::size_t>(channels));
    dropped += frames;
    return frames;
}

void DeferredAudioStream::Finish() {
    if (real) {
        real->Finish();
    }
}

void DeferredAudioStream::Stop() {
    if (real) {
        real->Stop();
    }
}

int DeferredAudioStream::FreeFrames() const {
    return real ? real->FreeFrames() : 0;
}

long long DeferredAudioStream::PushedFrames() const {
    return real ? real->PushedFrames() : dropped;
}

long long DeferredAudioStream::PlayedFrames() const {
    return real ? real->PlayedFrames() : 0;
}

int DeferredAudioStream::Dropouts() const {
    return real ? real->Dropouts() : 0;
}

long long DeferredAudioStream::ClippedSamples() const {
    return real ? real->ClippedSamples() : 0;
}

bool DeferredAudioStream::Clipping() const {
    return real ? real->Clipping() : false;
}

AudioStream::State DeferredAudioStream::CurrentState() const {
    if (real) {
        return real->CurrentState();
    }
    return failed ? State::NoDevice : State::Closed;
}

QString DeferredAudioStream::ErrorText() const {
    if (real) {
        return real->ErrorText();
    }
    return failed ? NoSoundText() : QString();
}

QString DeferredAudioStream::TakeNotice() {
    if (real) {
        return real->TakeNotice();
    }
    if (!failed || told) {
        return {};
    }
    told = true;
    return NoSoundText();
}
