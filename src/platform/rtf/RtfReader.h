#pragma once

#include <QByteArray>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace tarnwick::platform::rtf {

// Paragraph indents and spacing are kept in the document in the pixels QTextDocument lays out in on
// screen, where fonts take the screen's logical DPI; RTF counts twentieths of a point. The
// conversion is the one the forms use (15 twips to the pixel at 96 DPI).
double twipsPerPixel();

// Whether the bytes look like RTF at all: "{\rtf", after an optional UTF-8 BOM and white space.
bool looksLikeRtf(const QByteArray& data);

// Reads RTF as the rich edit control, Word, LibreOffice and pandoc write it: tables become
// QTextTables (nested ones nested), list tables and \pn numbering QTextLists, pictures images
// that keep their original bytes (RtfPictures.h). What the document model cannot show (objects,
// headers, footers, notes, document info, style sheets) is dropped. Destinations are one enum
// (Dest) and one switch each in keyword(), emitText() and groupEnd(): a new destination is a
// keyword, an enum value and the cases that collect its text. Malformed input is read as far
// as it makes sense and never fails once the "{\rtf" signature is there.
class RtfReader
{
public:
    // Replaces the whole document. Undo history is discarded, as for setPlainText/setHtml, and
    // the document is left unmodified. Returns false (document untouched) when data is not RTF.
    static bool readDocument(const QByteArray& data, QTextDocument* document, QString* error = nullptr);

    // Replaces the cursor's selection with the RTF's content, leaving the cursor after it, as
    // pasting or setting the selection's rich text does. Paragraph formats apply to the
    // paragraphs the RTF ends; a trailing partial paragraph takes on the text it lands in.
    static bool insert(const QByteArray& data, QTextCursor* cursor, QString* error = nullptr);
};

} // namespace tarnwick::platform::rtf
