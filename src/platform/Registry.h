#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tarnwick::platform {

// The registry numbers the About box is written in: roots, access masks, value types and results.
namespace RegistryRoot {
enum : quint32 {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
};
}
namespace RegistryAccess {
enum : quint32 {
    QueryValue = 0x0001u,
    Read = 0x20019u,
    // Every key right together with reading the key's security: what the About box asks for.
    Full = 0x2003Fu,
};
}
namespace RegistryType {
enum : quint32 { None = 0, String = 1, ExpandString = 2, Binary = 3, Number32 = 4 };
}
namespace RegistryResult {
enum : long { Success = 0, NotFound = 2, AccessDenied = 5, InvalidHandle = 6, MoreData = 234 };
}

// A read-only registry: open a key, query values through the handle, close it. Results are
// RegistryResult codes, so a caller can tell a missing key from a refused one.
class Registry
{
public:
    using Key = quintptr;

    virtual ~Registry() = default;

    // *key receives a handle on success and 0 otherwise.
    virtual long openKey(quint32 root, const QString& subKey, quint32 access, Key* key) = 0;
    // Copies the value into *data when it fits in bufferSize bytes; MoreData (and *data empty)
    // when it does not. String values arrive in the local 8-bit encoding with their closing zero.
    virtual long queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data, quint32 bufferSize) = 0;
    virtual long closeKey(Key key) = 0;
};

// A registry held in memory: the program's answers on systems without a registry, and the table
// tests fill. Key paths compare without regard to case or to the kind of separator.
class TableRegistry : public Registry
{
public:
    void setValue(quint32 root, const QString& subKey, const QString& valueName, quint32 type, const QByteArray& data);
    void setString(quint32 root, const QString& subKey, const QString& valueName, const QString& text);
    // Opening the key asks for access; rights beyond granted are refused. Everything by default.
    void setGrantedAccess(quint32 root, const QString& subKey, quint32 granted);

    long openKey(quint32 root, const QString& subKey, quint32 access, Key* key) override;
    long queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data, quint32 bufferSize) override;
    long closeKey(Key key) override;

    // Handles opened and not yet closed.
    int openHandles() const { return int(m_handles.size()); }

protected:
    // Lets a subclass fill the table just before a key is looked up.
    virtual void aboutToOpen(quint32 root, const QString& subKey);

private:
    struct Value
    {
        quint32 type = RegistryType::None;
        QByteArray data;
    };
    struct KeyEntry
    {
        quint32 granted = 0xFFFFFFFFu;
        QHash<QString, Value> values; // by lower-case value name
    };
    static QString keyId(quint32 root, const QString& subKey);
    KeyEntry& entry(quint32 root, const QString& subKey);

    QHash<QString, KeyEntry> m_keys;
    QHash<Key, QString> m_handles;
    Key m_nextHandle = 1;
};

// The registry on systems that have none: the System Information location answers with the first
// system-information program found on the search path, and every other key is missing.
class SystemInformationRegistry : public TableRegistry
{
public:
    static const QString MsInfoKey;
    static const QString MsInfoPathValue;
    static QStringList defaultPrograms();

    // Empty searchPaths means the PATH of the environment.
    explicit SystemInformationRegistry(const QStringList& programs = defaultPrograms(),
                                       const QStringList& searchPaths = QStringList());

protected:
    void aboutToOpen(quint32 root, const QString& subKey) override;

private:
    QStringList m_programs;
    QStringList m_searchPaths;
    bool m_searched = false;
};

} // namespace tarnwick::platform
