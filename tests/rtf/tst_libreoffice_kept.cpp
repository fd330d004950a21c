// Asks LibreOffice what it reads in documents with headers, footers, notes, comments, text
// boxes, fields, page setup and styles, and in our re-save of each (opened and saved as File >
// Open and File > Save do): the kept parts must read the same.

#include "LibreOfficeKept.h"
#include "LibreOfficeReading.h"
#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace rtftest;

class TestLibreOfficeKept : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameReading_data();
    void sameReading();
    void cleanupTestCase();

private:
    QTemporaryDir dir_;
    QStringList summary_;
};

namespace {

// The documents and lines LibreOffice must find in each, so that a reading that lost them
// does not pass by agreeing with itself.
struct Document
{
    const char* file;
    QStringList mustRead;
};

const Document kDocuments[] = {
    {"lo_kept.rtf",
     {"page 182x257 mm, margins left 22 right 17 mm", "header: Running head: page 1 of 1", "footer: Kept footer line",
      "footnote after \"aragraph with a note\": First footnote text.", "comment: Comment body text.",
      "text box: Text box words.", "footnote after \"Second note\": Second footnote text.",
      "endnote after \" here and an endnote\": Endnote text.", "field text:title: Kept parts sample"}},
    {"word_kept.rtf",
     {"page 210x297 mm, margins left 30 right 20 mm", "header: Right header, page 3 of 3",
      "header-left: Left header, page 2 of 3", "footer: Footer page 3",
      "footnote after \"raph with a footnote\": Word footnote one.", "text box: Old box words.",
      "field text:date: 7 December 2026", "comment: Word comment text.", "text box: Word text box words.",
      "endnote after \"An endnote here\": Word endnote text."}},
    {"pandoc_kept.rtf", {"footnote after \"nce with a footnote.\": Pandoc footnote one."}},
    {"lo_links.rtf",
     {"link to http://example.test/page, frame \"_blank\": to the page",
      "link to http://example.test/side, frame \"side\": to the side",
      "link to http://example.test/plain, frame \"\": a plain link"}},
    {"word_links.rtf",
     {"link to http://example.test/page, frame \"_blank\": to the page", "comment: Checked by the tester."}},
    {"lo_header_footer.rtf", {}},
    {"word_style.rtf", {}},
    {"lo_sections.rtf",
     {"sections: 3",
      "section at \"First section, portr\": page 210x297 mm portrait, margins 25 20 20 20 mm; "
      "header: Portrait header page 1; footer: Portrait footer",
      "section at \"Second section, land\": page 297x210 mm landscape, margins 30 30 15 15 mm; "
      "header: Landscape header page 2; footer: Landscape footer",
      // LibreOffice 7.4 restarts the numbering but reads \pgnstarts5 as 1 in its own file.
      "section at \"Third section, small\", pages from 1: page 148x210 mm portrait, margins 15 15 10 13 mm; "
      "header: Small header page 3; footer: Landscape footer"}},
    {"word_sections.rtf",
     {"sections: 3",
      "section at \"Letter section, the \": page 216x279 mm portrait, margins 25 25 13 13 mm; "
      "header: Title page header; footer: Title page footer",
      "section at \"Landscape section wi\": page 279x216 mm landscape, margins 19 19 16 16 mm; "
      "header: Wide header; footer: Wide footer",
      "section at \"Appendix section num\", pages from 1: page 216x279 mm portrait, margins 38 38 13 13 mm; "
      "header: Appendix header page 0; footer: Wide footer"}},
    // The continuous section is a text section on the first one's page style.
    {"word_section_breaks.rtf",
     {"sections: 2",
      "section at \"Section one text.\": page 210x297 mm portrait, margins 20 20 10 20 mm; "
      "header: Running header page 1",
      "section at \"Section three starts\": page 210x297 mm portrait, margins 20 20 13 20 mm; "
      "header: Odd header page 0"}},
};

} // namespace

void TestLibreOfficeKept::initTestCase()
{
    if (sofficePath().isEmpty())
        QSKIP("LibreOffice (soffice) is not installed: the LibreOffice reading checks are skipped. "
              "scripts/setup.sh installs libreoffice-writer-nogui.");
    QVERIFY(dir_.isValid());
    QStringList sources;
    for (const Document& d : kDocuments)
        sources << dataPath(QString::fromLatin1(d.file));
    QString failure;
    QVERIFY2(resaveAndConvert(sources, dir_.path(), &failure), qPrintable(failure));
}

void TestLibreOfficeKept::sameReading_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("mustRead");
    for (const Document& d : kDocuments)
        QTest::newRow(d.file) << baseName(QString::fromLatin1(d.file)) << d.mustRead;
}

void TestLibreOfficeKept::sameReading()
{
    QFETCH(QString, name);
    QFETCH(QStringList, mustRead);
    QString error;
    QStringList original;
    QStringList resaved;
    QVERIFY2(readBoth(describeKeptFodt, QDir(dir_.path()), name, &original, &resaved, &error), qPrintable(error));
    summary_
        << QStringLiteral("%1: %2 lines, %3").arg(name).arg(original.size()).arg(original == resaved ? "pass" : "FAIL");
    for (const QString& line : mustRead)
        QVERIFY2(original.contains(line),
                 qPrintable(line + QStringLiteral("\n not in:\n") + original.join(QLatin1Char('\n'))));
    if (original != resaved)
        qWarning().noquote() << "LibreOffice's reading of the original:\n" + original.join(QLatin1Char('\n')) +
                                    "\n--- of our re-save:\n" + resaved.join(QLatin1Char('\n'));
    QCOMPARE(resaved, original);
}

void TestLibreOfficeKept::cleanupTestCase()
{
    for (const QString& line : std::as_const(summary_))
        qInfo().noquote() << line;
}

QTEST_MAIN(TestLibreOfficeKept)
#include "tst_libreoffice_kept.moc"
