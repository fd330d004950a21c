#pragma once

#include <QString>
#include <functional>

namespace tarnwick::platform {

// Where a browser engine saves a file that a page hands over instead of showing it, and whom it
// tells when the file has been written or given up. finished may run after the browser window
// that asked has closed, so it must not lean on that window.
struct BrowserFileTarget
{
    QString path; // empty: the file is refused
    std::function<void(const QString& path, bool saved, const QString& error)> finished;
    // After a transfer broke for a reason that may pass, the milliseconds to wait before retry
    // number retry (1 for the first) resumes it; negative: give up and report the failure. The
    // downloads of document windows follow the same schedule.
    std::function<qint64(int retry)> retryPauseMs;
};

} // namespace tarnwick::platform
