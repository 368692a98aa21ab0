#pragma once

#include <QLineEdit>

// A numeric field. Leaving it and releasing Enter in it both emit `accepted`, the one place a
// window validates the text. With the key filter on, only digits, Backspace, Enter, "-", ".", "%"
// and "'" can be typed or pasted; every other character is discarded.
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
    bool keyFilter = false;
};
