#include "platform/UrlReader.h"
#include "platform/net/DownloadFileName.h"
#include "platform/net/DownloadFolder.h"
#include "platform/net/EnvironmentProxyFactory.h"
#include "support/LoopbackHttpServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>

#include <functional>
#include <memory>

using namespace std::chrono_literals;
using tarnwick::platform::UrlReader;
using tarnwick::test::HttpResponse;
using tarnwick::test::LoopbackHttpServer;
namespace net = tarnwick::platform::net;

namespace {

struct Outcome {
    QList<int> codes;
    bool finished = false;
    int completions = 0;
    bool ok = false;
    QString path;
    qint64 elapsedMs = 0;
};

// Like QTest::qWaitFor, but without its 10 ms sleeps between event batches, which would
// throttle the in-process server and reader sharing this thread.
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

// Runs one read to its end (or the time limit) and records every report.
Outcome read(UrlReader& reader, const QString& text, std::chrono::milliseconds limit = 20s)
{
    auto outcome = std::make_shared<Outcome>();
    const QMetaObject::Connection progress =
        QObject::connect(&reader, &UrlReader::progress, [outcome](int code) { outcome->codes.append(code); });
    const QMetaObject::Connection completed =
        QObject::connect(&reader, &UrlReader::completed, [outcome](bool ok, const QString& path) {
            outcome->finished = true;
            ++outcome->completions;
            outcome->ok = ok;
            outcome->path = path;
        });
    QElapsedTimer clock;
    clock.start();
    reader.start(text);
    const bool reportedDuringStart = !outcome->codes.isEmpty() || outcome->finished;
    spinUntil([&] { return outcome->finished; }, limit);
    QTest::qWait(20); // anything reported after the completion would be a fault
    outcome->elapsedMs = clock.elapsed();
    QObject::disconnect(progress);
    QObject::disconnect(completed);
    if (reportedDuringStart)
        outcome->codes.prepend(-1);
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

QByteArray fileSha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

QByteArray patternSha256(qint64 length)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qint64 offset = 0; offset < length; offset += 1 << 20)
        hash.addData(LoopbackHttpServer::pattern(offset, std::min<qint64>(1 << 20, length - offset)));
    return hash.result();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

qint64 procStatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Sets an environment variable until the returned guard goes, then puts the old value back.
auto scopedEnv(const char* name, const QByteArray& value)
{
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray old = qgetenv(name);
    qputenv(name, value);
    return qScopeGuard([=] { had ? qputenv(name, old) : qunsetenv(name); });
}

} // namespace

class TestUrlReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void addressFromText_data();
    void addressFromText();
    void successfulRead();
    void fileNameDerivation_data();
    void fileNameDerivation();
    void redirects_data();
    void redirects();
    void failures_data();
    void failures();
    void slowBodyThrottlesDataReports();
    void largeBodyIsSavedExactlyWithFlatMemory();
    void localSchemes_data();
    void localSchemes();
    void restartAndDiscardSilenceTheOldRead();
    void receiverMayDeleteReader();
    void concurrentReaders();
    void staleFolderCleanup();
    void downloadRootIsNotDoubledAndTheOldOneIsCleaned();
    void https_data();
    void https();
    void proxyDecision_data();
    void proxyDecision();
    void proxyFromEnvironmentIsUsed();

private:
    LoopbackHttpServer m_server;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<UrlReader> m_reader;

    QString url(const QString& path) const { return m_server.url(path).toString(); }
    QStringList rootEntries() const
    {
        return QDir(m_root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

void TestUrlReader::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.addStandardRoutes();
    m_server.serve(QStringLiteral("/to-file"), HttpResponse::redirect("file:///etc/passwd"));
    HttpResponse nowhere = HttpResponse::redirect("");
    nowhere.headers.removeIf([](const auto& header) { return header.first == "Location"; });
    m_server.serve(QStringLiteral("/nowhere"), nowhere);
}

void TestUrlReader::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_reader = std::make_unique<UrlReader>();
    m_reader->setDownloadRoot(m_root->path());
    // Failures that may pass are retried; a hundredth of the real pauses keeps the rows quick.
    auto policy = m_reader->retryPolicy();
    policy.pauseScale = 0.01;
    m_reader->setRetryPolicy(policy);
}

