#include "help/HelpViewer.h"
#include "platform/AppEnvironment.h"
#include "platform/ProcessTuning.h"
#include "platform/QtDesktopServices.h"
#include "platform/QtDialogService.h"
#include "platform/QtSettingsStore.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char* argv[])
{
    tarnwick::platform::tuneMemoryAllocator();
    // Chromium refuses to run its sandbox as root; the browser windows must still open.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tarnwick.svg")));
    QApplication::setQuitOnLastWindowClosed(false);

    tarnwick::platform::QtDialogService dialogs;
    tarnwick::platform::QtSettingsStore settings;
    const tarnwick::platform::AppEnvironment environment;
    tarnwick::platform::SystemInformationRegistry registry;
    tarnwick::platform::QtDesktopServices desktop;
    tarnwick::help::HelpViewer help;
    const tarnwick::platform::Services services{dialogs, settings, environment, registry, desktop, help};

    std::unique_ptr<tarnwick::shell::frmMain> window(tarnwick::shell::Module1::Main(services));
    QObject::connect(window.get(), &tarnwick::shell::frmMain::unloaded, &app, &QCoreApplication::quit);

    // The start-up benchmark measures up to the first turn of the event loop with the window shown.
    if (qEnvironmentVariableIsSet("TARNWICK_EXIT_WHEN_SHOWN")) {
        QTimer::singleShot(0, window.get(), [&window] {
            std::printf("shown %s\n", qPrintable(window->ActiveForm() ? window->ActiveForm()->windowTitle() : QString()));
            std::fflush(stdout);
            window->close();
        });
    }
    return app.exec();
}
