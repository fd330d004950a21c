#pragma once

#include <QList>
#include <QMenuBar>

class QMdiArea;
class QMenu;

namespace tarnwick::shell {

class frmMain;

// The main window's menu bar: every menu and item with its designed name, caption and shortcut,
// each item wired to the main window's event procedure of the same name. It also keeps the Window
// menu's list of child windows and the enabled state of the File commands that need a document.
class MainMenuBar : public QMenuBar
{
    Q_OBJECT
public:
    MainMenuBar(frmMain* form, QMdiArea* area);

    // The item (or separator) with that designed name, or null.
    QAction* item(const QString& name) const;

    // Close, Save and Save As: on while at least one document window is open.
    void setFileCommandsEnabled(bool enabled);

private:
    QMenu* addMenu(const char* name, const QString& caption);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, void (frmMain::*slot)(),
                     const QKeySequence& shortcut = QKeySequence());
    void addSeparatorItem(QMenu* menu, const char* name);
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createOptionsMenu();
    void createWindowMenu();
    void createHelpMenu();
    void rebuildWindowMenu();

    frmMain* m_form;
    QMdiArea* m_area;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowMenuFixedItems;
};

} // namespace tarnwick::shell
