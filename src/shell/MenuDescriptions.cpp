#include "shell/MenuDescriptions.h"

#include "shell/MenuItemAccessible.h"

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

// What each item does, said the way the program speaks to its user. Captions stay as they are.
const MenuText kItems[] = {
    {"mnuFileNew", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens a new, empty document window.")},
    {"mnuFileOpen", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens a document from a file.")},
    {"mnuFileWebBrowser",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Opens a web page from a file in a web browser window.")},
    {"mnuFileClose", QT_TRANSLATE_NOOP("MenuDescriptions", "Closes the active window.")},
    {"mnuFileSave", QT_TRANSLATE_NOOP("MenuDescriptions", "Saves the active document to its file.")},
    {"mnuFileSaveAs", QT_TRANSLATE_NOOP("MenuDescriptions", "Saves the active document to a file you name.")},
    {"mnuFilePageSetup", QT_TRANSLATE_NOOP("MenuDescriptions", "Chooses the paper, its orientation and margins.")},
    {"mnuFilePrint", QT_TRANSLATE_NOOP("MenuDescriptions", "Prints the active document.")},
    {"mnuFileExit", QT_TRANSLATE_NOOP("MenuDescriptions", "Closes every window and ends the program.")},
    {"mnuEditCut", QT_TRANSLATE_NOOP("MenuDescriptions", "Moves the selection to the clipboard.")},
    {"mnuEditCopy", QT_TRANSLATE_NOOP("MenuDescriptions", "Copies the selection to the clipboard.")},
    {"mnuEditPaste", QT_TRANSLATE_NOOP("MenuDescriptions", "Inserts the clipboard's contents at the cursor.")},
    {"mnuViewToolbar", QT_TRANSLATE_NOOP("MenuDescriptions", "Shows or hides the toolbar.")},
    {"mnuViewStatusBar", QT_TRANSLATE_NOOP("MenuDescriptions", "Shows or hides the status bar.")},
    {"mnuViewViewLogFile",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Shows the download log, read-only, in a new document window.")},
    {"mnuViewWebBrowser", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens a web browser window at the home page.")},
    {"mnuOptionsChangeDirectory",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Chooses the folder downloaded files are saved in.")},
    {"mnuOptionsDownloadOptions", QT_TRANSLATE_NOOP("MenuDescriptions", "Chooses what a dropped link or file does.")},
    {"mnuOptionsFileSaveOptions",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Chooses how downloaded files are named and saved.")},
    {"mnuOptionsHomePageofWebBrowser",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Changes the page a new web browser window opens at.")},
    {"mnuOptionsWebBrowserInRightHalfWindow",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Places new web browser windows in the right half of the main window.")},
    {"mnuOptionsSaveLogFileOnExit",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Keeps the download log in a file when the program ends.")},
    {"mnuWindowNewWindow", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens a new, empty document window.")},
    {"mnuWindowCascade", QT_TRANSLATE_NOOP("MenuDescriptions", "Arranges the windows in an overlapping stack.")},
    {"mnuWindowTileHorizontal",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Arranges the windows one above the other, without overlap.")},
    {"mnuWindowTileVertical",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Arranges the windows side by side, without overlap.")},
    {"mnuWindowArrangeIcons", QT_TRANSLATE_NOOP("MenuDescriptions", "Lines up the minimized windows.")},
    {"mnuHelpContents", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens the help at its contents.")},
    {"mnuHelpSearchForHelpOn", QT_TRANSLATE_NOOP("MenuDescriptions", "Opens the help at its index to look up a word.")},
    {"mnuHelpTarnwickHomePage",
     QT_TRANSLATE_NOOP("MenuDescriptions", "Opens the Tarnwick home page in your web browser.")},
    {"mnuHelpAbout", QT_TRANSLATE_NOOP("MenuDescriptions", "Shows the program's version and system information.")},
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
    installMenuItemAccessibility();
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
            if (menu->objectName() != QLatin1String(text.objectName))
                continue;
            const QString description = QCoreApplication::translate("MenuDescriptions", text.description);
            menu->setAccessibleDescription(description);
            // The menu's caption in the bar is an item of its own; it says what its menu says.
            setItemDescription(action, description);
        }
        for (QAction* item : menu->actions()) {
            for (const MenuText& text : kItems) {
                if (item->objectName() == QLatin1String(text.objectName))
                    setItemDescription(item, QCoreApplication::translate("MenuDescriptions", text.description));
            }
        }
    }
}

QString windowListItemDescription()
{
    return QCoreApplication::translate("MenuDescriptions", "Brings this window to the front.");
}

} // namespace tarnwick::shell
