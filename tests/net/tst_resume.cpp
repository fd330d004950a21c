// Reads that survive a bad network: retries after passing failures, resuming with Range and
// If-Range into the same file, starting over when the server cannot continue, and no retry of
// failures that retrying cannot mend.
#include "platform/UrlReader.h"
#include "platform/net/RetryPolicy.h"
#include "support/LoopbackHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace std::chrono_literals;
using tarnwick::platform::UrlReader;
using tarnwick::test::HttpRequest;
using tarnwick::test::HttpResponse;
using tarnwick::test::LoopbackHttpServer;
namespace net = tarnwick::platform::net;

namespace {

// A hundredth of the real pauses: 10, 20, 40, 80, 160 ms, Retry-After shrunk alike.
net::RetryPolicy fastPolicy()
{
    net::RetryPolicy policy;
    policy.pauseScale = 0.01;
    return policy;
}

struct Outcome
{
    QList<int> codes;
    bool finished = false;
    int completions = 0;
    bool ok = false;
    QString path;
    qint64 elapsedMs = 0;
};

bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.callOnTimeout(&loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

Outcome read(UrlReader& reader, const QString& text, std::chrono::milliseconds limit = 30s)
{
    auto outcome = std::make_shared<Outcome>();
    QObject context;
    QObject::connect(&reader, &UrlReader::progress, &context, [outcome](int code) { outcome->codes.append(code); });
    QObject::connect(&reader, &UrlReader::completed, &context, [outcome](bool ok, const QString& path) {
        outcome->finished = true;
        ++outcome->completions;
        outcome->ok = ok;
        outcome->path = path;
    });
    QElapsedTimer clock;
    clock.start();
    reader.start(text);
    spinUntil([&] { return outcome->finished; }, limit);
    QTest::qWait(20); // anything reported after the completion would be a fault
    outcome->elapsedMs = clock.elapsed();
    return *outcome;
}

QList<int> withoutRepeatedData(const QList<int>& codes)
{
    QList<int> result;
    for (int code : codes) {
        if (!(code == 5 && !result.isEmpty() && result.back() == 5))
            result.append(code);
    }
    return result;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The reports of one attempt whose answer brings data, and of one that brings none.
const QList<int> kData{2, 11, 4, 5};
const QList<int> kNoData{2, 11};

QList<int> codesOf(const QList<QList<int>>& attempts, int last)
{
    QList<int> codes{1};
    for (const QList<int>& attempt : attempts)
        codes += attempt;
    codes.append(last);
    return codes;
}

} // namespace

class TestResume : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void pauses_data();
    void pauses();
    void retryAfterValues_data();
    void retryAfterValues();
    void contentRanges_data();
    void contentRanges();
    void validators_data();
    void validators();

    void badNetwork_data();
    void badNetwork();
    void permanentFailuresAreNotRetried_data();
    void permanentFailuresAreNotRetried();
    void serverThatGoesAwayAndComesBack();
    void discardStopsRetries_data();
    void discardStopsRetries();

private:
    LoopbackHttpServer m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<UrlReader> m_reader;

    QStringList rootEntries() const
    {
        return QDir(m_root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

void TestResume::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.addStandardRoutes();
}

void TestResume::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_reader = std::make_unique<UrlReader>();
    m_reader->setDownloadRoot(m_root->path());
    m_reader->setRetryPolicy(fastPolicy());
}

void TestResume::pauses_data()
{
    QTest::addColumn<int>("retry");
    QTest::addColumn<int>("retryAfterMs"); // -1: none
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("first") << 1 << -1 << 1.0 << 1000;
    QTest::newRow("second") << 2 << -1 << 1.0 << 2000;
    QTest::newRow("fifth") << 5 << -1 << 1.0 << 16000;
    QTest::newRow("Retry-After longer") << 1 << 7000 << 1.0 << 7000;
    QTest::newRow("Retry-After shorter") << 3 << 1000 << 1.0 << 4000;
    QTest::newRow("Retry-After capped") << 1 << 3600000 << 1.0 << 60000;
    QTest::newRow("scaled") << 4 << -1 << 0.01 << 80;
    QTest::newRow("scaled Retry-After") << 1 << 30000 << 0.01 << 300;
}

void TestResume::pauses()
{
    QFETCH(int, retry);
    QFETCH(int, retryAfterMs);
    QFETCH(double, scale);
    QFETCH(int, expectedMs);
    net::RetryPolicy policy;
    policy.pauseScale = scale;
    QCOMPARE(policy.pauseBefore(retry, std::chrono::milliseconds(retryAfterMs)).count(), expectedMs);
}

void TestResume::retryAfterValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("seconds") << QByteArray("120") << 120000;
    QTest::newRow("blanks") << QByteArray(" 3 ") << 3000;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("date ahead") << QByteArray("Mon, 07 Dec 2026 12:00:30 GMT") << 30000;
    QTest::newRow("date past") << QByteArray("Mon, 07 Dec 2026 11:00:00 GMT") << 0;
    QTest::newRow("negative") << QByteArray("-5") << -1;
    QTest::newRow("garbage") << QByteArray("soon") << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestResume::retryAfterValues()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expectedMs);
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    QCOMPARE(net::parseRetryAfter(value, now).count(), expectedMs);
}

