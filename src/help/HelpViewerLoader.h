#pragma once

#include "platform/HelpEngine.h"

#include <memory>

namespace tarnwick::help {

// The program's help engine: the viewer (HelpViewer) from the help viewer module, loaded by the
// first help command. When the module cannot be loaded the command fails with a message saying so.
class HelpViewerLoader : public platform::HelpEngine
{
public:
    HelpViewerLoader();
    ~HelpViewerLoader() override;
    HelpViewerLoader(const HelpViewerLoader&) = delete;
    HelpViewerLoader& operator=(const HelpViewerLoader&) = delete;

    bool showHelp(QWidget* owner, const QString& helpFile, quint32 command, const QString& keyword,
                  QString* error) override;

private:
    std::unique_ptr<platform::HelpEngine> m_viewer;
};

} // namespace tarnwick::help
