#pragma once

class HelpWindow;
class QMenu;
class QWidget;

// The items of the main window's Help menu: the guide's contents, its two introductions and the
// About box (shown over `aboutParent`).
void AddHelpItems(QMenu *menu, HelpWindow &help, QWidget *aboutParent);
