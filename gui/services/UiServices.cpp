#include "gui/services/UiServices.h"

#include <QApplication>
#include <QFileDialog>

void UiServices::ReportError(QWidget *parent, const QString &text) {
    Message(parent, QMessageBox::Critical, QStringLiteral("DSP Error"), text, QMessageBox::Ok);
}

QString QtUiServices::OpenFileName(QWidget *parent, const QString &title, const QString &folder,
                                   const QString &filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtUiServices::SaveFileName(QWidget *parent, const QString &title, const QString &folder,
                                   const QString &filter, const QString &defaultSuffix) {
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

QMessageBox::StandardButton QtUiServices::Message(QWidget *parent, QMessageBox::Icon icon,
                                                  const QString &title, const QString &text,
                                                  QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void QtUiServices::ShowError(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}
