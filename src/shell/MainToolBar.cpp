#include "shell/MainToolBar.h"

#include "shell/Icons.h"

#include <QAction>
#include <QIcon>

namespace tarnwick::shell {

namespace {
const char* const kKeyProperty = "tarnwickKey";
}

MainToolBar::MainToolBar(QWidget* parent)
    : QToolBar(parent)
{
    setObjectName(QStringLiteral("tbToolBar"));
    setWindowTitle(tr("Toolbar"));
    setAccessibleDescription(tr("The most used commands, the formatting of the selection and Download File"));
    setIconSize(QSize(16, 16));
    setMovable(false);

    addButton(QStringLiteral("New"), QStringLiteral("new"));
    addButton(QStringLiteral("Open"), QStringLiteral("open"));
    addButton(QStringLiteral("Open in Web Browser"), QStringLiteral("open-in-browser"));
    addButton(QStringLiteral("Save"), QStringLiteral("save"));
    addSeparatorButton();
    addButton(QStringLiteral("Print"), QStringLiteral("print"));
    addSeparatorButton();
    addButton(QStringLiteral("Cut"), QStringLiteral("cut"));
    addButton(QStringLiteral("Copy"), QStringLiteral("copy"));
    addButton(QStringLiteral("Paste"), QStringLiteral("paste"));
    addSeparatorButton();
    addButton(QStringLiteral("Bold"), QStringLiteral("bold"), true);
    addButton(QStringLiteral("Italic"), QStringLiteral("italic"), true);
    addButton(QStringLiteral("Underline"), QStringLiteral("underline"), true);
    addSeparatorButton();
    addButton(QStringLiteral("Align Left"), QStringLiteral("align-left"), true);
    addButton(QStringLiteral("Center"), QStringLiteral("align-center"), true);
    addButton(QStringLiteral("Align Right"), QStringLiteral("align-right"), true);
    m_alignmentGroup = {m_buttons.at(15), m_buttons.at(16), m_buttons.at(17)};
    addSeparatorButton();
    addButton(QStringLiteral("Change Directory"), QStringLiteral("change-directory"));
    addButton(QStringLiteral("Download File"), QStringLiteral("download-file"));
    addButton(QStringLiteral("View Log File"), QStringLiteral("view-log"));
    addButton(QStringLiteral("File Save Options"), QStringLiteral("file-save-options"));

    // Designed disabled: it only makes sense once the user has typed a URL in confirmation mode.
    button(21)->setEnabled(false);

    connect(this, &QToolBar::actionTriggered, this, &MainToolBar::onTriggered);
}

void MainToolBar::addButton(const QString& key, const QString& picture, bool checkable)
{
    // Our own pictures rather than the desktop theme's: looking names up in the theme and loading its
    // files was most of the cost of showing the first window, and keys and pictures stay one set.
    QAction* action = addAction(programIcon(picture), key);
    action->setToolTip(key);
    action->setObjectName(QStringLiteral("tbToolBar_") + picture);
    action->setProperty(kKeyProperty, key);
    action->setCheckable(checkable);
    m_buttons.append(action);
}

void MainToolBar::addSeparatorButton()
{
    m_buttons.append(addSeparator());
}

QAction* MainToolBar::button(int index) const
{
    if (index < 1 || index > m_buttons.size())
        return nullptr;
    return m_buttons.at(index - 1);
}

QAction* MainToolBar::button(const QString& key) const
{
    for (QAction* action : m_buttons) {
        if (keyOf(action) == key)
            return action;
    }
    return nullptr;
}

QString MainToolBar::keyOf(const QAction* button)
{
    return button ? button->property(kKeyProperty).toString() : QString();
}

int MainToolBar::value(const QString& key) const
{
    const QAction* action = button(key);
    return action && action->isChecked() ? 1 : 0;
}

void MainToolBar::setValue(const QString& key, int value)
{
    if (QAction* action = button(key))
        action->setChecked(value != 0);
}

void MainToolBar::onTriggered(QAction* action)
{
    // The alignment buttons release each other; pressing the pressed one keeps it pressed.
    if (m_alignmentGroup.contains(action)) {
        for (QAction* other : std::as_const(m_alignmentGroup))
            other->setChecked(other == action);
    }
    emit ButtonClick(action);
}

} // namespace tarnwick::shell
