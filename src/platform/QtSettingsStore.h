#pragma once

#include "platform/SettingsStore.h"

#include <QSettings>

namespace tarnwick::platform {

// QSettings under "Tarnwick", section "Settings": ~/.config/Tarnwick/Tarnwick.conf on Linux.
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();
    // For tests and tools: a store kept in the given INI file.
    explicit QtSettingsStore(const QString& iniFile);

    QString read(const QString& key, const QString& defaultValue) const override;
    void write(const QString& key, const QString& value) override;

private:
    QString path(const QString& key) const;
    mutable QSettings m_settings;
};

} // namespace tarnwick::platform
