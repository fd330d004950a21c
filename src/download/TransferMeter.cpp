#include "download/TransferMeter.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tarnwick::download {

void TransferMeter::restart()
{
    m_samples.clear();
}

void TransferMeter::sample(qint64 nowMs, qint64 received)
{
    if (!m_samples.isEmpty() && received < m_samples.constLast().second)
        m_samples.clear();
    m_samples.append({nowMs, received});
    // Keep one sample at or before the window's start, so the window is always fully spanned.
    while (m_samples.size() > 2 && m_samples.at(1).first <= nowMs - windowMs)
        m_samples.removeFirst();
}

double TransferMeter::bytesPerSecond() const
{
    if (m_samples.size() < 2)
        return 0.0;
    const auto& [firstTime, firstBytes] = m_samples.constFirst();
    const auto& [lastTime, lastBytes] = m_samples.constLast();
    if (lastTime <= firstTime)
        return 0.0;
    return double(lastBytes - firstBytes) * 1000.0 / double(lastTime - firstTime);
}

qint64 TransferMeter::secondsLeft(qint64 received, qint64 total) const
{
    const double rate = bytesPerSecond();
    if (total < 0 || rate < 1.0)
        return -1;
    return qint64(std::ceil(double(std::max<qint64>(0, total - received)) / rate));
}

QString TransferMeter::formatBytes(qint64 bytes)
{
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 100.0 ? 1 : 0).arg(QLatin1String(units[unit]));
}

QString TransferMeter::formatDuration(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

int TransferMeter::percent(qint64 received, qint64 total)
{
    if (total <= 0)
        return total == 0 ? 100 : -1;
    return int(std::clamp<qint64>(received * 100 / total, 0, 100));
}

QString TransferMeter::describe(qint64 received, qint64 total, double bytesPerSecond, qint64 secondsLeft)
{
    QStringList parts;
    parts << (total >= 0 ? QStringLiteral("%1 of %2").arg(formatBytes(received), formatBytes(total))
                         : formatBytes(received));
    if (bytesPerSecond >= 1.0)
        parts << formatBytes(qint64(bytesPerSecond)) + QStringLiteral("/s");
    if (secondsLeft >= 0)
        parts << formatDuration(secondsLeft) + QStringLiteral(" left");
    return parts.join(QStringLiteral(", "));
}

} // namespace tarnwick::download
