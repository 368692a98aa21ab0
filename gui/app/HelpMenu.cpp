#include "gui/app/HelpMenu.h"

#include "gui/services/HelpWindow.h"

#include <QAction>
#include <QMenu>

namespace {

void AddPageItem(QMenu *menu, HelpWindow &help, const char *name, const QString &caption,
                 const QString &page) {
    QAction *item = menu->addAction(caption, &help, [&help, page] { help.ShowPage(page); });
    item->setObjectName(QString::fromLatin1(name));
}

} // namespace

void AddHelpItems(QMenu *menu, HelpWindow &help, QWidget *aboutParent) {
    AddPageItem(menu, help, "GuideItem", QStringLiteral("&Guide\tF1"), QStringLiteral("index.md"));
    AddPageItem(menu, help, "GettingStartedItem", QStringLiteral("Getting &Started"),
                QStringLiteral("getting-started.md"));
    AddPageItem(menu, help, "SignalsItem", QStringLiteral("Signals and &Filters in Brief"),
                QStringLiteral("signals.md"));
    menu->addSeparator();
    QAction *about = menu->addAction(QStringLiteral("&About Kaldorium"), &help,
                                     [&help, aboutParent] { help.ShowAbout(aboutParent); });
    about->setObjectName(QStringLiteral("AboutItem"));
}
