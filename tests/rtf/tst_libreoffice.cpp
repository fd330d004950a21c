// Asks LibreOffice what it reads in each test document and in our re-save of it (opened and
// saved as File > Open and File > Save do): tables, lists and pictures must read the same.

#include "LibreOfficeReading.h"
#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace rtftest;

class TestLibreOffice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameReading_data();
    void sameReading();
    void cleanupTestCase();

private:
    QTemporaryDir dir_;
    QString failure_;
    QStringList summary_;
};

namespace {

// The documents, and how many table, list and picture lines LibreOffice at least finds in them,
// so that a document LibreOffice cannot read does not pass by agreeing with itself.
struct Document
{
    const char* file;
    int structureLines;
};

const Document kDocuments[] = {
    {"lo_structure.rtf", 17},       {"lo_docx_structure.rtf", 10}, {"pandoc_structure.rtf", 5},
    {"word_structure.rtf", 17},     {"richedit_structure.rtf", 8}, {"lo_formatting.rtf", 3},
    {"lo_from_pandoc_docx.rtf", 8}, {"word_style.rtf", 3},         {"richedit_wordpad.rtf", 3},
    {"sources/structure.html", 20},
};

} // namespace

void TestLibreOffice::initTestCase()
{
    if (sofficePath().isEmpty())
        QSKIP("LibreOffice (soffice) is not installed: the LibreOffice reading checks are skipped. "
              "scripts/setup.sh installs libreoffice-writer-nogui.");
    QVERIFY(dir_.isValid());
    // The HTML page's pictures are files beside it.
    for (const QString& picture : {QStringLiteral("blue.png"), QStringLiteral("warm.jpg")})
        QVERIFY(QFile::copy(dataPath(QStringLiteral("sources/") + picture), dir_.filePath(picture)));
    QStringList sources;
    for (const Document& d : kDocuments)
        sources << dataPath(QString::fromLatin1(d.file));
    QVERIFY2(resaveAndConvert(sources, dir_.path(), &failure_), qPrintable(failure_));
}

void TestLibreOffice::sameReading_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("structureLines");
    for (const Document& d : kDocuments)
        QTest::newRow(d.file) << baseName(QString::fromLatin1(d.file)) << d.structureLines;
}

void TestLibreOffice::sameReading()
{
    QFETCH(QString, name);
    QFETCH(int, structureLines);
    QString error;
    QStringList original;
    QStringList resaved;
    QVERIFY2(readBoth(describeFodt, QDir(dir_.path()), name, &original, &resaved, &error), qPrintable(error));
    summary_
        << QStringLiteral("%1: %2 lines, %3").arg(name).arg(original.size()).arg(original == resaved ? "pass" : "FAIL");
    QVERIFY2(original.size() >= structureLines, qPrintable(original.join(QLatin1Char('\n'))));
    if (original != resaved)
        qWarning().noquote() << "LibreOffice's reading of the original:\n" + original.join(QLatin1Char('\n')) +
                                    "\n--- of our re-save:\n" + resaved.join(QLatin1Char('\n'));
    QCOMPARE(resaved, original);
}

void TestLibreOffice::cleanupTestCase()
{
    for (const QString& line : std::as_const(summary_))
        qInfo().noquote() << line;
}

QTEST_MAIN(TestLibreOffice)
#include "tst_libreoffice.moc"
