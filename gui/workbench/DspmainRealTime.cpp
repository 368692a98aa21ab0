#include "gui/workbench/Dspmain.h"

#include "gui/services/ChunkDriver.h"

#include <QComboBox>
#include <QGroupBox>

// ---------------------------------------------------------------------------------------------
// Real time: runs and responses paced by a clock, and heard at 1×

void TDSPMainForm::CreateRealTime() {
    realTime = new RealTimeSession(this);
    realTime->PlaceBelow(Filter_Specs);
    realTime->Attach(*runDriver);
    realTime->Attach(*responseDriver);
    soundTap.session = realTime;
}

void TDSPMainForm::SetAudioStream(AudioStream *stream) {
    realTime->SetAudioStream(stream);
}

void TDSPMainForm::BeginRealTime(ChunkDriver &driver, const double &ts) {
    // The sampling period follows the oscillator's fields while the run goes on.
    realTime->Begin(
        driver, [&ts] { return 1.0 / ts; }, 1);
}

kaldorium::RunRowSink *TDSPMainForm::RealTimeRows(kaldorium::RunRowSink *file) {
    if (!realTime->Listening()) {
        return file;
    }
    soundTap.file = file;
    soundTap.input = realTime->ListenChoice() == RealTimeSession::Listen::Input;
    return &soundTap;
}
