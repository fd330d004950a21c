#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::bench {

// The one route the benchmark server adds: /sized/<length>/<name> answers <length> bytes of
// LoopbackHttpServer::pattern. The name is the client's choice, so that each of many parallel
// downloads lands under a name of its own instead of being renumbered on arrival.
inline QString sizedPath(qint64 length, const QString& name)
{
    return QStringLiteral("/sized/%1/%2").arg(length).arg(name);
}

inline const QString& sizedPrefix()
{
    static const QString prefix = QStringLiteral("/sized/");
    return prefix;
}

// The length of a sized path, or -1 when the path is not one.
inline qint64 sizedLength(const QString& path)
{
    if (!path.startsWith(sizedPrefix()))
        return -1;
    const QStringList parts = path.mid(sizedPrefix().size()).split(QLatin1Char('/'));
    if (parts.size() != 2 || parts[1].isEmpty())
        return -1;
    bool ok = false;
    const qint64 length = parts[0].toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}

// /flaky/<every>/<length>/<name>: the same bytes, resumable (ETag, Range, If-Range), but every
// answer resets its connection after <every> bytes, so a download completes only by resuming.
inline QString flakyPath(qint64 every, qint64 length, const QString& name)
{
    return QStringLiteral("/flaky/%1/%2/%3").arg(every).arg(length).arg(name);
}

inline const QString& flakyPrefix()
{
    static const QString prefix = QStringLiteral("/flaky/");
    return prefix;
}

} // namespace tarnwick::bench
