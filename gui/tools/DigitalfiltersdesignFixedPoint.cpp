#include "core/tools/CoefficientExport.h"
#include "core/tools/TransferFunction.h"
#include "gui/services/Guarded.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/PlotImage.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <cmath>
#include <stdexcept>

using kaldorium::DigitalFilterDesign;

namespace {

constexpr int PanelLeft = 676;
constexpr int PanelWidth = 207;
constexpr double RadiansToDegrees = 57.29577951308232;
constexpr double HzPerRadian = 0.15915494309189534198;
// The rounded response's colour, apart from the digital red and the analogue blue.
constexpr kaldorium::Color RoundedColour{230, 120, 0};

// The export format a file name asks for by its suffix.
bool FormatOfName(const QString &name, kaldorium::ExportFormat &format) {
    const QString suffix = QLatin1Char('.') + QFileInfo(name).suffix().toLower();
    for (const kaldorium::ExportFormat f :
         {kaldorium::ExportFormat::CHeader, kaldorium::ExportFormat::OctaveScript,
          kaldorium::ExportFormat::PythonScript, kaldorium::ExportFormat::Csv}) {
        if (suffix == QLatin1String(kaldorium::ExportSuffix(f))) {
            format = f;
            return true;
        }
    }
    return false;
}

} // namespace

void TDigitalFiltersForm::SetQuantisedSource(kaldorium::QuantisedFilterSource *source) {
    quantised = source != nullptr ? source : &ownQuantised;
    quantised->SetBits(kaldorium::AllCoefficientBits[static_cast<std::size_t>(
        std::max(0, CoefficientBits->currentIndex()))]);
}

void TDigitalFiltersForm::CreateFixedPointControls(int y) {
    // [Poles/Zeros] Bits [Exact], and the export under them.
    PoleZeroPlot = named<QPushButton>(this, "PoleZeroPlot");
    PoleZeroPlot->setText(QStringLiteral("Poles/Zeros"));
    PoleZeroPlot->setGeometry(PanelLeft, y, 100, 26);
    CoefficientBitsLabel = named<QLabel>(this, "CoefficientBitsLabel");
    CoefficientBitsLabel->setText(QStringLiteral("Bits"));
    CoefficientBitsLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CoefficientBitsLabel->setGeometry(PanelLeft + 102, y + 4, 32, 18);
    CoefficientBits = named<QComboBox>(this, "CoefficientBits");
    for (const kaldorium::CoefficientBits bits : kaldorium::AllCoefficientBits) {
        CoefficientBits->addItem(QString::fromLatin1(kaldorium::CoefficientBitsText(bits)));
    }
    CoefficientBits->setGeometry(PanelLeft + 138, y + 2, PanelWidth - 138, 22);
    ExportCoefficients = named<QPushButton>(this, "ExportCoefficients");
    ExportCoefficients->setText(QStringLiteral("Export Coefficients…"));
    ExportCoefficients->setGeometry(PanelLeft, y + 28, PanelWidth, 26);
    for (QPushButton *button : {PoleZeroPlot, ExportCoefficients}) {
        button->setAutoDefault(false);
    }
}

void TDigitalFiltersForm::ConnectFixedPointHandlers() {
    const auto on = [this](auto *sender, auto signal, auto handler) {
        connect(sender, signal, this, guarded(this, services, handler));
    };
    on(PoleZeroPlot, &QPushButton::clicked, [this] { PoleZeroPlotClick(); });
    on(ExportCoefficients, &QPushButton::clicked, [this] { ExportCoefficientsClick(); });
    on(CoefficientBits, &QComboBox::currentIndexChanged,
       [this](int index) { CoefficientBitsChange(index); });
}

void TDigitalFiltersForm::PoleZeroPlotClick() {
    QWidget *form = poleZeroForm();
    if (form == nullptr) {
        return;
    }
    // The designer runs modally: a window it opens must be its own, or it could not be used.
    if (form->parentWidget() != this) {
        form->setParent(this, form->windowFlags() | Qt::Window);
    }
    form->show();
    form->raise();
    form->activateWindow();
}

void TDigitalFiltersForm::CoefficientBitsChange(int index) {
    if (index < 0 || index >= static_cast<int>(kaldorium::AllCoefficientBits.size())) {
        return;
    }
    quantised->SetBits(kaldorium::AllCoefficientBits[static_cast<std::size_t>(index)]);
    design.RedrawBode();
}

void TDigitalFiltersForm::ExportCoefficientsClick() {
    // A set that means nothing (b0 = 0, a coefficient not a number) is refused before asking
    // for a name.
    const kaldorium::CoefficientSet set = kaldorium::ExportedCoefficients(design);
    const QString name = services.SaveFileName(
        this, QStringLiteral("Export Coefficients"), QString(),
        QStringLiteral("C Header (*.h);;Octave/MATLAB Script (*.m);;Python Script (*.py);;"
                       "CSV (*.csv)"),
        QStringLiteral("h"));
    if (name.isEmpty()) {
        return;
    }
    kaldorium::ExportFormat format = kaldorium::ExportFormat::CHeader;
    if (!FormatOfName(name, format)) {
        throw std::runtime_error("Export Coefficients: the file name must end in .h, .m, .py or "
                                 ".csv: " +
                                 name.toStdString());
    }
    const std::string text = kaldorium::ExportText(format, set);
    // Written whole or not at all: a failed write leaves an existing file as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        throw std::runtime_error("Cannot write " + name.toStdString() + ": " +
                                 file.errorString().toStdString());
    }
}

void TDigitalFiltersForm::DrawQuantised() {
    if (!design.bodeShown || quantised->Bits() == kaldorium::CoefficientBits::Exact ||
        design.b[0] == 0.0) {
        return;
    }
    const kaldorium::QuantisedSet q = kaldorium::QuantiseSet(design.a, design.b, quantised->Bits());
    const kaldorium::TransferFunction h = kaldorium::DirectFormTransfer(q.a, q.b, 7);
    const auto trace = [&](kaldorium::Oscilloscope &plot, ImageCanvas &canvas, bool gain) {
        canvas.SetPenColor(RoundedColour);
        canvas.SetPenWidth(2);
        int lastX = 0;
        int lastY = 0;
        double lastPhase = 0.0;
        for (std::size_t i = 0; i < DigitalFilterDesign::BodePoints; ++i) {
            const double hz = design.frequency[i] * HzPerRadian;
            const kaldorium::Complex r = h.Response(hz, design.ts);
            double db = 20.0 * std::log10(std::abs(r));
            // A zero of the response lies below any plot.
            if (!std::isfinite(db)) {
                db = design.gainMin - 1000.0;
            }
            const double phase = std::arg(r) * RadiansToDegrees;
            plot.ToPixelX(std::log10(hz));
            plot.ToPixelY(gain ? db : phase);
            if (i > 0 && (gain || std::fabs(phase - lastPhase) < 180.0)) {
                canvas.Line(lastX, lastY, plot.pixelX, plot.pixelY);
            }
            lastX = plot.pixelX;
            lastY = plot.pixelY;
            lastPhase = phase;
        }
    };
    trace(design.gainPlot, gainCanvas, true);
    trace(design.phasePlot, phaseCanvas, false);
    const std::string label =
        std::string(kaldorium::CoefficientBitsText(quantised->Bits())) + "-bit coefficients";
    gainCanvas.TextOut(design.gainPlot.width - gainCanvas.TextWidth(label) - 8, 4, label);
    gainCanvas.SetPenColor(kaldorium::ColorBlack);
}
