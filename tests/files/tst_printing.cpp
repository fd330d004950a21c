// File > Print and File > Page Setup: the dialog they ask, what comes out of the printer (a PDF
// file read back with pdftotext), and what they leave in the shared dialog.
#include "document/frmDocument.h"
#include "platform/CommonDialog.h"
#include "platform/QtDialogService.h"
#include "platform/RichTextBox.h"
#include "print/PrintCommands.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAbstractPrintDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using test::ShellFixture;

namespace {
const QString kText = QStringLiteral("Alpha first line\nBravo Charlie middle\nOmega last line");

// The text of a PDF file, or a null string when it could not be read.
QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        process.kill();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

void selectText(frmDocument* window, const QString& part)
{
    const int start = int(window->rtfText->toPlainText().indexOf(part));
    QVERIFY(start >= 0);
    QTextCursor cursor = window->rtfText->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + int(part.size()), QTextCursor::KeepAnchor);
    window->rtfText->setTextCursor(cursor);
}

QMdiSubWindow* addBrowserLikeWindow(shell::frmMain* main)
{
    QMdiSubWindow* frame = main->mdiArea->addSubWindow(new QWidget);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    main->mdiArea->setActiveSubWindow(frame);
    return frame;
}

struct DialogState
{
    QString title, initDir, fileName, filter;
    int filterIndex, flags;
    bool cancelError;
    bool operator==(const DialogState& o) const
    {
        return title == o.title && initDir == o.initDir && fileName == o.fileName && filter == o.filter &&
               filterIndex == o.filterIndex && flags == o.flags && cancelError == o.cancelError;
    }
};

DialogState stateOf(const platform::CommonDialog& d)
{
    return {d.DialogTitle, d.InitDir, d.FileName, d.Filter, d.FilterIndex, d.Flags, d.CancelError};
}
} // namespace

