// Start-up, shutdown, stored settings and the activity log of the main window.
#include "document/frmDocument.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

using namespace tarnwick;
using platform::Units;
using test::ShellFixture;

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kHeader = "Today 's Date & Time :\r\nMarch 03, 2027     09:05:07\r\n";

QAction* item(shell::frmMain* main, const char* name)
{
    return main->findChild<QAction*>(QLatin1String(name));
}
} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void firstRunUsesDefaults()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();

        QCOMPARE(main->pos(), QPoint(Units::twipsToPixels(1000), Units::twipsToPixels(1000)));
        QCOMPARE(main->size(), Units::twipsToPixels(6500, 6500));
        QCOMPARE(main->windowTitle(), QStringLiteral("Tarnwick"));
        QCOMPARE(main->intOLEModertfText, 1);
        QCOMPARE(main->sbStatusBar->panelText(1), QStringLiteral("Download file automatically on drag & drop "));
        QVERIFY(!main->tbToolBar->button(2)->isEnabled());
        QVERIFY(!main->tbToolBar->button(21)->isEnabled());
        QVERIFY(!item(main, "mnuFileOpen")->isEnabled());
        QVERIFY(!item(main, "mnuOptionsSaveLogFileOnExit")->isChecked());

        QCOMPARE(shell::OpenDocuments.keys(), QStringList{QStringLiteral("1")});
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document1"));
        for (const char* name : {"mnuFileClose", "mnuFileSave", "mnuFileSaveAs"})
            QVERIFY2(item(main, name)->isEnabled(), name);

        QCOMPARE(main->newDir, fx.documentsDir());
        QCOMPARE(main->existingDir, fx.documentsDir());
        QCOMPARE(QDir::currentPath(), fx.documentsDir());
        QCOMPARE(main->strLogFileFullPath, fx.appDir() + QStringLiteral("/log.txt"));
        QCOMPARE(readAll(fx.appDir() + QStringLiteral("/log.txt")), kHeader);
        QCOMPARE(main->helpFile(), fx.appDir() + QStringLiteral("/Tarnwick.hlp"));
        QVERIFY(fx.settings.writes().isEmpty());
    }

    void headerFollowsTheClockAndLocale()
    {
        const QDateTime when(QDate(2026, 12, 6), QTime(7, 35, 5));
        QCOMPARE(shell::ActivityLog::headerLines(when, QLocale(QLocale::English)),
                 QStringList({QStringLiteral("Today 's Date & Time :"),
                              QStringLiteral("December 06, 2026     07:35:05")}));
        QCOMPARE(shell::ActivityLog::headerLines(when, QLocale(QLocale::German)).at(1),
                 QStringLiteral("Dezember 06, 2026     07:35:05"));
    }

    void withoutFallbackFolderTheStartDirectoryIsUsed()
    {
        ShellFixture fx(false);
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->newDir, fx.startDir());
        QCOMPARE(QDir::currentPath(), fx.startDir());
    }

    void storedDirectoryIsUsedWhenItExists()
    {
        ShellFixture fx;
        QDir().mkpath(fx.path(QStringLiteral("downloads")));
        fx.settings.write(QStringLiteral("Default Directory"), fx.path(QStringLiteral("downloads")));
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->newDir, fx.path(QStringLiteral("downloads")));
        QCOMPARE(main->initDirec, fx.path(QStringLiteral("downloads")));
        QCOMPARE(QDir::currentPath(), fx.path(QStringLiteral("downloads")));
    }

    void staleStoredDirectoryIsReplacedAndWrittenBack()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("Default Directory"), fx.path(QStringLiteral("gone")));
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->newDir, fx.documentsDir());
        QVERIFY(fx.closeMain());
        QCOMPARE(fx.settings.read(QStringLiteral("Default Directory"), {}), fx.documentsDir());
    }

    void placementRoundTrip()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("MainLeft"), QStringLiteral("1500"));
        fx.settings.write(QStringLiteral("MainTop"), QStringLiteral(" 300 "));
        fx.settings.write(QStringLiteral("MainWidth"), QStringLiteral("9000"));
        fx.settings.write(QStringLiteral("MainHeight"), QStringLiteral("7500.0"));
        fx.settings.clearWrites();
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->pos(), QPoint(100, 20));
        QCOMPARE(main->size(), QSize(600, 500));

        main->move(30, 45);
        QVERIFY(fx.closeMain());
        QCOMPARE(fx.settings.writes(),
                 QStringList({QStringLiteral("MainLeft"), QStringLiteral("MainTop"), QStringLiteral("MainWidth"),
                              QStringLiteral("MainHeight"), QStringLiteral("Default Directory")}));
        QCOMPARE(fx.settings.read(QStringLiteral("MainLeft"), {}), QStringLiteral("450"));
        QCOMPARE(fx.settings.read(QStringLiteral("MainTop"), {}), QStringLiteral("675"));
        QCOMPARE(fx.settings.read(QStringLiteral("MainWidth"), {}), QStringLiteral("9000"));
        QCOMPARE(fx.settings.read(QStringLiteral("MainHeight"), {}), QStringLiteral("7500"));
    }

    void placementValueThatIsNoNumberLeavesThatCoordinate()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("MainLeft"), QStringLiteral("left"));
        fx.settings.write(QStringLiteral("MainWidth"), QStringLiteral("12x"));
        fx.settings.write(QStringLiteral("MainTop"), QStringLiteral("150"));
        shell::frmMain* probe = fx.createMain(false);
        const QPoint designedPos = probe->pos();
        const int designedWidth = probe->width();
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->x(), designedPos.x());
        QCOMPARE(main->y(), 10);
        QCOMPARE(main->width(), designedWidth);
        QCOMPARE(main->height(), Units::twipsToPixels(6500));
    }

    void minimisedCloseWritesNoPlacement()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("MainLeft"), QStringLiteral("1500"));
        shell::frmMain* main = fx.createMain();
        fx.settings.clearWrites();
        main->showMinimized();
        QVERIFY(main->isMinimized());
        QVERIFY(fx.closeMain());
        QCOMPARE(fx.settings.writes(), QStringList{QStringLiteral("Default Directory")});
        QCOMPARE(fx.settings.read(QStringLiteral("MainLeft"), {}), QStringLiteral("1500"));
    }

    // Maximised or not, the frame's position and the inner size are stored: the next start moves the
    // frame there, so the window comes back exactly where the maximised one stood (not maximised).
    void maximisedCloseWritesTheMaximisedGeometry()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->showMaximized();
        QTRY_VERIFY(main->isMaximized());
        QTRY_VERIFY(main->width() > Units::twipsToPixels(6500));
        const QPoint framePosition = main->pos();
        const QSize size = main->size();
        QVERIFY(fx.closeMain());
        QCOMPARE(fx.settings.read(QStringLiteral("MainLeft"), {}), QString::number(Units::pixelsToTwips(framePosition.x())));
        QCOMPARE(fx.settings.read(QStringLiteral("MainTop"), {}), QString::number(Units::pixelsToTwips(framePosition.y())));
        QCOMPARE(fx.settings.read(QStringLiteral("MainWidth"), {}), QString::number(Units::pixelsToTwips(size.width())));
        QCOMPARE(fx.settings.read(QStringLiteral("MainHeight"), {}),
                 QString::number(Units::pixelsToTwips(size.height())));

        main = fx.createMain();
        QVERIFY(!main->isMaximized());
        QCOMPARE(main->pos(), framePosition);
        QCOMPARE(main->size(), size);
    }

    void exitWithoutLogOptionDeletesTheLog()
    {
        ShellFixture fx;
        fx.createMain();
        QVERIFY(QFile::exists(fx.appDir() + QStringLiteral("/log.txt")));
        QVERIFY(fx.closeMain());
        QVERIFY(!QFile::exists(fx.appDir() + QStringLiteral("/log.txt")));
        QVERIFY(fx.dialogs.prompts().isEmpty());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void exitWithLogOption_data()
    {
        QTest::addColumn<QString>("choice"); // "" = cancel
        QTest::addColumn<bool>("existing");
        QTest::newRow("cancel") << QString() << false;
        QTest::newRow("new file") << QStringLiteral("kept.txt") << false;
        QTest::newRow("existing file") << QStringLiteral("kept.txt") << true;
    }

    void exitWithLogOption()
    {
        QFETCH(QString, choice);
        QFETCH(bool, existing);
        ShellFixture fx;
        fx.settings.write(QStringLiteral("Save Log File on Exit"), QStringLiteral("True"));
        shell::frmMain* main = fx.createMain();
        QVERIFY(item(main, "mnuOptionsSaveLogFileOnExit")->isChecked());
        const QString target = fx.path(QStringLiteral("out/") + choice);
        QDir().mkpath(fx.path(QStringLiteral("out")));
        if (existing) {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older file that is much longer than the log header ever is, to catch a copy that "
                      "does not truncate what it replaces");
        }
        if (choice.isEmpty())
            fx.dialogs.cancelSave();
        else
            fx.dialogs.answerSave(target);

        QVERIFY(fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        const auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Save Log File As"));
        QCOMPARE(prompt.filter, QStringLiteral("Text File (*.txt)|*.txt"));
        QCOMPARE(prompt.initialDirectory, fx.documentsDir());
        QVERIFY(prompt.flags & platform::DialogFlags::OverwritePrompt);
        QVERIFY(!QFile::exists(fx.appDir() + QStringLiteral("/log.txt")));
        if (!choice.isEmpty())
            QCOMPARE(readAll(target), kHeader);
        else
            QCOMPARE(QDir(fx.path(QStringLiteral("out"))).entryList(QDir::Files), QStringList());
    }

    void failedLogCopyIsReportedAndTheLogKept()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("Save Log File on Exit"), QStringLiteral("True"));
        fx.createMain();
        const QString target = fx.path(QStringLiteral("missing-folder/kept.txt"));
        fx.dialogs.answerSave(target);
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        QVERIFY(fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(fx.dialogs.lastPrompt().text.contains(target));
        QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Tarnwick"));
        QCOMPARE(readAll(fx.appDir() + QStringLiteral("/log.txt")), kHeader);
    }

    // Answering the exit prompt with the log's own name (or a link to it) keeps the log where it is:
    // nothing is copied onto itself and nothing is deleted.
    void keepingTheLogUnderItsOwnName_data()
    {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("the log itself") << false;
        QTest::newRow("a link to the log") << true;
    }

    void keepingTheLogUnderItsOwnName()
    {
        QFETCH(bool, throughLink);
        ShellFixture fx;
        fx.settings.write(QStringLiteral("Save Log File on Exit"), QStringLiteral("True"));
        shell::frmMain* main = fx.createMain();
        const QString log = main->strLogFileFullPath;
        QString target = log;
        if (throughLink) {
            target = fx.path(QStringLiteral("link-to-log.txt"));
            QVERIFY(QFile::link(log, target));
        }
        fx.dialogs.answerSave(target);
        QVERIFY(fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(readAll(log), kHeader);
        QCOMPARE(readAll(target), kHeader);
    }

    void logOptionToggleIsWrittenAtOnceAndDecidesTheExit()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QAction* option = item(main, "mnuOptionsSaveLogFileOnExit");
        option->trigger();
        QVERIFY(option->isChecked());
        QCOMPARE(fx.settings.read(QStringLiteral("Save Log File on Exit"), {}), QStringLiteral("True"));
        option->trigger();
        QCOMPARE(fx.settings.read(QStringLiteral("Save Log File on Exit"), {}), QStringLiteral("False"));
        option->trigger();
        // Something else changed the stored value since: the stored value decides, not the check.
        fx.settings.write(QStringLiteral("Save Log File on Exit"), QStringLiteral("False"));
        QVERIFY(fx.closeMain());
        QVERIFY(fx.dialogs.prompts().isEmpty());
    }

    void unreadableLogOptionKeepsItOff()
    {
        ShellFixture fx;
        fx.settings.write(QStringLiteral("Save Log File on Exit"), QStringLiteral("perhaps"));
        shell::frmMain* main = fx.createMain();
        QVERIFY(!item(main, "mnuOptionsSaveLogFileOnExit")->isChecked());
        QVERIFY(fx.closeMain());
        QVERIFY(fx.dialogs.prompts().isEmpty());
    }

    void logGoesToTheDataFolderWhenTheProgramFolderIsUnusable()
    {
        ShellFixture fx;
        QVERIFY(QDir(fx.appDir()).removeRecursively());
        shell::frmMain* main = fx.createMain();
        QCOMPARE(main->strLogFileFullPath, fx.dataDir() + QStringLiteral("/log.txt"));
        QCOMPARE(readAll(main->strLogFileFullPath), kHeader);
        QCOMPARE(QDir::currentPath(), fx.documentsDir());
        QVERIFY(fx.closeMain());
        QVERIFY(!QFile::exists(fx.dataDir() + QStringLiteral("/log.txt")));
    }

    void viewLogFileOpensReadOnlyCopies()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->log().append({QStringLiteral("a later line")});
        item(main, "mnuViewViewLogFile")->trigger();
        document::frmDocument* first = main->activeDocument();
        main->tbToolBar->button(QStringLiteral("View Log File"))->trigger();
        document::frmDocument* second = main->activeDocument();
        QVERIFY(first && second && first != second);
        for (document::frmDocument* view : {first, second}) {
            QCOMPARE(view->Caption(), main->strLogFileFullPath);
            QVERIFY(view->rtfText->Locked());
            QVERIFY(view->rtfText->Text().startsWith(QStringLiteral("Today 's Date & Time :")));
            QVERIFY(view->rtfText->Text().contains(QStringLiteral("a later line")));
        }
        QCOMPARE(shell::OpenDocuments.Count(), 3);
        QCOMPARE(main->OpenDocCount(), 3);
        // The append kept the download directory current.
        QCOMPARE(QDir::currentPath(), fx.documentsDir());
    }

    void askYesNoAsksWithWarningAndTitle()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        fx.dialogs.answerMessage(platform::MsgBox::Yes);
        fx.dialogs.answerMessage(platform::MsgBox::No);
        QCOMPARE(main->AskYesNo(QStringLiteral("Sure?")), 6);
        QCOMPARE(main->AskYesNo(QStringLiteral("Sure?")), 7);
        const auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Tarnwick"));
        QCOMPARE(prompt.text, QStringLiteral("Sure?"));
        QCOMPARE(prompt.style, platform::MsgBox::YesNo | platform::MsgBox::Exclamation);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
