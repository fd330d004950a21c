// Download throughput of Tarnwick against curl, both fetching from one loopback server (a process
// of its own, bench_loopback_server) into folders on one disk:
//   (a) one file of 1 GiB from a URL set on a document window's download control and saved into
//       the download directory; targets: at least 0.9 of curl's throughput, at most 50 MB of peak
//       memory growth.
//   (b) 32 files of 16 MiB at once, one per document window; target: at least 0.8 of the
//       throughput of 32 curls run in parallel.
//   (c) one file of 256 MiB from a server that resets the connection after every 64 MiB it sends:
//       the download must complete by resuming, with at most the file plus 1 MiB sent by the
//       server (its own count of bytes written). Tarnwick alone; curl would not resume by itself.
// Tarnwick's side is bench_download_client, a headless main window started afresh for each run.
// Both sides are timed over the transfer alone: Tarnwick from the first URL set to the last
// completion handled, curl by its own time_total (from before it resolves the address to the last
// byte written), so neither is charged for starting up. Runs alternate between the two sides; the
// figure is the median of the runs. Every saved file's SHA-256 is checked against the server's
// pattern.
//
// A missed target is reported, not failed: the exit status is non-zero only when something is
// broken (a download failed, a file is missing or wrong, a helper would not start).
//
// Options: --only a|b|c, --runs N (3), --size-a BYTES, --files-b N, --size-b BYTES,
//          --dir FOLDER (where the work folder is made; the system temporary folder by default),
//          --client PROGRAM (another build of bench_download_client, to compare two versions).
#include "SizedRoute.h"
#include "support/LoopbackHttpServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using tarnwick::test::LoopbackHttpServer;

namespace {

constexpr double MB = 1e6;
// Bounds for helpers that hang; a run of the full sizes takes seconds.
constexpr int kServerStartMs = 15000;
constexpr int kRunLimitMs = 30 * 60 * 1000;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User plus system CPU of a running process, from /proc/<pid>/stat; -1 when unreadable.
double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The command name may hold spaces; the fields counted here come after its closing parenthesis.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) / ticks; // utime, stime
}

QByteArray expectedSha256(qint64 length)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    constexpr qint64 piece = 4 << 20;
    for (qint64 offset = 0; offset < length; offset += piece)
        hash.addData(LoopbackHttpServer::pattern(offset, std::min(piece, length - offset)));
    return hash.result();
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

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

struct Finished
{
    bool started = false;
    bool finished = false;
    qint64 startNs = 0;
    qint64 endNs = 0;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

struct Command
{
    QString program;
    QStringList arguments;
};

// Starts every command at once and waits for all of them, noting when each ended.
std::vector<Finished> runTogether(const std::vector<Command>& commands, const QProcessEnvironment& environment,
                                  const QElapsedTimer& clock)
{
    std::vector<Finished> results(commands.size());
    std::vector<std::unique_ptr<QProcess>> processes;
    QEventLoop loop;
    int pending = int(commands.size());
    const auto done = [&pending, &loop] {
        if (--pending == 0)
            loop.quit();
    };
    for (size_t i = 0; i < commands.size(); ++i) {
        auto process = std::make_unique<QProcess>();
        QProcess* p = process.get();
        p->setProcessEnvironment(environment);
        QObject::connect(p, &QProcess::finished, &loop, [&results, &clock, &done, p, i](int code, QProcess::ExitStatus status) {
            results[i].endNs = clock.nsecsElapsed();
            results[i].finished = status == QProcess::NormalExit;
            results[i].exitCode = status == QProcess::NormalExit ? code : -1;
            results[i].out = p->readAllStandardOutput();
            results[i].err = p->readAllStandardError();
            done();
        });
        QObject::connect(p, &QProcess::errorOccurred, &loop, [&results, &done, i](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                results[i].err = "failed to start";
                done();
            }
        });
        results[i].startNs = clock.nsecsElapsed();
        results[i].started = true;
        p->start(commands[i].program, commands[i].arguments);
        processes.push_back(std::move(process));
    }
    QTimer::singleShot(kRunLimitMs, &loop, &QEventLoop::quit);
    if (pending > 0)
        loop.exec();
    for (auto& process : processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    return results;
}

struct Scenario
{
    QString key;
    QString title;
    int files = 1;
    qint64 size = 0;
    double targetRatio = 0;
    double memoryTargetMB = -1; // < 0: no memory target
};

struct Run
{
    double seconds = 0;      // the transfer, as defined above
    double wallSeconds = 0;  // process start to last exit, for reference
    double cpuSeconds = 0;   // the client's user + system CPU
    double serverCpuSeconds = 0;
    double hwmGrowthMB = -1;
    double headersSeconds = -1;
    double dataSeconds = -1;
    int right = 0;           // files whose hash is right
    QStringList problems;
};

class Bench
{
public:
    Bench(const QString& workRoot, qint64 serverPid, quint16 port, QString curl, QString client)
        : m_work(workRoot)
        , m_serverPid(serverPid)
        , m_port(port)
        , m_curl(std::move(curl))
        , m_client(std::move(client))
        , m_environment(childEnvironment())
    {
        QDir(m_work).mkpath(QStringLiteral("curl"));
        QDir(m_work).mkpath(QStringLiteral("tarnwick"));
        QDir(m_work).mkpath(QStringLiteral("tmp"));
        // The fixture of the Tarnwick client, download cache included, lives on the same disk.
        m_clientEnvironment = m_environment;
        m_clientEnvironment.insert(QStringLiteral("TMPDIR"), m_work + QStringLiteral("/tmp"));
    }

