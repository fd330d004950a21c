#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"
#include "platform/rtf/RtfPictures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

using namespace tarnwick::platform;
using namespace rtftest;

namespace {

// Unescaped braces must nest, or no reader sees the document as we meant it.
bool bracesBalance(const QByteArray& rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '\\')
            ++i;
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

QTextCharFormat randomCharFormat(QRandomGenerator& rng, bool withLink)
{
    static const QStringList families = {
        QStringLiteral("Arial"), QStringLiteral("Courier New"), QStringLiteral("Café Sans"),
        QStringLiteral("Odd{Font}\\Name"), QStringLiteral("Микро Serif")};
    static const QList<qreal> sizes = {8, 10.5, 12, 14, 72};
    static const QList<QTextCharFormat::UnderlineStyle> underlines = {
        QTextCharFormat::SingleUnderline, QTextCharFormat::DashUnderline, QTextCharFormat::DotLine,
        QTextCharFormat::DashDotLine, QTextCharFormat::DashDotDotLine, QTextCharFormat::WaveUnderline};
    static const QList<QColor> colors = {Qt::red, Qt::darkGreen, QColor(0x12, 0x34, 0x56), Qt::black, Qt::white};
    static const QStringList hrefs = {
        QStringLiteral("http://x.example/a?b=1&c=2"), QStringLiteral("#anchor"),
        QStringLiteral("C:\\path\\\"quoted\".txt"), QStringLiteral("https://ünï.example/{x}"),
        QStringLiteral("#"), QStringLiteral("\\l")};
    auto chance = [&rng](int percent) { return rng.bounded(100) < percent; };

    QTextCharFormat f;
    if (chance(30))
        f.setFontFamilies({families.at(rng.bounded(families.size()))});
    if (chance(30))
        f.setFontPointSize(sizes.at(rng.bounded(sizes.size())));
    if (chance(30))
        f.setFontWeight(QFont::Bold);
    if (chance(30))
        f.setFontItalic(true);
    if (chance(25))
        f.setUnderlineStyle(underlines.at(rng.bounded(underlines.size())));
    if (chance(20))
        f.setFontStrikeOut(true);
    if (chance(15))
        f.setVerticalAlignment(chance(50) ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    if (chance(25))
        f.setForeground(colors.at(rng.bounded(colors.size())));
    if (chance(20))
        f.setBackground(colors.at(rng.bounded(colors.size())));
    if (withLink && chance(15)) {
        f.setAnchor(true);
        f.setAnchorHref(hrefs.at(rng.bounded(hrefs.size())));
    }
    return f;
}

QTextBlockFormat randomBlockFormat(QRandomGenerator& rng)
{
    static const QList<Qt::Alignment> alignments = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    static const QList<qreal> margins = {0, 0, 7.5, 24, 48, 100.2};
    QTextBlockFormat f;
    f.setAlignment(alignments.at(rng.bounded(alignments.size())));
    f.setLeftMargin(margins.at(rng.bounded(margins.size())));
    f.setRightMargin(margins.at(rng.bounded(margins.size())));
    f.setTextIndent(-margins.at(rng.bounded(margins.size())));
    f.setTopMargin(margins.at(rng.bounded(margins.size())));
    f.setBottomMargin(margins.at(rng.bounded(margins.size())));
    return f;
}

QString randomText(QRandomGenerator& rng)
{
    static const QStringList pieces = {
        QStringLiteral("plain"), QStringLiteral(" "), QStringLiteral("42"), QStringLiteral("-"),
        QStringLiteral("é"), QStringLiteral("€"), QStringLiteral("“q”"), QStringLiteral("Привет"),
        QStringLiteral("中文"), QStringLiteral("\U0001F600"), QStringLiteral("{"), QStringLiteral("}"),
        QStringLiteral("\\"), QStringLiteral("\\par"), QStringLiteral("\t"), QStringLiteral("\u2028"),
        QStringLiteral("\u00A0"), QStringLiteral("\u00AD"), QStringLiteral("\u2011"), QStringLiteral("ÿ"),
        QStringLiteral("\u0081"), QStringLiteral("?"), QStringLiteral(";")};
    QString text;
    const int n = rng.bounded(1, 6);
    for (int i = 0; i < n; ++i)
        text += pieces.at(rng.bounded(pieces.size()));
    return text;
}

void buildRandomDocument(QTextDocument* doc, quint32 seed)
{
    QRandomGenerator rng(seed);
    QTextCursor cursor(doc);
    const int blocks = rng.bounded(1, 8);
    for (int b = 0; b < blocks; ++b) {
        if (b == 0) {
            cursor.setBlockFormat(randomBlockFormat(rng));
            cursor.setBlockCharFormat(randomCharFormat(rng, false));
        } else {
            cursor.insertBlock(randomBlockFormat(rng), randomCharFormat(rng, false));
        }
        const int runs = rng.bounded(0, 6);
        for (int r = 0; r < runs; ++r)
            cursor.insertText(randomText(rng), randomCharFormat(rng, true));
    }
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void header();
    void textEscapes_data();
    void textEscapes();
    void conventionsOtherReadersRely_data();
    void conventionsOtherReadersRely();
    void roundTripFromHtml_data();
    void roundTripFromHtml();
    void roundTripRandomDocuments_data();
    void roundTripRandomDocuments();
    void roundTripDataFiles_data();
    void roundTripDataFiles();
    void selection_data();
    void selection();
    void pastedSelectionKeepsStructure_data();
    void pastedSelectionKeepsStructure();
    void indentLevelBecomesLeftMargin();
    void imagesAndTablesFromHtmlAreWritten();
    void listItemsKeepTheirMarkers();
    void largeDocumentWritesInLinearTime();
};

void TestRtfWriter::header()
{
    QTextDocument doc;
    const QByteArray rtf = documentToRtf(doc);
    QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0"), rtf.constData());
    QVERIFY(rtf.contains("{\\colortbl ;"));
    QVERIFY(rtf.contains("\\uc1"));
    QVERIFY(rtf.endsWith("}\n"));
    QVERIFY(bracesBalance(rtf));
    QCOMPARE(blockTexts(*read(rtf)), QStringList{QString()});
}

void TestRtfWriter::textEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("braces and backslash") << QStringLiteral("a{b}c\\d") << QByteArray("a\\{b\\}c\\\\d");
    QTest::newRow("text that looks like a control word") << QStringLiteral("\\par") << QByteArray("\\\\par");
    QTest::newRow("Latin-1 in cp1252") << QStringLiteral("café ÿ") << QByteArray("caf\\'e9 \\'ff");
    QTest::newRow("cp1252 upper half") << QStringLiteral("€“Œ") << QByteArray("\\'80\\'93\\'8c");
    QTest::newRow("cp1252 holes keep their byte") << QStringLiteral("\u0081") << QByteArray("\\'81");
    QTest::newRow("outside cp1252") << QStringLiteral("П中") << QByteArray("\\u1055?\\u20013?");
    QTest::newRow("negative for the upper BMP") << QStringLiteral("\uFF01") << QByteArray("\\u-255?");
    QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line break") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
    QTest::newRow("no-break space, soft hyphen, no-break hyphen") << QStringLiteral("a\u00A0b\u00ADc\u2011d")
                                                                  << QByteArray("a\\~b\\-c\\_d");
    QTest::newRow("space after a control word") << QStringLiteral("\t x") << QByteArray("\\tab  x");
    QTest::newRow("digit after a control word") << QStringLiteral("\t9") << QByteArray("\\tab 9");
}

void TestRtfWriter::textEscapes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QTextDocument doc;
    QTextCursor(&doc).insertText(text);
    const QByteArray rtf = documentToRtf(doc);
    QVERIFY2(rtf.contains(expected), rtf.constData());
    QVERIFY(bracesBalance(rtf));
    QCOMPARE(blockTexts(*read(rtf)), QStringList{text});
}

