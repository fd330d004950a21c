// Time from process start to the main window shown and painted with Document1, for Tarnwick and a bare Qt
// MDI editor of the same shape, interleaved run by run. Offscreen always, and on the X server named
// by DISPLAY when there is one (run it under xvfb-run for that). Medians; the ratio is what matters.
// Each program also reports its stages (milliseconds since main began), so the report says where
// the difference goes; "before main" is the process start (loading libraries) up to main.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run
{
    double total = -1;
    QMap<QString, double> stages;
    double cpu = -1; // processor milliseconds used up to the last stage
    bool webEngineLoaded = false;
};

Run timeToShown(const QString& program, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    QByteArray output;
    Run run;
    while (timer.elapsed() < 30000) {
        if (!process.waitForReadyRead(30000 - int(timer.elapsed())))
            break;
        output += process.readAllStandardOutput();
        if (output.contains("shown Document1")) {
            run.total = timer.nsecsElapsed() / 1e6;
            break;
        }
    }
    process.waitForFinished(10000);
    output += process.readAllStandardOutput();
    run.webEngineLoaded = output.contains("webengine loaded");
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() >= 3 && parts.at(0) == "stage")
            run.stages.insert(QString::fromLatin1(parts.at(1)), parts.at(2).toDouble());
        if (parts.size() >= 4 && parts.at(0) == "stage")
            run.cpu = parts.at(3).toDouble();
    }
    return run;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Median time spent in each stage: from the previous stage's mark to this one's.
QMap<QString, double> stageMedians(const std::vector<Run>& runs, const QStringList& order)
{
    QMap<QString, double> result;
    std::vector<double> beforeMain;
    for (const Run& run : runs) {
        if (run.stages.contains(order.constLast()))
            beforeMain.push_back(run.total - run.stages.value(order.constLast()));
    }
    result.insert(QStringLiteral("before main, and reporting"), median(beforeMain));
    for (int i = 1; i < order.size(); ++i) {
        std::vector<double> spans;
        for (const Run& run : runs) {
            if (run.stages.contains(order.at(i)) && run.stages.contains(order.at(i - 1)))
                spans.push_back(run.stages.value(order.at(i)) - run.stages.value(order.at(i - 1)));
        }
        result.insert(order.at(i), median(spans));
    }
    return result;
}

bool measure(const QString& platform, int runs, const QProcessEnvironment& base)
{
    QProcessEnvironment environment = base;
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    std::vector<Run> tarnwick;
    std::vector<Run> bare;
    // Interleaved, after one warm-up each, so that disk cache and CPU frequency treat both alike.
    timeToShown(QStringLiteral(TARNWICK_BINARY), environment);
    timeToShown(QStringLiteral(BARE_BINARY), environment);
    for (int i = 0; i < runs; ++i) {
        const Run t = timeToShown(QStringLiteral(TARNWICK_BINARY), environment);
        if (t.total < 0) {
            std::fprintf(stderr, "tarnwick did not report its window on %s\n", qPrintable(platform));
            return false;
        }
        tarnwick.push_back(t);
        const Run b = timeToShown(QStringLiteral(BARE_BINARY), environment);
        if (b.total < 0) {
            std::fprintf(stderr, "the bare program did not report its window on %s\n", qPrintable(platform));
            return false;
        }
        bare.push_back(b);
    }
    const auto totals = [](const std::vector<Run>& list) {
        std::vector<double> values;
        for (const Run& run : list)
            values.push_back(run.total);
        return median(values);
    };
    const double mt = totals(tarnwick);
    const double mb = totals(bare);
    const auto cpuTotals = [](const std::vector<Run>& list) {
        std::vector<double> values;
        for (const Run& run : list)
            values.push_back(run.cpu);
        return median(values);
    };
    const double ct = cpuTotals(tarnwick);
    const double cb = cpuTotals(bare);
    std::printf("start-up to main window painted with Document1, %s, interleaved, median of %d runs each\n",
                qPrintable(platform), runs);
    std::printf("  tarnwick      %8.1f ms\n", mt);
    std::printf("  bare MDI      %8.1f ms\n", mb);
    std::printf("  ratio         %8.2f (target <= 1.10)\n", mt / mb);
    std::printf("  processor time to the painted window: tarnwick %.1f ms, bare %.1f ms, ratio %.2f\n", ct, cb,
                ct / cb);
    const bool engineLoaded =
        std::any_of(tarnwick.begin(), tarnwick.end(), [](const Run& run) { return run.webEngineLoaded; });
    std::printf("  web engine loaded at start: %s\n", engineLoaded ? "YES" : "no");

    const QStringList order{QStringLiteral("main"),   QStringLiteral("application"), QStringLiteral("main-window"),
                            QStringLiteral("loaded"), QStringLiteral("shown"),       QStringLiteral("painted")};
    const QMap<QString, double> ts = stageMedians(tarnwick, order);
    const QMap<QString, double> bs = stageMedians(bare, order);
    std::printf("  stage (median ms)            tarnwick      bare\n");
    for (const QString& stage : QStringList{QStringLiteral("before main, and reporting")} + order.mid(1))
        std::printf("    %-26s %9.1f %9.1f\n", qPrintable(stage), ts.value(stage), bs.value(stage));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = qMax(15, qEnvironmentVariableIntValue("TARNWICK_BENCH_RUNS"));

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("TARNWICK_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    environment.insert(QStringLiteral("TARNWICK_STARTUP_TRACE"), QStringLiteral("1"));

    if (!measure(QStringLiteral("offscreen"), runs, environment))
        return 1;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        std::printf("no DISPLAY: run under xvfb-run for the figures on an X server\n");
    else if (!measure(QStringLiteral("xcb"), runs, environment))
        return 1;
    return 0;
}