void TestUrlReader::addressFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: rejected

    QTest::newRow("surrounding space") << " \t http://example.com/a.zip \n" << "http://example.com/a.zip";
    QTest::newRow("no scheme") << "example.com/a.zip" << "http://example.com/a.zip";
    QTest::newRow("host and port") << "localhost:8080/x" << "http://localhost:8080/x";
    QTest::newRow("space in path") << "http://a.example/my file.txt" << "http://a.example/my%20file.txt";
    QTest::newRow("local path") << "/tmp/x.txt" << "file:///tmp/x.txt";
    QTest::newRow("data") << "data:text/plain,hi" << "data:text/plain,hi";
    int n = 0;
    for (const char* rejected : {"", "   ", "http://a.example/\nhttp://b.example/", "http://a.example/\rx", "http://",
                                 "https:///path", "ftp://x", "mailto:a@example.com", "javascript:alert(1)",
                                 "file://server/share/x", "http://a.example http://b.example", "a.example b.example"})
        QTest::addRow("rejected %d", ++n) << rejected << "";
}

void TestUrlReader::addressFromText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString error;
    const QUrl url = UrlReader::addressFromText(text, &error);
    QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
    QCOMPARE(error.isEmpty(), !expected.isEmpty());
    if (!expected.isEmpty())
        return; // reading a valid row would leave the loopback interface

    // A rejected text fails after start() returns: 0, then one failed completion.
    const Outcome outcome = read(*m_reader, text);
    QCOMPARE(outcome.codes, QList<int>({0})); // a -1 first would mean a report inside start()
    QCOMPARE(outcome.completions, 1);
    QVERIFY(!outcome.ok && outcome.path.isEmpty());
    QCOMPARE(m_reader->text(), text);
    QCOMPARE(m_reader->errorString(), error);
    QVERIFY(rootEntries().isEmpty());
}

