#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/RtfKept.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>

#include <QTest>
#include <QTextDocument>

#include <memory>

using namespace tarnwick::platform;
using namespace tarnwick::platform::rtf;
using namespace rtftest;

namespace {

// The format of the first kept object character, or an invalid format.
QTextCharFormat firstKept(const QTextDocument& doc, int* position = nullptr)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().objectType() == kKeptObjectType) {
                if (position)
                    *position = it.fragment().position();
                return it.fragment().charFormat();
            }
        }
    }
    return {};
}

} // namespace

class TestRtfKept : public QObject
{
    Q_OBJECT

private slots:
    void readingFaults_data();
    void readingFaults();
    void keptInWrittenRtf_data();
    void keptInWrittenRtf();
    void keptObjectsShowWhatTheyHold_data();
    void keptObjectsShowWhatTheyHold();
    void commentRangeIsMarked_data();
    void commentRangeIsMarked();
    void linksKeepTheirSwitches_data();
    void linksKeepTheirSwitches();
    void equationsShowTheirBaseText_data();
    void equationsShowTheirBaseText();
    void editingAroundKeptObjects_data();
    void editingAroundKeptObjects();
    void typingAfterAnObjectStartsPlainText();
    void documentLevelGroupsAndPageSetup();
    void secondSaveIsIdentical_data();
    void secondSaveIsIdentical();
    void sectionsKeptInWrittenRtf_data();
    void sectionsKeptInWrittenRtf();
    void editingAroundSectionBreaks_data();
    void editingAroundSectionBreaks();
};

void TestRtfKept::readingFaults_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    const QByteArray sjis("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 ");
    QTest::newRow("Shift-JIS trail byte {") << sjis + "a\\'81{b}" << QStringLiteral("a＋b");
    QTest::newRow("Shift-JIS trail byte }") << sjis + "a\\'81}b}" << QStringLiteral("a±b");
    QTest::newRow("Shift-JIS trail byte \\") << sjis + "a\\'95\\b}" << QStringLiteral("a表b");
    QTest::newRow("Shift-JIS trail byte as \\'hh") << sjis + "a\\'95\\'5cb}" << QStringLiteral("a表b");
    QTest::newRow("Shift-JIS two characters, second trail {") << sjis + "\\'95\\'5c\\'81{x}" << QStringLiteral("表＋x");
    QTest::newRow("Shift-JIS single-byte katakana is no lead") << sjis + "\\'b1{x}}" << QStringLiteral("ｱx");
    QTest::newRow("GBK trail byte {") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'81{z}")
                                      << QStringLiteral("亄z");
    QTest::newRow("GBK trail byte \\") << QByteArray("{\\rtf1\\ansicpg936 \\'81\\z}") << QStringLiteral("乗z");
    QTest::newRow("Big5 trail byte {") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \\'a1{q}")
                                       << QStringLiteral("﹃q");
    QTest::newRow("Shift-JIS lead byte before the group end") << sjis + "a\\'82}" << QStringLiteral("a");
    QTest::newRow("cp1252 brace after a high byte is a group")
        << QByteArray("{\\rtf1 \\'e9{\\b x}}") << QStringLiteral("éx");
    QTest::newRow("\\'0d breaks the paragraph") << QByteArray("{\\rtf1 one\\'0dtwo}") << QStringLiteral("one\ntwo");
    QTest::newRow("\\'0a breaks the paragraph") << QByteArray("{\\rtf1 one\\'0atwo}") << QStringLiteral("one\ntwo");
    QTest::newRow("\\'0d\\'0a is one break") << QByteArray("{\\rtf1 one\\'0d\\'0atwo}") << QStringLiteral("one\ntwo");
    QTest::newRow("\\'0a\\'0a is two breaks")
        << QByteArray("{\\rtf1 one\\'0a\\'0atwo}") << QStringLiteral("one\n\ntwo");
    QTest::newRow("\\u13 is no paragraph") << QByteArray("{\\rtf1 one\\u13?two}") << QStringLiteral("onetwo");
    QTest::newRow("raw line ends are layout") << QByteArray("{\\rtf1 one\r\ntwo}") << QStringLiteral("onetwo");
    const char* cyr = "\\f0\\'cf\\'f0\\'e8}";
    QTest::newRow("Cyr suffix without charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Cyr;}}") + cyr << QStringLiteral("При");
    QTest::newRow("Cyr suffix with charset 0")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Times New Roman Cyr;}}") + cyr << QStringLiteral("При");
    QTest::newRow("CE suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial CE;}}\\f0\\'9a\\'e8}")
                               << QStringLiteral("šč");
    QTest::newRow("Greek suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Greek;}}\\f0\\'e1}")
                                  << QStringLiteral("α");
    QTest::newRow("Tur suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Tur;}}\\f0\\'fe}") << QStringLiteral("ş");
    QTest::newRow("Baltic suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Baltic;}}\\f0\\'e8}")
                                   << QStringLiteral("č");
    QTest::newRow("Hebrew suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial (Hebrew);}}\\f0\\'f9}")
                                   << QStringLiteral("ש");
    QTest::newRow("Arabic suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial (Arabic);}}\\f0\\'c7}")
                                   << QStringLiteral("ا");
    QTest::newRow("a stated charset wins over the suffix")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset161 Arial Cyr;}}\\f0\\'e1}") << QStringLiteral("α");
    QTest::newRow("\\cpg wins over the suffix")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\cpg1253 Arial CE;}}\\f0\\'e1}") << QStringLiteral("α");
    QTest::newRow("suffix only at the end")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Cyrano;}}\\f0\\'e9}") << QStringLiteral("é");
}

