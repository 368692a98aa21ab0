#include "tests/gui/FakeUiServices.h"

QString FakeUiServices::OpenFileName(QWidget *, const QString &title, const QString &folder,
                                     const QString &filter) {
    shown.append({QStringLiteral("open"), title, folder, filter, QMessageBox::NoIcon, {}});
    return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
}

QString FakeUiServices::SaveFileName(QWidget *, const QString &title, const QString &folder,
                                     const QString &filter, const QString &) {
    shown.append({QStringLiteral("save"), title, folder, filter, QMessageBox::NoIcon, {}});
    return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
}

QMessageBox::StandardButton FakeUiServices::Message(QWidget *, QMessageBox::Icon icon,
                                                    const QString &title, const QString &text,
                                                    QMessageBox::StandardButtons buttons) {
    shown.append({QStringLiteral("message"), title, text, QString(), icon, buttons});
    return messageAnswers.isEmpty() ? QMessageBox::Cancel : messageAnswers.dequeue();
}

void FakeUiServices::ShowError(QWidget *, const QString &text) {
    shown.append({QStringLiteral("error"), QString(), text, QString(), QMessageBox::Critical, {}});
    errors.append(text);
}

QStringList FakeUiServices::Kinds() const {
    QStringList kinds;
    for (const Shown &s : shown) {
        kinds.append(s.kind);
    }
    return kinds;
}