void TestUrlReader::successfulRead()
{
    const QString text = QStringLiteral("  ") + url(QStringLiteral("/files/report.pdf")) + QStringLiteral(" ");
    const Outcome outcome = read(*m_reader, text);
    QCOMPARE(outcome.codes, QList<int>({1, 2, 11, 4, 5, 6}));
    QCOMPARE(outcome.completions, 1);
    QVERIFY(outcome.ok);
    QCOMPARE(m_reader->text(), text);
    QCOMPARE(QFileInfo(outcome.path).fileName(), QStringLiteral("report.pdf"));
    const QByteArray expected = "%PDF-1.4\n" + LoopbackHttpServer::pattern(0, 2048);
    QCOMPARE(readAll(outcome.path), expected);
    QCOMPARE(m_reader->bytesReceived(), expected.size());
    QCOMPARE(m_reader->bytesExpected(), expected.size());

    const QFileInfo folder(QFileInfo(outcome.path).absolutePath());
    QCOMPARE(folder.absolutePath(), QFileInfo(m_root->path()).absoluteFilePath());
    QVERIFY2(folder.fileName().startsWith(QStringLiteral("dl-%1-").arg(QCoreApplication::applicationPid())),
             qPrintable(folder.fileName()));
    const QFileDevice::Permissions ownerGroupOther(0x7077);
    QCOMPARE(folder.permissions() & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    m_reader->discard();
    QVERIFY(!QFileInfo::exists(folder.absoluteFilePath()));
    QVERIFY(rootEntries().isEmpty());
    m_reader->discard(); // a second call must be harmless
}

void TestUrlReader::fileNameDerivation_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("disposition");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* tag, const char* url, const QByteArray& disposition, const char* type,
                        const QString& expected) { QTest::newRow(tag) << url << disposition << type << expected; };
    row("quoted", "http://h/x", "attachment; filename=\"report 2024.pdf\"", "application/pdf", "report 2024.pdf");
    row("token, no type", "http://h/x", "filename=data.csv", "", "data.csv");
    row("extended wins", "http://h/x", "attachment; filename=\"b.txt\"; filename*=UTF-8''%E2%82%AC%20rates.txt", "",
        QStringLiteral("\u20ac rates.txt"));
    row("extended latin-1", "http://h/x", "inline; filename*=ISO-8859-1''caf%E9.txt", "", QStringLiteral("caf\u00e9.txt"));
    row("unknown charset", "http://h/x", "attachment; filename*=koi8-r''%C1.txt; filename=\"plain.txt\"", "",
        "plain.txt");
    row("escaped quote", "http://h/x", "attachment; filename=\"a\\\"b;c.txt\"", "", "a\"b;c.txt");
    row("raw utf-8", "http://h/x", "attachment; filename=\"r\xc3\xa9sum\xc3\xa9.pdf\"", "",
        QStringLiteral("r\u00e9sum\u00e9.pdf"));
    row("raw latin-1", "http://h/x", "attachment; filename=\"caf\xe9.txt\"", "", QStringLiteral("caf\u00e9.txt"));
    row("parent path", "http://h/x", "attachment; filename=\"../../etc/passwd\"", "", "passwd");
    row("slash", "http://h/x", "attachment; filename=\"a/b\"", "", "b");
    row("backslash", "http://h/x", "attachment; filename=\"..\\\\win\\\\b.txt\"", "", "b.txt");
    row("dot dot falls back", "http://h/dir/real.bin", "attachment; filename=\"..\"", "", "real.bin");
    row("hidden", "http://h/x", "attachment; filename=\".bashrc\"", "", "bashrc");
    row("control characters", "http://h/x", "attachment; filename=\"e\x1b[31m\tb\n.txt. .\"", "", "e[31mb.txt");
    row("bidi override", "http://h/x", "attachment; filename*=UTF-8''invoice%E2%80%AEtxt.exe", "", "invoicetxt.exe");
    row("ends in slash", "http://h/dir//", {}, "", "dir");
    row("percent-decoded", "http://h/a/b%20c%C3%A9.zip", {}, "application/zip", QStringLiteral("b c\u00e9.zip"));
    row("encoded slash", "http://h/a%2F..%2Fb.txt", {}, "", "b.txt");
    row("no dot", "http://h/dl/readme", {}, "text/plain", "readme.txt");
    row("type parameters", "http://h/page", {}, "text/html; charset=utf-8", "page.html");
    row("octet stream", "http://h/blob", {}, "application/octet-stream", "blob");
    row("unknown suffix", "http://h/v1.2", {}, "application/zip", "v1.2.zip");
    row("known suffix", "http://h/a.tar.gz", {}, "application/gzip", "a.tar.gz");
    row("query with a dot", "http://h/get?file=a.zip", {}, "application/zip", "get.zip");
    row("host", "http://example.com/", {}, "text/html", "example.com.html");
    row("data", "data:text/plain,hi", {}, "text/plain", "download.txt");
    const int keep = net::maxFileNameBytes - 4;
    row("long ascii", "http://h/x", "filename=\"" + QByteArray(300, 'a') + ".pdf\"", "", QString(keep, u'a') + ".pdf");
    row("long two-byte", "http://h/x", "filename=\"" + QString(200, QChar(0xe9)).toUtf8() + ".txt\"", "",
        QString(keep / 2, QChar(0xe9)) + ".txt");
    const QString grin = QStringLiteral("\U0001F600");
    row("long four-byte", "http://h/x", "filename=\"" + grin.repeated(100).toUtf8() + ".txt\"", "",
        grin.repeated(keep / 4) + ".txt");
}

void TestUrlReader::fileNameDerivation()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, disposition);
    QFETCH(QString, contentType);
    QFETCH(QString, expected);
    const QString name = net::downloadFileName(QUrl(url), disposition, contentType);
    QCOMPARE(name, expected);
    QVERIFY(name.toUtf8().size() <= net::maxFileNameBytes);
    QVERIFY(!name.contains(u'/') && !name.contains(u'\\'));
    QVERIFY(name != u"." && name != u"..");
    for (const QChar c : name)
        QVERIFY(c.category() != QChar::Other_Control);
}

void TestUrlReader::redirects_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("redirects");
    QTest::addColumn<bool>("ok");
    QTest::newRow("relative chain") << "/redirect/3" << 3 << true;
    QTest::newRow("absolute chain") << "/redirect/3?absolute=1" << 3 << true;
    QTest::newRow("twenty") << "/redirect/20" << 20 << true;
    QTest::newRow("twenty-one") << "/redirect/21" << 20 << false;
    QTest::newRow("loop") << "/loop/a" << 1 << false;
    QTest::newRow("to a file address") << "/to-file" << 0 << false;
    QTest::newRow("without a target") << "/nowhere" << 0 << false;
}

