#pragma once

#include <QString>
#include <QWidget>

// Creates a child widget whose objectName is the member's name, so tests and people find it with
// findChild.
template <typename W, typename... Args>
W *named(QWidget *parent, const char *name, Args &&...args) {
    W *widget = new W(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
