#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace tarnwick::download {

// Rate and time left of one running transfer, from samples of the bytes received so far. The
// rate covers the last few seconds, so it follows a connection that speeds up or stalls.
class TransferMeter
{
public:
    static constexpr qint64 windowMs = 3000;

    void restart();
    // received may fall (the file started over); the window then starts again from there.
    void sample(qint64 nowMs, qint64 received);
    double bytesPerSecond() const;
    // -1 when the total is unknown or nothing is moving.
    qint64 secondsLeft(qint64 received, qint64 total) const;

    // "1.5 MiB of 4.0 MiB, 820 KiB/s, 3 s left"; parts that are unknown are left out.
    static QString describe(qint64 received, qint64 total, double bytesPerSecond, qint64 secondsLeft);
    static QString formatBytes(qint64 bytes);
    static QString formatDuration(qint64 seconds);
    // Whole percent of received in total, 0..100; -1 when the total is unknown.
    static int percent(qint64 received, qint64 total);

private:
    QList<std::pair<qint64, qint64>> m_samples; // (time in ms, bytes), oldest first
};

} // namespace tarnwick::download
