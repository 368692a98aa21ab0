#include "gui/tools/Samplinglab.h"

#include "gui/services/Guarded.h"
#include "gui/services/SoundPlayer.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace kaldorium;

namespace {

QLabel *Caption(QWidget *parent, const char *text) {
    return new QLabel(QString::fromUtf8(text), parent);
}

NumberEdit *Field(QWidget *parent, const char *name, int width, bool digitsOnly = true) {
    auto *edit = named<NumberEdit>(parent, name);
    edit->SetKeyFilter(digitsOnly);
    edit->setFixedWidth(width);
    return edit;
}

QLineEdit *Readout(QWidget *parent, const char *name) {
    auto *edit = named<QLineEdit>(parent, name);
    edit->setReadOnly(true);
    edit->setMinimumWidth(120);
    return edit;
}

QPushButton *Button(QWidget *parent, const char *name, const char *caption) {
    auto *button = named<QPushButton>(parent, name);
    button->setText(QString::fromUtf8(caption));
    button->setAutoDefault(false);
    return button;
}

QGridLayout *Grid(QWidget *parent) {
    auto *grid = new QGridLayout(parent);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    return grid;
}

// A field with its stepper beside it.
QHBoxLayout *Stepped(QWidget *field, QWidget *stepper) {
    auto *row = new QHBoxLayout;
    row->setSpacing(1);
    row->addWidget(field);
    row->addWidget(stepper);
    row->addStretch(1);
    return row;
}

} // namespace

TSamplingForm::TSamplingForm(UiServices &services_, SoundPlayer &player_, QWidget *parent)
    : QDialog(parent), services(services_), player(player_) {
    setObjectName(QStringLiteral("SamplingForm"));
    setWindowTitle(QStringLiteral("Sampling Lab"));
    setSizeGripEnabled(true);
    wallClock.start();
    clock = [this] { return static_cast<double>(wallClock.nsecsElapsed()) * 1e-9; };
    signal.Configure(SamplingSettings{});
    CreateControls();
    ConnectHandlers();
    ShowFields();
    resize(1000, 760);
    Redraw();
}

TSamplingForm::~TSamplingForm() {
    SweepTimer->stop();
    PlayerTimer->stop();
    if (playing) {
        player.StopAll();
    }
    // Destroying the window takes the focus from its fields, whose validations would then run
    // on members already gone: the handlers are cut off first.
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

void TSamplingForm::CreateControls() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    auto *top = new QHBoxLayout;
    top->setSpacing(4);
    top->addWidget(CreateSignalGroup());
    top->addWidget(CreateSamplerGroup());
    top->addWidget(CreateActions(), 1);
    outer->addLayout(top);
    outer->addWidget(CreateReadouts());

    TimePlot = new PlotImage(canvases[0], this);
    SpectrumPlot = new PlotImage(canvases[1], this);
    ErrorPlot = new PlotImage(canvases[2], this);
    const char *plotNames[] = {"TimePlot", "SpectrumPlot", "ErrorPlot"};
    const int stretch[] = {3, 3, 2};
    int i = 0;
    for (PlotImage *plot : {TimePlot, SpectrumPlot, ErrorPlot}) {
        plot->setObjectName(QString::fromLatin1(plotNames[i]));
        plot->setMinimumHeight(stretch[i] * 40);
        plot->SetServices(&services);
        outer->addWidget(plot, stretch[i]);
        ++i;
    }
    TimePlot->MeasureWith(&scopes[0], PlotImage::Axis::TimeMs);
    SpectrumPlot->MeasureWith(&scopes[1], PlotImage::Axis::Plain);
    ErrorPlot->MeasureWith(&scopes[2], PlotImage::Axis::TimeMs);

    SweepTimer = new QTimer(this);
    SweepTimer->setObjectName(QStringLiteral("SweepTimer"));
    SweepTimer->setInterval(40);
    PlayerTimer = new QTimer(this);
    PlayerTimer->setObjectName(QStringLiteral("PlayerTimer"));
    PlayerTimer->setInterval(500);
}

