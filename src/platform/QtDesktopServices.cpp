#include "platform/QtDesktopServices.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace tarnwick::platform {

QUrl QtDesktopServices::urlFor(const QString& file, const QString& directory)
{
    if (file.isEmpty())
        return {};
    const QString fromNative = QDir::fromNativeSeparators(file);
    // A scheme of one letter is a Windows drive, not a URL.
    const QUrl url(file);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    const QString base = directory.isEmpty() ? QDir::currentPath() : QDir::fromNativeSeparators(directory);
    return QUrl::fromLocalFile(QFileInfo(QDir(base), fromNative).absoluteFilePath());
}

bool QtDesktopServices::shellExecute(QWidget*, const QString& operation, const QString& file, const QString&,
                                     const QString& directory, int)
{
    if (operation.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return false;
    const QUrl url = urlFor(file, directory);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool QtDesktopServices::startProgram(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QProcess::startDetached(QDir::fromNativeSeparators(path), {});
}

} // namespace tarnwick::platform
