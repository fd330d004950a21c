// The libraries the program loads on first use: the real program starts without them, the first
// use maps them, and a module that is not there is reported rather than crashing.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "help/HelpViewerLoader.h"
#include "platform/MessageBox.h"
#include "platform/Modules.h"
#include "platform/UrlReader.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace tarnwick;

Q_DECLARE_METATYPE(std::function<bool()>)

namespace {

constexpr int kWait = 15000;

bool isMapped(const QByteArray& fileName)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains('/' + fileName);
}

// Reads a small inline address to its end; true when the reader says it succeeded.
bool readInlineAddress()
{
    platform::UrlReader reader;
    QTemporaryDir root;
    reader.setDownloadRoot(root.path());
    QSignalSpy completed(&reader, &platform::UrlReader::completed);
    reader.start(QStringLiteral("data:,first%20use"));
    return completed.wait(kWait) && completed.constFirst().constFirst().toBool();
}

// Opens the built help file's contents through the program's help engine; true when it opened.
bool openHelpContents()
{
    help::HelpViewerLoader help;
    QString error;
    return help.showHelp(nullptr, QStringLiteral(TARNWICK_BUILT_HELP_FILE), platform::HelpEngine::Contents, QString(),
                         &error);
}

// What the user is told when a read starts without its module: the message box's text.
QString downloadWithoutModule(const QString& address)
{
    test::ShellFixture fx;
    shell::frmMain* main = fx.createMain();
    document::frmDocument* window = main->activeDocument();
    fx.dialogs.answerMessage(platform::MsgBox::OK);
    QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
    window->ctlAsync1->setURL(address);
    if (!handled.wait(kWait) || handled.constFirst().constFirst().toBool())
        return QStringLiteral("(the read did not fail)");
    if (!window->ctlAsync1->reader()->componentMissing())
        return QStringLiteral("(the reader does not say its module is missing)");
    const auto prompt = fx.dialogs.lastPrompt();
    if (prompt.kind != test::ScriptedDialogService::Kind::Message || prompt.title != QLatin1String("Tarnwick") ||
        prompt.style != (platform::MsgBox::OKOnly | platform::MsgBox::Critical) || !fx.dialogs.verify().isEmpty())
        return QStringLiteral("(no critical message box titled Tarnwick) ") + fx.dialogs.verify();
    // The window stays in front, as after any failed read.
    if (main->activeDocument() != window)
        return QStringLiteral("(the window was closed)");
    return prompt.text;
}

// What frmMain's help commands would show: the error of the failed call.
QString helpWithoutModule()
{
    help::HelpViewerLoader help;
    QString error;
    if (help.showHelp(nullptr, QStringLiteral(TARNWICK_BUILT_HELP_FILE), platform::HelpEngine::Contents, QString(),
                      &error))
        return QStringLiteral("(the help opened)");
    return error;
}

} // namespace

Q_DECLARE_METATYPE(std::function<QString()>)

class tst_Modules : public QObject
{
    Q_OBJECT

    // What the real program has mapped once its first window is painted: one "library NAME"
    // line per shared library.
    QStringList m_startLibraries;
    QString m_startProblem;

private slots:
    void initTestCase()
    {
        QTemporaryDir home;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("TARNWICK_STARTUP_TRACE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("TARNWICK_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(home.path());
        program.start(QStringLiteral(TARNWICK_BINARY), {});
        if (!program.waitForFinished(60000)) {
            m_startProblem = QStringLiteral("the program did not finish: ") + program.errorString();
            program.kill();
            return;
        }
        const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
        if (!output.contains(QLatin1String("shown Document1")))
            m_startProblem = QStringLiteral("the program did not show Document1: ") + output;
        for (const QString& line : output.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("library ")))
                m_startLibraries << line.mid(8).trimmed();
        }
    }

    void atStart_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<bool>("mapped");
        // The widgets are there at start: a listing that shows nothing proves nothing.
        QTest::newRow("widgets") << QStringLiteral("libQt6Widgets.so") << true;
        QTest::newRow("web engine") << QStringLiteral("libQt6WebEngineCore.so") << false;
        QTest::newRow("network module") << QStringLiteral("libtarnwick_network.so") << false;
        QTest::newRow("Qt Network") << QStringLiteral("libQt6Network.so") << false;
        QTest::newRow("libproxy") << QStringLiteral("libproxy.so") << false;
        QTest::newRow("Kerberos") << QStringLiteral("libgssapi_krb5.so") << false;
        QTest::newRow("help viewer module") << QStringLiteral("libtarnwick_helpviewer.so") << false;
        QTest::newRow("Qt Help") << QStringLiteral("libQt6Help.so") << false;
        QTest::newRow("Qt SQL") << QStringLiteral("libQt6Sql.so") << false;
    }

    void atStart()
    {
        QFETCH(QString, library);
        QFETCH(bool, mapped);
        QVERIFY2(m_startProblem.isEmpty(), qPrintable(m_startProblem));
        const bool found = std::any_of(m_startLibraries.cbegin(), m_startLibraries.cend(),
                                       [&library](const QString& name) { return name.startsWith(library); });
        QVERIFY2(found == mapped, qPrintable(library + (found ? QStringLiteral(" is mapped at start")
                                                              : QStringLiteral(" is not mapped at start"))));
    }

    // Runs before anything else in this process uses a module.
    void onFirstUse_data()
    {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<std::function<bool()>>("use");
        QTest::newRow("network") << QByteArrayLiteral("libtarnwick_network.so")
                                 << std::function<bool()>(readInlineAddress);
        QTest::newRow("help viewer") << QByteArrayLiteral("libtarnwick_helpviewer.so")
                                     << std::function<bool()>(openHelpContents);
    }

    void onFirstUse()
    {
        QFETCH(QByteArray, module);
        QFETCH(std::function<bool()>, use);
        QVERIFY2(!isMapped(module), "mapped before its first use");
        QVERIFY(use());
        QVERIFY2(isMapped(module), "not mapped after its first use");
    }

    void missingModule_data()
    {
        QTest::addColumn<std::function<QString()>>("use");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("module");
        const QString network = QStringLiteral("The network component of the program could not be loaded: ");
        QTest::newRow("network, inline address")
            << std::function<QString()>([] { return downloadWithoutModule(QStringLiteral("data:,anything")); })
            << network << QStringLiteral("libtarnwick_network.so");
        QTest::newRow("network, web address") << std::function<QString()>([] {
            return downloadWithoutModule(QStringLiteral("http://127.0.0.1:9/f.txt"));
        }) << network << QStringLiteral("libtarnwick_network.so");
        QTest::newRow("help viewer") << std::function<QString()>(helpWithoutModule)
                                     << QStringLiteral("The help viewer of the program could not be loaded: ")
                                     << QStringLiteral("libtarnwick_helpviewer.so");
    }

    void missingModule()
    {
        QFETCH(std::function<QString()>, use);
        QFETCH(QString, expected);
        QFETCH(QString, module);
        QTemporaryDir empty;
        platform::setModuleDirectory(empty.path());
        const auto restore = qScopeGuard([] { platform::setModuleDirectory(QStringLiteral(TARNWICK_MODULE_DIR)); });
        const QString told = use();
        QVERIFY2(told.startsWith(expected), qPrintable(told));
        // Names the file that was looked for, so that a broken installation can be mended.
        QVERIFY2(told.contains(QDir(empty.path()).filePath(module)), qPrintable(told));
    }
};

QTEST_MAIN(tst_Modules)
#include "tst_modules.moc"
