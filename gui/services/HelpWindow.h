#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;
class QToolButton;
class UiServices;

// The user guide, shipped inside the program as Markdown pages with their pictures, shown in a
// browser with Back, Forward and Contents. Installed on the application it answers F1 in every
// window with the page of the window that has the focus; over a modal window it is shown modal
// too, so the guide can be read and closed without closing the window it explains.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(UiServices &services, QWidget *parent = nullptr);

    // The guide's pages, contents first ("index.md", "workbench.md", …).
    static QStringList Pages();
    // The guide's address of a page: "qrc:/guide/<page>".
    static QUrl PageUrl(const QString &page);
    // The page that explains a window: its "helpPage" property when it has one, otherwise the
    // page listed for its class, otherwise its owner window's page, otherwise the contents.
    static QString PageFor(const QWidget *window);

    // Shows the page and raises the window.
    void ShowPage(const QString &page);
    // The page shown, as a file name under the guide ("workbench.md").
    QString CurrentPage() const;
    // The program's version, licence and the libraries it uses, in a message box.
    void ShowAbout(QWidget *parent);
    // Lets F1 anywhere in the application open the page of the window with the focus.
    void InstallHelpKey();

    QTextBrowser *Browser;
    QToolButton *BackButton;
    QToolButton *ForwardButton;
    QToolButton *ContentsButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UiServices &services;
};
