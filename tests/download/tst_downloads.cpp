// Downloads end to end against a loopback server: the log lines, the names files get in both
// naming modes, what happens to the windows and temporary files, and the failures.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "platform/RichTextBox.h"
#include "platform/UrlReader.h"
#include "shell/Globals.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/LoopbackHttpServer.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMdiArea>
#include <QMimeData>
#include <QRegularExpression>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using test::HttpResponse;
using test::LoopbackHttpServer;
using test::ShellFixture;

namespace {

constexpr int kWait = 15000;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList logLines(shell::frmMain* main)
{
    QStringList lines = QString::fromLocal8Bit(readAll(main->strLogFileFullPath)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines.mid(2); // past the header
}

// Every file left under the download cache: a finished download leaves none.
QStringList cacheFiles(const ShellFixture& fx)
{
    QStringList files;
    QDirIterator it(fx.downloadRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Starts a download the way a drop does and waits until its completion has been handled.
bool fetch(frmDocument* window, const QString& url, bool* saved = nullptr)
{
    QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
    window->ctlAsync1->setURL(url);
    if (!handled.wait(kWait) && handled.isEmpty())
        return false;
    if (saved)
        *saved = handled.constFirst().constFirst().toBool();
    return true;
}

// The progress lines of one successful read, in order, with "Received more data..." once or more.
bool progressLooksRight(const QStringList& lines, const QString& url)
{
    const QString prefix = url + QStringLiteral(" : ");
    QStringList texts;
    for (const QString& line : lines) {
        if (line.startsWith(prefix) && !line.contains(QStringLiteral(" : File ")))
            texts << line.mid(prefix.size());
    }
    texts.removeDuplicates();
    return texts == QStringList({QStringLiteral("Searching for the URL..."), QStringLiteral("Connecting to the URL..."),
                                 QStringLiteral("Requesting the Server for data..."),
                                 QStringLiteral("Started receiving downloaded data..."),
                                 QStringLiteral("Received more data..."),
                                 QStringLiteral("Finished receiving the data...")});
}

QStringList savedEntry(const QString& url, const QString& path)
{
    return {QString(), url + QStringLiteral(" : File ") + path + QStringLiteral(" has been saved after download."),
            QString()};
}

} // namespace

class tst_Downloads : public QObject
{
    Q_OBJECT
private:
    LoopbackHttpServer m_server;

private slots:
    void initTestCase()
    {
        qunsetenv("http_proxy");
        qunsetenv("https_proxy");
        qunsetenv("HTTP_PROXY");
        qunsetenv("HTTPS_PROXY");
        QLocale::setDefault(QLocale(QLocale::English));
        m_server.addStandardRoutes();
        QVERIFY(m_server.listen());
    }

    void automaticNamingSavesUnderTheUrlsName()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        const QString url = m_server.url(QStringLiteral("/files/report.pdf")).toString();
        bool saved = false;
        QVERIFY(fetch(window, url, &saved));
        QVERIFY(saved);
        const QString target = fx.documentsDir() + QStringLiteral("/report.pdf");
        QCOMPARE(readAll(target), QByteArray("%PDF-1.4\n") + LoopbackHttpServer::pattern(0, 2048));
        const QStringList lines = logLines(main);
        QVERIFY2(progressLooksRight(lines, url), qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(lines.mid(lines.size() - 3), savedEntry(url, target));
        QCOMPARE(window->ctlAsync1->savedFilePath(), target);
        QVERIFY(!window->Visible());
        QCOMPARE(main->OpenDocCount(), 1);
        QVERIFY(cacheFiles(fx).isEmpty());
        // The download directory stays current for the next name test.
        QCOMPARE(QDir::currentPath(), fx.documentsDir());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void sameUrlTwiceNeverReplacesTheFirst()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString url = m_server.url(QStringLiteral("/files/report.pdf")).toString();
        frmDocument* first = main->activeDocument();
        QVERIFY(fetch(first, url));
        QFile::resize(fx.documentsDir() + QStringLiteral("/report.pdf"), 3); // the user's copy since
        frmDocument* second = main->LoadNewDoc();
        QVERIFY(fetch(second, url));
        QCOMPARE(readAll(fx.documentsDir() + QStringLiteral("/report.pdf")).size(), 3);
        const QString other = fx.documentsDir() + QStringLiteral("/report (2).pdf");
        QCOMPARE(readAll(other).size(), 2048 + 9);
        QCOMPARE(logLines(main).mid(logLines(main).size() - 3), savedEntry(url, other));
        // The first window, hidden by its download, went at the second completion.
        QVERIFY(!shell::OpenDocuments.windows().contains(first));
        QVERIFY(!second->Visible());
    }

    void urlsWithoutAFileNameUseTheTemporaryName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("ends in slash") << QStringLiteral("/files/") << QStringLiteral("files.html");
        QTest::newRow("no dot") << QStringLiteral("/files/readme") << QStringLiteral("readme.txt");
        QTest::newRow("disposition") << QStringLiteral("/attachment") << QString::fromUtf8("résumé.txt");
    }

    void urlsWithoutAFileNameUseTheTemporaryName()
    {
        QFETCH(QString, path);
        QFETCH(QString, expectedName);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString url = m_server.url(path).toString();
        QVERIFY(fetch(main->activeDocument(), url));
        const QString target = fx.documentsDir() + QLatin1Char('/') + expectedName;
        QVERIFY2(QFile::exists(target), qPrintable(QDir(fx.documentsDir()).entryList().join(QLatin1Char(' '))));
        QCOMPARE(logLines(main).mid(logLines(main).size() - 3), savedEntry(url, target));
    }

    void rootDirectoryJoinsWithoutADoubledSeparator()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->newDir = fx.documentsDir() + QStringLiteral("/");
        const QString url = m_server.url(QStringLiteral("/files/readme")).toString();
        QVERIFY(fetch(main->activeDocument(), url));
        const QString entry = logLines(main).at(logLines(main).size() - 2);
        QVERIFY2(entry.endsWith(fx.documentsDir() + QStringLiteral("/readme.txt has been saved after download.")),
                 qPrintable(entry));
        QVERIFY(!entry.contains(QStringLiteral("//readme")));
    }

    void failedReadSavesNothingAndKeepsTheWindow_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("404") << QStringLiteral("/status/404");
        QTest::newRow("500") << QStringLiteral("/status/500");
        QTest::newRow("reset") << QStringLiteral("/reset");
        QTest::newRow("short") << QStringLiteral("/short");
    }

