#include "gui/audio/Wavmain.h"

#include "core/signal/Filterclass.h"
#include "gui/services/ChunkDriver.h"
#include "gui/services/RealTimeSession.h"

#include <QGroupBox>

#include <algorithm>
#include <array>

using namespace kaldorium;

WavSecondChannel::WavSecondChannel(const WavSettings &settings_, NoiseGenerator &noise,
                                   FilterNetwork &network)
    : settings(settings_), chain(settings_, noise, network) {}

void WavSecondChannel::Follow(const WavView &view) {
    if (!opened || settings.inputFileName != openedName) {
        file.CloseFile();
        openedName = settings.inputFileName;
        readable = file.OpenForReading(openedName) && IsConvertiblePcm(file) && file.channels >= 2;
        opened = true;
        rewinds = view.rewinds;
    } else if (view.rewinds != rewinds) {
        rewinds = view.rewinds;
        readable = readable && file.RewindToSamples();
    }
    double first = 0.0;
    double second = 0.0;
    // A damaged file may end early: its missing samples are silence, as on the display.
    if (!readable || !file.ReadValue(first) || !file.ReadValue(second)) {
        second = 0.0;
    }
    for (int i = 2; readable && i < file.channels; ++i) {
        file.ReadValue(first);
    }
    input = chain.Condition(second);
    // The network is one set of stages, busy with the first channel.
    filtered = settings.filterKind == fkNetwork ? 0.0 : chain.Filtered(input);
}

// ---------------------------------------------------------------------------------------------
// Real time: views and Test paced by a clock, and heard at 1×

void TWAVMainForm::CreateRealTime() {
    realTime = new RealTimeSession(this);
    realTime->PlaceBelow(Filter_Specs);
    realTime->Attach(*viewDriver);
}

void TWAVMainForm::SetAudioStream(AudioStream *stream) {
    realTime->SetAudioStream(stream);
}

void TWAVMainForm::BeginRealTime(WavView::Kind kind) {
    secondChannel.reset();
    // The input view and Test are heard, at the input's rate; the other views are only paced.
    int channels = 0;
    if (kind == WavView::Kind::Input || kind == WavView::Kind::Test) {
        channels = std::clamp(inputChannels, 1, RealTimeSession::MaxChannels);
    }
    if (kind == WavView::Kind::Test && channels == 2) {
        secondChannel.emplace(settings, noise, network);
    }
    realTime->Begin(
        *viewDriver, [this] { return 1.0 / settings.samplingPeriod; }, channels);
}

bool TWAVMainForm::ViewStep(int count) {
    if (!realTime->Listening()) {
        return view->Step(count);
    }
    // Frame by frame: the sound takes every frame the view draws.
    const bool input = realTime->ListenChoice() == RealTimeSession::Listen::Input;
    for (int i = 0; i < count; ++i) {
        if (!view->Step(1)) {
            realTime->Flush();
            return false;
        }
        std::array<double, 2> frame{view->trace1, view->trace2};
        if (view->kind == WavView::Kind::Test) {
            frame[0] = input ? view->trace1 : view->trace2;
            frame[1] = frame[0];
            if (secondChannel) {
                secondChannel->Follow(*view);
                frame[1] = input ? secondChannel->input
                                 : (settings.filterKind == fkNetwork ? view->trace2
                                                                     : secondChannel->filtered);
            }
        }
        realTime->AddFrame(frame);
    }
    realTime->Flush();
    return true;
}
