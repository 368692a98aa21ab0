#pragma once

#include <QObject>
#include <QTest>
#include <QWidget>

// Finds a control by its objectName and fails the test, naming it, when it is missing.
template <typename T = QWidget> T *control(QObject *window, const char *name) {
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr) {
        QTest::qFail((QByteArray("missing control ") + name).constData(), __FILE__, __LINE__);
    }
    return found;
}
