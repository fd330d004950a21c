#include "help/HelpViewerLoader.h"
#include "platform/AppEnvironment.h"
#include "platform/FirstExpose.h"
#include "platform/ProcessTuning.h"
#include "platform/QtDesktopServices.h"
#include "platform/QtDialogService.h"
#include "platform/QtSettingsStore.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/StartupTrace.h"
#include "shell/CommandLine.h"
#include "shell/Icons.h"
#include "shell/Module1.h"
#include "shell/ProgramStyle.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char* argv[])
{
    using tarnwick::platform::StartupTrace;
    StartupTrace::begin();
    StartupTrace::mark("main");
    tarnwick::platform::tuneMemoryAllocator();
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    // --help and --version are answered before the window system is opened, so they work without a
    // display. Qt's own options (-platform, -style) are only known to the application object, so the
    // files and addresses are read again from what it leaves over.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    using tarnwick::shell::CommandLine;
    const CommandLine early = CommandLine::parse(rawArguments, QDir::currentPath());
    if (early.action == CommandLine::Action::Help || early.action == CommandLine::Action::Version) {
        std::fputs(qPrintable(early.text), stdout);
        return 0;
    }

    // Chromium refuses to run its sandbox as root; the browser windows must still open.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QApplication app(argc, argv);
    StartupTrace::mark("application");
    QApplication::setStyle(new tarnwick::shell::ProgramStyle);
    QApplication::setWindowIcon(tarnwick::shell::programIcon(QStringLiteral("tarnwick")));
    QApplication::setQuitOnLastWindowClosed(false);

    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments(), QDir::currentPath());
    if (commandLine.action == CommandLine::Action::Error) {
        std::fputs(qPrintable(commandLine.text), stderr);
        return 2;
    }

    tarnwick::platform::QtDialogService dialogs;
    tarnwick::platform::QtSettingsStore settings;
    const tarnwick::platform::AppEnvironment environment;
    tarnwick::platform::SystemInformationRegistry registry;
    tarnwick::platform::QtDesktopServices desktop;
    tarnwick::help::HelpViewerLoader help;
    const tarnwick::platform::Services services{dialogs, settings, environment, registry, desktop, help};

    std::unique_ptr<tarnwick::shell::frmMain> window(tarnwick::shell::Module1::Main(services, commandLine));
    QObject::connect(window.get(), &tarnwick::shell::frmMain::unloaded, &app, &QCoreApplication::quit);

    // The start-up benchmark measures up to the window as the user first sees it: exposed by the
    // window system and painted for that.
    if (qEnvironmentVariableIsSet("TARNWICK_EXIT_WHEN_SHOWN")) {
        tarnwick::platform::whenFirstExposed(window.get(), [&window] {
            StartupTrace::mark("painted");
            StartupTrace::noteLibraries();
            std::printf("shown %s\n",
                        qPrintable(window->ActiveForm() ? window->ActiveForm()->windowTitle() : QString()));
            std::fflush(stdout);
            window->close();
        });
    }
    return app.exec();
}
