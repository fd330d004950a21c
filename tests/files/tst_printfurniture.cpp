// File > Print of documents whose file carries page setup, headers, footers and notes: the PDF the
// print tests' printer path writes, read back with pdftotext and pdfinfo.
#include "document/frmDocument.h"
#include "platform/DocumentIO.h"
#include "platform/RichTextBox.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace tarnwick;
using test::ShellFixture;

using PageLines = QMap<int, QStringList>;

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        process.kill();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString dataFile(const QString& name)
{
    return QStringLiteral(TARNWICK_RTF_TEST_DATA) + QLatin1Char('/') + name;
}

} // namespace

class TestPrintFurniture : public QObject
{
    Q_OBJECT

private slots:
    void printsTheFilesPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("paper");         // pdfinfo's "Page size"
        QTest::addColumn<QStringList>("everyPage"); // %1 the page, %2 the pages
        QTest::addColumn<PageLines>("onPage");
        QTest::addColumn<QStringList>("somewhere");

        QTest::newRow("LibreOffice: running head with page of pages, notes, text box")
            << "lo_kept.rtf"
            << "516 x 729 pts"
            << QStringList{QStringLiteral("Running head: page %1 of %2"), QStringLiteral("Kept footer line")}
            << PageLines{}
            << QStringList{QStringLiteral("1 First footnote text."), QStringLiteral("2 Second footnote text."),
                           QStringLiteral("i Endnote text."), QStringLiteral("Text box words.")};
        QTest::newRow("Word: first, left and right headers, \\chpgn in the footer")
            << "word_kept.rtf"
            << "595 x 842 pts (A4)" << QStringList{}
            << PageLines{{1, {QStringLiteral("First page header"), QStringLiteral("First footer")}},
                         {2, {QStringLiteral("Left header, page 2 of %2"), QStringLiteral("Footer page 2")}},
                         {3, {QStringLiteral("Right header, page 3 of %2"), QStringLiteral("Footer page 3")}}}
            << QStringList{QStringLiteral("1 Word footnote one."), QStringLiteral("2 Word footnote two."),
                           QStringLiteral("i Word endnote text."), QStringLiteral("Word text box words.")};
    }

    void printsTheFilesPages()
    {
        QFETCH(QString, file);
        QFETCH(QString, paper);
        QFETCH(QStringList, everyPage);
        QFETCH(PageLines, onPage);
        QFETCH(QStringList, somewhere);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        document::frmDocument* window = main->activeDocument();
        QString error;
        QVERIFY2(platform::loadDocumentFile(dataFile(file), window->rtfText->document(), &error), qPrintable(error));
        const QString before = window->rtfText->toPlainText();
        const QString pdf = fx.path(QStringLiteral("furniture.pdf"));
        fx.dialogs.answerPrint(false, pdf);
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QStringLiteral("Page size:       ") + paper), qPrintable(info));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QStringList pages = text.split(QLatin1Char('\f'));
        if (pages.last().trimmed().isEmpty())
            pages.removeLast();
        QVERIFY2(pages.size() >= 2, qPrintable(text));
        auto simplified = [](const QString& s) {
            return QString(s).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
        };
        for (int p = 0; p < pages.size(); ++p) {
            for (const QString& line : everyPage) {
                const QString want = line.contains(QLatin1String("%1")) ? line.arg(p + 1).arg(pages.size()) : line;
                QVERIFY2(simplified(pages[p]).contains(want),
                         qPrintable(want + QStringLiteral(" not on page ") + QString::number(p + 1)));
            }
        }
        for (auto it = onPage.constBegin(); it != onPage.constEnd(); ++it) {
            QVERIFY(it.key() <= pages.size());
            for (const QString& line : it.value()) {
                const QString want = line.contains(QLatin1String("%2")) ? line.arg(pages.size()) : line;
                QVERIFY2(simplified(pages[it.key() - 1]).contains(want),
                         qPrintable(want + QStringLiteral(" not on page ") + QString::number(it.key()) + ": " +
                                    pages[it.key() - 1]));
            }
        }
        for (const QString& line : somewhere)
            QVERIFY2(simplified(text).contains(line), qPrintable(line + QStringLiteral(" not printed")));
        // Printing leaves the document as it was.
        QCOMPARE(window->rtfText->toPlainText(), before);
    }

    void printsEachSectionsPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("sizes"); // pdfinfo's "Page N size", page by page
        QTest::addColumn<PageLines>("onPage");
        QTest::addColumn<PageLines>("notOnPage");

        const QString a4 = QStringLiteral("595 x 842"), a4Wide = QStringLiteral("842 x 595");
        const QString letter = QStringLiteral("612 x 792"), letterWide = QStringLiteral("792 x 612");
        QTest::newRow("LibreOffice: portrait, landscape, small page numbered from five")
            << "lo_sections.rtf" << QStringList{a4, a4Wide, QStringLiteral("420 x 595")}
            << PageLines{{1,
                          {QStringLiteral("Portrait header page 1"), QStringLiteral("Portrait footer"),
                           QStringLiteral("First section, second paragraph.")}},
                         {2,
                          {QStringLiteral("Landscape header page 2"), QStringLiteral("Landscape footer"),
                           QStringLiteral("Second section, more text.")}},
                         // The third section has no footer of its own: the one before goes on.
                         {3,
                          {QStringLiteral("Small header page 5"), QStringLiteral("Landscape footer"),
                           QStringLiteral("Third section, last paragraph.")}}}
            << PageLines{{1, {QStringLiteral("Second section")}}, {2, {QStringLiteral("Portrait")}}};
        QTest::newRow("Word: title page, landscape, odd-page appendix numbered from seven")
            << "word_sections.rtf" << QStringList{letter, letter, letterWide, letter}
            << PageLines{{1,
                          {QStringLiteral("Title page header"), QStringLiteral("Title page footer"),
                           QStringLiteral("Letter section, the title page.")}},
                         {2, {QStringLiteral("Letter header page 2"), QStringLiteral("Letter footer")}},
                         {3,
                          {QStringLiteral("Wide header"), QStringLiteral("Wide footer"),
                           QStringLiteral("Landscape section with its own margins.")}},
                         {4,
                          {QStringLiteral("Appendix header page 7"), QStringLiteral("Wide footer"),
                           QStringLiteral("Appendix section numbered from seven.")}}}
            << PageLines{{1, {QStringLiteral("Letter header")}}, {3, {QStringLiteral("Letter")}}};
        QTest::newRow("Word: a continuous section, then one on an odd page after a blank one")
            << "word_section_breaks.rtf" << QStringList{a4, a4, a4}
            << PageLines{{1,
                          {QStringLiteral("Running header page 1"), QStringLiteral("Section one text."),
                           QStringLiteral("Section two continues on the same page.")}},
                         {3,
                          {QStringLiteral("Odd header page 3"),
                           QStringLiteral("Section three starts on an odd page.")}}}
            << PageLines{{1, {QStringLiteral("Section three")}},
                         {2, {QStringLiteral("Section"), QStringLiteral("header")}}};
    }

    void printsEachSectionsPages()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, sizes);
        QFETCH(PageLines, onPage);
        QFETCH(PageLines, notOnPage);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        document::frmDocument* window = main->activeDocument();
        QString error;
        QVERIFY2(platform::loadDocumentFile(dataFile(file), window->rtfText->document(), &error), qPrintable(error));
        const QString pdf = fx.path(QStringLiteral("sections.pdf"));
        fx.dialogs.answerPrint(false, pdf);
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                             QStringLiteral("-l"), QStringLiteral("99"), pdf});
        QStringList printed;
        static const QRegularExpression size(QStringLiteral("Page +\\d+ size: +([\\d.]+) x ([\\d.]+)"));
        for (auto m = size.globalMatch(info); m.hasNext();) {
            const QRegularExpressionMatch page = m.next();
            printed << QStringLiteral("%1 x %2")
                           .arg(qRound(page.captured(1).toDouble()))
                           .arg(qRound(page.captured(2).toDouble()));
        }
        QCOMPARE(printed, sizes);
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QStringList pages = text.split(QLatin1Char('\f'));
        if (pages.last().trimmed().isEmpty())
            pages.removeLast();
        QCOMPARE(pages.size(), sizes.size());
        auto simplified = [](const QString& s) {
            return QString(s).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
        };
        for (auto it = onPage.constBegin(); it != onPage.constEnd(); ++it) {
            for (const QString& line : it.value())
                QVERIFY2(simplified(pages[it.key() - 1]).contains(line),
                         qPrintable(line + QStringLiteral(" not on page ") + QString::number(it.key()) + ": " +
                                    pages[it.key() - 1]));
        }
        for (auto it = notOnPage.constBegin(); it != notOnPage.constEnd(); ++it) {
            for (const QString& line : it.value())
                QVERIFY2(!simplified(pages[it.key() - 1]).contains(line),
                         qPrintable(line + QStringLiteral(" on page ") + QString::number(it.key())));
        }
    }
};

QTEST_MAIN(TestPrintFurniture)
#include "tst_printfurniture.moc"
