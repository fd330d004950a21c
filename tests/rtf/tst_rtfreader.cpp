#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfProperties.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <memory>

using namespace tarnwick::platform;
using namespace rtftest;

namespace {

// Fonts and colours the inline samples refer to, so that expectations name real families.
QByteArray sample(const QByteArray& body)
{
    return QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
                             "{\\f1\\fmodern Courier New;}{\\f2\\fcharset2 Symbol;}}"
                             "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}")
        + body + "}";
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void realFiles_data();
    void realFiles();
    void realFileFormatting_data();
    void realFileFormatting();
    void characterFormatting_data();
    void characterFormatting();
    void paragraphFormatting_data();
    void paragraphFormatting();
    void encodings_data();
    void encodings();
    void namedAndEscapedCharacters_data();
    void namedAndEscapedCharacters();
    void skippedContent_data();
    void skippedContent();
    void hyperlinks_data();
    void hyperlinks();
    void tables_data();
    void tables();
    void cellsKeepTheirParagraphsLook_data();
    void cellsKeepTheirParagraphsLook();
    void lists_data();
    void lists();
    void pictures_data();
    void pictures();
    void moreProperties_data();
    void moreProperties();
    void paragraphStructure_data();
    void paragraphStructure();
    void emptyParagraphKeepsItsFormat();
    void malformedInputReturnsQuickly_data();
    void malformedInputReturnsQuickly();
    void fuzzRegressions_data();
    void fuzzRegressions();
    void nonRtfLeavesDocumentUntouched();
    void readReplacesContentAndHistory();
    void insertReplacesSelectionAsOneUndoStep();
    void insertKeepsFormatOfParagraphItLandsIn();
    void largeInputLoadsInLinearTime();
};

void TestRtfReader::realFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("paragraphs");

    QTest::newRow("WordPad / rich edit")
        << "richedit_wordpad.rtf"
        << QStringList{
               QStringLiteral("Plain text, bold, italic, underline, strike."),
               QStringLiteral("Centred red"),
               QStringLiteral("Right highlighted"),
               QStringLiteral("Justified indented"),
               QStringLiteral("Bullet one"), // the \\pn numbering is a list: its \\pntext label goes
               QStringLiteral("Bullet two"),
               QStringLiteral("Arial fourteen"),
               QStringLiteral("café € “quoted”"),
               QStringLiteral("Привет"),
               QStringLiteral("Line\u2028break and\ttab"),
               QStringLiteral("\uFFFC"), // the picture's paragraph
               QStringLiteral("http://www.example.org/"),
           };
    QTest::newRow("Word") << "word_style.rtf"
                          << QStringList{
                                 QStringLiteral("Word paragraph with bold and italic and a café and naïve."),
                                 QStringLiteral("Centred red sixteen"),
                                 QStringLiteral("•\tList item"),
                                 QStringLiteral("See the site and Greek αβ and a note."),
                                 QStringLiteral("R1C1"),
                                 QStringLiteral("R1C2"),
                                 QStringLiteral("R2C1"),
                                 QStringLiteral("R2C2"),
                                 QStringLiteral("Last Word paragraph."),
                             };
    QTest::newRow("LibreOffice from HTML")
        << "lo_formatting.rtf"
        << QStringList{
               QStringLiteral("Plain start. Bold words then italic words then underlined words and struck words."),
               QStringLiteral("Centred paragraph with red text and yellow highlight."),
               QStringLiteral("Right aligned Courier 14"),
               QStringLiteral("Justified paragraph indented one inch on the left and half an inch on the right, "
                              "with a hanging first line that makes the paragraph long enough to wrap in the output."),
               QStringLiteral("Accents: café naïve résumé, Euro €, dashes – and —, quotes “double” and ‘single’."),
               QStringLiteral("Cyrillic: Привет мир. Greek: Καλημέρα. Chinese: 你好."),
               QStringLiteral("A link to the example site in the middle."),
               QStringLiteral("Line one\u2028Line two after a manual break"),
               QStringLiteral("Tab separated words"),
               QStringLiteral("Cell A1"),
               QStringLiteral("Cell B1"),
               QStringLiteral("Cell A2"),
               QStringLiteral("Cell B2"),
               QStringLiteral("Superscript and subscript."),
               QStringLiteral("Last paragraph."),
           };
    QTest::newRow("LibreOffice with header, footer, notes, comment") << "lo_header_footer.rtf"
        << QStringList{
               QStringLiteral("Body with a header and footer."),
               QStringLiteral("Bold blue: Blue bold, big underlined: Big."),
               QStringLiteral("Note follows and an endnote."),
               QStringLiteral("A bookmarked word and a comment here."),
               QStringLiteral("Tab\tstop and non-breaking space and softhyphen."),
               QStringLiteral("Page field: 1 end."),
           };
    QTest::newRow("pandoc")
        << "pandoc_sample.rtf"
        << QStringList{
               QStringLiteral("Pandoc sample"),
               QStringLiteral(" Test Author"), // pandoc writes a second space after \fi0
               QString(),
               QStringLiteral("Heading one"),
               QStringLiteral("A paragraph with strong text, emphasis, inline code and a link. Accented: café, "
                              "crème brûlée, Straße; symbols: € — – “quoted”."),
               QStringLiteral("Picture: \uFFFC after picture."),
               QStringLiteral("Footnote here."),
               QStringLiteral("•\tfirst bullet"),
               QStringLiteral("•\tsecond bullet"),
               QStringLiteral("1.\tfirst number"),
               QStringLiteral("2.\tsecond number"),
               QStringLiteral("Left"),
               QStringLiteral("Right"),
               QStringLiteral("a1"),
               QStringLiteral("b1"),
               QStringLiteral("a2"),
               QStringLiteral("b2"),
               QString(),
               QStringLiteral("A block quote."),
               QStringLiteral("Russian: Съешь же ещё этих мягких французских булок."),
           };
    QTest::newRow("LibreOffice from a pandoc .docx (lists, picture, footnote)")
        << "lo_from_pandoc_docx.rtf"
        << QStringList{
               QStringLiteral("Pandoc sample"),
               QStringLiteral("Test Author"),
               QStringLiteral("Heading one"),
               QStringLiteral("A paragraph with strong text, emphasis, inline code and a link. Accented: café, "
                              "crème brûlée, Straße; symbols: € — – “quoted”."),
               QStringLiteral("Picture: \uFFFC after picture."),
               QStringLiteral("Footnote here."),
               QStringLiteral("first bullet"), // list table lists: the labels are the list's now
               QStringLiteral("second bullet"),
               QStringLiteral("first number"),
               QStringLiteral("second number"),
               QStringLiteral("Left"),
               QStringLiteral("Right"),
               QStringLiteral("a1"),
               QStringLiteral("b1"),
               QStringLiteral("a2"),
               QStringLiteral("b2"),
               QStringLiteral("A block quote."),
               QStringLiteral("Russian: Съешь же ещё этих мягких французских булок."),
           };
}

void TestRtfReader::realFiles()
{
    QFETCH(QString, file);
    QFETCH(QStringList, paragraphs);
    const QByteArray rtf = readData(file);
    QVERIFY2(!rtf.isEmpty(), qPrintable(file));
    auto doc = read(rtf);
    // Notes, bookmarks and the like are kept as objects but show no text of their own.
    QCOMPARE(shownTexts(*doc), paragraphs);
    QVERIFY(!doc->toPlainText().contains(QLatin1String("MUST NOT")));
}

