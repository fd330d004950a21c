#pragma once

#include <QString>

namespace tarnwick::platform::net {

// Each download gets a private folder under a root, named "dl-<pid>-<start>-XXXXXX" where
// <start> tells one life of a process id from another (the start time in clock ticks since boot
// on Linux), so a later run can recognise folders whose owner is gone even when the id has
// been reused, including by itself.

// The start token of a running process, or an empty string when no such process exists.
QString processStartToken(qint64 pid);

// Creates a new folder with mode 0700 under root (created too if missing, also 0700).
// Returns its path, or an empty string with *error set.
QString createPrivateFolder(const QString& root, QString* error = nullptr);

// Removes the folders under root that belong to processes no longer running. Anything not
// named like one of ours, and symbolic links, are left alone. Returns how many were removed.
int removeStaleFolders(const QString& root);

} // namespace tarnwick::platform::net
