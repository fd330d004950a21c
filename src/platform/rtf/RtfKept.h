#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QTextFormat>

class QTextCharFormat;

class QTextDocument;

namespace tarnwick::platform::rtf {

// RTF the editor cannot show (notes, comments, shapes, page furniture, fields, unknown
// destinations, style sheets, page setup) is kept as it was read and written back where it
// stood. Inline pieces are object characters of this type; the document-level piece sits on
// the root frame's format.
constexpr int kKeptObjectType = QTextFormat::UserObject + 0x2B;

enum KeptProperty : int {
    KeptData = QTextFormat::UserProperty + 0x180, // QByteArray, KeptRtf::encode(), on object characters
    KeptKindProperty,                             // int KeptKind
    KeptCaption,                                  // QString: the readable text of a note, comment or text box
    KeptAutoNumber,                               // bool: a note whose mark Word numbers (\chftn)
    KeptPrelude,                                  // on the root frame: the document-level RTF, encoded
    FieldChain,       // QVariantList of encoded KeptRtf on field results: each field's start, outermost first
    CommentRange,     // int on commented text: the \atrfstart number
    CommentMarked,    // bool: the text's background marks the comment, it is not the text's own
    KeptFootnoteBase, // int on the root frame of a part printed on its own: the footnotes before it
};

// Section: a section break (\sect) with the words and headers/footers of the section it opens,
// at the end of the paragraph the break ends; written in place of that paragraph's mark.
enum class KeptKind : int { Other, Footnote, Endnote, Comment, Shape, TextBox, Field, Bookmark, Furniture, Section };

// A piece of RTF with the font and colour table entries its \f and \cf numbers name, so that it
// stays meaningful in a document (or clipboard) whose tables number them differently.
struct KeptRtf
{
    QByteArray rtf;
    QMap<int, QByteArray> fonts;  // number → the font table entry after its \fN word, ';' included
    QMap<int, QByteArray> colors; // number → the colour table entry without its ';'
    int id = 0;                   // fields: the field a run of result text belongs to

    QByteArray encode() const;
    static KeptRtf decode(const QByteArray& data);
};

// The font and colour tables as read, to say what kept RTF refers to.
class KeptTables
{
public:
    void setFontTable(const QByteArray& group);
    void setColorTable(const QByteArray& group);
    KeptRtf keep(const QByteArray& rtf, int id = 0) const;
    // Both tables as groups of their entries, to read kept RTF on its own (what else a damaged
    // table held, text running on into it, stays out).
    QByteArray tables() const { return tables_; }

private:
    void rebuild();

    QMap<int, QByteArray> fonts_;
    QList<QByteArray> colors_;
    QByteArray tables_;
};

// What a piece of kept RTF is, from the destinations and words it holds.
struct KeptScan
{
    KeptKind kind = KeptKind::Other;
    bool autoNumber = false;    // \chftn
    QByteArray commentRef;      // the \atnref of an annotation: the range it comments
    QByteArray commentAuthor;   // the RTF inside \atnauthor
    QByteArray commentInitials; // the RTF inside \atnid
    QByteArray firstDestination;
};
KeptScan scanKept(const QByteArray& rtf);

// What an EQ field shows as text: the base of a ruby, a fraction as "a/b"... Empty for other
// fields.
QString equationText(const QString& instruction);

// The destination word a group opens with: "footnote" for "{\*\footnote ...}".
QByteArray destinationOf(const QByteArray& group);

// Words the reader keeps in the text as they are: note and comment marks, page numbers.
bool isKeptMarkWord(const char* name);
// Words that describe the document, kept when they come before its first paragraph.
bool isDocumentWord(const char* name);
// Words that describe a section (page size, breaks, numbering, columns, line numbers...).
bool isSectionWord(const char* name);
// Words that are never a destination, so a \* before one is a writer's slip.
bool isOrdinaryWord(const char* name);
// Groups that describe the whole document wherever they stand (Word puts its theme at the end).
bool isDocumentDestination(const QByteArray& name);
// Groups the reader shows or rebuilds itself, or that only repeat what it writes anew.
bool isRebuiltDestination(const QByteArray& name);

// Numbers the fonts and colours of kept RTF after the writer's own: fonts from fontBase on,
// colours after the colour table's last entry. Equal entries share a number.
class KeptNumbering
{
public:
    KeptNumbering(int fontBase, int colorBase) : fontBase_(fontBase), colorBase_(colorBase) {}
    QByteArray place(const KeptRtf& kept);
    QByteArray fontEntries() const;
    QByteArray colorEntries() const;

private:
    int fontBase_;
    int colorBase_;
    QList<QByteArray> fonts_;
    QList<QByteArray> colors_;
    QHash<QByteArray, int> fontIndex_;
    QHash<QByteArray, int> colorIndex_;
};

// The document-level RTF read with a document (style sheet, info, page setup, headers...).
KeptRtf documentPrelude(const QTextDocument& document);
void setDocumentPrelude(QTextDocument* document, const KeptRtf& prelude);

// The format text typed next to a kept object takes: the object's properties left behind.
bool carriesKept(const QTextCharFormat& format);
QTextCharFormat withoutKept(QTextCharFormat format);

// Draws kept object characters: note marks, comment flags, text boxes, shape placeholders.
void registerKeptObjects(QTextDocument* document);

// The readable text of a kept group (a note's, a comment's, a text box's), read with the
// document's tables.
QString readKeptText(const QByteArray& tables, const QByteArray& group);

// Reads a kept group (a header, a note) as a document of its own.
void readKeptDocument(const QByteArray& tables, const QByteArray& group, QTextDocument* document);
// The font and colour tables kept RTF refers to, as groups to read it with.
QByteArray tablesFor(const KeptRtf& kept);

// Page setup as the document-level RTF states it, in twips; 0 where it says nothing.
struct KeptPageSetup
{
    int paperWidth = 0;
    int paperHeight = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    int headerY = 0;
    int footerY = 0;
    bool landscape = false;
    bool titlePage = false;   // \titlepg: the first page has its own header and footer
    bool facingPages = false; // \facingp: left and right pages differ
    // How a section starts (\sbknone, \sbkcol, \sbkpage, \sbkeven, \sbkodd) and its numbering.
    enum class Break { Page, None, Column, Even, Odd } sectionBreak = Break::Page;
    bool restartNumbers = false; // \pgnrestart
    int firstNumber = 1;         // \pgnstarts
    // Header and footer groups by destination word ("header", "headerf", "footerl"...).
    QMap<QByteArray, QByteArray> furniture;
};
KeptPageSetup pageSetupOf(const KeptRtf& prelude);

} // namespace tarnwick::platform::rtf
