#include "gui/widgets/ProjectorView.h"

#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QLayout>
#include <QRect>
#include <QTabWidget>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace {

bool enabled = false;

// What a window or control looked like before the view, kept on the object itself.
const char *const ScaledProperty = "kaldoriumProjector";
const char *const FontProperty = "kaldoriumFont";
const char *const GeometryProperty = "kaldoriumGeometry";
const char *const MinimumProperty = "kaldoriumMinimum";
const char *const MaximumProperty = "kaldoriumMaximum";
const char *const SizeProperty = "kaldoriumSize";

int Scaled(int v) {
    return static_cast<int>(std::lround(v * projector::Factor));
}

// Sizes round down, so that parts that filled a place between them still fit into it.
int ScaledSize(int v) {
    return v >= QWIDGETSIZE_MAX ? v : static_cast<int>(std::floor(v * projector::Factor));
}

QSize Scaled(const QSize &s) {
    return {ScaledSize(s.width()), ScaledSize(s.height())};
}

QRect Scaled(const QRect &r) {
    return {Scaled(r.x()), Scaled(r.y()), ScaledSize(r.width()), ScaledSize(r.height())};
}

// The toolkit's own parts of a compound control (a spin box's editor, a tab widget's bar) are
// placed by their control.
bool ToolkitPart(const QWidget *w, const QWidget *window) {
    for (const QWidget *p = w; p != nullptr && p != window; p = p->parentWidget()) {
        if (p->objectName().startsWith(QLatin1String("qt_")) ||
            (p->parentWidget() != nullptr && p->parentWidget()->inherits("QTabBar"))) {
            return true;
        }
    }
    return false;
}

// A tab widget shows all its tabs rather than scrolling them out of sight.
void ShowAllTabs(QWidget *w, bool on) {
    if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
        tabs->setUsesScrollButtons(!on);
    }
}

// Keeps a value of `object` the first time the view is put on; gives the kept one back.
template <typename T> T Kept(QWidget *w, const char *name, const T &now) {
    const QVariant kept = w->property(name);
    if (kept.isValid()) {
        return kept.value<T>();
    }
    w->setProperty(name, QVariant::fromValue(now));
    return now;
}

void ScaleFont(QWidget *w, bool on) {
    const QFont original = Kept(w, FontProperty, w->font());
    if (!on) {
        w->setFont(original);
        return;
    }
    QFont font = original;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * projector::Factor);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(Scaled(font.pixelSize()));
    }
    w->setFont(font);
}

void ScaleLimits(QWidget *w, bool on) {
    const QSize minimum = Kept(w, MinimumProperty, w->minimumSize());
    const QSize maximum = Kept(w, MaximumProperty, w->maximumSize());
    w->setMinimumSize(on ? Scaled(minimum) : minimum);
    w->setMaximumSize(on ? Scaled(maximum) : maximum);
}

// Windows shown later take on the view.
class ShowWatcher : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w->isWindow()) {
                projector::Apply(w, enabled);
            }
        }
        return false;
    }
};

} // namespace

namespace projector {

bool Enabled() {
    return enabled;
}

double FactorOf(const QWidget *window) {
    return window->property(ScaledProperty).toBool() ? Factor : 1.0;
}

void SetEnabled(bool on) {
    enabled = on;
    static ShowWatcher *watcher = nullptr;
    if (watcher == nullptr) {
        watcher = new ShowWatcher;
        watcher->setParent(qApp);
        qApp->installEventFilter(watcher);
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        Apply(window, on);
    }
    PlotImage::SetProjectorView(on);
}

void Apply(QWidget *window, bool on) {
    // Menus and tool tips follow the application's fonts; the view is for the windows.
    if (window->property(ScaledProperty).toBool() == on ||
        !(window->windowType() == Qt::Window || window->windowType() == Qt::Dialog)) {
        return;
    }
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.removeIf([window](QWidget *w) { return w->window() != window; });
    // The fonts first: the size hints of the laid out controls follow them. Every font is kept
    // before any changes, or a control would keep the font its window had just been given.
    Kept(window, FontProperty, window->font());
    for (QWidget *w : widgets) {
        Kept(w, FontProperty, w->font());
    }
    ScaleFont(window, on);
    for (QWidget *w : widgets) {
        ScaleFont(w, on);
        ShowAllTabs(w, on);
    }
    for (QWidget *w : widgets) {
        if (ToolkitPart(w, window)) {
            continue;
        }
        ScaleLimits(w, on);
        if (w->parentWidget()->layout() == nullptr) {
            const QRect original = Kept(w, GeometryProperty, w->geometry());
            w->setGeometry(on ? Scaled(original) : original);
        }
    }
    // Marked before the window resizes, so a window that places its controls itself on
    // resizing places them for the view.
    window->setProperty(ScaledProperty, on);
    const QSize size = Kept(window, SizeProperty, window->size());
    if (window->layout() == nullptr) {
        ScaleLimits(window, on);
        window->resize(on ? Scaled(size) : size);
    } else {
        // The layout takes the new fonts' sizes (and the window's minimum size) at once.
        for (QWidget *w : widgets) {
            if (w->layout() != nullptr) {
                w->layout()->invalidate();
            }
        }
        window->layout()->invalidate();
        window->layout()->activate();
        window->resize(on ? size.expandedTo(window->minimumSizeHint()) : size);
        if (!on) {
            // Again once the controls have taken their sizes back (posted layout requests).
            QTimer::singleShot(0, window, [window, size] { window->resize(size); });
        }
    }
    if (!on) {
        // The next time the view is put on, it starts from the window as it is then.
        for (QWidget *w : widgets) {
            w->setProperty(GeometryProperty, QVariant());
        }
        window->setProperty(SizeProperty, QVariant());
    }
}

} // namespace projector