void TestRtfReader::realFileFormatting_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("paragraph");

    const QString left = QStringLiteral("align=left li=0 ri=0 fi=0 sb=0 sa=200");
    QTest::newRow("rich edit bold") << "richedit_wordpad.rtf" << "bold" << "font=Calibri pt=11 bold" << left;
    QTest::newRow("rich edit colour, centred") << "richedit_wordpad.rtf" << "Centred red"
        << "font=Calibri pt=11 fg=#ff0000" << "align=center li=0 ri=0 fi=0 sb=0 sa=200";
    QTest::newRow("rich edit highlight") << "richedit_wordpad.rtf" << "Right highlighted"
        << "font=Calibri pt=11 bg=#ffff00" << "align=right li=0 ri=0 fi=0 sb=0 sa=200";
    QTest::newRow("rich edit indents") << "richedit_wordpad.rtf" << "Justified"
        << "font=Calibri pt=11" << "align=justify li=720 ri=360 fi=-360 sb=0 sa=200";
    QTest::newRow("rich edit font and size") << "richedit_wordpad.rtf" << "Arial fourteen" << "font=Arial pt=14" << left;
    QTest::newRow("rich edit Cyrillic font") << "richedit_wordpad.rtf" << "Привет"
        << "font=Times New Roman CYR pt=11" << left;
    QTest::newRow("rich edit link") << "richedit_wordpad.rtf" << "http://www"
        << "font=Calibri pt=11 ul=1 fg=#004dbb href=http://www.example.org/" << left;
    QTest::newRow("Word size and colour") << "word_style.rtf" << "Centred red sixteen"
        << "font=Calibri pt=16 fg=#ff0000" << "align=center li=0 ri=0 fi=0 sb=0 sa=160";
    QTest::newRow("Word link with data field") << "word_style.rtf" << "the site"
        << "font=Calibri pt=11 ul=1 fg=#0563c1 href=https://www.example.com/word"
        << "align=left li=0 ri=0 fi=0 sb=0 sa=160";
    QTest::newRow("Word list paragraph") << "word_style.rtf" << "List item"
        << "font=Calibri pt=11" << "align=left li=720 ri=0 fi=-360 sb=0 sa=160";
    const QString loBody = QStringLiteral("align=left li=0 ri=0 fi=0 sb=0 sa=140");
    QTest::newRow("LibreOffice character background") << "lo_formatting.rtf" << "yellow highlight"
        << "font=DejaVu Serif bg=#ffff00" << "align=center li=0 ri=0 fi=0 sb=0 sa=140";
    QTest::newRow("LibreOffice hanging indent") << "lo_formatting.rtf" << "Justified"
        << "font=DejaVu Serif" << "align=justify li=1440 ri=720 fi=-360 sb=0 sa=140";
    QTest::newRow("LibreOffice link") << "lo_formatting.rtf" << "the example site"
        << "font=DejaVu Serif ul=1 fg=#000080 href=https://www.example.com/page?x=1&y=2" << loBody;
    QTest::newRow("LibreOffice raised text") << "lo_formatting.rtf" << "script and" << "font=DejaVu Serif super" << loBody;
    QTest::newRow("LibreOffice lowered text") << "lo_formatting.rtf" << "script." << "font=DejaVu Serif sub" << loBody;
    QTest::newRow("pandoc code font") << "pandoc_sample.rtf" << "inline code"
        << "font=Courier" << "align=left li=0 ri=0 fi=0 sb=0 sa=180";
    QTest::newRow("pandoc link") << "pandoc_sample.rtf" << "link"
        << "font=Helvetica ul=1 href=https://pandoc.org/" << "align=left li=0 ri=0 fi=0 sb=0 sa=180";
}

void TestRtfReader::realFileFormatting()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QString, paragraph);
    auto doc = read(readData(file));
    QCOMPARE(describeChar(formatOf(*doc, text), *doc), format);
    QCOMPARE(describeBlock(blockFormatOf(*doc, text)), paragraph);
}

void TestRtfReader::characterFormatting_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");

    QTest::newRow("bold") << sample("a\\b X\\b0 y") << "X" << "font=Arial bold";
    QTest::newRow("bold off") << sample("a\\b X\\b0 y") << "y" << "font=Arial";
    QTest::newRow("bold with parameter") << sample("\\b1 X") << "X" << "font=Arial bold";
    QTest::newRow("italic") << sample("\\i X\\i0 y") << "X" << "font=Arial italic";
    QTest::newRow("underline") << sample("\\ul X\\ulnone y") << "X" << "font=Arial ul=1";
    QTest::newRow("\\ulnone") << sample("\\ul X\\ulnone y") << "y" << "font=Arial";
    QTest::newRow("\\ul0") << sample("\\ul X\\ul0 y") << "y" << "font=Arial";
    QTest::newRow("double underline as single") << sample("\\uldb X") << "X" << "font=Arial ul=1";
    QTest::newRow("dotted underline") << sample("\\uld X") << "X" << "font=Arial ul=3";
    QTest::newRow("dashed underline") << sample("\\uldash X") << "X" << "font=Arial ul=2";
    QTest::newRow("wave underline") << sample("\\ulwave X") << "X" << "font=Arial ul=6";
    QTest::newRow("strike") << sample("\\strike X\\strike0 y") << "X" << "font=Arial strike";
    QTest::newRow("strike off") << sample("\\strike X\\strike0 y") << "y" << "font=Arial";
    QTest::newRow("double strike") << sample("\\striked1 X") << "X" << "font=Arial strike";
    QTest::newRow("font") << sample("\\f1 X") << "X" << "font=Courier New";
    QTest::newRow("\\deff") << QByteArray("{\\rtf1\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}X}") << "X" << "font=Courier New";
    QTest::newRow("font name with escapes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Caf\\'e9 Sans{\\*\\falt Cafe};}}\\f0 X}") << "X"
        << QStringLiteral("font=Café Sans");
    QTest::newRow("font table without inner groups")
        << QByteArray("{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1\\fmodern Courier New;}\\f1 X}") << "X"
        << "font=Courier New";
    QTest::newRow("symbol font text takes the body font") << sample("\\f2\\'b7") << QStringLiteral("•") << "font=Arial";
    QTest::newRow("size") << sample("\\fs28 X") << "X" << "font=Arial pt=14";
    QTest::newRow("odd half points") << sample("\\fs21 X") << "X" << "font=Arial pt=10.5";
    QTest::newRow("colour") << sample("\\cf1 X\\cf0 y") << "X" << "font=Arial fg=#ff0000";
    QTest::newRow("\\cf0 is automatic") << sample("\\cf1 X\\cf0 y") << "y" << "font=Arial";
    QTest::newRow("colour index beyond the table") << sample("\\cf9 X") << "X" << "font=Arial";
    QTest::newRow("colour table entry 0 given") << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}}"
                                                             "{\\colortbl\\red0\\green128\\blue0;}\\cf0 X}")
                                                << "X" << "font=Arial fg=#008000";
    QTest::newRow("highlight") << sample("\\highlight2 X\\highlight0 y") << "X" << "font=Arial bg=#0000ff";
    QTest::newRow("highlight off") << sample("\\highlight2 X\\highlight0 y") << "y" << "font=Arial";
    QTest::newRow("\\cb") << sample("\\cb1 X") << "X" << "font=Arial bg=#ff0000";
    QTest::newRow("\\chcbpat") << sample("\\chcbpat2 X") << "X" << "font=Arial bg=#0000ff";
    QTest::newRow("superscript") << sample("\\super X\\nosupersub y") << "X" << "font=Arial super";
    QTest::newRow("\\nosupersub") << sample("\\super X\\nosupersub y") << "y" << "font=Arial";
    QTest::newRow("subscript") << sample("\\sub X") << "X" << "font=Arial sub";
    QTest::newRow("raised") << sample("\\up6 X\\up0 y") << "X" << "font=Arial super";
    QTest::newRow("lowered") << sample("\\dn4 X") << "X" << "font=Arial sub";
    QTest::newRow("group restores") << sample("{\\b\\i\\cf1 a}X") << "X" << "font=Arial";
    QTest::newRow("\\plain resets") << sample("\\b\\i\\ul\\strike\\fs40\\f1\\cf1\\highlight2{\\plain X}")
                                    << "X" << "font=Arial";
    QTest::newRow("everything at once") << sample("\\f1\\fs18\\b\\i\\ul\\strike\\cf2\\highlight1 X") << "X"
                                        << "font=Courier New pt=9 bold italic ul=1 strike fg=#0000ff bg=#ff0000";
}

void TestRtfReader::characterFormatting()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, format);
    auto doc = read(rtf);
    QCOMPARE(describeChar(formatOf(*doc, text), *doc), format);
}

void TestRtfReader::paragraphFormatting_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");

    QTest::newRow("centred") << sample("\\pard\\qc X\\par") << "X" << "align=center li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("right") << sample("\\pard\\qr X\\par") << "X" << "align=right li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("justified") << sample("\\pard\\qj X\\par") << "X" << "align=justify li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("distributed as justified") << sample("\\qd X") << "X" << "align=justify li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("left") << sample("\\qc\\ql X") << "X" << "align=left li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("indents and spacing") << sample("\\pard\\li720\\ri360\\fi-360\\sb120\\sa240 X\\par") << "X"
                                         << "align=left li=720 ri=360 fi=-360 sb=120 sa=240";
    QTest::newRow("\\lin and \\rin") << sample("\\pard\\lin300\\rin150 X") << "X"
                                     << "align=left li=300 ri=150 fi=0 sb=0 sa=0";
    QTest::newRow("\\pard resets") << sample("\\qc\\li720 A\\par\\pard X") << "X"
                                   << "align=left li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("properties carry to the next paragraph") << sample("\\qc\\li720 A\\par X") << "X"
                                                            << "align=center li=720 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("group-scoped properties") << sample("{\\qc A\\par}X") << "X"
                                             << "align=left li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("the state at \\par decides") << sample("\\pard A\\qr\\par X") << "A"
                                                << "align=right li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("last paragraph without \\par") << sample("A\\par\\pard\\qc X") << "X"
                                                  << "align=center li=0 ri=0 fi=0 sb=0 sa=0";
    QTest::newRow("oversized indents are capped") << sample("\\li99999999\\sb-50 X") << "X"
                                                  << "align=left li=31680 ri=0 fi=0 sb=0 sa=0";
}

