#pragma once

#include "platform/SettingsStore.h"

#include <QMap>
#include <QStringList>

namespace tarnwick::test {

// A settings store in memory that also remembers the order of writes.
class MemorySettingsStore : public platform::SettingsStore
{
public:
    QString read(const QString& key, const QString& defaultValue) const override
    {
        return m_values.value(key, defaultValue);
    }
    void write(const QString& key, const QString& value) override
    {
        m_values.insert(key, value);
        m_writes << key;
    }

    bool contains(const QString& key) const { return m_values.contains(key); }
    QMap<QString, QString> values() const { return m_values; }
    QStringList writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

private:
    QMap<QString, QString> m_values;
    QStringList m_writes;
};

} // namespace tarnwick::test