void TestUrlReader::redirects()
{
    QFETCH(QString, path);
    QFETCH(int, redirects);
    QFETCH(bool, ok);
    const Outcome outcome = read(*m_reader, url(path));
    QList<int> expected{1};
    for (int i = 0; i < redirects; ++i)
        expected << 2 << 11 << 3;
    expected << 2 << 11;
    expected << (ok ? QList<int>({4, 5, 6}) : QList<int>({0}));
    QCOMPARE(outcome.codes, expected);
    QCOMPARE(outcome.ok, ok);
    if (ok) {
        QCOMPARE(readAll(outcome.path), QByteArray("arrived\n"));
        QCOMPARE(m_reader->url().path(), QStringLiteral("/redirect/0"));
    } else {
        QVERIFY(rootEntries().isEmpty());
    }
}

void TestUrlReader::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("idleMs"); // 0: the default idle timeout
    QTest::addColumn<QList<int>>("attempt"); // the reports of each attempt
    QTest::addColumn<int>("attempts");       // 6: the failure may pass, so it was retried five times
    const QList<int> noData{2, 11};
    const QList<int> someData{2, 11, 4, 5};
    QTest::newRow("404") << "/status/404" << 0 << noData << 1;
    QTest::newRow("500") << "/status/500" << 0 << noData << 6;
    QTest::newRow("300 is not a redirect") << "/status/300" << 0 << noData << 1;
    QTest::newRow("reset in mid-body") << "/reset" << 0 << someData << 6;
    QTest::newRow("short body") << "/short" << 0 << someData << 6;
    QTest::newRow("idle: no answer") << "/hang" << 300 << noData << 6;
    QTest::newRow("idle: stalled body") << "/stall" << 300 << someData << 6;
}

void TestUrlReader::failures()
{
    QFETCH(QString, path);
    QFETCH(int, idleMs);
    QFETCH(QList<int>, attempt);
    QFETCH(int, attempts);
    if (idleMs > 0)
        m_reader->setIdleTimeout(std::chrono::milliseconds(idleMs));
    const Outcome outcome = read(*m_reader, url(path), 10s);
    QList<int> expected{1};
    for (int i = 0; i < attempts; ++i)
        expected += attempt;
    expected.append(0);
    QCOMPARE(outcome.codes, expected);
    QCOMPARE(m_reader->attempts(), attempts);
    QCOMPARE(outcome.completions, 1);
    QVERIFY(!outcome.ok && outcome.path.isEmpty());
    QVERIFY(!m_reader->errorString().isEmpty());
    QVERIFY2(rootEntries().isEmpty(), qPrintable(rootEntries().join(u',')));
    if (idleMs > 0)
        QVERIFY2(outcome.elapsedMs >= idleMs * attempts && outcome.elapsedMs < idleMs * attempts + 5000,
                 qPrintable(QString::number(outcome.elapsedMs)));
}

void TestUrlReader::slowBodyThrottlesDataReports()
{
    // 30 pieces 25 ms apart: unthrottled, nearly every piece would be reported.
    const Outcome outcome = read(*m_reader, url(QStringLiteral("/slow?chunks=30&bytes=1000&interval=25")));
    QVERIFY(outcome.ok);
    QCOMPARE(withoutRepeatedData(outcome.codes), QList<int>({1, 2, 11, 4, 5, 6}));
    const auto dataReports = outcome.codes.count(5);
    QVERIFY2(dataReports >= 2, qPrintable(QString::number(dataReports)));
    QVERIFY2(dataReports <= outcome.elapsedMs / 100 + 2,
             qPrintable(QStringLiteral("%1 in %2 ms").arg(dataReports).arg(outcome.elapsedMs)));
    QCOMPARE(readAll(outcome.path), LoopbackHttpServer::pattern(0, 30000));
}

