// The File menu's document commands: which window a file goes to, the shared dialog's properties,
// Save versus Save As, cancelling, files that cannot be read or written, Close and Exit.
#include "document/frmDocument.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "shell/Globals.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using test::ShellFixture;

namespace {
const QString kDocumentFilter = QStringLiteral(
    "All Files (*.*)|*.*|Text File (*.txt)|*.txt|RTF File (*.rtf)|*.rtf|HTML File (*.htm or *.html)|*.htm");
const QString kHtmlFilter = QStringLiteral("All Files (*.*)|*.*|HTML Files|*.htm;*.html");
const QString kSaveFilter = QStringLiteral("All Files (*.*)|*.*|Text File (*.txt)|*.txt");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A child window that is not a document, standing in for a browser window.
QMdiSubWindow* addBrowserLikeWindow(shell::frmMain* main)
{
    auto* page = new QWidget;
    page->setWindowTitle(QStringLiteral("Browser"));
    QMdiSubWindow* frame = main->mdiArea->addSubWindow(page);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    main->mdiArea->setActiveSubWindow(frame);
    return frame;
}

void closeEveryWindow(shell::frmMain* main)
{
    for (QMdiSubWindow* frame : main->mdiArea->subWindowList())
        frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}
} // namespace

class tst_FileMenu : public QObject
{
    Q_OBJECT
private slots:
    void openChoosesTheTargetWindow_data()
    {
        QTest::addColumn<QString>("inFront");
        QTest::addColumn<bool>("intoDocument1");
        QTest::addColumn<int>("documentsAfter");
        QTest::newRow("no child window") << QStringLiteral("none") << false << 1;
        QTest::newRow("empty document") << QStringLiteral("empty") << true << 1;
        QTest::newRow("document with text") << QStringLiteral("text") << false << 2;
        QTest::newRow("browser window") << QStringLiteral("browser") << false << 2;
    }

    void openChoosesTheTargetWindow()
    {
        QFETCH(QString, inFront);
        QFETCH(bool, intoDocument1);
        QFETCH(int, documentsAfter);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* first = main->activeDocument();
        if (inFront == QLatin1String("none"))
            closeEveryWindow(main);
        else if (inFront == QLatin1String("text"))
            first->rtfText->setText(QStringLiteral("draft"));
        else if (inFront == QLatin1String("browser"))
            addBrowserLikeWindow(main);
        const QString chosen = fx.path(QStringLiteral("letters/2027/letter.txt"));
        writeFile(chosen, "Dear reader");

        fx.dialogs.answerOpen(chosen);
        main->mnuFileOpen_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        frmDocument* target = main->activeDocument();
        QVERIFY(target);
        QCOMPARE(target->Caption(), chosen);
        QCOMPARE(target->rtfText->Text(), QStringLiteral("Dear reader"));
        QCOMPARE(target == first, intoDocument1);
        QCOMPARE(shell::OpenDocuments.Count(), documentsAfter);
        if (inFront == QLatin1String("text")) {
            QCOMPARE(first->Caption(), QStringLiteral("Document1"));
            QCOMPARE(first->rtfText->Text(), QStringLiteral("draft"));
        }
    }

    void sharedDialogPropertiesCarryFromCommandToCommand()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->rtfText->setText(QStringLiteral("text"));
        const QString chosen = fx.path(QStringLiteral("chosen.rtf"));
        main->activeDocument()->rtfText->SaveFile(chosen);

        fx.dialogs.cancelSave();
        main->mnuFileSaveAs_Click();
        fx.dialogs.answerOpen(chosen);
        main->mnuFileOpen_Click();
        fx.dialogs.cancelOpen();
        main->mnuFileWebBrowser_Click();
        main->LoadNewDoc();
        fx.dialogs.cancelSave();
        main->mnuFileSave_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const auto prompts = fx.dialogs.prompts();
        QCOMPARE(prompts.size(), 4);
        const auto& saveAs = prompts.at(0);
        QCOMPARE(saveAs.title, QStringLiteral("Save As"));
        QCOMPARE(saveAs.filter, kSaveFilter);
        QCOMPARE(saveAs.flags, 2);

        // Open sets no flags: it shows what Save As left.
        const auto& open = prompts.at(1);
        QCOMPARE(open.title, QStringLiteral("Open"));
        QCOMPARE(open.filter, kDocumentFilter);
        QCOMPARE(open.initialDirectory, QDir::toNativeSeparators(fx.documentsDir()));
        QCOMPARE(open.flags, 2);

        const auto& browser = prompts.at(2);
        QCOMPARE(browser.title, QStringLiteral("Open in Web Browser"));
        QCOMPARE(browser.filter, kHtmlFilter);
        QCOMPARE(browser.fileName, chosen);
        QCOMPARE(browser.initialDirectory, QDir::toNativeSeparators(fx.documentsDir()));
        QCOMPARE(browser.flags, 2);

