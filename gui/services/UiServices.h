#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// File dialogs and message boxes behind one small interface, so that tests answer them instead of
// blocking on a modal dialog.
class UiServices {
public:
    virtual ~UiServices() = default;

    // An empty result means the dialog was cancelled. `filter` is in Qt's form
    // ("DSP Input Files (*.DSI *.dsi);;All Files (*)").
    virtual QString OpenFileName(QWidget *parent, const QString &title, const QString &folder,
                                 const QString &filter) = 0;
    virtual QString SaveFileName(QWidget *parent, const QString &title, const QString &folder,
                                 const QString &filter, const QString &defaultSuffix) = 0;

    // A modal message box; returns the button pressed.
    virtual QMessageBox::StandardButton Message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons) = 0;

    // The application's error display: the text of an error that ended a handler.
    virtual void ShowError(QWidget *parent, const QString &text) = 0;

    // The "DSP Error" box of a piece of work that could not be done (a file that cannot be
    // read or written, a value out of range), through Message.
    void ReportError(QWidget *parent, const QString &text);
};

// The real dialogs of the desktop.
class QtUiServices : public UiServices {
public:
    QString OpenFileName(QWidget *parent, const QString &title, const QString &folder,
                         const QString &filter) override;
    QString SaveFileName(QWidget *parent, const QString &title, const QString &folder,
                         const QString &filter, const QString &defaultSuffix) override;
    QMessageBox::StandardButton Message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    void ShowError(QWidget *parent, const QString &text) override;
};
