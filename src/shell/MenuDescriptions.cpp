#include "shell/MenuDescriptions.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace tarnwick::shell {

namespace {

struct MenuText
{
    const char* objectName;
    const char* description;
};

const MenuText kMenus[] = {
    {"mnuFile", QT_TRANSLATE_NOOP("MenuDescriptions", "New, open, save and print documents, open a web page, exit")},
    {"mnuEdit", QT_TRANSLATE_NOOP("MenuDescriptions", "Cut, copy and paste in the active document")},
    {"mnuView", QT_TRANSLATE_NOOP("MenuDescriptions", "Show or hide the toolbar and status bar, the log, a browser")},
    {"mnuOptions",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Download directory, download mode, file naming, home page, log")},
    {"mnuWindow", QT_TRANSLATE_NOOP("MenuDescriptions", "Arrange the child windows or bring one to the front")},
    {"mnuHelp", QT_TRANSLATE_NOOP("MenuDescriptions", "Help contents and index, the product home page, About")},
};

QString withoutAccessKey(QString caption)
{
    // "&&" is a literal ampersand; a single "&" marks the access key.
    caption.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption.trimmed();
}

} // namespace

void describeMenus(QMenuBar* bar)
{
    if (!bar)
        return;
    bar->setAccessibleName(QCoreApplication::translate("MenuDescriptions", "Menu bar"));
    bar->setAccessibleDescription(QCoreApplication::translate("MenuDescriptions", "The main window's commands"));
    for (QAction* action : bar->actions()) {
        QMenu* menu = action->menu();
        if (!menu)
            continue;
        menu->setAccessibleName(withoutAccessKey(menu->title()));
        for (const MenuText& text : kMenus) {
            if (menu->objectName() == QLatin1String(text.objectName))
                menu->setAccessibleDescription(QCoreApplication::translate("MenuDescriptions", text.description));
        }
    }
}

} // namespace tarnwick::shell