class tst_Printing : public QObject
{
    Q_OBJECT
private slots:
    void printsTheSelectionOrTheWholeDocument_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("userChoseSelection");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("notPrinted");
        const QStringList all = {QStringLiteral("Alpha"), QStringLiteral("Bravo Charlie"), QStringLiteral("Omega")};
        QTest::newRow("no selection") << QString() << false << 264 << all << QStringList();
        QTest::newRow("no selection, Selection picked") << QString() << true << 264 << all << QStringList();
        QTest::newRow("selection") << QStringLiteral("Bravo Charlie") << true << 265
                                   << QStringList{QStringLiteral("Bravo Charlie")}
                                   << QStringList{QStringLiteral("Alpha"), QStringLiteral("Omega")};
        QTest::newRow("selection, All picked") << QStringLiteral("Charlie middle\nOmega") << false << 265
                                               << QStringList{QStringLiteral("Charlie middle"), QStringLiteral("Omega")}
                                               << QStringList{QStringLiteral("Alpha"), QStringLiteral("Bravo")};
    }

    void printsTheSelectionOrTheWholeDocument()
    {
        QFETCH(QString, selected);
        QFETCH(bool, userChoseSelection);
        QFETCH(int, flags);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, notPrinted);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        window->rtfText->setPlainText(kText);
        if (!selected.isEmpty())
            selectText(window, selected);
        const QString pdf = fx.path(QStringLiteral("out.pdf"));

        fx.dialogs.answerPrint(userChoseSelection, pdf);
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Print"));
        QCOMPARE(prompt.flags, flags);
        QCOMPARE(main->dlgCommonDialog.Flags, flags);
        QVERIFY(main->dlgCommonDialog.CancelError);
        const QString text = pdfText(pdf);
        QVERIFY2(!text.isNull(), "the PDF was written and can be read");
        for (const QString& part : printed)
            QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" missing in: ") + text));
        for (const QString& part : notPrinted)
            QVERIFY2(!text.contains(part), qPrintable(part + QStringLiteral(" printed in: ") + text));
        // Printing leaves the document as it was.
        QCOMPARE(window->rtfText->toPlainText(), kText);
        QCOMPARE(window->rtfText->textCursor().selectedText().isEmpty(), selected.isEmpty());
    }

    void longDocumentRunsOverSeveralPages()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << QStringLiteral("Line number %1").arg(i);
        main->activeDocument()->rtfText->setPlainText(lines.join(QLatin1Char('\n')));
        const QString pdf = fx.path(QStringLiteral("long.pdf"));
        fx.dialogs.answerPrint(false, pdf);
        main->tbToolBar->button(QStringLiteral("Print"))->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Line number 1\n")) || text.contains(QStringLiteral("Line number 1 ")));
        QVERIFY(text.contains(QStringLiteral("Line number 200")));
        // pdftotext ends every page with a form feed.
        QVERIFY2(text.count(QLatin1Char('\f')) >= 2, "more than one page");
    }

    void cancelPrintsNothing()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setPlainText(kText);
        const QString pdf = fx.path(QStringLiteral("out.pdf"));
        // The user picked a file and then cancelled: nothing may be written there.
        print::PrintCommands::of(main).printer()->setOutputFormat(QPrinter::PdfFormat);
        print::PrintCommands::of(main).printer()->setOutputFileName(pdf);
        fx.dialogs.cancelPrint();
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.prompts().size(), 1);
        QVERIFY(!QFile::exists(pdf));
    }

    void printNeedsADocumentInFront_data()
    {
        QTest::addColumn<bool>("browserInFront");
        QTest::newRow("no child window") << false;
        QTest::newRow("browser window") << true;
    }

    void printNeedsADocumentInFront()
    {
        QFETCH(bool, browserInFront);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setPlainText(kText);
        if (browserInFront)
            addBrowserLikeWindow(main);
        else
            main->mnuFileClose_Click();
        const DialogState before = stateOf(main->dlgCommonDialog);
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(fx.dialogs.prompts().isEmpty());
        QVERIFY(stateOf(main->dlgCommonDialog) == before);
    }

    void pageSetupReadsNothingBack_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("flagsLeftBefore");
        QTest::newRow("cancel after Save As") << false << 2;
        QTest::newRow("OK after Save As") << true << 2;
        QTest::newRow("OK after a selection print") << true << 265;
    }

    void pageSetupReadsNothingBack()
    {
        QFETCH(bool, accept);
        QFETCH(int, flagsLeftBefore);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        window->rtfText->setPlainText(kText);
        if (flagsLeftBefore == 2) {
            fx.dialogs.cancelSave();
            main->mnuFileSaveAs_Click();
        } else {
            selectText(window, QStringLiteral("Bravo"));
            fx.dialogs.cancelPrint();
            main->mnuFilePrint_Click();
        }
        const DialogState before = stateOf(main->dlgCommonDialog);
        const QString pdf = fx.path(QStringLiteral("setup.pdf"));
        accept ? fx.dialogs.answerPrint(false, pdf) : fx.dialogs.cancelPrint();

        main->mnuFilePageSetup_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Page Setup"));
        QCOMPARE(prompt.flags, flagsLeftBefore);
        DialogState expected = before;
        expected.title = QStringLiteral("Page Setup");
        expected.cancelError = true;
        QVERIFY(stateOf(main->dlgCommonDialog) == expected);
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(main->mdiArea->subWindowList().size(), 1);
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
        QCOMPARE(window->rtfText->toPlainText(), kText);
    }

    void pageSetupChoiceIsWhereTheNextPrintStarts()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setPlainText(kText);
        const QString pdf = fx.path(QStringLiteral("chosen-in-setup.pdf"));
        fx.dialogs.answerPrint(false, pdf);
        main->mnuFilePageSetup_Click();
        fx.dialogs.answerPrint();
        main->mnuFilePrint_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Omega")));
    }

    // The real dialog the user sees: without page numbers nothing in it chooses pages, not even the
    // range Qt's CUPS dialog offers by itself, and not after it has been shown once more.
    void realDialogOffersNoPageRangeWithoutPageNumbers_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("rangeOffered");
        QTest::newRow("print command") << int(platform::DialogFlags::PrintReturnDC | platform::DialogFlags::PrintNoPageNums)
                                       << false;
        QTest::newRow("with selection")
            << int(platform::DialogFlags::PrintReturnDC | platform::DialogFlags::PrintNoPageNums |
                   platform::DialogFlags::PrintSelection)
            << false;
        QTest::newRow("page numbers allowed") << int(platform::DialogFlags::PrintReturnDC) << true;
    }

    void realDialogOffersNoPageRangeWithoutPageNumbers()
    {
        QFETCH(int, flags);
        QFETCH(bool, rangeOffered);
        QPrinter printer;
        QPrintDialog dialog(&printer);
        platform::PrintDialogRequest request;
        request.title = QStringLiteral("Print");
        request.flags = flags;
        platform::QtDialogService::preparePrintDialog(dialog, request);
        for (int round = 0; round < 2; ++round) {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QStringList offered;
            int found = 0;
            for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"}) {
                QWidget* control = dialog.findChild<QWidget*>(QLatin1String(name));
                if (!control)
                    continue;
                ++found;
                // Visibility says little: the options pane starts folded away.
                if (control->isEnabled())
                    offered << QLatin1String(name);
            }
            QVERIFY(found > 0);
            if (rangeOffered)
                QVERIFY(offered.contains(QStringLiteral("printRange")));
            else
                QVERIFY2(offered.isEmpty(), qPrintable(offered.join(QLatin1Char(','))));
            dialog.hide();
        }
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Print"));
    }

    void printLeavesItsFlagsForTheNextFileDialog()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setPlainText(kText);
        selectText(main->activeDocument(), QStringLiteral("Alpha"));
        fx.dialogs.cancelPrint();
        main->mnuFilePrint_Click();
        fx.dialogs.cancelOpen();
        main->mnuFileOpen_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Open"));
        QCOMPARE(fx.dialogs.lastPrompt().flags, 265);
    }

    void everyPrintStartsWithAllPages()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setPlainText(kText);
        QPrinter* printer = print::PrintCommands::of(main).printer();
        // What the dialog left after an earlier print of a selection.
        printer->setPrintRange(QPrinter::Selection);
        QPrinter::PrintRange rangeShown = QPrinter::Selection;
        fx.dialogs.duringPrompt = [&](const test::ScriptedDialogService::Prompt&) {
            rangeShown = printer->printRange();
        };
        fx.dialogs.cancelPrint();
        main->mnuFilePrint_Click();
        fx.dialogs.duringPrompt = nullptr;
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(rangeShown, QPrinter::AllPages);
    }

    // The real print dialog, as the flags set it up.
    void printDialogOffersWhatTheFlagsSay_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("selectionOffered");
        QTest::addColumn<bool>("selectionPreselected");
        QTest::newRow("264") << 264 << false << false;
        QTest::newRow("265") << 265 << true << true;
    }

    void printDialogOffersWhatTheFlagsSay()
    {
        QFETCH(int, flags);
        QFETCH(bool, selectionOffered);
        QFETCH(bool, selectionPreselected);
        platform::QtDialogService service;
        QPrinter printer;
        bool seen = false;
        bool pageRangeOffered = true;
        bool selection = !selectionOffered;
        bool preselected = !selectionPreselected;
        QString title;
        QTimer poll;
        poll.setInterval(20);
        int ticks = 0;
        connect(&poll, &QTimer::timeout, this, [&] {
            QPrintDialog* dialog = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* candidate = qobject_cast<QPrintDialog*>(widget); candidate && candidate->isVisible())
                    dialog = candidate;
            }
            if (!dialog) {
                // Not found within ten seconds: close whatever is modal rather than hang.
                if (++ticks > 500) {
                    poll.stop();
                    if (QWidget* modal = QApplication::activeModalWidget())
                        modal->close();
                }
                return;
            }
            poll.stop();
            seen = true;
            title = dialog->windowTitle();
            pageRangeOffered = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            selection = dialog->testOption(QAbstractPrintDialog::PrintSelection);
            preselected = dialog->printRange() == QAbstractPrintDialog::Selection;
            dialog->reject();
        });
        poll.start();
        platform::PrintDialogRequest request;
        request.title = QStringLiteral("Print");
        request.flags = flags;
        const auto answer = service.showPrint(nullptr, &printer, request);
        poll.stop();
        QVERIFY(seen);
        QCOMPARE(answer.outcome, platform::DialogOutcome::Cancelled);
        QCOMPARE(title, QStringLiteral("Print"));
        QVERIFY(!pageRangeOffered);
        QCOMPARE(selection, selectionOffered);
        QCOMPARE(preselected, selectionPreselected);
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