void TestRtfReader::paragraphFormatting()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, format);
    auto doc = read(rtf);
    QCOMPARE(describeBlock(blockFormatOf(*doc, text)), format);
}

void TestRtfReader::encodings_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("cp1252 hex escapes") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94}")
                                        << QStringLiteral("café € “q”");
    QTest::newRow("cp1252 when no code page is given") << QByteArray("{\\rtf1 \\'e9\\'9c}") << QStringLiteral("éœ");
    QTest::newRow("unknown code page falls back to cp1252") << QByteArray("{\\rtf1\\ansicpg99999 \\'e9}")
                                                            << QStringLiteral("é");
    QTest::newRow("raw 8-bit bytes") << QByteArray("{\\rtf1\\ansicpg1252 caf\xe9}") << QStringLiteral("café");
    QTest::newRow("\\u with fallback") << QByteArray("{\\rtf1 \\u8364?x}") << QStringLiteral("€x");
    QTest::newRow("\\u with hex fallback") << QByteArray("{\\rtf1 \\u233\\'e9x}") << QStringLiteral("éx");
    QTest::newRow("\\uc0") << QByteArray("{\\rtf1\\uc0\\u8364 x}") << QStringLiteral("€x");
    QTest::newRow("\\uc2 with a double-byte fallback") << QByteArray("{\\rtf1\\uc2\\u12354\\'82\\'a0x}")
                                                       << QStringLiteral("あx");
    QTest::newRow("\\uc2 skipping plain text") << QByteArray("{\\rtf1\\uc2\\u8364 ab c}") << QStringLiteral("€ c");
    QTest::newRow("\\uc is group-scoped") << QByteArray("{\\rtf1{\\uc2\\u8364 ab}\\u8364 ab}")
                                          << QStringLiteral("€€b");
    QTest::newRow("a group ends the skipping") << QByteArray("{\\rtf1\\uc3\\u8364{x}y}") << QStringLiteral("€xy");
    QTest::newRow("a control word counts as one skipped") << QByteArray("{\\rtf1\\uc1\\u8364\\tab x}")
                                                          << QStringLiteral("€x");
    QTest::newRow("negative \\u (surrogate pair)") << QByteArray("{\\rtf1\\u-10179?\\u-8704?}")
                                                   << QStringLiteral("\U0001F600");
    QTest::newRow("\\u above the BMP") << QByteArray("{\\rtf1\\uc0\\u128512 x}") << QStringLiteral("\U0001F600x");
    QTest::newRow("\\fcharset204 Cyrillic") << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Arial Cyr;}}"
                                                          "\\f0\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
                                            << QStringLiteral("Привет");
    QTest::newRow("\\ansicpg1251 for a font without charset")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0\\'cf\\'f0\\'e8}") << QStringLiteral("При");
    QTest::newRow("\\fcharset0 means cp1252 whatever \\ansicpg says")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0\\'e9}") << QStringLiteral("é");
    QTest::newRow("\\cpg overrides the charset") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 X;}}\\f0\\'cf}")
                                                 << QStringLiteral("П");
    QTest::newRow("code page follows font changes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 G;}{\\f2\\fcharset238 CE;}}"
                      "\\f0\\'e9\\f1\\'e1\\'e2{\\f2\\'9a}\\'e1}")
        << QStringLiteral("éαβšα");
    QTest::newRow("Shift-JIS double-byte") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}"
                                                         "\\f0\\'82\\'a0\\'93\\'fa}")
                                           << QStringLiteral("あ日");
    QTest::newRow("Shift-JIS trail byte written as \\\\") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}"
                                                                       "\\f0\\'95\\\\}")
                                                          << QStringLiteral("表");
    QTest::newRow("GBK") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0\\'d6\\'d0\\'ce\\'c4}")
                         << QStringLiteral("中文");
    QTest::newRow("Symbol font bytes") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}\\f1 a\\'b7\\f0 a}")
                                       << QStringLiteral("α•a");
    QTest::newRow("Symbol font private use") << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\u-3913 ?}")
                                             << QStringLiteral("•");
    QTest::newRow("Wingdings bullet") << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}\\f1\\'a7}")
                                      << QStringLiteral("▪");
    QTest::newRow("Mac Roman") << QByteArray("{\\rtf1\\mac \\'8e}") << QStringLiteral("é");
    QTest::newRow("OEM 437") << QByteArray("{\\rtf1\\pc \\'82}") << QStringLiteral("é");
}

void TestRtfReader::encodings()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    auto doc = read(rtf);
    QCOMPARE(textOf(*doc), text);
}

void TestRtfReader::namedAndEscapedCharacters_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("named punctuation") << QByteArray("{\\rtf1\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}")
                                       << QStringLiteral("—–‘’“”•");
    QTest::newRow("spaces") << QByteArray("{\\rtf1 a\\emspace b\\enspace c\\qmspace d}")
                            << QStringLiteral("a\u2003b\u2002c\u2005d");
    QTest::newRow("non-breaking space, optional and non-breaking hyphen") << QByteArray("{\\rtf1 a\\~b\\-c\\_d}")
                                                                          << QStringLiteral("a\u00A0b\u00ADc\u2011d");
    QTest::newRow("line break and tab") << QByteArray("{\\rtf1 a\\line b\\tab c}") << QStringLiteral("a\u2028b\tc");
    QTest::newRow("escaped braces and backslash") << QByteArray("{\\rtf1 \\{x\\}\\\\}") << QStringLiteral("{x}\\");
    QTest::newRow("line ends in the file are not text") << QByteArray("{\\rtf1 a\r\nb\nc\rd}") << QStringLiteral("abcd");
    QTest::newRow("backslash-newline is a paragraph") << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\nb");
    QTest::newRow("only one space delimits") << QByteArray("{\\rtf1\\b  x}") << QStringLiteral(" x");
    QTest::newRow("digits end at a letter") << QByteArray("{\\rtf1\\fs20x}") << QStringLiteral("x");
    QTest::newRow("hyphen that is not a sign") << QByteArray("{\\rtf1\\b-x}") << QStringLiteral("-x");
    QTest::newRow("literal tab byte") << QByteArray("{\\rtf1 a\tb}") << QStringLiteral("a\tb");
    QTest::newRow("ignored symbols") << QByteArray("{\\rtf1 a\\|b\\:c}") << QStringLiteral("abc");
    QTest::newRow("unknown control words vanish") << QByteArray("{\\rtf1 a\\frobnicate42 b}") << QStringLiteral("ab");
    QTest::newRow("controls are dropped") << QByteArray("{\\rtf1 a\\'07\\u1?b}") << QStringLiteral("ab");
    QTest::newRow("document structure characters are replaced")
        << QByteArray("{\\rtf1 a\\u-560?b\\u-4?c}") << QStringLiteral("a\uFFFDb\uFFFDc");
}

void TestRtfReader::namedAndEscapedCharacters()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    auto doc = read(rtf);
    QCOMPARE(textOf(*doc), text);
}