    void failedReadSavesNothingAndKeepsTheWindow()
    {
        QFETCH(QString, path);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        // The window of an earlier finished download: the failed completion still reaps it.
        main->LoadNewDoc()->Hide();
        QCOMPARE(main->OpenDocCount(), 2);
        const QString url = m_server.url(path).toString();
        bool saved = true;
        QVERIFY(fetch(window, url, &saved));
        QVERIFY(!saved);
        QVERIFY(window->Visible());
        QCOMPARE(main->OpenDocCount(), 1);
        const QStringList lines = logLines(main);
        QVERIFY(lines.contains(url + QStringLiteral(" : Error occured in downloading the file")));
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("has been saved")));
        QCOMPARE(QDir(fx.documentsDir()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(cacheFiles(fx).isEmpty());
    }

    // A link dropped with its line end or surrounding blanks: the file is named without them and
    // every log entry stays on its own line, control characters written as %XX.
    void droppedLinkWithLineEndOrBlanks_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("name");
        QTest::newRow("line end") << QStringLiteral("\n") << QStringLiteral("%0A") << QStringLiteral("nl.bin");
        QTest::newRow("CR LF") << QStringLiteral("\r\n") << QStringLiteral("%0D%0A") << QStringLiteral("crlf.bin");
        QTest::newRow("blanks") << QStringLiteral("  ") << QStringLiteral("  ") << QStringLiteral("blank.bin");
    }

    void droppedLinkWithLineEndOrBlanks()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, logged);
        QFETCH(QString, name);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        m_server.serve(QStringLiteral("/files/") + name, HttpResponse::content(LoopbackHttpServer::pattern(0, 700),
                                                                              "application/octet-stream"));
        const QString base = m_server.url(QStringLiteral("/files/") + name).toString();
        bool saved = false;
        QVERIFY(fetch(main->activeDocument(), base + suffix, &saved));
        QVERIFY2(saved, qPrintable(logLines(main).join(QLatin1Char('|'))));
        const QString target = fx.documentsDir() + QLatin1Char('/') + name;
        QVERIFY(QFile::exists(target));
        QCOMPARE(QDir(fx.documentsDir()).entryList(QDir::Files | QDir::Hidden), QStringList({name}));
        const QStringList lines = logLines(main);
        QVERIFY2(progressLooksRight(lines, base + logged), qPrintable(lines.join(QLatin1Char('|'))));
        QCOMPARE(lines.mid(lines.size() - 3), savedEntry(base + logged, target));
        for (const QString& line : lines)
            QVERIFY2(line.isEmpty() || line.startsWith(base), qPrintable(line));
    }

    void unsavableFileIsReportedInTheLog()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->newDir = fx.path(QStringLiteral("vanished"));
        const QString url = m_server.url(QStringLiteral("/files/report.pdf")).toString();
        bool saved = true;
        QVERIFY(fetch(main->activeDocument(), url, &saved));
        QVERIFY(!saved);
        const QString entry = logLines(main).at(logLines(main).size() - 2);
        QVERIFY2(entry.startsWith(url + QStringLiteral(" : File ") + fx.path(QStringLiteral("vanished/report.pdf")) +
                                  QStringLiteral(" could not be saved after download: ")),
                 qPrintable(entry));
        QVERIFY(cacheFiles(fx).isEmpty());
    }

    void localAndDataAddresses()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const QString source = fx.path(QStringLiteral("notes.txt"));
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("local bytes");
        }
        const QString fileUrl = QUrl::fromLocalFile(source).toString();
        QVERIFY(fetch(main->activeDocument(), fileUrl));
        QCOMPARE(readAll(fx.documentsDir() + QStringLiteral("/notes.txt")), QByteArray("local bytes"));
        QVERIFY(QFile::exists(source));
        QVERIFY(fetch(main->LoadNewDoc(), QStringLiteral("data:text/plain,hello")));
        QCOMPARE(logLines(main).filter(QStringLiteral("has been saved")).size(), 2);
    }

    void promptedNamingAsksOnlyWhenNeeded()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->fileSaveMode.blFileSaveNotOption = true;
        main->fileSaveMode.blFileSaveNotOption1 = true;

        // A name with a dot that is free: no dialog at all.
        QVERIFY(fetch(main->activeDocument(), m_server.url(QStringLiteral("/files/report.pdf")).toString()));
        QVERIFY(fx.dialogs.prompts().isEmpty());
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/report.pdf")));

        // No name: the dialog proposes "untitled" in the download directory; the pick is used as is.
        const QString picked = fx.path(QStringLiteral("elsewhere.html"));
        fx.dialogs.answerSave(picked);
        frmDocument* second = main->LoadNewDoc();
        QVERIFY(fetch(second, m_server.url(QStringLiteral("/files/")).toString()));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Save the downloaded file as"));
        QCOMPARE(prompt.fileName, QStringLiteral("untitled"));
        QCOMPARE(prompt.initialDirectory, fx.documentsDir());
        QCOMPARE(prompt.filter, QStringLiteral("HTML File|*.htm|Text File|*.txt|All Files|*.*"));
        QVERIFY(QFile::exists(picked));
        QVERIFY(second->ctlAsync1->nameChosenInDialog());

        // Cancel: saved as "untitled" in the download directory.
        fx.dialogs.reset();
        fx.dialogs.cancelSave();
        frmDocument* third = main->LoadNewDoc();
        QVERIFY(fetch(third, m_server.url(QStringLiteral("/files/readme")).toString()));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(!third->ctlAsync1->nameChosenInDialog());
        QCOMPARE(readAll(fx.documentsDir() + QStringLiteral("/untitled")), QByteArray("Read me first.\n"));
    }

    void promptedNamingAsksAgainForATakenName()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->fileSaveMode.blFileSaveNotOption = true;
        const QString url = m_server.url(QStringLiteral("/files/report.pdf")).toString();
        QVERIFY(fetch(main->activeDocument(), url));

        // Taken: the second dialog asks, and the user's choice (confirmed there) is used.
        const QString replacement = fx.documentsDir() + QStringLiteral("/chosen.pdf");
        fx.dialogs.answerSave(replacement);
        QVERIFY(fetch(main->LoadNewDoc(), url));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        auto prompt = fx.dialogs.lastPrompt();
        QCOMPARE(prompt.title, QStringLiteral("Save downloaded file as..."));
        QCOMPARE(prompt.fileName, QStringLiteral("untitled"));
        QCOMPARE(prompt.flags, 2);
        QVERIFY(QFile::exists(replacement));
        QCOMPARE(logLines(main).mid(logLines(main).size() - 3), savedEntry(url, replacement));

        // Cancel there: nothing is replaced, the download keeps a free name.
        fx.dialogs.cancelSave();
        QVERIFY(fetch(main->LoadNewDoc(), url));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/report (2).pdf")));

        // The title and flags stay on the shared dialog for the next prompt of the run.
        fx.dialogs.cancelSave();
        QVERIFY(fetch(main->LoadNewDoc(), m_server.url(QStringLiteral("/files/readme")).toString()));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Save downloaded file as..."));
        QCOMPARE(fx.dialogs.lastPrompt().flags, 2);
    }

    void promptsTakeTurns()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->fileSaveMode.blFileSaveNotOption = true;
        frmDocument* slow = main->activeDocument();
        frmDocument* fast = main->LoadNewDoc();
        QSignalSpy slowDone(slow->ctlAsync1, &download::ctlAsync::completionHandled);
        QSignalSpy fastDone(fast->ctlAsync1, &download::ctlAsync::completionHandled);
        // While the first prompt is up, the other download finishes and must wait for its turn.
        fx.dialogs.duringPrompt = [&](const auto&) {
            if (fx.dialogs.prompts().size() == 1)
                QTRY_VERIFY_WITH_TIMEOUT(!fast->ctlAsync1->reader()->isRunning(), kWait);
        };
        fx.dialogs.cancelSave();
        fx.dialogs.cancelSave();
        fx.dialogs.cancelSave(); // "untitled" is taken by then: the second dialog asks
        slow->ctlAsync1->setURL(m_server.url(QStringLiteral("/files/readme")).toString());
        fast->ctlAsync1->setURL(m_server.url(QStringLiteral("/slow?chunks=3&bytes=10&interval=100")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(slowDone.size() + fastDone.size(), 2, kWait);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.deepestNesting(), 1);
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/untitled")));
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/untitled (2)")));
        QVERIFY(cacheFiles(fx).isEmpty());
    }

    void concurrentDownloadsKeepLogLinesWhole()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QList<QSignalSpy*> spies;
        QStringList urls;
        for (int i = 0; i < 3; ++i) {
            frmDocument* window = i == 0 ? main->activeDocument() : main->LoadNewDoc();
            spies << new QSignalSpy(window->ctlAsync1, &download::ctlAsync::completionHandled);
            urls << m_server.url(QStringLiteral("/slow?chunks=5&bytes=100&interval=40&n=%1.bin").arg(i)).toString();
            window->ctlAsync1->setURL(urls.constLast());
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(spies.begin(), spies.end(), [](QSignalSpy* s) { return !s->isEmpty(); }),
                                 kWait);
        qDeleteAll(spies);
        const QStringList lines = logLines(main);
        for (const QString& line : lines) {
            if (line.isEmpty())
                continue;
            const bool known = std::any_of(urls.begin(), urls.end(), [&line](const QString& url) {
                return line.startsWith(url + QStringLiteral(" : "));
            });
            QVERIFY2(known, qPrintable(line));
        }
        for (const QString& url : urls)
            QVERIFY(progressLooksRight(lines, url));
        QCOMPARE(lines.filter(QStringLiteral("has been saved after download.")).size(), 3);
    }

    void closingAWindowDropsItsDownload()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
        window->ctlAsync1->setURL(m_server.url(QStringLiteral("/slow?chunks=50&bytes=100&interval=50")).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!cacheFiles(fx).isEmpty(), kWait);
        QPointer<frmDocument> guard(window);
        main->findChild<QAction*>(QStringLiteral("mnuFileClose"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kWait);
        QTest::qWait(300);
        QVERIFY(cacheFiles(fx).isEmpty());
        QCOMPARE(QDir(fx.documentsDir()).entryList(QDir::Files), QStringList());
    }

    void exitDuringDownloadsLeavesNothingBehind()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activeDocument()->ctlAsync1->setURL(
            m_server.url(QStringLiteral("/slow?chunks=50&bytes=100&interval=50")).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!cacheFiles(fx).isEmpty(), kWait);
        QVERIFY(fx.closeMain());
        QTest::qWait(200);
        QVERIFY(cacheFiles(fx).isEmpty());
    }

    void dropAndDownloadFileButtonStartDownloads()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
        QMimeData data;
        data.setText(m_server.url(QStringLiteral("/files/report.pdf")).toString());
        QWidget* target = window->rtfText->viewport();
        QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QCoreApplication::sendEvent(target, &drop);
        QCOMPARE(main->OpenDocCount(), 2);
        QVERIFY(handled.wait(kWait));
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/report.pdf")));

        // Confirmation mode: the typed URL goes when Download File is clicked.
        frmDocument* typed = main->activeDocument();
        QSignalSpy typedDone(typed->ctlAsync1, &download::ctlAsync::completionHandled);
        typed->rtfText->setText(m_server.url(QStringLiteral("/get?name=archive.zip")).toString());
        QAction* button = main->tbToolBar->button(QStringLiteral("Download File"));
        button->setEnabled(true);
        button->trigger();
        QVERIFY(typedDone.wait(kWait));
        QVERIFY(QFile::exists(fx.documentsDir() + QStringLiteral("/get?name=archive.zip")));
        // The window of the first download is hidden but still counts.
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document3"));
    }
};

QTEST_MAIN(tst_Downloads)
#include "tst_downloads.moc"
