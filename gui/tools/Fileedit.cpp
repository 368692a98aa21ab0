#include "gui/tools/Fileedit.h"

#include "gui/services/Guarded.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/Named.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

// Qt's filter lists; each pattern is given in both cases, since file systems here tell them apart.
const QString TFileEditForm::OpenDialogTitle = QStringLiteral("DSP--File Open");
const QString TFileEditForm::OpenDialogFilter =
    QStringLiteral("DSP Input Files (*.DSI *.dsi);;DSP Output Files (*.DSO *.dso);;"
                   "Text Files (*.Txt *.txt *.TXT);;All Files (*)");
const QString TFileEditForm::SaveDialogTitle = QStringLiteral("DSP--Save File");
const QString TFileEditForm::SaveDialogFilter =
    QStringLiteral("DSP Input Files (*.DSI *.dsi);;DSP Output Files (*.DSO *.dso);;"
                   "Text Files (*.TXT *.txt *.Txt);;All Files (*)");
const QString TFileEditForm::SaveDialogDefaultSuffix = QStringLiteral("DSI");

namespace {

const QString NewFileName = QStringLiteral("Noname.DSI");
const QString LineNumberCaption = QStringLiteral("Line# ");

} // namespace

TFileEditForm::TFileEditForm(UiServices &services_, QWidget *parent)
    : QDialog(parent), services(services_) {
    setWindowTitle(QStringLiteral("(KALDOR) File Editor"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    CreateControls();
    CreateMenu();
    CreateFindDialog();
    ConnectHandlers();
    resize(561, 561);
}

QString TFileEditForm::EditFile(const QString &name) {
    fileName = name;
    exec();
    return fileName;
}

QToolButton *TFileEditForm::SpeedButton(const char *name, const QString &caption,
                                        const QString &iconName, const QString &hint) {
    auto *button = named<QToolButton>(Panel2, name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    // Like a speed button it never takes the focus from the text area.
    button->setFocusPolicy(Qt::NoFocus);
    const QIcon icon = QIcon::fromTheme(iconName);
    if (icon.isNull()) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        button->setIcon(icon);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    Panel2->layout()->addWidget(button);
    return button;
}

void TFileEditForm::CreateControls() {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = named<QFrame>(this, "Panel2");
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    auto *toolBar = new QHBoxLayout(Panel2);
    toolBar->setContentsMargins(4, 2, 4, 2);
    toolBar->setSpacing(2);
    NewButton = SpeedButton("NewButton", QStringLiteral("New"), QStringLiteral("document-new"),
                            QStringLiteral("New File"));
    LoadButton = SpeedButton("LoadButton", QStringLiteral("Open"), QStringLiteral("document-open"),
                             QStringLiteral("Open Existing File"));
    SaveButton = SpeedButton("SaveButton", QStringLiteral("Save"), QStringLiteral("document-save"),
                             QStringLiteral("Save Current File"));
    toolBar->addSpacing(8);
    CutButton = SpeedButton("CutButton", QStringLiteral("Cut"), QStringLiteral("edit-cut"),
                            QStringLiteral("Cut Current Selection To ClipBoard"));
    CopyButton = SpeedButton("CopyButton", QStringLiteral("Copy"), QStringLiteral("edit-copy"),
                             QStringLiteral("Copy Current Selection To ClipBoard"));
    PasteButton = SpeedButton("PasteButton", QStringLiteral("Paste"), QStringLiteral("edit-paste"),
                              QStringLiteral("Paste ClipBoard Text At Cursor"));
    UndoButton = SpeedButton("UndoButton", QStringLiteral("Undo"), QStringLiteral("edit-undo"),
                             QStringLiteral("Undo Last Change"));
    toolBar->addSpacing(8);
    SearchButton = SpeedButton("SearchButton", QStringLiteral("Find"), QStringLiteral("edit-find"),
                               QStringLiteral("Find A Text"));
    toolBar->addStretch(1);
    LoadProgress = named<QProgressBar>(Panel2, "LoadProgress");
    LoadProgress->setRange(0, 100);
    LoadProgress->setMaximumWidth(120);
    LoadProgress->setVisible(false);
    toolBar->addWidget(LoadProgress);
    LineNumberLabel = named<QLabel>(Panel2, "LineNumberLabel", LineNumberCaption);
    // Room for five digits, so that the label does not jump while the caret moves.
    LineNumberLabel->setMinimumWidth(LineNumberLabel->fontMetrics().horizontalAdvance(
        LineNumberCaption + QStringLiteral("00000")));
    toolBar->addWidget(LineNumberLabel);
    layout->addWidget(Panel2);

    Panel1 = named<QLabel>(this, "Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setMargin(3);
    // A long path must not widen the window.
    Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(Panel1);

    Memo1 = named<QPlainTextEdit>(this, "Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabChangesFocus(false);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Data files are columns of numbers: a fixed-pitch font keeps them aligned.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo1->setTabStopDistance(8 * Memo1->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    Memo1->installEventFilter(this);
    layout->addWidget(Memo1, 1);
    setFocusProxy(Memo1);
}

QAction *TFileEditForm::MenuItem(QMenu *menu, const char *name, const QString &caption,
                                 const QKeySequence &shortcut) {
    auto *item = named<QAction>(this, name, caption);
    item->setShortcut(shortcut);
    menu->addAction(item);
    return item;
}

void TFileEditForm::CreateMenu() {
    MainMenu1 = named<QMenuBar>(this, "MainMenu1");
    layout()->setMenuBar(MainMenu1);

    FileMenu = named<QMenu>(MainMenu1, "FileMenu", QStringLiteral("&File"));
    MainMenu1->addMenu(FileMenu);
    NewItem = MenuItem(FileMenu, "NewItem", QStringLiteral("&New"), Qt::CTRL | Qt::Key_N);
    OpenItem = MenuItem(FileMenu, "OpenItem", QStringLiteral("&Open..."), Qt::CTRL | Qt::Key_O);
    FileMenu->addSeparator();
    SaveItem = MenuItem(FileMenu, "SaveItem", QStringLiteral("&Save..."), Qt::CTRL | Qt::Key_S);
    FileMenu->addSeparator();
    ExitItem = MenuItem(FileMenu, "ExitItem", QStringLiteral("&Exit"), Qt::ALT | Qt::Key_X);

    EditMenu = named<QMenu>(MainMenu1, "EditMenu", QStringLiteral("&Edit"));
    MainMenu1->addMenu(EditMenu);
    UndoItem = MenuItem(EditMenu, "UndoItem", QStringLiteral("&Undo"), Qt::CTRL | Qt::Key_Z);
    EditMenu->addSeparator();
    CopyItem = MenuItem(EditMenu, "CopyItem", QStringLiteral("&Copy"), Qt::CTRL | Qt::Key_C);
    CutItem = MenuItem(EditMenu, "CutItem", QStringLiteral("Cu&t"), Qt::CTRL | Qt::Key_X);
    PasteItem = MenuItem(EditMenu, "PasteItem", QStringLiteral("&Paste"), Qt::CTRL | Qt::Key_V);
    DeleteItem = MenuItem(EditMenu, "DeleteItem", QStringLiteral("&Delete"), QKeySequence());
    EditMenu->addSeparator();
    SelectAllItem =
        MenuItem(EditMenu, "SelectAllItem", QStringLiteral("&Select All"), QKeySequence());
    EditMenu->addSeparator();
    FindItem = MenuItem(EditMenu, "FindItem", QStringLiteral("&Find..."), Qt::CTRL | Qt::Key_F);
    FindNextItem = MenuItem(EditMenu, "FindNextItem", QStringLiteral("Find &Next"), Qt::Key_F3);
}

void TFileEditForm::CreateFindDialog() {
    FindDialog = named<QDialog>(this, "FindDialog");
    FindDialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint);
    FindDialog->setWindowTitle(QStringLiteral("Find"));
    FindDialog->setModal(false);
    auto *layout = new QGridLayout(FindDialog);
    auto *label = new QLabel(QStringLiteral("Fi&nd what:"), FindDialog);
    findText = named<QLineEdit>(FindDialog, "findText");
    findText->setMinimumWidth(200);
    label->setBuddy(findText);
    findNextButton = named<QPushButton>(FindDialog, "findNextButton", QStringLiteral("&Find Next"));
    findNextButton->setDefault(true);
    findNextButton->setEnabled(false);
    findCancelButton = named<QPushButton>(FindDialog, "findCancelButton", QStringLiteral("Cancel"));
    layout->addWidget(label, 0, 0);
    layout->addWidget(findText, 0, 1);
    layout->addWidget(findNextButton, 0, 2);
    layout->addWidget(findCancelButton, 1, 2);
    layout->setRowStretch(2, 1);
}

void TFileEditForm::ConnectHandlers() {
    const auto connectClick = [this](QAction *item, QToolButton *button,
                                     void (TFileEditForm::*handler)()) {
        if (item != nullptr) {
            connect(item, &QAction::triggered, this, guarded(this, services, handler));
        }
        if (button != nullptr) {
            connect(button, &QToolButton::clicked, this, guarded(this, services, handler));
        }
    };
    connectClick(NewItem, NewButton, &TFileEditForm::NewClick);
    connectClick(OpenItem, LoadButton, &TFileEditForm::OpenClick);
    connectClick(SaveItem, SaveButton, &TFileEditForm::SaveClick);
    connectClick(ExitItem, nullptr, &TFileEditForm::ExitClick);
    connectClick(UndoItem, UndoButton, &TFileEditForm::UndoClick);
    connectClick(CopyItem, CopyButton, &TFileEditForm::CopyClick);
    connectClick(CutItem, CutButton, &TFileEditForm::CutClick);
    connectClick(PasteItem, PasteButton, &TFileEditForm::PasteClick);
    connectClick(DeleteItem, nullptr, &TFileEditForm::DeleteClick);
    connectClick(SelectAllItem, nullptr, &TFileEditForm::SelectAllClick);
    connectClick(FindItem, SearchButton, &TFileEditForm::FindClick);
    connectClick(FindNextItem, nullptr, &TFileEditForm::FindDialogFind);

    connect(findNextButton, &QPushButton::clicked, this,
            guarded(this, services, &TFileEditForm::FindDialogFind));
    connect(findCancelButton, &QPushButton::clicked, FindDialog, &QDialog::reject);
    connect(findText, &QLineEdit::textChanged, this,
            [this](const QString &text) { findNextButton->setEnabled(!text.isEmpty()); });
    connect(Memo1, &QPlainTextEdit::textChanged, this,
            guarded(this, services, &TFileEditForm::Memo1Change));
}

void TFileEditForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Run once the window is up, so that a dialog it opens appears in front of the editor.
        QMetaObject::invokeMethod(
            this, [this]() { guarded(this, services, &TFileEditForm::FormShow)(); },
            Qt::QueuedConnection);
    }
}

void TFileEditForm::FormShow() {
    if (!isVisible()) {
        return;
    }
    Panel1->setText(fileName);
    openDialogFileName = fileName;
    if (fileName.startsWith(QLatin1Char('*'))) {
        OpenClick();
    } else if (!fileName.isEmpty() && !LoadFile(fileName)) {
        // The error display has named the file; the editor opens empty under that name.
        Memo1->clear();
    }
    modified = false;
    Memo1->setFocus();
}

bool TFileEditForm::FormCloseQuery() {
    return SaveChangesFirst();
}

void TFileEditForm::done(int result) {
    if (loading) {
        // Closing ends the load; nothing of it has been changed by the user.
        stopLoading = true;
        modified = false;
    }
    bool canClose = false;
    guarded(this, services, [this, &canClose]() { canClose = FormCloseQuery(); })();
    if (!canClose) {
        return;
    }
    FindDialog->hide();
    Memo1->clear();
    Panel1->clear();
    modified = false;
    QDialog::done(result);
}

void TFileEditForm::keyPressEvent(QKeyEvent *event) {
    // Escape does not close the editor (a dialog's default would), as it would not a window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFileEditForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        Memo1KeyPress(key);
        // Shift+Enter starts a new line like Enter; a line separator inside a line would save as a
        // line break but count as no line for Find and the line number.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::ShiftModifier) {
            QTextCursor cursor = Memo1->textCursor();
            cursor.insertBlock();
            Memo1->setTextCursor(cursor);
            return true;
        }
    } else if (watched == Memo1 && event->type() == QEvent::KeyRelease) {
        Memo1KeyUp();
    }
    return QDialog::eventFilter(watched, event);
}

