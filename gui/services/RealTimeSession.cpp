#include "gui/services/RealTimeSession.h"

#include "gui/services/AudioStream.h"
#include "gui/services/ChunkDriver.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Stretches[] = {1.0, 0.1, 0.01, 0.001};

// Whether the layout item is `widget`, one of its ancestors, or a layout that holds either.
bool Holds(QLayoutItem *item, const QWidget *widget) {
    if (QWidget *w = item->widget(); w != nullptr) {
        return w == widget || w->isAncestorOf(widget);
    }
    if (QLayout *layout = item->layout(); layout != nullptr) {
        for (int i = 0; i < layout->count(); ++i) {
            if (Holds(layout->itemAt(i), widget)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

RealTimeSession::RealTimeSession(QWidget *window_) : QObject(window_), window(window_) {
    setObjectName(QStringLiteral("realTimeSession"));
    RealTimePanel = new QWidget(window);
    RealTimePanel->setObjectName(QStringLiteral("RealTimePanel"));
    // Made inside the panel: a widget made on its own and moved in costs far more.
    auto named = [](auto *widget, const char *name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    RealTime = named(new QCheckBox(QStringLiteral("Real Time"), RealTimePanel), "RealTime");
    SpeedLabel = named(new QLabel(QStringLiteral("Speed"), RealTimePanel), "SpeedLabel");
    TimeStretch = named(new QComboBox(RealTimePanel), "TimeStretch");
    TimeStretch->addItems({QStringLiteral("1×"), QStringLiteral("1/10×"), QStringLiteral("1/100×"),
                           QStringLiteral("1/1000×")});
    ListenLabel = named(new QLabel(QStringLiteral("Listen"), RealTimePanel), "ListenLabel");
    ListenTo = named(new QComboBox(RealTimePanel), "ListenTo");
    ListenTo->addItems({QStringLiteral("Off"), QStringLiteral("Input"), QStringLiteral("Output")});
    ListenTo->setCurrentIndex(static_cast<int>(Listen::Output));
    SoundStatus = named(new QLabel(RealTimePanel), "SoundStatus");
    Clipping = named(new QLabel(QStringLiteral("Clipping"), RealTimePanel), "Clipping");
    // Unlit (greyed) until a clipped sample is played.
    Clipping->setEnabled(false);

    auto *row = new QHBoxLayout(RealTimePanel);
    row->setContentsMargins(6, 1, 6, 1);
    row->setSpacing(6);
    for (QWidget *w : std::initializer_list<QWidget *>{RealTime, SpeedLabel, TimeStretch,
                                                       ListenLabel, ListenTo, Clipping}) {
        row->addWidget(w);
    }
    row->addWidget(SoundStatus, 1);
}

void RealTimeSession::PlaceBelow(QWidget *above) {
    auto *outer = qobject_cast<QBoxLayout *>(window->layout());
    if (outer == nullptr) {
        return;
    }
    for (int i = 0; i < outer->count(); ++i) {
        if (Holds(outer->itemAt(i), above)) {
            outer->insertWidget(i + 1, RealTimePanel);
            return;
        }
    }
    outer->addWidget(RealTimePanel);
}

RealTimeSession::~RealTimeSession() {
    // The window goes while its sound plays: silence it.
    if (stream != nullptr && openedRate != 0.0) {
        stream->Stop();
    }
}

RealTimeSession::Listen RealTimeSession::ListenChoice() const {
    return static_cast<Listen>(std::clamp(ListenTo->currentIndex(), 0, 2));
}

double RealTimeSession::Stretch() const {
    return Stretches[std::clamp(TimeStretch->currentIndex(), 0, 3)];
}

void RealTimeSession::Attach(ChunkDriver &chunks) {
    chunks.SetPacing([this, &chunks](int chunkSamples) {
        return active && driver == &chunks ? Pace(chunkSamples) : chunkSamples;
    });
}

void RealTimeSession::Begin(ChunkDriver &chunks, std::function<double()> rate_, int channels_) {
    End();
    if (!RealTime->isChecked()) {
        return;
    }
    active = true;
    driver = &chunks;
    rate = std::move(rate_);
    channels = std::clamp(channels_, 0, MaxChannels);
    // Once per piece of work: the sound path allocates nothing per sample.
    samples.assign(static_cast<std::size_t>(MaxTickFrames) * std::max(channels, 1), 0.0);
    used = 0;
    shownDropouts = -1;
    SoundStatus->clear();
    Clipping->setEnabled(false);
    driver->Timer()->setInterval(TickMs);
    clock.Restart();
    UpdateSound(rate());
}

void RealTimeSession::End(bool playOut) {
    if (!active) {
        return;
    }
    active = false;
    if (stream != nullptr && openedRate != 0.0) {
        if (playOut && listeningNow) {
            Flush();
            stream->Finish();
        } else {
            stream->Stop();
        }
        if (listeningNow) {
            ShowIndicators();
        }
    }
    openedRate = 0.0;
    listeningNow = false;
    used = 0;
    driver->Timer()->setInterval(0);
    driver = nullptr;
    rate = {};
}

void RealTimeSession::AddFrame(std::span<const double> frame) {
    for (const double v : frame.first(std::min<std::size_t>(frame.size(), channels))) {
        Add(v);
    }
}

void RealTimeSession::Flush() {
    if (!listeningNow || stream == nullptr) {
        used = 0;
        return;
    }
    if (used > 0) {
        stream->Push(std::span<const double>(samples.data(), used));
        used = 0;
    }
    ShowIndicators();
}

int RealTimeSession::Pace(int /*chunkSamples*/) {
    const double r = rate();
    UpdateSound(r);
    if (listeningNow && stream->CurrentState() == AudioStream::State::Playing) {
        // The sound is the clock: as many frames as it has room for.
        clock.Due(0.0, 0);
        return std::min(stream->FreeFrames(), MaxTickFrames);
    }
    if (listeningNow) {
        // The device went away during the run: the run goes on silently by the wall clock.
        listeningNow = false;
        const QString notice = stream->TakeNotice();
        SoundStatus->setText(notice.isEmpty() ? stream->ErrorText() : notice);
    }
    return clock.Due(r * Stretch(), MaxTickFrames);
}

// Opens, reopens (the rate changed with a field) or stops the sound as the controls now ask.
void RealTimeSession::UpdateSound(double r) {
    const bool wanted = stream != nullptr && channels > 0 && ListenChoice() != Listen::Off &&
                        Stretch() == 1.0 && std::isfinite(r) && r > 0.0;
    if (wanted && r != openedRate) {
        OpenSound(r);
    } else if (!wanted && openedRate != 0.0) {
        StopSound();
    }
}

void RealTimeSession::OpenSound(double r) {
    used = 0;
    openedRate = r;
    listeningNow = stream->Open(r, channels);
    const QString notice = stream->TakeNotice();
    if (!notice.isEmpty()) {
        SoundStatus->setText(notice);
    }
    if (stream->CurrentState() == AudioStream::State::NoDevice) {
        // Nothing to listen with: the choice says so, and the run goes on silently.
        ListenTo->setCurrentIndex(static_cast<int>(Listen::Off));
        listeningNow = false;
    }
    shownDropouts = -1;
}

void RealTimeSession::StopSound() {
    stream->Stop();
    openedRate = 0.0;
    listeningNow = false;
    used = 0;
}

void RealTimeSession::ShowIndicators() {
    const int dropouts = stream->Dropouts();
    if (dropouts != shownDropouts) {
        shownDropouts = dropouts;
        SoundStatus->setText(QStringLiteral("Dropouts: %1").arg(dropouts));
    }
    Clipping->setEnabled(stream->Clipping());
}
