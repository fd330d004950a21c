// What a running download shows: the bar in its window's bottom border, the indicator at the
// right end of the main window's status bar, how often they move, and the log lines a download
// that needs retries writes (the same texts as ever, once per report).
#include "document/DownloadProgressBar.h"
#include "document/frmDocument.h"
#include "download/TransferMeter.h"
#include "download/ctlAsync.h"
#include "platform/RichTextBox.h"
#include "shell/MainStatusBar.h"
#include "shell/frmMain.h"
#include "support/LoopbackHttpServer.h"
#include "support/ShellFixture.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QtTest>

using namespace tarnwick;
using document::DownloadProgressBar;
using document::frmDocument;
using download::TransferMeter;
using test::HttpResponse;
using test::LoopbackHttpServer;
using test::ShellFixture;

namespace {

constexpr int kWait = 15000;

QStringList logLines(shell::frmMain* main)
{
    QFile file(main->strLogFileFullPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines.mid(2); // past the header
}

QStringList foldRepeatedData(const QStringList& lines)
{
    QStringList result;
    for (const QString& line : lines) {
        if (!(line.endsWith(QStringLiteral(" : Received more data...")) && !result.isEmpty() && result.back() == line))
            result << line;
    }
    return result;
}

} // namespace

class tst_DownloadProgress : public QObject
{
    Q_OBJECT
private:
    LoopbackHttpServer m_server;

private slots:
    void initTestCase()
    {
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        QLocale::setDefault(QLocale(QLocale::English));
        m_server.addStandardRoutes();
        // 40 pieces of 4 KiB, one every 50 ms: two seconds of download, with or without a length.
        const auto slow = [](bool announce) {
            HttpResponse response = HttpResponse::generated(40 * 4096);
            response.chunkBytes = 4096;
            response.chunkInterval = std::chrono::milliseconds(50);
            response.announceLength = announce;
            return response;
        };
        m_server.serve(QStringLiteral("/slow/known.bin"), slow(true));
        m_server.serve(QStringLiteral("/slow/unknown.bin"), slow(false));
        QVERIFY(m_server.listen());
    }

    void meterFigures_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("rate");
        QTest::addColumn<qint64>("secondsLeft");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all known") << qint64(1572864) << qint64(4194304) << 839680.0 << qint64(3)
                                   << "1.5 MiB of 4.0 MiB, 820 KiB/s, 3 s left";
        QTest::newRow("no total") << qint64(2048) << qint64(-1) << 1024.0 << qint64(-1) << "2.0 KiB, 1.0 KiB/s";
        QTest::newRow("standing still") << qint64(10) << qint64(20) << 0.0 << qint64(-1) << "10 bytes of 20 bytes";
        QTest::newRow("minutes") << qint64(5) << qint64(1) << 1.0 << qint64(185)
                                 << "5 bytes of 1 bytes, 1 bytes/s, 3 min 05 s left";
        QTest::newRow("hours") << qint64(3) << qint64(3) << 0.0 << qint64(7380)
                               << "3 bytes of 3 bytes, 2 h 03 min left";
        QTest::newRow("gibibytes") << (qint64(3) << 30) << (qint64(300) << 30) << 0.0 << qint64(-1)
                                   << "3.0 GiB of 300 GiB";
    }

