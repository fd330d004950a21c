#include "download/DownloadNaming.h"

#include "platform/AppEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tarnwick::download {

namespace {
bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    // A backslash would place the file in another folder on Windows.
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}
} // namespace

QString lastSegment(const QString& url)
{
    int start = int(url.size());
    while (start > 0 && !isSeparator(url.at(start - 1)))
        --start;
    QString name = url.mid(start);
    // A link copied with its line end (or a tab, or any control character) names no file with it.
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return name.trimmed();
}

QString FileNameFromURL(const QString& url)
{
    const QString name = lastSegment(url);
    // "." and ".." name folders, not files.
    const bool onlyDots = std::all_of(name.begin(), name.end(), [](QChar c) { return c == u'.'; });
    return name.contains(QLatin1Char('.')) && !onlyDots ? name : QString();
}

QString firstFreePath(const QString& directory, const QString& name)
{
    QString path = platform::AppEnvironment::joinPath(directory, name);
    if (!QFileInfo::exists(path))
        return path;
    // "archive.tar.gz" numbers as "archive (2).tar.gz"; a leading dot is part of the stem.
    int dot = name.indexOf(QLatin1Char('.'), 1);
    if (dot < 0)
        dot = int(name.size());
    const QString stem = name.left(dot);
    const QString suffix = name.mid(dot);
    for (int n = 2; n < 100000; ++n) {
        path = platform::AppEnvironment::joinPath(directory, QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix));
        if (!QFileInfo::exists(path))
            return path;
    }
    return {};
}

namespace {
std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

bool copyThroughPartial(const QString& source, const QString& target, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    const QFileInfo targetInfo(target);
    QTemporaryFile partial(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                           QStringLiteral(".XXXXXX.part"));
    if (!partial.open()) {
        *error = partial.errorString();
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            *error = in.errorString();
            return false;
        }
        if (got == 0)
            break;
        if (partial.write(buffer.constData(), got) != got) {
            *error = partial.errorString();
            return false;
        }
    }
    if (!partial.flush()) {
        *error = partial.errorString();
        return false;
    }
    partial.close();
    std::error_code ec;
    std::filesystem::rename(toPath(partial.fileName()), toPath(target), ec);
    if (ec) {
        *error = QString::fromStdString(ec.message());
        return false;
    }
    partial.setAutoRemove(false);
    QFile::remove(source);
    return true;
}
} // namespace

bool moveIntoPlace(const QString& source, const QString& target, bool replace, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!replace && QFileInfo::exists(target)) {
        *error = QStringLiteral("A file of that name already exists");
        return false;
    }
    if (QFileInfo(target).isDir()) {
        *error = QStringLiteral("A folder of that name already exists");
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(toPath(source), toPath(target), ec);
    if (!ec)
        return true;
    if (ec == std::errc::cross_device_link)
        return copyThroughPartial(source, target, error);
    *error = QString::fromStdString(ec.message());
    return false;
}

} // namespace tarnwick::download
