// Browser windows on the real web engine, headless: the engine is loaded only by the first window,
// a local file and loopback pages load, Back and Forward move between pages, and a file link
// clicked in a page is saved into the download directory. Every wait is bounded.
#include "browser/BrowserEngineLoader.h"
#include "browser/frmBrowser.h"
#include "platform/MessageBox.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"
#include "support/LoopbackHttpServer.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace tarnwick;
using browser::frmBrowser;
using test::HttpResponse;
using test::LoopbackHttpServer;
using test::ShellFixture;

namespace {

constexpr int kLoadTimeout = 30000;

bool engineLibraryMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

struct EngineFixture
{
    EngineFixture()
    {
        main = fx.createMain();
        main->browserEngineFactory = [](QWidget* parent, platform::BrowserEngineError* error) {
            return browser::loadBrowserEngine(QStringLiteral(TARNWICK_ENGINE_MODULE_DIR), parent, error);
        };
    }
    frmBrowser* open(const QString& address)
    {
        fx.settings.write(shell::settings::HomePage, address);
        main->mnuViewWebBrowser_Click();
        return qobject_cast<frmBrowser*>(main->ActiveForm());
    }

    ShellFixture fx;
    shell::frmMain* main = nullptr;
};

void click(frmBrowser* window, const QString& key)
{
    QAction* action = window->findChild<QAction*>(QStringLiteral("tbToolBar_") + key);
    QVERIFY(action);
    QTest::mouseClick(qobject_cast<QToolButton*>(window->tbToolBar->widgetForAction(action)), Qt::LeftButton);
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_BrowserEngine : public QObject
{
    Q_OBJECT
private slots:
    void engineIsLoadedByTheFirstWindowOnly()
    {
        // Must run first: nothing in this process has asked for a browser window yet.
        QVERIFY2(!engineLibraryMapped(), "the web engine was loaded before any browser window opened");
        EngineFixture ef;
        QVERIFY(!engineLibraryMapped());

        QElapsedTimer clock;
        clock.start();
        frmBrowser* window = ef.open(QStringLiteral("data:text/html,<title>First</title>"));
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("First  -  Tarnwick"), kLoadTimeout);
        const qint64 first = clock.elapsed();
        QVERIFY(engineLibraryMapped());

        clock.restart();
        frmBrowser* second = ef.open(QStringLiteral("data:text/html,<title>Second</title>"));
        QTRY_COMPARE_WITH_TIMEOUT(second->windowTitle(), QStringLiteral("Second  -  Tarnwick"), kLoadTimeout);
        qInfo("View > Web Browser to the first page shown: %lld ms for the first window, %lld ms for the next",
              first, qint64(clock.elapsed()));
    }

    void localFileLoadsWithItsTitle()
    {
        EngineFixture ef;
        const QString path = ef.fx.path(QStringLiteral("start/local page.html"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!DOCTYPE html><html><head><title>Local page</title></head><body><p>On disk.</p></body></html>");
        file.close();

        ef.fx.dialogs.answerOpen(path);
        ef.main->mnuFileWebBrowser_Click();
        auto* window = qobject_cast<frmBrowser*>(ef.main->ActiveForm());
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Local page  -  Tarnwick"), kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), kLoadTimeout);
        const QString fileUrl = QUrl::fromLocalFile(path).toString();
        QCOMPARE(window->brwWebBrowser->LocationURL(), fileUrl);
        // The chosen path as the creator set it, and under it the engine's form of the address.
        QCOMPARE(window->cboAddress->count(), 2);
        QCOMPARE(window->cboAddress->itemText(0), fileUrl);
        QCOMPARE(window->cboAddress->itemText(1), path);
        TARNWICK_VERIFY_DIALOGS(ef.fx.dialogs);
    }

    void backAndForwardMoveBetweenLoopbackPages()
    {
        LoopbackHttpServer server;
        server.addStandardRoutes();
        QVERIFY(server.listen());
        EngineFixture ef;
        const QString index = server.url(QStringLiteral("/pages/index.html")).toString();
        const QString second = server.url(QStringLiteral("/pages/second.html")).toString();

        frmBrowser* window = ef.open(index);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Loopback index  -  Tarnwick"), kLoadTimeout);

        window->cboAddress->setEditText(second);
        QTest::keyClick(window->cboAddress, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Loopback second  -  Tarnwick"),
                                  kLoadTimeout);
        QCOMPARE(window->cboAddress->itemText(0), second);

        click(window, QStringLiteral("Back"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Loopback index  -  Tarnwick"), kLoadTimeout);
        QCOMPARE(window->brwWebBrowser->LocationURL(), index);
        QCOMPARE(window->cboAddress->itemText(0), index);
        QCOMPARE(window->cboAddress->count(), 2);

        click(window, QStringLiteral("Forward"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Loopback second  -  Tarnwick"),
                                  kLoadTimeout);
        QCOMPARE(window->brwWebBrowser->LocationURL(), second);
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), kLoadTimeout);
    }

    void clickedFileLinkIsSavedBesideAnEarlierOne()
    {
        const QByteArray body = LoopbackHttpServer::pattern(0, 4096);
        LoopbackHttpServer server;
        server.serve(QStringLiteral("/files/archive.zip"), HttpResponse::content(body, "application/zip"));
        // The link covers the whole page, so a click anywhere on the page follows it.
        server.serve(QStringLiteral("/page.html"),
                     HttpResponse::content("<!DOCTYPE html><html><head><title>Files</title></head>"
                                           "<body style=\"margin:0\"><a id=\"file\" href=\"/files/archive.zip\" "
                                           "style=\"display:block;width:100vw;height:100vh\">archive.zip</a>"
                                           "</body></html>",
                                           "text/html"));
        QVERIFY(server.listen());
        EngineFixture ef;
        const QString directory = ef.main->newDir;
        QFile earlier(QDir(directory).filePath(QStringLiteral("archive.zip")));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();

        frmBrowser* window = ef.open(server.url(QStringLiteral("/page.html")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Files  -  Tarnwick"), kLoadTimeout);
        QWidget* page = window->brwWebBrowser->widget();
        QWidget* input = page->focusProxy() ? page->focusProxy() : page;
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(input->width() / 2, input->height() / 2));

        const QString saved = QDir(directory).filePath(QStringLiteral("archive (2).zip"));
        const QString url = server.url(QStringLiteral("/files/archive.zip")).toString();
        const QString entry = url + QStringLiteral(" : File ") + QDir::toNativeSeparators(saved) +
                              QStringLiteral(" has been saved after download.");
        QTRY_VERIFY_WITH_TIMEOUT(readAll(ef.main->strLogFileFullPath).contains(entry), kLoadTimeout);
        QFile result(saved);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), body);
        QCOMPARE(readAll(earlier.fileName()), QStringLiteral("earlier"));
        QCOMPARE(QDir(directory).entryList({QStringLiteral("archive*")}, QDir::Files),
                 QStringList({QStringLiteral("archive (2).zip"), QStringLiteral("archive.zip")}));
        // The page stays where it was.
        QCOMPARE(window->windowTitle(), QStringLiteral("Files  -  Tarnwick"));
    }

    void aFileLinkThatBreaksIsResumed()
    {
        constexpr qint64 length = 3 << 20;
        LoopbackHttpServer server;
        server.addStandardRoutes();
        const QString file = QStringLiteral("/resumable/%1/big.bin?resetFirst=1048576").arg(length);
        server.serve(QStringLiteral("/page.html"),
                     HttpResponse::content("<!DOCTYPE html><html><head><title>Files</title></head>"
                                           "<body style=\"margin:0\"><a id=\"file\" href=\"" + file.toLatin1() + "\" "
                                           "download style=\"display:block;width:100vw;height:100vh\">big.bin</a>"
                                           "</body></html>",
                                           "text/html"));
        QVERIFY(server.listen());
        EngineFixture ef;
        const QString directory = ef.main->newDir;
        frmBrowser* window = ef.open(server.url(QStringLiteral("/page.html")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Files  -  Tarnwick"), kLoadTimeout);
        QWidget* page = window->brwWebBrowser->widget();
        QWidget* input = page->focusProxy() ? page->focusProxy() : page;
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(input->width() / 2, input->height() / 2));

        // The engine may give the resumed file a name of its own beside the claimed one; the log
        // names wherever it went, and no empty claim stays behind.
        static const QRegularExpression saved(QStringLiteral(" : File (.*) has been saved after download\\.\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(saved.match(readAll(ef.main->strLogFileFullPath)).hasMatch(), kLoadTimeout);
        const QString path = saved.match(readAll(ef.main->strLogFileFullPath)).captured(1);
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(directory).absoluteFilePath());
        QFile result(path);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QVERIFY(result.readAll() == LoopbackHttpServer::pattern(0, length));
        QCOMPARE(QDir(directory).entryList(QDir::Files), QStringList(QFileInfo(path).fileName()));
        int ranged = 0;
        for (const auto& request : server.requests())
            ranged += request.path.startsWith(QStringLiteral("/resumable/")) && request.headers.contains("range");
        QVERIFY2(ranged >= 1, "the engine fetched the whole file again instead of resuming");
    }
};

QTEST_MAIN(tst_BrowserEngine)
#include "tst_browserengine.moc"