void TestRtfWriter::conventionsOtherReadersRely_data()
{
    // Units and word choices that the rich edit control, Word and LibreOffice agree on.
    QTest::addColumn<QString>("html");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("points as half points") << "<span style='font-size:12pt'>x</span>" << QByteArrayList{"\\fs24 x"};
    QTest::newRow("pixel sizes at 96 dpi") << "<span style='font-size:16px'>x</span>" << QByteArrayList{"\\fs24 x"};
    QTest::newRow("pixels as twips") << "<p style='margin-left:48px; text-indent:-24px'>x</p>"
                                     << QByteArrayList{"\\li720", "\\fi-360"};
    QTest::newRow("centred") << "<p align=center>x</p>" << QByteArrayList{"\\pard\\qc"};
    QTest::newRow("colour table and index") << "<span style='color:#ff0000'>x</span>"
                                            << QByteArrayList{"{\\colortbl ;\\red255\\green0\\blue0;}", "\\cf1 x"};
    QTest::newRow("background as highlight") << "<span style='background-color:#00ff00'>x</span>"
                                             << QByteArrayList{"\\red0\\green255\\blue0;", "\\highlight1 x"};
    QTest::newRow("font table") << "<span style=\"font-family:'Courier New'\">x</span>"
                                << QByteArrayList{"{\\f1\\fnil\\fcharset0 Courier New;}", "\\f1 x"};
    QTest::newRow("hyperlink field") << "<a href='http://x.example/'>x</a>"
                                     << QByteArrayList{"{\\field{\\*\\fldinst{HYPERLINK \"http://x.example/\"}}{\\fldrslt{"};
    QTest::newRow("paragraphs end in \\par") << "<p>a</p><p>b</p>" << QByteArrayList{"a\\par\n", "b\\par\n}"};
}