void TestUrlReader::largeBodyIsSavedExactlyWithFlatMemory()
{
    constexpr qint64 size = qint64(256) << 20;
    // Writing 5 to clear_refs resets the peak, so the peak below belongs to this read alone.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    const bool peakReset = clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
    clearRefs.close();
    const qint64 residentBefore = procStatusKb("VmRSS:");

    const Outcome outcome = read(*m_reader, url(QStringLiteral("/generated/%1").arg(size)), 100s);
    QVERIFY2(outcome.ok, qPrintable(m_reader->errorString()));
    const qint64 growthKb = procStatusKb("VmHWM:") - residentBefore;

    QCOMPARE(QFileInfo(outcome.path).size(), size);
    QCOMPARE(fileSha256(outcome.path), patternSha256(size));
    QCOMPARE(withoutRepeatedData(outcome.codes), QList<int>({1, 2, 11, 4, 5, 6}));
    QVERIFY(outcome.codes.count(5) <= outcome.elapsedMs / 100 + 2);
    if (peakReset && residentBefore > 0)
        QVERIFY2(growthKb < 64 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growthKb)));
    else
        qWarning("Peak memory could not be measured here; only the contents were checked.");
}

void TestUrlReader::localSchemes_data()
{
    QTest::addColumn<QByteArray>("content"); // written to a local file unless the text is data:
    QTest::addColumn<QString>("text");       // "%1" stands for the local file's address
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<QString>("name");

    QTest::newRow("file") << QByteArray("local bytes\n") << "%1" << QList<int>({1, 4, 5, 6}) << "local.txt";
    QTest::newRow("empty file") << QByteArray() << "%1" << QList<int>({1, 4, 6}) << "local.txt";
    QTest::newRow("missing file") << QByteArray() << "%1.missing" << QList<int>({1, 0}) << "";
    QTest::newRow("data") << QByteArray("hello") << "data:text/plain;base64,aGVsbG8=" << QList<int>({1, 4, 5, 6})
                          << "download.txt";
    QTest::newRow("data, no payload") << QByteArray() << "data:text/plain," << QList<int>({1, 4, 6}) << "download.txt";
}

void TestUrlReader::localSchemes()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    QFETCH(QList<int>, expected);
    QFETCH(QString, name);
    QTemporaryDir source;
    const QString localPath = source.filePath(QStringLiteral("local.txt"));
    if (text.contains(QLatin1String("%1"))) {
        QFile file(localPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        text = text.arg(QUrl::fromLocalFile(localPath).toString());
    }
    const Outcome outcome = read(*m_reader, text);
    QCOMPARE(outcome.codes, expected);
    QCOMPARE(outcome.ok, expected.back() == 6);
    if (outcome.ok) {
        QCOMPARE(QFileInfo(outcome.path).fileName(), name);
        QCOMPARE(readAll(outcome.path), content);
    } else {
        QVERIFY(rootEntries().isEmpty());
    }
}

void TestUrlReader::restartAndDiscardSilenceTheOldRead()
{
    QList<int> seen;
    int completions = 0;
    connect(m_reader.get(), &UrlReader::progress, this, [&seen](int code) { seen.append(code); });
    connect(m_reader.get(), &UrlReader::completed, this, [&completions] { ++completions; });

    // Restarting in mid-body: only the second read is reported.
    m_reader->start(url(QStringLiteral("/slow?chunks=20&interval=50")));
    QVERIFY(spinUntil([&] { return seen.contains(5); }, 10s));
    seen.clear();
    const Outcome second = read(*m_reader, url(QStringLiteral("/files/readme")));
    QVERIFY(second.ok);
    QCOMPARE(second.codes, QList<int>({1, 2, 11, 4, 5, 6}));
    QCOMPARE(seen, second.codes);
    QCOMPARE(completions, 1);
    QCOMPARE(rootEntries().size(), 1);

    // Discarding in mid-body: nothing more is reported, nothing is left, the connection is let go.
    seen.clear();
    m_reader->start(url(QStringLiteral("/slow?chunks=20&interval=50")));
    QVERIFY(spinUntil([&] { return seen.contains(5); }, 10s));
    m_reader->discard();
    QVERIFY(!m_reader->isRunning());
    const auto reportsAtDiscard = seen.size();
    QTest::qWait(300);
    QCOMPARE(seen.size(), reportsAtDiscard);
    QCOMPARE(completions, 1);
    QVERIFY(rootEntries().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_server.openConnections(), 0, 5000);
}

