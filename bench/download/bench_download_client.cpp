// Tarnwick's side of the download benchmark, started by bench_download once per run: a real main
// window (offscreen, over the same fixture the tests use, shown) whose document windows each download one
// address through their download control, in automatic naming mode, into <download-dir>.
//
//   bench_download_client <download-dir> <url>...
//
// One window per address, all started together. The result is one line on standard output:
//   RESULT elapsed_s=.. first_headers_s=.. last_data_s=.. cpu_user_s=.. cpu_sys_s=.. rss_base_kb=..
//          hwm_growth_kb=.. hwm_reset=0|1 saved=N failed=N
// followed by "FILE <path>" for every saved file and, for each address in order,
//   TRACK <index> headers_s=.. data_s=.. handled_s=..   (-1: never happened)
// Exit status 0 when every address was saved.
#include "platform/ProcessTuning.h"
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "platform/UrlReader.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarnwick;

namespace {

// No single run of the benchmark comes near this; it only bounds a download that never ends.
constexpr int kRunLimitMs = 30 * 60 * 1000;

// A field of /proc/self/status in kB, or -1.
qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lowers the peak-RSS mark to the present RSS, so that the peak read afterwards belongs to the
// downloads rather than to building the windows. Linux 4.0 and later.
bool resetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

double seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

struct Track
{
    qint64 headersNs = -1;
    qint64 dataNs = -1;
    qint64 handledNs = -1;
    bool saved = false;
    QString path;
};

} // namespace

int main(int argc, char* argv[])
{
    // The same process set-up as the program itself.
    tarnwick::platform::tuneMemoryAllocator();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The loopback server is reached directly, whatever proxy the user's environment names.
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_download_client <download-dir> <url>...\n");
        return 2;
    }
    const QString downloadDir = QDir(arguments[0]).absolutePath();
    const QStringList urls = arguments.mid(1);

    test::ShellFixture fixture;
    // Stored as the user's download directory would be, so that loading the main window makes it
    // both the target of every save and the current directory, as in the program.
    fixture.settings.write(shell::settings::DefaultDirectory, downloadDir);
    shell::frmMain* main = fixture.createMain();
    if (QDir(main->newDir) != QDir(downloadDir)) {
        std::fprintf(stderr, "the main window downloads into %s, not %s\n", qPrintable(main->newDir),
                     qPrintable(downloadDir));
        return 1;
    }
    // Shown, as a user sees it: every downloading window draws its progress bar and the status
    // bar its indicator, so their cost is part of what is measured.
    main->show();
    std::vector<document::frmDocument*> windows{main->activeDocument()};
    while (windows.size() < size_t(urls.size()))
        windows.push_back(main->LoadNewDoc());
    QCoreApplication::processEvents();

    std::vector<Track> tracks(urls.size());
    int pending = int(urls.size());
    QEventLoop loop;
    QElapsedTimer clock;
    for (size_t i = 0; i < windows.size(); ++i) {
        download::ctlAsync* control = windows[i]->ctlAsync1;
        QObject::connect(control->reader(), &platform::UrlReader::progress, &loop, [&tracks, &clock, i](int code) {
            if (code == platform::UrlReader::BeginDownloadData)
                tracks[i].headersNs = clock.nsecsElapsed();
            else if (code == platform::UrlReader::EndDownloadData)
                tracks[i].dataNs = clock.nsecsElapsed();
        });
        QObject::connect(control, &download::ctlAsync::completionHandled, &loop,
                         [&tracks, &clock, &pending, &loop, control, i](bool saved) {
                             tracks[i].handledNs = clock.nsecsElapsed();
                             tracks[i].saved = saved;
                             tracks[i].path = control->savedFilePath();
                             if (--pending == 0)
                                 loop.quit();
                         });
    }
    QTimer::singleShot(kRunLimitMs, &loop, &QEventLoop::quit);

    const bool hwmReset = resetPeakRss();
    const qint64 rssBase = hwmReset ? statusKb("VmRSS") : statusKb("VmHWM");
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    clock.start();
    for (size_t i = 0; i < windows.size(); ++i)
        windows[i]->ctlAsync1->setURL(urls[int(i)]);
    if (pending > 0)
        loop.exec();
    const qint64 elapsedNs = clock.nsecsElapsed();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const qint64 hwm = statusKb("VmHWM");

    int saved = 0;
    qint64 firstHeaders = -1;
    qint64 lastData = -1;
    qint64 lastHandled = -1;
    for (const Track& track : tracks) {
        saved += track.saved ? 1 : 0;
        if (track.headersNs >= 0)
            firstHeaders = firstHeaders < 0 ? track.headersNs : std::min(firstHeaders, track.headersNs);
        lastData = std::max(lastData, track.dataNs);
        lastHandled = std::max(lastHandled, track.handledNs);
    }
    const int failed = int(tracks.size()) - saved;
    const QString unexpectedPrompts = fixture.dialogs.verify();
    if (!unexpectedPrompts.isEmpty())
        std::fprintf(stderr, "unexpected prompts: %s\n", qPrintable(unexpectedPrompts));
    if (pending > 0)
        std::fprintf(stderr, "%d downloads did not finish within %d s\n", pending, kRunLimitMs / 1000);

    std::printf("RESULT elapsed_s=%.6f first_headers_s=%.6f last_data_s=%.6f cpu_user_s=%.3f cpu_sys_s=%.3f "
                "rss_base_kb=%lld hwm_growth_kb=%lld hwm_reset=%d saved=%d failed=%d\n",
                double(pending > 0 ? elapsedNs : lastHandled) / 1e9, double(firstHeaders) / 1e9,
                double(lastData) / 1e9, seconds(after.ru_utime) - seconds(before.ru_utime),
                seconds(after.ru_stime) - seconds(before.ru_stime), rssBase, hwm - rssBase, hwmReset ? 1 : 0,
                saved, failed);
    for (const Track& track : tracks) {
        if (track.saved)
            std::printf("FILE %s\n", qPrintable(track.path));
    }
    const auto secondsOrNever = [](qint64 ns) { return ns < 0 ? -1.0 : double(ns) / 1e9; };
    for (size_t i = 0; i < tracks.size(); ++i) {
        std::printf("TRACK %zu headers_s=%.6f data_s=%.6f handled_s=%.6f\n", i + 1, secondsOrNever(tracks[i].headersNs),
                    secondsOrNever(tracks[i].dataNs), secondsOrNever(tracks[i].handledNs));
    }
    std::fflush(stdout);
    return failed == 0 && pending == 0 && unexpectedPrompts.isEmpty() ? 0 : 1;
}
