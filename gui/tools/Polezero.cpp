#include "gui/tools/PolezeroRoots.h"

#include "core/common/NumberText.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/FixedPoint.h"
#include "gui/services/Guarded.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/PlotImage.h"

#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <cmath>
#include <exception>

using kaldorium::Complex;

namespace {

constexpr double TwoPi = 6.283185307179586;
// How often the window looks at the workbench and the designer while it is shown.
constexpr int FollowMilliseconds = 150;
constexpr int PlotLeft = 30;
constexpr int PanelLeft = 512;
constexpr int PanelWidth = 470;

QString Text(const std::string &s) {
    return QString::fromStdString(s);
}

QString Number(double v) {
    if (std::isinf(v)) {
        return v > 0.0 ? QStringLiteral("∞") : QStringLiteral("−∞");
    }
    return Text(kaldorium::FormatGeneral(v, 6));
}

// Everything the picture depends on, in one list of numbers: a change in any of them redraws.
void AddKey(std::vector<double> &key, const kaldorium::TransferFunction &h) {
    key.push_back(h.gain);
    for (const auto *factors : {&h.numerator, &h.denominator}) {
        key.push_back(static_cast<double>(factors->size()));
        for (const kaldorium::Polynomial &p : *factors) {
            key.push_back(static_cast<double>(p.Size()));
            key.insert(key.end(), p.Coefficients().begin(), p.Coefficients().end());
        }
    }
}

// Equal lists, NaN included (a NaN coefficient is a change only once).
bool SameKey(const std::vector<double> &x, const std::vector<double> &y) {
    if (x.size() != y.size()) {
        return false;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] != y[i] && !(std::isnan(x[i]) && std::isnan(y[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

TPoleZeroForm::TPoleZeroForm(UiServices &services_, kaldorium::DigitalFilterDesign &design_,
                             kaldorium::FilterNetwork &network_, QWidget *parent)
    : QDialog(parent), services(services_), design(design_), network(network_),
      roots(std::make_unique<Roots>()) {
    setWindowTitle(QStringLiteral("(KALDOR) Poles and Zeros"));
    setFixedSize(PanelLeft + PanelWidth + 8, 520);
    CreateControls();
    followTimer = new QTimer(this);
    followTimer->setInterval(FollowMilliseconds);
    connect(followTimer, &QTimer::timeout, this, [this] { Follow(); });
    Follow();
}

TPoleZeroForm::~TPoleZeroForm() {
    followTimer->stop();
}

const kaldorium::PoleZeroMap &TPoleZeroForm::Map() const {
    return roots->map;
}

const kaldorium::PoleZeroMap &TPoleZeroForm::QuantisedMap() const {
    return roots->quantisedMap;
}

void TPoleZeroForm::CreateControls() {
    ZPlane = named<PlotImage>(this, "ZPlane", canvas);
    ZPlane->setGeometry(PlotLeft, 8, canvas.Width(), canvas.Height());
    ZPlane->SetServices(&services);
    ZPlane->MeasureWith(&plane, PlotImage::Axis::Plain);
    ZPlane->installEventFilter(this);
    ImaginaryLabel = named<QLabel>(this, "ImaginaryLabel");
    ImaginaryLabel->setText(QStringLiteral("Im"));
    ImaginaryLabel->setAlignment(Qt::AlignCenter);
    ImaginaryLabel->setGeometry(2, 214, 26, 18);
    RealLabel = named<QLabel>(this, "RealLabel");
    RealLabel->setText(QStringLiteral("Re"));
    RealLabel->setAlignment(Qt::AlignCenter);
    RealLabel->setGeometry(PlotLeft, 8 + canvas.Height() + 2, canvas.Width(), 18);

    FilterName = named<QLabel>(this, "FilterName");
    FilterName->setGeometry(PanelLeft, 8, PanelWidth, 20);
    QFont bold = FilterName->font();
    bold.setBold(true);
    FilterName->setFont(bold);
    Stability = named<QLabel>(this, "Stability");
    Stability->setGeometry(PanelLeft, 30, PanelWidth, 20);

    PoleZeroTable = named<QTableWidget>(this, "PoleZeroTable");
    PoleZeroTable->setGeometry(PanelLeft, 56, PanelWidth, 380);
    PoleZeroTable->setColumnCount(7);
    PoleZeroTable->setHorizontalHeaderLabels({QStringLiteral("Root"), QStringLiteral("Real"),
                                              QStringLiteral("Imaginary"), QStringLiteral("Radius"),
                                              QStringLiteral("Angle (Hz)"),
                                              QStringLiteral("f0 (Hz)"), QStringLiteral("Q")});
    PoleZeroTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PoleZeroTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    PoleZeroTable->verticalHeader()->hide();
    PoleZeroTable->setWordWrap(false);
    PoleZeroTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    PoleZeroTable->horizontalHeader()->setMinimumSectionSize(40);
    PoleZeroTable->horizontalHeader()->resizeSection(0, 60);

    DragHint = named<QLabel>(this, "DragHint");
    DragHint->setWordWrap(true);
    DragHint->setGeometry(PanelLeft, 442, PanelWidth, 60);
}

void TPoleZeroForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    Follow();
    followTimer->start();
}

void TPoleZeroForm::hideEvent(QHideEvent *event) {
    followTimer->stop();
    EndDrag();
    QDialog::hideEvent(event);
}

bool TPoleZeroForm::ReadFilter(const PoleZeroWorkbench &w, kaldorium::TransferFunction &h,
                               std::string &error) {
    try {
        if (w.kind == kaldorium::fkDesigned) {
            roots->editor.Update(design);
            h = roots->editor.Transfer();
        } else if (w.kind == kaldorium::fkNetwork) {
            h = kaldorium::NetworkTransfer(network, w.ts, TwoPi * w.oscillatorHz);
        } else {
            h = kaldorium::KindTransfer(w.kind, w.f0, w.q, w.a0, w.ts);
        }
        return true;
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
}

void TPoleZeroForm::Follow() {
    const PoleZeroWorkbench w = workbench ? workbench() : PoleZeroWorkbench{};
    kaldorium::TransferFunction h;
    std::string error;
    const bool ok = ReadFilter(w, h, error);
    const kaldorium::CoefficientBits bits = quantised != nullptr && w.kind == kaldorium::fkDesigned
                                                ? quantised->Bits()
                                                : kaldorium::CoefficientBits::Exact;
    std::vector<double> key{static_cast<double>(w.kind), w.ts, static_cast<double>(bits)};
    if (ok) {
        AddKey(key, h);
    }
    // The rounded set is rounded from the designer's, whose change the key already holds.
    if (ok && SameKey(key, shownKey) && error == shownError && w.name == shown.name) {
        return;
    }
    shownKey = std::move(key);
    shownError = error;
    shown = w;
    roots->map = {};
    roots->quantisedMap = {};
    if (ok) {
        try {
            Analyse(h, w);
        } catch (const std::exception &e) {
            // Shown in place of the stability, once per change, not as an error every tick.
            shownError = e.what();
            roots->map = {};
            roots->quantisedMap = {};
        }
    }
    FilterName->setText(Text(w.name));
    ShowStability();
    ShowTable();
    DrawPlane();
    DragHint->setText(
        CanDrag() ? QStringLiteral("Drag a pole (×) or a zero (○) to change the design: its "
                                   "conjugate follows, a real one stays on the real axis.")
                  : QStringLiteral("Select the designed filter on the workbench to drag its "
                                   "poles and zeros."));
}

void TPoleZeroForm::Analyse(const kaldorium::TransferFunction &h, const PoleZeroWorkbench &w) {
    roots->map = kaldorium::FindPolesAndZeros(h);
    if (quantised == nullptr || w.kind != kaldorium::fkDesigned ||
        quantised->Bits() == kaldorium::CoefficientBits::Exact) {
        return;
    }
    try {
        const kaldorium::QuantisedSet q =
            kaldorium::QuantiseSet(design.a, design.b, quantised->Bits());
        roots->quantisedMap =
            kaldorium::FindPolesAndZeros(kaldorium::DirectFormTransfer(q.a, q.b, 7));
    } catch (const std::exception &) {
        // A set the designed filter refuses (b0 = 0) has no rounded form either.
        roots->quantisedMap = {};
    }
}

void TPoleZeroForm::ShowStability() {
    if (!shownError.empty()) {
        Stability->setText(Text(shownError));
        Stability->setStyleSheet(QStringLiteral("color: #c00000;"));
        return;
    }
    QString text = Text(kaldorium::StabilityText(roots->map.stability));
    if (!roots->map.poles.empty()) {
        text +=
            QStringLiteral(" (largest pole radius %1)").arg(Number(roots->map.largestPoleRadius));
    }
    if (!roots->quantisedMap.poles.empty()) {
        text += QStringLiteral("; %1 bits: %2 (%3)")
                    .arg(Text(kaldorium::CoefficientBitsText(quantised->Bits())),
                         Text(kaldorium::StabilityText(roots->quantisedMap.stability)),
                         Number(roots->quantisedMap.largestPoleRadius));
    }
    Stability->setText(text);
    Stability->setStyleSheet(roots->map.stability == kaldorium::Stability::Unstable
                                 ? QStringLiteral("color: #c00000;")
                                 : QString());
}

void TPoleZeroForm::ShowTable() {
    PoleZeroTable->setRowCount(0);
    const auto add = [this](const kaldorium::PoleZeroRoot &r, const QString &kind) {
        const int row = PoleZeroTable->rowCount();
        PoleZeroTable->insertRow(row);
        const kaldorium::RootDetails d = kaldorium::DescribeRoot(r.z, shown.ts);
        const QString name =
            r.multiplicity > 1 ? QStringLiteral("%1 ×%2").arg(kind).arg(r.multiplicity) : kind;
        const QString cells[] = {name,
                                 Number(r.z.real()),
                                 Number(r.z.imag()),
                                 Number(d.radius),
                                 Number(d.frequencyHz),
                                 d.pair ? Number(d.pairF0) : QString(),
                                 d.pair ? Number(d.pairQ) : QString()};
        for (int c = 0; c < 7; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            PoleZeroTable->setItem(row, c, item);
        }
    };
    for (const kaldorium::PoleZeroRoot &p : roots->map.poles) {
        add(p, QStringLiteral("pole"));
    }
    for (const kaldorium::PoleZeroRoot &z : roots->map.zeros) {
        add(z, QStringLiteral("zero"));
    }
}

bool TPoleZeroForm::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched != ZPlane || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease)) {
        return QDialog::eventFilter(watched, event);
    }
    bool handled = false;
    guarded(this, services, [&] {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            handled = mouse->button() == Qt::LeftButton &&
                      !(mouse->modifiers() & Qt::ShiftModifier) &&
                      PressPlane(mouse->position().toPoint());
            break;
        case QEvent::MouseMove:
            if (Dragging()) {
                DragTo(mouse->position().toPoint());
                handled = true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (Dragging()) {
                EndDrag();
                handled = true;
            }
            break;
        default:
            break;
        }
    })();
    return handled || QDialog::eventFilter(watched, event);
}
