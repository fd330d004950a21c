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
};

} // namespace tarnwick::platform