    void meterFigures()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(double, rate);
        QFETCH(qint64, secondsLeft);
        QFETCH(QString, expected);
        QCOMPARE(TransferMeter::describe(received, total, rate, secondsLeft), expected);
    }

    void meterRate_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<qint64>>("bytes");
        QTest::addColumn<double>("rate");
        QTest::addColumn<qint64>("left"); // of 100000 bytes
        QTest::newRow("steady") << QList<qint64>{0, 500, 1000} << QList<qint64>{0, 5000, 10000} << 10000.0 << qint64(9);
        QTest::newRow("old samples fall out")
            << QList<qint64>{0, 1000, 5000, 6000} << QList<qint64>{0, 90000, 90000, 94000} << 800.0 << qint64(8);
        QTest::newRow("started over") << QList<qint64>{0, 1000, 1500, 2500} << QList<qint64>{0, 50000, 0, 1000}
                                      << 1000.0 << qint64(99);
        QTest::newRow("one sample") << QList<qint64>{0} << QList<qint64>{500} << 0.0 << qint64(-1);
    }

    void meterRate()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(QList<qint64>, bytes);
        QFETCH(double, rate);
        QFETCH(qint64, left);
        TransferMeter meter;
        for (qsizetype i = 0; i < times.size(); ++i)
            meter.sample(times[i], bytes[i]);
        QCOMPARE(meter.bytesPerSecond(), rate);
        QCOMPARE(meter.secondsLeft(bytes.last(), 100000), left);
    }

    void barInTheBottomBorderWhileDownloading_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("busy");
        QTest::newRow("known total") << "/slow/known.bin" << false;
        QTest::newRow("unknown total") << "/slow/unknown.bin" << true;
    }

    void barInTheBottomBorderWhileDownloading()
    {
        QFETCH(QString, path);
        QFETCH(bool, busy);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        frmDocument* window = main->activeDocument();
        auto* bar = window->findChild<DownloadProgressBar*>(QStringLiteral("prgDownload"));
        QVERIFY(bar);
        QVERIFY(bar->isHidden());
        const QRect box = window->rtfText->geometry();

        int changes = 0;
        connect(window->ctlAsync1, &download::ctlAsync::transferChanged, bar, [&changes] { ++changes; });
        QElapsedTimer clock;
        clock.start();
        QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
        window->ctlAsync1->setURL(m_server.url(path).toString());
        // Mid-download: the bar shows under the text box, which has not moved.
        QTRY_VERIFY_WITH_TIMEOUT(window->ctlAsync1->bytesReceived() > 40000, kWait);
        QVERIFY(bar->isVisible());
        QCOMPARE(window->rtfText->geometry(), box);
        QVERIFY2(bar->geometry().top() >= box.bottom() && bar->geometry().bottom() < window->height(),
                 qPrintable(QStringLiteral("bar %1,%2 box bottom %3 window %4")
                                .arg(bar->geometry().top())
                                .arg(bar->geometry().bottom())
                                .arg(box.bottom())
                                .arg(window->height())));
        QVERIFY(bar->geometry().left() >= box.left() && bar->geometry().right() <= box.right());
        QCOMPARE(bar->maximum() == 0, busy);
        if (!busy)
            QVERIFY(bar->value() > 0 && bar->value() < bar->maximum());
        QVERIFY2(bar->toolTip().contains(busy ? QStringLiteral("KiB") : QStringLiteral(" of 160 KiB, ")),
                 qPrintable(bar->toolTip()));
        // Resizing keeps it in the strip.
        window->subWindow()->resize(window->subWindow()->size() + QSize(40, 30));
        QTRY_COMPARE(bar->geometry(), DownloadProgressBar::placeIn(window->size()));

        QVERIFY(handled.wait(kWait));
        QVERIFY(bar->isHidden());
        QVERIFY2(changes <= clock.elapsed() / download::ctlAsync::transferReportIntervalMs + 3,
                 qPrintable(QStringLiteral("%1 updates in %2 ms").arg(changes).arg(clock.elapsed())));
        // A window that does not download never shows a bar.
        QVERIFY(main->activeDocument() == window || main->activeDocument()->prgDownload->isHidden());
    }

    void statusBarIndicatorCountsRunningDownloads()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        auto* indicator = main->sbStatusBar->findChild<QLabel*>(QStringLiteral("sbDownloads"));
        QVERIFY(indicator);
        QVERIFY(indicator->isHidden());
        const QStringList panels{main->sbStatusBar->panelText(1), main->sbStatusBar->panelText(2),
                                 main->sbStatusBar->panelText(3)};

        frmDocument* first = main->activeDocument();
        frmDocument* second = main->LoadNewDoc();
        QSignalSpy firstDone(first->ctlAsync1, &download::ctlAsync::completionHandled);
        QSignalSpy secondDone(second->ctlAsync1, &download::ctlAsync::completionHandled);
        first->ctlAsync1->setURL(m_server.url(QStringLiteral("/slow/known.bin")).toString());
        second->ctlAsync1->setURL(m_server.url(QStringLiteral("/slow?chunks=10&bytes=1024&interval=100")).toString());
        static const QRegularExpression two(QStringLiteral("^2 downloads, (\\d+)%$"));
        QTRY_VERIFY_WITH_TIMEOUT(two.match(indicator->text()).hasMatch() && indicator->isVisible(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(two.match(indicator->text()).captured(1).toInt() > 0, kWait);
        // At the right end, after the date and time, which keep their texts.
        const QLabel* time = main->sbStatusBar->findChild<QLabel*>(QStringLiteral("sbStatusBarPanel3"));
        QVERIFY(indicator->geometry().left() > time->geometry().right());
        QCOMPARE(main->sbStatusBar->panelText(1), panels.at(0));

        QVERIFY(secondDone.wait(kWait));
        QTRY_VERIFY_WITH_TIMEOUT(indicator->text().startsWith(QStringLiteral("1 download, ")), 2000);
        QVERIFY(firstDone.wait(kWait));
        QTRY_VERIFY_WITH_TIMEOUT(indicator->isHidden(), 2000);
        QCOMPARE(main->sbStatusBar->downloadSummary(), QString());
        QCOMPARE(QStringList({main->sbStatusBar->panelText(1), main->sbStatusBar->panelText(2),
                              main->sbStatusBar->panelText(3)}),
                 panels);
    }

    void summaryText_data()
    {
        QTest::addColumn<QList<qint64>>("received");
        QTest::addColumn<QList<qint64>>("totals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QList<qint64>{} << QList<qint64>{} << QString();
        QTest::newRow("one") << QList<qint64>{25} << QList<qint64>{100} << "1 download, 25%";
        QTest::newRow("two") << QList<qint64>{50, 46} << QList<qint64>{100, 100} << "2 downloads, 48%";
        QTest::newRow("a total unknown") << QList<qint64>{50, 46} << QList<qint64>{100, -1} << "2 downloads";
        QTest::newRow("empty files") << QList<qint64>{0} << QList<qint64>{0} << "1 download, 100%";
    }

    void summaryText()
    {
        QFETCH(QList<qint64>, received);
        QFETCH(QList<qint64>, totals);
        QFETCH(QString, expected);
        shell::MainStatusBar bar;
        std::vector<std::unique_ptr<QObject>> downloads;
        for (qsizetype i = 0; i < received.size(); ++i) {
            downloads.push_back(std::make_unique<QObject>());
            bar.updateDownload(downloads.back().get(), received[i], totals[i]);
        }
        QCOMPARE(bar.downloadSummary(), expected);
        downloads.clear(); // a destroyed download leaves the count
        QCOMPARE(bar.downloadSummary(), QString());
    }

    void retriedDownloadLogsTheUsualLines_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("attempts"); // per attempt: C (no data) or D (data)
        QTest::addColumn<bool>("saved");
        QTest::newRow("reset, resumed") << "resetFirst=50000&tag=l1" << QStringList{"D", "D"} << true;
        QTest::newRow("503, retried") << "unavailable=1&retryAfter=1&tag=l2" << QStringList{"C", "D"} << true;
        QTest::newRow("416, from zero") << "resetFirst=50000&refuse416=1&tag=l3" << QStringList{"D", "C", "D"} << true;
        QTest::newRow("503 every time") << "unavailable=99&tag=l4" << QStringList(6, "C") << false;
    }

    void retriedDownloadLogsTheUsualLines()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, attempts);
        QFETCH(bool, saved);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        const QString url = m_server.url(QStringLiteral("/resumable/200000/file.bin?%1").arg(query)).toString();
        QSignalSpy handled(window->ctlAsync1, &download::ctlAsync::completionHandled);
        window->ctlAsync1->setURL(url);
        QVERIFY(handled.wait(kWait));
        QCOMPARE(handled.constFirst().constFirst().toBool(), saved);

        const QString p = url + QStringLiteral(" : ");
        QStringList expected{p + QStringLiteral("Searching for the URL...")};
        for (const QString& attempt : attempts) {
            expected << p + QStringLiteral("Connecting to the URL...")
                     << p + QStringLiteral("Requesting the Server for data...");
            if (attempt == QLatin1String("D"))
                expected << p + QStringLiteral("Started receiving downloaded data...")
                         << p + QStringLiteral("Received more data...");
        }
        if (saved) {
            const QString target = fx.documentsDir() + u'/' + window->ctlAsync1->FileNameFromURL(url);
            expected << p + QStringLiteral("Finished receiving the data...") << QString()
                     << p + QStringLiteral("File ") + target + QStringLiteral(" has been saved after download.")
                     << QString();
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll() == LoopbackHttpServer::pattern(0, 200000));
        } else {
            expected << p + QStringLiteral("Error occured in downloading the file");
        }
        QCOMPARE(foldRepeatedData(logLines(main)), expected);
    }
};

QTEST_MAIN(tst_DownloadProgress)
#include "tst_downloadprogress.moc"
