#include "gui/media/QtAudioStream.h"

#include <QAudioSink>
#include <QMediaDevices>

#include <climits>
#include <cmath>
#include <vector>

QtAudioStream::QtAudioStream() {
    // The ffmpeg backend of this Qt crashes without a sound device; the backend is chosen when
    // the first media object is created.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
    pumpTimer.setObjectName(QStringLiteral("audioPumpTimer"));
    pumpTimer.setTimerType(Qt::PreciseTimer);
    pumpTimer.setInterval(PumpIntervalMs);
    QObject::connect(&pumpTimer, &QTimer::timeout, &pumpTimer, [this] { Pump(); });
}

QtAudioStream::~QtAudioStream() {
    CloseSink();
}

bool QtAudioStream::Open(double rate, int channels) {
    Stop();
    error.clear();
    channelCount = std::max(channels, 1);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (QMediaDevices::audioOutputs().isEmpty() || device.isNull()) {
        LoseDevice();
        return false;
    }
    QAudioFormat format;
    const QString refusal = ChooseFormat(device, rate, channels, format);
    if (!refusal.isEmpty()) {
        Refuse(refusal);
        return false;
    }
    StartSink(device, format);
    return state == State::Playing;
}

QString QtAudioStream::ChooseFormat(const QAudioDevice &device, double rate, int channels,
                                    QAudioFormat &chosen) {
    // The run's own rate first (the device takes whole hertz), then rates the device likes,
    // which the feed reaches by resampling.
    std::vector<int> rates;
    if (std::isfinite(rate) && rate >= 0.5 && rate < INT_MAX) {
        rates.push_back(static_cast<int>(std::lround(rate)));
    }
    rates.push_back(device.preferredFormat().sampleRate());
    rates.push_back(48000);
    rates.push_back(44100);
    QString refusal;
    bool anyFormat = false;
    for (const int deviceRate : rates) {
        for (const auto sampleFormat : {QAudioFormat::Float, QAudioFormat::Int16}) {
            QAudioFormat format;
            format.setSampleRate(deviceRate);
            format.setChannelCount(channels);
            format.setSampleFormat(sampleFormat);
            if (deviceRate <= 0 || !device.isFormatSupported(format)) {
                continue;
            }
            anyFormat = true;
            const std::string why = feed.Configure(rate, channels, deviceRate,
                                                   sampleFormat == QAudioFormat::Float
                                                       ? kaldorium::SpeakerFormat::Float32
                                                       : kaldorium::SpeakerFormat::Int16);
            if (why.empty()) {
                chosen = format;
                return {};
            }
            refusal = QString::fromStdString(why);
        }
    }
    if (!anyFormat &&
        (channels < device.minimumChannelCount() || channels > device.maximumChannelCount())) {
        return QStringLiteral("The sound device cannot play %1 channels").arg(channels);
    }
    if (refusal.isEmpty()) {
        refusal = QString::fromStdString(kaldorium::SpeakerFeed::RateRefused(rate));
    }
    return refusal;
}

void QtAudioStream::StartSink(const QAudioDevice &device, const QAudioFormat &format) {
    sink = std::make_unique<QAudioSink>(device, format);
    sink->setBufferSize(format.bytesForDuration(static_cast<qint64>(SinkBufferSeconds * 1e6)));
    io = sink->start();
    if (io == nullptr || sink->error() != QAudio::NoError) {
        if (io == nullptr) {
            sink.reset(); // it never reached the sound server
        }
        LoseDevice();
        return;
    }
    // The sound server's thread emits too: the signal arrives queued, perhaps after this sink
    // was replaced.
    QObject::connect(sink.get(), &QAudioSink::stateChanged, &pumpTimer,
                     [this, emitter = sink.get()] {
                         if (sink.get() == emitter) {
                             SinkStateChanged();
                         }
                     });
    state = State::Playing;
    noDeviceTold = false;
    pumpTimer.start();
}

