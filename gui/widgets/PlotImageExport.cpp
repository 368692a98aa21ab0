#include "core/signal/Oscilloscopeclass.h"
#include "gui/services/Media.h"
#include "gui/widgets/ImageCanvas.h"
#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int Gap = 4;         // between a title and the plot, and around the legend
constexpr int LegendLine = 20; // the sample of a trace's line in the legend
const QColor TraceColours[2] = {Qt::black, Qt::red};

QString Named(const std::string &name, const std::string &unnamed) {
    return name == unnamed ? QString() : QString::fromStdString(name);
}

} // namespace

PlotImage::ExportFrame PlotImage::Frame() const {
    ExportFrame frame;
    if (scope == nullptr) {
        return frame;
    }
    // A plot that did not name its columns keeps the default names: those are no titles.
    const kaldorium::PlotData::Columns unnamed;
    const kaldorium::PlotData::Columns &names = scope->columns;
    frame.xTitle = Named(names.x, unnamed.x);
    QStringList traces;
    int lastNamed = -1;
    for (int t = 0; t < 2 && t < scope->Data().Current().traceCount; ++t) {
        const QString name = Named(names.traces[t], unnamed.traces[t]);
        traces << name;
        if (!name.isEmpty()) {
            lastNamed = t;
        }
    }
    const int named = static_cast<int>(traces.size() - traces.count(QString()));
    if (named == 1) {
        frame.yTitle = traces[lastNamed];
    } else if (named == 2) {
        frame.legend = traces;
    }
    const int line = QFontMetrics(font()).height() + Gap;
    frame.left = frame.yTitle.isEmpty() ? 0 : line;
    frame.bottom = frame.xTitle.isEmpty() ? 0 : line;
    frame.top = frame.legend.isEmpty() ? 0 : line;
    return frame;
}

void PlotImage::DrawFrame(QPainter &painter, const ExportFrame &frame) const {
    const int width = canvas.Width();
    const int height = canvas.Height();
    const int margin = scope->LabelMargin();
    painter.setFont(font());
    painter.setPen(Qt::black);
    if (!frame.xTitle.isEmpty()) {
        // Centred under the plotting area, which starts after the labels' margin.
        const QRect under(frame.left + margin, frame.top + height, width - margin, frame.bottom);
        painter.drawText(under, Qt::AlignCenter, frame.xTitle);
    }
    if (!frame.yTitle.isEmpty()) {
        painter.save();
        painter.translate(0, frame.top + (height - margin) / 2);
        painter.rotate(-90);
        painter.drawText(QRect(-(height - margin) / 2, 0, height - margin, frame.left),
                         Qt::AlignCenter, frame.yTitle);
        painter.restore();
    }
    // The legend, right-aligned above the plot: a line in each trace's colour, then its name.
    const QFontMetrics metrics(font());
    int x = frame.left + width - Gap;
    for (qsizetype t = frame.legend.size() - 1; t >= 0; --t) {
        const QString &name = frame.legend[t];
        x -= metrics.horizontalAdvance(name);
        painter.setPen(Qt::black);
        painter.drawText(QRect(x, 0, metrics.horizontalAdvance(name), frame.top), Qt::AlignCenter,
                         name);
        x -= Gap + LegendLine;
        painter.setPen(QPen(TraceColours[t], 2));
        painter.drawLine(x, frame.top / 2, x + LegendLine - Gap, frame.top / 2);
        x -= 3 * Gap;
    }
}

QImage PlotImage::ExportedImage() const {
    const QImage &plot = canvas.Image();
    const ExportFrame frame = Frame();
    if (frame.left == 0 && frame.top == 0 && frame.bottom == 0) {
        return plot;
    }
    // The bands in image pixels, whole ones on a scaled screen too.
    const qreal ratio = plot.devicePixelRatio();
    QImage image(plot.width() + qRound(frame.left * ratio),
                 plot.height() + qRound(frame.top * ratio) + qRound(frame.bottom * ratio),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(
        QPointF(qRound(frame.left * ratio) / ratio, qRound(frame.top * ratio) / ratio), plot);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawFrame(painter, frame);
    return image;
}

void PlotImage::CopyImage() {
    QApplication::clipboard()->setImage(ExportedImage());
}

bool PlotImage::SaveImage(const QString &fileName) {
    if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) != 0) {
        return ExportedImage().save(fileName, "PNG");
    }
    const ExportFrame frame = Frame();
    const QSize size(canvas.Width() + frame.left, canvas.Height() + frame.top + frame.bottom);
    const media::SvgPicture svg(fileName, size, window()->windowTitle(),
                                QStringLiteral("Drawn by Kaldorium"));
    QPainter painter;
    if (svg.Device() == nullptr || !painter.begin(svg.Device())) {
        return false;
    }
    if (size != QSize(canvas.Width(), canvas.Height())) {
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        DrawFrame(painter, frame);
    }
    painter.translate(frame.left, frame.top);
    painter.setFont(font());
    if (!canvas.Replay(painter)) {
        // A drawing too long to keep: the picture goes in as an image.
        painter.drawImage(QRectF(0, 0, canvas.Width(), canvas.Height()), canvas.Image());
    }
    return painter.end() && QFileInfo(fileName).size() > 0;
}
