#include "gui/tools/Samplinglab.h"

#include "core/audio/SampledWav.h"
#include "core/common/NumberText.h"
#include "gui/services/Media.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/NumberEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cmath>

using namespace kaldorium;

namespace {

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

// How long a saved WAVE file lasts when the waveform has no pass of its own, s.
constexpr double SavedSeconds = 4.0;

} // namespace

QString TSamplingForm::SoundFile() const {
    return soundFolder.isValid() ? soundFolder.filePath(QStringLiteral("SamplingLab.wav"))
                                 : QString();
}

double TSamplingForm::DeviceRate() {
    const int rate = media::PreferredOutputRate();
    return rate >= 8000 && rate <= 192000 ? rate : DefaultOutputRate;
}

double TSamplingForm::Now() const {
    return clock();
}

// ---------------------------------------------------------------------------------------------
// Play

void TSamplingForm::PlayClick() {
    if (playing) {
        StopSound();
        return;
    }
    if (WritePlaySound()) {
        StartSound();
    }
}

bool TSamplingForm::WritePlaySound() {
    outputRate = DeviceRate();
    return WriteSound(signal.Settings(), PlaySeconds, false);
}

bool TSamplingForm::WriteSound(const SamplingSettings &settings, double seconds, bool swept) {
    if (SoundFile().isEmpty()) {
        services.ShowError(this, QStringLiteral("There is no folder to write the sound into"));
        return false;
    }
    // The player may still hold the file of the last sound.
    StopSound();
    std::string error;
    if (!WriteReconstructedWav(SoundFile().toStdString(), settings, seconds, outputRate, swept,
                               error)) {
        services.ShowError(this, QString::fromStdString(error));
        return false;
    }
    return true;
}

void TSamplingForm::StartSound() {
    player.PlayAsync(SoundFile());
    playing = true;
    Play->setText(QStringLiteral("Stop"));
    PlayerTimer->start();
    PlaybackFailed();
}

void TSamplingForm::StopSound() {
    PlayerTimer->stop();
    if (playing) {
        player.StopAll();
        playing = false;
    }
    Play->setText(QStringLiteral("Play"));
}

bool TSamplingForm::PlaybackFailed() {
    if (player.PlaybackError().isEmpty()) {
        return false;
    }
    StopSound();
    playbackNotice.Check(player, services, this);
    return true;
}

void TSamplingForm::PlayerTimerTick() {
    if (PlaybackFailed()) {
        return;
    }
    // Starting without interrupting succeeds only once the sound has ended.
    if (player.TryPlayAsync(SoundFile())) {
        StopSound();
    }
}

// ---------------------------------------------------------------------------------------------
// Sweep

void TSamplingForm::SweepClick() {
    if (Sweeping()) {
        StopSweep();
        return;
    }
    const SamplingSettings settings = signal.Settings();
    const bool listen = Listen->isChecked();
    if (listen && sweepSeconds > MaxListenSeconds) {
        services.ShowError(this, QStringLiteral("A sweep of at most %1 s can be listened to")
                                     .arg(General(MaxListenSeconds)));
        return;
    }
    outputRate = DeviceRate();
    if (!sweep.Start(settings, sweepSeconds, outputRate)) {
        const std::string why = PlaybackError(settings, outputRate);
        services.ShowError(this, why.empty() ? QStringLiteral("The sweep cannot start")
                                             : QString::fromStdString(why));
        return;
    }
    if (listen && !WriteSound(settings, sweepSeconds, true)) {
        sweep.Stop();
        return;
    }
    sweepStart = Now();
    sweepFrames = 0;
    UpdateControls();
    if (listen) {
        StartSound();
    }
    SweepTimer->start();
    SweepTick();
}

void TSamplingForm::SweepTick() {
    if (!Sweeping()) {
        return;
    }
    // The sweep's frames are its clock: as many as the time gone by holds.
    std::array<double, 2048> scratch{};
    long long due = std::llround((Now() - sweepStart) * outputRate) - sweepFrames;
    while (due > 0 && sweep.Running()) {
        const auto n = static_cast<int>(std::min<long long>(due, scratch.size()));
        const int made = sweep.Step(std::span<double>(scratch.data(), static_cast<std::size_t>(n)));
        sweepFrames += made;
        due -= n;
    }
    if (!sweep.Running()) {
        StopSweep();
        return;
    }
    signal.SetFrequency(sweep.Frequency());
    SweepFrequency->setText(General(std::round(sweep.Frequency())) + QStringLiteral(" Hz"));
    Redraw();
}

void TSamplingForm::StopSweep() {
    const bool was = SweepTimer->isActive();
    SweepTimer->stop();
    sweep.Stop();
    if (!was) {
        return;
    }
    UpdateControls();
    StopSound();
    signal.SetFrequency(setFrequency);
    SweepFrequency->clear();
    Redraw();
}

void TSamplingForm::UpdateControls() {
    const bool on = Sweeping();
    for (const char *name : {"SignalGroup", "SamplerGroup"}) {
        if (auto *group = findChild<QGroupBox *>(QString::fromLatin1(name))) {
            group->setEnabled(!on);
        }
    }
    for (QWidget *w :
         std::initializer_list<QWidget *>{SweepSeconds, Listen, Play, SaveWav, SendToWorkbench}) {
        w->setEnabled(!on);
    }
    Sweep->setText(on ? QStringLiteral("Stop") : QStringLiteral("Sweep"));
}

// ---------------------------------------------------------------------------------------------
// Files

void TSamplingForm::SaveWavClick() {
    const QString name = services.SaveFileName(
        this, QStringLiteral("Save WAV"), DataFolder(QStringLiteral("WAVs")),
        QStringLiteral("WAVE Files (*.wav *.WAV);;All Files (*)"), QStringLiteral("wav"));
    if (name.isEmpty()) {
        return;
    }
    const SamplingSettings &s = signal.Settings();
    const double seconds = s.waveform == SamplingWaveform::Sweep ? s.sweepTime : SavedSeconds;
    std::string error;
    if (!WriteSampledWav(name.toStdString(), signal, seconds, error)) {
        services.ShowError(this, QString::fromStdString(error));
    }
}

void TSamplingForm::SendToWorkbenchClick() {
    const QString name = services.SaveFileName(
        this, QStringLiteral("Send to Workbench"),
        DataFolder(QStringLiteral("DSIs")) + QStringLiteral("Sampled.DSI"),
        QStringLiteral("DSP Sampled Signal Input File (*.DSI *.dsi);;All Files (*)"),
        QStringLiteral("DSI"));
    if (name.isEmpty()) {
        return;
    }
    std::array<double, 1024> values{};
    const int count = WorkbenchValues(signal, values);
    if (count < 1 || !WriteWorkbenchDataFile(name.toStdString(), signal)) {
        services.ShowError(this, QStringLiteral("Couldn't write %1").arg(name));
        return;
    }
    if (sendToWorkbench) {
        sendToWorkbench(name, signal.Settings().sampleRate / count);
    }
}
