#include "gui/audio/Wavmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "gui/services/ChunkDriver.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace kaldorium;

namespace {

QString Text(const std::string &s) {
    return QString::fromStdString(s);
}

// Exponent notation with `precision` significant digits and the shortest exponent:
// 1/44100 → "2.26757E-5", 1 → "1.00000E+0".
QString Exponent(double value, int precision) {
    const std::string printed = FormatScientific(value, precision - 1); // "2.26757e-05"
    const std::size_t e = printed.find('e');
    if (e == std::string::npos) {
        return Text(printed);
    }
    const char sign = printed[e + 1];
    std::size_t digits = e + 2;
    while (digits + 1 < printed.size() && printed[digits] == '0') {
        ++digits;
    }
    return Text(printed.substr(0, e) + "E" + sign + printed.substr(digits));
}

} // namespace

std::string TWAVMainForm::FilePath(const QString &text) {
    return QFile::encodeName(text).toStdString();
}

// ---------------------------------------------------------------------------------------------
// Files

void TWAVMainForm::ShowError(const QString &title, const QString &text) {
    ++ownDialogs;
    services.Message(this, QMessageBox::Critical, title, text, QMessageBox::Ok);
    --ownDialogs;
}

void TWAVMainForm::ReportError(const QString &text) {
    ++ownDialogs;
    services.ReportError(this, text);
    --ownDialogs;
}

bool TWAVMainForm::AcceptInput(bool force) {
    if (inputAccepted && !force) {
        return true;
    }
    ++ownDialogs;
    const QString name = services.OpenFileName(
        this, QStringLiteral("Please Specify The Input File"), DataFolder(QStringLiteral("WAVs")),
        QStringLiteral("WAVs (*.WAV *.wav);;All (*)"));
    --ownDialogs;
    QString why;
    if (!name.isEmpty()) {
        InputFile->setText(name);
        inputAccepted = LoadSpecifications(why);
    }
    if (inputAccepted && SameFile(FilePath(OutputFile->text()), FilePath(InputFile->text()))) {
        OutputFile->clear();
        outputAccepted = false;
    }
    if (!inputAccepted) {
        QString text = QStringLiteral("Input File name is not a valid WAV File");
        if (!why.isEmpty()) {
            text += QLatin1Char('\n') + why;
        }
        ReportError(text);
    }
    return inputAccepted;
}

bool TWAVMainForm::LoadSpecifications(QString &why) {
    const bool named = !InputFile->text().isEmpty();
    if (!named || !inputFile.OpenForReading(FilePath(InputFile->text()))) {
        if (named && inputFile.LastError() != nullptr) {
            why = QString::fromUtf8(inputFile.LastError());
        }
        inputFile.CloseFile();
        // The read-outs describe the file named beside them, never the one accepted before.
        for (QLineEdit *field : {sFormat, sChannels, sSampleRate, sBytesPerSec, sBytesPerSample,
                                 sBitsPerChannel, sBytes, sSamples, sSeconds, sTs}) {
            field->clear();
        }
        Compressed->setChecked(false);
        return false;
    }
    const WaveFile &f = inputFile;
    sFormat->setText(QString::number(f.formatTag));
    Compressed->setChecked(f.formatTag != 1);
    inputChannels = f.channels;
    sChannels->setText(QString::number(f.channels));
    sSampleRate->setText(QString::number(f.sampleRate));
    if (f.sampleRate >= 1) {
        settings.samplingPeriod = 1.0 / f.sampleRate;
        sTs->setText(Exponent(settings.samplingPeriod, 6));
        sTs->setCursorPosition(0);
        // fo stays below half the new sampling rate, so the filter stays stable.
        if (settings.filterFrequency > Nyquist()) {
            settings.filterFrequency = Nyquist();
            filter.sfFrequency->setText(Text(FormatGeneral(settings.filterFrequency)));
        }
    }
    sBytesPerSec->setText(QString::number(f.byteRate));
    sBytesPerSample->setText(QString::number(f.blockAlign));
    sBitsPerChannel->setText(QString::number(f.bitsPerSample));
    sBytes->setText(QString::number(f.dataBytes));
    inputSamples = SampleFrames(f);
    sSamples->setText(QString::number(inputSamples));
    // Seven digits hold a duration to the millisecond up to hours; the shortest exact form of
    // 20/21 s runs to seventeen.
    sSeconds->setText(Text(FormatGeneral(DurationSeconds(f), 7)));
    // A refused format stays on show: it tells why the file is refused.
    if (const char *refusal = PcmRefusal(f)) {
        why = QString::fromUtf8(refusal);
        inputFile.CloseFile();
        return false;
    }
    return true;
}

bool TWAVMainForm::AcceptOutput(bool force) {
    if (outputAccepted && !force) {
        return true;
    }
    ++ownDialogs;
    const QString name = services.SaveFileName(
        this, QStringLiteral("Please Specify The Output File"), DataFolder(QStringLiteral("WAVs")),
        QStringLiteral("WAVs (*.WAV *.wav);;DSO (*.DSO *.dso);;All (*)"), QStringLiteral("WAV"));
    --ownDialogs;
    if (!name.isEmpty()) {
        OutputFile->setText(name);
        if (SameFile(FilePath(name), FilePath(InputFile->text()))) {
            ReportError(QStringLiteral("Output File must not be same as Input File"));
            OutputFile->clear();
        }
        outputAccepted = !OutputFile->text().isEmpty();
    }
    return outputAccepted;
}

