// The Help menu: the help engine calls, the product home page, the About box, System Info and the
// registry reading behind it.
#include "help/frmAbout.h"
#include "platform/AppEnvironment.h"
#include "platform/HelpEngine.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "shell/ProductHomePage.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace tarnwick;
using help::frmAbout;
namespace RegistryRoot = platform::RegistryRoot;
using test::ShellFixture;

namespace {
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Runs command, which shows the About box modally, and acts on the box once it is up. True when
// the box was seen and had closed when command returned; a box that stays open is closed after ten
// seconds so that the test fails instead of hanging.
bool withAboutBox(const std::function<void()>& command, const std::function<void(frmAbout*)>& act,
                  QWidget** owner = nullptr)
{
    bool seen = false;
    bool stuck = false;
    QPointer<frmAbout> box;
    QTimer poll;
    poll.setInterval(20);
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ++ticks;
        if (!seen) {
            box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                seen = true;
                if (owner)
                    *owner = box->parentWidget();
                act(box);
            }
        }
        if (ticks > 500 && QApplication::activeModalWidget()) {
            stuck = true;
            QApplication::activeModalWidget()->close();
            if (box)
                box->done(0);
        }
        if (ticks > 600)
            poll.stop();
    });
    poll.start();
    command();
    poll.stop();
    return seen && !stuck;
}
} // namespace

