#pragma once

#include "platform/net/RetryPolicy.h"

#include <QString>
#include <QStringList>

namespace tarnwick::platform {

// Where the program lives and which folders it may fall back on. The real answers come from Qt;
// tests construct one with their own temporary folders.
class AppEnvironment
{
public:
    // The real environment: the executable's folder and the user's documents folder.
    AppEnvironment();
    AppEnvironment(const QString& applicationDir, const QStringList& fallbackCandidates,
                   const QString& dataDirWhenAppDirReadOnly);

    // The folder the executable lies in (help file and home page sit beside it).
    QString applicationDir() const { return m_applicationDir; }
    // Folders tried, in order, for a download directory when the stored one is gone; the process's
    // current directory comes after them.
    QStringList fallbackCandidates() const { return m_fallbackCandidates; }
    // Where "log.txt" lives: the application folder when it is writable, else the per-user data folder.
    QString logDir() const;
    // The per-user data folder (the personal word list lives there).
    QString dataDir() const { return m_dataDir; }

    // Where running downloads keep their temporary folders (the per-user cache unless set).
    QString downloadRoot() const;
    void setDownloadRoot(const QString& root) { m_downloadRoot = root; }
    // How downloads retry after a failure that may pass; tests shorten the pauses.
    net::RetryPolicy downloadRetryPolicy() const { return m_retryPolicy; }
    void setDownloadRetryPolicy(const net::RetryPolicy& policy) { m_retryPolicy = policy; }

    static bool folderExists(const QString& path);
    static QString currentDirectory();
    static bool setCurrentDirectory(const QString& path);
    // Joins without doubling the separator when the folder is a root such as "/".
    static QString joinPath(const QString& directory, const QString& name);

private:
    QString m_applicationDir;
    QStringList m_fallbackCandidates;
    QString m_dataDir;
    QString m_downloadRoot;
    net::RetryPolicy m_retryPolicy;
};

} // namespace tarnwick::platform