void TestRtfKept::readingFaults()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    auto doc = read(rtf);
    QCOMPARE(textOf(*doc), text);
}

// What a document keeps: the text it shows (kept pieces as U+FFFC), and pieces of RTF that
// its save must hold again.
void TestRtfKept::keptInWrittenRtf_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArrayList>("written");

    QTest::newRow("unknown destination") << QByteArray("{\\rtf1 A{\\*\\unheardof text{\\b more}}B}")
                                         << QStringLiteral("A\uFFFCB")
                                         << QByteArrayList{"A{\\*\\unheardof text{\\b more}}B"};
    QTest::newRow("bookmarks") << QByteArray("{\\rtf1 A{\\*\\bkmkstart m}B{\\*\\bkmkend m}C}")
                               << QStringLiteral("A\uFFFCB\uFFFCC")
                               << QByteArrayList{"A{\\*\\bkmkstart m}B{\\*\\bkmkend m}C"};
    QTest::newRow("field result shown, instruction kept")
        << QByteArray("{\\rtf1 Page {\\field{\\*\\fldinst { PAGE }}{\\fldrslt {7}}} end}")
        << QStringLiteral("Page 7 end") << QByteArrayList{"{\\field{\\*\\fldinst { PAGE }}{\\fldrslt{7}}}"};
    QTest::newRow("field result with a misplaced \\*")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst DATE}{\\fldrslt {\\*\\cs15 \\b today}}}}")
        << QStringLiteral("today") << QByteArrayList{"\\fldinst DATE}"};
    QTest::newRow("link result with a misplaced \\*")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x.test/\"}{\\fldrslt {\\*\\ul link}}}}")
        << QStringLiteral("link") << QByteArrayList{"HYPERLINK \"http://x.test/\""};
    QTest::newRow("field without result kept whole")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst SEQ x}}B}") << QStringLiteral("A\uFFFCB")
        << QByteArrayList{"A{\\field{\\*\\fldinst SEQ x}}B"};
    QTest::newRow("text before a field without result shows once")
        << QByteArray("{\\rtf1 A{c\\field{\\*\\fldinst SEQ x}}{ \\field{\\*\\fldinst SEQ y}}{\\b\\field{\\*\\fldinst "
                      "SEQ z}}B}")
        << QStringLiteral("Ac\uFFFC \uFFFC\uFFFCB")
        << QByteArrayList{"{\\field{\\*\\fldinst SEQ x}}", "{\\field{\\*\\fldinst SEQ y}}",
                          "{\\b\\field{\\*\\fldinst SEQ z}}"};
    QTest::newRow("hidden field kept whole, still hidden")
        << QByteArray("{\\rtf1 A\\v{\\field{\\*\\fldinst XE \"entry\"}}\\v0 B}") << QStringLiteral("A\uFFFCB")
        << QByteArrayList{"A{\\v {\\field{\\*\\fldinst XE \"entry\"}}}B"};
    QTest::newRow("a font and colour table inside a field change nothing around it")
        << QByteArray("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}A{\\field{\\*\\fldinst SEQ x}"
                      "{\\colortbl;\\red0\\green0\\blue255;}{\\fonttbl{\\f0 Symbol;}}}\\cf1 B}")
        << QStringLiteral("A\uFFFCB") << QByteArrayList{"\\red255\\green0\\blue0;", "\\cf1 B"};
    QTest::newRow("footnote with its mark")
        << QByteArray("{\\rtf1 A{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Note text.}B}")
        << QStringLiteral("A\uFFFCB")
        << QByteArrayList{"\\super\\chftn {\\footnote\\pard\\plain{\\super\\chftn} Note text.}"};
    QTest::newRow("header and footer in the document's head")
        << QByteArray("{\\rtf1\\paperw11906\\margl1000{\\header\\pard H\\par}{\\footerr\\pard F\\par}\\pard AB}")
        << QStringLiteral("AB")
        << QByteArrayList{"\\paperw11906\\margl1000{\\header\\pard H\\par}{\\footerr\\pard F\\par}"};
    QTest::newRow("style sheet with fonts and colours")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f5\\froman\\fcharset238 Times CE;}}"
                      "{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s1\\f5\\cf1 Heading 1;}}\\pard AB}")
        << QStringLiteral("AB")
        << QByteArrayList{"{\\stylesheet{\\s1\\f1\\cf1 Heading 1;}}", "{\\f1\\froman\\fcharset238 Times CE;}",
                          "\\red1\\green2\\blue3;"};
    QTest::newRow("comment range and text")
        << QByteArray("{\\rtf1 A{\\*\\atrfstart 3}BC{\\*\\atrfend 3}{\\*\\atnid X}{\\*\\atnauthor Me}\\chatn"
                      "{\\*\\annotation{\\*\\atnref 3}\\pard Look here}D}")
        << QStringLiteral("ABC\uFFFCD")
        << QByteArrayList{"{\\*\\atrfstart 3}BC{\\*\\atrfend 3}",
                          "{\\*\\atnid X}{\\*\\atnauthor Me}\\chatn {\\*\\annotation{\\*\\atnref 3}\\pard Look here}"};
    QTest::newRow("text box shape")
        << QByteArray("{\\rtf1 A{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt\\pard Boxed\\par}}"
                      "{\\shprslt{\\*\\do\\dptxbx{\\dptxbxtext Boxed}}}}B}")
        << QStringLiteral("A\uFFFCB") << QByteArrayList{"{\\shptxt\\pard Boxed\\par}}{\\shprslt"};
    QTest::newRow("text before the destination word shows once")
        << QByteArray("{\\rtf1 A{==\\*\\unheardof x}B}") << QStringLiteral("A==\uFFFCB")
        << QByteArrayList{"A=={\\*\\unheardof x}B"};
    QTest::newRow("nested tables' fallback is not kept")
        << QByteArray("{\\rtf1 A{\\nonesttables x\\par}B}") << QStringLiteral("AB") << QByteArrayList{"AB"};
}