void TestRtfWriter::conventionsOtherReadersRely()
{
    QFETCH(QString, html);
    QFETCH(QByteArrayList, expected);
    QTextDocument doc;
    doc.setHtml(html);
    const QByteArray rtf = documentToRtf(doc);
    for (const QByteArray& piece : expected)
        QVERIFY2(rtf.contains(piece), (piece + " not in " + rtf).constData());
}

void TestRtfWriter::roundTripFromHtml_data()
{
    QTest::addColumn<QString>("html");

    QTest::newRow("character formatting") << "a<b>b</b><i>i</i><u>u</u><s>s</s><sup>p</sup><sub>b</sub>z";
    QTest::newRow("fonts and sizes") << "<span style=\"font-family:'Courier New'; font-size:10.5pt\">c</span>"
                                        "<span style=\"font-family:'Café Sans'; font-size:72pt\">d</span>";
    QTest::newRow("colours") << "<span style='color:#123456; background-color:#fedcba'>c</span>"
                                "<span style='color:#123456'>d</span><span style='background-color:#000000'>e</span>";
    QTest::newRow("links") << "<a href='http://x.example/?a=1&amp;b=2'>x</a> <a href='#sec'>s</a> "
                              "<a href='file:///C:/a%20b.txt'><b>f</b>g</a>";
    QTest::newRow("alignment") << "<p align=center>c</p><p align=right>r</p><p align=justify>j</p><p>l</p>";
    QTest::newRow("indents and spacing")
        << "<p style='margin-left:48px; margin-right:24px; text-indent:-12px; margin-top:6px; margin-bottom:30px'>x</p>";
    QTest::newRow("empty paragraphs") << "<p>a</p><p></p><p style='font-size:20pt'><br></p><p>b</p>";
    QTest::newRow("everything in one run")
        << "<p align=right style='margin-left:15px'><a href='http://y.example/'><span style=\"font-family:'Arial'; "
           "font-size:9pt; font-weight:bold; font-style:italic; text-decoration:underline line-through; "
           "color:#ff0000; background-color:#0000ff; vertical-align:super\">all</span></a></p>";
}

void TestRtfWriter::roundTripFromHtml()
{
    QFETCH(QString, html);
    QTextDocument doc;
    doc.setHtml(html);
    const QByteArray rtf = documentToRtf(doc);
    QVERIFY(bracesBalance(rtf));
    QCOMPARE(describeDocument(*read(rtf)), describeDocument(doc));
}

void TestRtfWriter::roundTripRandomDocuments_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 60; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
}

void TestRtfWriter::roundTripRandomDocuments()
{
    QFETCH(quint32, seed);
    QTextDocument doc;
    buildRandomDocument(&doc, seed);
    const QByteArray rtf = documentToRtf(doc);
    QVERIFY(bracesBalance(rtf));
    auto copy = read(rtf);
    QCOMPARE(describeDocument(*copy), describeDocument(doc));
    // Writing what was read gives the same bytes: nothing drifts over repeated saves.
    QCOMPARE(documentToRtf(*copy), rtf);
}

void TestRtfWriter::roundTripDataFiles_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = QDir(dataPath(QString())).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 6);
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << name;
}

void TestRtfWriter::roundTripDataFiles()
{
    QFETCH(QString, file);
    auto original = read(readData(file));
    const QByteArray rtf = documentToRtf(*original);
    QVERIFY(bracesBalance(rtf));
    auto copy = read(rtf);
    QCOMPARE(describeDocument(*copy), describeDocument(*original));
    QCOMPARE(describeTables(*copy), describeTables(*original));
    QCOMPARE(describeLists(*copy), describeLists(*original));
    QCOMPARE(documentToRtf(*copy), rtf);
}

