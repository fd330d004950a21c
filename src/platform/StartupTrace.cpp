#include "platform/StartupTrace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtGlobal>
#include <cstdio>

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
    std::printf("stage %s %.2f\n", stage, g_clock.nsecsElapsed() / 1e6);
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
