#include "platform/net/RetryPolicy.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace tarnwick::platform::net {

std::chrono::milliseconds RetryPolicy::pauseBefore(int retry, std::chrono::milliseconds retryAfter) const
{
    const int doublings = std::clamp(retry - 1, 0, 30);
    double pause = double(firstPause.count()) * double(qint64(1) << doublings);
    // The server knows best when it will be back, but it may not park the download for long.
    if (retryAfter.count() >= 0)
        pause = std::max(pause, double(std::min(retryAfter, maxRetryAfter).count()));
    return std::chrono::milliseconds(qint64(std::llround(pause * std::max(pauseScale, 0.0))));
}

bool isTransientStatus(int status)
{
    return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

std::chrono::milliseconds parseRetryAfter(const QByteArray& value, const QDateTime& now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::chrono::milliseconds(-1);
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    if (isNumber)
        return seconds >= 0 ? std::chrono::milliseconds(std::min<qint64>(seconds, 86400) * 1000)
                            : std::chrono::milliseconds(-1);
    // The HTTP date, IMF-fixdate form: "Sun, 06 Nov 1994 08:49:37 GMT".
    QDateTime when =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!when.isValid())
        return std::chrono::milliseconds(-1);
    when.setTimeSpec(Qt::UTC);
    return std::chrono::milliseconds(std::max<qint64>(0, now.msecsTo(when)));
}

ContentRange parseContentRange(const QByteArray& value)
{
    static const QRegularExpression form(QStringLiteral("^\\s*bytes\\s+(\\d{1,18})-(\\d{1,18})/(\\d{1,18}|\\*)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(value));
    ContentRange range;
    if (!match.hasMatch())
        return range;
    range.first = match.captured(1).toLongLong();
    range.last = match.captured(2).toLongLong();
    range.total = match.captured(3) == QLatin1String("*") ? -1 : match.captured(3).toLongLong();
    range.valid = range.first <= range.last && (range.total < 0 || range.last < range.total);
    return range;
}

QByteArray ifRangeValidator(const QByteArray& etag, const QByteArray& lastModified)
{
    const QByteArray tag = etag.trimmed();
    if (!tag.isEmpty() && !tag.startsWith("W/"))
        return tag;
    return lastModified.trimmed();
}

} // namespace tarnwick::platform::net