class tst_HelpAbout : public QObject
{
    Q_OBJECT
private slots:
    void helpCommandsCallTheEngine_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<quint32>("command");
        QTest::addColumn<QString>("failure");
        QTest::newRow("contents") << false << quint32(3) << QString();
        QTest::newRow("search") << true << quint32(0x105) << QString();
        QTest::newRow("contents, engine fails") << false << quint32(3) << QStringLiteral("No help engine here");
        QTest::newRow("search, engine fails") << true << quint32(0x105) << QStringLiteral("No help engine here");
    }

    void helpCommandsCallTheEngine()
    {
        QFETCH(bool, search);
        QFETCH(quint32, command);
        QFETCH(QString, failure);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        fx.help.failure = failure;
        if (!failure.isEmpty())
            fx.dialogs.answerMessage(platform::MsgBox::OK);

        main->findChild<QAction*>(search ? QStringLiteral("mnuHelpSearchForHelpOn") : QStringLiteral("mnuHelpContents"))
            ->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const QString helpFile = QDir::toNativeSeparators(fx.appDir() + QStringLiteral("/Tarnwick.hlp"));
        QCOMPARE(fx.help.calls.size(), 1);
        QCOMPARE(fx.help.calls.at(0).helpFile, helpFile);
        QCOMPARE(fx.help.calls.at(0).command, command);
        QCOMPARE(fx.help.calls.at(0).keyword, QString());
        QCOMPARE(fx.help.calls.at(0).owner.data(), main);
        QCOMPARE(main->helpFile(), helpFile);
        if (failure.isEmpty()) {
            QVERIFY(fx.dialogs.prompts().isEmpty());
        } else {
            QCOMPARE(fx.dialogs.lastPrompt().text, failure);
            QCOMPARE(fx.dialogs.lastPrompt().style, int(platform::MsgBox::OKOnly));
            QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Tarnwick"));
        }
    }

    void homePageOpensWithTheDesktop_data()
    {
        QTest::addColumn<bool>("desktopSucceeds");
        QTest::newRow("opened") << true;
        QTest::newRow("desktop fails, nothing said") << false;
    }

    void homePageOpensWithTheDesktop()
    {
        QFETCH(bool, desktopSucceeds);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        fx.desktop.shellSucceeds = desktopSucceeds;
        main->findChild<QAction*>(QStringLiteral("mnuHelpTarnwickHomePage"))->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.desktop.shellCalls.size(), 1);
        const auto call = fx.desktop.shellCalls.at(0);
        QCOMPARE(call.owner.data(), main);
        QCOMPARE(call.operation, QStringLiteral("Open"));
        QCOMPARE(call.file, shell::productHomePageUrl(main->services().environment));
        QCOMPARE(call.file, QUrl::fromLocalFile(fx.appDir() + QStringLiteral("/tarnwick-home.html")).toString());
        QCOMPARE(call.parameters, QString());
        QCOMPARE(call.directory, fx.appDir());
        QCOMPARE(call.show, 1);
        QVERIFY(fx.desktop.startedPrograms.isEmpty());
    }

    void aboutBoxIsBuiltAsDesigned()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmAbout about(main->services(), main);
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tarnwick"));
        QCOMPARE(about.Label1->text(), QStringLiteral("Tarnwick 1.0"));
        QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QCOMPARE(about.cmdOK->text(), QStringLiteral("OK"));
        QVERIFY(about.cmdOK->isDefault());
        QVERIFY(!about.cmdSysInfo->isDefault());
        for (const char* name : {"picIcon", "Picture1", "Line1", "Label1", "cmdSysInfo", "cmdOK"})
            QVERIFY2(about.findChild<QWidget*>(QLatin1String(name)), name);
        QVERIFY(!about.picIcon->pixmap().isNull());
        QVERIFY(!about.Picture1->pixmap().isNull());
    }

    void aboutBoxIsModalAndClosesWithOkEnterOrEsc_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK clicked") << QStringLiteral("click");
        QTest::newRow("Enter") << QStringLiteral("enter");
        QTest::newRow("Esc") << QStringLiteral("escape");
        QTest::newRow("close box") << QStringLiteral("close");
    }

    void aboutBoxIsModalAndClosesWithOkEnterOrEsc()
    {
        QFETCH(QString, how);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        bool modal = false;
        QWidget* owner = nullptr;
        const bool closed =
            withAboutBox([main] { main->findChild<QAction*>(QStringLiteral("mnuHelpAbout"))->trigger(); },
                         [&](frmAbout* box) {
                             modal = box->isModal();
                             if (how == QLatin1String("click"))
                                 QTest::mouseClick(box->cmdOK, Qt::LeftButton);
                             else if (how == QLatin1String("enter"))
                                 QTest::keyClick(box, Qt::Key_Return);
                             else if (how == QLatin1String("escape"))
                                 QTest::keyClick(box, Qt::Key_Escape);
                             else
                                 box->close();
                         },
                         &owner);
        QVERIFY(closed);
        QVERIFY(modal);
        QCOMPARE(owner, main);
        QVERIFY(!main->findChild<frmAbout*>());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void systemInfoButtonStartsSystemInformation()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString program = fx.path(QStringLiteral("bin/sysinfo"));
        touch(program);
        fx.registry.setString(RegistryRoot::LocalMachine, frmAbout::SysInfoKey, QStringLiteral("PATH"), program);
        const bool closed = withAboutBox([main] { main->mnuHelpAbout_Click(); },
                                         [](frmAbout* box) {
                                             QTest::mouseClick(box->cmdSysInfo, Qt::LeftButton);
                                             // The box stays up after starting the program.
                                             if (box->isVisible())
                                                 QTest::mouseClick(box->cmdOK, Qt::LeftButton);
                                         });
        QVERIFY(closed);
        QCOMPARE(fx.desktop.startedPrograms, QStringList{program});
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void startSysInfoFindsTheProgram_data()
    {
        QTest::addColumn<QString>("first");     // PATH of the first key; "-" when the key is absent
        QTest::addColumn<QString>("location");  // MSINFO of the second key; "-" when absent
        QTest::addColumn<bool>("withMsInfo32"); // MSINFO32.EXE lies in the app's "loc" folder
        QTest::addColumn<bool>("readOnlyKeys"); // the keys refuse full access
        QTest::addColumn<QString>("started");   // "-" when nothing is started
        QTest::addColumn<bool>("unavailable");

        // clang-format off
        QTest::newRow("first key, program there") << "bin/info" << "-" << false << false << "bin/info" << false;
        QTest::newRow("first key, program missing") << "bin/gone" << "-" << false << false << "bin/gone" << true;
        QTest::newRow("first key wins") << "bin/info" << "loc" << true << false << "bin/info" << false;
        QTest::newRow("first key empty") << "" << "-" << false << false << "" << true;
        QTest::newRow("second key, MSINFO32.EXE") << "-" << "loc" << true << false << "loc/MSINFO32.EXE" << false;
        QTest::newRow("second key ending in /") << "-" << "loc/" << true << false << "loc/MSINFO32.EXE" << false;
        QTest::newRow("second key, no MSINFO32") << "-" << "loc" << false << false << "-" << true;
        QTest::newRow("neither key") << "-" << "-" << false << false << "-" << true;
        QTest::newRow("keys refuse full access") << "bin/info" << "loc" << true << true << "-" << true;
        // clang-format on
        QTest::newRow("first value too long, second key used")
            << QString(1100, QLatin1Char('x')) << "loc" << true << false << "loc/MSINFO32.EXE" << false;
    }

    void startSysInfoFindsTheProgram()
    {
        QFETCH(QString, first);
        QFETCH(QString, location);
        QFETCH(bool, withMsInfo32);
        QFETCH(bool, readOnlyKeys);
        QFETCH(QString, started);
        QFETCH(bool, unavailable);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QDir().mkpath(fx.path(QStringLiteral("loc")));
        touch(fx.path(QStringLiteral("bin/info")));
        if (withMsInfo32)
            touch(fx.path(QStringLiteral("loc/MSINFO32.EXE")));
        const auto full = [&fx](const QString& relative) {
            return relative.isEmpty() || relative.size() > 1000 ? relative : fx.path(relative);
        };
        if (first != QLatin1String("-"))
            fx.registry.setString(RegistryRoot::LocalMachine, frmAbout::SysInfoKey, QStringLiteral("PATH"),
                                  full(first));
        if (location != QLatin1String("-"))
            fx.registry.setString(RegistryRoot::LocalMachine, frmAbout::SysInfoLocationKey, QStringLiteral("MSINFO"),
                                  full(location));
        if (readOnlyKeys) {
            fx.registry.setGrantedAccess(RegistryRoot::LocalMachine, frmAbout::SysInfoKey,
                                         platform::RegistryAccess::Read);
            fx.registry.setGrantedAccess(RegistryRoot::LocalMachine, frmAbout::SysInfoLocationKey,
                                         platform::RegistryAccess::Read);
        }
        if (unavailable)
            fx.dialogs.answerMessage(platform::MsgBox::OK);

        frmAbout about(main->services(), main);
        about.StartSysInfo();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);

        const QStringList expected =
            started == QLatin1String("-") ? QStringList() : QStringList{QDir::toNativeSeparators(full(started))};
        QCOMPARE(fx.desktop.startedPrograms, expected);
        if (unavailable) {
            QCOMPARE(fx.dialogs.lastPrompt().text, kUnavailable);
            QCOMPARE(fx.dialogs.lastPrompt().style, int(platform::MsgBox::OKOnly));
            QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Tarnwick"));
        } else {
            QVERIFY(fx.dialogs.prompts().isEmpty());
        }
        QCOMPARE(fx.registry.openHandles(), 0);
    }

    void getKeyValue_data()
    {
        QTest::addColumn<int>("type"); // -1: value absent, -2: key absent, -3: key refuses full access
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("value");
        const QString before = QStringLiteral("before");
        QTest::newRow("string") << 1 << QByteArray("C:\\Tools\\info.exe\0", 18) << true
                                << QStringLiteral("C:\\Tools\\info.exe");
        QTest::newRow("string with text after its zero")
            << 1 << QByteArray("abc\0def\0", 8) << true << QStringLiteral("abc");
        QTest::newRow("string of 1023 characters fits")
            << 1 << QByteArray(1023, 'a') + QByteArray(1, '\0') << true << QString(1023, QLatin1Char('a'));
        QTest::newRow("string of 1024 characters does not fit")
            << 1 << QByteArray(1024, 'a') + QByteArray(1, '\0') << false << QString();
        QTest::newRow("non-ASCII string")
            << 1 << QStringLiteral("Café").toLocal8Bit() + QByteArray(1, '\0') << true << QStringLiteral("Café");
        QTest::newRow("number") << 4 << QByteArray("\x34\x12\0\0", 4) << true << QStringLiteral("&h1234");
        QTest::newRow("number with a zero byte inside")
            << 4 << QByteArray("\x34\0\x12\0", 4) << true << QStringLiteral("&h120034");
        QTest::newRow("binary keeps what was passed") << 3 << QByteArray("\1\2\3", 3) << true << before;
        QTest::newRow("value absent") << -1 << QByteArray() << false << QString();
        QTest::newRow("key absent") << -2 << QByteArray() << false << QString();
        QTest::newRow("key refuses full access") << -3 << QByteArray("x\0", 2) << false << QString();
    }

    void getKeyValue()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, read);
        QFETCH(QString, value);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString key = QStringLiteral("SOFTWARE\\Tarnwick\\Test");
        if (type >= 0 || type == -3)
            fx.registry.setValue(RegistryRoot::LocalMachine, key, QStringLiteral("Value"), type >= 0 ? type : 1, data);
        if (type == -1)
            fx.registry.setValue(RegistryRoot::LocalMachine, key, QStringLiteral("Other"), 1, "x");
        if (type == -3)
            fx.registry.setGrantedAccess(RegistryRoot::LocalMachine, key, platform::RegistryAccess::Read);

        frmAbout about(main->services(), main);
        QString keyValue = QStringLiteral("before");
        QCOMPARE(about.GetKeyValue(RegistryRoot::LocalMachine, key, QStringLiteral("Value"), keyValue), read);
        QCOMPARE(keyValue, value);
        QCOMPARE(fx.registry.openHandles(), 0);
        // The value lives under the local-machine root only.
        keyValue = QStringLiteral("before");
        QVERIFY(!about.GetKeyValue(RegistryRoot::CurrentUser, key, QStringLiteral("Value"), keyValue));
        QCOMPARE(keyValue, QString());
    }
};

QTEST_MAIN(tst_HelpAbout)
#include "tst_helpabout.moc"
