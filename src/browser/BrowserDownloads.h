#pragma once

#include "platform/BrowserFileTarget.h"

#include <QPointer>
#include <QString>
#include <QStringList>

namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::browser {

// The name a file handed over by a page is saved under: the engine's suggestion reduced to one
// path component, "download" when nothing usable is left.
QString downloadFileName(const QString& suggestedFileName);

// Claims the first free name for fileName in directory (fileName itself, then "stem (2).ext", ...)
// by creating it empty, so that no other download, window or program is given the same name.
// Returns the full path, or an empty string with *error set.
QString claimDownloadPath(const QString& directory, const QString& fileName, QString* error);

// The activity log's entry for a file a browser window saved, or could not save.
QStringList fileDownloadLogEntry(const QString& url, const QString& path, bool saved, const QString& error);

// Where a file clicked in a browser window goes: a claimed name in the main window's download
// directory (as it is at the moment of the click), with the log entry written when it is done.
platform::BrowserFileTarget fileDownloadTarget(const QPointer<shell::frmMain>& main, const QString& url,
                                               const QString& suggestedFileName);

} // namespace tarnwick::browser
