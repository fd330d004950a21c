#pragma once

#include <QString>

class QMenuBar;

namespace tarnwick::shell {

// Gives the menu bar and each of its menus the name and description a screen reader announces:
// the menu's caption without its access key, and what the menu is for. The items take their names
// from their captions and their descriptions (see MenuItemAccessible) from the table here, by the
// item's object name. Menus are found by object name, so this runs after the menus are built.
void describeMenus(QMenuBar* bar);

// What an entry of the Window list (one per open window, made when the menu opens) does.
QString windowListItemDescription();

} // namespace tarnwick::shell
