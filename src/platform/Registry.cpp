#include "platform/Registry.h"

#include <QDir>
#include <QStandardPaths>

namespace tarnwick::platform {

QString TableRegistry::keyId(quint32 root, const QString& subKey)
{
    QString path = subKey;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    return QString::number(root, 16) + QLatin1Char(':') + path.toLower();
}

TableRegistry::KeyEntry& TableRegistry::entry(quint32 root, const QString& subKey)
{
    return m_keys[keyId(root, subKey)];
}

void TableRegistry::setValue(quint32 root, const QString& subKey, const QString& valueName, quint32 type,
                             const QByteArray& data)
{
    entry(root, subKey).values.insert(valueName.toLower(), Value{type, data});
}

void TableRegistry::setString(quint32 root, const QString& subKey, const QString& valueName, const QString& text)
{
    QByteArray data = text.toLocal8Bit();
    data.append('\0');
    setValue(root, subKey, valueName, RegistryType::String, data);
}

void TableRegistry::setGrantedAccess(quint32 root, const QString& subKey, quint32 granted)
{
    entry(root, subKey).granted = granted;
}

void TableRegistry::aboutToOpen(quint32, const QString&)
{
}

long TableRegistry::openKey(quint32 root, const QString& subKey, quint32 access, Key* key)
{
    if (key)
        *key = 0;
    aboutToOpen(root, subKey);
    const QString id = keyId(root, subKey);
    const auto found = m_keys.constFind(id);
    if (found == m_keys.constEnd())
        return RegistryResult::NotFound;
    if ((access & ~found->granted) != 0)
        return RegistryResult::AccessDenied;
    const Key handle = m_nextHandle++;
    m_handles.insert(handle, id);
    if (key)
        *key = handle;
    return RegistryResult::Success;
}

long TableRegistry::queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data, quint32 bufferSize)
{
    if (data)
        data->clear();
    const auto handle = m_handles.constFind(key);
    if (handle == m_handles.constEnd())
        return RegistryResult::InvalidHandle;
    const KeyEntry& owner = m_keys[*handle];
    const auto value = owner.values.constFind(valueName.toLower());
    if (value == owner.values.constEnd())
        return RegistryResult::NotFound;
    if (type)
        *type = value->type;
    if (quint32(value->data.size()) > bufferSize)
        return RegistryResult::MoreData;
    if (data)
        *data = value->data;
    return RegistryResult::Success;
}

long TableRegistry::closeKey(Key key)
{
    return m_handles.remove(key) ? RegistryResult::Success : RegistryResult::InvalidHandle;
}

const QString SystemInformationRegistry::MsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString SystemInformationRegistry::MsInfoPathValue = QStringLiteral("PATH");

QStringList SystemInformationRegistry::defaultPrograms()
{
    // Graphical tools first: the About box starts the program without a terminal.
    return {QStringLiteral("msinfo32"),           QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor"),
            QStringLiteral("kinfocenter"),        QStringLiteral("lshw-gtk"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("mate-system-monitor")};
}

SystemInformationRegistry::SystemInformationRegistry(const QStringList& programs, const QStringList& searchPaths)
    : m_programs(programs), m_searchPaths(searchPaths)
{
}

void SystemInformationRegistry::aboutToOpen(quint32, const QString&)
{
    // Looked up on first use, not at start-up: the search walks the whole PATH.
    if (m_searched)
        return;
    m_searched = true;
    for (const QString& program : m_programs) {
        const QString found = QStandardPaths::findExecutable(program, m_searchPaths);
        if (!found.isEmpty()) {
            setString(RegistryRoot::LocalMachine, MsInfoKey, MsInfoPathValue, QDir::toNativeSeparators(found));
            return;
        }
    }
}

} // namespace tarnwick::platform
