// The command line: help and version, files opened in the word-processor mode, addresses downloaded.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "shell/CommandLine.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/LoopbackHttpServer.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarnwick;
using shell::CommandLine;
using test::ShellFixture;

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList captions(shell::frmMain* main)
{
    QStringList list;
    for (QMdiSubWindow* frame : main->mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (frame->isVisible())
            list << frame->widget()->windowTitle();
    }
    return list;
}

const QByteArray kBoldRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 {\\b Bold} start\\par}";
const QByteArray kAllBoldRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24\\b Bold start\\par}";

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_start;
    test::LoopbackHttpServer m_server;

private slots:
    void initTestCase()
    {
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
        QVERIFY(writeFile(m_start.filePath(QStringLiteral("notes.rtf")), kBoldRtf));
        // A file whose name looks like an address stays a file.
        QVERIFY(writeFile(m_start.filePath(QStringLiteral("http:odd.txt")), "odd"));
        m_server.addStandardRoutes();
        QVERIFY(m_server.listen());
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("textStart");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("urls");

        const QString dir = m_start.path();
        const int run = int(CommandLine::Action::Run);
        QTest::newRow("nothing") << QStringList{} << run << QString() << QStringList{} << QStringList{};
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << int(CommandLine::Action::Help)
                                << QStringLiteral("Usage: tarnwick [options] [FILE|URL...]") << QStringList{}
                                << QStringList{};
        QTest::newRow("-h beats a bad option")
            << QStringList{QStringLiteral("--bogus"), QStringLiteral("-h")} << int(CommandLine::Action::Help)
            << QStringLiteral("Usage: tarnwick") << QStringList{} << QStringList{};
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << int(CommandLine::Action::Version)
                                   << QStringLiteral("Tarnwick 1.0\n") << QStringList{} << QStringList{};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << int(CommandLine::Action::Error)
                                        << QStringLiteral("Unknown option 'bogus'.") << QStringList{} << QStringList{};
        QTest::newRow("relative and absolute files")
            << QStringList{QStringLiteral("notes.rtf"), QStringLiteral("sub/../other.txt"),
                           QStringLiteral("/tmp/x.html")}
            << run << QString()
            << QStringList{dir + QStringLiteral("/notes.rtf"), dir + QStringLiteral("/other.txt"),
                           QStringLiteral("/tmp/x.html")}
            << QStringList{};
        QTest::newRow("addresses of every scheme")
            << QStringList{QStringLiteral("http://127.0.0.1:8/a"), QStringLiteral("https://example.invalid/b"),
                           QStringLiteral("ftp://127.0.0.1/c"), QStringLiteral("file:///tmp/d")}
            << run << QString() << QStringList{}
            << QStringList{QStringLiteral("http://127.0.0.1:8/a"), QStringLiteral("https://example.invalid/b"),
                           QStringLiteral("ftp://127.0.0.1/c"), QStringLiteral("file:///tmp/d")};
        QTest::newRow("existing file named like an address, drive letter, options end")
            << QStringList{QStringLiteral("http:odd.txt"), QStringLiteral("c:notes.rtf"), QStringLiteral("--"),
                           QStringLiteral("--looks-like-an-option")}
            << run << QString()
            << QStringList{dir + QStringLiteral("/http:odd.txt"), dir + QStringLiteral("/c:notes.rtf"),
                           dir + QStringLiteral("/--looks-like-an-option")}
            << QStringList{};
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, textStart);
        QFETCH(QStringList, files);
        QFETCH(QStringList, urls);

        arguments.prepend(QStringLiteral("/usr/bin/tarnwick"));
        const CommandLine result = CommandLine::parse(arguments, m_start.path());
        QCOMPARE(int(result.action), action);
        QVERIFY2(result.text.startsWith(textStart), qPrintable(result.text));
        QCOMPARE(result.files, files);
        QCOMPARE(result.urls, urls);
    }

    void helpDescribesFilesAndAddresses()
    {
        const CommandLine result = CommandLine::parse({QStringLiteral("tarnwick"), QStringLiteral("--help")}, {});
        for (const char* expected : {"--help", "--version", "word-processor mode", "FILE|URL"})
            QVERIFY2(result.text.contains(QLatin1String(expected)), expected);
    }

    void filesOpenInTheWordProcessorMode_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expectedCaptions");
        QTest::addColumn<QStringList>("reported");

        QTest::newRow("one file into Document1")
            << QStringList{QStringLiteral("a.rtf")} << QStringList{QStringLiteral("a.rtf")} << QStringList{};
        QTest::newRow("three files, three windows")
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("b.txt"), QStringLiteral("c.html")}
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("b.txt"), QStringLiteral("c.html")} << QStringList{};
        QTest::newRow("missing first: Document1 takes the next")
            << QStringList{QStringLiteral("missing.rtf"), QStringLiteral("b.txt")}
            << QStringList{QStringLiteral("b.txt")} << QStringList{QStringLiteral("missing.rtf")};
        QTest::newRow("folder between good files")
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("folder"), QStringLiteral("c.html")}
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("c.html")} << QStringList{QStringLiteral("folder")};
        QTest::newRow("unreadable between good files")
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("locked.rtf"), QStringLiteral("c.html")}
            << QStringList{QStringLiteral("a.rtf"), QStringLiteral("c.html")}
            << QStringList{QStringLiteral("locked.rtf")};
        QTest::newRow("nothing readable leaves Document1")
            << QStringList{QStringLiteral("missing.rtf")} << QStringList{QStringLiteral("Document1")}
            << QStringList{QStringLiteral("missing.rtf")};
    }

    void filesOpenInTheWordProcessorMode()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expectedCaptions);
        QFETCH(QStringList, reported);

        ShellFixture fx;
        QVERIFY(writeFile(fx.path(QStringLiteral("a.rtf")), kBoldRtf));
        QVERIFY(writeFile(fx.path(QStringLiteral("b.txt")), "plain words"));
        QVERIFY(writeFile(fx.path(QStringLiteral("c.html")), "<p>some <i>html</i></p>"));
        QVERIFY(writeFile(fx.path(QStringLiteral("locked.rtf")), kBoldRtf));
        QVERIFY(QDir(fx.path(QString())).mkdir(QStringLiteral("folder")));
        QFile::setPermissions(fx.path(QStringLiteral("locked.rtf")), QFileDevice::WriteOwner);
        const bool lockHolds = !QFile(fx.path(QStringLiteral("locked.rtf"))).open(QIODevice::ReadOnly);
        if (!lockHolds && reported.contains(QStringLiteral("locked.rtf")))
            QSKIP("Running with the power to read any file (root): an unreadable file cannot be made");

        CommandLine commandLine;
        for (const QString& name : names)
            commandLine.files << fx.path(name);
        for (int i = 0; i < reported.size(); ++i)
            fx.dialogs.answerMessage(platform::MsgBox::OK);

        shell::frmMain* main = fx.createMain();
        shell::Module1::OpenCommandLine(main, commandLine);

        QStringList expected;
        for (const QString& caption : expectedCaptions)
            expected << (caption.startsWith(QLatin1String("Document")) ? caption : fx.path(caption));
        QCOMPARE(captions(main), expected);
        QCOMPARE(fx.dialogs.prompts().size(), reported.size());
        for (int i = 0; i < reported.size(); ++i) {
            const QString text = fx.dialogs.prompts().at(i).text;
            QVERIFY2(
                text.startsWith(QStringLiteral("Could not open ") + fx.path(reported.at(i)) + QStringLiteral(":\r\n")),
                qPrintable(text));
            QVERIFY2(text.size() > (QStringLiteral("Could not open :\r\n") + fx.path(reported.at(i))).size(),
                     "the reason is given");
        }
        QCOMPARE(fx.dialogs.verify(), QString());

        // The mode is the one Download Options sets for the word processor.
        QCOMPARE(main->intOLEModertfText, 2);
        QVERIFY(!main->tbToolBar->button(21)->isEnabled());
        QVERIFY(main->tbToolBar->button(2)->isEnabled());
        QVERIFY(main->findChild<QAction*>(QStringLiteral("mnuFileOpen"))->isEnabled());
        QCOMPARE(main->sbStatusBar->panelText(1), QStringLiteral("Disable Download and use as Word Processor "));
        for (QMdiSubWindow* frame : main->mdiArea->subWindowList()) {
            auto* document = qobject_cast<document::frmDocument*>(frame->widget());
            QVERIFY(document);
            QCOMPARE(document->rtfText->OLEDropMode(), 2);
            QVERIFY(!document->SaveNeeded());
            QCOMPARE(document->NewFile(), document->Caption().startsWith(QLatin1String("Document")));
        }
    }

    void retrievedDocumentShowsFormattingAndTracksEdits()
    {
        ShellFixture fx;
        QVERIFY(writeFile(fx.path(QStringLiteral("a.rtf")), kAllBoldRtf));
        CommandLine commandLine;
        commandLine.files << fx.path(QStringLiteral("a.rtf"));
        shell::frmMain* main = fx.createMain();
        shell::Module1::OpenCommandLine(main, commandLine);

        document::frmDocument* document = main->activeDocument();
        QVERIFY(document);
        QCOMPARE(document->rtfText->Text(), QStringLiteral("Bold start"));
        QCOMPARE(main->tbToolBar->value(QStringLiteral("Bold")), 1);
        QVERIFY(!document->SaveNeeded());
        document->rtfText->setSelText(QStringLiteral("more "));
        QVERIFY(document->SaveNeeded());
    }

    void addressesDownloadAsADropWould()
    {
        ShellFixture fx;
        CommandLine commandLine;
        commandLine.urls << m_server.url(QStringLiteral("/files/report.pdf")).toString();
        shell::frmMain* main = fx.createMain();
        document::frmDocument* first = main->activeDocument();
        QSignalSpy handled(first->ctlAsync1, &download::ctlAsync::completionHandled);
        shell::Module1::OpenCommandLine(main, commandLine);

        // The dropped window downloads and a fresh one takes its place; the mode stays automatic.
        QCOMPARE(main->OpenDocCount(), 2);
        QCOMPARE(first->rtfText->Text(), commandLine.urls.constFirst());
        QCOMPARE(main->intOLEModertfText, 1);
        QVERIFY(handled.wait(15000));
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/report.pdf")));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document2"));
    }

    void addressesThenFiles()
    {
        ShellFixture fx;
        QVERIFY(writeFile(fx.path(QStringLiteral("b.txt")), "plain words"));
        CommandLine commandLine;
        commandLine.urls << m_server.url(QStringLiteral("/files/report.pdf")).toString();
        commandLine.files << fx.path(QStringLiteral("b.txt"));
        shell::frmMain* main = fx.createMain();
        QSignalSpy handled(main->activeDocument()->ctlAsync1, &download::ctlAsync::completionHandled);
        shell::Module1::OpenCommandLine(main, commandLine);

        // The file goes into the empty window the drop opened, not a third one.
        QCOMPARE(main->OpenDocCount(), 2);
        QCOMPARE(main->activeDocument()->Caption(), fx.path(QStringLiteral("b.txt")));
        QCOMPARE(main->intOLEModertfText, 2);
        QVERIFY(handled.wait(15000));
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/report.pdf")));
    }
};

QTEST_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
