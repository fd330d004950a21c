#pragma once

#include <QString>

class QTextDocument;

namespace tarnwick::platform {

// Whole-file document reading and writing behind the rich text box's LoadFile and SaveFile.
// Loading never leaves a half-filled document: on failure the target is untouched.
// Saving always writes rich text, whatever the file's extension, and replaces the file atomically.
bool loadDocumentFile(const QString& path, QTextDocument* document, QString* error = nullptr);
bool saveDocumentFile(const QString& path, const QTextDocument& document, QString* error = nullptr);

} // namespace tarnwick::platform
