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

QTEST_MAIN(TestRtfKept)
#include "tst_rtfkept.moc"