void TestUrlReader::receiverMayDeleteReader()
{
    auto* reader = new UrlReader;
    reader->setDownloadRoot(m_root->path());
    QPointer<UrlReader> watch(reader);
    connect(reader, &UrlReader::progress, this, [reader](int code) {
        if (code == UrlReader::BeginDownloadData)
            delete reader;
    });
    reader->start(url(QStringLiteral("/files/report.pdf")));
    QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), 10000);
    QTest::qWait(50);
    QVERIFY(rootEntries().isEmpty());
}

void TestUrlReader::concurrentReaders()
{
    const QStringList paths{QStringLiteral("/generated/3000000"), QStringLiteral("/slow?chunks=10&interval=20"),
                            QStringLiteral("/attachment")};
    std::vector<std::unique_ptr<UrlReader>> readers;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QString& path : paths) {
        readers.push_back(std::make_unique<UrlReader>());
        readers.back()->setDownloadRoot(m_root->path());
        spies.push_back(std::make_unique<QSignalSpy>(readers.back().get(), &UrlReader::completed));
        readers.back()->start(url(path));
    }
    QVERIFY(spinUntil(
        [&] { return std::all_of(spies.begin(), spies.end(), [](const auto& spy) { return spy->size() == 1; }); },
        20s));
    const QList<QByteArray> expected{LoopbackHttpServer::pattern(0, 3000000), LoopbackHttpServer::pattern(0, 10240),
                                     "attached\n"};
    const QStringList names{QStringLiteral("3000000"), QStringLiteral("slow"), QStringLiteral("r\u00e9sum\u00e9.txt")};
    QSet<QString> folders;
    for (size_t i = 0; i < spies.size(); ++i) {
        const QList<QVariant> arguments = spies[i]->at(0);
        QVERIFY(arguments.at(0).toBool());
        const QString path = arguments.at(1).toString();
        QCOMPARE(readAll(path), expected[qsizetype(i)]);
        QCOMPARE(QFileInfo(path).fileName(), names[qsizetype(i)]);
        folders.insert(QFileInfo(path).absolutePath());
    }
    QCOMPARE(folders.size(), 3);
    readers.clear();
    QVERIFY(rootEntries().isEmpty());
}

void TestUrlReader::downloadRootIsNotDoubledAndTheOldOneIsCleaned()
{
    const QByteArray previousCache = qgetenv("XDG_CACHE_HOME");
    const QString previousOrganisation = QCoreApplication::organizationName();
    const QString previousApplication = QCoreApplication::applicationName();
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_CACHE_HOME", previousCache);
        QCoreApplication::setOrganizationName(previousOrganisation);
        QCoreApplication::setApplicationName(previousApplication);
    });
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));

    QCOMPARE(UrlReader::defaultDownloadRoot(), cache.path() + QStringLiteral("/Tarnwick/downloads"));
    const QString old = cache.path() + QStringLiteral("/Tarnwick/Tarnwick/downloads");
    QCOMPARE(UrlReader::formerDownloadRoots(), QStringList({old}));

    // A folder an earlier version left behind (its process is long gone), beside a fresh download.
    QVERIFY(QDir().mkpath(old + QStringLiteral("/dl-999999999-1-abcdef")));
    QVERIFY(QDir().mkpath(UrlReader::defaultDownloadRoot()));
    QCOMPARE(UrlReader::cleanupFormerDownloadRoots(), 1);
    QVERIFY(!QFileInfo::exists(old));
    QVERIFY(!QFileInfo::exists(cache.path() + QStringLiteral("/Tarnwick/Tarnwick")));
    QVERIFY(QFileInfo::exists(UrlReader::defaultDownloadRoot()));

    // Something that is not a download folder is left where it is, and so is its folder.
    QVERIFY(QDir().mkpath(old + QStringLiteral("/notes")));
    QCOMPARE(UrlReader::cleanupFormerDownloadRoots(), 0);
    QVERIFY(QFileInfo::exists(old + QStringLiteral("/notes")));
}

