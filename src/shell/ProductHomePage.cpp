#include "shell/ProductHomePage.h"

#include "platform/AppEnvironment.h"

#include <QDir>
#include <QUrl>

namespace tarnwick::shell {

QString productHomePagePath(const platform::AppEnvironment& environment)
{
    return platform::AppEnvironment::joinPath(environment.applicationDir(), ProductHomePageFileName);
}

QString productHomePageUrl(const platform::AppEnvironment& environment)
{
    return QUrl::fromLocalFile(QDir::fromNativeSeparators(productHomePagePath(environment))).toString();
}

} // namespace tarnwick::shell