void TestResume::contentRanges_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("total");
    QTest::newRow("whole form") << QByteArray("bytes 100-199/200") << true << qint64(100) << qint64(200);
    QTest::newRow("unknown total") << QByteArray("bytes 5-9/*") << true << qint64(5) << qint64(-1);
    QTest::newRow("last past total") << QByteArray("bytes 0-200/200") << false << qint64(0) << qint64(200);
    QTest::newRow("reversed") << QByteArray("bytes 9-5/10") << false << qint64(9) << qint64(10);
    QTest::newRow("unsatisfied") << QByteArray("bytes */200") << false << qint64(-1) << qint64(-1);
    QTest::newRow("other unit") << QByteArray("items 0-1/2") << false << qint64(-1) << qint64(-1);
    QTest::newRow("missing") << QByteArray() << false << qint64(-1) << qint64(-1);
}

void TestResume::contentRanges()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, valid);
    QFETCH(qint64, first);
    QFETCH(qint64, total);
    const net::ContentRange range = net::parseContentRange(value);
    QCOMPARE(range.valid, valid);
    QCOMPARE(range.first, first);
    QCOMPARE(range.total, total);
}

void TestResume::validators_data()
{
    QTest::addColumn<QByteArray>("etag");
    QTest::addColumn<QByteArray>("modified");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray date("Mon, 07 Dec 2026 10:00:00 GMT");
    QTest::newRow("strong ETag wins") << QByteArray("\"a1\"") << date << QByteArray("\"a1\"");
    QTest::newRow("weak ETag gives way") << QByteArray("W/\"a1\"") << date << date;
    QTest::newRow("date alone") << QByteArray() << date << date;
    QTest::newRow("weak alone") << QByteArray("W/\"a1\"") << QByteArray() << QByteArray();
    QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray();
}

void TestResume::validators()
{
    QFETCH(QByteArray, etag);
    QFETCH(QByteArray, modified);
    QFETCH(QByteArray, expected);
    QCOMPARE(net::ifRangeValidator(etag, modified), expected);
}

