#include "gui/widgets/NumberEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace {

bool IsEnter(const QKeyEvent *event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// The focus went to another window (a message box, a menu) rather than to another control.
bool ToAnotherWindow(const QFocusEvent *event) {
    return event->reason() == Qt::ActiveWindowFocusReason ||
           event->reason() == Qt::PopupFocusReason;
}

} // namespace

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { answered = false; });
}

bool NumberEdit::IsAllowedCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QLatin1Char('%') || c == QLatin1Char('\'');
}

void NumberEdit::keyPressEvent(QKeyEvent *event) {
    if (IsEnter(event)) {
        enterPressed = true;
    }
    if (keyFilter) {
        if (event->matches(QKeySequence::Paste)) {
            QString filtered;
            for (QChar c : QGuiApplication::clipboard()->text()) {
                if (IsAllowedCharacter(c)) {
                    filtered += c;
                }
            }
            insert(filtered);
            event->accept();
            return;
        }
        const QString text = event->text();
        // Printable characters other than the allowed ones are dropped; control keys (Backspace,
        // Enter, arrows, shortcuts) pass.
        if (text.size() == 1 && text[0].isPrint() && !IsAllowedCharacter(text[0]) &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void NumberEdit::keyReleaseEvent(QKeyEvent *event) {
    QLineEdit::keyReleaseEvent(event);
    // The release of an Enter pressed elsewhere (the one that closed a message box) is not the
    // user's Enter in this field.
    if (IsEnter(event) && enterPressed) {
        enterPressed = false;
        if (!answered) {
            Validate();
        }
    }
}

void NumberEdit::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    emit entered();
}

void NumberEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    enterPressed = false;
    if (validating) {
        focusTaken = focusTaken || ToAnotherWindow(event);
        return;
    }
    // A modal window opened elsewhere (another field's message) is not the user leaving this one.
    const QWidget *modal = QApplication::activeModalWidget();
    if (ToAnotherWindow(event) && modal != nullptr && modal != window()) {
        return;
    }
    Validate();
}

void NumberEdit::Validate() {
    validating = true;
    focusTaken = false;
    answered = false;
    emit accepted();
    validating = false;
    if (focusTaken) {
        // The validation showed a message: the user corrects the text where it stands.
        answered = true;
        if (isVisible() && isEnabled()) {
            // The box has closed; its window had the focus, so the field's window takes it back.
            window()->activateWindow();
            setFocus(Qt::OtherFocusReason);
            selectAll();
        }
    }
}