void TestRtfKept::keptInWrittenRtf()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QByteArrayList, written);
    auto doc = read(rtf);
    QCOMPARE(doc->toPlainText(), text);
    const QByteArray out = documentToRtf(*doc);
    for (const QByteArray& piece : written) {
        if (!out.contains(piece))
            qWarning().noquote() << out;
        QVERIFY2(out.contains(piece), piece.constData());
    }
    // Saving what was saved changes nothing.
    auto again = read(out);
    QCOMPARE(again->toPlainText(), text);
    QCOMPARE(documentToRtf(*again), out);
}

void TestRtfKept::keptObjectsShowWhatTheyHold_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("autoNumber");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("toolTip"); // the caption when null

    QTest::newRow("footnote") << QByteArray(
                                     "{\\rtf1 A{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} The note.}B}")
                              << int(KeptKind::Footnote) << "The note." << true << true << QString();
    QTest::newRow("endnote") << QByteArray("{\\rtf1 A\\chftn{\\*\\footnote\\ftnalt\\pard End note}B}")
                             << int(KeptKind::Endnote) << "End note" << true << true << QString();
    QTest::newRow("custom mark") << QByteArray("{\\rtf1 A*{\\footnote\\pard Starred}B}") << int(KeptKind::Footnote)
                                 << "Starred" << false << true << QString();
    QTest::newRow("Word footnote inside its mark group")
        << QByteArray("{\\rtf1 A{\\cs16\\super\\chftn{\\footnote\\pard\\plain{\\cs16\\super\\chftn} Inner}}B}")
        << int(KeptKind::Footnote) << "Inner" << true << true << QString();
    QTest::newRow("comment: initials without an author")
        << QByteArray("{\\rtf1 A{\\*\\atnid X}\\chatn{\\*\\annotation\\pard Remark}B}") << int(KeptKind::Comment)
        << "Remark" << false << true << "X: Remark";
    QTest::newRow("comment: the author rather than the initials")
        << QByteArray("{\\rtf1 A{\\*\\atnid JD}{\\*\\atnauthor Jane Doe}\\chatn{\\*\\annotation\\pard Remark}B}")
        << int(KeptKind::Comment) << "Remark" << false << true << "Jane Doe: Remark";
    QTest::newRow("comment: author in escapes")
        << QByteArray("{\\rtf1 A{\\*\\atnauthor Ren\\'e9e \\u8364?}\\chatn{\\*\\annotation\\pard Cost}B}")
        << int(KeptKind::Comment) << "Cost" << false << true << QStringLiteral("Ren\u00e9e \u20ac: Cost");
    QTest::newRow("comment: nobody named") << QByteArray("{\\rtf1 A\\chatn{\\*\\annotation\\pard Anonymous}B}")
                                           << int(KeptKind::Comment) << "Anonymous" << false << true << "Anonymous";
    QTest::newRow("ruby without a result shows its base")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst EQ \\\\* jc2 \\\\* \"Font:MS Mincho\" \\\\* hps10 "
                      "\\\\o\\\\ad(\\\\s\\\\up 9(\\u12363?\\u12435?),\\u28450?)}}B}")
        << int(KeptKind::Field) << QStringLiteral("\u6f22") << false << true << "";
    QTest::newRow("page field without a result shows nothing")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst PAGE}{\\fldrslt }}B}") << int(KeptKind::Field) << "" << false
        << false << "";
    QTest::newRow("text box")
        << QByteArray("{\\rtf1 A{\\shp{\\*\\shpinst{\\sp{\\sn fFilled}{\\sv 0}}{\\shptxt\\pard Box text\\par}}}B}")
        << int(KeptKind::TextBox) << "Box text" << false << true << QString();
    QTest::newRow("old drawing text box")
        << QByteArray("{\\rtf1 A{\\*\\do\\dobxcolumn\\dptxbx{\\dptxbxtext\\pard Old box}\\dpx0}B}")
        << int(KeptKind::TextBox) << "Old box" << false << true << QString();
    QTest::newRow("shape without text") << QByteArray("{\\rtf1 A{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}}}B}")
                                        << int(KeptKind::Shape) << "" << false << true << QString();
    QTest::newRow("shape group") << QByteArray(
                                        "{\\rtf1 A{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\shptxt In group}}}}}B}")
                                 << int(KeptKind::TextBox) << "In group" << false << true << QString();
    QTest::newRow("bookmark") << QByteArray("{\\rtf1 A{\\*\\bkmkstart here}B}") << int(KeptKind::Bookmark) << ""
                              << false << false << QString();
    QTest::newRow("unknown destination") << QByteArray("{\\rtf1 A{\\*\\whatever 1 2 3}B}") << int(KeptKind::Other) << ""
                                         << false << false << QString();
}

