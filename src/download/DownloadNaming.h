#pragma once

#include <QString>

namespace tarnwick::download {

// The text after the last separator of a URL as typed (the whole text when it has none): "/", and on
// Windows "\\" as well. Control characters are dropped and surrounding blanks trimmed.
QString lastSegment(const QString& url);
// The last segment when it holds a dot anywhere, else empty: "a/b.zip" -> "b.zip", "a/b/" -> "";
// never "." or "..".
QString FileNameFromURL(const QString& url);

// The first name in directory that is not taken: name itself, then "stem (2).ext", "stem (3).ext", ...
// Returns the full path.
QString firstFreePath(const QString& directory, const QString& name);

// Puts a finished download at target. A rename when source and target share a file system; else a
// copy into a hidden partial file beside target, renamed when complete, so that target never shows
// half a file. An existing target is replaced only when replace is true. The source is gone
// afterwards when this succeeds.
bool moveIntoPlace(const QString& source, const QString& target, bool replace, QString* error);

} // namespace tarnwick::download
