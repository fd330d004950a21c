#pragma once

namespace tarnwick::platform {

class AppEnvironment;
class DialogService;
class SettingsStore;

// The platform seams the main window is built on, handed in by main() or by a test.
struct Services
{
    DialogService& dialogs;
    SettingsStore& settings;
    const AppEnvironment& environment;
};

} // namespace tarnwick::platform
