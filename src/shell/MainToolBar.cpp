#include "shell/MainToolBar.h"

#include "shell/Resources.h"

#include <QAction>
#include <QIcon>

namespace tarnwick::shell {

namespace {
const char* const kKeyProperty = "tarnwickKey";
}

MainToolBar::MainToolBar(QWidget* parent)
    : QToolBar(parent)
{
    initResources();
    setObjectName(QStringLiteral("tbToolBar"));
    setWindowTitle(tr("Toolbar"));
    setIconSize(QSize(16, 16));
    setMovable(false);

    addButton(QStringLiteral("New"), QStringLiteral("document-new"), QStringLiteral("new"));
    addButton(QStringLiteral("Open"), QStringLiteral("document-open"), QStringLiteral("open"));
    addButton(QStringLiteral("Open in Web Browser"), QStringLiteral("internet-web-browser"),
              QStringLiteral("open-in-browser"));
    addButton(QStringLiteral("Save"), QStringLiteral("document-save"), QStringLiteral("save"));
    addSeparatorButton();
    addButton(QStringLiteral("Print"), QStringLiteral("document-print"), QStringLiteral("print"));
    addSeparatorButton();
    addButton(QStringLiteral("Cut"), QStringLiteral("edit-cut"), QStringLiteral("cut"));
    addButton(QStringLiteral("Copy"), QStringLiteral("edit-copy"), QStringLiteral("copy"));
    addButton(QStringLiteral("Paste"), QStringLiteral("edit-paste"), QStringLiteral("paste"));
    addSeparatorButton();
    addButton(QStringLiteral("Bold"), QStringLiteral("format-text-bold"), QStringLiteral("bold"), true);
    addButton(QStringLiteral("Italic"), QStringLiteral("format-text-italic"), QStringLiteral("italic"), true);
    addButton(QStringLiteral("Underline"), QStringLiteral("format-text-underline"), QStringLiteral("underline"),
              true);
    addSeparatorButton();
    addButton(QStringLiteral("Align Left"), QStringLiteral("format-justify-left"), QStringLiteral("align-left"),
              true);
    addButton(QStringLiteral("Center"), QStringLiteral("format-justify-center"), QStringLiteral("align-center"),
              true);
    addButton(QStringLiteral("Align Right"), QStringLiteral("format-justify-right"), QStringLiteral("align-right"),
              true);
    m_alignmentGroup = {m_buttons.at(15), m_buttons.at(16), m_buttons.at(17)};
    addSeparatorButton();
    addButton(QStringLiteral("Change Directory"), QStringLiteral("folder-open"), QStringLiteral("change-directory"));
    addButton(QStringLiteral("Download File"), QStringLiteral("go-down"), QStringLiteral("download-file"));
    addButton(QStringLiteral("View Log File"), QStringLiteral("text-x-generic"), QStringLiteral("view-log"));
    addButton(QStringLiteral("File Save Options"), QStringLiteral("document-properties"),
              QStringLiteral("file-save-options"));

    // Designed disabled: it only makes sense once the user has typed a URL in confirmation mode.
    button(21)->setEnabled(false);

    connect(this, &QToolBar::actionTriggered, this, &MainToolBar::onTriggered);
}

void MainToolBar::addButton(const QString& key, const QString& themeIcon, const QString& fallbackIcon,
                            bool checkable)
{
    const QIcon icon = QIcon::fromTheme(themeIcon, QIcon(QStringLiteral(":/icons/%1.svg").arg(fallbackIcon)));
    QAction* action = addAction(icon, key);
    action->setToolTip(key);
    action->setObjectName(QStringLiteral("tbToolBar_") + fallbackIcon);
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
