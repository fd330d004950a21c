// Time from process start to the main window shown with Document1, for Tarnwick and for a bare
// Qt MDI editor, both offscreen. Median of the runs; the ratio is what matters.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double timeToShown(const QString& program, const QProcessEnvironment& environment, bool* ok)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    QByteArray output;
    double elapsed = -1;
    while (timer.elapsed() < 30000) {
        if (!process.waitForReadyRead(30000 - int(timer.elapsed())))
            break;
        output += process.readAllStandardOutput();
        if (output.contains("shown Document1")) {
            elapsed = timer.nsecsElapsed() / 1e6;
            break;
        }
    }
    process.waitForFinished(10000);
    *ok = elapsed >= 0;
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = qMax(10, qEnvironmentVariableIntValue("TARNWICK_BENCH_RUNS"));

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("TARNWICK_EXIT_WHEN_SHOWN"), QStringLiteral("1"));

    std::vector<double> tarnwick;
    std::vector<double> bare;
    // Interleaved, after one warm-up each, so that disk cache and CPU frequency treat both alike.
    bool ok = false;
    timeToShown(QStringLiteral(TARNWICK_BINARY), environment, &ok);
    timeToShown(QStringLiteral(BARE_BINARY), environment, &ok);
    for (int i = 0; i < runs; ++i) {
        const double t = timeToShown(QStringLiteral(TARNWICK_BINARY), environment, &ok);
        if (!ok) {
            std::fprintf(stderr, "tarnwick did not report its window\n");
            return 1;
        }
        tarnwick.push_back(t);
        const double b = timeToShown(QStringLiteral(BARE_BINARY), environment, &ok);
        if (!ok) {
            std::fprintf(stderr, "the bare program did not report its window\n");
            return 1;
        }
        bare.push_back(b);
    }
    const double mt = median(tarnwick);
    const double mb = median(bare);
    std::printf("start-up to main window with Document1, offscreen, median of %d runs\n", runs);
    std::printf("  tarnwick      %8.1f ms\n", mt);
    std::printf("  bare MDI      %8.1f ms\n", mb);
    std::printf("  ratio         %8.2f (target <= 1.20)\n", mt / mb);
    return 0;
}