void TestResume::badNetwork_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<qint64>>("ranges");       // per request: the Range start asked for, -1 for none
    QTest::addColumn<QByteArray>("ifRange");         // what every ranged request must carry
    QTest::addColumn<QList<QList<int>>>("attempts"); // reports per attempt (repeated 5s folded)
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("version"); // the file the saved bytes must equal
    QTest::addColumn<int>("minElapsedMs");

    const QByteArray v1("\"v1\"");
    const QByteArray date("Mon, 07 Dec 2026 10:00:00 GMT");
    const auto row = [](const char* tag, const char* query, QList<qint64> ranges, QByteArray ifRange,
                        QList<QList<int>> attempts, bool ok = true, int version = 1, int minElapsedMs = 0) {
        QTest::newRow(tag) << QStringLiteral("%1&tag=%2").arg(QLatin1String(query), QLatin1String(tag)) << ranges
                           << ifRange << attempts << ok << version << minElapsedMs;
    };
    row("untroubled", "x=0", {-1}, {}, {kData});
    row("reset, then resumed", "resetFirst=40000", {-1, 40000}, v1, {kData, kData});
    row("short body, then resumed", "closeFirst=30000", {-1, 30000}, v1, {kData, kData});
    row("reset at the first byte", "resetFirst=1", {-1, 1}, v1, {kData, kData});
    row("range ignored: from zero", "resetFirst=40000&ignoreRange=1", {-1, 40000}, v1, {kData, kData});
    row("file changed: the new one", "resetFirst=40000&change=1", {-1, 40000}, v1, {kData, kData}, true, 2);
    row("416: from zero", "resetFirst=40000&refuse416=1", {-1, 40000, -1}, v1, {kData, kNoData, kData});
    row("other range: from zero", "resetFirst=40000&wrongRange=1", {-1, 40000, -1}, v1, {kData, kNoData, kData});
    row("Last-Modified validator", "resetFirst=40000&validator=modified", {-1, 40000}, date, {kData, kData});
    row("no validator: from zero", "resetFirst=40000&validator=none", {-1, -1}, {}, {kData, kData});
    // Retry-After 30 s at a hundredth is 300 ms, longer than the first two pauses (10 and 20 ms).
    row("503 with Retry-After", "unavailable=2&retryAfter=30", {-1, -1, -1}, {}, {kNoData, kNoData, kData}, true, 1,
        600);
    row("503 five times", "unavailable=5", {-1, -1, -1, -1, -1, -1}, {},
        {kNoData, kNoData, kNoData, kNoData, kNoData, kData});
    row("503 six times: failed", "unavailable=6", {-1, -1, -1, -1, -1, -1}, {},
        {kNoData, kNoData, kNoData, kNoData, kNoData, kNoData}, false);
    row("reset every time: failed", "resetEvery=10000", {-1, 10000, 20000, 30000, 40000, 50000}, v1,
        {kData, kData, kData, kData, kData, kData}, false);
}

void TestResume::badNetwork()
{
    QFETCH(QString, query);
    QFETCH(QList<qint64>, ranges);
    QFETCH(QByteArray, ifRange);
    QFETCH(QList<QList<int>>, attempts);
    QFETCH(bool, ok);
    QFETCH(int, version);
    QFETCH(int, minElapsedMs);
    constexpr qint64 length = 100000;
    const QString target = QStringLiteral("/resumable/%1?%2").arg(length).arg(query);
    const qsizetype before = m_server.requests().size();

    const Outcome outcome = read(*m_reader, m_server.url(target).toString());
    QCOMPARE(withoutRepeatedData(outcome.codes), codesOf(attempts, ok ? 6 : 0));
    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.ok, ok);
    QCOMPARE(m_reader->attempts(), int(ranges.size()));
    // Timers keep to the millisecond at best, hence a few milliseconds of slack.
    QVERIFY2(outcome.elapsedMs >= minElapsedMs - 5, qPrintable(QString::number(outcome.elapsedMs)));

    // Qt's HTTP layer itself may send a request once more when its connection is reset; the
    // reader has given that request up by then. Such a repeat is the same request again, so
    // consecutive equal Range values beyond the expected count are taken as one.
    const QList<HttpRequest> requests = m_server.requests().mid(before);
    const qsizetype extra = requests.size() - ranges.size();
    QVERIFY2(extra >= 0 && extra <= ranges.size(), qPrintable(QString::number(requests.size())));
    QList<qint64> asked;
    qsizetype repeats = 0;
    for (const HttpRequest& request : requests) {
        const QByteArray range = request.headers.value("range");
        const qint64 from = range.isEmpty() ? -1 : range.mid(6, range.size() - 7).toLongLong();
        if (!range.isEmpty())
            QCOMPARE(request.headers.value("if-range"), ifRange);
        if (!asked.isEmpty() && asked.constLast() == from && repeats < extra) {
            ++repeats;
            continue;
        }
        asked.append(from);
    }
    QCOMPARE(asked, ranges);

    if (ok) {
        const QByteArray expected = LoopbackHttpServer::pattern((qint64(version) - 1) << 40, length);
        const QByteArray saved = readAll(outcome.path);
        QCOMPARE(saved.size(), expected.size());
        QVERIFY(saved == expected);
        QCOMPARE(m_reader->bytesReceived(), length);
        QCOMPARE(m_reader->bytesExpected(), length);
    } else {
        QVERIFY(outcome.path.isEmpty());
        QVERIFY2(rootEntries().isEmpty(), qPrintable(rootEntries().join(u',')));
    }
}

