#include "platform/AppEnvironment.h"

#include "platform/UrlReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarnwick::platform {

AppEnvironment::AppEnvironment()
    : m_applicationDir(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()))
    , m_dataDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
{
#ifdef Q_OS_WIN
    m_fallbackCandidates = {QStringLiteral("c:\\My Documents"), QStringLiteral("d:\\My Documents")};
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && documents != QDir::homePath())
        m_fallbackCandidates << QDir::toNativeSeparators(documents);
#endif
}

AppEnvironment::AppEnvironment(const QString& applicationDir, const QStringList& fallbackCandidates,
                               const QString& dataDirWhenAppDirReadOnly)
    : m_applicationDir(applicationDir)
    , m_fallbackCandidates(fallbackCandidates)
    , m_dataDir(dataDirWhenAppDirReadOnly)
{
}

QString AppEnvironment::logDir() const
{
    const QFileInfo info(m_applicationDir);
    if (info.isDir() && info.isWritable())
        return m_applicationDir;
    if (!m_dataDir.isEmpty() && QDir().mkpath(m_dataDir))
        return QDir::toNativeSeparators(m_dataDir);
    return m_applicationDir;
}

QString AppEnvironment::downloadRoot() const
{
    return m_downloadRoot.isEmpty() ? UrlReader::defaultDownloadRoot() : m_downloadRoot;
}

bool AppEnvironment::folderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString AppEnvironment::currentDirectory()
{
    return QDir::toNativeSeparators(QDir::currentPath());
}

bool AppEnvironment::setCurrentDirectory(const QString& path)
{
    return !path.isEmpty() && QDir::setCurrent(path);
}

QString AppEnvironment::joinPath(const QString& directory, const QString& name)
{
    const QChar separator = QDir::separator();
    if (directory.isEmpty())
        return name;
    if (directory.endsWith(separator) || directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + separator + name;
}

} // namespace tarnwick::platform
