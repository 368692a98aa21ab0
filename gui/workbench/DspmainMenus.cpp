#include "gui/workbench/Dspmain.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Shows a menu's title as soon as an item joins it.
class ShowWhenFilled : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::ActionAdded) {
            static_cast<QMenu *>(watched)->menuAction()->setVisible(true);
        }
        return false;
    }
};

// A menu shows in the bar only once it has an item, so an owner that adds nothing leaves no
// empty title behind.
QMenu *AddMenu(QMenuBar *bar, ShowWhenFilled *filter, const char *name, const char *title) {
    QMenu *menu = bar->addMenu(QString::fromLatin1(title));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setVisible(false);
    menu->installEventFilter(filter);
    return menu;
}

} // namespace

void TDSPMainForm::CreateMenus(QVBoxLayout *outer) {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    outer->setMenuBar(MainMenu);
    auto *showWhenFilled = new ShowWhenFilled(MainMenu);
    FileMenu = AddMenu(MainMenu, showWhenFilled, "FileMenu", "&File");
    ViewMenu = AddMenu(MainMenu, showWhenFilled, "ViewMenu", "&View");
    ToolsMenu = AddMenu(MainMenu, showWhenFilled, "ToolsMenu", "&Tools");
    HelpMenu = AddMenu(MainMenu, showWhenFilled, "HelpMenu", "&Help");

    QAction *quit = FileMenu->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("QuitAction"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });
}

// The tool windows the workbench's buttons open are in the Tools menu too; their items click
// the same buttons, so a menu and a button can never do different things.
void TDSPMainForm::AddToolItems() {
    for (QPushButton *button :
         {AnalogueFiltersDesign, DigitalFiltersDesign, MakeBodePlot, WaveFiles}) {
        const QString caption =
            button == WaveFiles ? QStringLiteral("WAV Workbench") : button->text();
        QAction *item = ToolsMenu->addAction(caption, button, &QPushButton::click);
        item->setObjectName(button->objectName() + QStringLiteral("Item"));
    }
}
