#pragma once

#include <QByteArray>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace tarnwick::platform {

// Whole-file document reading and writing behind the rich text box's LoadFile and SaveFile.
// Loading never leaves a half-filled document: on failure the target is untouched.
// Saving always writes rich text, whatever the file's extension, and replaces the file atomically.
bool loadDocumentFile(const QString& path, QTextDocument* document, QString* error = nullptr);
bool saveDocumentFile(const QString& path, const QTextDocument& document, QString* error = nullptr);

// The same rich text format in memory, for the TextRTF/SelRTF properties and the clipboard.
// A loaded or converted document has no undo history and is unmodified.
QByteArray documentToRtf(const QTextDocument& document);
// A complete RTF document holding just the selection.
QByteArray selectionToRtf(const QTextCursor& selection);
// False (document untouched, reason in *error) when the bytes are not RTF.
bool rtfToDocument(const QByteArray& rtf, QTextDocument* document, QString* error = nullptr);
// Replaces the selection with the RTF's content as one undo step; false when not RTF.
bool insertRtf(const QByteArray& rtf, QTextCursor* cursor, QString* error = nullptr);

} // namespace tarnwick::platform
