#pragma once

#include "platform/DesktopServices.h"

class QUrl;

namespace tarnwick::platform {

// The desktop's handlers through QDesktopServices, programs through QProcess. Parameters and the
// window state cannot be passed on there; the desktop decides how what it opens is shown.
class QtDesktopServices : public DesktopServices
{
public:
    bool shellExecute(QWidget* owner, const QString& operation, const QString& file, const QString& parameters,
                      const QString& directory, int show) override;
    bool startProgram(const QString& path) override;

    // What shellExecute hands to the desktop for file: a URL as it is, a path made absolute
    // against directory.
    static QUrl urlFor(const QString& file, const QString& directory);
};

} // namespace tarnwick::platform