void TestRtfReader::skippedContent_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("picture") << QByteArray("{\\rtf1 A{\\pict\\wmetafile8\\picw10 0100ff09}B}") << "A\uFFFCB";
    QTest::newRow("shape picture and fallback") << QByteArray("{\\rtf1 A{\\*\\shppict{\\pict\\pngblip 89ab}}"
                                                              "{\\nonshppict{\\pict 00}}B}")
                                                << "A\uFFFCB"; // one picture, not two
    QTest::newRow("binary data with braces") << QByteArray("{\\rtf1 A{\\pict\\bin5 }}}\\{}B}") << "AB";
    QTest::newRow("binary data in the text") << QByteArray("{\\rtf1 A\\bin3 xyzB}") << "AB";
    QTest::newRow("object with result") << QByteArray("{\\rtf1 A{\\object\\objemb{\\*\\objclass Paint}"
                                                     "{\\*\\objdata 0105}{\\result{\\pict 00}RESULT}}B}")
                                        << "A\uFFFCB";
    QTest::newRow("header and footer") << QByteArray("{\\rtf1 A{\\header\\pard H\\par}{\\footerr\\pard F\\par}B}") << "A\uFFFC\uFFFCB";
    QTest::newRow("footnote") << QByteArray("{\\rtf1 A{\\super\\chftn}{\\footnote\\pard\\plain\\chftn NOTE}B}") << "A\uFFFCB";
    QTest::newRow("info") << QByteArray("{\\rtf1{\\info{\\title T}{\\author Au}}AB}") << "AB";
    QTest::newRow("style sheet") << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}{\\*\\cs1 Link;}}AB}") << "AB";
    QTest::newRow("font, colour tables, generator") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}"
                                                                 "{\\colortbl;\\red1\\green2\\blue3;}"
                                                                 "{\\*\\generator Gen 1.0;}AB}")
                                                    << "AB";
    QTest::newRow("list table without \\*") << QByteArray("{\\rtf1{\\listtable{\\list{\\leveltext\\'01\\u-3913 ?;}}}AB}")
                                            << "AB";
    QTest::newRow("old-style bullet definition") << QByteArray("{\\rtf1{\\pn\\pnlvlblt{\\pntxtb\\'B7}}AB}") << "AB";
    QTest::newRow("unknown \\* destination") << QByteArray("{\\rtf1 A{\\*\\unheardof text{\\b more}}B}") << "A\uFFFCB";
    QTest::newRow("unknown plain destination shows its text") << QByteArray("{\\rtf1 A{\\unheardof x}B}") << "AxB";
    QTest::newRow("bookmarks") << QByteArray("{\\rtf1 A{\\*\\bkmkstart m}B{\\*\\bkmkend m}C}") << "A\uFFFCB\uFFFCC";
    QTest::newRow("hidden text") << QByteArray("{\\rtf1 A{\\v HIDDEN}B\\v C\\v0 D}") << "ABD";
    QTest::newRow("annotation") << QByteArray("{\\rtf1 A{\\*\\atnid X}{\\*\\annotation{\\*\\atndate 0}NOTE}B}") << "A\uFFFCB";
    QTest::newRow("\\upr keeps the Unicode version") << QByteArray("{\\rtf1{\\upr{ANSI}{\\*\\ud{UNI}}}}") << "UNI";
    QTest::newRow("\\* at the top level is harmless") << QByteArray("{\\rtf1\\*\\unheardof AB}") << "AB";
    QTest::newRow("text after the document") << QByteArray("{\\rtf1 AB}CD{EF}") << "AB";
    QTest::newRow("text before the document") << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 AB}") << "AB";
}

void TestRtfReader::skippedContent()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    auto doc = read(rtf);
    QCOMPARE(textOf(*doc), text);
}

void TestRtfReader::hyperlinks_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("href");

    QTest::newRow("quoted") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://a.example/\"}{\\fldrslt link}}}")
                            << "link" << "http://a.example/";
    QTest::newRow("unquoted, no \\*") << QByteArray("{\\rtf1{\\field{\\fldinst HYPERLINK http://b.example/ }{\\fldrslt b}}}")
                                      << "b" << "http://b.example/";
    QTest::newRow("lower case, switches") << QByteArray("{\\rtf1{\\field{\\*\\fldinst hyperlink \\\\o \"tip\" "
                                                        "\"http://c.example/\" \\\\h}{\\fldrslt c}}}")
                                          << "c" << "http://c.example/";
    QTest::newRow("location") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://d.example/p\" \\\\l \"sec\"}"
                                            "{\\fldrslt d}}}")
                              << "d" << "http://d.example/p#sec";
    QTest::newRow("location only") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \\\\l \"top\"}{\\fldrslt t}}}")
                                   << "t" << "#top";
    QTest::newRow("instruction split over groups")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst{\\b HYPER}{LINK \"http://e.example/\"}{\\*\\datafield 00ff}}"
                      "{\\fldrslt{\\ul e}}}}")
        << "e" << "http://e.example/";
    QTest::newRow("escaped backslashes") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"C:\\\\\\\\dir\\\\\\\\f.txt\"}"
                                                       "{\\fldrslt f}}}")
                                         << "f" << "C:\\dir\\f.txt";
    QTest::newRow("quoted target that looks like a switch")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"\\\\\\\\l\"}{\\fldrslt q}}}") << "q" << "\\l";
    QTest::newRow("link survives \\plain") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://g.example/\"}"
                                                         "{\\fldrslt\\plain g}}}")
                                           << "g" << "http://g.example/";
    QTest::newRow("other fields keep their result") << QByteArray("{\\rtf1{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}}")
                                                    << "7" << "";
    QTest::newRow("text after a link") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt a}}after}")
                                       << "after" << "";
    QTest::newRow("nested fields") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://o.example/\"}{\\fldrslt o"
                                                 "{\\field{\\*\\fldinst HYPERLINK \"http://i.example/\"}{\\fldrslt i}}}}}")
                                   << "i" << "http://i.example/";
}

void TestRtfReader::hyperlinks()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, href);
    auto doc = read(rtf);
    const QTextCharFormat format = formatOf(*doc, text);
    QVERIFY2(format.isValid(), qPrintable(textOf(*doc)));
    QCOMPARE(format.anchorHref(), href);
    QCOMPARE(format.isAnchor(), !href.isEmpty());
    QVERIFY(!textOf(*doc).contains(QLatin1String("HYPERLINK"), Qt::CaseInsensitive));
}

