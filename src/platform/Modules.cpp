#include "platform/Modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLibrary>
#include <QMutex>

namespace tarnwick::platform {

namespace {

QMutex g_mutex;
QString g_directory;

} // namespace

QString moduleDirectory()
{
    const QMutexLocker lock(&g_mutex);
    return g_directory.isEmpty() ? QCoreApplication::applicationDirPath() : g_directory;
}

void setModuleDirectory(const QString& directory)
{
    const QMutexLocker lock(&g_mutex);
    g_directory = directory;
}

QString moduleFilePath(const QString& directory, const char* baseName)
{
#ifdef Q_OS_WIN
    return QDir(directory).filePath(QLatin1String(baseName) + QLatin1String(".dll"));
#else
    return QDir(directory).filePath(QLatin1String("lib") + QLatin1String(baseName) + QLatin1String(".so"));
#endif
}

void* resolveModuleSymbol(const QString& directory, const char* baseName, const char* symbol, QString* error)
{
    const QMutexLocker lock(&g_mutex);
    static QHash<QString, QLibrary*> loaded;
    const QString path = moduleFilePath(directory, baseName);
    QLibrary* library = loaded.value(path);
    if (!library) {
        auto* candidate = new QLibrary(path);
        if (!candidate->load()) {
            if (error)
                *error = candidate->errorString();
            delete candidate;
            return nullptr;
        }
        library = candidate;
        loaded.insert(path, library);
    }
    void* address = reinterpret_cast<void*>(library->resolve(symbol));
    if (!address && error)
        *error = library->errorString();
    return address;
}

void* resolveModuleEntry(const char* baseName, const char* abiSymbol, int abiVersion, const char* symbol,
                         QString* error)
{
    const QString directory = moduleDirectory();
    using AbiFunction = int (*)();
    const auto abi = reinterpret_cast<AbiFunction>(resolveModuleSymbol(directory, baseName, abiSymbol, error));
    if (!abi)
        return nullptr;
    if (abi() != abiVersion) {
        if (error)
            *error =
                QStringLiteral("%1 is of another version of the program.").arg(moduleFilePath(directory, baseName));
        return nullptr;
    }
    return resolveModuleSymbol(directory, baseName, symbol, error);
}

} // namespace tarnwick::platform
