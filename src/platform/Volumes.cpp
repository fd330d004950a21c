#include "platform/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

namespace tarnwick::platform {

namespace {
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

bool holds(const QString& root, const QString& path)
{
    if (root.isEmpty() || !path.startsWith(root, kPathCase))
        return false;
    const QChar separator = QDir::separator();
    return path.size() == root.size() || root.endsWith(separator) || path.at(root.size()) == separator;
}
} // namespace

QString Volumes::normalizedDirectory(const QString& path)
{
    if (path.isEmpty())
        return {};
    // cleanPath keeps the separator of a root ("/", "C:/") and drops it everywhere else.
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
}

QString Volumes::rootOf(const QList<Volume>& volumes, const QString& path)
{
    const QString directory = normalizedDirectory(path);
    QString best;
    for (const Volume& volume : volumes) {
        if (volume.rootPath.size() > best.size() && holds(volume.rootPath, directory))
            best = volume.rootPath;
    }
    return best;
}

QList<Volume> QtVolumes::mounted() const
{
    QList<Volume> ready;
    QList<Volume> notReady;
    QSet<QString> seen;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = normalizedDirectory(info.rootPath());
        // Containers mount single files (/etc/hosts); only folders can hold downloads.
        if (!info.isValid() || root.isEmpty() || seen.contains(root) || !QFileInfo(info.rootPath()).isDir())
            continue;
        seen.insert(root);
        Volume volume{root, info.name(), info.isReady()};
        (volume.ready ? ready : notReady) << volume;
    }
    const QString systemRoot = normalizedDirectory(QDir::rootPath());
    if (!seen.contains(systemRoot))
        ready << Volume{systemRoot, QString(), true};
    const auto byRoot = [](const Volume& a, const Volume& b) {
        return a.rootPath.compare(b.rootPath, Qt::CaseInsensitive) < 0;
    };
    std::stable_sort(ready.begin(), ready.end(), byRoot);
    std::stable_sort(notReady.begin(), notReady.end(), byRoot);
    return ready + notReady;
}

bool QtVolumes::isReady(const QString& rootPath) const
{
    const QStorageInfo info(rootPath);
    // An unmounted mount point is an ordinary folder of the volume above it: that volume is gone.
    return info.isValid() && info.isReady() &&
           normalizedDirectory(info.rootPath()).compare(normalizedDirectory(rootPath), kPathCase) == 0;
}

} // namespace tarnwick::platform