void TestRtfKept::keptObjectsShowWhatTheyHold()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(bool, autoNumber);
    QFETCH(bool, visible);
    QFETCH(QString, toolTip);
    auto doc = read(rtf);
    int position = -1;
    const QTextCharFormat f = firstKept(*doc, &position);
    QCOMPARE(f.objectType(), kKeptObjectType);
    QCOMPARE(f.intProperty(KeptKindProperty), kind);
    QCOMPARE(f.stringProperty(KeptCaption), caption);
    QCOMPARE(f.toolTip(), toolTip.isNull() ? caption : toolTip);
    QCOMPARE(f.boolProperty(KeptAutoNumber), autoNumber);
    QTextObjectInterface* handler = doc->documentLayout()->handlerForObject(kKeptObjectType);
    QVERIFY(handler);
    const QSizeF size = handler->intrinsicSize(doc.get(), position, f);
    QCOMPARE(size.width() > 1 && size.height() > 1, visible);
}

void TestRtfKept::commentRangeIsMarked_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("toolTip");

    const QByteArray comment("{\\*\\atnid X}\\chatn{\\*\\annotation{\\*\\atnref 7}\\pard Why?}");
    QTest::newRow("plain text") << QByteArray("{\\rtf1 A{\\*\\atrfstart 7}marked{\\*\\atrfend 7}") + comment + " B}"
                                << "marked"
                                << "#fff4b0"
                                << "X: Why?";
    QTest::newRow("the comment's author")
        << QByteArray("{\\rtf1 A{\\*\\atrfstart 7}marked{\\*\\atrfend 7}{\\*\\atnid X}{\\*\\atnauthor Ann Lee}"
                      "\\chatn{\\*\\annotation{\\*\\atnref 7}\\pard Why?} B}")
        << "marked"
        << "#fff4b0"
        << "Ann Lee: Why?";
    QTest::newRow("highlighted text keeps its colour")
        << QByteArray(
               "{\\rtf1{\\colortbl;\\red0\\green255\\blue0;}A{\\*\\atrfstart 7}{\\highlight1 green}{\\*\\atrfend 7}") +
               comment + " B}"
        << "green"
        << "#00ff00"
        << "X: Why?";
    QTest::newRow("across paragraphs") << QByteArray("{\\rtf1 A{\\*\\atrfstart 7}one\\par two{\\*\\atrfend 7}") +
                                              comment + "}"
                                       << "two"
                                       << "#fff4b0"
                                       << "X: Why?";
}

void TestRtfKept::commentRangeIsMarked()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, word);
    QFETCH(QString, background);
    QFETCH(QString, toolTip);
    auto doc = read(rtf);
    const QTextCharFormat f = formatOf(*doc, word);
    QCOMPARE(f.stringProperty(CommentRange), QStringLiteral("7"));
    QCOMPARE(f.toolTip(), toolTip);
    QCOMPARE(f.background().color().name(), background);
    QCOMPARE(formatOf(*doc, QStringLiteral("A")).hasProperty(CommentRange), false);
    // The marking is not written as a highlight, the range is written as the comment's range.
    const QByteArray out = documentToRtf(*doc);
    QVERIFY(out.contains("{\\*\\atrfstart 7}"));
    QVERIFY(out.contains("{\\*\\atrfend 7}"));
    QCOMPARE(out.count("atrfstart"), 1);
    QCOMPARE(out.contains("\\red255\\green244\\blue176"), false);
    QCOMPARE(documentToRtf(*read(out)), out);
}

