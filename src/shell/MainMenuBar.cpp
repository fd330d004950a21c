#include "shell/MainMenuBar.h"

#include "shell/MenuDescriptions.h"
#include "shell/MenuItemAccessible.h"
#include "shell/frmMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace tarnwick::shell {

MainMenuBar::MainMenuBar(frmMain* form, QMdiArea* area)
    : QMenuBar(form)
    , m_form(form)
    , m_area(area)
{
    setObjectName(QStringLiteral("mnuMain"));
    createFileMenu();
    createEditMenu();
    createViewMenu();
    createOptionsMenu();
    createWindowMenu();
    createHelpMenu();
}

QAction* MainMenuBar::item(const QString& name) const
{
    return findChild<QAction*>(name);
}

void MainMenuBar::setFileCommandsEnabled(bool enabled)
{
    for (const char* name : {"mnuFileClose", "mnuFileSave", "mnuFileSaveAs"}) {
        if (QAction* action = item(QLatin1String(name)))
            action->setEnabled(enabled);
    }
}

QMenu* MainMenuBar::addMenu(const char* name, const QString& caption)
{
    QMenu* menu = QMenuBar::addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
    return menu;
}

QAction* MainMenuBar::addItem(QMenu* menu, const char* name, const QString& caption, void (frmMain::*slot)(),
                              const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, m_form, slot);
    return action;
}

void MainMenuBar::addSeparatorItem(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

void MainMenuBar::createFileMenu()
{
    QMenu* file = addMenu("mnuFile", QStringLiteral("&File"));
    addItem(file, "mnuFileNew", QStringLiteral("&New"), &frmMain::mnuFileNew_Click, QKeySequence(Qt::CTRL | Qt::Key_N));
    addItem(file, "mnuFileOpen", QStringLiteral("&Open..."), &frmMain::mnuFileOpen_Click,
            QKeySequence(Qt::CTRL | Qt::Key_O));
    addItem(file, "mnuFileWebBrowser", QStringLiteral("Open in &Web Browser "), &frmMain::mnuFileWebBrowser_Click);
    addItem(file, "mnuFileClose", QStringLiteral("&Close"), &frmMain::mnuFileClose_Click);
    addSeparatorItem(file, "mnuFileBar0");
    addItem(file, "mnuFileSave", QStringLiteral("&Save"), &frmMain::mnuFileSave_Click);
    addItem(file, "mnuFileSaveAs", QStringLiteral("Save &As..."), &frmMain::mnuFileSaveAs_Click);
    addSeparatorItem(file, "mnuFileBar2");
    addItem(file, "mnuFilePageSetup", QStringLiteral("Page Set&up..."), &frmMain::mnuFilePageSetup_Click);
    addItem(file, "mnuFilePrint", QStringLiteral("&Print..."), &frmMain::mnuFilePrint_Click);
    addSeparatorItem(file, "mnuFileBar4");
    addItem(file, "mnuFileExit", QStringLiteral("E&xit"), &frmMain::mnuFileExit_Click);
}

void MainMenuBar::createEditMenu()
{
    QMenu* edit = addMenu("mnuEdit", QStringLiteral("&Edit"));
    addItem(edit, "mnuEditCut", QStringLiteral("Cu&t"), &frmMain::mnuEditCut_Click, QKeySequence(Qt::CTRL | Qt::Key_X));
    addItem(edit, "mnuEditCopy", QStringLiteral("&Copy"), &frmMain::mnuEditCopy_Click,
            QKeySequence(Qt::CTRL | Qt::Key_C));
    addItem(edit, "mnuEditPaste", QStringLiteral("&Paste"), &frmMain::mnuEditPaste_Click,
            QKeySequence(Qt::CTRL | Qt::Key_V));
}

void MainMenuBar::createViewMenu()
{
    QMenu* view = addMenu("mnuView", QStringLiteral("&View"));
    QAction* toolbar = addItem(view, "mnuViewToolbar", QStringLiteral("&Toolbar"), &frmMain::mnuViewToolbar_Click);
    QAction* statusBar =
        addItem(view, "mnuViewStatusBar", QStringLiteral("Status &Bar"), &frmMain::mnuViewStatusBar_Click);
    addSeparatorItem(view, "mnuViewBar0");
    addItem(view, "mnuViewViewLogFile", QStringLiteral("View &Log File"), &frmMain::mnuViewViewLogFile_Click);
    addSeparatorItem(view, "mnuViewBar1");
    addItem(view, "mnuViewWebBrowser", QStringLiteral("&Web Browser"), &frmMain::mnuViewWebBrowser_Click);
    for (QAction* shown : {toolbar, statusBar}) {
        shown->setCheckable(true);
        shown->setChecked(true);
    }
}

void MainMenuBar::createOptionsMenu()
{
    QMenu* options = addMenu("mnuOptions", QStringLiteral("&Options"));
    addItem(options, "mnuOptionsChangeDirectory", QStringLiteral("&Change Directory"),
            &frmMain::mnuOptionsChangeDirectory_Click);
    addItem(options, "mnuOptionsDownloadOptions", QStringLiteral("&Download Options"),
            &frmMain::mnuOptionsDownloadOptions_Click);
    addItem(options, "mnuOptionsFileSaveOptions", QStringLiteral("&File Save Options"),
            &frmMain::mnuOptionsFileSaveOptions_Click);
    addSeparatorItem(options, "mnuOptionsBar0");
    addItem(options, "mnuOptionsHomePageofWebBrowser", QStringLiteral("Change &Home Page of Web Browser"),
            &frmMain::mnuOptionsHomePageofWebBrowser_Click);
    addSeparatorItem(options, "mnuOptionsBar1");
    QAction* rightHalf = addItem(options, "mnuOptionsWebBrowserInRightHalfWindow",
                                 QStringLiteral("&Web Browser in Right Half Window"),
                                 &frmMain::mnuOptionsWebBrowserInRightHalfWindow_Click);
    rightHalf->setCheckable(true);
    rightHalf->setChecked(true);
    addItem(options, "mnuOptionsSaveLogFileOnExit", QStringLiteral("&Save Log File on Exit"),
            &frmMain::mnuOptionsSaveLogFileOnExit_Click)
        ->setCheckable(true);
}

void MainMenuBar::createWindowMenu()
{
    m_windowMenu = addMenu("mnuWindow", QStringLiteral("&Window"));
    m_windowMenuFixedItems << addItem(m_windowMenu, "mnuWindowNewWindow", QStringLiteral("&New Window"),
                                      &frmMain::mnuWindowNewWindow_Click);
    m_windowMenu->addSeparator()->setObjectName(QStringLiteral("mnuWindowBar0"));
    m_windowMenuFixedItems << m_windowMenu->actions().constLast();
    m_windowMenuFixedItems << addItem(m_windowMenu, "mnuWindowCascade", QStringLiteral("&Cascade"),
                                      &frmMain::mnuWindowCascade_Click);
    m_windowMenuFixedItems << addItem(m_windowMenu, "mnuWindowTileHorizontal", QStringLiteral("Tile &Horizontal"),
                                      &frmMain::mnuWindowTileHorizontal_Click);
    m_windowMenuFixedItems << addItem(m_windowMenu, "mnuWindowTileVertical", QStringLiteral("Tile &Vertical"),
                                      &frmMain::mnuWindowTileVertical_Click);
    m_windowMenuFixedItems << addItem(m_windowMenu, "mnuWindowArrangeIcons", QStringLiteral("&Arrange Icons"),
                                      &frmMain::mnuWindowArrangeIcons_Click);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainMenuBar::rebuildWindowMenu);
}

