#include "gui/services/Tooltips.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>

#include <cstring>

namespace {

// Widgets that are controls though no standard control class names them: the steppers, the
// plots and the pictures that take clicks. Known by class name, so this floor needs none of them.
bool IsCustomControl(const QWidget *widget) {
    for (const char *name : {"Stepper", "PlotImage"}) {
        if (widget->inherits(name)) {
            return true;
        }
    }
    return false;
}

// The parts of a composite control (a stepper's arrows, a list's editor, a spin box's line) carry
// the composite's tooltip: Qt asks the parent when a part has none.
bool IsPartOfControl(const QWidget *widget) {
    const QWidget *parent = widget->parentWidget();
    return parent != nullptr && !parent->isWindow() &&
           (IsCustomControl(parent) || qobject_cast<const QComboBox *>(parent) != nullptr ||
            qobject_cast<const QAbstractSpinBox *>(parent) != nullptr ||
            qobject_cast<const QTabWidget *>(parent) != nullptr ||
            qobject_cast<const QTabBar *>(parent) != nullptr);
}

// The class of the window a control belongs to.
const char *WindowClassOf(const QWidget *control) {
    return control->window()->metaObject()->className();
}

} // namespace

bool IsControl(const QWidget *widget) {
    if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")) ||
        IsPartOfControl(widget)) {
        return false;
    }
    return qobject_cast<const QAbstractButton *>(widget) != nullptr ||
           qobject_cast<const QLineEdit *>(widget) != nullptr ||
           qobject_cast<const QComboBox *>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox *>(widget) != nullptr ||
           qobject_cast<const QAbstractSlider *>(widget) != nullptr ||
           qobject_cast<const QAbstractItemView *>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit *>(widget) != nullptr ||
           qobject_cast<const QTextEdit *>(widget) != nullptr || IsCustomControl(widget);
}

void ApplyTooltips(QWidget *window) {
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->toolTip().isEmpty() || !IsControl(widget)) {
            continue;
        }
        const QByteArray name = widget->objectName().toLatin1();
        if (const char *text = TooltipText(WindowClassOf(widget), name.constData())) {
            widget->setToolTip(QString::fromUtf8(text));
        }
    }
}

QStringList ControlsWithoutTooltip(const QWidget *window) {
    QStringList missing;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (IsControl(widget) && widget->toolTip().isEmpty() &&
            !missing.contains(widget->objectName())) {
            missing.append(widget->objectName());
        }
    }
    missing.sort();
    return missing;
}

QString TooltipWithValue(const QWidget *control, const QString &value) {
    const QByteArray name = control->objectName().toLatin1();
    const char *text = TooltipText(WindowClassOf(control), name.constData());
    return text == nullptr ? value : QString::fromUtf8(text) + QStringLiteral("; now ") + value;
}