void TestRtfWriter::selection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QStringList>("paragraphs");

    // "Hello" at 0..4, its paragraph mark at 5, bold "World" at 6..10.
    QTest::newRow("inside a paragraph") << 1 << 4 << QStringList{"ell"};
    QTest::newRow("across the paragraph mark") << 3 << 8 << QStringList{"lo", "Wo"};
    QTest::newRow("a paragraph with its mark") << 0 << 6 << QStringList{"Hello", ""};
    QTest::newRow("backwards") << 8 << 3 << QStringList{"lo", "Wo"};
    QTest::newRow("nothing") << 2 << 2 << QStringList{""};
    QTest::newRow("everything") << 0 << 11 << QStringList{"Hello", "World"};
}

void TestRtfWriter::selection()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QStringList, paragraphs);
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("Hello"));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("World"), bold);

    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    const QByteArray rtf = selectionToRtf(cursor);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(bracesBalance(rtf));
    auto copy = read(rtf);
    QCOMPARE(blockTexts(*copy), paragraphs);
    if (paragraphs.size() == 2 && paragraphs.at(1).startsWith(QLatin1String("Wo")))
        QVERIFY(formatOf(*copy, QStringLiteral("Wo")).fontWeight() >= QFont::Bold);
    if (paragraphs.at(0).size() > 1)
        QCOMPARE(formatOf(*copy, paragraphs.at(0)).fontWeight(), int(QFont::Normal));
}

namespace {

QStringList picturesOf(const QTextDocument& doc)
{
    QStringList pictures;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                rtf::Picture p;
                rtf::pictureForImage(doc, it.fragment().charFormat().toImageFormat(), &p);
                pictures << QStringLiteral("%1 %2 bytes").arg(int(p.kind)).arg(p.data.size());
            }
    return pictures;
}

} // namespace

void TestRtfWriter::pastedSelectionKeepsStructure_data()
{
    // What Edit > Copy puts on the clipboard (the selection's RTF) and Edit > Paste makes of it
    // in another document: text before and after the selection, where the paste lands, is kept.
    QTest::addColumn<QString>("from"); // the selection runs from the first character of this text
    QTest::addColumn<QString>("to");   // to the last character of this one
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<int>("pictures");

    QTest::newRow("a whole table") << "Word-style document"
                                   << "The end"
                                   << QStringList{"table 5x3 widths=2108,3000,3000 header=1",
                                                  "| Item | Colour | Amount |",
                                                  "| Apples(2x1) | Red | 3 |",
                                                  "| ^ | Green | 5 |",
                                                  "| Pears, all kinds in one wide cell(1x2) | 7 |",
                                                  "| Nested | in1/in2/in3/in4 | 1 |",
                                                  "table 2x2 widths=1300,1400 header=0",
                                                  "| in1 | in2 |",
                                                  "| in3 | in4 |"}
                                   << QStringList{"-1 level 1 .: First bullet",  "-4 level 2 1.: Numbered one",
                                                  "-4 level 2 2.: Numbered two", "-7 level 3 i.: Roman deep",
                                                  "-1 level 1 .: Second bullet", "-4 level 1 1): Starts at four",
                                                  "-4 level 1 2): Then five"}
                                   << 2;
    QTest::newRow("rows from inside the table")
        << "Red"
        << "Green"
        << QStringList{"table 2x3 widths=2108,3000,3000 header=0", "| Apples(2x1) | Red | 3 |", "| ^ | Green | 5 |"}
        << QStringList() << 0;
    QTest::newRow("text in one cell") << "Pears"
                                      << "kinds" << QStringList() << QStringList() << 0;
    QTest::newRow("part of a list") << "Numbered two"
                                    << "Second bullet"
                                    << QStringList()
                                    // the first item's text lands in the paragraph pasted into
                                    << QStringList{"-4 level 2 1.: before Numbered two", "-7 level 3 i.: Roman deep",
                                                   "-1 level 1 .: Second bulletafter"}
                                    << 0;
    QTest::newRow("the pictures") << "Pictures"
                                  << "." << QStringList() << QStringList() << 2;
}

