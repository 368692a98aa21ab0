#include "gui/spectrum/Dftmain.h"

#include "core/audio/WavExports.h"
#include "core/audio/WavViews.h"
#include "core/audio/WaveFrames.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ScopeExit.h"
#include "core/spectrum/Spectrogram.h"
#include "gui/services/DataFileEditor.h"
#include "gui/services/Guarded.h"
#include "gui/services/MessagePump.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using namespace kaldorium;
using controls::Button;

namespace {

const QString kPleaseWait = QStringLiteral("Please Wait Calculating The Graph");
const QString kTooShort = QStringLiteral("The file is too short for a spectrum");

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

// Messages run at most this often during an analysis; more often only costs time.
constexpr int kMessageIntervalMs = 50;

// A field that only shows a value; a width of 0 lets the layout size it.
NumberEdit *ReadOutOf(QWidget *parent, const char *name, int width) {
    NumberEdit *edit = named<NumberEdit>(parent, name);
    edit->setReadOnly(true);
    if (width > 0) {
        edit->setFixedWidth(width);
    }
    return edit;
}

QLabel *Caption(QWidget *parent, const char *text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

} // namespace

TDFTMainForm::TDFTMainForm(UiServices &services_, SoundPlayer &player_, DataFileEditor &editor_,
                           QWidget *parent)
    : QDialog(parent), services(services_), player(player_), editor(editor_) {
    spectrogram = std::make_unique<Spectrogram>();
    setObjectName(QStringLiteral("DFTMainForm"));
    setWindowTitle(QStringLiteral("(KALDOR)  DFT_Spectral Analysis"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    CreateControls();
    resize(820, 623);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    ConnectHandlers();
    FormCreate();
}

TDFTMainForm::~TDFTMainForm() {
    pump.RequestStop();
    Timer1->stop();
    // Destroying the window takes the focus away from its fields, which would run their
    // validations on members already gone: the handlers are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

// ---------------------------------------------------------------------------------------------
// Layout

void TDFTMainForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(2);
    CreateSpecifications(outer);
    CreatePanel(outer);

    Image2 = new PlotImage(canvas, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    outer->addWidget(Image2, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    CreateSpectrogramControls();
}

// The file's specifications, its name and the file buttons.
void TDFTMainForm::CreateSpecifications(QVBoxLayout *outer) {
    OscillatorSpecs = named<QGroupBox>(this, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("Specifications"));
    outer->addWidget(OscillatorSpecs);
    auto *specs = new QGridLayout(OscillatorSpecs);
    specs->setContentsMargins(4, 2, 4, 2);
    specs->setHorizontalSpacing(4);
    specs->setVerticalSpacing(2);
    QWidget *g = OscillatorSpecs;
    sSampleRate = ReadOutOf(g, "sSampleRate", 80);
    sNumSamples = ReadOutOf(g, "sNumSamples", 90);
    sMaxFrequency = ReadOutOf(g, "sMaxFrequency", 80);
    sDFT_Samples = ReadOutOf(g, "sDFT_Samples", 60);
    DFT_Label = named<QLabel>(g, "DFT_Label");
    DFT_Label->setText(QStringLiteral("DFT Samples"));
    InputFile = ReadOutOf(g, "InputFile", 0);
    PlayInput = Button(g, "PlayInput", "Play");
    OutputToFile = Button(g, "OutputToFile", "Output DFT To File");
    ViewDFTFile = Button(g, "ViewDFTFile", "View DFT File");
    specs->addWidget(Caption(g, "Samples/Sec"), 0, 0);
    specs->addWidget(sSampleRate, 0, 1);
    specs->addWidget(Caption(g, "Total Samples"), 0, 2);
    specs->addWidget(sNumSamples, 0, 3);
    specs->addWidget(Caption(g, "Max Frequency"), 0, 4);
    specs->addWidget(sMaxFrequency, 0, 5);
    specs->addWidget(DFT_Label, 0, 6);
    specs->addWidget(sDFT_Samples, 0, 7);
    specs->addWidget(Caption(g, "File"), 1, 0);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(InputFile, 1);
    fileRow->addWidget(PlayInput);
    fileRow->addWidget(OutputToFile);
    fileRow->addWidget(ViewDFTFile);
    specs->addLayout(fileRow, 1, 1, 1, 8);
    specs->setColumnStretch(8, 1);
}

// The view chosen, the spectrum's amplitude and bins, the coordinates and the message.
void TDFTMainForm::CreatePanel(QVBoxLayout *outer) {
    Panel2 = named<QWidget>(this, "Panel2");
    outer->addWidget(Panel2);
    auto *panelRow = new QHBoxLayout(Panel2);
    panelRow->setContentsMargins(4, 0, 4, 0);
    panelRow->setSpacing(4);
    ViewKind = named<QComboBox>(Panel2, "ViewKind");
    ViewKind->addItems({QStringLiteral("Spectrum"), QStringLiteral("Spectrogram")});
    panelRow->addWidget(ViewKind);
    panelRow->addSpacing(6);
    // The amplitude and the bins shown belong to the spectrum view only.
    SpectrumBar = named<QWidget>(Panel2, "SpectrumBar");
    panelRow->addWidget(SpectrumBar);
    auto *row = new QHBoxLayout(SpectrumBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    sSignal1Scale = ReadOutOf(Panel2, "sSignal1Scale", 140);
    sSignal1Scale->setText(QStringLiteral("1"));
    sFrom_Sample = named<NumberEdit>(Panel2, "sFrom_Sample");
    sTo_Sample = named<NumberEdit>(Panel2, "sTo_Sample");
    sFrom_Sample->setText(QStringLiteral("1"));
    sTo_Sample->setText(QStringLiteral("20"));
    for (NumberEdit *field : {sFrom_Sample, sTo_Sample}) {
        field->SetKeyFilter(true);
        field->setFixedWidth(50);
    }
    From_SampleI = named<Stepper>(Panel2, "From_SampleI");
    To_SampleI = named<Stepper>(Panel2, "To_SampleI");
    ClickX = ReadOutOf(Panel2, "ClickX", 90);
    ClickY = ReadOutOf(Panel2, "ClickY", 90);
    WindowType = named<QComboBox>(Panel2, "WindowType");
    WindowType->addItems({QStringLiteral("Hamming"), QStringLiteral("Von Hann"),
                          QStringLiteral("Blackman"), QStringLiteral("Blackman_Harris"),
                          QStringLiteral("Bartlett"), QStringLiteral("No Window")});
    WindowType->hide();
    MessageLabel = named<QLabel>(Panel2, "MessageLabel");
    MessageLabel->setText(kPleaseWait);
    MessageLabel->setStyleSheet(QStringLiteral("color: red"));
    MessageLabel->hide();
    row->addWidget(Caption(Panel2, "Amplitude Scale"));
    row->addWidget(sSignal1Scale);
    row->addSpacing(10);
    row->addWidget(Caption(Panel2, "Display Sample#"));
    row->addWidget(sFrom_Sample);
    row->addWidget(From_SampleI);
    row->addWidget(Caption(Panel2, "To"));
    row->addWidget(sTo_Sample);
    row->addWidget(To_SampleI);
    panelRow->addSpacing(10);
    panelRow->addWidget(Caption(Panel2, "Coordinates"));
    panelRow->addWidget(ClickX);
    panelRow->addWidget(ClickY);
    ClickLevel = ReadOutOf(Panel2, "ClickLevel", 70);
    panelRow->addWidget(ClickLevel);
    panelRow->addSpacing(10);
    panelRow->addWidget(MessageLabel);
    StopCalculation = Button(Panel2, "StopCalculation", "Stop");
    StopCalculation->hide();
    panelRow->addWidget(StopCalculation);
    panelRow->addStretch(1);
}

void TDFTMainForm::ConnectHandlers() {
    auto onClick = [this](QPushButton *b, void (TDFTMainForm::*handler)()) {
        connect(b, &QPushButton::clicked, this, guarded(this, services, handler));
    };
    onClick(PlayInput, &TDFTMainForm::PlayInputClick);
    onClick(OutputToFile, &TDFTMainForm::OutputToFileClick);
    onClick(ViewDFTFile, &TDFTMainForm::ViewDFTFileClick);
    connect(From_SampleI, &Stepper::clicked, this,
            guarded(this, services, [this](bool up) { From_SampleIClick(up); }));
    connect(To_SampleI, &Stepper::clicked, this,
            guarded(this, services, [this](bool up) { To_SampleIClick(up); }));
    connect(sFrom_Sample, &NumberEdit::accepted, this,
            guarded(this, services, &TDFTMainForm::sFrom_SampleExit));
    connect(sTo_Sample, &NumberEdit::accepted, this,
            guarded(this, services, &TDFTMainForm::sTo_SampleExit));
    connect(ClickX, &NumberEdit::entered, this,
            guarded(this, services, &TDFTMainForm::ClickXEnter));
    connect(Image2, &PlotImage::mouseMoved, this,
            guarded(this, services, [this](int x, int y) { Image2MouseMove(x, y); }));
    connect(Image2, &PlotImage::resized, this, guarded(this, services, &TDFTMainForm::FormResize));
    connect(Timer1, &QTimer::timeout, this, guarded(this, services, &TDFTMainForm::Timer1Timer));
    Image2->MeasureWith(&scope, PlotImage::Axis::Plain);
    Image2->SetServices(&services);
    ConnectSpectrogramHandlers();
}

void TDFTMainForm::FormCreate() {
    scope.Bind(&canvas, 0.0, 1000.0, 0.0, 1.0);
    ready = false;
}

void TDFTMainForm::FormResize() {
    if (CurrentView() == View::Spectrogram) {
        // The picture is stretched until the recomputation at the new size, once resizing rests.
        DrawSpectrogram();
        if (spectrogramReady) {
            recomputeTimer->start();
        }
    } else if (ready) {
        DrawBins();
    } else {
        scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
        Image2->update();
    }
}

void TDFTMainForm::closeEvent(QCloseEvent *event) {
    pump.RequestStop();
    playbackNotice.Reset();
    QDialog::closeEvent(event);
}

void TDFTMainForm::Release() {
    pump.RequestStop();
    if (Timer1->isActive()) {
        Timer1->stop();
        player.StopAll();
    }
    hide();
    if (analysing) {
        // Analyse is still on the stack below the caller; it deletes the window on its way out.
        releaseWhenIdle = true;
    } else {
        deleteLater();
    }
}

// ---------------------------------------------------------------------------------------------
// Analysis

bool TDFTMainForm::Analyse(const QString &path, bool fft, int windowKind) {
    if (analysing) {
        return false;
    }
    analysedPath = path;
    analysedFft = fft;
    analysedKind = windowKind >= 0 && windowKind <= 4 ? windowKind : 5;
    spectrumCurrent = false;
    spectrogramReady = false;
    dbTopTyped = false;
    viewFrom = 0;
    viewTo = -1;
    viewFromHz = 0.0;
    viewToHz = -1.0;
    const bool done =
        CurrentView() == View::Spectrogram ? ComputeSpectrogram(true) : AnalyseSpectrum();
    analysed = done;
    return done;
}

bool TDFTMainForm::BeginWork() {
    if (analysing) {
        return false;
    }
    analysing = true;
    pump.Start(kMessageIntervalMs);
    UpdateControls();
    MessageLabel->setText(kPleaseWait);
    MessageLabel->show();
    return true;
}

void TDFTMainForm::EndWork() {
    file.CloseFile();
    analysing = false;
    UpdateControls();
    if (releaseWhenIdle) {
        deleteLater();
    }
}

bool TDFTMainForm::OpenAnalysedFile() {
    WindowType->setCurrentIndex(analysedKind);
    const bool opened = file.OpenForReading(analysedPath.toStdString());
    const char *why = !opened ? file.LastError() : PcmRefusal(file);
    if (opened && why == nullptr) {
        return true;
    }
    MessageLabel->hide();
    QString text = QStringLiteral("Input File name is not a valid WAV File");
    if (why != nullptr) {
        text += QLatin1Char('\n') + QString::fromUtf8(why);
    }
    services.ReportError(this, text);
    return false;
}

bool TDFTMainForm::AnalyseSpectrum() {
    if (!BeginWork()) {
        return false;
    }
    ready = false;
    // Every way out, an error included, ends idle with the file closed.
    const ScopeExit idle([this] { EndWork(); });

    if (!OpenAnalysedFile()) {
        return false;
    }
    const bool fft = analysedFft;
    const int kind = analysedKind;
    const QString &path = analysedPath;
    ShowSpecifications(path, fft, SpectrumBlockLength(SampleCountOf(file), file.sampleRate, fft));

    ClearFloatingPointFlags();
    WaveFrameSource frames(file);
    const AnalysisOutcome outcome =
        analysis.Run(frames, fft, static_cast<WindowKind>(kind), pump.AsProgress());
    CheckFloatingPoint(analysis.peak);
    if (outcome == AnalysisOutcome::Stopped) {
        MessageLabel->hide();
        scope.Bind(&canvas, 0.0, 1000.0, 0.0, 1.0);
        Image2->update();
        return true;
    }
    sSignal1Scale->setText(General(analysis.peak));
    if (outcome == AnalysisOutcome::TooShort) {
        MessageLabel->setText(kTooShort);
    } else {
        MessageLabel->hide();
    }
    DrawBins();
    ready = true;
    spectrumCurrent = true;
    return true;
}

void TDFTMainForm::ShowSpecifications(const QString &path, bool fft, int N) {
    const QString number = QStringLiteral("%1");
    sDFT_Samples->setText(number.arg(N));
    To = N / 2;
    sTo_Sample->setText(number.arg(To));
    From = 1;
    sFrom_Sample->setText(QStringLiteral("1"));
    sSampleRate->setText(number.arg(file.sampleRate));
    sNumSamples->setText(number.arg(SampleCountOf(file)));
    sMaxFrequency->setText(number.arg(file.sampleRate / 2));
    InputFile->setText(path);
    InputFile->setCursorPosition(static_cast<int>(path.size()));

    const QString kind = fft ? QStringLiteral("FFT") : QStringLiteral("DFT");
    DFT_Label->setText(kind + QStringLiteral(" Samples"));
    OutputToFile->setText(QStringLiteral("Output ") + kind + QStringLiteral(" To File"));
    ViewDFTFile->setText(QStringLiteral("View ") + kind + QStringLiteral(" File"));
    setWindowTitle(QStringLiteral("(KALDOR)  ") + kind + QStringLiteral("_Spectral Analysis  [") +
                   WindowType->currentText() + QStringLiteral("]"));
}

void TDFTMainForm::UpdateControls() {
    for (QWidget *w : std::initializer_list<QWidget *>{OutputToFile, ViewDFTFile, sFrom_Sample,
                                                       sTo_Sample, From_SampleI, To_SampleI}) {
        w->setEnabled(!analysing);
    }
    PlayInput->setText(playing ? QStringLiteral("Stop") : QStringLiteral("Play"));
    UpdateViewControls();
}

void TDFTMainForm::DrawBins() {
    const int N = analysis.N;
    const double df = N > 0 ? static_cast<double>(analysis.sampleRate) / N : 0.0;
    scope.Bind(&canvas, (From - 1) * df, To * df, 0.0, 1.0);
    const double peak = analysis.peak;
    // The heights are magnitudes over the peak; the cursors read magnitudes.
    scope.traceScale[0] = peak;
    for (int i = From - 1; i <= To - 1 && i < N; ++i) {
        const double magnitude = analysis.magnitudes[static_cast<std::size_t>(i)];
        // A silent file stays a flat line at 0.
        const double height = peak > 0.0 ? magnitude / peak : 0.0;
        scope.PlotPoint((i - 0.1) * df, 0.0);
        scope.PlotPoint(i * df, height);
        scope.PlotPoint((i + 0.1) * df, 0.0);
    }
    canvas.TextOut(canvas.Width() / 2 - 20, canvas.Height() - 15, "Frequency (Hz)");
    Image2->update();
}

// ---------------------------------------------------------------------------------------------
// The bins shown

int TDFTMainForm::BinOf(NumberEdit *field) {
    const double value = std::trunc(ParseDouble(field->text().toStdString()));
    return static_cast<int>(std::clamp(value, -1.0e6, 1.0e6));
}

void TDFTMainForm::From_SampleIClick(bool up) {
    const int v = LimitFromBin(BinOf(sFrom_Sample) + (up ? 1 : -1), To);
    sFrom_Sample->setText(QString::number(v));
    From = v;
    sFrom_SampleExit();
}

void TDFTMainForm::To_SampleIClick(bool up) {
    const int v = LimitToBin(BinOf(sTo_Sample) + (up ? 1 : -1), From, analysis.N);
    sTo_Sample->setText(QString::number(v));
    To = v;
    sTo_SampleExit();
}

void TDFTMainForm::sFrom_SampleExit() {
    if (sFrom_Sample->text().isEmpty()) {
        sFrom_Sample->setText(QStringLiteral("1"));
    }
    From = LimitFromBin(BinOf(sFrom_Sample), To);
    sFrom_Sample->setText(QString::number(From));
    if (ready) {
        DrawBins();
    }
}

void TDFTMainForm::sTo_SampleExit() {
    if (sTo_Sample->text().isEmpty()) {
        sTo_Sample->setText(QStringLiteral("20"));
    }
    To = LimitToBin(BinOf(sTo_Sample), From, analysis.N);
    sTo_Sample->setText(QString::number(To));
    if (ready) {
        DrawBins();
    }
}

// ---------------------------------------------------------------------------------------------
// Read-outs, playback, files

void TDFTMainForm::Image2MouseMove(int x, int y) {
    if (CurrentView() == View::Spectrogram) {
        SpectrogramMouseMove(x, y);
        return;
    }
    ClickX->setText(General(scope.ValueAtX(x)));
    ClickY->setText(General(scope.ValueAtY(y) * analysis.peak));
}

void TDFTMainForm::ClickXEnter() {
    sFrom_Sample->setFocus();
}

void TDFTMainForm::PlayInputClick() {
    if (!playing) {
        playing = true;
        UpdateControls();
        player.PlayAsync(InputFile->text());
        Timer1->start();
        PlaybackFailed();
    } else {
        playing = false;
        UpdateControls();
        Timer1->stop();
        player.StopAll();
    }
}

bool TDFTMainForm::PlaybackFailed() {
    if (player.PlaybackError().isEmpty()) {
        return false;
    }
    playing = false;
    UpdateControls();
    Timer1->stop();
    player.StopAll();
    playbackNotice.Check(player, services, this);
    return true;
}

void TDFTMainForm::Timer1Timer() {
    if (PlaybackFailed()) {
        return;
    }
    // Starting without interrupting succeeds only once the earlier sound has ended.
    if (player.TryPlayAsync(InputFile->text())) {
        player.StopAll();
        Timer1->stop();
        playing = false;
        UpdateControls();
    }
}

void TDFTMainForm::OutputToFileClick() {
    if (analysing) {
        return;
    }
    const std::string input = InputFile->text().toStdString();
    const QString suggested = QString::fromStdString(SuggestedSpectrumFileName(input));
    const QString name = services.SaveFileName(
        this, QString(), DataFolder(QStringLiteral("DFTs")) + suggested,
        QStringLiteral("DFT Files (*.DFT *.dft);;Text File (*.Txt *.TXT *.txt);;All Files (*)"),
        QStringLiteral("DFT"));
    if (name.isEmpty()) {
        return;
    }
    const ExportResult result = WriteSpectrumFile(name.toStdString(), analysis, input,
                                                  WindowType->currentText().toStdString());
    if (result != ExportResult::Done) {
        services.ReportError(
            this, QString::fromStdString(ExportFailureText(result, name.toStdString(), input)));
    }
}

void TDFTMainForm::ViewDFTFileClick() {
    if (analysing) {
        return;
    }
    const QString name = services.OpenFileName(
        this, QStringLiteral("DSP Sampled Signal Input File "),
        DataFolder(QStringLiteral("DFTs")) + QStringLiteral("*.DFT"),
        QStringLiteral("DFT Files (*.DFT *.dft);;Text File (*.Txt *.txt *.TXT);;All Files (*)"));
    if (!name.isEmpty()) {
        editor.EditFile(name);
    }
}