        // Save sets no directory: it keeps Open's, and the name last chosen.
        const auto& save = prompts.at(3);
        QCOMPARE(save.title, QStringLiteral("Save"));
        QCOMPARE(save.filter, kSaveFilter);
        QCOMPARE(save.fileName, chosen);
        QCOMPARE(save.initialDirectory, QDir::toNativeSeparators(fx.documentsDir()));
        QCOMPARE(save.flags, 2);
    }

    void cancelOrNoNameChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("cancel");
        for (const char* command : {"open", "save", "save as", "web browser"}) {
            QTest::addRow("%s cancelled", command) << QString::fromLatin1(command) << true;
            QTest::addRow("%s without a name", command) << QString::fromLatin1(command) << false;
        }
    }

    void cancelOrNoNameChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(bool, cancel);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        window->rtfText->setText(QStringLiteral("keep"));
        const bool opens = command == QLatin1String("open") || command == QLatin1String("web browser");
        if (opens)
            cancel ? fx.dialogs.cancelOpen() : fx.dialogs.answerOpen(QString());
        else
            cancel ? fx.dialogs.cancelSave() : fx.dialogs.answerSave(QString());

        if (command == QLatin1String("open"))
            main->mnuFileOpen_Click();
        else if (command == QLatin1String("save"))
            main->mnuFileSave_Click();
        else if (command == QLatin1String("save as"))
            main->mnuFileSaveAs_Click();
        else
            main->mnuFileWebBrowser_Click();

        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.prompts().size(), 1);
        QCOMPARE(main->mdiArea->subWindowList().size(), 1);
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
        QCOMPARE(window->rtfText->Text(), QStringLiteral("keep"));
        QVERIFY(filesIn(fx.documentsDir()).isEmpty());
        QVERIFY(filesIn(fx.startDir()).isEmpty());
    }

    void untitledTestLooksAtTheFirstEightCharacters_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("asks");
        QTest::newRow("Document2") << QStringLiteral("Document2") << true;
        QTest::newRow("Document") << QStringLiteral("Document") << true;
        QTest::newRow("Document12 with more") << QStringLiteral("Document12 draft") << true;
        QTest::newRow("a file's path") << QString() << false;
    }

    void untitledTestLooksAtTheFirstEightCharacters()
    {
        QFETCH(QString, caption);
        QFETCH(bool, asks);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        const QString titled = fx.path(QStringLiteral("Documents/report.rtf"));
        writeFile(titled, "old contents");
        window->setCaption(caption.isEmpty() ? titled : caption);
        window->rtfText->setText(QStringLiteral("new contents"));
        const QString chosen = fx.path(QStringLiteral("chosen.rtf"));
        if (asks) {
            fx.dialogs.answerSave(chosen);
            fx.dialogs.answerSave(chosen);
        }

        main->mnuFileSave_Click();
        main->mnuFileSave_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        // An untitled window asks every time and keeps its caption; a titled one never asks.
        QCOMPARE(fx.dialogs.prompts().size(), asks ? 2 : 0);
        QCOMPARE(window->Caption(), caption.isEmpty() ? titled : caption);
        const QString written = asks ? chosen : titled;
        QVERIFY(readAll(written).startsWith("{\\rtf"));
        QVERIFY(readAll(written).contains("new contents"));
        if (asks)
            QCOMPARE(readAll(titled), QByteArray("old contents"));
    }

    void saveAsCaptionsTheWindowAndWritesRichText()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        window->rtfText->setText(QStringLiteral("plain words"));
        const QString chosen = fx.path(QStringLiteral("notes.txt"));
        fx.dialogs.answerSave(chosen);
        main->mnuFileSaveAs_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(window->Caption(), chosen);
        // Whatever the extension, the file is rich text.
        QVERIFY(readAll(chosen).startsWith("{\\rtf"));
        QVERIFY(readAll(chosen).contains("plain words"));

        // From now on Save writes there without asking.
        window->rtfText->setText(QStringLiteral("second version"));
        main->mnuFileSave_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(readAll(chosen).contains("second version"));
    }

    void savingNeedsADocumentInFront_data()
    {
        QTest::addColumn<bool>("browserInFront");
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("save, no child window") << false << false;
        QTest::newRow("save as, no child window") << false << true;
        QTest::newRow("save, browser window") << true << false;
        QTest::newRow("save as, browser window") << true << true;
    }

    void savingNeedsADocumentInFront()
    {
        QFETCH(bool, browserInFront);
        QFETCH(bool, saveAs);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        closeEveryWindow(main);
        if (browserInFront)
            addBrowserLikeWindow(main);
        saveAs ? main->mnuFileSaveAs_Click() : main->mnuFileSave_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(fx.dialogs.prompts().isEmpty());
        QCOMPARE(main->mdiArea->subWindowList().size(), browserInFront ? 1 : 0);
    }

    void fileThatCannotBeReadOrWrittenIsReported_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("name");
        QTest::newRow("open a missing file") << QStringLiteral("open") << QStringLiteral("gone.rtf");
        QTest::newRow("open a folder") << QStringLiteral("open") << QStringLiteral("folder");
        QTest::newRow("save into a missing folder") << QStringLiteral("save") << QStringLiteral("nowhere/a.rtf");
        QTest::newRow("save as into a missing folder") << QStringLiteral("save as") << QStringLiteral("nowhere/a.rtf");
        QTest::newRow("save over a folder") << QStringLiteral("save") << QStringLiteral("folder");
        QTest::newRow("titled save, folder gone") << QStringLiteral("titled save") << QStringLiteral("gone/a.rtf");
    }

    void fileThatCannotBeReadOrWrittenIsReported()
    {
        QFETCH(QString, command);
        QFETCH(QString, name);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QVERIFY(QDir().mkpath(fx.path(QStringLiteral("folder"))));
        frmDocument* window = main->activeDocument();
        window->rtfText->setText(QStringLiteral("precious"));
        const QString path = fx.path(name);
        QString captionBefore = window->Caption();
        if (command == QLatin1String("open")) {
            fx.dialogs.answerOpen(path);
        } else if (command == QLatin1String("titled save")) {
            window->setCaption(path);
            captionBefore = path;
        } else {
            fx.dialogs.answerSave(path);
        }
        fx.dialogs.answerMessage(platform::MsgBox::OK);

        if (command == QLatin1String("open"))
            main->mnuFileOpen_Click();
        else if (command == QLatin1String("save as"))
            main->mnuFileSaveAs_Click();
        else
            main->mnuFileSave_Click();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const auto message = fx.dialogs.lastPrompt();
        QVERIFY2(message.text.contains(QDir::toNativeSeparators(path)), qPrintable(message.text));
        const QStringList lines = message.text.split(QStringLiteral("\r\n"));
        QVERIFY2(lines.size() >= 2 && !lines.last().trimmed().isEmpty(), "the reason is given");
        QCOMPARE(message.title, QStringLiteral("Tarnwick"));
        QCOMPARE(message.style & platform::MsgBox::ButtonsMask, int(platform::MsgBox::OKOnly));

        // Nothing claims the file: the document keeps its caption and its text.
        QCOMPARE(window->Caption(), captionBefore);
        QCOMPARE(window->rtfText->Text(), QStringLiteral("precious"));
        if (command == QLatin1String("open"))
            QVERIFY(main->activeDocument()->Caption() != path);
        QVERIFY(!QFileInfo(path).isFile());

        // And the program goes on.
        main->mnuFileNew_Click();
        QCOMPARE(main->activeDocument()->rtfText->Text(), QString());
    }

    void closeClosesTheWindowInFront_data()
    {
        QTest::addColumn<QString>("inFront");
        QTest::addColumn<int>("windowsAfter");
        QTest::newRow("document") << QStringLiteral("document") << 1;
        QTest::newRow("browser window") << QStringLiteral("browser") << 2;
        QTest::newRow("nothing") << QStringLiteral("none") << 0;
    }

    void closeClosesTheWindowInFront()
    {
        QFETCH(QString, inFront);
        QFETCH(int, windowsAfter);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* second = main->LoadNewDoc();
        QPointer<QMdiSubWindow> browser;
        if (inFront == QLatin1String("browser"))
            browser = addBrowserLikeWindow(main);
        if (inFront == QLatin1String("none"))
            closeEveryWindow(main);
        QPointer<QWidget> front = main->ActiveForm();

        main->mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(main->mdiArea->subWindowList().size(), windowsAfter);
        QVERIFY(!front);
        if (inFront == QLatin1String("browser"))
            QVERIFY(shell::OpenDocuments.windows().contains(second));
    }

    void exitRunsTheShutdown()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString log = main->strLogFileFullPath;
        QVERIFY(QFile::exists(log));
        QSignalSpy unloaded(main, &shell::frmMain::unloaded);
        main->findChild<QAction*>(QStringLiteral("mnuFileExit"))->trigger();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!main->isVisible());
        QVERIFY(!QFile::exists(log));
        QVERIFY(fx.settings.contains(QStringLiteral("Default Directory")));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }
};

QTEST_MAIN(tst_FileMenu)
#include "tst_filemenu.moc"