void TestRtfWriter::pastedSelectionKeepsStructure()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, tables);
    QFETCH(QStringList, lists);
    QFETCH(int, pictures);
    auto source = read(readData(QStringLiteral("word_structure.rtf")));
    const QTextCursor start = source->find(from, 0, QTextDocument::FindCaseSensitively);
    QVERIFY(!start.isNull());
    const QTextCursor end = source->find(to, start.selectionEnd() - 1, QTextDocument::FindCaseSensitively);
    QVERIFY(!end.isNull());
    QTextCursor selection(source.get());
    selection.setPosition(start.selectionStart());
    selection.setPosition(end.selectionEnd(), QTextCursor::KeepAnchor);
    const QByteArray clipboard = selectionToRtf(selection);

    QTextDocument target;
    target.setPlainText(QStringLiteral("before after"));
    QTextCursor at(&target);
    at.setPosition(7);
    QVERIFY(insertRtf(clipboard, &at));
    QCOMPARE(describeTables(target), tables);
    QCOMPARE(describeLists(target), lists);
    QCOMPARE(picturesOf(target).size(), pictures);
    if (pictures)
        QCOMPARE(picturesOf(target), picturesOf(*source));
    QVERIFY(target.toPlainText().startsWith(QLatin1String("before ")));
    QVERIFY(target.toPlainText().endsWith(QLatin1String("after")));
    QVERIFY2(target.toPlainText().contains(from), qPrintable(target.toPlainText()));
}

void TestRtfWriter::indentLevelBecomesLeftMargin()
{
    // RTF has no indent levels; the level's width goes into the left indent instead.
    QTextDocument doc;
    doc.setIndentWidth(40);
    QTextBlockFormat f;
    f.setIndent(2);
    f.setLeftMargin(10);
    QTextCursor cursor(&doc);
    cursor.setBlockFormat(f);
    cursor.insertText(QStringLiteral("x"));
    auto copy = read(documentToRtf(doc));
    QCOMPARE(describeBlock(copy->begin().blockFormat()), QStringLiteral("align=left li=1350 ri=0 fi=0 sb=0 sa=0"));
}

void TestRtfWriter::imagesAndTablesFromHtmlAreWritten()
{
    QTextDocument doc;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("img://red")), image);
    doc.setHtml(QStringLiteral("<p>a<img src='img://red'>b</p>"
                               "<table><tr><td>c1</td><td>c2</td></tr><tr><td>c3</td><td>c4</td></tr></table><p>z</p>"));
    const QByteArray rtf = documentToRtf(doc);
    QVERIFY(bracesBalance(rtf));
    auto copy = read(rtf);
    QCOMPARE(blockTexts(*copy), blockTexts(doc));
    QCOMPARE(blockTexts(*copy).first(), QStringLiteral("a\uFFFCb"));
    QCOMPARE(describeTables(*copy).mid(1), (QStringList{"| c1 | c2 |", "| c3 | c4 |"}));
    QVERIFY2(rtf.contains("\\pngblip"), rtf.left(400).constData());
}

void TestRtfWriter::listItemsKeepTheirMarkers()
{
    QTextDocument doc;
    doc.setIndentWidth(40);
    doc.setHtml(QStringLiteral("<ul><li>one</li><li><a href='http://x.example/'>two</a></li></ul>"
                               "<ol><li>first</li><li>second</li></ol><p>after</p>"));
    const QByteArray rtf = documentToRtf(doc);
    auto copy = read(rtf);
    QCOMPARE(blockTexts(*copy), (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("first"),
                                             QStringLiteral("second"), QStringLiteral("after")}));
    QCOMPARE(describeLists(*copy), describeLists(doc));
    // Readers without list tables see the labels, each outside any link.
    QVERIFY2(rtf.contains("{\\listtext \\'95\\tab}"), rtf.constData());
    QVERIFY2(rtf.contains("{\\listtext 2.\\tab}"), rtf.constData());
    QCOMPARE(formatOf(*copy, QStringLiteral("two")).anchorHref(), QStringLiteral("http://x.example/"));
    QCOMPARE(describeBlock(copy->begin().blockFormat()).section(QLatin1Char(' '), 1, 3),
             QStringLiteral("li=0 ri=0 fi=0"));
}

void TestRtfWriter::largeDocumentWritesInLinearTime()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QRandomGenerator rng(7);
    const int paragraphs = 20000;
    for (int i = 0; i < paragraphs; ++i) {
        if (i)
            cursor.insertBlock(randomBlockFormat(rng));
        for (int r = 0; r < 4; ++r)
            cursor.insertText(randomText(rng), randomCharFormat(rng, true));
    }
    QElapsedTimer timer;
    timer.start();
    const QByteArray rtf = documentToRtf(doc);
    const qint64 ms = timer.elapsed();
    QVERIFY2(ms < 3000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    QCOMPARE(read(rtf)->blockCount(), paragraphs);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
