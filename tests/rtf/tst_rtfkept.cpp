#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"

#include <QTest>
#include <QTextDocument>

#include <memory>

using namespace tarnwick::platform;
using namespace rtftest;

namespace {

std::unique_ptr<QTextDocument> read(const QByteArray& rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    QString error;
    if (!rtfToDocument(rtf, doc.get(), &error))
        qWarning() << "not read:" << error;
    return doc;
}

QString textOf(const QTextDocument& doc)
{
    return blockTexts(doc).join(QLatin1Char('\n'));
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
    QTest::newRow("\\'0a\\'0a is two breaks") << QByteArray("{\\rtf1 one\\'0a\\'0atwo}") << QStringLiteral("one\n\ntwo");
    QTest::newRow("\\u13 is no paragraph") << QByteArray("{\\rtf1 one\\u13?two}") << QStringLiteral("onetwo");
    QTest::newRow("raw line ends are layout") << QByteArray("{\\rtf1 one\r\ntwo}") << QStringLiteral("onetwo");
    const char* cyr = "\\f0\\'cf\\'f0\\'e8}";
    QTest::newRow("Cyr suffix without charset") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Cyr;}}") + cyr
                                                << QStringLiteral("При");
    QTest::newRow("Cyr suffix with charset 0") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Times New Roman Cyr;}}") + cyr
                                               << QStringLiteral("При");
    QTest::newRow("CE suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial CE;}}\\f0\\'9a\\'e8}")
                               << QStringLiteral("šč");
    QTest::newRow("Greek suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Greek;}}\\f0\\'e1}") << QStringLiteral("α");
    QTest::newRow("Tur suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Tur;}}\\f0\\'fe}") << QStringLiteral("ş");
    QTest::newRow("Baltic suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial Baltic;}}\\f0\\'e8}")
                                   << QStringLiteral("č");
    QTest::newRow("Hebrew suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial (Hebrew);}}\\f0\\'f9}")
                                   << QStringLiteral("ש");
    QTest::newRow("Arabic suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial (Arabic);}}\\f0\\'c7}")
                                   << QStringLiteral("ا");
    QTest::newRow("a stated charset wins over the suffix")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset161 Arial Cyr;}}\\f0\\'e1}") << QStringLiteral("α");
    QTest::newRow("\\cpg wins over the suffix") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\cpg1253 Arial CE;}}\\f0\\'e1}")
                                                << QStringLiteral("α");
    QTest::newRow("suffix only at the end") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Cyrano;}}\\f0\\'e9}")
                                            << QStringLiteral("é");
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

    QTest::newRow("unknown destination")
        << QByteArray("{\\rtf1 A{\\*\\unheardof text{\\b more}}B}") << QStringLiteral("A\uFFFCB")
        << QByteArrayList{"A{\\*\\unheardof text{\\b more}}B"};
    QTest::newRow("bookmarks") << QByteArray("{\\rtf1 A{\\*\\bkmkstart m}B{\\*\\bkmkend m}C}")
                               << QStringLiteral("A\uFFFCB\uFFFCC")
                               << QByteArrayList{"A{\\*\\bkmkstart m}B{\\*\\bkmkend m}C"};
    QTest::newRow("field result shown, instruction kept")
        << QByteArray("{\\rtf1 Page {\\field{\\*\\fldinst { PAGE }}{\\fldrslt {7}}} end}") << QStringLiteral("Page 7 end")
        << QByteArrayList{"{\\field{\\*\\fldinst { PAGE }}{\\fldrslt{7}}}"};
    QTest::newRow("field result with a misplaced \\*")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst DATE}{\\fldrslt {\\*\\cs15 \\b today}}}}") << QStringLiteral("today")
        << QByteArrayList{"\\fldinst DATE}"};
    QTest::newRow("link result with a misplaced \\*")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x.test/\"}{\\fldrslt {\\*\\ul link}}}}")
        << QStringLiteral("link") << QByteArrayList{"HYPERLINK \"http://x.test/\""};
    QTest::newRow("field without result kept whole")
        << QByteArray("{\\rtf1 A{\\field{\\*\\fldinst SEQ x}}B}") << QStringLiteral("A\uFFFCB")
        << QByteArrayList{"A{\\field{\\*\\fldinst SEQ x}}B"};
    QTest::newRow("footnote with its mark")
        << QByteArray("{\\rtf1 A{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Note text.}B}")
        << QStringLiteral("A\uFFFCB") << QByteArrayList{"\\super\\chftn {\\footnote\\pard\\plain{\\super\\chftn} Note text.}"};
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

QTEST_MAIN(TestRtfKept)
#include "tst_rtfkept.moc"
