#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include "platform/net/NetworkModule.h"
#include "platform/net/RetryPolicy.h"

#include <chrono>
#include <memory>

class QFile;

namespace tarnwick::platform {

// Reads one address into a file of its own, asynchronously, for the per-document download
// control. Every report is a signal emitted from the reader's thread after start() has
// returned, in this order:
//
//   progress(1)  the read begins (for http/https: before the host is looked up)
//   progress(2)  a connection is used for the request: its socket starts connecting, or, when
//                an open connection is reused (or the protocol gives no such hint), just before 11
//   progress(11) the request has been sent
//   progress(3)  a redirect is followed; 2 and 11 then follow again for the next hop
//   progress(4)  a successful (2xx) response begins; the local file now exists
//   progress(5)  data arrived: at once for the first data, then at most every 100 ms
//   progress(6)  all data is in and the file is complete
//   completed(true, path)
//
// file: and data: addresses report 1, 4, 5 (if there is any data), 6. Any failure reports
// progress(0) and then completed(false, {}), and nothing of the download is kept. Failures
// include an HTTP status outside 2xx, certificate errors (none is ignored), more than
// maxRedirects redirects or one that revisits an address, leaving https, a body shorter than
// its Content-Length, and nothing happening for idleTimeout(). Proxies come from the
// environment (see net::EnvironmentProxyFactory).
//
// A failure that may pass (a reset or refusal once the server has answered, a short body, the
// idle time-out, HTTP 408/429/500/502/503/504) is retried after a pause (retryPolicy()) before
// it is reported; each new attempt reports 2 and 11 again, and 4 and 5 when its answer brings
// data. Once data has arrived, a retry asks for the rest only (Range with If-Range) and appends
// to the same file; an answer that cannot continue it (200, 416, another range) starts the file
// again from its first byte. progress(0) comes only after the last attempt.
//
// The file lives in a folder of its own (mode 0700) under the download root; it stays until
// discard() or the destructor, so that the caller can copy it first.
//
// The requests themselves go through the network module (net::startExchange), loaded by the
// first read; when it cannot be loaded the read fails and componentMissing() says so.
class UrlReader : public QObject, private net::ExchangeEvents
{
    Q_OBJECT
public:
    enum Status {
        Failed = 0,
        FindingResource = 1,
        Connecting = 2,
        Redirecting = 3,
        BeginDownloadData = 4,
        DownloadingData = 5,
        EndDownloadData = 6,
        SendingRequest = 11,
    };
    Q_ENUM(Status)

    static constexpr int maxRedirects = 20;
    static constexpr std::chrono::milliseconds defaultIdleTimeout{60000};
    static constexpr std::chrono::milliseconds dataReportInterval{100};

    explicit UrlReader(QObject* parent = nullptr);
    ~UrlReader() override;

    // The per-user cache folder's "downloads"; used unless setDownloadRoot() says otherwise.
    static QString defaultDownloadRoot();
    // Where earlier versions kept their temporary folders; cleaned once at start, then left alone.
    static QStringList formerDownloadRoots();
    static int cleanupFormerDownloadRoots();
    void setDownloadRoot(const QString& root);
    QString downloadRoot() const;

    // A read fails when nothing at all happens on it for this long.
    void setIdleTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds idleTimeout() const;

    void setRetryPolicy(const net::RetryPolicy& policy) { m_retryPolicy = policy; }
    net::RetryPolicy retryPolicy() const { return m_retryPolicy; }

    // Drops any read in progress without reporting on it, then begins reading text.
    void start(const QString& text);
    // Stops a read without reporting on it and removes its folder and file. Idempotent.
    void discard();

    QString text() const { return m_text; } // exactly as given to start()
    QUrl url() const { return m_url; }      // the address being read, after redirects
    bool isRunning() const { return m_running; }
    QString localFilePath() const { return m_localFilePath; }
    QString errorString() const { return m_errorString; }
    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 bytesExpected() const { return m_bytesExpected; } // -1 when the server did not say
    int attempts() const { return m_attempt + 1; }           // requests made for the address, redirects aside
    // The last read failed because the network module could not be loaded.
    bool componentMissing() const { return m_componentMissing; }

    // How start() reads a text: an empty QUrl (and *error) for anything but one address.
    static QUrl addressFromText(const QString& text, QString* error = nullptr);

    // Removes the download folders that processes no longer running left under root.
    static int cleanupStaleFolders(const QString& root);

signals:
    void progress(int statusCode);
    void completed(bool ok, const QString& localFilePath);

private:
    void exchangeConnecting() override { onSocketStartedConnecting(); }
    void exchangeRequestSent() override { onRequestSent(); }
    void exchangeHeaders() override { handleHeaders(); }
    void exchangeData() override { onReadyRead(); }
    void exchangeActivity() override { touch(); }
    void exchangeFinished() override { onFinished(); }

    void begin(quint64 generation);
    void sendRequest(const QUrl& url);
    void onSocketStartedConnecting();
    void onRequestSent();
    void onReadyRead();
    void onFinished();
    void onIdleTimeout();
    void onRetryDue();
    bool handleHeaders();
    bool beginBody(int status);
    bool restartFromZero(const QString& why);
    void attemptFailed(const QString& message, bool transient, bool immediately = false);
    void discardErrorPage();
    bool followRedirect();
    bool openLocalFile();
    bool drain();
    bool reportConnecting();
    bool reportRequestSent();
    bool report(int statusCode);
    void touch();
    void fail(const QString& message);
    void succeed();
    void dropReply();
    void removeFolder();

    QString m_text;
    QUrl m_url;
    QString m_root;
    std::chrono::milliseconds m_idleTimeout = defaultIdleTimeout;
    net::RetryPolicy m_retryPolicy;

    quint64 m_generation = 0; // a report computed for an older start() or discard() is stale
    bool m_running = false;
    bool m_network = false;
    enum class Phase { AwaitingHeaders, Receiving, DiscardingErrorPage };
    Phase m_phase = Phase::AwaitingHeaders;
    QString m_pendingError;
    bool m_pendingTransient = false;
    int m_attempt = 0;            // retries made so far for this read
    bool m_answered = false;      // some attempt got an HTTP answer: resets are now worth a retry
    qint64 m_resumeFrom = -1;     // the offset the current request asked for, -1 for the whole file
    bool m_wholeFileNext = false; // the next request asks for the whole file
    QByteArray m_validator;       // ETag or Last-Modified of the answer the file's bytes came from
    std::chrono::milliseconds m_retryAfter{-1};
    QTimer m_retryTimer;
    qint64 m_errorPageBytes = 0;
    bool m_connectingReported = false;
    bool m_requestReported = false;
    bool m_dataReported = false;
    int m_redirects = 0;
    QStringList m_visited;

    std::unique_ptr<net::Exchange> m_exchange;
    bool m_componentMissing = false;
    std::unique_ptr<QFile> m_file;
    QString m_folder;
    QString m_localFilePath;
    QString m_errorString;
    qint64 m_bytesReceived = 0;
    qint64 m_bytesExpected = -1;
    QTimer m_idleTimer;
    QElapsedTimer m_sinceDataReport;
};

} // namespace tarnwick::platform