    // Scenario (c): one run of the client against the resetting route; the server's byte and
    // request counts come from sent(), which asks the server process.
    Run runFlaky(qint64 size, qint64 every, const QByteArray& expected,
                 const std::function<std::pair<qint64, qint64>()>& sent, qint64* bytesSent, qint64* requests)
    {
        const QString folder = m_work + QStringLiteral("/tarnwick");
        const QString name = QStringLiteral("c-01.bin");
        const QString address =
            QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(tarnwick::bench::flakyPath(every, size, name));
        Run run;
        settle();
        const auto before = sent();
        QElapsedTimer clock;
        clock.start();
        const std::vector<Finished> results = runTogether({{m_client, {folder, address}}}, m_clientEnvironment, clock);
        const auto after = sent();
        *bytesSent = after.first - before.first;
        *requests = after.second - before.second;
        const Finished& r = results.front();
        run.wallSeconds = double(r.endNs - r.startNs) / 1e9;
        for (const QByteArray& line : r.out.split('\n')) {
            const qsizetype at = line.indexOf(" elapsed_s=");
            if (line.startsWith("RESULT ") && at > 0)
                run.seconds = line.mid(at + 11).split(' ').value(0).toDouble();
        }
        if (!r.finished || r.exitCode != 0)
            run.problems << QStringLiteral("the Tarnwick client exited %1: %2")
                                .arg(r.exitCode)
                                .arg(QString::fromLocal8Bit(r.err.trimmed()));
        Scenario scenario;
        scenario.size = size;
        verify({folder + QLatin1Char('/') + name}, scenario, expected, &run);
        clear(folder);
        return run;
    }

    QString url(const Scenario& scenario, int index) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(tarnwick::bench::sizedPath(scenario.size, fileName(scenario, index)));
    }

    static QString fileName(const Scenario& scenario, int index)
    {
        return QStringLiteral("%1-%2.bin").arg(scenario.key).arg(index + 1, 2, 10, QLatin1Char('0'));
    }

