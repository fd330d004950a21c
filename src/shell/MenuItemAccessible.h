#pragma once

#include <QString>

class QAction;

namespace tarnwick::shell {

// A menu item's accessible description: what the item does, in a sentence. It lives on the action
// itself, so an item shared by two menus (the Edit items in the document's context menu) says the
// same in both, and an item made later (the Window list) can carry one too.
void setItemDescription(QAction* action, const QString& description);
QString itemDescription(const QAction* action);

// Qt's own menu items answer every description request with an empty text, whatever the action
// carries. This installs, once, an accessibility factory whose menu items read the description
// above and otherwise behave as Qt's: name without the access key, shortcut, state, geometry,
// submenu, press. Menus and menu bars ask for their items through the factories first, so it
// covers every menu in the program, including the ones built later.
void installMenuItemAccessibility();

} // namespace tarnwick::shell
