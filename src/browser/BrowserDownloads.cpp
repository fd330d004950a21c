#include "browser/BrowserDownloads.h"

#include "download/DownloadNaming.h"
#include "platform/AppEnvironment.h"
#include "platform/Services.h"
#include "shell/frmMain.h"

#include <QFile>
#include <QFileInfo>

namespace tarnwick::browser {

QString downloadFileName(const QString& suggestedFileName)
{
    QString name = suggestedFileName;
    const int separator = int(qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))));
    name = name.mid(separator + 1).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("download");
    return name;
}

QString claimDownloadPath(const QString& directory, const QString& fileName, QString* error)
{
    // Another claim can take the name between the look and the creation; then look again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = download::firstFreePath(directory, fileName);
        if (path.isEmpty())
            break;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(path)) {
            *error = file.errorString();
            return {};
        }
    }
    *error = QStringLiteral("no free file name");
    return {};
}

QStringList fileDownloadLogEntry(const QString& url, const QString& path, bool saved, const QString& error)
{
    const QString outcome = saved ? QStringLiteral(" has been saved after download.")
                                  : QStringLiteral(" could not be saved after download: ") + error;
    return {QString(), url + QStringLiteral(" : File ") + path + outcome, QString()};
}

platform::BrowserFileTarget fileDownloadTarget(const QPointer<shell::frmMain>& main, const QString& url,
                                               const QString& suggestedFileName)
{
    if (!main)
        return {};
    const QString name = downloadFileName(suggestedFileName);
    QString error;
    platform::BrowserFileTarget target;
    target.path = claimDownloadPath(main->newDir, name, &error);
    if (target.path.isEmpty()) {
        main->log().append(fileDownloadLogEntry(url, platform::AppEnvironment::joinPath(main->newDir, name), false,
                                                error));
        return target;
    }
    const QString claimed = target.path;
    const platform::net::RetryPolicy policy = main->services().environment.downloadRetryPolicy();
    target.retryPauseMs = [policy](int retry) -> qint64 {
        if (retry < 1 || retry > policy.maxRetries)
            return -1;
        return policy.pauseBefore(retry, std::chrono::milliseconds(-1)).count();
    };
    target.finished = [main, url, claimed](const QString& path, bool saved, const QString& error) {
        // The name was claimed for this file alone, so whatever lies under it now is this file's:
        // the empty claim, or the part an engine wrote there before a resumed transfer went on
        // under another name. Neither may stay behind when the file went elsewhere or nowhere.
        if (!saved || QFileInfo(path) != QFileInfo(claimed))
            QFile::remove(claimed);
        if (main)
            main->log().append(fileDownloadLogEntry(url, path, saved, error));
    };
    return target;
}

} // namespace tarnwick::browser
