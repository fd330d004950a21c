// The pieces of the shell that other windows lean on: the menu bar and toolbar as built, the
// shared file dialog, filters, stored-value parsing and the document collection.
#include "document/frmDocument.h"
#include "platform/CommonDialog.h"
#include "platform/DialogService.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "shell/DocumentCollection.h"
#include "shell/Globals.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using namespace tarnwick;
using test::ShellFixture;

class tst_ShellParts : public QObject
{
    Q_OBJECT
private slots:
    void menuBarIsBuiltAsDesigned()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QStringList menus;
        for (QAction* action : main->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, QStringList({QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&View"),
                                     QStringLiteral("&Options"), QStringLiteral("&Window"), QStringLiteral("&Help")}));

        const auto captions = [main](const char* menu) {
            QStringList result;
            for (QAction* action : main->findChild<QMenu*>(QLatin1String(menu))->actions())
                result << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return result;
        };
        QCOMPARE(captions("mnuFile"),
                 QStringList({QStringLiteral("&New"), QStringLiteral("&Open..."), QStringLiteral("Open in &Web Browser "),
                              QStringLiteral("&Close"), QStringLiteral("-"), QStringLiteral("&Save"),
                              QStringLiteral("Save &As..."), QStringLiteral("-"), QStringLiteral("Page Set&up..."),
                              QStringLiteral("&Print..."), QStringLiteral("-"), QStringLiteral("E&xit")}));
        QCOMPARE(captions("mnuOptions"),
                 QStringList({QStringLiteral("&Change Directory"), QStringLiteral("&Download Options"),
                              QStringLiteral("&File Save Options"), QStringLiteral("-"),
                              QStringLiteral("Change &Home Page of Web Browser"), QStringLiteral("-"),
                              QStringLiteral("&Web Browser in Right Half Window"),
                              QStringLiteral("&Save Log File on Exit")}));
        QCOMPARE(captions("mnuHelp"),
                 QStringList({QStringLiteral("&Contents"), QStringLiteral("&Search For Help On..."),
                              QStringLiteral("-"), QStringLiteral("&Tarnwick Home Page"), QStringLiteral("-"),
                              QStringLiteral("&About ")}));

        const auto shortcut = [main](const char* name) {
            return main->findChild<QAction*>(QLatin1String(name))->shortcut();
        };
        QCOMPARE(shortcut("mnuFileNew"), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(shortcut("mnuFileOpen"), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(shortcut("mnuEditCut"), QKeySequence(QStringLiteral("Ctrl+X")));
        QCOMPARE(shortcut("mnuEditCopy"), QKeySequence(QStringLiteral("Ctrl+C")));
        QCOMPARE(shortcut("mnuEditPaste"), QKeySequence(QStringLiteral("Ctrl+V")));
        QVERIFY(shortcut("mnuFileSave").isEmpty());

        for (const char* checked : {"mnuViewToolbar", "mnuViewStatusBar", "mnuOptionsWebBrowserInRightHalfWindow"})
            QVERIFY2(main->findChild<QAction*>(QLatin1String(checked))->isChecked(), checked);
        QVERIFY(main->findChild<QAction*>(QStringLiteral("mnuFileBar4"))->isSeparator());
    }

    void toolbarIsBuiltAsDesigned()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        shell::MainToolBar* bar = main->tbToolBar;
        const QStringList keys = {
            QStringLiteral("New"), QStringLiteral("Open"), QStringLiteral("Open in Web Browser"), QStringLiteral("Save"),
            QString(), QStringLiteral("Print"), QString(), QStringLiteral("Cut"), QStringLiteral("Copy"),
            QStringLiteral("Paste"), QString(), QStringLiteral("Bold"), QStringLiteral("Italic"),
            QStringLiteral("Underline"), QString(), QStringLiteral("Align Left"), QStringLiteral("Center"),
            QStringLiteral("Align Right"), QString(), QStringLiteral("Change Directory"),
            QStringLiteral("Download File"), QStringLiteral("View Log File"), QStringLiteral("File Save Options")};
        QCOMPARE(bar->buttonCount(), 23);
        for (int i = 1; i <= 23; ++i) {
            QAction* button = bar->button(i);
            const QString key = keys.at(i - 1);
            QCOMPARE(button->isSeparator(), key.isEmpty());
            if (key.isEmpty())
                continue;
            QCOMPARE(shell::MainToolBar::keyOf(button), key);
            QCOMPARE(button->toolTip(), key);
            QVERIFY2(!button->icon().isNull(), qPrintable(key));
            QCOMPARE(button->isEnabled(), i != 2 && i != 21);
        }
        QCOMPARE(bar->button(0), nullptr);
        QCOMPARE(bar->button(24), nullptr);
        QCOMPARE(bar->button(QStringLiteral("bold")), nullptr);
    }

