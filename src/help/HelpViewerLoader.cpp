#include "help/HelpViewerLoader.h"

#include "help/HelpModule.h"
#include "platform/Modules.h"

namespace tarnwick::help {

HelpViewerLoader::HelpViewerLoader() = default;
HelpViewerLoader::~HelpViewerLoader() = default;

bool HelpViewerLoader::showHelp(QWidget* owner, const QString& helpFile, quint32 command, const QString& keyword,
                                QString* error)
{
    if (!m_viewer) {
        QString why;
        const auto create = reinterpret_cast<module::CreateFunction>(platform::resolveModuleEntry(
            module::HelpModuleBaseName, module::HelpAbiSymbol, module::HelpAbiVersion, module::HelpCreateSymbol, &why));
        if (create)
            m_viewer.reset(create());
        if (!m_viewer) {
            if (error)
                *error = QStringLiteral("The help viewer of the program could not be loaded: %1").arg(why);
            return false;
        }
    }
    return m_viewer->showHelp(owner, helpFile, command, keyword, error);
}

} // namespace tarnwick::help