void TestRtfKept::linksKeepTheirSwitches_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QByteArray>("written"); // the instruction as written

    QTest::newRow("tool tip and target frame")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"http://x.test/\" \\\\o \"Tip text\" \\\\t \"_blank\"}"
                      "{\\fldrslt go}}B}")
        << "http://x.test/"
        << "Tip text" << QByteArray("HYPERLINK \"http://x.test/\" \\\\o \"Tip text\" \\\\t \"_blank\"");
    QTest::newRow("switches before the address")
        << QByteArray(
               "{\\rtf1 A{\\field{\\*\\fldinst {HYPERLINK \\\\o \"Before\" \"http://x.test/b\"}}{\\fldrslt go}}B}")
        << "http://x.test/b"
        << "Before" << QByteArray("HYPERLINK \"http://x.test/b\" \\\\o \"Before\"");
    QTest::newRow("place in the document with a tool tip")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \\\\l \"here\" \\\\o \"Jump\"}{\\fldrslt go}}B}")
        << "#here"
        << "Jump" << QByteArray("HYPERLINK \\\\l \"here\" \\\\o \"Jump\"");
    QTest::newRow("image map, new window and a switch nobody knows")
        << QByteArray(
               "{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"http://x.test/map\" \\\\m \\\\n \\\\z odd}{\\fldrslt go}}B}")
        << "http://x.test/map"
        << "" << QByteArray("HYPERLINK \"http://x.test/map\" \\\\m \\\\n \\\\z odd");
    QTest::newRow("a longer switch before the address")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \\\\xyz \"http://x.test/\"}{\\fldrslt go}}B}")
        << "http://x.test/"
        << "" << QByteArray("HYPERLINK \"http://x.test/\" \\\\xyz}");
    QTest::newRow("quotes inside the tool tip")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"http://x.test/\" \\\\o \"say \\\\\"hi\\\\\"\"}"
                      "{\\fldrslt go}}B}")
        << "http://x.test/"
        << "say \"hi\"" << QByteArray("\\\\o \"say \\\\\"hi\\\\\"\"");
    QTest::newRow("address only: nothing added")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"http://x.test/\"}{\\fldrslt go}}B}")
        << "http://x.test/"
        << "" << QByteArray("HYPERLINK \"http://x.test/\"}}");
}

void TestRtfKept::linksKeepTheirSwitches()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, href);
    QFETCH(QString, toolTip);
    QFETCH(QByteArray, written);
    auto doc = read(rtf);
    QCOMPARE(doc->toPlainText(), QStringLiteral("AgoB"));
    const QTextCharFormat f = formatOf(*doc, QStringLiteral("go"));
    QVERIFY(f.isAnchor());
    QCOMPARE(f.anchorHref(), href);
    QCOMPARE(f.toolTip(), toolTip);
    const QByteArray out = documentToRtf(*doc);
    QVERIFY2(out.contains(written), out.constData());
    auto again = read(out);
    const QTextCharFormat g = formatOf(*again, QStringLiteral("go"));
    QCOMPARE(g.anchorHref(), href);
    QCOMPARE(g.toolTip(), toolTip);
    QCOMPARE(documentToRtf(*again), out);
}

void TestRtfKept::equationsShowTheirBaseText_data()
{
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QString>("shown");

    QTest::newRow("ruby") << "EQ \\* jc2 \\* \"Font:MS Mincho\" \\* hps10 \\o\\ad(\\s\\up 9(yomi),kanji)"
                          << "kanji";
    QTest::newRow("ruby, reading after the base") << "EQ \\o\\ac(base,\\s\\up 10(read))"
                                                  << "base";
    QTest::newRow("overstrike") << "EQ \\o(a,b)"
                                << "ab";
    QTest::newRow("fraction") << "EQ \\f(1,2)"
                              << "1/2";
    QTest::newRow("root") << "EQ \\r(3,x)" << QStringLiteral("\u221ax");
    QTest::newRow("brackets, own characters") << "EQ \\b\\bc\\[(x,y)"
                                              << "[xy]";
    QTest::newRow("list") << "EQ \\l(a,b,c)"
                          << "a,b,c";
    QTest::newRow("escaped comma and text around") << "EQ x\\,y \\s\\up5(2) z"
                                                   << "x,y 2 z";
    QTest::newRow("lower-case field word") << "eq \\f(a,b)"
                                           << "a/b";
    QTest::newRow("unbalanced") << "EQ \\o(a,(b"
                                << "a(b";
    QTest::newRow("not an equation") << "PAGE \\* MERGEFORMAT"
                                     << "";
    QTest::newRow("a word that starts like one") << "EQUALS 3"
                                                 << "";
}

void TestRtfKept::equationsShowTheirBaseText()
{
    QFETCH(QString, instruction);
    QFETCH(QString, shown);
    QCOMPARE(equationText(instruction), shown);
    // Read from a field without a result: the object shows the text, and writes back only the
    // field as it was.
    QByteArray code = instruction.toUtf8();
    code.replace("\\", "\\\\");
    const QByteArray field = "{\\field{\\*\\fldinst " + code + "}}";
    auto doc = read("{\\rtf1 A" + field + "B}");
    QCOMPARE(doc->toPlainText(), QStringLiteral("A\uFFFCB"));
    int position = -1;
    const QTextCharFormat f = firstKept(*doc, &position);
    QCOMPARE(f.stringProperty(KeptCaption), shown);
    const QSizeF size = doc->documentLayout()->handlerForObject(kKeptObjectType)->intrinsicSize(doc.get(), position, f);
    QCOMPARE(size.width() > 1, !shown.isEmpty());
    const QByteArray out = documentToRtf(*doc);
    QVERIFY2(out.contains("A" + field + "B"), out.constData());
    QCOMPARE(documentToRtf(*read(out)), out);
}

void TestRtfKept::editingAroundKeptObjects_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("kept");

    QTest::newRow("typing before and after") << "type" << true;
    QTest::newRow("deleting the mark") << "delete" << false;
    QTest::newRow("undoing the deletion") << "undo" << true;
    QTest::newRow("copying a range with it") << "copy" << true;
    QTest::newRow("copying a range without it") << "copy outside" << false;
}

