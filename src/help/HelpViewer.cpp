#include "help/HelpViewer.h"

#include "help/HelpWindow.h"

#include <QDir>

namespace tarnwick::help {

HelpViewer::~HelpViewer()
{
    delete m_window;
}

HelpWindow* HelpViewer::window() const
{
    return m_window.data();
}

bool HelpViewer::showHelp(QWidget*, const QString& helpFile, quint32 command, const QString& keyword, QString* error)
{
    if (command != Contents && command != PartialKey) {
        if (error)
            *error = QStringLiteral("The help engine has no command %1.").arg(command);
        return false;
    }
    // The viewer stands apart from the main window, as a help program of its own would. A window
    // that could not open its file tries again: the file may be there now.
    if (m_window &&
        (QDir::cleanPath(m_window->helpFile()) != QDir::cleanPath(helpFile) || !m_window->problem().isEmpty()))
        delete m_window;
    if (!m_window)
        m_window = new HelpWindow(helpFile);

    if (command == Contents)
        m_window->showContents();
    else
        m_window->showIndex(keyword);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return true;
}

} // namespace tarnwick::help
