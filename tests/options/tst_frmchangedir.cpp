// The download directory window: the directory follows the lists at once, Cancel and the close
// box, drives that are not ready, and how the Options menu and the toolbar open it.
#include "FakeVolumes.h"
#include "download/frmChangeDir.h"
#include "platform/AppEnvironment.h"
#include "platform/DirectoryList.h"
#include "platform/DriveList.h"
#include "platform/MessageBox.h"
#include "platform/Units.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace tarnwick;
using download::frmChangeDir;
using platform::AppEnvironment;
using platform::MsgBox::Answer;
using test::FakeVolumes;
using test::ShellFixture;

namespace {
// Two made-up volumes under the fixture: A holds "one" and "two", B holds "inner".
struct Drives
{
    explicit Drives(const ShellFixture& fx, int failingChecksOfB = 0)
        : a(fx.path(QStringLiteral("vols/a")))
        , b(fx.path(QStringLiteral("vols/b")))
    {
        for (const QString& dir : {a + QStringLiteral("/one"), a + QStringLiteral("/two"), b + QStringLiteral("/inner")})
            QDir().mkpath(dir);
        volumes.add(QStringLiteral("/"));
        volumes.add(a, QStringLiteral("A"));
        volumes.add(b, QStringLiteral("B"), failingChecksOfB);
    }
    QString a;
    QString b;
    FakeVolumes volumes;
};

// The download directory as start-up leaves it: newDir, and the process inside it.
void startIn(shell::frmMain* main, const QString& directory)
{
    main->newDir = directory;
    AppEnvironment::setCurrentDirectory(directory);
}

void open(platform::DirectoryList* list, const QString& entry)
{
    const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(entry));
    list->setFocus();
    list->setCurrentItem(found.first());
    QTest::keyClick(list, Qt::Key_Return);
}

frmChangeDir* openedWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<frmChangeDir*>(widget))
            return window;
    }
    return nullptr;
}
} // namespace

