// Browser windows against a scripted engine: how they open, place and size themselves, the
// caption, the address list, the toolbar, the timer, failures to open, and files a page hands over.
#include "browser/BrowserDownloads.h"
#include "browser/frmBrowser.h"
#include "platform/MessageBox.h"
#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/ProductHomePage.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"
#include "support/FakeBrowserEngine.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace tarnwick;
using browser::frmBrowser;
using platform::Units;
using test::FakeBrowserEngine;
using test::FakeBrowserEngineFactory;
using test::ShellFixture;

namespace {

const QString kMissing =
    QStringLiteral("Error Number : 339\r\nMicrosoft Internet Explorer 4.0 or higher\r\nis required for this service!");

// A main window whose browser windows get scripted engines.
struct BrowserFixture
{
    BrowserFixture()
    {
        main = fx.createMain();
        main->browserEngineFactory = engines.factory();
    }

    frmBrowser* openHome()
    {
        main->mnuViewWebBrowser_Click();
        return active();
    }
    frmBrowser* active() const { return qobject_cast<frmBrowser*>(main->ActiveForm()); }
    FakeBrowserEngine* engine() const { return engines.last(); }
    QString homePageUrl() const { return shell::productHomePageUrl(main->services().environment); }

    ShellFixture fx;
    FakeBrowserEngineFactory engines;
    shell::frmMain* main = nullptr;
};

QStringList addressList(const frmBrowser* window)
{
    QStringList entries;
    for (int i = 0; i < window->cboAddress->count(); ++i)
        entries << window->cboAddress->itemText(i);
    return entries;
}

void click(frmBrowser* window, const QString& key)
{
    QAction* action = window->findChild<QAction*>(QStringLiteral("tbToolBar_") + key);
    QVERIFY2(action, qPrintable(key));
    auto* button = qobject_cast<QToolButton*>(window->tbToolBar->widgetForAction(action));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Makes the main window's inner area exactly the given size in pixels.
bool setInnerSize(shell::frmMain* main, const QSize& inner)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QSize now = main->mdiArea->viewport()->size();
        if (now == inner)
            return true;
        main->resize(main->size() + (inner - now));
        QCoreApplication::processEvents();
    }
    return main->mdiArea->viewport()->size() == inner;
}

QString logEntry(const QString& url, const QString& path, const QString& outcome)
{
    return QStringLiteral("\r\n\r\n") + url + QStringLiteral(" : File ") + path + outcome + QStringLiteral("\r\n\r\n");
}

} // namespace

