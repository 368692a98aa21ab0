#include "gui/spectrum/Dftmain.h"

#include "core/audio/WaveFrames.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ScopeExit.h"
#include "core/spectrum/Spectrogram.h"
#include "core/spectrum/SpectrogramPanes.h"
#include "gui/services/Guarded.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

// The spectrogram view of the spectrum window: its controls and handlers, and the computation
// of the visible part.

using namespace kaldorium;

namespace {

const QString kTooShortSpectrogram = QStringLiteral("The file is too short for a spectrogram");

// Columns computed between two looks at the window's messages.
constexpr int kColumnsPerStep = 8;

QString Short(double v) {
    return QString::fromStdString(FormatGeneral(v, 6));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Controls

void TDFTMainForm::CreateSpectrogramControls() {
    SpectrogramBar = named<QWidget>(this, "SpectrogramBar");
    auto *row = new QHBoxLayout(SpectrogramBar);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(4);
    auto caption = [this](const char *text) {
        return new QLabel(QString::fromLatin1(text), SpectrogramBar);
    };
    DbRange = named<NumberEdit>(SpectrogramBar, "DbRange");
    DbRange->setText(QStringLiteral("90"));
    DbTop = named<NumberEdit>(SpectrogramBar, "DbTop");
    for (NumberEdit *field : {DbRange, DbTop}) {
        field->SetKeyFilter(true);
        field->setFixedWidth(60);
    }
    Overlap = named<QComboBox>(SpectrogramBar, "Overlap");
    Overlap->addItems({QStringLiteral("0 %"), QStringLiteral("50 %"), QStringLiteral("75 %"),
                       QStringLiteral("87.5 %")});
    Overlap->setCurrentIndex(static_cast<int>(kaldorium::Overlap::ThreeQuarters));
    Channels = named<QComboBox>(SpectrogramBar, "Channels");
    Channels->addItems({QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Sum"),
                        QStringLiteral("Side by Side")});
    row->addWidget(caption("dB Range"));
    row->addWidget(DbRange);
    row->addSpacing(10);
    row->addWidget(caption("Top dB"));
    row->addWidget(DbTop);
    row->addSpacing(10);
    row->addWidget(caption("Overlap"));
    row->addWidget(Overlap);
    row->addSpacing(10);
    row->addWidget(caption("Channels"));
    row->addWidget(Channels);
    row->addStretch(1);
    static_cast<QVBoxLayout *>(layout())->insertWidget(2, SpectrogramBar);

    auto action = [this](QActionGroup *group, const char *name, const char *text) {
        auto *a = new QAction(QString::fromUtf8(text), group);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        return a;
    };
    auto *axis = new QActionGroup(this);
    LinearFrequency = action(axis, "LinearFrequency", "Linear Frequency");
    LogFrequency = action(axis, "LogFrequency", "Logarithmic Frequency");
    LinearFrequency->setChecked(true);
    auto *maps = new QActionGroup(this);
    ViridisColours = action(maps, "ViridisColours", "Colours: Viridis");
    GreyColours = action(maps, "GreyColours", "Colours: Grey");
    ViridisColours->setChecked(true);

    recomputeTimer = new QTimer(this);
    recomputeTimer->setSingleShot(true);
    recomputeTimer->setInterval(200);
    UpdateViewControls();
}

void TDFTMainForm::ConnectSpectrogramHandlers() {
    auto recompute = guarded(this, services, &TDFTMainForm::SpectrogramSettingChange);
    connect(ViewKind, &QComboBox::currentIndexChanged, this,
            guarded(this, services, &TDFTMainForm::ViewKindChange));
    connect(Overlap, &QComboBox::currentIndexChanged, this, recompute);
    connect(Channels, &QComboBox::currentIndexChanged, this, recompute);
    connect(LogFrequency, &QAction::toggled, this, recompute);
    connect(ViridisColours, &QAction::toggled, this,
            guarded(this, services, &TDFTMainForm::DrawSpectrogram));
    connect(DbRange, &NumberEdit::accepted, this,
            guarded(this, services, &TDFTMainForm::DbRangeExit));
    connect(DbTop, &NumberEdit::accepted, this, guarded(this, services, &TDFTMainForm::DbTopExit));
    connect(StopCalculation, &QPushButton::clicked, this,
            guarded(this, services, &TDFTMainForm::StopCalculationClick));
    connect(recomputeTimer, &QTimer::timeout, this, recompute);
    Image2->installEventFilter(this);
    // In the spectrogram a drag pans and Home shows the whole, computed afresh as a zoom is.
    Image2->pan = [this](const QPoint &moved) {
        if (CurrentView() != View::Spectrogram) {
            return false;
        }
        guarded(this, services, [this, moved] { PanSpectrogram(moved); })();
        return true;
    };
    Image2->showsPart = [this] {
        return CurrentView() == View::Spectrogram && spectrogramReady &&
               (viewTo >= 0 || viewToHz >= 0.0);
    };
    Image2->showWhole = guarded(this, services, &TDFTMainForm::ShowAll);
}

TDFTMainForm::View TDFTMainForm::CurrentView() const {
    return ViewKind->currentIndex() == 1 ? View::Spectrogram : View::Spectrum;
}

void TDFTMainForm::ShowView(View view) {
    ViewKind->setCurrentIndex(view == View::Spectrogram ? 1 : 0);
}

void TDFTMainForm::UpdateViewControls() {
    const bool spectrogramView = CurrentView() == View::Spectrogram;
    SpectrumBar->setVisible(!spectrogramView);
    SpectrogramBar->setVisible(spectrogramView);
    ClickLevel->setVisible(spectrogramView);
    StopCalculation->setVisible(analysing && spectrogramView);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ViewKind, DbRange, DbTop, Overlap, Channels}) {
        w->setEnabled(!analysing);
    }
    for (QAction *a : {LinearFrequency, LogFrequency, ViridisColours, GreyColours}) {
        a->setEnabled(!analysing);
    }
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TDFTMainForm::ViewKindChange() {
    UpdateViewControls();
    Image2->ClearCursors();
    ClickX->clear();
    ClickY->clear();
    if (CurrentView() == View::Spectrogram) {
        if (!analysed) {
            DrawSpectrogram();
        } else if (spectrogramReady) {
            sDFT_Samples->setText(QString::number(spectrogram->Settings().N));
            DrawSpectrogram();
        } else {
            ComputeSpectrogram(false);
        }
        return;
    }
    if (analysed && spectrumCurrent) {
        MessageLabel->setText(QStringLiteral("The file is too short for a spectrum"));
        MessageLabel->setVisible(analysis.N == 0);
        sDFT_Samples->setText(QString::number(analysis.N));
        DrawBins();
    } else if (analysed) {
        AnalyseSpectrum();
    } else {
        MessageLabel->hide();
        scope.Bind(&canvas, 0.0, 1000.0, 0.0, 1.0);
        Image2->update();
    }
}

void TDFTMainForm::SpectrogramSettingChange() {
    if (CurrentView() != View::Spectrogram) {
        // Computed afresh when the view is chosen.
        spectrogramReady = false;
    } else if (analysed && !analysing) {
        ComputeSpectrogram(false);
    }
}

void TDFTMainForm::DbRangeExit() {
    if (DbRange->text().isEmpty()) {
        DbRange->setText(QStringLiteral("90"));
    }
    const double range =
        std::clamp(ParseDouble(DbRange->text().toStdString()), kMinDbRange, kMaxDbRange);
    DbRange->setText(Short(range));
    DrawSpectrogram();
}

void TDFTMainForm::DbTopExit() {
    dbTopTyped = !DbTop->text().isEmpty();
    if (dbTopTyped) {
        // Held to levels a recording can have: −400 … +100 dB.
        const double top = std::clamp(ParseDouble(DbTop->text().toStdString()), -400.0, 100.0);
        DbTop->setText(Short(top));
    } else {
        DbTop->setText(QString::fromStdString(FormatDecimals(fileTop, 1)));
    }
    DrawSpectrogram();
}

double TDFTMainForm::ShownDbTop() const {
    double top = fileTop;
    return TryParseDouble(DbTop->text().toStdString(), top) ? top : fileTop;
}

void TDFTMainForm::StopCalculationClick() {
    pump.RequestStop();
}

// ---------------------------------------------------------------------------------------------
// Computation

bool TDFTMainForm::ComputeSpectrogram(bool fresh) {
    if (!BeginWork()) {
        return false;
    }
    spectrogramReady = false;
    StopCalculation->show();
    const ScopeExit idle([this] {
        StopCalculation->hide();
        EndWork();
    });
    if (!OpenAnalysedFile()) {
        return false;
    }
    const int N = SpectrumBlockLength(SampleCountOf(file), file.sampleRate, analysedFft);
    if (fresh) {
        ShowSpecifications(analysedPath, analysedFft, N);
    }
    const std::vector<FrameChannel> channels =
        PaneChannels(static_cast<ChannelChoice>(Channels->currentIndex()), file.channels);
    SpectrogramSettings settings;
    settings.N = N;
    settings.kind = static_cast<WindowKind>(analysedKind);
    settings.overlap = static_cast<kaldorium::Overlap>(Overlap->currentIndex());
    settings.fromFrame = viewFrom;
    settings.toFrame = viewTo;
    settings.fromHz = viewFromHz;
    settings.toHz = viewToHz;
    settings.logFrequency = LogFrequency->isChecked();
    // One cell per device pixel of each pane.
    pictureRect = PictureArea();
    if (channels.size() > 1) {
        rightPane = std::make_unique<Spectrogram>();
    } else {
        rightPane.reset();
    }
    const QRect pane = PaneRect(0);
    const qreal ratio = canvas.DevicePixelRatio();
    settings.width = static_cast<int>(std::lround(pane.width() * ratio));
    settings.height = static_cast<int>(std::lround(pane.height() * ratio));

    ClearFloatingPointFlags();
    SpectrogramOutcome outcome = SpectrogramOutcome::Ready;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (!ComputePane(static_cast<int>(i), channels[i], settings, outcome)) {
            break;
        }
    }
    sDFT_Samples->setText(QString::number(spectrogram->Settings().N));
    if (pump.StopRequested()) {
        MessageLabel->hide();
        DrawSpectrogram();
        return true;
    }
    if (outcome == SpectrogramOutcome::TooShort) {
        MessageLabel->setText(kTooShortSpectrogram);
        DrawSpectrogram();
        return true;
    }
    MessageLabel->hide();
    if (spectrogram->Settings().fromFrame == 0 &&
        spectrogram->Settings().toFrame == spectrogram->FrameCount()) {
        fileTop = DefaultDbTop({spectrogram.get(), rightPane.get()});
    }
    if (!dbTopTyped) {
        DbTop->setText(QString::fromStdString(FormatDecimals(fileTop, 1)));
    }
    spectrogramReady = true;
    const QSize computedFor = pictureRect.size();
    DrawSpectrogram();
    if (pictureRect.size() != computedFor) {
        // The window was resized meanwhile: the stretched picture is computed again.
        recomputeTimer->start();
    }
    return true;
}

bool TDFTMainForm::ComputePane(int pane, FrameChannel channel, const SpectrogramSettings &settings,
                               SpectrogramOutcome &outcome) {
    Spectrogram &picture = pane == 1 && rightPane ? *rightPane : *spectrogram;
    // The reader holds a large buffer: on the heap rather than the stack.
    const auto frames = std::make_unique<WaveFrameSource>(file, channel);
    outcome = picture.Start(*frames, settings);
    while (!picture.Finished() && pump.Pump()) {
        picture.Step(kColumnsPerStep);
    }
    CheckFloatingPoint(picture.MaxLevel());
    return !pump.StopRequested();
}
