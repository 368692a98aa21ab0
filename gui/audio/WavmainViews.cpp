#include "audio/Wavmain.h"

#include "app/ProgramFolder.h"
#include "app/UiServices.h"
#include "audio/SoundPlayer.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"

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

bool TWAVMainForm::AcceptInput(bool force) {
    if (inputAccepted && !force) {
        return true;
    }
    ++ownDialogs;
    const QString name = services.OpenFileName(
        this, QStringLiteral("Please Specify The Input File"), DataFolder(QStringLiteral("WAVs")),
        QStringLiteral("WAVs (*.WAV *.wav);;All (*)"));
    --ownDialogs;
    if (!name.isEmpty()) {
        InputFile->setText(name);
        inputAccepted = LoadSpecifications();
    }
    if (inputAccepted && SameFile(FilePath(OutputFile->text()), FilePath(InputFile->text()))) {
        OutputFile->clear();
        outputAccepted = false;
    }
    if (!inputAccepted) {
        ShowError(QStringLiteral("DSP Error"),
                  QStringLiteral("Input File name is not a valid WAV File"));
    }
    return inputAccepted;
}

bool TWAVMainForm::LoadSpecifications() {
    if (InputFile->text().isEmpty() || !inputFile.OpenForReading(FilePath(InputFile->text()))) {
        inputFile.CloseFile();
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
            sfFrequency->setText(Text(FormatGeneral(settings.filterFrequency)));
        }
    }
    sBytesPerSec->setText(QString::number(f.byteRate));
    sBytesPerSample->setText(QString::number(f.blockAlign));
    sBitsPerChannel->setText(QString::number(f.bitsPerSample));
    sBytes->setText(QString::number(f.dataBytes));
    inputSamples = SampleFrames(f);
    sSamples->setText(QString::number(inputSamples));
    sSeconds->setText(Text(FormatGeneral(DurationSeconds(f))));
    if (!IsConvertiblePcm(f)) {
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
        QStringLiteral("DSO (*.DSO *.dso);;WAVs (*.WAV *.wav);;All (*)"), QStringLiteral("WAV"));
    --ownDialogs;
    if (!name.isEmpty()) {
        OutputFile->setText(name);
        if (SameFile(FilePath(name), FilePath(InputFile->text()))) {
            ShowError(QStringLiteral("DSP Error"),
                      QStringLiteral("Output File must not be same as Input File"));
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
    stopFlag = false;
    scope.Bind(&canvas, 0.0, settings.timeScale, -1.0, 1.0);
    // The cursors measure time again after a spectrum.
    Image2->MeasureWith(&scope, PlotImage::Axis::TimeMs);
    TimeScaleLabel->setVisible(true);
    view = std::make_unique<WavView>(kind, settings, noise, network, scope);
    UpdateControls();
    viewTimer->start();
}

void TWAVMainForm::StopView() {
    viewTimer->stop();
    stopFlag = true;
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
}

void TWAVMainForm::ViewChunk() {
    if (!view) {
        viewTimer->stop();
        return;
    }
    if (stopFlag) {
        StopView();
        return;
    }
    bool running = false;
    try {
        FloatingPointGuard guard;
        running = view->Step(WavView::ChunkSamples);
        guard.Check();
    } catch (...) {
        StopView();
        throw;
    }
    // The display is shown again some 40 times a second, not after every chunk: showing it
    // copies the whole image.
    if (!repaintClock.isValid() || repaintClock.elapsed() >= 25) {
        repaintClock.start();
        Image2->update();
    }
    if (!running) {
        const WavView::End end = view->ended;
        StopView();
        if (end == WavView::End::NotComparable) {
            ShowError(QStringLiteral("KALDOR Warning"),
                      QStringLiteral("The Input and Output Files are not comparable"));
        }
    }
}

void TWAVMainForm::Image2MouseMove(int x, int y) {
    ClickX->setText(Text(FormatGeneral(scope.ValueAtX(x))));
    ClickY->setText(Text(FormatGeneral(scope.ValueAtY(y))));
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
}

void TWAVMainForm::StopPlaying() {
    playing = Playing::None;
    Timer1->stop();
    player.StopAll();
    UpdateControls();
}

void TWAVMainForm::Timer1Timer() {
    const QString probe = InputFile->text().isEmpty() ? OutputFile->text() : InputFile->text();
    if (!player.TryPlayAsync(probe)) {
        return; // still playing
    }
    // The earlier sound has ended; the probe just started is not meant to be heard.
    StopPlaying();
}
