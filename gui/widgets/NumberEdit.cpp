#include "widgets/NumberEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent) {}

bool NumberEdit::IsAllowedCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QLatin1Char('%') || c == QLatin1Char('\'');
}

void NumberEdit::keyPressEvent(QKeyEvent *event) {
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
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit accepted();
    }
}

void NumberEdit::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    emit entered();
}

void NumberEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    emit accepted();
}
