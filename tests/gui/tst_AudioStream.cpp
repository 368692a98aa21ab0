#include "FakeAudioStream.h"
#include "gui/media/QtAudioStream.h"
#include "gui/services/Media.h"

#include <QMediaDevices>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

// The live sound path: the real stream on a machine without a sound device, and the fake that
// window tests drive, paced the way a real-time run paces itself.
class AudioStreamTest : public QObject {
    Q_OBJECT

private slots:
    void realStreamWithoutDeviceGoesOnSilently();
    void pacedRunHandsOverItsOwnSamples_data();
    void pacedRunHandsOverItsOwnSamples();
    void starvedDeviceCountsDropouts();
};

void AudioStreamTest::realStreamWithoutDeviceGoesOnSilently() {
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        QSKIP("this machine has a sound output");
    }
    // The program's stream, which loads the real one from the media module.
    DeferredAudioStream stream;
    QVERIFY(!stream.Open(44100.0, 2));
    QCOMPARE(stream.CurrentState(), AudioStream::State::NoDevice);
    QCOMPARE(stream.ErrorText(), QtAudioStream::NoDeviceText());
    QCOMPARE(stream.TakeNotice(), QtAudioStream::NoDeviceText());
    QCOMPARE(stream.TakeNotice(), QString());

    // One second in the chunks a run makes: every frame is taken and dropped at once.
    const std::vector<double> chunk(502 * 2, 0.25);
    for (int pushed = 0; pushed < 44100; pushed += 502) {
        QCOMPARE(stream.Push(chunk), 502);
    }
    stream.Finish();
    QTest::qWait(3 * QtAudioStream::PumpIntervalMs);
    QCOMPARE(stream.PlayedFrames(), 0LL);
    QCOMPARE(stream.Dropouts(), 0);

    // The next run meets the same state, but the user was told already.
    QVERIFY(!stream.Open(8000.0, 1));
    QCOMPARE(stream.CurrentState(), AudioStream::State::NoDevice);
    QCOMPARE(stream.TakeNotice(), QString());
    stream.Stop();
    QCOMPARE(stream.CurrentState(), AudioStream::State::Closed);
}

void AudioStreamTest::pacedRunHandsOverItsOwnSamples_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("workbench 40 kHz mono") << 40000.0 << 1;
    QTest::newRow("WAV 44.1 kHz stereo") << 44100.0 << 2;
}

// Each 10 ms of the clock the run computes what the stream's queue takes; the second channel
// reaches 1.2 and is clipped for the speaker only.
void AudioStreamTest::pacedRunHandsOverItsOwnSamples() {
    QFETCH(double, rate);
    QFETCH(int, channels);
    FakeAudioStream stream;
    QVERIFY(stream.Open(rate, channels));
    std::vector<double> computed;
    std::vector<double> chunk;
    long long n = 0;
    for (int tick = 0; tick < 200; ++tick) {
        const int frames = stream.FreeFrames();
        chunk.clear();
        for (int k = 0; k < frames; ++k, ++n) {
            for (int c = 0; c < channels; ++c) {
                chunk.push_back(0.6 * (c + 1) * std::sin(2 * std::numbers::pi * 440 * n / rate));
            }
        }
        QCOMPARE(stream.Push(chunk), frames);
        computed.insert(computed.end(), chunk.begin(), chunk.end());
        stream.Advance(0.01);
    }
    QVERIFY(std::abs(stream.PushedFrames() - 2.0 * rate) < 0.05 * 2.0 * rate);
    QVERIFY(stream.GivenSamples() == computed);
    QCOMPARE(stream.Dropouts(), 0);
    QVERIFY(!stream.heard.empty());
    for (std::size_t i = 0; i < stream.heard.size(); ++i) {
        QCOMPARE(stream.heard[i], static_cast<float>(std::clamp(computed[i], -1.0, 1.0)));
    }
    QCOMPARE(stream.Clipping(), channels == 2);
    QCOMPARE(stream.ClippedSamples() > 0, channels == 2);

    // Stopping silences at once: the queued frames are never played.
    stream.Stop();
    const std::size_t heard = stream.heard.size();
    stream.Advance(0.1);
    QCOMPARE(stream.heard.size(), heard);
    QCOMPARE(stream.CurrentState(), AudioStream::State::Closed);
}

void AudioStreamTest::starvedDeviceCountsDropouts() {
    FakeAudioStream stream;
    QVERIFY(stream.Open(8000.0, 1));
    const std::vector<double> chunk(200, 0.5);
    stream.Advance(0.5); // nothing pushed yet: waiting is no dropout
    QCOMPARE(stream.Push(chunk), 200);
    stream.Advance(0.1); // 25 ms of sound over 100 ms
    QCOMPARE(stream.Dropouts(), 1);
    stream.Advance(0.1); // the same silence
    QCOMPARE(stream.Dropouts(), 1);
    QCOMPARE(stream.PlayedFrames(), 200LL);
    QCOMPARE(stream.Push(chunk), 200);
    stream.Advance(0.1);
    QCOMPARE(stream.Dropouts(), 2);

    // A finished run plays out and closes without counting its end.
    QCOMPARE(stream.Push(chunk), 200);
    stream.Finish();
    stream.Advance(0.1);
    QCOMPARE(stream.Dropouts(), 2);
    QCOMPARE(stream.PlayedFrames(), 600LL);
    QCOMPARE(stream.CurrentState(), AudioStream::State::Closed);

    stream.noDevice = true;
    QVERIFY(!stream.Open(8000.0, 1));
    QCOMPARE(stream.TakeNotice(), QStringLiteral("No audio output device is available"));
    QVERIFY(!stream.Open(8000.0, 1));
    QCOMPARE(stream.TakeNotice(), QString());
    QCOMPARE(stream.Push(chunk), 200);
}

QTEST_MAIN(AudioStreamTest)
#include "tst_AudioStream.moc"