void TestResume::permanentFailuresAreNotRetried_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("requests");
    QTest::newRow("404") << "/status/404" << 1;
    QTest::newRow("403") << "/status/403" << 1;
    QTest::newRow("410") << "/status/410" << 1;
    QTest::newRow("501") << "/status/501" << 1;
    QTest::newRow("redirect loop") << "/loop/a" << 2;
    QTest::newRow("too many redirects") << "/redirect/21" << 21;
}

void TestResume::permanentFailuresAreNotRetried()
{
    QFETCH(QString, path);
    QFETCH(int, requests);
    const qsizetype before = m_server.requests().size();
    const Outcome outcome = read(*m_reader, m_server.url(path).toString());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.completions, 1);
    QCOMPARE(outcome.codes.count(0), 1);
    QCOMPARE(outcome.codes.last(), 0);
    QCOMPARE(m_reader->attempts(), 1);
    QCOMPARE(int(m_server.requests().size() - before), requests);
}

void TestResume::serverThatGoesAwayAndComesBack()
{
    // Reset mid-body, then nothing listens for a while: the refused attempts are retried
    // because the server had answered, and the read resumes once it is back.
    LoopbackHttpServer server;
    server.addStandardRoutes();
    QVERIFY(server.listen());
    const QUrl url = server.url(QStringLiteral("/resumable/100000?resetFirst=40000"));
    QObject context;
    int refused = -1; // attempts begun since the port closed
    connect(m_reader.get(), &UrlReader::progress, &context, [&server, &refused](int code) {
        if (code == UrlReader::DownloadingData && refused < 0) {
            server.stopListening();
            refused = 0;
        } else if (code == UrlReader::Connecting && refused >= 0 && ++refused == 2) {
            server.listenAgain();
        }
    });
    const Outcome outcome = read(*m_reader, url.toString());
    QVERIFY2(outcome.ok, qPrintable(m_reader->errorString()));
    // The attempt under way when the port opens again may still have been refused.
    QVERIFY2(m_reader->attempts() == refused + 1 && (refused == 2 || refused == 3),
             qPrintable(QStringLiteral("%1 attempts, %2 refused").arg(m_reader->attempts()).arg(refused)));
    QCOMPARE(outcome.codes.count(0), 0);
    QVERIFY(readAll(outcome.path) == LoopbackHttpServer::pattern(0, 100000));
    QCOMPARE(server.requests().constLast().headers.value("range"), QByteArray("bytes=40000-"));
}

void TestResume::discardStopsRetries_data()
{
    QTest::addColumn<bool>("destroy"); // else discard()
    QTest::newRow("discard") << false;
    QTest::newRow("destroy") << true;
}

void TestResume::discardStopsRetries()
{
    QFETCH(bool, destroy);
    net::RetryPolicy slow;
    slow.pauseScale = 0.3; // 300 ms before the first retry
    m_reader->setRetryPolicy(slow);
    int reports = 0;
    QObject context;
    connect(m_reader.get(), &UrlReader::progress, &context, [&reports] { ++reports; });
    const QString target = QStringLiteral("/resumable/1000?unavailable=9&tag=stop%1").arg(destroy);
    m_reader->start(m_server.url(target).toString());
    QTRY_COMPARE_WITH_TIMEOUT(m_server.targetCount(target.toLatin1()), 1, 5000);
    QTest::qWait(100); // the error page is read and the pause has begun
    QVERIFY(m_reader->isRunning());
    const int reportsBefore = reports;
    if (destroy)
        m_reader.reset();
    else
        m_reader->discard();
    QTest::qWait(700);
    QCOMPARE(m_server.targetCount(target.toLatin1()), 1);
    QCOMPARE(reports, reportsBefore);
    QVERIFY(rootEntries().isEmpty());
}

QTEST_GUILESS_MAIN(TestResume)
#include "tst_resume.moc"