bool TWAVMainForm::OutputIsValidWav() {
    QFile plain(OutputFile->text());
    bool valid = plain.open(QIODevice::ReadOnly);
    plain.close();
    if (valid) {
        WaveFile output;
        valid = output.OpenForReading(FilePath(OutputFile->text())) && IsConvertiblePcm(output);
    }
    if (!valid) {
        ShowError(QStringLiteral("DSP error"), QStringLiteral("Not a valid WAV file"));
    }
    return valid;
}

void TWAVMainForm::GetInputFileClick() {
    if (!blockActionRunning) {
        AcceptInput(true);
    }
}

void TWAVMainForm::GetOutputFileClick() {
    if (!blockActionRunning) {
        AcceptOutput(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Views and Test

QString TWAVMainForm::RestingCaption(const QPushButton *button) const {
    if (button == bView) {
        return QStringLiteral("View Input && Output");
    }
    return button == fTest ? QStringLiteral("Test") : QStringLiteral("View");
}

void TWAVMainForm::ViewClick(QPushButton *button, WavView::Kind kind) {
    if (button == viewButton) {
        StopView();
        return;
    }
    if (IsBusy()) {
        return;
    }
    const bool needsInput = kind != WavView::Kind::Output;
    const bool needsOutput = kind == WavView::Kind::Output || kind == WavView::Kind::Joint;
    if (needsInput && !AcceptInput(false)) {
        return;
    }
    if (needsOutput && (!AcceptOutput(false) || !OutputIsValidWav())) {
        return;
    }
    // The dialogs let other messages run: something else may have started meanwhile.
    if (!IsBusy()) {
        StartView(button, kind);
    }
}

void TWAVMainForm::StartView(QPushButton *button, WavView::Kind kind) {
    viewButton = button;
    button->setText(QStringLiteral("Stop"));
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    // The cursors measure time again after a spectrum.
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    // A test shows the input and its filtered output; the other views two signals of files.
    const bool test = kind == WavView::Kind::Test;
    scope.columns = {
        "time (ms)", {test ? "input" : "signal 1", test ? "output" : "signal 2"}, false};
    traces.TimeScaleLabel->setVisible(true);
    view = std::make_unique<WavView>(kind, settings, noise, network, scope);
    UpdateControls();
    BeginRealTime(kind);
    viewDriver->Start({.step = [this](int count) { return ViewStep(count); },
                       .shown = [this] { Image2->UpdateWhileDrawing(); },
                       .finish = [this] { EndView(); }});
}

void TWAVMainForm::StopView() {
    viewDriver->Stop();
}

void TWAVMainForm::EndView() {
    const WavView::End end = view ? view->ended : WavView::End::Running;
    // A view that came to its end plays out; a stopped one is silent at once.
    realTime->End(end == WavView::End::Finished);
    secondChannel.reset();
    if (view) {
        view->Close();
        view.reset();
    }
    if (viewButton != nullptr) {
        viewButton->setText(RestingCaption(viewButton));
        viewButton = nullptr;
    }
    UpdateControls();
    Image2->update();
    if (end == WavView::End::NotComparable) {
        ShowError(QStringLiteral("KALDOR Warning"),
                  QStringLiteral("The Input and Output Files are not comparable"));
    }
}

void TWAVMainForm::ViewChunk() {
    viewDriver->Chunk();
}

void TWAVMainForm::Image2MouseMove(int x, int y) {
    traces.ClickX->setText(Text(FormatGeneral(scope.ValueAtX(x))));
    traces.ClickY->setText(Text(FormatGeneral(scope.ValueAtY(y))));
}

void TWAVMainForm::RebindDisplay() {
    scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
    Image2->update();
}

// ---------------------------------------------------------------------------------------------
// Playback

void TWAVMainForm::PlayInputClick() {
    if (playing == Playing::Input) {
        StopPlaying();
        return;
    }
    if (blockActionRunning || playing != Playing::None || !AcceptInput(false)) {
        return;
    }
    playing = Playing::Input;
    player.PlayAsync(InputFile->text());
    Timer1->start();
    UpdateControls();
    PlaybackFailed();
}

void TWAVMainForm::PlayOutputClick() {
    if (playing == Playing::Output) {
        StopPlaying();
        return;
    }
    if (blockActionRunning || playing != Playing::None || !AcceptOutput(false) ||
        !OutputIsValidWav()) {
        return;
    }
    playing = Playing::Output;
    player.PlayAsync(OutputFile->text());
    Timer1->start();
    UpdateControls();
    PlaybackFailed();
}

void TWAVMainForm::StopPlaying() {
    playing = Playing::None;
    Timer1->stop();
    player.StopAll();
    UpdateControls();
}

bool TWAVMainForm::PlaybackFailed() {
    if (player.PlaybackError().isEmpty()) {
        return false;
    }
    StopPlaying();
    ++ownDialogs;
    playbackNotice.Check(player, services, this);
    --ownDialogs;
    return true;
}

void TWAVMainForm::Timer1Timer() {
    if (PlaybackFailed()) {
        return;
    }
    const QString probe = InputFile->text().isEmpty() ? OutputFile->text() : InputFile->text();
    if (!player.TryPlayAsync(probe)) {
        return; // still playing
    }
    // The earlier sound has ended; the probe just started is not meant to be heard.
    StopPlaying();
}
