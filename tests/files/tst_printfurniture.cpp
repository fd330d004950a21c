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

bool popplerInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

// Opens a test document in Document1 and prints it through File > Print into the PDF the print
// dialog is answered with; the window is handed back for checks after printing.
void printThroughFileMenu(ShellFixture& fx, const QString& file, const QString& pdf,
                          document::frmDocument** printed = nullptr, QString* shownText = nullptr)
{
    shell::frmMain* main = fx.createMain();
    document::frmDocument* window = main->activeDocument();
    if (printed)
        *printed = window;
    QString error;
    QVERIFY2(platform::loadDocumentFile(dataFile(file), window->rtfText->document(), &error), qPrintable(error));
    if (shownText)
        *shownText = window->rtfText->toPlainText();
    fx.dialogs.answerPrint(false, pdf);
    main->mnuFilePrint_Click();
    TARNWICK_VERIFY_DIALOGS(fx.dialogs);
}

// One printed line as pdftotext finds it on its page, in points from the paper's top.
struct PrintedLine
{
    QString text;
    qreal top = 0;
    qreal bottom = 0;
};

struct PrintedPage
{
    qreal height = 0;
    QList<PrintedLine> lines;
};

PrintedPage printedPage(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), n, QStringLiteral("-l"), n,
                                                           QStringLiteral("-bbox-layout"), pdf, QStringLiteral("-")});
    PrintedPage result;
    static const QRegularExpression pageTag(QStringLiteral("<page width=\"[0-9.]+\" height=\"([0-9.]+)\""));
    result.height = pageTag.match(html).captured(1).toDouble();
    static const QRegularExpression lineTag(
        QStringLiteral("<line xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">(.*?)</line>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression wordTag(QStringLiteral("<word[^>]*>([^<]*)</word>"));
    for (auto m = lineTag.globalMatch(html); m.hasNext();) {
        const QRegularExpressionMatch line = m.next();
        QStringList words;
        for (auto w = wordTag.globalMatch(line.captured(3)); w.hasNext();)
            words << w.next().captured(1);
        result.lines << PrintedLine{words.join(QLatin1Char(' ')), line.captured(1).toDouble(),
                                    line.captured(2).toDouble()};
    }
    return result;
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
        if (!popplerInstalled())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        ShellFixture fx;
        const QString pdf = fx.path(QStringLiteral("furniture.pdf"));
        document::frmDocument* window = nullptr;
        QString before;
        printThroughFileMenu(fx, file, pdf, &window, &before);
        if (QTest::currentTestFailed())
            return;

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
        if (!popplerInstalled())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        ShellFixture fx;
        const QString pdf = fx.path(QStringLiteral("sections.pdf"));
        printThroughFileMenu(fx, file, pdf);
        if (QTest::currentTestFailed())
            return;

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

    // Footnotes print at the foot of the page their mark is on, below the body, and nothing is
    // lost, printed twice or pushed past the margins.
    void footnotesPrintOnTheirMarksPage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("bodyLines");
        QTest::addColumn<QStringList>("marks");      // body lines carrying a footnote...
        QTest::addColumn<QStringList>("notes");      // ...and where each note's text starts
        QTest::addColumn<QList<int>>("markPages");   // the page each mark prints on, 0: not fixed
        QTest::addColumn<QStringList>("noteLines");  // every line of the notes, once each
        QTest::addColumn<QStringList>("afterText");  // printed after the last body line
        QTest::addColumn<QStringList>("startPages"); // body lines a forced break puts first on a page

        QTest::newRow("notes on the first and third page, page fields without results")
            << "foot_notes.rtf" << 100 << QStringList{QStringLiteral("Body line 005"), QStringLiteral("Body line 075")}
            << QStringList{QStringLiteral("1 Note one, printed"), QStringLiteral("2 Note two, printed")}
            << QList<int>{1, 3} << QStringList{} << QStringList{QStringLiteral("i Endnote after the text.")}
            << QStringList{};
        QStringList longNote;
        for (int i = 1; i <= 60; ++i)
            longNote << QStringLiteral("Long note line %1 of").arg(i, 2, 10, QLatin1Char('0'));
        QTest::newRow("a note longer than a page goes on at the next page's foot")
            << "foot_long_note.rtf" << 80
            << QStringList{QStringLiteral("Body line 025"), QStringLiteral("Body line 060")}
            << QStringList{QStringLiteral("1 Long note line 01"), QStringLiteral("2 Short note at line 60.")}
            << QList<int>{0, 0} << longNote << QStringList{} << QStringList{};
        QTest::newRow("page breaks and a note in a table cell")
            << "foot_breaks.rtf" << 61 << QStringList{QStringLiteral("Body line 012"), QStringLiteral("Body line 046")}
            << QStringList{QStringLiteral("1 Note after the page break."), QStringLiteral("2 Note from a table cell.")}
            << QList<int>{2, 0} << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("Body line 001"), QStringLiteral("Body line 011")};
        QTest::newRow("notes numbered on across a section break")
            << "foot_sections.rtf" << 80
            << QStringList{QStringLiteral("Body line 005"), QStringLiteral("Body line 060")}
            << QStringList{QStringLiteral("1 Note in section one."), QStringLiteral("2 Note in section two.")}
            << QList<int>{1, 0} << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("Body line 001"), QStringLiteral("Body line 041")};
    }

    void footnotesPrintOnTheirMarksPage()
    {
        QFETCH(QString, file);
        QFETCH(int, bodyLines);
        QFETCH(QStringList, marks);
        QFETCH(QStringList, notes);
        QFETCH(QList<int>, markPages);
        QFETCH(QStringList, noteLines);
        QFETCH(QStringList, afterText);
        QFETCH(QStringList, startPages);
        if (!popplerInstalled())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        ShellFixture fx;
        const QString pdf = fx.path(QStringLiteral("notes.pdf"));
        printThroughFileMenu(fx, file, pdf);
        if (QTest::currentTestFailed())
            return;

        static const QRegularExpression pagesLine(QStringLiteral("Pages:\\s+(\\d+)"));
        const int pages = pagesLine.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
        QVERIFY(pages >= 2);
        // The file's margins: 1134 twips, 56.7 points, at the top and bottom.
        const qreal margin = 56.7;
        QMap<QString, int> printed; // body and note lines -> times printed
        QMap<QString, int> pageOf;  // the same -> the page
        QStringList firstOnPage;
        int lastBodyPage = 0;
        for (int p = 1; p <= pages; ++p) {
            const PrintedPage page = printedPage(pdf, p);
            QVERIFY(page.height > 0);
            qreal bodyBottom = 0;
            qreal notesTop = page.height;
            bool header = false;
            for (const PrintedLine& line : page.lines) {
                if (line.text == QStringLiteral("Page %1 of %2").arg(p).arg(pages)) {
                    header = true;
                    QVERIFY(line.bottom < margin);
                    continue;
                }
                if (line.text == QLatin1String("Foot of the page")) {
                    QVERIFY(line.top > page.height - margin);
                    continue;
                }
                // Everything else is in the body's part of the paper, nothing cut off at its edges.
                QVERIFY2(line.top >= margin - 1 && line.bottom <= page.height - margin + 1, qPrintable(line.text));
                if (line.text.startsWith(QLatin1String("Body line "))) {
                    const QString key = line.text.left(13);
                    if (bodyBottom == 0)
                        firstOnPage << key;
                    ++printed[key];
                    pageOf[key] = p;
                    bodyBottom = std::max(bodyBottom, line.bottom);
                    lastBodyPage = p;
                    if (line.text.contains(QLatin1String("this is page")))
                        QCOMPARE(line.text, QStringLiteral("%1 says this is page %2.").arg(key).arg(p));
                    continue;
                }
                bool note = false;
                for (const QString& start : notes + noteLines) {
                    if (line.text.contains(start)) {
                        ++printed[start];
                        pageOf[start] = p;
                        note = true;
                    }
                }
                if (note)
                    notesTop = std::min(notesTop, line.top);
            }
            QVERIFY2(header, qPrintable(QStringLiteral("no header on page %1").arg(p)));
            QVERIFY2(bodyBottom < notesTop, qPrintable(QStringLiteral("notes above the text on page %1").arg(p)));
        }
        for (int i = 1; i <= bodyLines; ++i) {
            const QString key = QStringLiteral("Body line %1").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY2(printed.value(key) == 1,
                     qPrintable(key + QStringLiteral(" printed %1 times").arg(printed.value(key))));
        }
        for (const QString& line : notes + noteLines)
            QVERIFY2(printed.value(line) == 1,
                     qPrintable(line + QStringLiteral(" printed %1 times").arg(printed.value(line))));
        for (qsizetype i = 0; i < marks.size(); ++i) {
            QCOMPARE(pageOf.value(notes[i]), pageOf.value(marks[i]));
            if (markPages[i])
                QCOMPARE(pageOf.value(marks[i]), markPages[i]);
        }
        // A note too long for one foot goes on at the next page's, in order.
        for (qsizetype i = 1; i < noteLines.size(); ++i)
            QVERIFY(pageOf.value(noteLines[i]) >= pageOf.value(noteLines[i - 1]));
        if (!noteLines.isEmpty())
            QVERIFY(pageOf.value(noteLines.last()) > pageOf.value(noteLines.first()));
        const QString all = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (const QString& text : afterText) {
            QVERIFY2(all.contains(text), qPrintable(text));
            QVERIFY(all.indexOf(text) >
                    all.indexOf(QStringLiteral("Body line %1").arg(bodyLines, 3, 10, QLatin1Char('0'))));
        }
        QVERIFY(lastBodyPage >= 1);
        for (const QString& line : startPages)
            QVERIFY2(firstOnPage.contains(line), qPrintable(line + QStringLiteral(" does not start a page")));
        if (!startPages.isEmpty())
            QCOMPARE(pageOf.value(startPages.first()), 1);
    }
};

QTEST_MAIN(TestPrintFurniture)
#include "tst_printfurniture.moc"