    void formattingButtonsFollowAndSetTheSelection()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        document::frmDocument* window = main->activeDocument();
        platform::RichTextBox* box = window->rtfText;
        box->setText(QStringLiteral("plain words"));
        box->selectAll();
        QAction* bold = main->tbToolBar->button(QStringLiteral("Bold"));
        bold->trigger();
        QCOMPARE(box->SelBold(), std::optional<bool>(true));
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Bold")), 1);
        bold->trigger();
        QCOMPARE(box->SelBold(), std::optional<bool>(false));
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Bold")), 0);

        // Partly bold: no single value to negate, the text stays and the button shows raised.
        QTextCursor cursor(box->document());
        cursor.setPosition(0);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
        box->setSelBold(true);
        box->selectAll();
        QCOMPARE(box->SelBold(), std::optional<bool>());
        bold->trigger();
        QCOMPARE(box->SelBold(), std::optional<bool>());
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Bold")), 0);

        main->tbToolBar->button(QStringLiteral("Center"))->trigger();
        QCOMPARE(box->SelAlignment(), std::optional<int>(2));
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Center")), 1);
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Align Left")), 0);
        box->moveCursor(QTextCursor::Start);
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Bold")), 1);
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Center")), 1);
    }

    void formattingButtonsDoNothingWithoutADocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->findChild<QAction*>(QStringLiteral("mnuFileClose"))->trigger();
        QAction* italic = main->tbToolBar->button(QStringLiteral("Italic"));
        italic->trigger();
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Italic")), 0);
        // Download File with no document: only the new window opens.
        main->tbToolBar->button(21)->setEnabled(true);
        main->tbToolBar->button(21)->trigger();
        QCOMPARE(main->OpenDocCount(), 1);
    }

    void viewTogglesAndBrowserPlacementFlag()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QAction* toolbar = main->findChild<QAction*>(QStringLiteral("mnuViewToolbar"));
        toolbar->trigger();
        QVERIFY(!toolbar->isChecked());
        QVERIFY(!main->tbToolBar->isVisible());
        toolbar->trigger();
        QVERIFY(main->tbToolBar->isVisible());
        QAction* status = main->findChild<QAction*>(QStringLiteral("mnuViewStatusBar"));
        status->trigger();
        QVERIFY(!main->sbStatusBar->isVisible());

        QAction* rightHalf = main->findChild<QAction*>(QStringLiteral("mnuOptionsWebBrowserInRightHalfWindow"));
        QVERIFY(!shell::blBrowserNotRightHalf);
        rightHalf->trigger();
        QVERIFY(shell::blBrowserNotRightHalf);
        rightHalf->trigger();
        QVERIFY(!shell::blBrowserNotRightHalf);
        QVERIFY(fx.settings.writes().isEmpty());
    }

    void browserCommandsReportTheMissingComponent()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        main->findChild<QAction*>(QStringLiteral("mnuViewWebBrowser"))->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.lastPrompt().text,
                 QStringLiteral("Error Number : 339\r\nMicrosoft Internet Explorer 4.0 or higher\r\nis required for "
                                "this service!"));
        QCOMPARE(fx.dialogs.lastPrompt().style, 0);
        QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Tarnwick"));
    }

    void sharedDialogKeepsWhatTheLastUseLeft()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString chosen = fx.path(QStringLiteral("letter.txt"));
        {
            QFile file(chosen);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Dear reader");
        }
        fx.dialogs.answerOpen(chosen);
        QAction* open = main->findChild<QAction*>(QStringLiteral("mnuFileOpen"));
        open->trigger(); // disabled outside the word-processor mode: nothing happens
        QVERIFY(fx.dialogs.prompts().isEmpty());
        open->setEnabled(true);
        open->trigger();
        // The empty Document1 took the file in place.
        QCOMPARE(main->OpenDocCount(), 1);
        QCOMPARE(main->activeDocument()->Caption(), chosen);
        QCOMPARE(main->activeDocument()->rtfText->Text(), QStringLiteral("Dear reader"));
        const auto openPrompt = fx.dialogs.lastPrompt();
        QCOMPARE(openPrompt.title, QStringLiteral("Open"));
        QCOMPARE(openPrompt.initialDirectory, fx.documentsDir());

        fx.dialogs.cancelSave();
        main->LoadNewDoc();
        main->findChild<QAction*>(QStringLiteral("mnuFileSave"))->trigger();
        const auto save = fx.dialogs.lastPrompt();
        QCOMPARE(save.title, QStringLiteral("Save"));
        QCOMPARE(save.fileName, chosen);
        QCOMPARE(save.initialDirectory, fx.documentsDir());
        QCOMPARE(save.filter, QStringLiteral("All Files (*.*)|*.*|Text File (*.txt)|*.txt"));
        QCOMPARE(save.flags, 2);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void untitledSaveAsksEveryTimeAndKeepsTheCaption()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        document::frmDocument* window = main->activeDocument();
        window->rtfText->setText(QStringLiteral("x"));
        fx.dialogs.answerSave(fx.path(QStringLiteral("one.rtf")));
        fx.dialogs.answerSave(fx.path(QStringLiteral("two.rtf")));
        main->tbToolBar->button(QStringLiteral("Save"))->trigger();
        main->findChild<QAction*>(QStringLiteral("mnuFileSave"))->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
        QVERIFY(QFile::exists(fx.path(QStringLiteral("one.rtf"))));
        QVERIFY(QFile::exists(fx.path(QStringLiteral("two.rtf"))));
    }

    void filtersBecomeQtNameFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("all files") << QStringLiteral("All Files (*.*)|*.*")
                                   << QStringList{QStringLiteral("All Files (*.*) (*)")};
        QTest::newRow("several patterns") << QStringLiteral("All Files (*.*)|*.*|HTML Files|*.htm;*.html")
                                          << QStringList{QStringLiteral("All Files (*.*) (*)"),
                                                         QStringLiteral("HTML Files (*.htm *.html)")};
        QTest::newRow("description with its own parentheses")
            << QStringLiteral("HTML File (*.htm or *.html)|*.htm")
            << QStringList{QStringLiteral("HTML File (*.htm or *.html) (*.htm)")};
        QTest::newRow("odd trailing description") << QStringLiteral("Text|*.txt|Other")
                                                  << QStringList{QStringLiteral("Text (*.txt)"),
                                                                 QStringLiteral("Other (*)")};
    }

    void filtersBecomeQtNameFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(platform::toQtNameFilterList(filter), expected);
        QCOMPARE(platform::toQtNameFilters(filter), expected.join(QStringLiteral(";;")));
    }

    void storedValuesParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<float>("number");
        QTest::addColumn<bool>("isBoolean");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("whole") << QStringLiteral("1000") << true << 1000.f << true << true;
        QTest::newRow("blanks") << QStringLiteral(" 15 ") << true << 15.f << true << true;
        QTest::newRow("fraction") << QStringLiteral("7.5") << true << 7.5f << true << true;
        QTest::newRow("zero") << QStringLiteral("0") << true << 0.f << true << false;
        QTest::newRow("True") << QStringLiteral("True") << false << 0.f << true << true;
        QTest::newRow("false lower") << QStringLiteral("false") << false << 0.f << true << false;
        QTest::newRow("word") << QStringLiteral("abc") << false << 0.f << false << false;
        QTest::newRow("empty") << QString() << false << 0.f << false << false;
    }

    void storedValuesParse()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(float, number);
        QFETCH(bool, isBoolean);
        QFETCH(bool, boolean);
        float parsed = -1;
        QCOMPARE(shell::settings::parseSingle(text, &parsed), isNumber);
        if (isNumber)
            QCOMPARE(parsed, number);
        bool flag = !boolean;
        QCOMPARE(shell::settings::parseBoolean(text, &flag), isBoolean);
        if (isBoolean)
            QCOMPARE(flag, boolean);
        QCOMPARE(shell::settings::formatSingle(1000.f), QStringLiteral("1000"));
        QCOMPARE(shell::settings::formatSingle(7.5f), QStringLiteral("7.5"));
    }

    void documentCollectionKeepsOrderAndForgetsDestroyedWindows()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain(false);
        shell::DocumentCollection collection;
        auto* a = new document::frmDocument(main);
        auto* b = new document::frmDocument(main);
        QVERIFY(collection.Add(a, QStringLiteral("1")));
        QVERIFY(!collection.Add(b, QStringLiteral("1")));
        QVERIFY(collection.Add(b, QStringLiteral("2")));
        collection.Remove(QStringLiteral("9"));
        QCOMPARE(collection.keys(), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
        delete a;
        QCOMPARE(collection.Count(), 1);
        QCOMPARE(collection.Item(QStringLiteral("2")), b);
        delete b;
        QCOMPARE(collection.Count(), 0);
    }
};

QTEST_MAIN(tst_ShellParts)
#include "tst_shellparts.moc"