void TestRtfKept::editingAroundKeptObjects()
{
    QFETCH(QString, edit);
    QFETCH(bool, kept);
    const QByteArray note("{\\footnote\\pard Kept note}");
    auto doc = read("{\\rtf1 Before\\chftn " + note + " after.}");
    doc->setUndoRedoEnabled(true);
    int at = -1;
    firstKept(*doc, &at);
    QVERIFY(at > 0);
    QTextCursor cursor(doc.get());
    QByteArray out;
    if (edit == QLatin1String("type")) {
        cursor.setPosition(at);
        cursor.insertText(QStringLiteral("X"));
        cursor.setPosition(at + 2);
        cursor.insertText(QStringLiteral("Y"));
        QCOMPARE(doc->toPlainText(), QStringLiteral("BeforeX\uFFFCY after."));
        out = documentToRtf(*doc);
    } else if (edit == QLatin1String("delete") || edit == QLatin1String("undo")) {
        cursor.setPosition(at);
        cursor.deleteChar();
        if (edit == QLatin1String("undo"))
            doc->undo();
        out = documentToRtf(*doc);
    } else if (edit == QLatin1String("copy")) {
        cursor.setPosition(at - 2);
        cursor.setPosition(at + 3, QTextCursor::KeepAnchor);
        out = selectionToRtf(cursor);
        // Pasting it elsewhere brings the note along.
        QTextDocument other;
        QTextCursor paste(&other);
        QVERIFY(insertRtf(out, &paste));
        QCOMPARE(other.toPlainText(), QStringLiteral("re\uFFFC a"));
        QCOMPARE(firstKept(other).stringProperty(KeptCaption), QStringLiteral("Kept note"));
    } else {
        cursor.setPosition(0);
        cursor.setPosition(at - 1, QTextCursor::KeepAnchor);
        out = selectionToRtf(cursor);
    }
    QCOMPARE(out.contains("\\chftn " + note), kept);
}

void TestRtfKept::typingAfterAnObjectStartsPlainText()
{
    RichTextBox box;
    box.setTextRTF(QStringLiteral("{\\rtf1 A\\chftn{\\footnote\\pard Note}}"));
    QTextCursor cursor = box.textCursor();
    cursor.movePosition(QTextCursor::End);
    box.setTextCursor(cursor);
    QTest::keyClicks(&box, QStringLiteral("bc"));
    QCOMPARE(box.document()->toPlainText(), QStringLiteral("A\uFFFCbc"));
    const QTextCharFormat typed = formatOf(*box.document(), QStringLiteral("bc"));
    QCOMPARE(typed.objectType(), 0);
    QCOMPARE(typed.hasProperty(KeptData), false);
    QCOMPARE(typed.toolTip(), QString());
    QCOMPARE(documentToRtf(*box.document()).count("\\footnote"), 1);
}

void TestRtfKept::documentLevelGroupsAndPageSetup()
{
    const QByteArray rtf("{\\rtf1\\ansi\\deflang1033{\\fonttbl{\\f0 Arial;}}{\\stylesheet{\\s0 Normal;}}"
                         "{\\info{\\title T}}\\paperw16838\\paperh11906\\landscape\\margl720\\margr900\\margt1000"
                         "\\margb1100\\sectd\\titlepg{\\headerf\\pard First\\par}{\\header\\pard Each\\par}"
                         "{\\footer\\pard Foot \\chpgn\\par}\\pard Body\\par}");
    auto doc = read(rtf);
    QCOMPARE(doc->toPlainText(), QStringLiteral("Body"));
    const KeptPageSetup setup = pageSetupOf(documentPrelude(*doc));
    QCOMPARE(setup.paperWidth, 16838);
    QCOMPARE(setup.paperHeight, 11906);
    QVERIFY(setup.landscape);
    QVERIFY(setup.titlePage);
    QCOMPARE(setup.marginLeft, 720);
    QCOMPARE(setup.marginRight, 900);
    QCOMPARE(setup.marginTop, 1000);
    QCOMPARE(setup.marginBottom, 1100);
    QCOMPARE(setup.furniture.keys(), (QList<QByteArray>{"footer", "header", "headerf"}));
    QCOMPARE(readKeptText({}, setup.furniture.value("headerf")), QStringLiteral("First"));
    const QByteArray out = documentToRtf(*doc);
    QVERIFY(out.contains("\\deflang1033{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}\\paperw16838"));
    // A new document made from the text alone has none of it.
    QTextDocument fresh;
    fresh.setPlainText(QStringLiteral("x"));
    QCOMPARE(documentPrelude(fresh).rtf, QByteArray());
    QVERIFY(!documentToRtf(fresh).contains("paperw"));
}

