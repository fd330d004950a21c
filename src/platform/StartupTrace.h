#pragma once

namespace tarnwick::platform {

// Milestones of start-up for the start-up benchmark's breakdown: with TARNWICK_STARTUP_TRACE set,
// each mark prints "stage NAME MS CPU" (milliseconds since main began, and processor milliseconds
// the process has used) on standard output. Without it
// a mark costs one test of a cached flag.
class StartupTrace
{
public:
    static void begin();
    static void mark(const char* stage);
    // Prints "webengine loaded" or "webengine absent": whether Chromium is mapped into the process;
    // then "library NAME" for every shared library mapped, so that a test can tell which ones
    // start-up left for later.
    static void noteLibraries();
};

} // namespace tarnwick::platform
