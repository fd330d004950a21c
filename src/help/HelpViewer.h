#pragma once

#include "platform/HelpEngine.h"

#include <QPointer>

namespace tarnwick::help {

class HelpWindow;

// The help engine of the program: one help window, reused while the same help file is asked for.
class HelpViewer : public platform::HelpEngine
{
public:
    HelpViewer() = default;
    ~HelpViewer() override;
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;

    bool showHelp(QWidget* owner, const QString& helpFile, quint32 command, const QString& keyword,
                  QString* error) override;

    // The window of the last call, if it is still there.
    HelpWindow* window() const;

private:
    QPointer<HelpWindow> m_window;
};

} // namespace tarnwick::help
