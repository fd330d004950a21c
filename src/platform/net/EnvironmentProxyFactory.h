#pragma once

#include <QNetworkProxyFactory>
#include <QProcessEnvironment>

namespace tarnwick::platform::net {

// Proxies taken from the environment the way curl and wget read it: http_proxy (lower case
// only, as curl does, since HTTP_PROXY can be injected by a CGI request header), https_proxy or
// HTTPS_PROXY, all_proxy or ALL_PROXY as the fallback, and no_proxy or NO_PROXY for exceptions.
// Qt's own system configuration goes through libproxy on Debian, which prefers desktop
// settings and may try WPAD; downloads should do what the user's shell says.
// Loopback addresses never go through a proxy, as with Qt's default.
class EnvironmentProxyFactory : public QNetworkProxyFactory
{
public:
    struct Decision {
        QNetworkProxy proxy{QNetworkProxy::NoProxy};
        QString error; // set when a variable names a proxy that cannot be used
    };

    // The variables are read on every query, so a change applies to the next download.
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override;

    static Decision decide(const QUrl& url, const QProcessEnvironment& environment);
    static bool bypassed(const QUrl& url, const QString& noProxy);
};

} // namespace tarnwick::platform::net
