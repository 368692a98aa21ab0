#pragma once

#include "gui/services/DataFileEditor.h"
#include "gui/services/MessagePump.h"

#include <QDialog>
#include <QString>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QFile;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class UiServices;

// The data file editor: a plain-text editor for the workbench's data files (.DSI, .DSO, .DFT) or
// any text file. Files are loaded as lines and saved as lines ending in CR LF.
class TFileEditForm : public QDialog, public DataFileEditor {
    Q_OBJECT
public:
    explicit TFileEditForm(UiServices &services, QWidget *parent = nullptr);

    // Shows the editor modally on `name` and returns, once it is closed, the name of the file last
    // opened or saved in it, or `name` itself when none was. `name` is a path, or a pattern that
    // begins with "*" ("*.DSI", "*.DSO"), which opens the open dialog at once.
    QString EditFile(const QString &name) override;

    // The same hand-over for an opener that shows the window itself.
    void SetFileName(const QString &name) { fileName = name; }
    QString FileName() const { return fileName; }

    // The text has been changed since it was loaded, saved or cleared.
    bool Modified() const { return modified; }
    // A file is being loaded; the editor's actions wait until it is done.
    bool Loading() const { return loading; }

    // Files above this size are opened only after asking: loading takes a while.
    static constexpr qint64 LargeFileBytes = 16 * 1024 * 1024;

    // The file dialogs, in the form the dialog service takes.
    static const QString OpenDialogTitle;
    static const QString OpenDialogFilter;
    static const QString SaveDialogTitle;
    static const QString SaveDialogFilter;
    static const QString SaveDialogDefaultSuffix;

protected:
    void showEvent(QShowEvent *event) override;
    // Every way of closing (Exit, the close box, close()) ends here.
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void CreateMenu();
    void CreateFindDialog();
    void ConnectHandlers();
    QToolButton *SpeedButton(const char *name, const QString &caption, const QString &iconName,
                             const QString &hint);
    QAction *MenuItem(QMenu *menu, const char *name, const QString &caption,
                      const QKeySequence &shortcut);

    void FormShow();
    bool FormCloseQuery();
    void NewClick();
    void OpenClick();
    void SaveClick();
    void ExitClick();
    void CutClick();
    void CopyClick();
    void PasteClick();
    void UndoClick();
    void DeleteClick();
    void SelectAllClick();
    void FindClick();
    void FindDialogFind();
    void Memo1Change();
    void Memo1KeyPress(const QKeyEvent *event);
    void Memo1KeyUp();

    // Asks about unsaved changes; true when the caller may go on (answered No, or Yes and saved).
    bool SaveChangesFirst();
    // Shows the save dialog and writes the file; true when the save was done.
    bool Save();
    // Replaces the text with the file's lines; false (after the error display) when unreadable,
    // and when the user declines to load a large file or closes the window while it loads.
    bool LoadFile(const QString &name);
    enum class ReadResult { Done, NotUtf8, Stopped, Failed };
    // Reads the file in pieces into the text, letting messages run between them.
    ReadResult ReadText(QFile &file, bool asLatin1);
    bool AskAboutLargeFile(const QString &name, qint64 size);
    void ReportReadError(const QString &name, const QFile &file);
    // Lets window messages run during a load; false when the load is to stop.
    bool ProcessMessages(qint64 done, qint64 total);
    // Enables the actions by the busy state: during a load only Exit (which ends it) is left.
    void UpdateControls();
    bool WriteFile(const QString &name);
    // Where a file dialog starts: the name itself when it has a folder, else the name in the
    // program's data folder of its kind.
    static QString DialogPath(const QString &name);

    UiServices &services;

    QString fileName;
    bool modified = false;
    // The name the open dialog offers: the opener's name, then the file last chosen in it.
    QString openDialogFileName;
    // The file loaded was not UTF-8; it is written back byte for byte as Latin-1.
    bool latin1File = false;
    bool loading = false;
    bool stopLoading = false;
    // Lets messages run while a file loads, at most every 50 ms.
    MessagePump loadPump{50};

    QMenuBar *MainMenu1 = nullptr;
    QMenu *FileMenu = nullptr;
    QAction *NewItem = nullptr;
    QAction *OpenItem = nullptr;
    QAction *SaveItem = nullptr;
    QAction *ExitItem = nullptr;
    QMenu *EditMenu = nullptr;
    QAction *UndoItem = nullptr;
    QAction *CopyItem = nullptr;
    QAction *CutItem = nullptr;
    QAction *PasteItem = nullptr;
    QAction *DeleteItem = nullptr;
    QAction *SelectAllItem = nullptr;
    QAction *FindItem = nullptr;
    QAction *FindNextItem = nullptr;

    QFrame *Panel2 = nullptr;
    QToolButton *NewButton = nullptr;
    QToolButton *LoadButton = nullptr;
    QToolButton *SaveButton = nullptr;
    QToolButton *CutButton = nullptr;
    QToolButton *CopyButton = nullptr;
    QToolButton *PasteButton = nullptr;
    QToolButton *UndoButton = nullptr;
    QToolButton *SearchButton = nullptr;
    QProgressBar *LoadProgress = nullptr;
    QLabel *LineNumberLabel = nullptr;
    QLabel *Panel1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    // Modeless like the desktop's find dialog: find-next only.
    QDialog *FindDialog = nullptr;
    QLineEdit *findText = nullptr;
    QPushButton *findNextButton = nullptr;
    QPushButton *findCancelButton = nullptr;
};
