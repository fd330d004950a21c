#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick::platform::rtf {

// How a file that is neither RTF nor HTML turns into characters. Windows text editors of the
// product's era wrote cp1252 or UTF-16 with a BOM; newer ones write UTF-8, often without BOM.
enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };

QString decodeTextFile(const QByteArray& bytes, TextEncoding* detected = nullptr);

// Whether the bytes are an HTML document by their content: "<!doctype html" or "<html",
// in any case, after an optional BOM and white space.
bool looksLikeHtml(const QByteArray& bytes);

} // namespace tarnwick::platform::rtf
