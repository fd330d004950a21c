#pragma once

class QMenuBar;

namespace tarnwick::shell {

// Gives the menu bar and each of its menus the name and description a screen reader announces:
// the menu's caption without its access key, and what the menu is for. The items take their names
// from their captions. Menus are found by object name, so this runs after the menus are built.
void describeMenus(QMenuBar* bar);

} // namespace tarnwick::shell