    Run runCurl(const Scenario& scenario, const QByteArray& expected)
    {
        const QString folder = m_work + QStringLiteral("/curl");
        std::vector<Command> commands;
        QStringList paths;
        for (int i = 0; i < scenario.files; ++i) {
            paths << folder + QLatin1Char('/') + fileName(scenario, i);
            commands.push_back({m_curl, {QStringLiteral("-s"), QStringLiteral("-o"), paths.constLast(),
                                         QStringLiteral("-w"), QStringLiteral("%{time_total}\\n"), url(scenario, i)}});
        }
        Run run;
        settle();
        const double cpu0 = childrenCpuSeconds();
        const double server0 = processCpuSeconds(m_serverPid);
        QElapsedTimer clock;
        clock.start();
        const std::vector<Finished> results = runTogether(commands, m_environment, clock);
        run.cpuSeconds = childrenCpuSeconds() - cpu0;
        run.serverCpuSeconds = processCpuSeconds(m_serverPid) - server0;
        qint64 first = -1;
        qint64 last = 0;
        qint64 firstStart = -1;
        for (size_t i = 0; i < results.size(); ++i) {
            const Finished& r = results[i];
            bool ok = false;
            const double total = r.out.trimmed().toDouble(&ok);
            if (!r.finished || r.exitCode != 0 || !ok) {
                run.problems << QStringLiteral("curl %1 exited %2: %3").arg(url(scenario, int(i))).arg(r.exitCode).arg(QString::fromLocal8Bit(r.err.trimmed()));
                continue;
            }
            const qint64 begin = r.endNs - qint64(total * 1e9);
            first = first < 0 ? begin : std::min(first, begin);
            firstStart = firstStart < 0 ? r.startNs : std::min(firstStart, r.startNs);
            last = std::max(last, r.endNs);
        }
        run.seconds = double(last - first) / 1e9;
        run.wallSeconds = double(last - firstStart) / 1e9;
        verify(paths, scenario, expected, &run);
        clear(folder);
        return run;
    }

    Run runTarnwick(const Scenario& scenario, const QByteArray& expected)
    {
        const QString folder = m_work + QStringLiteral("/tarnwick");
        QStringList arguments{folder};
        QStringList expectedPaths;
        for (int i = 0; i < scenario.files; ++i) {
            arguments << url(scenario, i);
            expectedPaths << folder + QLatin1Char('/') + fileName(scenario, i);
        }
        Run run;
        settle();
        const double server0 = processCpuSeconds(m_serverPid);
        QElapsedTimer clock;
        clock.start();
        const std::vector<Finished> results =
            runTogether({{m_client, arguments}}, m_clientEnvironment, clock);
        run.serverCpuSeconds = processCpuSeconds(m_serverPid) - server0;
        const Finished& r = results.front();
        run.wallSeconds = double(r.endNs - r.startNs) / 1e9;
        QStringList saved;
        QMap<QString, QString> values;
        for (const QByteArray& line : r.out.split('\n')) {
            if (line.startsWith("FILE "))
                saved << QString::fromLocal8Bit(line.mid(5));
            if (line.startsWith("RESULT ")) {
                for (const QByteArray& field : line.mid(7).split(' ')) {
                    const qsizetype equals = field.indexOf('=');
                    if (equals > 0)
                        values.insert(QString::fromLatin1(field.left(equals)), QString::fromLatin1(field.mid(equals + 1)));
                }
            }
        }
        if (!r.finished || r.exitCode != 0 || values.isEmpty()) {
            run.problems << QStringLiteral("the Tarnwick client exited %1: %2")
                                .arg(r.exitCode)
                                .arg(QString::fromLocal8Bit(r.err.trimmed()));
        }
        run.seconds = values.value(QStringLiteral("elapsed_s")).toDouble();
        run.cpuSeconds = values.value(QStringLiteral("cpu_user_s")).toDouble() + values.value(QStringLiteral("cpu_sys_s")).toDouble();
        run.hwmGrowthMB = values.value(QStringLiteral("hwm_growth_kb")).toDouble() * 1024 / MB;
        run.headersSeconds = values.value(QStringLiteral("first_headers_s")).toDouble();
        run.dataSeconds = values.value(QStringLiteral("last_data_s")).toDouble();
        std::sort(saved.begin(), saved.end());
        if (!values.isEmpty() && saved != expectedPaths) {
            run.problems << QStringLiteral("Tarnwick saved %1 files, expected %2 under their own names")
                                .arg(saved.size())
                                .arg(expectedPaths.size());
        }
        verify(expectedPaths, scenario, expected, &run);
        clear(folder);
        return run;
    }

private:
    // Every run starts with no dirty pages of an earlier one still waiting to be written.
    static void settle() { ::sync(); }

    static void verify(const QStringList& paths, const Scenario& scenario, const QByteArray& expected, Run* run)
    {
        for (const QString& path : paths) {
            const QFileInfo info(path);
            if (!info.exists()) {
                run->problems << QStringLiteral("%1 is missing").arg(path);
                continue;
            }
            if (info.size() != scenario.size) {
                run->problems << QStringLiteral("%1 holds %2 bytes, not %3").arg(path).arg(info.size()).arg(scenario.size);
                continue;
            }
            if (fileSha256(path) != expected) {
                run->problems << QStringLiteral("%1 has the wrong SHA-256").arg(path);
                continue;
            }
            ++run->right;
        }
    }