void TestRtfKept::secondSaveIsIdentical_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("keptObjects");
    for (const auto& [file, kept] : {std::pair<const char*, int>{"lo_kept.rtf", 5},
                                     {"word_kept.rtf", 8},
                                     {"pandoc_kept.rtf", 2},
                                     {"lo_header_footer.rtf", 3},
                                     {"word_style.rtf", 2},
                                     {"lo_from_pandoc_docx.rtf", 1},
                                     {"lo_structure.rtf", 0},
                                     {"lo_sections.rtf", 2},
                                     {"word_sections.rtf", 2},
                                     {"word_section_breaks.rtf", 2},
                                     {"lo_links.rtf", 0},
                                     {"word_links.rtf", 4},
                                     {"foot_notes.rtf", 4},
                                     {"foot_long_note.rtf", 2}})
        QTest::newRow(file) << QString::fromLatin1(file) << kept;
}

void TestRtfKept::secondSaveIsIdentical()
{
    QFETCH(QString, file);
    QFETCH(int, keptObjects);
    const QByteArray original = readData(file);
    QVERIFY(!original.isEmpty());
    auto doc = read(original);
    int count = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            count += it.fragment().charFormat().objectType() == kKeptObjectType ? it.fragment().length() : 0;
    }
    QVERIFY2(count >= keptObjects, qPrintable(QString::number(count)));
    const QByteArray first = documentToRtf(*doc);
    auto again = read(first);
    QCOMPARE(again->toPlainText(), doc->toPlainText());
    const QByteArray second = documentToRtf(*again);
    QCOMPARE(second, first);
}

namespace {

// The RTF each section break holds, in document order.
QByteArrayList sectionBreaks(const QTextDocument& doc)
{
    QByteArrayList breaks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.objectType() == kKeptObjectType && f.intProperty(KeptKindProperty) == int(KeptKind::Section)) {
                for (int k = 0; k < it.fragment().length(); ++k)
                    breaks.append(KeptRtf::decode(f.property(KeptData).toByteArray()).rtf);
            }
        }
    }
    return breaks;
}

} // namespace

void TestRtfKept::sectionsKeptInWrittenRtf_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArrayList>("breaks");
    QTest::addColumn<QByteArrayList>("written");

    QTest::newRow("Word: the break in a group, the next section's words after it")
        << QByteArray("{\\rtf1 A{\\b \\sect }\\sectd \\lndscpsxn\\pgwsxn15840\\pghsxn12240\\titlepg"
                      "{\\headerr \\pard W\\par}{\\footerf \\pard F\\par}\\pard\\plain B\\par}")
        << QStringLiteral("A\uFFFC\nB")
        << QByteArrayList{"\\sect\\sectd \\lndscpsxn\\pgwsxn15840\\pghsxn12240\\titlepg{\\headerr \\pard W\\par}"
                          "{\\footerf \\pard F\\par}"}
        << QByteArrayList{"A\\sect\\sectd \\lndscpsxn\\pgwsxn15840\\pghsxn12240\\titlepg{\\headerr \\pard W\\par}"
                          "{\\footerf \\pard F\\par}\n"};
    QTest::newRow("LibreOffice: a break after a paragraph mark ends that paragraph")
        << QByteArray("{\\rtf1 A\\par \\sect\\sectd\\sbkpage\\pgwsxn8391\\pgnstarts5\\pgnrestart"
                      "{\\header\\pard H\\par}\\footery850\\pard B\\par}")
        << QStringLiteral("A\uFFFC\nB")
        << QByteArrayList{"\\sect\\sectd\\sbkpage\\pgwsxn8391\\pgnstarts5\\pgnrestart{\\header\\pard H\\par}"
                          "\\footery850"}
        << QByteArrayList{"A\\sect\\sectd\\sbkpage"};
    QTest::newRow("three sections, words in the middle of one go with it")
        << QByteArray("{\\rtf1\\paperw12240 A\\sect\\sbknone B\\par C\\linemod5 \\sect\\sbkodd\\cols2 D}")
        << QStringLiteral("A\uFFFC\nB\nC\uFFFC\nD")
        << QByteArrayList{"\\sect\\sbknone \\linemod5 ", "\\sect\\sbkodd\\cols2 "}
        << QByteArrayList{"\\paperw12240", "A\\sect\\sbknone \\linemod5 \n", "C\\sect\\sbkodd\\cols2 \n"};
    QTest::newRow("the first section's words after its first paragraph go to the head")
        << QByteArray("{\\rtf1\\pard A\\par\\pgnrestart\\pgnstarts3 B\\sect C}")
        << QStringLiteral("A\nB\uFFFC\nC") << QByteArrayList{"\\sect"}
        << QByteArrayList{"\\pgnrestart\\pgnstarts3 {\\*\\generator", "B\\sect\n"};
    QTest::newRow("a break that ends the document")
        << QByteArray("{\\rtf1 A\\sect}") << QStringLiteral("A\uFFFC") << QByteArrayList{"\\sect"}
        << QByteArrayList{"A\\sect\n}"};
    QTest::newRow("an empty paragraph ended by a break")
        << QByteArray("{\\rtf1 A\\par\\pard\\sect\\sectd B}") << QStringLiteral("A\uFFFC\nB")
        << QByteArrayList{"\\sect\\sectd "} << QByteArrayList{"A\\sect\\sectd \n"};
    QTest::newRow("two breaks in a row")
        << QByteArray("{\\rtf1 A\\sect\\sect B}") << QStringLiteral("A\uFFFC\n\uFFFC\nB")
        << QByteArrayList{"\\sect", "\\sect"} << QByteArrayList{"A\\sect\n"};
    QTest::newRow("a break in a field's result only ends the paragraph")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst X}{\\fldrslt B\\sect C}}D}") << QStringLiteral("AB\nCD")
        << QByteArrayList{} << QByteArrayList{"\\fldinst X}"};
    QTest::newRow("a break in a table cell, more text in the cell")
        << QByteArray(
               "{\\rtf1\\trowd\\cellx1000\\pard\\intbl A\\sect\\sectd\\lndscpsxn\\intbl B\\cell\\row\\pard C\\par}")
        << QStringLiteral("\nA\uFFFC\nB\nC") << QByteArrayList{"\\sect\\sectd\\lndscpsxn"}
        << QByteArrayList{"\\intbl A\\sect\\sectd\\lndscpsxn\n"};
    QTest::newRow("a break ending a table cell keeps the cell mark")
        << QByteArray("{\\rtf1\\trowd\\cellx1000\\pard\\intbl A\\sect\\sectd\\lndscpsxn\\cell\\row\\pard C\\par}")
        << QStringLiteral("\nA\uFFFC\nC") << QByteArrayList{"\\sect\\sectd\\lndscpsxn"}
        << QByteArrayList{"\\intbl A\\sect\\sectd\\lndscpsxn\\cell"};
    QTest::newRow("a break inside a header is the header's own paragraph")
        << QByteArray("{\\rtf1\\pard A\\par{\\header\\pard H\\sect I\\par}B}") << QStringLiteral("A\n\uFFFCB")
        << QByteArrayList{} << QByteArrayList{"{\\header\\pard H\\sect I\\par}"};
}

