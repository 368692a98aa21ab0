#include "gui/tools/Fileedit.h"

#include "core/common/LineEnds.h"
#include "core/common/NumberText.h"
#include "gui/services/MessagePump.h"
#include "gui/services/UiServices.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

// ---------------------------------------------------------------------------------------------
// Loading a file
//
// A run's output file may hold a million lines. The file is read in pieces; each piece has its
// line ends unified and is decoded and appended to the text, and window messages run between
// pieces, so the window stays alive, shows the progress and can be closed, which ends the load.
// Every step is linear in the piece; the text area itself costs a few microseconds per line.

namespace {

constexpr qint64 PieceBytes = 256 * 1024;

} // namespace

bool TFileEditForm::LoadFile(const QString &name) {
    if (loading) {
        return false;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        services.ShowError(this, QStringLiteral("Cannot open file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(name), file.errorString()));
        return false;
    }
    if (file.size() > LargeFileBytes && !AskAboutLargeFile(name, file.size())) {
        return false;
    }
    loading = true;
    stopLoading = false;
    loadPump.Start();
    UpdateControls();
    // Read as UTF-8 until a byte sequence says otherwise; then again from the start as Latin-1.
    ReadResult result = ReadText(file, false);
    if (result == ReadResult::NotUtf8) {
        if (file.seek(0)) {
            result = ReadText(file, true);
        } else {
            ReportReadError(name, file);
            Memo1->clear();
            result = ReadResult::Failed;
        }
    }
    loading = false;
    Memo1->document()->setUndoRedoEnabled(true);
    UpdateControls();
    if (result != ReadResult::Done) {
        return false;
    }
    Memo1->moveCursor(QTextCursor::Start);
    return true;
}

TFileEditForm::ReadResult TFileEditForm::ReadText(QFile &file, bool asLatin1) {
    QByteArray piece(PieceBytes, Qt::Uninitialized);
    // A byte-order mark stays in the text, so that saving gives it back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QTextCursor end;
    bool afterCr = false;
    qint64 done = 0;
    for (bool first = true;; first = false) {
        const qint64 got = file.read(piece.data(), PieceBytes);
        if (got < 0) {
            ReportReadError(file.fileName(), file);
            // The first piece failing leaves the old text; a later one, no half file.
            if (!first) {
                Memo1->clear();
            }
            return ReadResult::Failed;
        }
        if (first) {
            Memo1->clear();
            Memo1->document()->setUndoRedoEnabled(false);
            end = QTextCursor(Memo1->document());
            latin1File = asLatin1;
        }
        if (got == 0) {
            break;
        }
        done += got;
        // Lines may end in CR LF, LF or CR; in the text area a line break is one character.
        const std::size_t length =
            kaldorium::UnifyLineEnds(piece.data(), static_cast<std::size_t>(got), afterCr);
        const QByteArrayView bytes(piece.constData(), static_cast<qsizetype>(length));
        const QString text = asLatin1 ? QString::fromLatin1(bytes) : utf8(bytes);
        if (utf8.hasError()) {
            return ReadResult::NotUtf8;
        }
        end.insertText(text);
        // Messages run between pieces only: a file of one piece loads as one step.
        if (file.atEnd()) {
            break;
        }
        if (!ProcessMessages(done, file.size())) {
            return ReadResult::Stopped;
        }
    }
    if (!asLatin1) {
        // A sequence cut off by the end of the file: one more byte makes the decoder say so,
        // and the file is read as Latin-1 rather than lose its last bytes.
        const QString after = utf8(QByteArrayView("\n", 1));
        if (utf8.hasError() || after.size() != 1) {
            return ReadResult::NotUtf8;
        }
    }
    return ReadResult::Done;
}

bool TFileEditForm::AskAboutLargeFile(const QString &name, qint64 size) {
    const QString megabytes = QString::fromStdString(
        kaldorium::FormatDecimals(static_cast<double>(size) / (1024.0 * 1024.0), 1));
    return services.Message(this, QMessageBox::Question, QStringLiteral("Large file"),
                            QStringLiteral("\"%1\" is %2 MB; loading it takes a while. Open it?")
                                .arg(QDir::toNativeSeparators(name), megabytes),
                            QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TFileEditForm::ReportReadError(const QString &name, const QFile &file) {
    services.ShowError(this, QStringLiteral("Cannot read file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(name), file.errorString()));
}

bool TFileEditForm::ProcessMessages(qint64 done, qint64 total) {
    // The bar repaints at once on a new value: it moves only when messages run.
    if (loadPump.Due()) {
        LoadProgress->setValue(total > 0 ? static_cast<int>(done * 100 / total) : 100);
    }
    loadPump.Pump();
    return !stopLoading;
}

void TFileEditForm::UpdateControls() {
    for (QAction *item : {NewItem, OpenItem, SaveItem, UndoItem, CopyItem, CutItem, PasteItem,
                          DeleteItem, SelectAllItem, FindItem, FindNextItem}) {
        item->setEnabled(!loading);
    }
    for (QToolButton *button : {NewButton, LoadButton, SaveButton, CutButton, CopyButton,
                                PasteButton, UndoButton, SearchButton}) {
        button->setEnabled(!loading);
    }
    FindDialog->setEnabled(!loading);
    Memo1->setReadOnly(loading);
    LoadProgress->setValue(0);
    LoadProgress->setVisible(loading);
}