void TestRtfReader::tables_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("text");

    QTest::newRow("rows of cells") << QByteArray(
                                          "{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row"
                                          "\\trowd\\cellx1000\\cellx2000\\pard\\intbl C\\cell D\\cell\\row}")
                                   << QStringList{"table 2x2 widths=1000,1000 header=0", "| A | B |", "| C | D |"}
                                   << "\nA\nB\nC\nD\n";
    QTest::newRow("empty cells") << QByteArray("{\\rtf1\\trowd\\pard\\intbl A\\cell\\cell C\\cell\\row}")
                                 << QStringList{"table 1x3 widths=1440,1440,1440 header=0", "| A |  | C |"}
                                 << "\nA\n\nC\n";
    QTest::newRow("paragraph marks closing cells")
        << QByteArray("{\\rtf1{\\trowd{{\\pard\\intbl A\\par}\\cell}{{\\pard\\intbl B\\par}\\cell}\\intbl\\row}}")
        << QStringList{"table 1x2 widths=1440,1440 header=0", "| A | B |"} << "\nA\nB\n";
    QTest::newRow("an empty last paragraph of a cell stays")
        << QByteArray("{\\rtf1\\pard\\intbl A\\par\\pard\\intbl\\cell B\\cell\\row}")
        << QStringList{"table 1x2 widths=1440,1440 header=0", "| A | B |"} << "\nA\n\nB\n";
    QTest::newRow("several paragraphs in a cell")
        << QByteArray("{\\rtf1\\pard\\intbl A\\par B\\cell C\\cell\\row}")
        << QStringList{"table 1x2 widths=1440,1440 header=0", "| A/B | C |"} << "\nA\nB\nC\n";
    QTest::newRow("paragraphs around") << QByteArray("{\\rtf1 Intro\\par\\trowd\\pard\\intbl\\cell B\\cell\\row"
                                                     "\\pard After\\par}")
                                       << QStringList{"table 1x2 widths=1440,1440 header=0", "|  | B |"}
                                       << "Intro\n\nB\nAfter";
    QTest::newRow("widths, gap and left edge")
        << QByteArray("{\\rtf1\\trowd\\trgaph108\\trleft-108\\cellx1500\\cellx4000\\cellx9000\\pard\\intbl a\\cell "
                      "b\\cell c\\cell\\row}")
        << QStringList{"table 1x3 widths=1608,2500,5000 header=0", "| a | b | c |"} << "\na\nb\nc\n";
    QTest::newRow("horizontal merge")
        << QByteArray(
               "{\\rtf1\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\cellx3000\\pard\\intbl AB\\cell\\cell C\\cell\\row"
               "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl d\\cell e\\cell f\\cell\\row}")
        << QStringList{"table 2x3 widths=1000,1000,1000 header=0", "| AB(1x2) | C |", "| d | e | f |"}
        << "\nAB\nC\nd\ne\nf\n";
    QTest::newRow("vertical merge")
        << QByteArray("{\\rtf1\\trowd\\clvmgf\\cellx1000\\cellx2000\\pard\\intbl V\\cell a\\cell\\row"
                      "\\trowd\\clvmrg\\cellx1000\\cellx2000\\pard\\intbl\\cell b\\cell\\row"
                      "\\trowd\\cellx1000\\cellx2000\\pard\\intbl c\\cell d\\cell\\row}")
        << QStringList{"table 3x2 widths=1000,1000 header=0", "| V(2x1) | a |", "| ^ | b |", "| c | d |"}
        << "\nV\na\nb\nc\nd\n";
    QTest::newRow("rows of different widths keep every cell")
        << QByteArray("{\\rtf1\\trowd\\cellx2000\\cellx4000\\pard\\intbl wide\\cell w2\\cell\\row"
                      "\\trowd\\cellx1000\\cellx2000\\cellx3000\\cellx4000\\pard\\intbl n1\\cell n2\\cell n3\\cell "
                      "n4\\cell\\row}")
        << QStringList{"table 2x4 widths=1000,1000,1000,1000 header=0", "| wide(1x2) | w2(1x2) |",
                       "| n1 | n2 | n3 | n4 |"}
        << "\nwide\nw2\nn1\nn2\nn3\nn4\n";
    QTest::newRow("cells past the widest edge join the one before")
        << QByteArray("{\\rtf1\\trowd\\cellx999999\\pard\\intbl a\\cell b\\cell\\row}")
        << QStringList{"table 1x1 widths=126720 header=0", "| a/b |"} << "\na\nb\n";
    QTest::newRow("header rows") << QByteArray("{\\rtf1\\trowd\\trhdr\\cellx1000\\pard\\intbl H\\cell\\row"
                                               "\\trowd\\cellx1000\\pard\\intbl x\\cell\\row}")
                                 << QStringList{"table 2x1 widths=1000 header=1", "| H |", "| x |"} << "\nH\nx\n";
    QTest::newRow("row without a cell mark at its end")
        << QByteArray("{\\rtf1\\trowd\\cellx900\\cellx1800\\pard\\intbl a\\cell b\\row}")
        << QStringList{"table 1x2 widths=900,900 header=0", "| a | b |"} << "\na\nb\n";
    QTest::newRow("nested table")
        << QByteArray(
               "{\\rtf1\\trowd\\cellx2000\\cellx6000\\pard\\intbl A\\cell\\itap2 x\\nestcell y\\nestcell"
               "{\\*\\nesttableprops\\trowd\\cellx3000\\cellx5000\\nestrow}{\\nonesttables\\par}\\itap1\\cell\\row}")
        << QStringList{"table 1x2 widths=2000,4000 header=0", "| A | x/y |", "table 1x2 widths=3000,2000 header=0",
                       "| x | y |"}
        << "\nA\n\nx\ny\n\n";
    QTest::newRow("nested rows of different widths")
        << QByteArray("{\\rtf1\\trowd\\cellx5000\\pard\\intbl\\itap2 a\\nestcell b\\nestcell c\\nestcell{\\*\\nesttableprops\\trowd"
                      "\\cellx1440\\cellx2880\\cellx4320\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\itap2 d\\nestcell e\\nestcell"
                      " f\\nestcell g\\nestcell{\\*\\nesttableprops\\trowd\\cellx1300\\cellx2700\\cellx2880\\cellx4320\\nestrow}"
                      "{\\nonesttables\\par}\\pard\\intbl\\itap1\\cell\\row}")
        << QStringList{"table 1x1 widths=5000 header=0", "| a/b/c/d/e/f/g |", "table 2x5 widths=1300,140,1260,180,1440 header=0",
                       "| a(1x2) | b(1x2) | c |", "| d | e(1x2) | f | g |"}
        << "\n\na\nb\nc\nd\ne\nf\ng\n\n";
    QTest::newRow("nested table without its row end")
        << QByteArray("{\\rtf1\\pard\\intbl A\\cell\\itap2 x\\nestcell y\\itap1\\cell\\row}")
        << QStringList{"table 1x2 widths=1440,1440 header=0", "| A | x/y |", "table 1x2 widths=1440,1440 header=0",
                       "| x | y |"}
        << "\nA\n\nx\ny\n\n";
    QTest::newRow("more cells than a row can hold run on in the last")
        << QByteArray("{\\rtf1\\pard\\intbl ") + QByteArray("c\\cell ").repeated(66) + "\\row}" << QStringList()
        << QString();
}

void TestRtfReader::tables()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, tables);
    QFETCH(QString, text);
    auto doc = read(rtf);
    if (tables.isEmpty()) {
        QCOMPARE(doc->toPlainText().count(QLatin1Char('c')), 66);
        QCOMPARE(describeTables(*doc).value(0),
                 QStringLiteral("table 1x64 widths=%1 header=0")
                     .arg(QStringList(64, QStringLiteral("1440")).join(QLatin1Char(','))));
        return;
    }
    QCOMPARE(describeTables(*doc), tables);
    QCOMPARE(textOf(*doc), text);
    // What the writer makes of it reads back as the same tables.
    auto again = read(documentToRtf(*doc));
    QCOMPARE(describeTables(*again), tables);
    QCOMPARE(textOf(*again), text);
}

void TestRtfReader::cellsKeepTheirParagraphsLook_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("looks");

    // Rows of different widths and merges rebuild the table; its paragraphs must not change.
    QTest::newRow("rows of different widths")
        << sample("\\trowd\\cellx1000\\cellx3000\\pard\\intbl\\qc A\\cell\\qr\\fs40 B\\cell\\row"
                  "\\trowd\\cellx2000\\cellx3000\\pard\\intbl\\plain C\\cell\\qj D\\cell\\row")
        << "left: / center:A / right:B / left:C / justify:D / justify:";
    QTest::newRow("an empty cell beside a vertical merge")
        << sample("\\trowd\\clvmgf\\cellx2000\\cellx3440\\pard\\intbl l\\cell\\pard\\intbl\\qr\\cell\\row"
                  "\\trowd\\clvmrg\\cellx2000\\cellx3440\\pard\\intbl\\cell\\pard\\intbl\\qr r\\cell\\row")
        << "left: / left:l / right: / right:r / right:";
    QTest::newRow("a nested table taking the cells of the one before")
        << sample("\\trowd\\cellx1440\\cellx2880\\pard\\intbl\\itap2 a\\nestcell b\\nestcell{\\*\\nesttableprops\\trowd"
                  "\\cellx1440\\cellx2880\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\cell"
                  "\\pard\\intbl\\itap2\\qr "
                  "7\\nestcell{\\*\\nesttableprops\\trowd\\cellx1440\\nestrow}{\\nonesttables\\par}"
                  "\\pard\\intbl\\cell\\row")
        << "left: / left: / left:a / left:b / left: / left: / right:7 / left: / left:";
    QTest::newRow("an empty paragraph before a nested table, in the size of the cell before")
        << QByteArray("{\\rtf1\\intbl\\fs40 x\\cell\\par\\itap2 y\\par}")
        << "left: / left:x / left: / left:y / left: / left:";
    QTest::newRow("an empty bold paragraph before a table")
        << QByteArray("{\\rtf1\\pard\\qc\\b\\par\\trowd\\cellx1000\\pard\\intbl\\b0 x\\cell\\row}")
        << "center: / left:x / left:";
}

void TestRtfReader::cellsKeepTheirParagraphsLook()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, looks);
    auto looksOf = [](const QTextDocument& doc) {
        QStringList out;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            const Qt::Alignment a = b.blockFormat().alignment();
            const char* name = a & Qt::AlignHCenter   ? "center"
                               : a & Qt::AlignRight   ? "right"
                               : a & Qt::AlignJustify ? "justify"
                                                      : "left";
            out << QLatin1String(name) + QLatin1Char(':') + b.text();
        }
        return out.join(QLatin1String(" / "));
    };
    auto doc = read(rtf);
    QCOMPARE(looksOf(*doc), looks);
    // Sizes and weights, of empty paragraphs too, and the tables themselves survive the writer.
    auto again = read(documentToRtf(*doc));
    QCOMPARE(describeDocument(*again), describeDocument(*doc));
    QCOMPARE(describeTables(*again), describeTables(*doc));
}

