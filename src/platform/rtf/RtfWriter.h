#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

namespace tarnwick::platform::rtf {

// Writes RTF that the rich edit control, Word and LibreOffice read: cp1252 with \uN? for
// everything else, a font and a colour table, character and paragraph formatting, hyperlinks
// as HYPERLINK fields, tables as \trowd rows (\itap/\nestcell for nested ones), lists as a
// list table with \ls/\ilvl and a {\listtext} label, pictures with their original bytes.
// Every paragraph ends in \par (a cell's last one in \cell), the last one included, which
// readers take as the end of the text rather than an empty paragraph after it.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& document);
    // A complete RTF document holding the cursor's selection (empty selection: an empty
    // document). A selection that ends at a paragraph's start carries the paragraph break.
    static QByteArray writeSelection(const QTextCursor& cursor);
};

} // namespace tarnwick::platform::rtf
