#include "platform/QtSettingsStore.h"

namespace tarnwick::platform {

namespace {
const QString kApplication = QStringLiteral("Tarnwick");
const QString kSection = QStringLiteral("Settings");
} // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication)
{
}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : m_settings(iniFile, QSettings::IniFormat)
{
}

QString QtSettingsStore::path(const QString& key) const
{
    return kSection + QLatin1Char('/') + key;
}

QString QtSettingsStore::read(const QString& key, const QString& defaultValue) const
{
    // Re-read the file so that a value written by a second instance is what this one sees.
    m_settings.sync();
    const QVariant value = m_settings.value(path(key));
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

void QtSettingsStore::write(const QString& key, const QString& value)
{
    m_settings.setValue(path(key), value);
    m_settings.sync();
}

} // namespace tarnwick::platform
