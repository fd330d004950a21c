#include "platform/StartupTrace.h"

#include <QElapsedTimer>
#include <QFile>
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

void StartupTrace::noteWebEngine()
{
    if (!g_enabled)
        return;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    std::printf("webengine %s\n", maps.readAll().contains("libQt6WebEngineCore") ? "loaded" : "absent");
    std::fflush(stdout);
}

} // namespace tarnwick::platform