void TestRtfReader::lists_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QString>("text");

    const QByteArray table =
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00);}"
        "{\\levelnumbers\\'01;}\\fi-360\\li720}{\\listlevel\\levelnfc4{\\leveltext\\'02\\'01.;}}"
        "{\\listlevel\\levelnfc2{\\leveltext\\'02\\'02.;}}\\listid7}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
        "{\\listlevel\\levelnfc23{\\leveltext\\'01o;}}{\\listlevel\\levelnfc23{\\leveltext\\'01\\u9642 ?;}}\\listid8}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid8\\ls2}}";
    // Qt's styles: -1 disc, -2 circle, -3 square, -4 decimal, -5 lower alpha, -6 upper alpha, -7 lower and -8 upper
    // roman. Qt numbers from 1 whatever the start; the start is kept for the writer.
    QTest::newRow("numbered list with a sub-list")
        << sample(table + "\\pard\\ls1{\\listtext 3)\\tab}one\\par\\pard\\ls1\\ilvl1{\\listtext a.\\tab}sub\\par"
                          "\\pard\\ls1\\ilvl2{\\listtext i.\\tab}subsub\\par\\pard\\ls1{\\listtext 4)\\tab}two\\par"
                          "\\pard\\ls1\\ilvl1{\\listtext a.\\tab}restarts\\par")
        << QStringList{"-4 level 1 1): one", "-5 level 2 a.: sub", "-7 level 3 i.: subsub", "-4 level 1 2): two",
                       "-5 level 2 a.: restarts"}
        << "one\nsub\nsubsub\ntwo\nrestarts";
    QTest::newRow("bullets of three kinds, label before \\pard")
        << sample(table +
                  "{\\listtext\\pard\\plain \\'95\\tab}\\pard\\ls2 disc\\par"
                  "{\\listtext\\pard\\plain o\\tab}\\pard\\ls2\\ilvl1 circle\\par\\pard\\ls2\\ilvl2 square\\par")
        << QStringList{"-1 level 1 .: disc", "-2 level 2 .: circle", "-3 level 3 .: square"} << "disc\ncircle\nsquare";
    QTest::newRow("number with text before it")
        << sample("{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'04Nr \\'00;}}\\listid3}}"
                  "{\\*\\listoverridetable{\\listoverride\\listid3\\ls4}}\\pard\\ls4 item\\par")
        << QStringList{"-4 level 1 Nr 1: item"} << "item";
    QTest::newRow("unknown list keeps its label")
        << sample("\\pard\\ls9{\\listtext 1.\\tab}kept\\par") << QStringList() << "1.\tkept";
    QTest::newRow("rich edit bullets")
        << sample("{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}\\fi-360\\li720 a\\par"
                  "{\\pntext\\f2\\'b7\\tab}b\\par\\pard plain\\par")
        << QStringList{"-1 level 1 .: a", "-1 level 1 .: b"} << "a\nb\nplain";
    QTest::newRow("Word 6 numbering: levels, kinds and start")
        << sample("{\\pntext 5.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart5{\\pntxta .}}x\\par"
                  "\\pard{\\pntext B)\\tab}{\\*\\pn\\pnlvl2\\pnucltr\\pnstart2{\\pntxta )}}y\\par"
                  "\\pard{\\pntext II\\tab}{\\*\\pn\\pnlvl3\\pnucrm}z\\par\\pard{\\pntext "
                  "iv\\tab}{\\*\\pn\\pnlvl3\\pnlcrm}w\\par")
        << QStringList{"-4 level 1 1.: x", "-6 level 2 A): y", "-8 level 3 I: z", "-7 level 3 i: w"} << "x\ny\nz\nw";
    QTest::newRow("lists in nested cells")
        << sample(table + "\\trowd\\cellx1000\\cellx5000\\pard\\intbl N\\cell\\pard\\intbl\\itap2 in1\\nestcell in2\\nestcell"
                          "\\pard\\intbl\\itap2\\ls1\\ilvl2{\\listtext i.\\tab}x\\nestcell{\\*\\nesttableprops\\trowd\\cellx1300"
                          "\\cellx2700\\cellx4140\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\cell\\row")
        << QStringList{"-7 level 3 i.: x"} << "\nN\n\nin1\nin2\nx\n\n";
    QTest::newRow("an item in a nested table taking the cells of the one before")
        << sample(table +
                  "\\trowd\\cellx1440\\cellx2880\\pard\\intbl\\itap2 a\\nestcell b\\nestcell{\\*\\nesttableprops"
                  "\\trowd\\cellx1440\\cellx2880\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\cell\\row"
                  "\\pard\\ls1 one\\par\\trowd\\cellx1440\\pard\\intbl\\itap2\\ls1 two\\nestcell{\\*\\nesttableprops"
                  "\\trowd\\cellx1440\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\cell\\row")
        << QStringList{"-4 level 1 1): one", "-4 level 1 2): two"} << "\n\na\nb\n\none\n\ntwo\n\n";
    QTest::newRow("a sub-list numbered on past an item of another list")
        << sample(table + "\\pard\\ls1 one\\par\\pard{\\*\\pn\\pnlvl2\\pndec{\\pntxta .}}sub\\par"
                          "\\pard\\ls1 two\\par\\pard{\\*\\pn\\pnlvl2\\pndec{\\pntxta .}}sub2\\par")
        << QStringList{"-4 level 1 1): one", "-4 level 2 1.: sub", "-4 level 1 2): two", "-4 level 2 2.: sub2"}
        << "one\nsub\ntwo\nsub2";
    QTest::newRow("lists in table cells") << sample(table + "\\trowd\\cellx2000\\pard\\intbl\\ls2 in cell\\cell\\row")
                                          << QStringList{"-1 level 1 .: in cell"} << "\nin cell\n";
}

void TestRtfReader::lists()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, lists);
    QFETCH(QString, text);
    auto doc = read(rtf);
    QCOMPARE(describeLists(*doc), lists);
    QCOMPARE(textOf(*doc), text);
    auto again = read(documentToRtf(*doc));
    QCOMPARE(describeLists(*again), lists);
    QCOMPARE(textOf(*again), text);
}

void TestRtfReader::pictures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("kind"); // rtf::PictureKind, 0: no picture
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown"); // in twips

    auto imageBytes = [](const char* format) {
        QImage image(6, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    };
    const QByteArray png = imageBytes("PNG");
    const QByteArray jpeg = imageBytes("JPEG");
    const QByteArray dib = imageBytes("BMP").mid(14); // a bitmap file without its file header
    const QByteArray emf =
        QByteArray::fromHex("010000006c00000000000000000000000a0000000a000000") + QByteArray(40, '\x07');
    auto pict = [](const QByteArray& words, const QByteArray& data) {
        return "{\\rtf1 A{\\pict" + words + "\n" + data.toHex() + "}B}";
    };
    using K = rtf::PictureKind;
    QTest::newRow("png at its goal size")
        << pict("\\pngblip\\picw6\\pich3\\picwgoal900\\pichgoal450", png) << int(K::Png) << png << QSize(900, 450);
    QTest::newRow("jpeg scaled") << pict(
                                        "\\jpegblip\\picw6\\pich3\\picwgoal900\\pichgoal450\\picscalex50\\picscaley200",
                                        jpeg)
                                 << int(K::Jpeg) << jpeg << QSize(450, 900);
    QTest::newRow("device-independent bitmap without a goal size")
        << pict("\\dibitmap0\\picw6\\pich3", dib) << int(K::Dib) << dib << QSize(90, 45);
    QTest::newRow("enhanced metafile shown as a box")
        << pict("\\emfblip\\picw2540\\pich1270", emf) << int(K::Emf) << emf << QSize(1440, 720);
    QTest::newRow("windows metafile") << pict("\\wmetafile8\\picwgoal300\\pichgoal300", emf) << int(K::Wmf) << emf
                                      << QSize(300, 300);
    QTest::newRow("binary data") << "{\\rtf1 A{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png +
                                        "}B}"
                                 << int(K::Png) << png << QSize(90, 45);
    QTest::newRow("the alternative when there is no shape picture")
        << "{\\rtf1 A{\\nonshppict{\\pict\\pngblip " + png.toHex() + "}}B}" << int(K::Png) << png << QSize(90, 45);
    QTest::newRow("shape picture wins over its alternative")
        << "{\\rtf1 A{\\*\\shppict{\\pict\\jpegblip " + jpeg.toHex() + "}}{\\nonshppict{\\pict\\pngblip " +
               png.toHex() + "}}B}"
        << int(K::Jpeg) << jpeg << QSize(90, 45);
    QTest::newRow("absurd declared size is clamped")
        << pict("\\pngblip\\picwgoal999999999\\pichgoal99999999", png) << int(K::Png) << png << QSize(31680, 31680);
    // A file cut off in a picture keeps the text before it.
    QTest::newRow("truncated data block")
        << QByteArray("{\\rtf1 A{\\pict\\pngblip\\bin999999 ") + png.left(20) << 0 << QByteArray() << QSize();
    QTest::newRow("picture without data") << pict("\\pngblip", QByteArray()) << 0 << QByteArray() << QSize();
}

