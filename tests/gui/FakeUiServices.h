#pragma once

#include "gui/services/UiServices.h"

#include <QList>
#include <QQueue>
#include <QString>

// Answers the file dialogs and message boxes from queues and records what was asked, so that a
// test never blocks on a modal dialog.
class FakeUiServices : public UiServices {
public:
    struct Shown {
        QString kind; // "open", "save", "message", "error"
        QString title;
        QString text; // message text, or the dialog's folder
        QString filter;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    QString OpenFileName(QWidget *parent, const QString &title, const QString &folder,
                         const QString &filter) override;
    QString SaveFileName(QWidget *parent, const QString &title, const QString &folder,
                         const QString &filter, const QString &defaultSuffix) override;
    QMessageBox::StandardButton Message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    void ShowError(QWidget *parent, const QString &text) override;

    // Answers, used in order; an empty queue answers "cancelled" (empty name, Cancel button).
    QQueue<QString> openAnswers;
    QQueue<QString> saveAnswers;
    QQueue<QMessageBox::StandardButton> messageAnswers;

    QList<Shown> shown;
    QStringList errors;

    QStringList Kinds() const;
};