bool TFileEditForm::SaveChangesFirst() {
    if (!modified) {
        return true;
    }
    switch (services.Message(this, QMessageBox::Question,
                             QStringLiteral("File has been changed..."),
                             QStringLiteral("Do you want to save it?"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Save();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void TFileEditForm::NewClick() {
    if (!SaveChangesFirst()) {
        return;
    }
    Memo1->clear();
    Panel1->setText(NewFileName);
    latin1File = false;
    modified = false;
    Memo1->setFocus();
}

void TFileEditForm::OpenClick() {
    if (!SaveChangesFirst()) {
        return;
    }
    const QString chosen = services.OpenFileName(this, OpenDialogTitle,
                                                 DialogPath(openDialogFileName), OpenDialogFilter);
    if (chosen.isEmpty()) {
        return;
    }
    openDialogFileName = chosen;
    if (!LoadFile(chosen)) {
        return;
    }
    Panel1->setText(chosen);
    fileName = chosen;
    modified = false;
    Memo1->setFocus();
}

void TFileEditForm::SaveClick() {
    Save();
    Memo1->setFocus();
}

bool TFileEditForm::Save() {
    const QString chosen = services.SaveFileName(this, SaveDialogTitle, DialogPath(Panel1->text()),
                                                 SaveDialogFilter, SaveDialogDefaultSuffix);
    if (chosen.isEmpty() || !WriteFile(chosen)) {
        return false;
    }
    Panel1->setText(chosen);
    fileName = chosen;
    modified = false;
    return true;
}

void TFileEditForm::ExitClick() {
    close();
}

void TFileEditForm::CutClick() {
    Memo1->cut();
    Memo1->setFocus();
}

void TFileEditForm::CopyClick() {
    Memo1->copy();
    Memo1->setFocus();
}

void TFileEditForm::PasteClick() {
    Memo1->paste();
    Memo1->setFocus();
}

void TFileEditForm::UndoClick() {
    Memo1->undo();
    Memo1->setFocus();
}

void TFileEditForm::DeleteClick() {
    QTextCursor cursor = Memo1->textCursor();
    cursor.removeSelectedText();
    Memo1->setTextCursor(cursor);
    Memo1->setFocus();
}

void TFileEditForm::SelectAllClick() {
    Memo1->selectAll();
    Memo1->setFocus();
}

void TFileEditForm::FindClick() {
    FindDialog->show();
    FindDialog->raise();
    FindDialog->activateWindow();
    findText->setFocus();
    findText->selectAll();
}

void TFileEditForm::FindDialogFind() {
    const QString text = findText->text();
    if (text.isEmpty()) {
        return;
    }
    // The search goes by whole lines from the line after the one holding the end of the selection
    // (or the caret), so a second match in the same line is never found and the first line is
    // never searched from the start of the text; only a caret at the very beginning of a later
    // line searches that line.
    const int end = Memo1->textCursor().selectionEnd();
    const QTextBlock caretLine = Memo1->document()->findBlock(end);
    QTextBlock line =
        (end == caretLine.position() && caretLine.blockNumber() > 0) ? caretLine : caretLine.next();
    for (; line.isValid(); line = line.next()) {
        const int at = line.text().indexOf(text, 0, Qt::CaseSensitive);
        if (at >= 0) {
            QTextCursor match(Memo1->document());
            match.setPosition(line.position() + at);
            match.setPosition(line.position() + at + static_cast<int>(text.size()),
                              QTextCursor::KeepAnchor);
            Memo1->setTextCursor(match);
            activateWindow();
            Memo1->setFocus();
            return;
        }
    }
}

void TFileEditForm::Memo1Change() {
    if (!loading) {
        modified = true;
    }
}

void TFileEditForm::Memo1KeyPress(const QKeyEvent *event) {
    // Keys that type a character, as against moving the caret or pressing a shortcut.
    const QString typed = event->text();
    if (typed.isEmpty() || event->key() == Qt::Key_Escape) {
        return;
    }
    const QChar c = typed.front();
    if (c.isPrint() || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
        c == QLatin1Char('\b')) {
        modified = true;
    }
}

void TFileEditForm::Memo1KeyUp() {
    LineNumberLabel->setText(LineNumberCaption +
                             QString::number(Memo1->textCursor().blockNumber()));
}

bool TFileEditForm::WriteFile(const QString &name) {
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    // Every line is written with CR LF after it; a line break at the very end of the text ends the
    // last line rather than starting an empty one.
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    if (!text.isEmpty() || Memo1->document()->blockCount() > 1) {
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        text += QStringLiteral("\r\n");
    }
    bool asLatin1 = latin1File;
    for (const QChar c : std::as_const(text)) {
        if (c.unicode() > 0xFF) {
            asLatin1 = false;
            break;
        }
    }
    const QByteArray bytes = asLatin1 ? text.toLatin1() : text.toUtf8();

    // Written beside and renamed over the old file, so a failed write leaves the old one whole.
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        services.ShowError(this, QStringLiteral("Cannot create file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(name), file.errorString()));
        return false;
    }
    return true;
}

QString TFileEditForm::DialogPath(const QString &name) {
    if (name.contains(QLatin1Char('/'))) {
        return name;
    }
    const QString kind = QFileInfo(name).suffix().toUpper();
    if (kind == QLatin1String("DSI") || kind == QLatin1String("DSO") ||
        kind == QLatin1String("DFT")) {
        return DataFolder(kind + QLatin1Char('s')) + name;
    }
    return DataRoot() + name;
}
