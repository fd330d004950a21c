#pragma once

#include <QString>

namespace tarnwick::platform {
class AppEnvironment;
}

namespace tarnwick::shell {

// The product's own home page, shipped beside the executable so that it opens offline. Its URL is
// the default of the "Home Page" setting and what Help > Tarnwick Home Page opens.
inline const QString ProductHomePageFileName = QStringLiteral("tarnwick-home.html");
QString productHomePagePath(const platform::AppEnvironment& environment);
QString productHomePageUrl(const platform::AppEnvironment& environment);

} // namespace tarnwick::shell