QWidget *TSamplingForm::CreateSignalGroup() {
    auto *g = named<QGroupBox>(this, "SignalGroup");
    g->setTitle(QStringLiteral("Analogue Signal"));
    QGridLayout *grid = Grid(g);
    Waveform = named<QComboBox>(g, "Waveform");
    Waveform->addItems({QStringLiteral("Sine"), QStringLiteral("Square"),
                        QStringLiteral("Triangle"), QStringLiteral("Sawtooth"),
                        QStringLiteral("Two Tones"), QStringLiteral("Linear Sweep")});
    SignalFrequency = Field(g, "SignalFrequency", 80);
    SignalFrequencyI = named<Stepper>(g, "SignalFrequencyI");
    SecondFrequency = Field(g, "SecondFrequency", 80);
    SecondFrequencyI = named<Stepper>(g, "SecondFrequencyI");
    SecondFrequencyLabel = named<QLabel>(g, "SecondFrequencyLabel");
    SecondFrequencyLabel->setText(QStringLiteral("Second Tone (Hz)"));
    PassTime = Field(g, "PassTime", 80);
    PassTimeLabel = named<QLabel>(g, "PassTimeLabel");
    PassTimeLabel->setText(QStringLiteral("Sweep Pass (s)"));
    Amplitude = Field(g, "Amplitude", 80);
    grid->addWidget(Caption(g, "Waveform"), 0, 0);
    grid->addWidget(Waveform, 0, 1);
    grid->addWidget(Caption(g, "Frequency (Hz)"), 1, 0);
    grid->addLayout(Stepped(SignalFrequency, SignalFrequencyI), 1, 1);
    grid->addWidget(SecondFrequencyLabel, 2, 0);
    grid->addLayout(Stepped(SecondFrequency, SecondFrequencyI), 2, 1);
    grid->addWidget(PassTimeLabel, 3, 0);
    grid->addWidget(PassTime, 3, 1);
    grid->addWidget(Caption(g, "Amplitude"), 4, 0);
    grid->addWidget(Amplitude, 4, 1);
    grid->setRowStretch(5, 1);
    return g;
}

QWidget *TSamplingForm::CreateSamplerGroup() {
    auto *g = named<QGroupBox>(this, "SamplerGroup");
    g->setTitle(QStringLiteral("Sampler"));
    QGridLayout *grid = Grid(g);
    AntiAlias = named<QComboBox>(g, "AntiAlias");
    AntiAlias->addItems({QStringLiteral("None"), QStringLiteral("Inverting Low Pass"),
                         QStringLiteral("Non-Inverting Low Pass"),
                         QStringLiteral("Ideal Low Pass at fs/2")});
    SampleRate = Field(g, "SampleRate", 80);
    SampleRateI = named<Stepper>(g, "SampleRateI");
    // "Exact" is typed too, so every character goes in.
    Bits = Field(g, "Bits", 80, false);
    BitsI = named<Stepper>(g, "BitsI");
    Reconstruction = named<QComboBox>(g, "Reconstruction");
    Reconstruction->addItems(
        {QStringLiteral("Zero-Order Hold"), QStringLiteral("Linear"), QStringLiteral("Sinc")});
    grid->addWidget(Caption(g, "Anti-Alias Filter"), 0, 0);
    grid->addWidget(AntiAlias, 0, 1);
    grid->addWidget(Caption(g, "Sample Rate (Hz)"), 1, 0);
    grid->addLayout(Stepped(SampleRate, SampleRateI), 1, 1);
    grid->addWidget(Caption(g, "Bits"), 2, 0);
    grid->addLayout(Stepped(Bits, BitsI), 2, 1);
    grid->addWidget(Caption(g, "Reconstruction"), 3, 0);
    grid->addWidget(Reconstruction, 3, 1);
    grid->setRowStretch(4, 1);
    return g;
}

