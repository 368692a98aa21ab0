#include "spectrum/Dftmain.h"

#include "app/Guarded.h"
#include "app/ProgramFolder.h"
#include "app/UiServices.h"
#include "audio/SoundPlayer.h"
#include "audio/WavExports.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "tools/Fileedit.h"
#include "widgets/Named.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

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

namespace {

const QString kPleaseWait = QStringLiteral("Please Wait Calculating The Graph");
const QString kTooShort = QStringLiteral("The file is too short for a spectrum");

QString General(double v) {
    return QString::fromStdString(FormatGeneral(v));
}

// Messages run at most this often during an analysis; more often only costs time.
constexpr int kMessageIntervalMs = 15;

} // namespace

TDFTMainForm::TDFTMainForm(UiServices &services_, SoundPlayer &player_, TFileEditForm &editor_,
                           QWidget *parent)
    : QDialog(parent), services(services_), player(player_), editor(editor_) {
    setObjectName(QStringLiteral("DFTMainForm"));
    setWindowTitle(QStringLiteral("(KALDOR)  DFT_Spectral Analysis"));
    setSizeGripEnabled(true);
    CreateControls();
    resize(820, 623);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    ConnectHandlers();
    FormCreate();
}

TDFTMainForm::~TDFTMainForm() {
    stopRequested = true;
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

    auto readOut = [](QWidget *parent, const char *name, int width) {
        NumberEdit *edit = named<NumberEdit>(parent, name);
        edit->setReadOnly(true);
        if (width > 0) {
            edit->setFixedWidth(width);
        }
        return edit;
    };
    auto button = [](QWidget *parent, const char *name, const char *caption) {
        QPushButton *b = named<QPushButton>(parent, name);
        b->setText(QString::fromLatin1(caption));
        b->setAutoDefault(false);
        return b;
    };
    auto caption = [](QWidget *parent, const char *text) {
        return new QLabel(QString::fromLatin1(text), parent);
    };

    OscillatorSpecs = named<QGroupBox>(this, "OscillatorSpecs");
    OscillatorSpecs->setTitle(QStringLiteral("Specifications"));
    outer->addWidget(OscillatorSpecs);
    auto *specs = new QGridLayout(OscillatorSpecs);
    specs->setContentsMargins(4, 2, 4, 2);
    specs->setHorizontalSpacing(4);
    specs->setVerticalSpacing(2);
    QWidget *g = OscillatorSpecs;
    sSampleRate = readOut(g, "sSampleRate", 80);
    sNumSamples = readOut(g, "sNumSamples", 90);
    sMaxFrequency = readOut(g, "sMaxFrequency", 80);
    sDFT_Samples = readOut(g, "sDFT_Samples", 60);
    DFT_Label = named<QLabel>(g, "DFT_Label");
    DFT_Label->setText(QStringLiteral("DFT Samples"));
    InputFile = readOut(g, "InputFile", 0);
    PlayInput = button(g, "PlayInput", "Play");
    OutputToFile = button(g, "OutputToFile", "Output DFT To File");
    ViewDFTFile = button(g, "ViewDFTFile", "View DFT File");
    specs->addWidget(caption(g, "Samples/Sec"), 0, 0);
    specs->addWidget(sSampleRate, 0, 1);
    specs->addWidget(caption(g, "Total Samples"), 0, 2);
    specs->addWidget(sNumSamples, 0, 3);
    specs->addWidget(caption(g, "Max Frequency"), 0, 4);
    specs->addWidget(sMaxFrequency, 0, 5);
    specs->addWidget(DFT_Label, 0, 6);
    specs->addWidget(sDFT_Samples, 0, 7);
    specs->addWidget(caption(g, "File"), 1, 0);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(InputFile, 1);
    fileRow->addWidget(PlayInput);
    fileRow->addWidget(OutputToFile);
    fileRow->addWidget(ViewDFTFile);
    specs->addLayout(fileRow, 1, 1, 1, 8);
    specs->setColumnStretch(8, 1);

    Panel2 = named<QWidget>(this, "Panel2");
    outer->addWidget(Panel2);
    auto *row = new QHBoxLayout(Panel2);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(4);
    sSignal1Scale = readOut(Panel2, "sSignal1Scale", 140);
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
    ClickX = readOut(Panel2, "ClickX", 90);
    ClickY = readOut(Panel2, "ClickY", 90);
    WindowType = named<QComboBox>(Panel2, "WindowType");
    WindowType->addItems({QStringLiteral("Hamming"), QStringLiteral("Von Hann"),
                          QStringLiteral("Blackman"), QStringLiteral("Blackman_Harris"),
                          QStringLiteral("Bartlett"), QStringLiteral("No Window")});
    WindowType->hide();
    MessageLabel = named<QLabel>(Panel2, "MessageLabel");
    MessageLabel->setText(kPleaseWait);
    MessageLabel->setStyleSheet(QStringLiteral("color: red"));
    MessageLabel->hide();
    row->addWidget(caption(Panel2, "Amplitude Scale"));
    row->addWidget(sSignal1Scale);
    row->addSpacing(10);
    row->addWidget(caption(Panel2, "Display Sample#"));
    row->addWidget(sFrom_Sample);
    row->addWidget(From_SampleI);
    row->addWidget(caption(Panel2, "To"));
    row->addWidget(sTo_Sample);
    row->addWidget(To_SampleI);
    row->addSpacing(10);
    row->addWidget(caption(Panel2, "Coordinates"));
    row->addWidget(ClickX);
    row->addWidget(ClickY);
    row->addSpacing(10);
    row->addWidget(MessageLabel);
    row->addStretch(1);

    Image2 = new PlotImage(canvas, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    outer->addWidget(Image2, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
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
}

void TDFTMainForm::FormCreate() {
    scope.Bind(&canvas, 0.0, 1000.0, 0.0, 1.0);
    ready = false;
}

void TDFTMainForm::FormResize() {
    if (ready) {
        DrawBins();
    } else {
        scope.Bind(&canvas, scope.xMin, scope.xMax, scope.yMin, scope.yMax);
        Image2->update();
    }
}

void TDFTMainForm::closeEvent(QCloseEvent *event) {
    stopRequested = true;
    QDialog::closeEvent(event);
}

void TDFTMainForm::Release() {
    stopRequested = true;
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
    analysing = true;
    stopRequested = false;
    ready = false;
    SetBusy(true);
    MessageLabel->setText(kPleaseWait);
    MessageLabel->show();
    // Every way out, an error included, ends idle with the file closed.
    struct Idle {
        TDFTMainForm *window;
        ~Idle() {
            window->file.CloseFile();
            window->analysing = false;
            window->SetBusy(false);
            if (window->releaseWhenIdle) {
                window->deleteLater();
            }
        }
    } idle{this};

    const int kind = windowKind >= 0 && windowKind <= 4 ? windowKind : 5;
    WindowType->setCurrentIndex(kind);
    if (!file.OpenForReading(path.toStdString())) {
        MessageLabel->hide();
        services.Message(this, QMessageBox::Critical, QStringLiteral("DSP Error"),
                         QStringLiteral("Input File name is not a valid WAV File"),
                         QMessageBox::Ok);
        return false;
    }
    ShowSpecifications(path, fft, SpectrumBlockLength(SampleCountOf(file), file.sampleRate, fft));

    ClearFloatingPointFlags();
    sinceMessages.start();
    const AnalysisOutcome outcome = analysis.Run(file, fft, static_cast<WindowKind>(kind),
                                                 [this](long long) { return AnalysisProgress(); });
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
    return true;
}

bool TDFTMainForm::AnalysisProgress() {
    if (sinceMessages.elapsed() >= kMessageIntervalMs) {
        QCoreApplication::processEvents();
        sinceMessages.restart();
    }
    return !stopRequested;
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

void TDFTMainForm::SetBusy(bool busy) {
    for (QWidget *w : std::initializer_list<QWidget *>{OutputToFile, ViewDFTFile, sFrom_Sample,
                                                       sTo_Sample, From_SampleI, To_SampleI}) {
        w->setEnabled(!busy);
    }
}

void TDFTMainForm::DrawBins() {
    const int N = analysis.N;
    const double df = N > 0 ? static_cast<double>(analysis.sampleRate) / N : 0.0;
    scope.Bind(&canvas, (From - 1) * df, To * df, 0.0, 1.0);
    const double peak = analysis.peak;
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
    ClickX->setText(General(scope.ValueAtX(x)));
    ClickY->setText(General(scope.ValueAtY(y) * analysis.peak));
}

void TDFTMainForm::ClickXEnter() {
    sFrom_Sample->setFocus();
}

void TDFTMainForm::PlayInputClick() {
    if (PlayInput->text() == QStringLiteral("Play")) {
        PlayInput->setText(QStringLiteral("Stop"));
        player.PlayAsync(InputFile->text());
        Timer1->start();
    } else {
        PlayInput->setText(QStringLiteral("Play"));
        Timer1->stop();
        player.StopAll();
    }
}

void TDFTMainForm::Timer1Timer() {
    // Starting without interrupting succeeds only once the earlier sound has ended.
    if (player.TryPlayAsync(InputFile->text())) {
        player.StopAll();
        Timer1->stop();
        PlayInput->setText(QStringLiteral("Play"));
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
        services.Message(
            this, QMessageBox::Critical, QStringLiteral("DSP Error"),
            QString::fromStdString(ExportFailureText(result, name.toStdString(), input)),
            QMessageBox::Ok);
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