void TestRtfReader::pictures()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);
    auto doc = read(rtf);
    for (int pass = 0; pass < 2; ++pass) {
        QList<QTextImageFormat> images;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat())
                    images << it.fragment().charFormat().toImageFormat();
        QCOMPARE(images.size(), kind ? 1 : 0);
        QVERIFY(doc->toPlainText().startsWith(QLatin1Char('A')));
        if (!kind)
            return;
        rtf::Picture picture;
        QVERIFY(rtf::pictureForImage(*doc, images.first(), &picture));
        QCOMPARE(int(picture.kind), kind);
        QCOMPARE(picture.data, bytes); // byte for byte, through open and save
        QCOMPARE(QSize(twips(images.first().width()), twips(images.first().height())), shown);
        QVERIFY(!doc->resource(QTextDocument::ImageResource, QUrl(images.first().name())).value<QImage>().isNull());
        doc = read(documentToRtf(*doc));
    }
}

namespace {

// The character and paragraph properties beyond what describeChar/describeBlock show.
QString describeMore(const QTextDocument& doc, const QString& needle)
{
    const QTextCharFormat c = formatOf(doc, needle);
    const QTextBlockFormat b = blockFormatOf(doc, needle);
    QStringList parts;
    parts << describeChar(c, doc);
    if (c.fontCapitalization() != QFont::MixedCase)
        parts << QStringLiteral("caps=%1").arg(int(c.fontCapitalization()));
    if (c.hasProperty(rtf::CharUnderlineKind))
        parts << QStringLiteral("ulkind=%1").arg(c.intProperty(rtf::CharUnderlineKind));
    if (c.hasProperty(QTextFormat::FontLetterSpacing))
        parts << QStringLiteral("spacing=%1").arg(twips(c.fontLetterSpacing()));
    if (c.hasProperty(rtf::CharHiddenBefore))
        parts << QStringLiteral("hidden=") + c.stringProperty(rtf::CharHiddenBefore);
    if (b.hasProperty(QTextFormat::LineHeight))
        parts << QStringLiteral("line=%1:%2").arg(b.lineHeightType()).arg(b.lineHeight());
    if (b.nonBreakableLines())
        parts << QStringLiteral("keep");
    if (b.boolProperty(rtf::ParaKeepWithNext))
        parts << QStringLiteral("keepn");
    if (b.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        parts << QStringLiteral("pagebreak");
    if (b.layoutDirection() == Qt::RightToLeft)
        parts << QStringLiteral("rtl");
    for (const QTextOption::Tab& t : b.tabPositions())
        parts << QStringLiteral("tab=%1:%2").arg(twips(t.position)).arg(int(t.type));
    if (b.hasProperty(rtf::ParaTabLeaders))
        parts << QStringLiteral("leaders=") + b.stringProperty(rtf::ParaTabLeaders);
    return parts.join(QLatin1Char(' '));
}

} // namespace

void TestRtfReader::moreProperties_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");

    QTest::newRow("associated bold and size on double-byte text")
        << sample("{\\rtlch\\ab\\afs40\\ltrch\\fs20 latin \\dbch\\af1 X}") << "X"
        << "font=Courier New pt=20 bold";
    QTest::newRow("associated properties do not touch ordinary runs")
        << sample("{\\rtlch\\ab\\afs40\\ltrch\\fs20 latin \\dbch\\af1 X}") << "latin"
        << "font=Arial pt=10";
    QTest::newRow("right-to-left run takes the associated italic") << sample("\\ai\\rtlch R\\ltrch L") << "R"
                                                                   << "font=Arial italic";
    QTest::newRow("all capitals") << sample("a{\\caps X}") << "X"
                                  << "font=Arial caps=1";
    QTest::newRow("small capitals") << sample("a{\\scaps X}") << "X"
                                    << "font=Arial caps=3";
    QTest::newRow("double underline") << sample("a{\\uldb X}") << "X"
                                      << "font=Arial ul=1 ulkind=1";
    QTest::newRow("thick underline") << sample("a{\\ulth X}") << "X"
                                     << "font=Arial ul=1 ulkind=2";
    QTest::newRow("word underline") << sample("a{\\ulw X}") << "X"
                                    << "font=Arial ul=1 ulkind=3";
    QTest::newRow("expanded letters") << sample("a{\\expndtw40 X}") << "X"
                                      << "font=Arial spacing=40";
    QTest::newRow("expanded by quarter points") << sample("a{\\expnd4 X}") << "X"
                                                << "font=Arial spacing=20";
    QTest::newRow("raised text") << sample("a{\\up6 X}") << "X"
                                 << "font=Arial super";
    QTest::newRow("hidden text rides on the next character") << sample("a{\\v secret }X\\par") << "X"
                                                             << "font=Arial hidden=secret ";
    QTest::newRow("double spacing") << sample("\\sl480\\slmult1 X\\par") << "X"
                                    << "font=Arial line=1:200";
    QTest::newRow("at least 18 pt") << sample("\\sl360\\slmult0 X\\par") << "X"
                                    << "font=Arial line=3:24";
    QTest::newRow("exactly 12 pt") << sample("\\sl-240\\slmult0 X\\par") << "X"
                                   << "font=Arial line=2:16";
    QTest::newRow("keep lines and keep with next") << sample("\\keep\\keepn X\\par") << "X"
                                                   << "font=Arial keep keepn";
    QTest::newRow("page break before") << sample("\\pagebb X\\par") << "X"
                                       << "font=Arial pagebreak";
    QTest::newRow("page break character") << sample("a\\page X\\par") << "X"
                                          << "font=Arial pagebreak";
    QTest::newRow("right-to-left paragraph") << sample("\\rtlpar X\\par") << "X"
                                             << "font=Arial rtl";
    QTest::newRow("tab stops with leaders")
        << sample("\\tx720\\tqr\\tldot\\tx5000\\tqc\\tx3000\\tqdec\\tlhyph\\tx4000 X\\tab 1\\par") << "X"
        << "font=Arial tab=720:0 tab=5000:1 tab=3000:2 tab=4000:3 leaders=5000:1 4000:2";
}

void TestRtfReader::moreProperties()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, description);
    auto doc = read(rtf);
    QCOMPARE(describeMore(*doc, text), description);
    QVERIFY(!doc->toPlainText().contains(QLatin1String("secret"))); // hidden text is not shown
    auto again = read(documentToRtf(*doc));
    QCOMPARE(describeMore(*again, text), description);
    QVERIFY(!again->toPlainText().contains(QLatin1String("secret")));
}

void TestRtfReader::paragraphStructure_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("paragraphs");

    QTest::newRow("the last \\par ends the document") << QByteArray("{\\rtf1 A\\par}") << QStringList{"A"};
    QTest::newRow("an empty paragraph at the end") << QByteArray("{\\rtf1 A\\par\\par}") << QStringList{"A", ""};
    QTest::newRow("no final \\par") << QByteArray("{\\rtf1 A\\par B}") << QStringList{"A", "B"};
    QTest::newRow("a lone \\par") << QByteArray("{\\rtf1\\par}") << QStringList{""};
    QTest::newRow("empty document") << QByteArray("{\\rtf1}") << QStringList{""};
    QTest::newRow("empty paragraphs between") << QByteArray("{\\rtf1 A\\par\\par\\par B\\par}") << QStringList{"A", "", "", "B"};
    QTest::newRow("section and page breaks") << QByteArray("{\\rtf1 A\\sect B\\page C}") << QStringList{"A\uFFFC", "B", "C"};
    QTest::newRow("paragraph separator character") << QByteArray("{\\rtf1 A\\u8233?B}") << QStringList{"A", "B"};
    QTest::newRow("\\u10 is no paragraph, \\'0d\\'0a is one") << QByteArray("{\\rtf1 A\\u10?\\'0d\\'0aB}")
                                                             << QStringList{"A", "B"};
    QTest::newRow("\\par inside a kept destination") << QByteArray("{\\rtf1 A{\\header X\\par}{\\*\\x\\par}B}")
                                                     << QStringList{"A\uFFFC\uFFFCB"};
    QTest::newRow("\\par inside a field instruction") << QByteArray("{\\rtf1{\\field{\\*\\fldinst PAGE\\par}{\\fldrslt 1}}}")
                                                      << QStringList{"1"};
}

