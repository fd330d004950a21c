#include "platform/net/DownloadFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <limits>

namespace tarnwick::platform::net {

namespace {

constexpr QFileDevice::Permissions ownerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

bool processExists(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // EPERM means it exists but belongs to someone else: not ours, but not dead either.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

const QString& ownStartToken()
{
    static const QString token = processStartToken(QCoreApplication::applicationPid());
    return token;
}

} // namespace

QString processStartToken(qint64 pid)
{
    if (!processExists(pid))
        return {};
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The command name in parentheses may itself hold spaces and parentheses.
        const int close = line.lastIndexOf(')');
        if (close >= 0) {
            const QByteArrayList fields = line.mid(close + 2).split(' ');
            // Field 22 of the file is the start time; the list begins at field 3.
            constexpr int startTimeIndex = 22 - 3;
            if (fields.size() > startTimeIndex)
                return QString::fromLatin1(fields[startTimeIndex]);
        }
    }
    // Without /proc only liveness can be told; a reused id then keeps a folder a little longer.
    return QStringLiteral("0");
}

QString createPrivateFolder(const QString& root, QString* error)
{
    const QFileInfo rootInfo(root);
    if (!rootInfo.isDir()) {
        if (!QDir().mkpath(root)) {
            if (error)
                *error = QCoreApplication::translate("UrlReader", "Cannot create the folder %1.")
                             .arg(QDir::toNativeSeparators(root));
            return {};
        }
        QFile::setPermissions(root, ownerOnly);
    }
    QTemporaryDir folder(QDir(root).filePath(QStringLiteral("dl-%1-%2-XXXXXX")
                                                 .arg(QCoreApplication::applicationPid())
                                                 .arg(ownStartToken())));
    if (!folder.isValid()) {
        if (error)
            *error = QCoreApplication::translate("UrlReader", "Cannot create a folder in %1: %2")
                         .arg(QDir::toNativeSeparators(root), folder.errorString());
        return {};
    }
    folder.setAutoRemove(false);
    // mkdtemp already gives 0700; stated again so that no umask or platform quirk widens it.
    QFile::setPermissions(folder.path(), ownerOnly);
    return folder.path();
}

int removeStaleFolders(const QString& root)
{
    static const QRegularExpression pattern(QStringLiteral("^dl-(\\d+)-(\\d+)-[A-Za-z0-9]{6}$"));
    const QFileInfoList entries =
        QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    int removed = 0;
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = pattern.match(entry.fileName());
        if (!match.hasMatch())
            continue;
        const QString liveToken = processStartToken(match.captured(1).toLongLong());
        if (!liveToken.isEmpty() && liveToken == match.captured(2))
            continue;
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace tarnwick::platform::net