void TestUrlReader::staleFolderCleanup()
{
    const QDir root(m_root->path());
    const qint64 ownPid = QCoreApplication::applicationPid();
    const QString ownToken = net::processStartToken(ownPid);
    QVERIFY(!ownToken.isEmpty());

    QProcess dead;
    dead.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(dead.waitForStarted());
    const qint64 deadPid = dead.processId();
    const QString deadToken = net::processStartToken(deadPid);
    dead.kill();
    QVERIFY(dead.waitForFinished());
    QVERIFY(net::processStartToken(deadPid).isEmpty());

    QProcess alive;
    alive.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(alive.waitForStarted());
    const QString aliveToken = net::processStartToken(alive.processId());

    const auto name = [](qint64 pid, const QString& token, const char* tail) {
        return QStringLiteral("dl-%1-%2-%3").arg(pid).arg(token, QLatin1String(tail));
    };
    const QString deadFolder = name(deadPid, deadToken, "AbC123");
    const QString earlierSelf = name(ownPid, ownToken + QLatin1Char('7'), "xYz789");
    const QString liveSelf = name(ownPid, ownToken, "keep01");
    const QString liveOther = name(alive.processId(), aliveToken, "keep02");
    for (const QString& folder : {deadFolder, earlierSelf, liveSelf, liveOther, QStringLiteral("notes")})
        QVERIFY(root.mkpath(folder + QStringLiteral("/inner")));
    QFile(root.filePath(deadFolder + QStringLiteral("/inner/part.bin"))).open(QIODevice::WriteOnly);
    QTemporaryDir outside;
    QVERIFY(QFile::link(outside.path(), root.filePath(name(deadPid, deadToken, "Link01"))));

    QCOMPARE(UrlReader::cleanupStaleFolders(root.path()), 2);
    alive.kill();
    alive.waitForFinished();
    QStringList left = rootEntries();
    left.sort();
    QStringList expectedLeft{liveSelf, liveOther, QStringLiteral("notes"), name(deadPid, deadToken, "Link01")};
    expectedLeft.sort();
    QCOMPARE(left, expectedLeft);
    QVERIFY(QFileInfo::exists(outside.path()));

    // A reader clears a root's orphans on its first read there.
    QTemporaryDir freshRoot;
    QVERIFY(QDir(freshRoot.path()).mkdir(deadFolder));
    UrlReader reader;
    reader.setDownloadRoot(freshRoot.path());
    QVERIFY(read(reader, url(QStringLiteral("/files/readme"))).ok);
    QVERIFY(!QFileInfo::exists(QDir(freshRoot.path()).filePath(deadFolder)));
}

void TestUrlReader::https_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("untrusted certificate") << false << "/files/readme" << QList<int>({1, 2, 0});
    QTest::newRow("trusted") << true << "/files/readme" << QList<int>({1, 2, 11, 4, 5, 6});
    QTest::newRow("to insecure http") << true << "/downgrade" << QList<int>({1, 2, 11, 0});
}

void TestUrlReader::https()
{
    QFETCH(bool, trusted);
    QFETCH(QString, path);
    QFETCH(QList<int>, expected);
    LoopbackHttpServer secure;
    QVERIFY(secure.listenTls(LoopbackHttpServer::testTlsConfiguration()));
    secure.addStandardRoutes();
    secure.serve(QStringLiteral("/downgrade"), HttpResponse::redirect(url(QStringLiteral("/files/readme")).toLatin1()));

    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&original] { QSslConfiguration::setDefaultConfiguration(original); });
    if (trusted) {
        QSslConfiguration withTestAuthority = original;
        withTestAuthority.addCaCertificate(LoopbackHttpServer::testCertificate());
        QSslConfiguration::setDefaultConfiguration(withTestAuthority);
    }
    const int plainRequestsBefore = m_server.requestCount(QStringLiteral("/files/readme"));
    const Outcome outcome = read(*m_reader, secure.url(path).toString());
    QCOMPARE(outcome.codes, expected);
    QCOMPARE(outcome.ok, expected.back() == 6);
    if (outcome.ok)
        QCOMPARE(readAll(outcome.path), QByteArray("Read me first.\n"));
    else
        QVERIFY(rootEntries().isEmpty());
    QCOMPARE(m_server.requestCount(QStringLiteral("/files/readme")), plainRequestsBefore);
}