QWidget *TSamplingForm::CreateActions() {
    auto *g = named<QGroupBox>(this, "SoundGroup");
    g->setTitle(QStringLiteral("Sweep and Sound"));
    QGridLayout *grid = Grid(g);
    Sweep = Button(g, "Sweep", "Sweep");
    SweepSeconds = Field(g, "SweepSeconds", 60);
    Listen = named<QCheckBox>(g, "Listen");
    Listen->setText(QStringLiteral("Listen"));
    SweepFrequency = Readout(g, "SweepFrequency");
    Play = Button(g, "Play", "Play");
    SaveWav = Button(g, "SaveWav", "Save WAV…");
    SendToWorkbench = Button(g, "SendToWorkbench", "Send to Workbench");
    auto *sweepRow = new QHBoxLayout;
    sweepRow->addWidget(Sweep);
    sweepRow->addWidget(Caption(g, "over"));
    sweepRow->addWidget(SweepSeconds);
    sweepRow->addWidget(Caption(g, "s"));
    sweepRow->addSpacing(10);
    sweepRow->addWidget(Listen);
    sweepRow->addStretch(1);
    grid->addLayout(sweepRow, 0, 0, 1, 2);
    grid->addWidget(Caption(g, "Now at"), 1, 0);
    grid->addWidget(SweepFrequency, 1, 1);
    auto *soundRow = new QHBoxLayout;
    soundRow->addWidget(Play);
    soundRow->addWidget(SaveWav);
    soundRow->addWidget(SendToWorkbench);
    soundRow->addStretch(1);
    grid->addLayout(soundRow, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    return g;
}

QWidget *TSamplingForm::CreateReadouts() {
    auto *panel = named<QWidget>(this, "Readouts");
    QGridLayout *grid = Grid(panel);
    grid->setContentsMargins(2, 0, 2, 0);
    AliasFrequency = Readout(panel, "AliasFrequency");
    QuantisationSNR = Readout(panel, "QuantisationSNR");
    AntiAliasAttenuation = Readout(panel, "AntiAliasAttenuation");
    grid->addWidget(Caption(panel, "Alias Frequency"), 0, 0);
    grid->addWidget(AliasFrequency, 0, 1, 1, 3);
    grid->addWidget(Caption(panel, "Quantisation SNR"), 1, 0);
    grid->addWidget(QuantisationSNR, 1, 1);
    grid->addWidget(Caption(panel, "Anti-Alias Filter"), 1, 2);
    grid->addWidget(AntiAliasAttenuation, 1, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    return panel;
}

void TSamplingForm::ConnectHandlers() {
    auto onExit = [this](NumberEdit *field, void (TSamplingForm::*handler)()) {
        connect(field, &NumberEdit::accepted, this, guarded(this, services, handler));
    };
    onExit(SignalFrequency, &TSamplingForm::SignalFrequencyExit);
    onExit(SecondFrequency, &TSamplingForm::SecondFrequencyExit);
    onExit(PassTime, &TSamplingForm::PassTimeExit);
    onExit(Amplitude, &TSamplingForm::AmplitudeExit);
    onExit(SampleRate, &TSamplingForm::SampleRateExit);
    onExit(Bits, &TSamplingForm::BitsExit);
    onExit(SweepSeconds, &TSamplingForm::SweepSecondsExit);
    auto onStep = [this](Stepper *s, void (TSamplingForm::*handler)(bool)) {
        connect(s, &Stepper::clicked, this,
                guarded(this, services, [this, handler](bool up) { (this->*handler)(up); }));
    };
    onStep(SignalFrequencyI, &TSamplingForm::SignalFrequencyIClick);
    onStep(SecondFrequencyI, &TSamplingForm::SecondFrequencyIClick);
    onStep(SampleRateI, &TSamplingForm::SampleRateIClick);
    onStep(BitsI, &TSamplingForm::BitsIClick);
    auto onChoice = [this](QComboBox *box, void (TSamplingForm::*handler)()) {
        connect(box, &QComboBox::activated, this, guarded(this, services, handler));
    };
    onChoice(Waveform, &TSamplingForm::WaveformChange);
    onChoice(AntiAlias, &TSamplingForm::AntiAliasChange);
    onChoice(Reconstruction, &TSamplingForm::ReconstructionChange);
    auto onClick = [this](QPushButton *b, void (TSamplingForm::*handler)()) {
        connect(b, &QPushButton::clicked, this, guarded(this, services, handler));
    };
    onClick(Play, &TSamplingForm::PlayClick);
    onClick(Sweep, &TSamplingForm::SweepClick);
    onClick(SaveWav, &TSamplingForm::SaveWavClick);
    onClick(SendToWorkbench, &TSamplingForm::SendToWorkbenchClick);
    connect(SweepTimer, &QTimer::timeout, this, guarded(this, services, &TSamplingForm::SweepTick));
    connect(PlayerTimer, &QTimer::timeout, this,
            guarded(this, services, &TSamplingForm::PlayerTimerTick));
    for (PlotImage *plot : {TimePlot, SpectrumPlot, ErrorPlot}) {
        connect(plot, &PlotImage::resized, this,
                guarded(this, services, &TSamplingForm::PlotResized));
    }
}

void TSamplingForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    try {
        // The calculator's components may have changed while the window was hidden.
        if (signal.Settings().antiAlias == AntiAliasKind::InvertingLowPass ||
            signal.Settings().antiAlias == AntiAliasKind::NonInvertingLowPass) {
            Apply(signal.Settings());
        }
    } catch (const std::exception &e) {
        services.ShowError(this, QString::fromStdString(e.what()));
    }
}

void TSamplingForm::closeEvent(QCloseEvent *event) {
    StopSweep();
    StopSound();
    playbackNotice.Reset();
    QDialog::closeEvent(event);
}
