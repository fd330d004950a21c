#include "platform/StartupTrace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QtGlobal>
#include <cstdio>
#include <ctime>

namespace tarnwick::platform {

namespace {
bool g_enabled = false;
QElapsedTimer g_clock;
} // namespace

void StartupTrace::begin()
{
    g_enabled = qEnvironmentVariableIsSet("TARNWICK_STARTUP_TRACE");
    if (g_enabled)
        g_clock.start();
}

void StartupTrace::mark(const char* stage)
{
    if (!g_enabled)
        return;
    // The processor time the process has used so far, loading its libraries included: on a busy
    // machine it varies far less than the time on the clock.
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("stage %s %.2f %.2f\n", stage, g_clock.nsecsElapsed() / 1e6, cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
    std::fflush(stdout);
}

void StartupTrace::noteLibraries()
{
    if (!g_enabled)
        return;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    const QByteArray mapped = maps.readAll();
    std::printf("webengine %s\n", mapped.contains("libQt6WebEngineCore") ? "loaded" : "absent");
    QSet<QByteArray> names;
    for (const QByteArray& line : mapped.split('\n')) {
        const int slash = line.lastIndexOf('/');
        if (slash >= 0 && line.indexOf(".so", slash) > 0)
            names.insert(line.mid(slash + 1));
    }
    for (const QByteArray& name : std::as_const(names))
        std::printf("library %s\n", name.constData());
    std::fflush(stdout);
}

} // namespace tarnwick::platform