void MainMenuBar::createHelpMenu()
{
    QMenu* help = addMenu("mnuHelp", QStringLiteral("&Help"));
    addItem(help, "mnuHelpContents", QStringLiteral("&Contents"), &frmMain::mnuHelpContents_Click);
    addItem(help, "mnuHelpSearchForHelpOn", QStringLiteral("&Search For Help On..."),
            &frmMain::mnuHelpSearchForHelpOn_Click);
    addSeparatorItem(help, "mnuHelpBar0");
    addItem(help, "mnuHelpTarnwickHomePage", QStringLiteral("&Tarnwick Home Page"),
            &frmMain::mnuHelpTarnwickHomePage_Click);
    addSeparatorItem(help, "mnuHelpBar1");
    addItem(help, "mnuHelpAbout", QStringLiteral("&About "), &frmMain::mnuHelpAbout_Click);
}

void MainMenuBar::rebuildWindowMenu()
{
    for (QAction* action : m_windowMenu->actions()) {
        if (!m_windowMenuFixedItems.contains(action)) {
            m_windowMenu->removeAction(action);
            action->deleteLater();
        }
    }
    QList<QMdiSubWindow*> listed;
    for (QMdiSubWindow* frame : m_area->subWindowList(QMdiArea::CreationOrder)) {
        if (frame->isVisible())
            listed << frame;
    }
    if (listed.isEmpty())
        return;
    m_windowMenu->addSeparator();
    QMdiSubWindow* active = m_area->currentSubWindow();
    for (int i = 0; i < listed.size(); ++i) {
        QMdiSubWindow* frame = listed.at(i);
        // A "&" in a file name is text, not an access key.
        const QString title = QString(frame->windowTitle()).replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                   : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        QAction* entry = m_windowMenu->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(frame == active);
        setItemDescription(entry, windowListItemDescription());
        connect(entry, &QAction::triggered, this, [area = m_area, window = QPointer<QMdiSubWindow>(frame)] {
            if (window)
                area->setActiveSubWindow(window);
        });
    }
}

} // namespace tarnwick::shell