    static void clear(const QString& folder)
    {
        QDir dir(folder);
        dir.removeRecursively();
        dir.mkpath(QStringLiteral("."));
    }

    QString m_work;
    qint64 m_serverPid;
    quint16 m_port;
    QString m_curl;
    QString m_client;
    QProcessEnvironment m_environment;
    QProcessEnvironment m_clientEnvironment;
};

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

void printRow(const char* label, const std::vector<Run>& runs, double (*value)(const Run&), const char* format)
{
    std::printf("  %-22s", label);
    for (const Run& run : runs)
        std::printf(format, value(run));
    std::vector<double> values;
    for (const Run& run : runs)
        values.push_back(value(run));
    std::printf(format, median(values));
    std::printf("\n");
}

// Runs one scenario; false when something was broken.
bool runScenario(Bench& bench, const Scenario& scenario, int runs)
{
    QElapsedTimer hashing;
    hashing.start();
    const QByteArray expected = expectedSha256(scenario.size);
    std::printf("\n(%s) %s\n", qPrintable(scenario.key), qPrintable(scenario.title));
    std::printf("  expected SHA-256 %s (%.1f s to compute)\n", expected.toHex().constData(), hashing.elapsed() / 1000.0);
    std::fflush(stdout);

    std::vector<Run> curl;
    std::vector<Run> tarnwick;
    for (int i = 0; i < runs; ++i) {
        // Alternating which side goes first evens out whatever one run leaves behind for the next.
        if (i % 2 == 0) {
            curl.push_back(bench.runCurl(scenario, expected));
            tarnwick.push_back(bench.runTarnwick(scenario, expected));
        } else {
            tarnwick.push_back(bench.runTarnwick(scenario, expected));
            curl.push_back(bench.runCurl(scenario, expected));
        }
        std::fprintf(stderr, "  run %d: curl %.3f s, tarnwick %.3f s\n", i + 1, curl.back().seconds,
                     tarnwick.back().seconds);
    }

    const double bytes = double(scenario.size) * scenario.files;
    std::printf("  %-22s", "");
    for (int i = 0; i < runs; ++i)
        std::printf("%10s", qPrintable(QStringLiteral("run %1").arg(i + 1)));
    std::printf("%10s\n", "median");
    printRow("curl seconds", curl, [](const Run& r) { return r.seconds; }, "%10.3f");
    printRow("tarnwick seconds", tarnwick, [](const Run& r) { return r.seconds; }, "%10.3f");
    printRow("curl wall (+start)", curl, [](const Run& r) { return r.wallSeconds; }, "%10.3f");
    printRow("tarnwick wall (+start)", tarnwick, [](const Run& r) { return r.wallSeconds; }, "%10.3f");
    printRow("curl CPU s", curl, [](const Run& r) { return r.cpuSeconds; }, "%10.3f");
    printRow("tarnwick CPU s", tarnwick, [](const Run& r) { return r.cpuSeconds; }, "%10.3f");
    printRow("server CPU s, curl", curl, [](const Run& r) { return r.serverCpuSeconds; }, "%10.3f");
    printRow("server CPU s, tarnwick", tarnwick, [](const Run& r) { return r.serverCpuSeconds; }, "%10.3f");
    printRow("tarnwick headers at s", tarnwick, [](const Run& r) { return r.headersSeconds; }, "%10.3f");
    printRow("tarnwick data in at s", tarnwick, [](const Run& r) { return r.dataSeconds; }, "%10.3f");
    printRow("tarnwick peak mem MB", tarnwick, [](const Run& r) { return r.hwmGrowthMB; }, "%10.1f");

    std::vector<double> curlSeconds;
    std::vector<double> tarnwickSeconds;
    std::vector<double> growth;
    int curlRight = 0;
    int tarnwickRight = 0;
    QStringList problems;
    for (const Run& run : curl) {
        curlSeconds.push_back(run.seconds);
        curlRight += run.right;
        problems += run.problems;
    }
    for (const Run& run : tarnwick) {
        tarnwickSeconds.push_back(run.seconds);
        growth.push_back(run.hwmGrowthMB);
        tarnwickRight += run.right;
        problems += run.problems;
    }
    const double curlRate = bytes / median(curlSeconds) / MB;
    const double tarnwickRate = bytes / median(tarnwickSeconds) / MB;
    const double ratio = tarnwickRate / curlRate;
    std::printf("  throughput            curl %.1f MB/s, tarnwick %.1f MB/s\n", curlRate, tarnwickRate);
    std::printf("  ratio tarnwick/curl   %.2f   target >= %.2f   %s\n", ratio, scenario.targetRatio,
                qPrintable(verdict(ratio >= scenario.targetRatio)));
    if (scenario.memoryTargetMB >= 0) {
        const double peak = *std::max_element(growth.begin(), growth.end());
        std::printf("  peak memory growth    %.1f MB median, %.1f MB worst   target <= %.0f MB   %s\n", median(growth), peak,
                    scenario.memoryTargetMB, qPrintable(verdict(peak <= scenario.memoryTargetMB)));
    }
    const int perSide = runs * scenario.files;
    std::printf("  SHA-256               curl %d/%d right, tarnwick %d/%d right   %s\n", curlRight, perSide,
                tarnwickRight, perSide, curlRight == perSide && tarnwickRight == perSide ? "ok" : "BROKEN");
    for (const QString& problem : std::as_const(problems))
        std::printf("  BROKEN: %s\n", qPrintable(problem));
    std::fflush(stdout);
    return problems.isEmpty() && curlRight == perSide && tarnwickRight == perSide;
}

