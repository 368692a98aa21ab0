#include "gui/services/HelpWindow.h"

#include "gui/services/UiServices.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QImageReader>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

// The guide lives in a static library, whose unreferenced resource object the linker would
// leave out without this call; it declares the initialiser, so it stays outside any namespace.
static void InitGuideResources() {
    Q_INIT_RESOURCE(guide);
}

namespace {

const QString ContentsPage = QStringLiteral("index.md");

// The window classes and their pages. A window the table does not name can carry its own page
// in the "helpPage" property.
const QHash<QString, QString> &WindowPages() {
    static const QHash<QString, QString> pages{
        {QStringLiteral("TDSPMainForm"), QStringLiteral("workbench.md")},
        {QStringLiteral("TGraphForm"), QStringLiteral("bode.md")},
        {QStringLiteral("TDigitalFiltersForm"), QStringLiteral("designer.md")},
        {QStringLiteral("TAnalogueFiltersForm"), QStringLiteral("analogue.md")},
        {QStringLiteral("TFilterNetworkForm"), QStringLiteral("network.md")},
        {QStringLiteral("TFileEditForm"), QStringLiteral("editor.md")},
        {QStringLiteral("TWAVMainForm"), QStringLiteral("wav.md")},
        {QStringLiteral("TDFTMainForm"), QStringLiteral("spectrum.md")},
        {QStringLiteral("TPoleZeroForm"), QStringLiteral("polezero.md")},
        {QStringLiteral("TSamplingForm"), QStringLiteral("samplinglab.md")},
    };
    return pages;
}

// The screenshots are wider than the guide's window; each is drawn at most this wide.
constexpr int PictureWidth = 600;

// Scales the pictures of the page shown down to PictureWidth, keeping their proportions.
void FitPictures(QTextBrowser *browser) {
    QTextDocument *document = browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) {
                continue;
            }
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            const QUrl url = browser->source().resolved(QUrl(picture.name()));
            const QSize size = QImageReader(QLatin1Char(':') + url.path()).size();
            if (picture.width() > 0 || size.width() <= PictureWidth) {
                continue;
            }
            picture.setWidth(PictureWidth);
            picture.setHeight(size.height() * PictureWidth / double(size.width()));
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
}

QToolButton *ToolButton(QWidget *parent, const char *name, const QString &caption) {
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    return button;
}

} // namespace

HelpWindow::HelpWindow(UiServices &services_, QWidget *parent)
    : QWidget(parent, Qt::Window), services(services_) {
    static const bool guideLoaded = (InitGuideResources(), true);
    (void)guideLoaded;
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kaldorium Guide"));
    BackButton = ToolButton(this, "BackButton", QStringLiteral("Back"));
    ForwardButton = ToolButton(this, "ForwardButton", QStringLiteral("Forward"));
    ContentsButton = ToolButton(this, "ContentsButton", QStringLiteral("Contents"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    // Links to the web open in the desktop's browser; the guide's own links stay here.
    Browser->setOpenExternalLinks(true);

    auto *bar = new QHBoxLayout;
    for (QToolButton *button : {BackButton, ForwardButton, ContentsButton}) {
        bar->addWidget(button);
    }
    bar->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(Browser);

    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);
    connect(BackButton, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(ContentsButton, &QToolButton::clicked, this, [this] { ShowPage(ContentsPage); });
    // A link followed, Back or Forward: the new page is in place only after the signal.
    connect(
        Browser, &QTextBrowser::sourceChanged, this, [this] { FitPictures(Browser); },
        Qt::QueuedConnection);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QToolButton::setEnabled);
    resize(760, 680);
}

QStringList HelpWindow::Pages() {
    return {ContentsPage,
            QStringLiteral("getting-started.md"),
            QStringLiteral("signals.md"),
            QStringLiteral("workbench.md"),
            QStringLiteral("bode.md"),
            QStringLiteral("designer.md"),
            QStringLiteral("analogue.md"),
            QStringLiteral("network.md"),
            QStringLiteral("editor.md"),
            QStringLiteral("wav.md"),
            QStringLiteral("spectrum.md"),
            QStringLiteral("polezero.md"),
            QStringLiteral("samplinglab.md"),
            QStringLiteral("files.md")};
}

QUrl HelpWindow::PageUrl(const QString &page) {
    return QUrl(QStringLiteral("qrc:/guide/") + page);
}

QString HelpWindow::PageFor(const QWidget *window) {
    // A dialog without a page of its own (a Find dialog) is explained by its owner's page.
    for (; window != nullptr;
         window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr) {
        const QString own = window->property("helpPage").toString();
        if (!own.isEmpty()) {
            return own;
        }
        const auto page =
            WindowPages().find(QString::fromLatin1(window->metaObject()->className()));
        if (page != WindowPages().end()) {
            return page.value();
        }
    }
    return ContentsPage;
}

void HelpWindow::ShowPage(const QString &page) {
    Browser->setSource(PageUrl(page), QTextDocument::MarkdownResource);
    FitPictures(Browser);
    // Over a modal window only a modal window takes input; without one the guide stays beside
    // the program's windows.
    const Qt::WindowModality modality =
        QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != this
            ? Qt::ApplicationModal
            : Qt::NonModal;
    if (windowModality() != modality) {
        hide();
        setWindowModality(modality);
    }
    show();
    raise();
    activateWindow();
}

QString HelpWindow::CurrentPage() const {
    return Browser->source().fileName();
}

void HelpWindow::ShowAbout(QWidget *parent) {
    const QString text =
        QStringLiteral("Kaldorium %1\n\n"
                       "A workbench for teaching signal processing.\n\n"
                       "Licence: GNU General Public License, version 3 or later. The program "
                       "comes with no warranty.\n\n"
                       "Libraries used: Qt %2 (Widgets, Multimedia, SVG) under the GNU LGPL "
                       "version 3, GStreamer for sound playback, and the C++ standard library.")
            .arg(QStringLiteral(KALDORIUM_VERSION), QString::fromLatin1(qVersion()));
    services.Message(parent, QMessageBox::Information, QStringLiteral("About Kaldorium"), text,
                     QMessageBox::Ok);
}

void HelpWindow::InstallHelpKey() {
    qApp->installEventFilter(this);
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1) {
        return false;
    }
    // The first widget a key press reaches is the one with the focus (or its window); the
    // press ends here, so it is answered once.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget == nullptr) {
        return false;
    }
    QWidget *window = widget->window();
    if (window != this) {
        ShowPage(PageFor(window));
    }
    return true;
}
