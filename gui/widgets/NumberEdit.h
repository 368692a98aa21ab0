#pragma once

#include <QLineEdit>

// A numeric field. Leaving it and releasing Enter in it both emit `accepted`, the one place a
// window validates the text. With the key filter on, only digits, Backspace, Enter, "-", ".", "%"
// and "'" can be typed or pasted; every other character is discarded.
//
// A validation that shows a message (a refused text in the error display) is not run again by
// the message itself: neither by the message box taking the focus nor by the release of the
// Enter that closed it. The field then keeps the focus with its text selected, and Enter
// validates again only once the text has changed; leaving the field always validates.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget *parent = nullptr);

    void SetKeyFilter(bool on) { keyFilter = on; }
    bool KeyFilter() const { return keyFilter; }

    // The characters the key filter lets through (besides Backspace and Enter).
    static bool IsAllowedCharacter(QChar c);

signals:
    void accepted();
    // Focus entered the field (used by read-only fields that hand the focus on).
    void entered();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void Validate();

    bool keyFilter = false;
    // Enter went down in this field; only then does its release validate.
    bool enterPressed = false;
    // Inside the emission of `accepted`, and whether another window took the focus meanwhile.
    bool validating = false;
    bool focusTaken = false;
    // The last validation showed a message about the text still shown: Enter waits for a change.
    bool answered = false;
};
