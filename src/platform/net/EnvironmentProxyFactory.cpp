#include "platform/net/EnvironmentProxyFactory.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace tarnwick::platform::net {

namespace {

// curl's default, so one setting means the same proxy to every tool.
constexpr int defaultProxyPort = 1080;

QString firstSet(const QProcessEnvironment& environment, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const QString value = environment.value(QLatin1String(name)).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

bool isLoopbackHost(const QString& host)
{
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

bool EnvironmentProxyFactory::bypassed(const QUrl& url, const QString& noProxy)
{
    const QString host = url.host().toLower();
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    QHostAddress hostAddress;
    const bool hostIsAddress = hostAddress.setAddress(host);

    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QStringList entries = noProxy.toLower().split(separators, Qt::SkipEmptyParts);
    for (QString entry : entries) {
        if (entry == QLatin1String("*"))
            return true;
        if (entry.contains(u'/')) {
            const auto subnet = QHostAddress::parseSubnet(entry);
            if (hostIsAddress && !subnet.first.isNull() && hostAddress.isInSubnet(subnet))
                return true;
            continue;
        }
        int entryPort = -1;
        if (entry.startsWith(u'[')) {
            const qsizetype close = entry.indexOf(u']');
            if (close < 0)
                continue;
            const QString rest = entry.mid(close + 1);
            entry = entry.mid(1, close - 1);
            if (rest.startsWith(u':'))
                entryPort = rest.mid(1).toInt();
        } else if (entry.count(u':') == 1) {
            entryPort = entry.section(u':', 1).toInt();
            entry = entry.section(u':', 0, 0);
        }
        if (entryPort >= 0 && entryPort != port)
            continue;
        QHostAddress entryAddress;
        if (entryAddress.setAddress(entry)) {
            if (hostIsAddress && entryAddress.isEqual(hostAddress))
                return true;
            continue;
        }
        while (entry.startsWith(u'*') || entry.startsWith(u'.'))
            entry.remove(0, 1);
        if (!entry.isEmpty() && (host == entry || host.endsWith(u'.' + entry)))
            return true;
    }
    return false;
}

EnvironmentProxyFactory::Decision EnvironmentProxyFactory::decide(const QUrl& url,
                                                                  const QProcessEnvironment& environment)
{
    const QString scheme = url.scheme().toLower();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || isLoopbackHost(url.host()))
        return {};
    if (bypassed(url, firstSet(environment, {"no_proxy", "NO_PROXY"})))
        return {};

    const QString setting = scheme == QLatin1String("http")
        ? firstSet(environment, {"http_proxy", "all_proxy", "ALL_PROXY"})
        : firstSet(environment, {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"});
    if (setting.isEmpty())
        return {};

    const QUrl proxyUrl(setting.contains(QLatin1String("://")) ? setting : QLatin1String("http://") + setting);
    const QString proxyScheme = proxyUrl.scheme().toLower();
    Decision decision;
    if (proxyScheme == QLatin1String("http")) {
        decision.proxy.setType(QNetworkProxy::HttpProxy);
    } else if (proxyScheme == QLatin1String("socks5") || proxyScheme == QLatin1String("socks5h")) {
        decision.proxy.setType(QNetworkProxy::Socks5Proxy);
    } else {
        decision.error = QCoreApplication::translate("UrlReader", "The proxy %1 is of an unsupported kind.")
                             .arg(proxyUrl.toDisplayString(QUrl::RemoveUserInfo));
        return decision;
    }
    if (!proxyUrl.isValid() || proxyUrl.host().isEmpty()) {
        decision.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
        decision.error = QCoreApplication::translate("UrlReader", "The proxy setting \"%1\" is not an address.")
                             .arg(setting);
        return decision;
    }
    decision.proxy.setHostName(proxyUrl.host());
    decision.proxy.setPort(quint16(proxyUrl.port(defaultProxyPort)));
    decision.proxy.setUser(proxyUrl.userName(QUrl::FullyDecoded));
    decision.proxy.setPassword(proxyUrl.password(QUrl::FullyDecoded));
    return decision;
}

QList<QNetworkProxy> EnvironmentProxyFactory::queryProxy(const QNetworkProxyQuery& query)
{
    const Decision decision = decide(query.url(), QProcessEnvironment::systemEnvironment());
    if (decision.error.isEmpty())
        return {decision.proxy};
    // Fail closed: a proxy the user asked for but that cannot be used must not turn into a
    // direct connection. A proxy without a host makes the request fail with a proxy error.
    return {QNetworkProxy(QNetworkProxy::HttpProxy, QString(), 0)};
}

} // namespace tarnwick::platform::net
