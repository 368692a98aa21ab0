#include "gui/audio/Wavmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ScopeExit.h"
#include "gui/widgets/NumberEdit.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <cstdint>
#include <string>

// The file-to-file effects. Each runs as a block action (see TWAVMainForm::BlockAction) over the
// accepted input and output; the core writes the output and closes both files however it ends.

using namespace kaldorium;

namespace {

// Pending window messages run at most this often while an effect works (ms): often enough for
// the window to repaint, seldom enough not to slow the effect down.
constexpr int kMessageInterval = 50;

// The whole number in `field`; a text that is not one is refused with the label the window shows
// beside the box, since two boxes feed the same effect.
int WholeNumber(const QLineEdit *field, const char *label) {
    try {
        return ParseInt(field->text().toStdString());
    } catch (const ConversionError &e) {
        throw ConversionError(std::string(label) + ": " + e.what());
    }
}

bool ReadsShift(WavEffectKind kind) {
    return kind == WavEffectKind::FrequencyShifter || kind == WavEffectKind::FrequencyRotater ||
           kind == WavEffectKind::Robot || kind == WavEffectKind::Retard;
}

} // namespace

void TWAVMainForm::SpeedUpClick() {
    RunEffect(WavEffectKind::SpeedUp);
}

void TWAVMainForm::SlowDownClick() {
    RunEffect(WavEffectKind::SlowDown);
}

void TWAVMainForm::ModifyFileClick() {
    RunEffect(WavEffectKind::ModifyFile);
}

void TWAVMainForm::FFT_FilteringClick() {
    RunEffect(WavEffectKind::FFTFiltering);
}

void TWAVMainForm::FrequencyShifterClick() {
    RunEffect(WavEffectKind::FrequencyShifter);
}

void TWAVMainForm::FrequencyRotaterClick() {
    RunEffect(WavEffectKind::FrequencyRotater);
}

void TWAVMainForm::RobotClick() {
    RunEffect(WavEffectKind::Robot);
}

void TWAVMainForm::RetardClick() {
    RunEffect(WavEffectKind::Retard);
}

WavEffectSettings TWAVMainForm::EffectSettings(WavEffectKind kind) const {
    WavEffectSettings s;
    s.filterKind = settings.filterKind;
    s.fo = settings.filterFrequency;
    s.q = settings.qFactor;
    s.amplification = settings.amplification;
    s.ts = settings.samplingPeriod;
    s.addNoise = settings.addNoise;
    s.normalNoise = settings.normalNoise;
    s.snRatio = settings.snRatio;
    s.rectify = settings.rectify;
    s.halfRectify = settings.halfRectify;
    s.speedFactor = settings.speedFactor;
    const int item = DFT_WindowItems->checkedId();
    s.window = item >= 0 && item <= static_cast<int>(WindowKind::NoWindow)
                   ? static_cast<WindowKind>(item)
                   : WindowKind::NoWindow;
    // Only the effects that use the integer fields read them.
    if (ReadsShift(kind)) {
        s.shift = WholeNumber(FrequencyShift, "Frequency Shift");
    }
    if (kind == WavEffectKind::Robot) {
        s.shift2 = WholeNumber(FrequencyShift2, "Factor");
    }
    return s;
}

void TWAVMainForm::RunEffect(WavEffectKind kind) {
    // Nothing starts beside another action, nor while a file plays (the output may be playing).
    if (IsBusy() || playing != Playing::None) {
        return;
    }
    if (!AcceptInput(false) || !AcceptOutput(false)) {
        return;
    }
    // Every parameter is read before any file is touched; a refusal leaves the output as it was.
    WavEffectSettings s;
    try {
        s = EffectSettings(kind);
    } catch (const ConversionError &e) {
        ReportError(QString::fromStdString(e.what()));
        return;
    }
    const int typedShift = s.shift;

    WavEffectResult result;
    {
        // The dialogs let other messages run: something else may have started meanwhile.
        BlockAction action(*this, kMessageInterval);
        if (!action.Entered()) {
            return;
        }
        // Left before the action ends, also by an exception: the bar goes, and a shift that the
        // effect cut to its band is shown as it was used.
        const ScopeExit tidy([this, &s, typedShift] {
            EffectProgress->hide();
            if (s.shift != typedShift) {
                FrequencyShift->setText(QString::number(s.shift));
            }
        });
        // From no value: the first report changes it, whatever the last effect left.
        EffectProgress->reset();
        // A progress bar repaints at once whenever its value changes: it takes a new value as
        // often as messages run, not at every report, and the last one always.
        QElapsedTimer sinceShown;
        const Progress progress = [&](long long done, long long total) {
            const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
            if (!sinceShown.isValid() || sinceShown.elapsed() >= kMessageInterval ||
                done == total) {
                EffectProgress->setValue(percent);
                sinceShown.start();
            }
            if (EffectProgress->isHidden()) {
                EffectProgress->show();
            }
            // The first report lets the bar appear at once, the others keep the window painted.
            return action.ProcessMessages();
        };
        WavEffects effects(network, noise, effectBlocks);
        result = effects.Run(kind, FilePath(InputFile->text()), FilePath(OutputFile->text()), s,
                             progress);
    }
    // The window is idle again before the message shows.
    if (result.status == WavEffectStatus::Refused || result.status == WavEffectStatus::Failed) {
        ReportError(QString::fromStdString(result.message));
    }
}
