#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

namespace tarnwick::platform::net {

// Longest name produced, in UTF-8 bytes: well under the 255 that Linux file systems allow,
// leaving room for the copy the caller makes with a suffix of its own.
inline constexpr int maxFileNameBytes = 120;

// The file name a server asks for in a Content-Disposition header: filename* (RFC 5987, UTF-8 or
// ISO-8859-1) wins over filename=. Returned as sent, not yet made safe; empty when there is none.
QString fileNameFromContentDisposition(const QByteArray& header);

// Turns a name that came from the network into one that is safe as a single path component:
// only the part after the last slash or backslash, no control or bidirectional-override
// characters, no leading dots (no hidden files, never "." or ".."), bounded length with the
// extension kept. Empty when nothing usable remains.
QString sanitizedFileName(const QString& candidate);

// The name under which a download is stored: the Content-Disposition name, else the last
// non-empty path segment (percent-decoded, query ignored), else the host, else "download";
// given the MIME type's usual extension when the name carries none that is known.
QString downloadFileName(const QUrl& url, const QByteArray& contentDisposition, const QString& contentType);

} // namespace tarnwick::platform::net