void TestUrlReader::proxyDecision_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected"); // "direct", "error", or "http|socks host:port"

    const auto row = [](const char* tag, const char* url, const char* environment, const char* expected) {
        QTest::newRow(tag) << url << QString::fromLatin1(environment).split(u' ', Qt::SkipEmptyParts) << expected;
    };
    const char* proxied = "http proxy.example:3128";
    row("http", "http://site.example/", "http_proxy=http://proxy.example:3128", proxied);
    row("upper-case HTTP_PROXY ignored", "http://site.example/", "HTTP_PROXY=proxy.example:3128", "direct");
    row("https only", "http://site.example/", "https_proxy=proxy.example:3128", "direct");
    row("HTTPS_PROXY", "https://site.example/", "HTTPS_PROXY=proxy.example:3128", proxied);
    row("all_proxy socks", "https://site.example/", "all_proxy=socks5h://s.example:1081", "socks s.example:1081");
    row("default port", "http://site.example/", "http_proxy=p.example", "http p.example:1080");
    row("unsupported kind", "http://site.example/", "http_proxy=https://p.example:443", "error");
    row("loopback", "http://127.0.0.1:8000/", "http_proxy=proxy.example:3128", "direct");
    row("file", "file:///tmp/x", "http_proxy=proxy.example:3128", "direct");
    const auto noProxy = [&row, proxied](const char* tag, const char* url, const char* list, bool bypassed) {
        const QByteArray environment = QByteArray("http_proxy=proxy.example:3128 no_proxy=") + list;
        row(tag, url, environment.constData(), bypassed ? "direct" : proxied);
    };
    noProxy("no_proxy list", "http://site.example/", "other.example,site.example", true);
    noProxy("no_proxy subdomain", "http://www.site.example/", "site.example", true);
    noProxy("no_proxy leading dot", "http://site.example/", ".site.example", true);
    noProxy("no_proxy not a suffix", "http://notsite.example/", "site.example", false);
    noProxy("no_proxy star", "http://site.example/", "*", true);
    noProxy("no_proxy cidr", "http://10.1.2.3/", "10.0.0.0/8", true);
    noProxy("no_proxy outside cidr", "http://11.1.2.3/", "10.0.0.0/8", false);
    noProxy("no_proxy port", "http://site.example:8080/", "site.example:8080", true);
    noProxy("no_proxy other port", "http://site.example/", "site.example:8080", false);
    noProxy("no_proxy ipv6", "http://[2001:db8::1]/", "[2001:db8::1]", true);
}

void TestUrlReader::proxyDecision()
{
    QFETCH(QString, url);
    QFETCH(QStringList, environment);
    QFETCH(QString, expected);
    QProcessEnvironment env;
    for (const QString& entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    const auto decision = net::EnvironmentProxyFactory::decide(QUrl(url), env);
    const QString kind = decision.proxy.type() == QNetworkProxy::Socks5Proxy ? "socks" : "http";
    const QString actual = !decision.error.isEmpty()                       ? QStringLiteral("error")
        : decision.proxy.type() == QNetworkProxy::NoProxy ? QStringLiteral("direct")
        : QStringLiteral("%1 %2:%3").arg(kind, decision.proxy.hostName()).arg(decision.proxy.port());
    QCOMPARE(actual, expected);
}

void TestUrlReader::proxyFromEnvironmentIsUsed()
{
    // The "proxy" is a loopback server; the site's name is never looked up, the proxy gets it.
    LoopbackHttpServer proxy;
    QVERIFY(proxy.listen());
    proxy.addStandardRoutes();
    const auto noExceptions = scopedEnv("no_proxy", "");
    const auto noExceptionsUpper = scopedEnv("NO_PROXY", "");
    {
        const auto setting = scopedEnv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxy.port()));
        const Outcome outcome = read(*m_reader, QStringLiteral("http://tarnwick-proxied.invalid/files/readme"));
        QVERIFY2(outcome.ok, qPrintable(m_reader->errorString()));
        QCOMPARE(readAll(outcome.path), QByteArray("Read me first.\n"));
        QCOMPARE(proxy.requests().size(), 1);
        QCOMPARE(proxy.requests().first().target, QByteArray("http://tarnwick-proxied.invalid/files/readme"));
    }
    {
        const auto setting = scopedEnv("http_proxy", "ftp://127.0.0.1:1");
        const Outcome outcome = read(*m_reader, QStringLiteral("http://tarnwick-proxied.invalid/files/readme"));
        QCOMPARE(outcome.codes, QList<int>({1, 0}));
    }
}

QTEST_GUILESS_MAIN(TestUrlReader)
#include "tst_urlreader.moc"
