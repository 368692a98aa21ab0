#pragma once

#include "core/audio/SpeakerFeed.h"
#include "gui/services/AudioStream.h"

#include <QStringList>

#include <cmath>
#include <cstring>
#include <vector>

// A sound device simulated against a clock the test moves on: from the first push it plays
// `rate` frames per second of that clock, taken through the same feed as the real stream (queue,
// clipping, played clock, dropouts). Records every push with the time it came, and what the
// device played. Advancing the clock further than the pushes reach starves it on purpose.
class FakeAudioStream : public AudioStream {
public:
    struct Given {
        double time;
        std::vector<double> samples; // interleaved, as handed over
    };

    bool Open(double rate, int channels) override {
        calls << QStringLiteral("open %1 %2").arg(rate).arg(channels);
        Stop();
        channelCount = std::max(channels, 1);
        given.clear();
        heard.clear();
        started = false;
        devicePos = 0;
        if (noDevice) {
            state = State::NoDevice;
            error = QStringLiteral("No audio output device is available");
            notice = told ? QString() : error;
            told = true;
            return false;
        }
        const std::string why = feed.Configure(rate, channels, deviceRate > 0.0 ? deviceRate : rate,
                                               kaldorium::SpeakerFormat::Float32);
        if (!why.empty()) {
            state = State::Refused;
            notice = error = QString::fromStdString(why);
            return false;
        }
        state = State::Playing;
        return true;
    }
    int Push(std::span<const double> interleaved) override {
        if (state != State::Playing) {
            return static_cast<int>(interleaved.size() / static_cast<std::size_t>(channelCount));
        }
        const int taken = feed.Push(interleaved);
        const auto end = interleaved.begin() + taken * channelCount;
        given.push_back({now, std::vector<double>(interleaved.begin(), end)});
        if (!started) {
            started = true;
            startTime = now;
        }
        return taken;
    }
    void Finish() override {
        calls << QStringLiteral("finish");
        feed.Finish();
        Play();
    }
    void Stop() override {
        calls << QStringLiteral("stop");
        feed.Discard();
        state = State::Closed;
        error.clear();
    }

    int FreeFrames() const override { return state == State::Playing ? feed.FreeFrames() : 0; }
    long long PushedFrames() const override { return feed.PushedFrames(); }
    long long PlayedFrames() const override { return feed.PlayedFrames(); }
    int Dropouts() const override { return feed.Dropouts(); }
    long long ClippedSamples() const override { return feed.ClippedSamples(); }
    bool Clipping() const override { return feed.Clipping(); }
    State CurrentState() const override { return state; }
    QString ErrorText() const override { return error; }
    QString TakeNotice() override {
        QString text;
        text.swap(notice);
        return text;
    }

    // Moves the clock on by `seconds`; the device plays what falls due meanwhile.
    void Advance(double seconds) {
        now += seconds;
        Play();
    }
    std::vector<double> GivenSamples() const {
        std::vector<double> all;
        for (const Given &g : given) {
            all.insert(all.end(), g.samples.begin(), g.samples.end());
        }
        return all;
    }

    bool noDevice = false;
    double deviceRate = 0.0; // 0: the device plays the stream's own rate
    double now = 0.0;
    std::vector<Given> given;
    std::vector<float> heard; // interleaved, as the speaker got them
    QStringList calls;

private:
    void Play() {
        if (state != State::Playing || !started) {
            return;
        }
        const auto due = static_cast<long long>(std::floor((now - startTime) * feed.Rate() + 1e-9));
        long long want = due - devicePos;
        while (want > 0) {
            const auto bytes = feed.Ready(
                static_cast<int>(std::min<long long>(want, kaldorium::SpeakerFeed::ScratchFrames)));
            if (bytes.empty()) {
                break;
            }
            const std::size_t at = heard.size();
            heard.resize(at + bytes.size() / sizeof(float));
            std::memcpy(heard.data() + at, bytes.data(), bytes.size());
            feed.Taken(bytes.size());
            const long long frames = static_cast<long long>(bytes.size()) / feed.BytesPerFrame();
            devicePos += frames;
            want -= frames;
        }
        feed.SinkHolds(0);
        if (want > 0) {
            // The device played silence meanwhile.
            feed.SinkStarved();
            devicePos += want;
        }
        if (feed.Drained()) {
            state = State::Closed;
        }
    }

    kaldorium::SpeakerFeed feed;
    State state = State::Closed;
    int channelCount = 1;
    QString error;
    QString notice;
    bool told = false;
    bool started = false;
    double startTime = 0.0;
    long long devicePos = 0;
};
