#include "platform/StartupTrace.h"

#include <QElapsedTimer>
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

} // namespace tarnwick::platform
