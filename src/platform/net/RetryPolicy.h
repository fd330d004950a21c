#pragma once

#include <QByteArray>
#include <QDateTime>

#include <chrono>

namespace tarnwick::platform::net {

// How often and after what pauses a read that failed for a passing reason is tried again. The
// pauses double from firstPause; a server's Retry-After lengthens one, up to maxRetryAfter.
// pauseScale multiplies every pause, so tests and benchmarks need not wait for real seconds.
struct RetryPolicy
{
    int maxRetries = 5;
    std::chrono::milliseconds firstPause{1000};
    std::chrono::milliseconds maxRetryAfter{60000};
    double pauseScale = 1.0;

    // The pause before retry number retry (1 for the first); retryAfter < 0 when the server named none.
    std::chrono::milliseconds pauseBefore(int retry, std::chrono::milliseconds retryAfter) const;
    static RetryPolicy none() { return RetryPolicy{0, {}, {}, 0.0}; }
};

// HTTP answers that say "not now" rather than "never".
bool isTransientStatus(int status);

// A Retry-After value, seconds or an HTTP date, as a pause from now; -1 ms when unreadable.
std::chrono::milliseconds parseRetryAfter(const QByteArray& value, const QDateTime& now);

// "bytes first-last/total" of a 206 answer; total is -1 for "*". valid is false for anything else.
struct ContentRange
{
    bool valid = false;
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};
ContentRange parseContentRange(const QByteArray& value);

// The validator an If-Range may carry: a strong ETag, else Last-Modified; empty when neither.
// A weak ETag cannot prove that two byte ranges belong to the same file.
QByteArray ifRangeValidator(const QByteArray& etag, const QByteArray& lastModified);

} // namespace tarnwick::platform::net
