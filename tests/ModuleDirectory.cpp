// The program finds its modules beside the executable; a test runs from its own folder, so it
// names the build folder, where the modules are built.
#include "platform/Modules.h"

#include <QCoreApplication>

namespace {

void useBuildFolderModules()
{
    tarnwick::platform::setModuleDirectory(QStringLiteral(TARNWICK_MODULE_DIR));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useBuildFolderModules)