class tst_frmBrowser : public QObject
{
    Q_OBJECT
private slots:
    void viewWebBrowserOpensTheHomePage_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("homePage");
        QTest::newRow("nothing stored: the product's page") << false << QString();
        QTest::newRow("a stored address") << true << QStringLiteral("http://127.0.0.1:9/start.html");
        QTest::newRow("a stored text that is no address") << true << QStringLiteral("  not an address ");
    }
    void viewWebBrowserOpensTheHomePage()
    {
        QFETCH(bool, stored);
        QFETCH(QString, homePage);
        BrowserFixture bf;
        if (stored)
            bf.fx.settings.write(shell::settings::HomePage, homePage);
        else
            homePage = bf.homePageUrl();

        frmBrowser* window = bf.openHome();
        QVERIFY(window);
        QCOMPARE(window->StartingAddress, homePage);
        QCOMPARE(bf.engine()->navigations(), QStringList{homePage});
        QCOMPARE(window->cboAddress->currentText(), homePage);
        QCOMPARE(addressList(window), QStringList{homePage});
        QVERIFY(window->timTimer->isActive());
        TARNWICK_VERIFY_DIALOGS(bf.fx.dialogs);
    }

    void emptyStartingAddressOpensNothing()
    {
        BrowserFixture bf;
        bf.fx.settings.write(shell::settings::HomePage, QString());
        frmBrowser* window = bf.openHome();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(bf.engine()->calls.isEmpty());
        QVERIFY(window->cboAddress->currentText().isEmpty());
        QCOMPARE(window->cboAddress->count(), 0);
        QVERIFY(!window->timTimer->isActive());
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarnwick"));
        QCOMPARE(window->subWindow()->windowTitle(), QStringLiteral("Tarnwick"));
    }

    void openInWebBrowserStartsFromTheChosenPath()
    {
        BrowserFixture bf;
        const QString page = bf.fx.path(QStringLiteral("start/page.html"));
        bf.fx.dialogs.answerOpen(page);
        bf.fx.dialogs.answerOpen(page);
        bf.main->mnuFileWebBrowser_Click();
        frmBrowser* first = bf.active();
        bf.main->mnuFileWebBrowser_Click();
        frmBrowser* second = bf.active();
        QVERIFY(first && second && first != second);
        QCOMPARE(bf.engines.made.size(), 2);
        QCOMPARE(first->StartingAddress, page);
        QCOMPARE(bf.engines.made.at(0)->navigations(), QStringList{page});
        QCOMPARE(bf.fx.dialogs.prompts().at(0).title, QStringLiteral("Open in Web Browser"));
        TARNWICK_VERIFY_DIALOGS(bf.fx.dialogs);
    }

    void cancelledOpenInWebBrowserOpensNothing()
    {
        BrowserFixture bf;
        bf.fx.dialogs.cancelOpen();
        bf.main->mnuFileWebBrowser_Click();
        QVERIFY(bf.engines.made.isEmpty());
        QCOMPARE(bf.fx.dialogs.prompts().size(), 1);
        TARNWICK_VERIFY_DIALOGS(bf.fx.dialogs);
    }

    void aWindowThatCannotOpenIsReported_data()
    {
        QTest::addColumn<bool>("fromFileMenu");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        const QString other = QStringLiteral("Error Number : 7\r\nOut of memory\r\n");
        QTest::newRow("view, component missing") << false << 339 << QStringLiteral("gone") << kMissing;
        QTest::newRow("view, any other error") << false << 7 << QStringLiteral("Out of memory") << other;
        QTest::newRow("file, component missing") << true << 339 << QString() << kMissing;
        QTest::newRow("file, any other error") << true << 7 << QStringLiteral("Out of memory") << other;
    }
    void aWindowThatCannotOpenIsReported()
    {
        QFETCH(bool, fromFileMenu);
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, message);
        BrowserFixture bf;
        bf.engines.failWithNumber = number;
        bf.engines.failWithDescription = description;
        if (fromFileMenu)
            bf.fx.dialogs.answerOpen(bf.fx.path(QStringLiteral("start/page.html")));
        bf.fx.dialogs.answerMessage(platform::MsgBox::OK);
        const int windowsBefore = int(bf.main->mdiArea->subWindowList().size());

        if (fromFileMenu)
            bf.main->mnuFileWebBrowser_Click();
        else
            bf.main->mnuViewWebBrowser_Click();

        const auto prompt = bf.fx.dialogs.lastPrompt();
        QCOMPARE(prompt.kind, test::ScriptedDialogService::Kind::Message);
        QCOMPARE(prompt.text, message);
        QCOMPARE(prompt.title, QStringLiteral("Tarnwick"));
        QCOMPARE(prompt.style, int(platform::MsgBox::OKOnly));
        QCOMPARE(int(bf.main->mdiArea->subWindowList().size()), windowsBefore);
        TARNWICK_VERIFY_DIALOGS(bf.fx.dialogs);
    }

    void noEngineBesideTheProgramIsTheMissingComponent()
    {
        // The real loader, looking in a program folder that holds no engine module.
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Browser window unavailable")));
        main->mnuViewWebBrowser_Click();
        QCOMPARE(fx.dialogs.lastPrompt().text, kMissing);
        QCOMPARE(main->mdiArea->subWindowList().size(), 1);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void toolbarIsBuiltAsDesigned()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        const QList<QAction*> buttons = window->tbToolBar->actions();
        QStringList tips;
        for (QAction* button : buttons) {
            tips << button->toolTip();
            QVERIFY(!button->icon().isNull());
            auto* tool = qobject_cast<QToolButton*>(window->tbToolBar->widgetForAction(button));
            QVERIFY(tool);
            QCOMPARE(tool->toolButtonStyle(), Qt::ToolButtonIconOnly);
        }
        QCOMPARE(tips, QStringList({QStringLiteral("Back"), QStringLiteral("Forward"), QStringLiteral("Stop"),
                                    QStringLiteral("Refresh"), QStringLiteral("Home"), QStringLiteral("Search")}));
        QCOMPARE(window->imlToolbarIcons.size(), 6);
        QCOMPARE(window->lblAddress->text(), QStringLiteral("&Address:"));
        QCOMPARE(window->timTimer->interval(), 5);
    }

    void addressListKeepsEachAddressOnceMostRecentFirst_data()
    {
        QTest::addColumn<QStringList>("visits");
        QTest::addColumn<QStringList>("expected");
        const QString a = QStringLiteral("http://a.test/");
        const QString b = QStringLiteral("http://b.test/");
        const QString c = QStringLiteral("http://c.test/");
        QTest::newRow("A, B, A") << QStringList{a, b, a} << QStringList{a, b};
        QTest::newRow("A, B, C") << QStringList{a, b, c} << QStringList{c, b, a};
        QTest::newRow("A twice") << QStringList{a, a} << QStringList{a};
        QTest::newRow("compared exactly: letter case")
            << QStringList{a, QStringLiteral("http://a.test/X"), QStringLiteral("http://a.test/x")}
            << QStringList{QStringLiteral("http://a.test/x"), QStringLiteral("http://a.test/X"), a};
    }
    void addressListKeepsEachAddressOnceMostRecentFirst()
    {
        QFETCH(QStringList, visits);
        QFETCH(QStringList, expected);
        BrowserFixture bf;
        bf.fx.settings.write(shell::settings::HomePage, visits.first());
        frmBrowser* window = bf.openHome();
        for (const QString& url : visits)
            bf.engine()->finishLoad(url, QStringLiteral("Page"));
        QCOMPARE(addressList(window), expected);
        QCOMPARE(window->cboAddress->currentText(), visits.last());
        // Rewriting the list navigated nowhere.
        QCOMPARE(bf.engine()->navigations(), QStringList{visits.first()});
    }

    void startingAddressStaysBesideTheEnginesFormOfIt()
    {
        BrowserFixture bf;
        bf.fx.settings.write(shell::settings::HomePage, QStringLiteral("example.test"));
        frmBrowser* window = bf.openHome();
        QCOMPARE(addressList(window), QStringList{QStringLiteral("example.test")});
        bf.engine()->finishLoad(QStringLiteral("http://example.test/"), QStringLiteral("Example"));
        QCOMPARE(addressList(window),
                 QStringList({QStringLiteral("http://example.test/"), QStringLiteral("example.test")}));
    }

    void captionNamesThePageThenTheProgram_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("a title") << QStringLiteral("Index") << QStringLiteral("Index  -  Tarnwick");
        QTest::newRow("blanks kept") << QStringLiteral(" a  b ") << QStringLiteral(" a  b   -  Tarnwick");
        QTest::newRow("no page yet") << QString() << QStringLiteral("Tarnwick");
    }
    void captionNamesThePageThenTheProgram()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        bf.engine()->finishLoad(QStringLiteral("http://a.test/"), name);
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(window->subWindow()->windowTitle(), caption);
    }

    void timerShowsWorkingAndTurnsItselfOff()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        QVERIFY(engine->busy);
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Working..."), 2000);
        QVERIFY(window->timTimer->isActive());

        // A location reached while still loading shows its name until the next tick.
        engine->locationName = QStringLiteral("Half there");
        engine->moveTo(QStringLiteral("http://a.test/"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Half there  -  Tarnwick"));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Working..."), 2000);

        engine->busy = false;
        engine->locationName = QStringLiteral("Done");
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), 2000);
        QCOMPARE(window->windowTitle(), QStringLiteral("Done  -  Tarnwick"));
    }

    void stopEndsTheWaitAtOnce()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        engine->locationName = QStringLiteral("Partial");
        QVERIFY(engine->busy);
        click(window, QStringLiteral("Stop"));
        QVERIFY(!window->timTimer->isActive());
        QCOMPARE(engine->calls.constLast(), QStringLiteral("Stop"));
        // The engine still says it is busy; the caption is the page's all the same.
        QCOMPARE(window->windowTitle(), QStringLiteral("Partial  -  Tarnwick"));
    }

    void toolbarButtonsCallTheEngine_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("call");
        QTest::newRow("Back") << QStringLiteral("Back") << QStringLiteral("GoBack");
        QTest::newRow("Forward") << QStringLiteral("Forward") << QStringLiteral("GoForward");
        QTest::newRow("Refresh") << QStringLiteral("Refresh") << QStringLiteral("Refresh");
        QTest::newRow("Search") << QStringLiteral("Search") << QStringLiteral("GoSearch");
    }
    void toolbarButtonsCallTheEngine()
    {
        QFETCH(QString, key);
        QFETCH(QString, call);
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        engine->finishLoad(QStringLiteral("http://a.test/"), QStringLiteral("A"));
        engine->busyOnNavigate = false;
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), 2000);
        engine->calls.clear();

        click(window, key);
        QCOMPARE(engine->calls, QStringList{call});
        // The timer runs until a tick finds the engine idle, even when nothing was loaded.
        QVERIFY(window->timTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), 2000);
        QCOMPARE(window->windowTitle(), QStringLiteral("A  -  Tarnwick"));
    }

    void homeReadsTheSettingAtEveryClick()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        click(window, QStringLiteral("Home"));
        bf.fx.settings.write(shell::settings::HomePage, QStringLiteral("http://new.test/"));
        click(window, QStringLiteral("Home"));
        bf.fx.settings.write(shell::settings::HomePage, QString());
        click(window, QStringLiteral("Home"));
        QCOMPARE(engine->navigations(), QStringList({bf.homePageUrl(), bf.homePageUrl(),
                                                     QStringLiteral("http://new.test/"), QString()}));
    }

    void typingNavigatesOnlyOnEnter()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        engine->finishLoad(QStringLiteral("http://a.test/"), QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), 2000);
        engine->calls.clear();
        const QStringList listBefore = addressList(window);

        window->cboAddress->clearEditText();
        QTest::keyClicks(window->cboAddress, QStringLiteral("typed.test/page"));
        QCOMPARE(window->cboAddress->currentText(), QStringLiteral("typed.test/page"));
        QVERIFY(engine->calls.isEmpty());
        QVERIFY(!window->timTimer->isActive());
        QCOMPARE(addressList(window), listBefore);

        QTest::keyClick(window->cboAddress, Qt::Key_Return);
        QCOMPARE(engine->navigations(), QStringList{QStringLiteral("typed.test/page")});
        QVERIFY(window->timTimer->isActive());
        // Typed text reaches the list only when the engine has gone there.
        QCOMPARE(addressList(window), listBefore);
    }

    void pickingAnEntryNavigatesToIt()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        engine->finishLoad(QStringLiteral("http://a.test/"), QStringLiteral("A"));
        engine->finishLoad(QStringLiteral("http://b.test/"), QStringLiteral("B"));
        engine->calls.clear();

        QTest::keyClick(window->cboAddress, Qt::Key_Down);
        QCOMPARE(engine->navigations(), QStringList{QStringLiteral("http://a.test/")});
        QVERIFY(window->timTimer->isActive());
    }

    void newWindowFillsTheRightHalfUnlessSwitchedOff()
    {
        BrowserFixture bf;
        Units::setDpiOverride(144);
        QVERIFY(setInnerSize(bf.main, QSize(1000, 600)));
        const QRect rightHalf(520, 0, 480, 600); // 5200, 0, 4800, 6000 twips in 10000 x 6000
        frmBrowser* before = bf.openHome();
        QCOMPARE(before->subWindow()->geometry(), rightHalf);

        bf.main->findChild<QAction*>(QStringLiteral("mnuOptionsWebBrowserInRightHalfWindow"))->trigger();
        QVERIFY(shell::blBrowserNotRightHalf);
        QCOMPARE(before->subWindow()->geometry(), rightHalf);

        frmBrowser* after = bf.openHome();
        QVERIFY(after->isVisible());
        QVERIFY(after->subWindow()->geometry() != rightHalf);
        QCOMPARE(before->subWindow()->geometry(), rightHalf);
    }

    void resizingKeepsTheMargins_data()
    {
        QTest::addColumn<QSize>("frameSize");
        QTest::newRow("wide") << QSize(900, 500);
        QTest::newRow("tall") << QSize(300, 700);
        QTest::newRow("small") << QSize(160, 200);
    }
    void resizingKeepsTheMargins()
    {
        QFETCH(QSize, frameSize);
        BrowserFixture bf;
        Units::setDpiOverride(144); // margins: 5 pixels left and right, 10 under the page
        frmBrowser* window = bf.openHome();
        window->subWindow()->resize(frameSize);
        QTRY_COMPARE_WITH_TIMEOUT(window->subWindow()->size(), frameSize, 2000);
        const QRect page = window->brwWebBrowser->widget()->geometry();
        const QRect box = window->cboAddress->geometry();
        QCOMPARE(page.left(), 5);
        QCOMPARE(window->width() - (page.right() + 1), 5);
        QCOMPARE(window->width() - (box.right() + 1), 5);
        QVERIFY(qAbs(window->height() - (page.bottom() + 1) - 10) <= 1);
        QCOMPARE(page.top(), window->picAddress->geometry().bottom() + 1);
        QCOMPARE(window->picAddress->width(), window->width());
        QCOMPARE(window->tbToolBar->width(), window->width());
        // Moved under its label: designed 50, 330 twips, a pixel of rounding either way.
        QCOMPARE(box.left(), 5);
        QVERIFY(qAbs(box.top() - 33) <= 1);
    }

    void sizesThatWouldTurnNegativeAreLeftAlone()
    {
        BrowserFixture bf;
        Units::setDpiOverride(144);
        platform::BrowserEngineError error;
        std::unique_ptr<frmBrowser> window(frmBrowser::create(bf.main, &error));
        QVERIFY(window);
        QWidget* page = window->brwWebBrowser->widget();
        page->resize(77, 55);
        window->cboAddress->resize(66, 20);
        window->resize(8, 8); // 80 twips: less than the margins
        window->Form_Resize();
        QCOMPARE(page->size(), QSize(77, 55));
        QCOMPARE(window->cboAddress->size(), QSize(66, 20));
    }

    void windowsAreIndependent()
    {
        BrowserFixture bf;
        frmBrowser* first = bf.openHome();
        FakeBrowserEngine* firstEngine = bf.engine();
        frmBrowser* second = bf.openHome();
        FakeBrowserEngine* secondEngine = bf.engine();
        QVERIFY(firstEngine != secondEngine);

        firstEngine->finishLoad(QStringLiteral("http://one.test/"), QStringLiteral("One"));
        secondEngine->busyOnNavigate = true;
        click(second, QStringLiteral("Home"));
        secondEngine->moveTo(QStringLiteral("http://two.test/"));

        QTRY_VERIFY_WITH_TIMEOUT(!first->timTimer->isActive(), 2000);
        QVERIFY(second->timTimer->isActive());
        QCOMPARE(first->windowTitle(), QStringLiteral("One  -  Tarnwick"));
        QTRY_COMPARE_WITH_TIMEOUT(second->windowTitle(), QStringLiteral("Working..."), 2000);
        QCOMPARE(addressList(first), QStringList({QStringLiteral("http://one.test/"), bf.homePageUrl()}));
        QCOMPARE(addressList(second), QStringList({QStringLiteral("http://two.test/"), bf.homePageUrl()}));
        QCOMPARE(firstEngine->calls, QStringList{QStringLiteral("Navigate ") + bf.homePageUrl()});

        QPointer<frmBrowser> closed = first;
        first->subWindow()->close();
        QTRY_VERIFY_WITH_TIMEOUT(closed.isNull(), 2000);
        QVERIFY(bf.engines.made.at(0).isNull());
        QVERIFY(second->isVisible());
    }

    // ------------------------------------------------------------------------------------------
    // Files handed over by a page

    void aFileGoesIntoTheDownloadDirectoryUnderAFreeName_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("savedName");
        QTest::newRow("free name") << QStringList() << QStringLiteral("archive.zip") << QStringLiteral("archive.zip");
        QTest::newRow("name taken") << QStringList{QStringLiteral("archive.zip")} << QStringLiteral("archive.zip")
                                    << QStringLiteral("archive (2).zip");
        QTest::newRow("two taken")
            << QStringList{QStringLiteral("archive.zip"), QStringLiteral("archive (2).zip")}
            << QStringLiteral("archive.zip") << QStringLiteral("archive (3).zip");
        QTest::newRow("no extension") << QStringList{QStringLiteral("README")} << QStringLiteral("README")
                                      << QStringLiteral("README (2)");
        QTest::newRow("a path in the suggestion") << QStringList() << QStringLiteral("../../etc/x.tar.gz")
                                                  << QStringLiteral("x.tar.gz");
        QTest::newRow("nothing suggested") << QStringList() << QString() << QStringLiteral("download");
    }
    void aFileGoesIntoTheDownloadDirectoryUnderAFreeName()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, suggested);
        QFETCH(QString, savedName);
        BrowserFixture bf;
        const QString directory = bf.main->newDir;
        for (const QString& name : existing) {
            QFile file(QDir(directory).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier download");
        }
        frmBrowser* window = bf.openHome();
        QVERIFY(window);
        const QString url = QStringLiteral("http://127.0.0.1:9/files/archive.zip");
        const platform::BrowserFileTarget target = bf.engine()->handOverFile(url, suggested);
        const QString expected = QDir::toNativeSeparators(QDir(directory).filePath(savedName));
        QCOMPARE(target.path, expected);
        QVERIFY(target.finished);
        for (const QString& name : existing)
            QCOMPARE(readAll(QDir(directory).filePath(name)), QStringLiteral("earlier download"));

        QFile written(target.path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write("new");
        written.close();
        target.finished(target.path, true, QString());
        QVERIFY(readAll(bf.main->strLogFileFullPath)
                    .endsWith(logEntry(url, expected, QStringLiteral(" has been saved after download."))));
        QCOMPARE(readAll(target.path), QStringLiteral("new"));
    }

    void filesStillBeingFetchedKeepTheirNamesInTheDirectoryOfTheClick()
    {
        BrowserFixture bf;
        bf.openHome();
        FakeBrowserEngine* engine = bf.engine();
        const QString url = QStringLiteral("http://127.0.0.1:9/a.zip");
        const QString first = engine->handOverFile(url, QStringLiteral("a.zip")).path;
        QCOMPARE(QFileInfo(first).absolutePath(), QFileInfo(bf.main->newDir).absoluteFilePath());
        bf.main->newDir = bf.fx.path(QStringLiteral("start"));
        const QString second = engine->handOverFile(url, QStringLiteral("a.zip")).path;
        const QString third = engine->handOverFile(url, QStringLiteral("a.zip")).path;
        QCOMPARE(QFileInfo(second).absolutePath(), QFileInfo(bf.main->newDir).absoluteFilePath());
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("a.zip"));
        QCOMPARE(QFileInfo(third).fileName(), QStringLiteral("a (2).zip"));
    }

    void aBrokenFileTransferIsResumedOnTheDownloadSchedule_data()
    {
        QTest::addColumn<int>("retry");
        QTest::addColumn<qint64>("pauseMs"); // the fixture runs the pauses at a hundredth
        QTest::newRow("first") << 1 << qint64(10);
        QTest::newRow("second") << 2 << qint64(20);
        QTest::newRow("fifth") << 5 << qint64(160);
        QTest::newRow("sixth: given up") << 6 << qint64(-1);
        QTest::newRow("none before the first") << 0 << qint64(-1);
    }
    void aBrokenFileTransferIsResumedOnTheDownloadSchedule()
    {
        QFETCH(int, retry);
        QFETCH(qint64, pauseMs);
        BrowserFixture bf;
        bf.openHome();
        const platform::BrowserFileTarget target =
            bf.engine()->handOverFile(QStringLiteral("http://127.0.0.1:9/d.bin"), QStringLiteral("d.bin"));
        QVERIFY(target.retryPauseMs);
        QCOMPARE(target.retryPauseMs(retry), pauseMs);
    }

    void aFileThatFailsLeavesNothingBehindAndIsLogged()
    {
        BrowserFixture bf;
        bf.openHome();
        const QString url = QStringLiteral("http://127.0.0.1:9/c.bin");
        const platform::BrowserFileTarget target = bf.engine()->handOverFile(url, QStringLiteral("c.bin"));
        QVERIFY(QFileInfo::exists(target.path));
        target.finished(target.path, false, QStringLiteral("Network error"));
        QVERIFY(!QFileInfo::exists(target.path));
        QVERIFY(readAll(bf.main->strLogFileFullPath)
                    .endsWith(logEntry(url, target.path,
                                       QStringLiteral(" could not be saved after download: Network error"))));
    }

    void aFileFinishingAfterItsWindowClosedIsStillLogged()
    {
        BrowserFixture bf;
        frmBrowser* window = bf.openHome();
        const QString url = QStringLiteral("http://127.0.0.1:9/d.bin");
        const platform::BrowserFileTarget target = bf.engine()->handOverFile(url, QStringLiteral("d.bin"));
        QPointer<frmBrowser> closed = window;
        window->subWindow()->close();
        QTRY_VERIFY_WITH_TIMEOUT(closed.isNull(), 2000);
        target.finished(target.path, true, QString());
        QVERIFY(readAll(bf.main->strLogFileFullPath)
                    .endsWith(logEntry(url, target.path, QStringLiteral(" has been saved after download."))));
    }

    void aDirectoryThatIsGoneRefusesTheFileAndSaysSo()
    {
        BrowserFixture bf;
        bf.openHome();
        bf.main->newDir = bf.fx.path(QStringLiteral("no such folder"));
        const QString url = QStringLiteral("http://127.0.0.1:9/e.bin");
        const platform::BrowserFileTarget target = bf.engine()->handOverFile(url, QStringLiteral("e.bin"));
        QVERIFY(target.path.isEmpty());
        QVERIFY(readAll(bf.main->strLogFileFullPath).contains(url + QStringLiteral(" : File ")));
        QVERIFY(readAll(bf.main->strLogFileFullPath).contains(QStringLiteral(" could not be saved after download: ")));
    }

    void cleanup() { Units::setDpiOverride(96); }
};

QTEST_MAIN(tst_frmBrowser)
#include "tst_frmbrowser.moc"
