// The network module: one GET over Qt Network behind the exchange contract. Built as a loadable
// library so that the program maps Qt Network, libproxy and Kerberos only when it first downloads.
#include "platform/net/EnvironmentProxyFactory.h"
#include "platform/net/NetworkModule.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <type_traits>

namespace {

using namespace tarnwick::platform::net;

QPointer<QNetworkAccessManager>& mainThreadManager()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

void deleteMainThreadManager()
{
    delete mainThreadManager().data();
}

QNetworkAccessManager* managerForThisThread()
{
    static thread_local QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        manager = new QNetworkAccessManager;
        manager->setProxyFactory(new EnvironmentProxyFactory);
        QThread* thread = QThread::currentThread();
        const QCoreApplication* application = QCoreApplication::instance();
        if (application && application->thread() == thread) {
            // Gone while the application object still exists: closing a cached TLS connection
            // later, from the application's child list, makes Qt's TLS code warn.
            mainThreadManager() = manager;
            qAddPostRoutine(deleteMainThreadManager);
        } else {
            QObject::connect(thread, &QThread::finished, manager.data(), &QObject::deleteLater);
        }
    }
    return manager;
}

bool isNetworkScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

class NetworkExchange final : public Exchange
{
public:
    NetworkExchange(QNetworkReply* reply, ExchangeEvents* events) : m_reply(reply)
    {
        // The reply is the connections' context: deleting this object disconnects them first.
        m_connections = {
            QObject::connect(reply, &QNetworkReply::socketStartedConnecting, reply,
                             [events] { events->exchangeConnecting(); }),
            QObject::connect(reply, &QNetworkReply::requestSent, reply, [events] { events->exchangeRequestSent(); }),
            QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [events] { events->exchangeHeaders(); }),
            QObject::connect(reply, &QNetworkReply::readyRead, reply, [events] { events->exchangeData(); }),
            QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [events] { events->exchangeActivity(); }),
            QObject::connect(reply, &QNetworkReply::encrypted, reply, [events] { events->exchangeActivity(); }),
            QObject::connect(reply, &QNetworkReply::finished, reply, [events] { events->exchangeFinished(); }),
        };
    }

    ~NetworkExchange() override
    {
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
        // Deleting a reply cancels its request. abort() would too, but it raises an error of its
        // own, which clashes (with a warning) with one that Qt may already have queued.
        if (m_reply)
            m_reply->deleteLater();
    }

    int httpStatus() const override
    {
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        return status.isValid() ? status.toInt() : -1;
    }
    QString reasonPhrase() const override
    {
        return m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    }
    QByteArray rawHeader(const QByteArray& name) const override { return m_reply->rawHeader(name); }
    qint64 contentLength() const override
    {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        return length.isValid() ? length.toLongLong() : -1;
    }
    QString contentType() const override { return m_reply->header(QNetworkRequest::ContentTypeHeader).toString(); }
    QUrl redirectTarget() const override
    {
        return m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    }
    ExchangeError error() const override
    {
        switch (m_reply->error()) {
        case QNetworkReply::NoError:
            return ExchangeError::None;
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::ConnectionRefusedError:
            return ExchangeError::ClosedOrRefused;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::ProxyTimeoutError:
        case QNetworkReply::UnknownNetworkError:
            return ExchangeError::Passing;
        default:
            return ExchangeError::Lasting;
        }
    }
    QString errorString() const override { return m_reply->errorString(); }
    QByteArray read(qint64 maxBytes) override { return m_reply->read(maxBytes); }
    bool isFinished() const override { return m_reply->isFinished(); }

private:
    QPointer<QNetworkReply> m_reply;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace

extern "C" Q_DECL_EXPORT int tarnwick_network_abi()
{
    return NetworkAbiVersion;
}

extern "C" Q_DECL_EXPORT Exchange* tarnwick_start_exchange(const ExchangeRequest& request, ExchangeEvents* events,
                                                           QString* error)
{
    if (isNetworkScheme(request.url.scheme().toLower())) {
        const auto proxy = EnvironmentProxyFactory::decide(request.url, QProcessEnvironment::systemEnvironment());
        if (!proxy.error.isEmpty()) {
            *error = proxy.error;
            return nullptr;
        }
    }
    QNetworkRequest networkRequest(request.url);
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    for (const auto& header : request.headers)
        networkRequest.setRawHeader(header.first, header.second);
    QNetworkReply* reply = managerForThisThread()->get(networkRequest);
    if (request.readBufferBytes > 0)
        reply->setReadBufferSize(request.readBufferBytes);
    return new NetworkExchange(reply, events);
}

static_assert(std::is_same_v<decltype(&tarnwick_network_abi), int (*)()>, "the module's export drifted");
static_assert(std::is_same_v<decltype(&tarnwick_start_exchange), StartExchangeFunction>, "the module's export drifted");
