#pragma once

#include <QString>

class QWidget;

namespace tarnwick::platform {

// Window states a started program or document is shown in.
namespace ShowWindow {
enum : int { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3 };
}

// Handing things to the desktop: a document or address to whatever handles it, a program to run.
// Neither waits for what it started.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Runs operation ("Open") on file, a URL or a path relative to directory. True when the desktop
    // accepted it.
    virtual bool shellExecute(QWidget* owner, const QString& operation, const QString& file, const QString& parameters,
                              const QString& directory, int show) = 0;
    // Starts the program at path with a normal, focused window. False when it could not be started.
    virtual bool startProgram(const QString& path) = 0;
};

} // namespace tarnwick::platform
