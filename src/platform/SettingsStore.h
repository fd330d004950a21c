#pragma once

#include <QString>

namespace tarnwick::platform {

// Per-user string values filed under application / section / key. Reads name their default and
// never write it back; writes take effect at once.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& key, const QString& defaultValue) const = 0;
    virtual void write(const QString& key, const QString& value) = 0;
};

} // namespace tarnwick::platform