void TestRtfKept::sectionsKeptInWrittenRtf()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QByteArrayList, breaks);
    QFETCH(QByteArrayList, written);
    auto doc = read(rtf);
    QCOMPARE(doc->toPlainText(), text);
    QCOMPARE(sectionBreaks(*doc), breaks);
    const QByteArray out = documentToRtf(*doc);
    for (const QByteArray& piece : written) {
        if (!out.contains(piece))
            qWarning().noquote() << out;
        QVERIFY2(out.contains(piece), piece.constData());
    }
    // The paragraph a break ends has no mark of its own.
    QCOMPARE(out.count("\\sect\\") + out.count("\\sect\n"), breaks.size());
    auto again = read(out);
    QCOMPARE(again->toPlainText(), text);
    QCOMPARE(sectionBreaks(*again), breaks);
    QCOMPARE(documentToRtf(*again), out);
}

void TestRtfKept::editingAroundSectionBreaks_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("breaks");

    QTest::newRow("typing at the end of the paragraph") << "type at end" << "One.X\uFFFC\nTwo." << 1;
    QTest::newRow("typing after the break's mark goes before the break")
        << "type after" << "One.\uFFFCX\nTwo." << 1;
    QTest::newRow("a new paragraph before the break") << "enter" << "On\ne.\uFFFC\nTwo." << 1;
    QTest::newRow("deleting the break joins the sections") << "delete" << "One.\nTwo." << 0;
    QTest::newRow("undoing the deletion") << "undo" << "One.\uFFFC\nTwo." << 1;
    QTest::newRow("pasting a copy of it") << "paste" << "One.\uFFFC\nTwo.e.\uFFFC" << 2;
}

void TestRtfKept::editingAroundSectionBreaks()
{
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(int, breaks);
    auto doc = read("{\\rtf1\\pard One.\\sect\\sectd\\lndscpsxn{\\header\\pard Wide\\par}\\pard Two.\\par}");
    doc->setUndoRedoEnabled(true);
    QTextCursor cursor(doc.get());
    const int at = 4; // the break's object character
    if (edit == QLatin1String("type at end")) {
        cursor.setPosition(at);
        cursor.insertText(QStringLiteral("X"));
    } else if (edit == QLatin1String("type after")) {
        cursor.setPosition(at + 1);
        cursor.insertText(QStringLiteral("X"));
    } else if (edit == QLatin1String("enter")) {
        cursor.setPosition(2);
        cursor.insertBlock();
    } else if (edit == QLatin1String("delete") || edit == QLatin1String("undo")) {
        cursor.setPosition(at);
        cursor.deleteChar();
        if (edit == QLatin1String("undo"))
            doc->undo();
    } else {
        cursor.setPosition(at - 2);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        const QByteArray copied = selectionToRtf(cursor);
        cursor.movePosition(QTextCursor::End);
        QVERIFY(insertRtf(copied, &cursor));
    }
    QCOMPARE(doc->toPlainText(), text);
    // What is written reads back as the same text: the break ends its paragraph wherever it was moved.
    const QByteArray out = documentToRtf(*doc);
    QCOMPARE(out.count("\\sect\\sectd\\lndscpsxn{\\header\\pard Wide\\par}"), breaks);
    auto again = read(out);
    QString expected = text;
    expected.replace(QStringLiteral("\uFFFCX"), QStringLiteral("X\uFFFC"));
    QCOMPARE(again->toPlainText(), expected);
    QCOMPARE(sectionBreaks(*again).size(), breaks);
}

QTEST_MAIN(TestRtfKept)
#include "tst_rtfkept.moc"
