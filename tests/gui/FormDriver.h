#pragma once

#include "gui/widgets/Stepper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>
#include <stdexcept>

// Finds a control by its objectName. A missing control fails the test with its name and ends the
// test function (Qt Test reports the escaping exception), so no test goes on with a null pointer.
template <typename T = QWidget> T *control(QObject *window, const char *name) {
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr) {
        const QByteArray why = QByteArray("missing control ") + name;
        QTest::qFail(why.constData(), __FILE__, __LINE__);
        throw std::runtime_error(why.toStdString());
    }
    return found;
}

// What a modal window showed before it was answered.
struct ModalSeen {
    bool shown = false;
    QWidget *window = nullptr;
    QString title;
    QString text; // a message box's text
};

// Waits for the next modal window (and, when given, for `ready` to hold while it shows), records
// its title and text, runs `act` on it and closes it (a message box by `answer`). Gives up after
// five seconds, closing a modal window that never got ready without running `act`, so a fault
// fails instead of hanging.
inline std::shared_ptr<ModalSeen> AnswerModal(std::function<void(QWidget *)> act = {},
                                              QMessageBox::StandardButton answer = QMessageBox::Ok,
                                              std::function<bool()> ready = {}) {
    auto seen = std::make_shared<ModalSeen>();
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll,
                     [poll, seen, act, answer, ready, deadline = QDeadlineTimer(5000)] {
                         QWidget *modal = QApplication::activeModalWidget();
                         const bool isReady = modal != nullptr && (!ready || ready());
                         // Polls until a modal window shows ready, the time is up, or the test
                         // has dropped what it would have read.
                         if (!isReady && !deadline.hasExpired() && seen.use_count() > 1) {
                             return;
                         }
                         poll->stop();
                         poll->deleteLater();
                         if (modal != nullptr && !isReady) {
                             modal->close();
                         }
                         if (!isReady || seen.use_count() == 1) {
                             return;
                         }
                         *seen = {true, modal, modal->windowTitle(), {}};
                         auto *box = qobject_cast<QMessageBox *>(modal);
                         if (box != nullptr) {
                             seen->text = box->text();
                         }
                         QPointer<QWidget> alive(modal);
                         if (act) {
                             act(modal);
                         }
                         if (alive && alive->isVisible() && box != nullptr) {
                             box->done(answer);
                         } else if (alive && alive->isVisible()) {
                             alive->close();
                         }
                     });
    poll->start(5);
    return seen;
}

// Answers every message box as a user at the keyboard does: Enter goes down in the box, which
// closes it, and comes up a moment later in whatever window then has the focus. Counts the boxes;
// past a few it ends a cascade by closing the box without a key.
class KeyboardAnswerer {
public:
    KeyboardAnswerer() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { Answer(); });
        timer.start();
    }
    int boxes = 0;

private:
    void Answer() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || box->property("answered").toBool()) {
            return;
        }
        // The key goes to the box once it has the focus (a box of a cascade may never get it).
        const int waited = box->property("waited").toInt();
        box->setProperty("waited", waited + 1);
        if (!box->isActiveWindow() && waited < 10) {
            return;
        }
        box->setProperty("answered", true);
        if (++boxes > 4 || !box->isActiveWindow()) {
            box->done(QMessageBox::Ok);
            return;
        }
        QTest::keyPress(box->windowHandle(), Qt::Key_Return);
        QTimer::singleShot(30, [] {
            if (QWindow *focused = QGuiApplication::focusWindow()) {
                QTest::keyRelease(focused, Qt::Key_Return);
            }
        });
    }
    QTimer timer;
};

// Drives a window as a user does: finds its controls by name, clicks, types, leaves fields and
// steps steppers. A test class derives from it and points `root` at the window under test.
class FormDriver {
protected:
    QWidget *root = nullptr;
    // Whether a click first lets pending window messages run, as they would have before a user's
    // click arrives; off where a test counts exactly what a timer-driven run has done.
    bool settleBeforeClick = true;

    template <typename T = QWidget> T *find(const char *name) { return control<T>(root, name); }
    template <typename T = QWidget> T *find(const QString &name) {
        return control<T>(root, name.toLatin1().constData());
    }
    template <typename T = QWidget> T *find(const QByteArray &name) {
        return control<T>(root, name.constData());
    }
    QString text(const char *name) { return find<QLineEdit>(name)->text(); }
    QString caption(const char *name) { return find<QAbstractButton>(name)->text(); }
    bool visible(const char *name) { return find(name)->isVisible(); }
    bool enabled(const char *name) { return find(name)->isEnabled(); }
    // Clicks as a user does, on the control where the laid-out window shows it.
    void click(const char *name) { click(find<QAbstractButton>(name)); }
    void click(const QString &name) { click(name.toLatin1().constData()); }
    void click(QAbstractButton *button) {
        if (settleBeforeClick) {
            QCoreApplication::processEvents();
        }
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Types a text into a field, replacing what it held, without leaving it.
    void type(const char *name, const QString &value) {
        auto *field = find<QLineEdit>(name);
        field->selectAll();
        field->del();
        QTest::keyClicks(field, value);
    }
    void type(const QByteArray &name, const QString &value) { type(name.constData(), value); }
    // Types into a field that first takes the focus, as a user who clicked into it does; the
    // field is then left when the focus moves on.
    void typeFocused(const char *name, const QString &value) {
        find(name)->setFocus();
        type(name, value);
    }
    // Leaves a field as the focus moving away does.
    void leave(const char *name) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(find<QLineEdit>(name), &out);
    }
    void enter(const char *name) { QTest::keyClick(find<QLineEdit>(name), Qt::Key_Return); }
    // Sets a field's text as the program would, then leaves it.
    void setField(const char *name, const QString &value) {
        find<QLineEdit>(name)->setText(value);
        leave(name);
    }
    void step(const char *name, bool up) {
        auto *stepper = find<Stepper>(name);
        QTest::mouseClick(up ? stepper->UpButton() : stepper->DownButton(), Qt::LeftButton);
    }
};

// Turns the mouse wheel over a widget at `at` by `notches` (positive: away from the user).
inline void wheel(QWidget *widget, const QPoint &at, int notches,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// Right-clicks `widget` at `at` and chooses the item with the text `item` from the context menu
// that opens; false when the menu had no such item.
inline bool chooseFromMenu(QWidget *widget, const QPoint &at, const QString &item) {
    bool found = false;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        for (QAction *a : menu->actions()) {
            if (a->text() == item) {
                found = true;
                menu->close();
                a->trigger();
            }
        }
        menu->close();
    });
    QTest::mouseClick(widget, Qt::RightButton, {}, at);
    return found;
}