void TestRtfReader::paragraphStructure()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, paragraphs);
    auto doc = read(rtf);
    QCOMPARE(blockTexts(*doc), paragraphs);
}

void TestRtfReader::emptyParagraphKeepsItsFormat()
{
    // An empty line's height comes from the format of its paragraph mark.
    auto doc = read(sample("\\fs20 A\\par\\fs48\\par\\fs20 B\\par\\fs36\\par"));
    QCOMPARE(blockTexts(*doc), (QStringList{"A", "", "B", ""}));
    QCOMPARE(doc->findBlockByNumber(1).charFormat().fontPointSize(), 24.0);
    QCOMPARE(doc->findBlockByNumber(3).charFormat().fontPointSize(), 18.0);
}

void TestRtfReader::malformedInputReturnsQuickly_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    const int deep = 100000;
    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 abc{\\b def") << "abcdef";
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 abc}}}}def") << "abc";
    QTest::newRow("100,000 nested groups")
        << QByteArray("{\\rtf1 x") + QByteArray(deep, '{') + "deep" + QByteArray(deep, '}') + "after}" << "xafter";
    QTest::newRow("100,000 unclosed groups") << QByteArray("{\\rtf1 x") + QByteArray(deep, '{') + "y" << "x";
    QTest::newRow("100,000 nested fields")
        << QByteArray("{\\rtf1 x") + QByteArray("{\\field{\\*\\fldinst HYPERLINK \"a\"}{\\fldrslt ").repeated(deep / 10)
               + "deep" + QByteArray("}}").repeated(deep / 10) + "after}"
        << "x\uFFFCafter"; // the fields too deep to read are kept whole, as one object
    QTest::newRow("huge parameters") << QByteArray("{\\rtf1\\fs99999999999999999999 a\\li-99999999999999999 b"
                                                   "\\cf2147483647 c\\f-2147483648 d\\u99999999999 e}")
                                     << "abcd";
    QTest::newRow("huge \\uc") << QByteArray("{\\rtf1\\uc99999999\\u8364 abc}") << QStringLiteral("€");
    QTest::newRow("100,000 digits") << QByteArray("{\\rtf1\\fs") + QByteArray(deep, '9') + " b}" << "b";
    QTest::newRow("100,000 letter control word") << QByteArray("{\\rtf1\\") + QByteArray(deep, 'a') + " b}" << "b";
    QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1 a\\'") << "a";
    QTest::newRow("hex escape with one digit") << QByteArray("{\\rtf1 a\\'4") << "a";
    QTest::newRow("hex escape without digits") << QByteArray("{\\rtf1 a\\'zz}") << "azz";
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << "a";
    QTest::newRow("control word at the end") << QByteArray("{\\rtf1 a\\b") << "a";
    QTest::newRow("truncated \\u") << QByteArray("{\\rtf1 a\\u") << "a";
    QTest::newRow("\\u with a dash only") << QByteArray("{\\rtf1 a\\u-}") << "a-";
    QTest::newRow("\\u skip running past the end") << QByteArray("{\\rtf1\\uc5 a\\u8364 b") << QStringLiteral("a€");
    QTest::newRow("\\bin past the end") << QByteArray("{\\rtf1 a\\bin99999999 xyz") << "a";
    QTest::newRow("negative \\bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << "ab";
    QTest::newRow("\\bin at the end") << QByteArray("{\\rtf1 a\\bin") << "a";
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b}", 11) << "ab";
    QTest::newRow("lone \\*") << QByteArray("{\\rtf1 a{\\*}b}") << "ab";
    QTest::newRow("unclosed picture") << QByteArray("{\\rtf1 a{\\pict 00ff") << "a";
    QTest::newRow("field without result") << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}}b}") << "\uFFFCb";
    QTest::newRow("result without field") << QByteArray("{\\rtf1{\\fldrslt r}}") << "r";
    QTest::newRow("instruction without field") << QByteArray("{\\rtf1{\\*\\fldinst x}y}") << "y";
    QTest::newRow("font table of semicolons") << QByteArray("{\\rtf1{\\fonttbl;;;}{\\f5 x}}") << "x";
    QTest::newRow("lead byte at the end") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 G;}}\\f0 a\\'82}") << "a";
    QTest::newRow("cell and row without table") << QByteArray("{\\rtf1\\cell\\row\\cell a\\nestrow}") << "\n\n\na";
}

void TestRtfReader::malformedInputReturnsQuickly()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QElapsedTimer timer;
    timer.start();
    auto doc = read(rtf);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(textOf(*doc), text);
}

void TestRtfReader::fuzzRegressions_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(dataPath(QStringLiteral("fuzz-regressions")));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestRtfReader::fuzzRegressions()
{
    // Inputs that once crashed, hung or broke an invariant: each must read in bounded time and
    // read back the same from what the writer makes of it.
    QFETCH(QString, file);
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray rtf = in.readAll();
    if (!rtf::looksLikeRtf(rtf))
        rtf.prepend("{\\rtf1 "); // as the fuzzer feeds it
    QElapsedTimer timer;
    timer.start();
    auto doc = read(rtf);
    QVERIFY(timer.elapsed() < 2000);
    auto again = read(documentToRtf(*doc));
    QCOMPARE(describeDocument(*again), describeDocument(*doc));
    QCOMPARE(describeTables(*again), describeTables(*doc));
    QCOMPARE(describeLists(*again), describeLists(*doc));
}

void TestRtfReader::nonRtfLeavesDocumentUntouched()
{
    QTextDocument doc;
    doc.setHtml(QStringLiteral("<p align=center><b>keep</b></p>"));
    const QStringList before = describeDocument(doc);
    QString error;
    QVERIFY(!rtfToDocument("{\\rtx1 not rich text}", &doc, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(describeDocument(doc), before);
}

void TestRtfReader::readReplacesContentAndHistory()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("old"));
    QVERIFY(doc.isUndoAvailable());
    QVERIFY(rtfToDocument(sample("new"), &doc));
    QCOMPARE(textOf(doc), QStringLiteral("new"));
    QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignLeft));
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(!doc.isModified());
    QVERIFY(doc.isUndoRedoEnabled());
}

void TestRtfReader::insertReplacesSelectionAsOneUndoStep()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("Hello world"));
    QTextCursor cursor(&doc);
    cursor.setPosition(6);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    QVERIFY(insertRtf(sample("{\\b there}\\par and more"), &cursor));
    QCOMPARE(blockTexts(doc), (QStringList{"Hello there", "and more"}));
    QVERIFY(formatOf(doc, QStringLiteral("there")).fontWeight() >= QFont::Bold);
    QCOMPARE(cursor.position(), doc.characterCount() - 1);
    doc.undo();
    QCOMPARE(doc.toPlainText(), QStringLiteral("Hello world"));
}

void TestRtfReader::insertKeepsFormatOfParagraphItLandsIn()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("ab"));
    cursor.setPosition(1);
    // A single paragraph with its mark, as a copied paragraph comes from another program.
    QVERIFY(insertRtf(sample("\\pard\\qr X\\par"), &cursor));
    QCOMPARE(textOf(doc), QStringLiteral("aXb"));
    QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignHCenter));

    // Two paragraphs: the first takes the RTF's format, the second goes on as the old one.
    QVERIFY(insertRtf(sample("\\pard\\qr Y\\par\\pard\\qj Z"), &cursor));
    QCOMPARE(blockTexts(doc), (QStringList{"aXY", "Zb"}));
    QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignRight));
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignHCenter));
}

void TestRtfReader::largeInputLoadsInLinearTime()
{
    // A formatting change every few words: per-character or quadratic work shows up at once.
    QByteArray body;
    const int paragraphs = 20000;
    for (int i = 0; i < paragraphs; ++i)
        body += "\\pard\\li" + QByteArray::number(i % 7 * 100) + " Some {\\b bold} and \\i italic\\i0  and "
                "{\\cf" + QByteArray::number(i % 3) + " colour \\'e9\\u8364?} text.\\par\n";
    const QByteArray rtf = sample(body);
    QVERIFY(rtf.size() > 1500000);
    QElapsedTimer timer;
    timer.start();
    auto doc = read(rtf);
    const qint64 ms = timer.elapsed();
    QCOMPARE(doc->blockCount(), paragraphs);
    QCOMPARE(doc->findBlockByNumber(paragraphs - 1).text(), QStringLiteral("Some bold and italic and colour é€ text."));
    QVERIFY2(ms < 3000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