int QtAudioStream::Push(std::span<const double> interleaved) {
    if (state != State::Playing) {
        return static_cast<int>(interleaved.size() / static_cast<std::size_t>(channelCount));
    }
    const int taken = feed.Push(interleaved);
    Pump();
    return taken;
}

void QtAudioStream::Finish() {
    if (state == State::Playing) {
        feed.Finish();
        // The queue plays out in its own time; a server that stops reporting progress must not
        // keep the stream open for ever.
        finishDeadline.setRemainingTime(static_cast<qint64>(
            1000.0 * static_cast<double>(feed.QueuedFrames()) / feed.Rate() + FinishSlackMs));
        Pump();
    }
}

void QtAudioStream::Stop() {
    CloseSink();
    feed.Discard();
    state = State::Closed;
    error.clear();
}

int QtAudioStream::FreeFrames() const {
    return state == State::Playing ? feed.FreeFrames() : 0;
}

long long QtAudioStream::PlayedFrames() const {
    return feed.PlayedFrames();
}

QString QtAudioStream::TakeNotice() {
    QString text;
    text.swap(notice);
    return text;
}

long long QtAudioStream::SinkUnplayed() const {
    // What the sink reports as processed: read by the sound server, less its latency.
    const long long played =
        std::llround(static_cast<double>(sink->processedUSecs()) * feed.DeviceRate() / 1e6);
    return std::max(feed.WrittenFrames() - played, 0LL);
}

bool QtAudioStream::SinkEmpty() const {
    return sink->bytesFree() >= sink->bufferSize();
}

void QtAudioStream::Pump() {
    if (state != State::Playing || !sink) {
        return;
    }
    feed.SinkHolds(SinkUnplayed());
    if (SinkEmpty()) {
        feed.SinkStarved();
    }
    const qsizetype bytesPerFrame = feed.BytesPerFrame();
    for (;;) {
        const auto room = static_cast<int>(std::min<qsizetype>(
            sink->bytesFree() / bytesPerFrame, kaldorium::SpeakerFeed::ScratchFrames));
        const std::span<const std::byte> bytes = feed.Ready(room);
        if (bytes.empty()) {
            break;
        }
        const qint64 written = io->write(reinterpret_cast<const char *>(bytes.data()),
                                         static_cast<qint64>(bytes.size()));
        if (written <= 0) {
            break;
        }
        feed.Taken(static_cast<std::size_t>(written));
    }
    if (feed.Drained() || (feed.Finished() && finishDeadline.hasExpired())) {
        CloseSink();
        state = State::Closed;
    }
}

void QtAudioStream::SinkStateChanged() {
    if (!sink || state != State::Playing) {
        return;
    }
    // Underruns are found by Pump, which looks at the sink before every write: the sink's own
    // report comes from the sound server's thread, late, and would count one twice.
    switch (sink->error()) {
    case QAudio::NoError:
    case QAudio::UnderrunError:
        break;
    case QAudio::OpenError:
    case QAudio::IOError:
    case QAudio::FatalError:
        // The device went away while playing; the run goes on silently.
        LoseDevice();
        break;
    }
}

void QtAudioStream::CloseSink() {
    pumpTimer.stop();
    io = nullptr;
    if (!sink) {
        return;
    }
    QObject::disconnect(sink.get(), nullptr, &pumpTimer, nullptr);
    // Stopping disconnects from the sound server, which drops what it still holds: the sound ends
    // at once. The server's answer to the stop may still reach the sink a moment later, on the
    // server's thread, so the sink is deleted only after a while.
    sink->stop();
    QTimer::singleShot(RetireMs, [retired = sink.release()] { delete retired; });
}

void QtAudioStream::LoseDevice() {
    CloseSink();
    feed.Discard();
    state = State::NoDevice;
    error = NoDeviceText();
    if (!noDeviceTold) {
        notice = error;
        noDeviceTold = true;
    }
}

void QtAudioStream::Refuse(const QString &why) {
    state = State::Refused;
    error = why;
    notice = why;
}
