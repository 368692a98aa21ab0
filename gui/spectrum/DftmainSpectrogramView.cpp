#include "gui/spectrum/Dftmain.h"

#include "core/common/NumberText.h"
#include "core/spectrum/Spectrogram.h"
#include "core/spectrum/SpectrogramExport.h"
#include "core/spectrum/SpectrogramPanes.h"
#include "gui/services/Guarded.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

// The spectrogram view's picture with its axes and colour bar, the read-outs, zoom, the context
// menu and the exports.

using namespace kaldorium;

namespace {

// Around the picture: the frequency labels left, the time labels below, the colour bar right.
constexpr int kLeftMargin = 52;
constexpr int kTopMargin = 8;
constexpr int kRightMargin = 78;
constexpr int kBarGap = 12;
constexpr int kBarWidth = 14;
// Between the panes of the two channels: room for the upper pane's frame and its lowest label.
constexpr int kPaneGap = 10;
// The shortest time shown, in frames, and the narrowest frequency range, in bins.
constexpr long long kMinFrames = 64;
constexpr double kMinBins = 4.0;

QString Short(double v) {
    return QString::fromStdString(FormatGeneral(v, 6));
}

// 1, 2 or 5 times a power of ten, near span / count.
double NiceStep(double span, double count) {
    const double raw = span / std::max(count, 1.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / power;
    return (m <= 1.0 ? 1.0 : m <= 2.0 ? 2.0 : m <= 5.0 ? 5.0 : 10.0) * power;
}

} // namespace

QRect TDFTMainForm::PictureArea() const {
    // The bottom margin equals the left one: the plot's mapping has one margin for both.
    return QRect(kLeftMargin, kTopMargin, std::max(canvas.Width() - kLeftMargin - kRightMargin, 1),
                 std::max(canvas.Height() - kLeftMargin - kTopMargin, 1));
}

QRect TDFTMainForm::PaneRect(int pane) const {
    const std::vector<PaneRows> rows =
        StackPanes(pictureRect.top(), pictureRect.height(), SpectrogramPanes(), kPaneGap);
    const PaneRows &row =
        rows[static_cast<std::size_t>(std::clamp(pane, 0, SpectrogramPanes() - 1))];
    return QRect(pictureRect.left(), row.top, pictureRect.width(), row.height);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TDFTMainForm::DrawSpectrogram() {
    if (CurrentView() != View::Spectrogram) {
        return;
    }
    // The grid of the binding is painted over; the binding keeps the cursors' mapping below.
    scope.Bind(&canvas, 0.0, 1.0, 0.0, 1.0);
    const int W = canvas.Width();
    const int H = canvas.Height();
    canvas.SetFillColor(ColorWhite);
    canvas.FillRect(0, 0, W, H);
    if (!spectrogramReady) {
        Image2->update();
        return;
    }
    const QRect area = PictureArea();
    pictureRect = area;
    const ColourMap map = GreyColours->isChecked() ? ColourMap::Grey : ColourMap::Viridis;
    double range = kDefaultDbRange;
    TryParseDouble(DbRange->text().toStdString(), range);
    const LevelColours colours(map, ShownDbTop(), range);
    canvas.SetPenColor(ColorBlack);
    canvas.SetPenWidth(1);
    for (int pane = 0; pane < SpectrogramPanes(); ++pane) {
        const Spectrogram &picture = SpectrogramPane(pane);
        const QRect rect = PaneRect(pane);
        QImage cells(picture.Settings().width, picture.Settings().height, QImage::Format_RGB32);
        PaintSpectrogram(picture, colours, reinterpret_cast<std::uint32_t *>(cells.bits()));
        canvas.DrawImage(rect.left(), rect.top(), rect.width(), rect.height(), cells);
        canvas.Line(rect.left() - 1, rect.top() - 1, rect.right() + 1, rect.top() - 1);
        canvas.Line(rect.left() - 1, rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
        canvas.Line(rect.left() - 1, rect.top() - 1, rect.left() - 1, rect.bottom() + 1);
        canvas.Line(rect.right() + 1, rect.top() - 1, rect.right() + 1, rect.bottom() + 1);
        DrawFrequencyAxis(rect);
        if (SpectrogramPanes() > 1) {
            // Which channel a pane shows, in its upper right corner.
            const std::string name = pane == 0 ? "Left" : "Right";
            canvas.SetFillColor(ColorWhite);
            const int w = canvas.TextWidth(name) + 6;
            canvas.FillRect(rect.right() - w, rect.top(), rect.right(),
                            rect.top() + canvas.TextHeight() + 2);
            canvas.TextOut(rect.right() - w + 3, rect.top() + 1, name);
        }
    }
    DrawTimeAxis(PaneRect(SpectrogramPanes() - 1));
    DrawColourBar(area, colours);
    // The cursors read the pane last clicked; both show the same times and frequencies.
    BindSpectrogramScope(PaneRect(cursorPane));
    Image2->WatchKeys();
    Image2->update();
}

void TDFTMainForm::BindSpectrogramScope(const QRect &area) {
    // The cursors read seconds across and Hz up (log10 of Hz on the logarithmic axis): the
    // plot's mapping is stretched so that the pane's edges carry its ends.
    const Spectrogram &picture = *spectrogram;
    const double W = canvas.Width();
    const double H = canvas.Height();
    const double cellsW = picture.Settings().width;
    const double cellsH = picture.Settings().height;
    const double t0 = picture.SecondsAt(0.0);
    const double t1 = picture.SecondsAt(cellsW);
    const bool logAxis = picture.Settings().logFrequency;
    const double f0 =
        logAxis ? std::log10(picture.FrequencyAt(cellsH)) : picture.FrequencyAt(cellsH);
    const double f1 = logAxis ? std::log10(picture.FrequencyAt(0.0)) : picture.FrequencyAt(0.0);
    scope.margin = area.left();
    scope.xMin = t0;
    scope.xRange = (t1 - t0) * (W - area.left()) / area.width();
    scope.xMax = t0 + scope.xRange;
    // The mapping's zero row is the canvas' bottom less the margin; a pane above that starts
    // its frequencies below f0 there, so that the pane's bottom edge carries f0.
    const double below = H - scope.margin - (area.bottom() + 1);
    scope.yMin = f0 - (f1 - f0) * below / area.height();
    scope.yRange = (f1 - f0) * (H - scope.margin) / area.height();
    scope.yMax = scope.yMin + scope.yRange;
}

void TDFTMainForm::DrawTimeAxis(const QRect &area) {
    const Spectrogram &picture = *spectrogram;
    const double t0 = picture.SecondsAt(0.0);
    const double t1 = picture.SecondsAt(picture.Settings().width);
    const double step = NiceStep(t1 - t0, area.width() / 90.0);
    const int labelTop = area.bottom() + 6;
    for (double k = std::ceil(t0 / step); k * step <= t1 + step * 1e-9; k += 1.0) {
        const double t = k * step;
        const int x =
            area.left() + static_cast<int>(std::lround((t - t0) / (t1 - t0) * area.width()));
        canvas.Line(x, area.bottom() + 1, x, area.bottom() + 5);
        const std::string text = FormatGeneral(std::fabs(t) < step * 1e-6 ? 0.0 : t, 6);
        canvas.TextOut(x - canvas.TextWidth(text) / 2, labelTop, text);
    }
    const std::string caption = "Time (s)";
    canvas.TextOut(area.right() - canvas.TextWidth(caption), labelTop + canvas.TextHeight() + 3,
                   caption);
    canvas.TextOut(4, labelTop + canvas.TextHeight() + 3, "Frequency (Hz)");
}

void TDFTMainForm::DrawFrequencyAxis(const QRect &area) {
    const Spectrogram &picture = *spectrogram;
    const double cellsH = picture.Settings().height;
    const double f0 = picture.FrequencyAt(cellsH);
    const double f1 = picture.FrequencyAt(0.0);
    const bool logAxis = picture.Settings().logFrequency;
    auto rowOf = [&](double f) {
        const double part = logAxis ? std::log(f / f0) / std::log(f1 / f0) : (f - f0) / (f1 - f0);
        return area.bottom() + 1 - static_cast<int>(std::lround(part * area.height()));
    };
    auto tick = [&](double f) {
        const int y = rowOf(f);
        canvas.Line(area.left() - 5, y, area.left() - 1, y);
        const std::string text = FormatGeneral(f, 6);
        canvas.TextOut(area.left() - 7 - canvas.TextWidth(text), y - canvas.TextHeight() / 2, text);
    };
    if (logAxis && f1 / f0 >= 10.0) {
        // 1, 2 and 5 of every decade, fewer when the rows are crowded.
        const bool crowded = area.height() / std::log10(f1 / f0) < 60.0;
        for (double decade = std::pow(10.0, std::floor(std::log10(f0))); decade <= f1;
             decade *= 10.0) {
            for (double m : {1.0, 2.0, 5.0}) {
                const double f = m * decade;
                if (f >= f0 && f <= f1 && (!crowded || m == 1.0)) {
                    tick(f);
                }
            }
        }
        return;
    }
    const double step = NiceStep(f1 - f0, area.height() / 40.0);
    for (double k = std::ceil(f0 / step); k * step <= f1 + step * 1e-9; k += 1.0) {
        if (k * step > 0.0 || !logAxis) {
            tick(k * step);
        }
    }
}

void TDFTMainForm::DrawColourBar(const QRect &area, const LevelColours &colours) {
    const ColourMap map = GreyColours->isChecked() ? ColourMap::Grey : ColourMap::Viridis;
    QImage bar(1, kColourSteps, QImage::Format_RGB32);
    for (int i = 0; i < kColourSteps; ++i) {
        bar.setPixel(0, i, ColourStep(map, kColourSteps - 1 - i));
    }
    const int left = area.right() + 1 + kBarGap;
    canvas.DrawImage(left, area.top(), kBarWidth, area.height(), bar);
    canvas.Line(left - 1, area.top() - 1, left + kBarWidth, area.top() - 1);
    canvas.Line(left - 1, area.bottom() + 1, left + kBarWidth, area.bottom() + 1);
    canvas.Line(left - 1, area.top() - 1, left - 1, area.bottom() + 1);
    canvas.Line(left + kBarWidth, area.top() - 1, left + kBarWidth, area.bottom() + 1);
    const double top = colours.Top();
    const double range = colours.Range();
    const double step = NiceStep(range, area.height() / 40.0);
    for (double k = std::ceil((top - range) / step); k * step <= top + 1e-9; k += 1.0) {
        const double level = k * step;
        const int y =
            area.bottom() + 1 -
            static_cast<int>(std::lround((level - (top - range)) / range * area.height()));
        canvas.Line(left + kBarWidth, y, left + kBarWidth + 4, y);
        canvas.TextOut(left + kBarWidth + 6, y - canvas.TextHeight() / 2, FormatGeneral(level, 4));
    }
    canvas.TextOut(left, area.bottom() + 6, "dB");
}

// ---------------------------------------------------------------------------------------------
// Read-outs, zoom, menu, exports

void TDFTMainForm::SpectrogramMouseMove(int x, int y) {
    int pane = 0;
    while (pane < SpectrogramPanes() && !PaneRect(pane).contains(x, y)) {
        ++pane;
    }
    if (!spectrogramReady || pane == SpectrogramPanes()) {
        ClickX->clear();
        ClickY->clear();
        ClickLevel->clear();
        return;
    }
    const Spectrogram &picture = SpectrogramPane(pane);
    const QRect rect = PaneRect(pane);
    const double cx = (x - rect.left() + 0.5) * picture.Settings().width / rect.width();
    const double cy = (y - rect.top() + 0.5) * picture.Settings().height / rect.height();
    const int column = std::clamp(static_cast<int>(cx), 0, picture.Settings().width - 1);
    const int row = std::clamp(static_cast<int>(cy), 0, picture.Settings().height - 1);
    ClickX->setText(Short(picture.SecondsAt(cx)) + QStringLiteral(" s"));
    ClickY->setText(Short(picture.FrequencyAt(cy)) + QStringLiteral(" Hz"));
    ClickLevel->setText(QString::fromStdString(FormatDecimals(picture.Level(column, row), 1)) +
                        QStringLiteral(" dB"));
}

void TDFTMainForm::ZoomTime(double factor, long long at) {
    if (!spectrogramReady || analysing) {
        return;
    }
    const SpectrogramSettings &held = spectrogram->Settings();
    const long long S = spectrogram->FrameCount();
    const auto span = std::clamp(static_cast<long long>(std::llround(
                                     static_cast<double>(held.toFrame - held.fromFrame) * factor)),
                                 std::min(kMinFrames, S), S);
    at = std::clamp(at, held.fromFrame, held.toFrame);
    const auto from = static_cast<long long>(
        std::llround(static_cast<double>(at) - static_cast<double>(at - held.fromFrame) * factor));
    viewFrom = std::clamp(from, 0LL, S - span);
    viewTo = viewFrom + span;
    if (viewFrom == 0 && viewTo == S) {
        viewTo = -1;
    }
    ComputeSpectrogram(false);
}

void TDFTMainForm::ZoomFrequency(double factor, double atHz) {
    if (!spectrogramReady || analysing) {
        return;
    }
    const SpectrogramSettings &held = spectrogram->Settings();
    const double nyquist = spectrogram->SampleRate() / 2.0;
    const double binHz = static_cast<double>(spectrogram->SampleRate()) / held.N;
    const double lowest = held.logFrequency ? binHz : 0.0;
    atHz = std::clamp(atHz, held.fromHz, held.toHz);
    double from = 0.0;
    double to = 0.0;
    if (held.logFrequency) {
        // Equal ratios: the zoom works on the logarithms.
        const double la = std::log(atHz);
        from = std::exp(la - (la - std::log(held.fromHz)) * factor);
        to = std::exp(la + (std::log(held.toHz) - la) * factor);
        if (to / from < 1.0 + kMinBins * binHz / to) {
            return;
        }
    } else {
        from = atHz - (atHz - held.fromHz) * factor;
        to = atHz + (held.toHz - atHz) * factor;
        if (to - from < kMinBins * binHz) {
            return;
        }
    }
    viewFromHz = std::max(from, lowest);
    viewToHz = std::min(to, nyquist);
    ComputeSpectrogram(false);
}

void TDFTMainForm::PanSpectrogram(const QPoint &moved) {
    if (!spectrogramReady || analysing || pictureRect.isEmpty()) {
        return;
    }
    const SpectrogramSettings &held = spectrogram->Settings();
    bool changed = false;
    const long long S = spectrogram->FrameCount();
    const long long span = held.toFrame - held.fromFrame;
    if (viewTo >= 0 && moved.x() != 0) {
        const double framesPerPixel = static_cast<double>(span) / pictureRect.width();
        const auto from = std::clamp(
            held.fromFrame - static_cast<long long>(std::llround(moved.x() * framesPerPixel)), 0LL,
            S - span);
        changed = from != held.fromFrame;
        viewFrom = from;
        viewTo = from + span;
    }
    if (viewToHz >= 0.0 && moved.y() != 0) {
        // Dragged down, the frequencies above come into sight.
        const double nyquist = spectrogram->SampleRate() / 2.0;
        const double binHz = static_cast<double>(spectrogram->SampleRate()) / held.N;
        const double rows = moved.y() / static_cast<double>(PaneRect(0).height());
        if (held.logFrequency) {
            const double lo = std::log(std::max(held.fromHz, binHz));
            const double hi = std::log(held.toHz);
            const double shift =
                std::clamp((hi - lo) * rows, std::log(binHz) - lo, std::log(nyquist) - hi);
            viewFromHz = std::exp(lo + shift);
            viewToHz = std::exp(hi + shift);
        } else {
            const double shift =
                std::clamp((held.toHz - held.fromHz) * rows, -held.fromHz, nyquist - held.toHz);
            viewFromHz = held.fromHz + shift;
            viewToHz = held.toHz + shift;
        }
        changed = changed || viewFromHz != held.fromHz;
    }
    if (changed) {
        ComputeSpectrogram(false);
    }
}

void TDFTMainForm::ShowAll() {
    if (analysing) {
        return;
    }
    viewFrom = 0;
    viewTo = -1;
    viewFromHz = 0.0;
    viewToHz = -1.0;
    SpectrogramSettingChange();
}

bool TDFTMainForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched != Image2 || CurrentView() != View::Spectrogram) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const QPoint delta = wheel->angleDelta();
        const int steps = delta.y() != 0 ? delta.y() : delta.x();
        const QPoint at = wheel->position().toPoint();
        if (steps != 0 && spectrogramReady && pictureRect.contains(at)) {
            const double factor = steps > 0 ? 0.5 : 2.0;
            const Spectrogram &picture = *spectrogram;
            guarded(this, services, [&] {
                // Ctrl zooms the heights as on every plot; Shift as before.
                if (wheel->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
                    // The pane under the mouse, or the lower one below the upper's bottom.
                    const QRect pane =
                        PaneRect(at.y() > PaneRect(0).bottom() ? SpectrogramPanes() - 1 : 0);
                    const double height = picture.Settings().height;
                    const double cy = std::clamp(
                        (at.y() - pane.top() + 0.5) * height / pane.height(), 0.0, height);
                    ZoomFrequency(factor, picture.FrequencyAt(cy));
                } else {
                    const double cx = (at.x() - pictureRect.left() + 0.5) *
                                      picture.Settings().width / pictureRect.width();
                    ZoomTime(factor, std::llround(picture.SecondsAt(cx) * picture.SampleRate()));
                }
            })();
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // As on every plot, a double click shows the whole again.
        guarded(this, services, &TDFTMainForm::ShowAll)();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && spectrogramReady &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // A cursor placed in the lower pane reads that pane's rows: the mapping follows the
        // click before the plot places the cursor.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        const int pane = at.y() > PaneRect(0).bottom() ? SpectrogramPanes() - 1 : 0;
        if (pane != cursorPane) {
            cursorPane = pane;
            BindSpectrogramScope(PaneRect(cursorPane));
        }
    }
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        ShowSpectrogramMenu(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TDFTMainForm::ShowSpectrogramMenu(const QPoint &globalAt) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SpectrogramMenu"));
    menu.addAction(QStringLiteral("Copy Image"), this, [this] { Image2->CopyImage(); });
    menu.addAction(QStringLiteral("Save Image As…"), this,
                   guarded(this, services, &TDFTMainForm::SaveImageAsClick));
    QAction *saveData = menu.addAction(QStringLiteral("Save Data As…"), this,
                                       guarded(this, services, &TDFTMainForm::SaveDataAsClick));
    saveData->setEnabled(spectrogramReady && !analysing);
    menu.addSeparator();
    menu.addActions({LinearFrequency, LogFrequency});
    menu.addSeparator();
    menu.addActions({ViridisColours, GreyColours});
    menu.addSeparator();
    QAction *all = menu.addAction(QStringLiteral("Reset View"), this,
                                  guarded(this, services, &TDFTMainForm::ShowAll));
    all->setEnabled(spectrogramReady && !analysing &&
                    (viewFrom != 0 || viewTo >= 0 || viewFromHz > 0.0 || viewToHz > 0.0));
    menu.addAction(QStringLiteral("Clear Cursors"), this, [this] { Image2->ClearCursors(); });
    menu.exec(globalAt);
}

void TDFTMainForm::SaveImageAsClick() {
    const QString name = services.SaveFileName(
        this, QStringLiteral("Save Image As"), DataRoot(),
        QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)"), QStringLiteral("png"));
    if (!name.isEmpty() && !Image2->SaveImage(name)) {
        services.ReportError(this, QStringLiteral("Could not write the image %1").arg(name));
    }
}

void TDFTMainForm::SaveDataAsClick() {
    if (!spectrogramReady || analysing) {
        return;
    }
    const QString suggested =
        DataRoot() + QFileInfo(analysedPath).completeBaseName() + QStringLiteral(".csv");
    const QString name = services.SaveFileName(
        this, QStringLiteral("Save Data As"), suggested,
        QStringLiteral("CSV Files (*.csv *.CSV);;All Files (*)"), QStringLiteral("csv"));
    if (!name.isEmpty() && !SaveSpectrogramData(name)) {
        services.ReportError(this, QStringLiteral("Could not write the data %1").arg(name));
    }
}

bool TDFTMainForm::SaveSpectrogramData(const QString &fileName) {
    if (!spectrogramReady) {
        return false;
    }
    if (!rightPane) {
        return WriteSpectrogramCsv(fileName.toStdString(), *spectrogram);
    }
    return WriteSpectrogramPanesCsv(fileName.toStdString(), {spectrogram.get(), rightPane.get()},
                                    {FrameChannel::Left, FrameChannel::Right});
}