bool runFlakyScenario(Bench& bench, qint64 size, qint64 every, int runs,
                      const std::function<std::pair<qint64, qint64>()>& sent)
{
    const QByteArray expected = expectedSha256(size);
    std::printf("\n(c) 1 file of %lld bytes from a server that resets the connection after every %lld bytes\n", size,
                every);
    std::fflush(stdout);
    bool ok = true;
    const qint64 limit = size + (qint64(1) << 20);
    for (int i = 0; i < runs; ++i) {
        qint64 bytes = 0;
        qint64 requests = 0;
        const Run run = bench.runFlaky(size, every, expected, sent, &bytes, &requests);
        const bool met = run.right == 1 && bytes <= limit;
        std::printf(
            "  run %d: %.3f s, %lld requests (%lld resumes), server sent %lld bytes (limit %lld)   SHA-256 %s   %s\n",
            i + 1, run.seconds, requests, requests - 1, bytes, limit, run.right == 1 ? "ok" : "BROKEN",
            qPrintable(verdict(met)));
        for (const QString& problem : run.problems)
            std::printf("  BROKEN: %s\n", qPrintable(problem));
        std::fflush(stdout);
        ok = ok && run.problems.isEmpty() && run.right == 1;
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Download throughput of Tarnwick against curl on loopback."));
    parser.addHelpOption();
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Run one scenario: a, b or c."),
                                        QStringLiteral("a|b|c"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per side (3)."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption sizeAOption(QStringLiteral("size-a"), QStringLiteral("Bytes of the file of (a)."), QStringLiteral("bytes"),
                                         QString::number(qint64(1) << 30));
    const QCommandLineOption filesBOption(QStringLiteral("files-b"), QStringLiteral("Files of (b)."), QStringLiteral("n"), QStringLiteral("32"));
    const QCommandLineOption sizeBOption(QStringLiteral("size-b"), QStringLiteral("Bytes of each file of (b)."), QStringLiteral("bytes"),
                                         QString::number(qint64(16) << 20));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Folder to work in."), QStringLiteral("folder"),
                                       QDir::tempPath());
    const QCommandLineOption clientOption(QStringLiteral("client"), QStringLiteral("The Tarnwick client to measure."),
                                          QStringLiteral("program"), QStringLiteral(TARNWICK_DOWNLOAD_CLIENT));
    parser.addOptions({onlyOption, runsOption, sizeAOption, filesBOption, sizeBOption, dirOption, clientOption});
    parser.process(app);

    const int runs = std::clamp(parser.value(runsOption).toInt(), 1, 99);
    const QString only = parser.value(onlyOption);
    std::vector<Scenario> scenarios;
    if (only.isEmpty() || only == QLatin1String("a")) {
        const qint64 size = parser.value(sizeAOption).toLongLong();
        scenarios.push_back({QStringLiteral("a"),
                             QStringLiteral("1 file of %1 bytes, its URL set on one document window").arg(size), 1,
                             size, 0.9, 50});
    }
    if (only.isEmpty() || only == QLatin1String("b")) {
        const int files = std::clamp(parser.value(filesBOption).toInt(), 1, 256);
        const qint64 size = parser.value(sizeBOption).toLongLong();
        scenarios.push_back({QStringLiteral("b"),
                             QStringLiteral("%1 files of %2 bytes at once, one per document window").arg(files).arg(size),
                             files, size, 0.8, -1});
    }
    for (const Scenario& scenario : scenarios) {
        if (scenario.size <= 0) {
            std::fprintf(stderr, "sizes must be positive\n");
            return 2;
        }
    }

    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        std::fprintf(stderr, "curl is not installed (scripts/setup.sh installs it)\n");
        return 1;
    }
    QProcess curlVersion;
    curlVersion.start(curl, {QStringLiteral("--version")});
    curlVersion.waitForFinished(10000);
    const QByteArray curlName = curlVersion.readAllStandardOutput().split('\n').value(0).split(' ').mid(0, 2).join(' ');

    QTemporaryDir work(parser.value(dirOption) + QStringLiteral("/tarnwick-dlbench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a work folder in %s\n", qPrintable(parser.value(dirOption)));
        return 1;
    }
    qint64 needed = 0;
    for (const Scenario& scenario : scenarios)
        needed = std::max(needed, scenario.size * scenario.files);
    const QStorageInfo storage(work.path());
    // One side's files at a time, plus the download cache's copy while it is moved, plus slack.
    if (storage.bytesAvailable() < needed + needed / 4 + (64 << 20)) {
        std::fprintf(stderr, "%s has %lld bytes free; the benchmark needs about %lld\n", qPrintable(work.path()),
                     storage.bytesAvailable(), needed + needed / 4 + (64 << 20));
        return 1;
    }

    QProcess server;
    server.setProcessEnvironment(childEnvironment());
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(LOOPBACK_SERVER), {});
    QByteArray banner;
    QElapsedTimer waited;
    waited.start();
    while (!banner.contains('\n') && waited.elapsed() < kServerStartMs
           && server.waitForReadyRead(int(kServerStartMs - waited.elapsed())))
        banner += server.readAllStandardOutput();
    const quint16 port = quint16(banner.startsWith("PORT ") ? banner.mid(5).trimmed().toUInt() : 0);
    if (port == 0) {
        std::fprintf(stderr, "the loopback server did not start\n");
        server.kill();
        server.waitForFinished(5000);
        return 1;
    }

    std::printf("Download benchmark: Tarnwick against %s, loopback server in a process of its own\n", curlName.constData());
    std::printf("work folder %s (%s on %s), median of %d runs per side, MB = 10^6 bytes\n", qPrintable(work.path()),
                storage.fileSystemType().constData(), storage.device().constData(), runs);
    std::printf("client %s\n", qPrintable(parser.value(clientOption)));
    std::fflush(stdout);

    Bench bench(work.path(), server.processId(), port, curl, parser.value(clientOption));
    bool ok = true;
    for (const Scenario& scenario : scenarios)
        ok = runScenario(bench, scenario, runs) && ok;
    if (only.isEmpty() || only == QLatin1String("c")) {
        const auto sent = [&server]() -> std::pair<qint64, qint64> {
            server.readAllStandardOutput();
            server.write("?\n");
            QByteArray line;
            while (!line.contains('\n') && server.waitForReadyRead(10000))
                line += server.readAllStandardOutput();
            const QList<QByteArray> fields = line.trimmed().split(' ');
            return {fields.value(1).toLongLong(), fields.value(2).toLongLong()};
        };
        ok = runFlakyScenario(bench, qint64(256) << 20, qint64(64) << 20, runs, sent) && ok;
    }

    server.closeWriteChannel(); // the server's cue to leave
    if (!server.waitForFinished(5000)) {
        server.kill();
        server.waitForFinished(5000);
    }
    return ok ? 0 : 1;
}
