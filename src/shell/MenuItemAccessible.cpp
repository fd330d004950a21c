#include "shell/MenuItemAccessible.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QVariant>
#include <algorithm>

namespace tarnwick::shell {

namespace {

const char kDescriptionProperty[] = "tarnwickItemDescription";

// Position of the access-key marker in a caption, -1 when there is none; "&&" is a literal ampersand.
int accessKeyIndex(const QString& caption)
{
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

QString withoutAccessKey(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&')) {
            plain += caption.at(i);
        } else if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
            plain += QLatin1Char('&');
            ++i;
        }
    }
    return plain.trimmed();
}

bool isMenuWidget(const QObject* object)
{
    return qobject_cast<const QMenu*>(object) || qobject_cast<const QMenuBar*>(object);
}

class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    explicit MenuItemAccessible(QAction* action) : m_action(action) {}

    bool isValid() const override { return m_action && owner(); }
    QObject* object() const override { return m_action; }
    QWindow* window() const override
    {
        QWidget* menu = owner();
        return menu ? menu->window()->windowHandle() : nullptr;
    }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner()); }
    int childCount() const override { return m_action && m_action->menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && childCount() == 1 ? QAccessible::queryAccessibleInterface(m_action->menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && m_action && m_action->menu() && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        QAccessibleInterface* submenu = child(0);
        return submenu && submenu->rect().contains(x, y) ? submenu : nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        if (!m_action)
            return {};
        switch (t) {
        case QAccessible::Name:
            return withoutAccessKey(m_action->text());
        case QAccessible::Description:
            return itemDescription(m_action);
        case QAccessible::Accelerator: {
            if (!m_action->shortcut().isEmpty())
                return m_action->shortcut().toString(QKeySequence::NativeText);
            const QString caption = m_action->text();
            const int marker = accessKeyIndex(caption);
            if (marker < 0)
                return {};
            return QKeySequence(Qt::ALT).toString(QKeySequence::NativeText) + caption.at(marker + 1).toUpper();
        }
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        QWidget* menu = owner();
        QRect area;
        if (auto* bar = qobject_cast<QMenuBar*>(menu))
            area = bar->actionGeometry(m_action);
        else if (auto* popup = qobject_cast<QMenu*>(menu))
            area = popup->actionGeometry(m_action);
        return menu ? area.translated(menu->mapToGlobal(QPoint(0, 0))) : area;
    }

    QAccessible::Role role() const override
    {
        return m_action && m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        QWidget* menu = owner();
        if (!m_action || !menu)
            return s;
        s.invisible = !menu->isVisible() || !m_action->isVisible();
        if (auto* popup = qobject_cast<QMenu*>(menu))
            s.focused = popup->activeAction() == m_action;
        else if (auto* bar = qobject_cast<QMenuBar*>(menu))
            s.focused = bar->activeAction() == m_action;
        s.hotTracked = menu->style()->styleHint(QStyle::SH_Menu_MouseTracking, nullptr, menu) != 0;
        s.disabled = m_action->isSeparator() || !m_action->isEnabled();
        s.checkable = m_action->isCheckable();
        s.checked = m_action->isChecked();
        s.hasPopup = m_action->menu() != nullptr;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        if (!m_action || m_action->isSeparator())
            return {};
        return {m_action->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString& actionName) override
    {
        if (!m_action || !m_action->isEnabled())
            return;
        if (actionName == pressAction()) {
            m_action->trigger();
        } else if (actionName == showMenuAction()) {
            if (m_action->menu() && m_action->menu()->isVisible())
                m_action->menu()->hide();
            else if (auto* bar = qobject_cast<QMenuBar*>(owner()))
                bar->setActiveAction(m_action);
            else if (auto* popup = qobject_cast<QMenu*>(owner()))
                popup->setActiveAction(m_action);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    // An action can sit in several menus at once (the Edit items also fill the document's context
    // menu); the one on screen is the item's parent, otherwise the first it was added to.
    QWidget* owner() const
    {
        if (!m_action)
            return nullptr;
        QWidget* first = nullptr;
        for (QObject* object : m_action->associatedObjects()) {
            if (!isMenuWidget(object))
                continue;
            auto* menu = static_cast<QWidget*>(object);
            if (menu->isVisible())
                return menu;
            if (!first)
                first = menu;
        }
        return first;
    }

    QPointer<QAction> m_action;
};

QAccessibleInterface* menuItemFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QAction"))
        return nullptr;
    auto* action = qobject_cast<QAction*>(object);
    if (!action)
        return nullptr;
    // Until the action is in a menu it is nobody's item; asked again later, the factory answers then.
    const QList<QObject*> holders = action->associatedObjects();
    if (std::none_of(holders.cbegin(), holders.cend(), isMenuWidget))
        return nullptr;
    return new MenuItemAccessible(action);
}

} // namespace

void setItemDescription(QAction* action, const QString& description)
{
    if (action)
        action->setProperty(kDescriptionProperty, description);
}

QString itemDescription(const QAction* action)
{
    return action ? action->property(kDescriptionProperty).toString() : QString();
}

void installMenuItemAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(menuItemFactory);
}

} // namespace tarnwick::shell