class tst_frmChangeDir : public QObject
{
    Q_OBJECT
private slots:
    void formIsLaidOutInTwips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label3") << "Label3" << QRect(240, 360, 1815, 255) << "Selected Directory :";
        QTest::newRow("lblChangeDirectory") << "lblChangeDirectory" << QRect(240, 840, 4335, 255) << "";
        QTest::newRow("Label1") << "Label1" << QRect(240, 1440, 1815, 255) << "Change Drive :";
        QTest::newRow("Drive1") << "Drive1" << QRect(240, 1800, 2415, 315) << "";
        QTest::newRow("Label2") << "Label2" << QRect(240, 2280, 2295, 255) << "Change Directory :";
        QTest::newRow("Dir1") << "Dir1" << QRect(240, 2640, 2415, 2115) << "";
        QTest::newRow("cmdOK") << "cmdOK" << QRect(3120, 1560, 1215, 495) << "&OK";
        QTest::newRow("cmdCancel") << "cmdCancel" << QRect(3120, 2520, 1215, 495) << "&Cancel";
    }

    void formIsLaidOutInTwips()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        auto* window = new frmChangeDir(main);
        QCOMPARE(window->windowTitle(), QStringLiteral("Change Directory for Download"));
        QCOMPARE(window->size(), platform::Units::twipsToPixels(4635, 4920));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QWidget* control = window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), window);
        QCOMPARE(control->geometry(), QRect(QPoint(platform::Units::twipsToPixels(twips.x()),
                                                   platform::Units::twipsToPixels(twips.y())),
                                            platform::Units::twipsToPixels(twips.width(), twips.height())));
        if (auto* label = qobject_cast<QLabel*>(control))
            QCOMPARE(label->text(), caption);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->isDefault(), name == QLatin1String("cmdOK"));
        }
    }

    void openingShowsTheDownloadDirectory()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Drives drives(fx);
        const QString start = drives.a + QStringLiteral("/one");
        startIn(main, start);
        auto* window = new frmChangeDir(main, &drives.volumes);
        window->Open();
        QVERIFY(window->isVisible());
        QCOMPARE(window->lblChangeDirectory->text(), start);
        QCOMPARE(window->Dir1->Path(), start);
        QCOMPARE(window->Drive1->Drive(), drives.a);
        QCOMPARE(window->Drive1->currentText(), drives.a + QStringLiteral("  [A]"));
        QCOMPARE(window->startDir(), start);
        QCOMPARE(main->newDir, start);
        QCOMPARE(AppEnvironment::currentDirectory(), start);
        // Centred on the screen.
        const QRect screen = main->screen()->availableGeometry();
        QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void browsingFollowsAtOnceAndTheWayOutDecides_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("restored");
        QTest::newRow("Cancel button") << "cancel" << true;
        QTest::newRow("Esc") << "escape" << true;
        QTest::newRow("OK button") << "ok" << false;
        QTest::newRow("Enter on the window") << "enter" << false;
        QTest::newRow("close box") << "close" << false;
    }

    void browsingFollowsAtOnceAndTheWayOutDecides()
    {
        QFETCH(QString, way);
        QFETCH(bool, restored);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Drives drives(fx);
        const QString start = drives.a + QStringLiteral("/one");
        const QString chosen = drives.a + QStringLiteral("/two");
        startIn(main, start);
        auto* window = new frmChangeDir(main, &drives.volumes);
        window->Open();

        open(window->Dir1, QStringLiteral(".."));
        open(window->Dir1, QStringLiteral("two"));
        // Enter in the list opened folders; it did not press OK.
        QVERIFY(window->isVisible());
        QCOMPARE(main->newDir, chosen);
        QCOMPARE(AppEnvironment::currentDirectory(), chosen);
        QCOMPARE(window->lblChangeDirectory->text(), chosen);

        if (way == QLatin1String("cancel"))
            QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
        else if (way == QLatin1String("escape"))
            QTest::keyClick(window, Qt::Key_Escape);
        else if (way == QLatin1String("ok"))
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        else if (way == QLatin1String("enter"))
            QTest::keyClick(window->Drive1, Qt::Key_Return);
        else
            QVERIFY(window->close());

        QVERIFY(!window->isVisible());
        QVERIFY(!window->isLoaded());
        const QString expected = restored ? start : chosen;
        QCOMPARE(main->newDir, expected);
        QCOMPARE(AppEnvironment::currentDirectory(), expected);
        // What the window leaves is what the exit stores.
        QVERIFY(fx.closeMain());
        QCOMPARE(fx.settings.read(QStringLiteral("Default Directory"), QString()), expected);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void aRootEndsInTheSeparator_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("root drive chosen") << "drive";
        QTest::newRow("up to the root") << "up";
    }

    void aRootEndsInTheSeparator()
    {
        QFETCH(QString, how);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Drives drives(fx);
        startIn(main, drives.a + QStringLiteral("/one"));
        auto* window = new frmChangeDir(main, &drives.volumes);
        window->Open();
        if (how == QLatin1String("drive")) {
            QVERIFY(window->Drive1->setDrive(QStringLiteral("/")));
        } else {
            while (window->Dir1->Path() != QLatin1String("/") && window->Dir1->count() > 0
                   && window->Dir1->item(0)->text() == QLatin1String(".."))
                open(window->Dir1, QStringLiteral(".."));
        }
        QCOMPARE(window->Dir1->Path(), QStringLiteral("/"));
        QCOMPARE(main->newDir, QStringLiteral("/"));
        QCOMPARE(window->lblChangeDirectory->text(), QStringLiteral("/"));
        QCOMPARE(AppEnvironment::currentDirectory(), QStringLiteral("/"));

        // One level down the separator goes again, and is not doubled.
        const QString child = window->Dir1->item(0)->text();
        open(window->Dir1, child);
        QCOMPARE(main->newDir, QStringLiteral("/") + child);
        QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        QCOMPARE(main->newDir, QStringLiteral("/") + child);
    }

    void aDriveThatIsNotReadyAsksToRetry_data()
    {
        QTest::addColumn<int>("failingChecks");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("reachedB");
        QTest::newRow("Retry, then Cancel") << int(FakeVolumes::Never) << QList<int>{Answer::Retry, Answer::Cancel}
                                            << false;
        QTest::newRow("Cancel at once") << int(FakeVolumes::Never) << QList<int>{Answer::Cancel} << false;
        QTest::newRow("box that could not be shown counts as Cancel")
            << int(FakeVolumes::Never) << QList<int>{0} << false;
        QTest::newRow("ready on the second retry") << 2 << QList<int>{Answer::Retry, Answer::Retry} << true;
    }

    void aDriveThatIsNotReadyAsksToRetry()
    {
        QFETCH(int, failingChecks);
        QFETCH(QList<int>, answers);
        QFETCH(bool, reachedB);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Drives drives(fx, failingChecks);
        const QString start = drives.a + QStringLiteral("/one");
        startIn(main, start);
        auto* window = new frmChangeDir(main, &drives.volumes);
        window->Open();
        for (int answer : answers)
            fx.dialogs.answerMessage(answer);

        window->Drive1->setCurrentIndex(window->Drive1->findData(drives.b));

        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.prompts().size(), answers.size());
        for (const auto& prompt : fx.dialogs.prompts()) {
            QCOMPARE(prompt.text, QStringLiteral("Drive Not Ready!"));
            QCOMPARE(prompt.title, QStringLiteral("Tarnwick"));
            QCOMPARE(prompt.style, int(platform::MsgBox::RetryCancel | platform::MsgBox::Exclamation));
        }
        const QString expected = reachedB ? drives.b : start;
        QCOMPARE(window->Drive1->Drive(), reachedB ? drives.b : drives.a);
        QCOMPARE(window->Dir1->Path(), expected);
        QCOMPARE(window->lblChangeDirectory->text(), expected);
        QCOMPARE(main->newDir, expected);
        QCOMPARE(AppEnvironment::currentDirectory(), expected);
    }

    void eachDriveKeepsItsDirectory()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Drives drives(fx);
        startIn(main, drives.a + QStringLiteral("/one"));
        auto* window = new frmChangeDir(main, &drives.volumes);
        window->Open();
        // A drive not visited yet opens at its root.
        QVERIFY(window->Drive1->setDrive(drives.b));
        QCOMPARE(window->Dir1->Path(), drives.b);
        open(window->Dir1, QStringLiteral("inner"));
        QVERIFY(window->Drive1->setDrive(drives.a));
        QCOMPARE(window->Dir1->Path(), drives.a + QStringLiteral("/one"));
        QVERIFY(window->Drive1->setDrive(drives.b));
        QCOMPARE(window->Dir1->Path(), drives.b + QStringLiteral("/inner"));
        QCOMPARE(main->newDir, drives.b + QStringLiteral("/inner"));

        // Cancel goes back to the start across drives.
        QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
        QCOMPARE(main->newDir, drives.a + QStringLiteral("/one"));
        QCOMPARE(window->Drive1->Drive(), drives.a);
    }

    void commandsOpenOneModelessWindowWithoutOwner()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString start = fx.documentsDir();
        const QString inner = start + QStringLiteral("/inner");
        QVERIFY(QDir().mkpath(inner));
        QCOMPARE(main->newDir, start);

        main->findChild<QAction*>(QStringLiteral("mnuOptionsChangeDirectory"))->trigger();
        QPointer<frmChangeDir> window = openedWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->parentWidget(), nullptr);
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        QVERIFY(window->Dir1->setPath(inner));
        window->lower();
        // Again from the toolbar while it is open: the same window in front, not loaded again.
        main->tbToolBar->button(QStringLiteral("Change Directory"))->trigger();
        QCOMPARE(openedWindow(), window.data());
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(window->lblChangeDirectory->text(), inner);
        QCOMPARE(window->startDir(), start);
        QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
        QCOMPARE(main->newDir, start);

        // Closed and opened again, it loads afresh from the directory chosen last.
        main->findChild<QAction*>(QStringLiteral("mnuOptionsChangeDirectory"))->trigger();
        QVERIFY(window->Dir1->setPath(inner));
        QVERIFY(window->close());
        main->findChild<QAction*>(QStringLiteral("mnuOptionsChangeDirectory"))->trigger();
        QCOMPARE(window->startDir(), inner);
        QCOMPARE(window->Dir1->Path(), inner);

        // It goes with its main window.
        fx.createMain();
        QVERIFY(window.isNull());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }
};

QTEST_MAIN(tst_frmChangeDir)
#include "tst_frmchangedir.moc"
