#include "shell/DocumentCollection.h"

#include "document/frmDocument.h"

#include <QStringList>

namespace tarnwick::shell {

void DocumentCollection::prune() const
{
    m_entries.removeIf([](const auto& entry) { return entry.second.isNull(); });
}

bool DocumentCollection::Add(document::frmDocument* window, const QString& key)
{
    if (!window || Item(key))
        return false;
    m_entries.append({key, window});
    return true;
}

void DocumentCollection::Remove(const QString& key)
{
    m_entries.removeIf([&key](const auto& entry) { return entry.first == key; });
}

document::frmDocument* DocumentCollection::Item(const QString& key) const
{
    prune();
    for (const auto& entry : m_entries) {
        if (entry.first == key)
            return entry.second;
    }
    return nullptr;
}

int DocumentCollection::Count() const
{
    prune();
    return int(m_entries.size());
}

QList<document::frmDocument*> DocumentCollection::windows() const
{
    prune();
    QList<document::frmDocument*> result;
    for (const auto& entry : m_entries)
        result << entry.second.data();
    return result;
}

QStringList DocumentCollection::keys() const
{
    prune();
    QStringList result;
    for (const auto& entry : m_entries)
        result << entry.first;
    return result;
}

void DocumentCollection::clear()
{
    m_entries.clear();
}

} // namespace tarnwick::shell
