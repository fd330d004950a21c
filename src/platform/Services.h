#pragma once

namespace tarnwick::platform {

class AppEnvironment;
class DesktopServices;
class DialogService;
class HelpEngine;
class Registry;
class SettingsStore;

// The platform seams the main window is built on, handed in by main() or by a test.
struct Services
{
    DialogService& dialogs;
    SettingsStore& settings;
    const AppEnvironment& environment;
    Registry& registry;
    DesktopServices& desktop;
    HelpEngine& help;
};

} // namespace tarnwick::platform
