#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QUrl>
#include <QUrlQuery>

#include <chrono>
#include <functional>
#include <utility>

class QTcpServer;

namespace tarnwick::test {

struct HttpRequest {
    QByteArray method;
    QByteArray target;                   // as on the request line; absolute when sent to a proxy
    QString path;                        // percent-encoded, as sent
    QUrlQuery query;
    QMap<QByteArray, QByteArray> headers; // names in lower case
};

struct HttpResponse {
    enum class Ending {
        Complete, // the whole body, then the connection closes
        Close,    // closes cleanly after endingAfter body bytes (a short body when announced longer)
        Reset,    // resets the connection (TCP RST) after endingAfter body bytes
        Stall,    // sends endingAfter body bytes and then nothing, keeping the connection open
        Silent,   // reads the request and never answers at all
    };

    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    qint64 patternLength = -1;     // >= 0: the body is pattern(patternOffset, patternLength), made as it is sent
    qint64 patternOffset = 0;
    qint64 announcedLength = -1;   // >= 0: the Content-Length sent instead of the real length
    bool announceLength = true;    // false: no Content-Length, the body ends when the connection does
    Ending ending = Ending::Complete;
    qint64 endingAfter = 0;
    int chunkBytes = 0;            // > 0: the body goes out in pieces of this size...
    std::chrono::milliseconds chunkInterval{0}; // ...one per interval

    static HttpResponse content(QByteArray body, QByteArray contentType);
    static HttpResponse generated(qint64 length, QByteArray contentType = "application/octet-stream");
    static HttpResponse redirect(QByteArray location, int status = 302);
    static HttpResponse error(int status);
    // A generated file of length bytes that honours "Range: bytes=N-" and If-Range the way a
    // file server does: 206 with the rest, 416 past the end, the whole file when the validator
    // differs. version picks the file's content (another version is another file).
    static HttpResponse resumable(const HttpRequest& request, qint64 length, const QByteArray& etag,
                                  const QByteArray& lastModified = {}, int version = 1);
    HttpResponse& withHeader(QByteArray name, QByteArray value);
    qint64 bodyLength() const;
    QByteArray bodyBytes(qint64 offset, qint64 length) const;
};

// An HTTP/1.1 server on the loopback interface for tests, on a port the system picks.
// Each connection serves one request and then closes, which keeps what a client observes the
// same from one run to the next. Bodies of generated data are produced as the socket drains,
// so a gigabyte costs no more memory than a kilobyte.
//
// addStandardRoutes() installs these (paths as sent, percent-encoded):
//   /files/report.pdf          application/pdf, "%PDF-1.4\n" followed by 2048 pattern bytes
//   /files/                    text/html listing (an address that ends in a slash)
//   /files/readme              text/plain "Read me first.\n" (a last segment without a dot)
//   /get                       application/zip, 512 pattern bytes (try /get?name=archive.zip)
//   /attachment                Content-Disposition with filename="plain.txt" and
//                              filename*=UTF-8''r%C3%A9sum%C3%A9.txt, text/plain "attached\n"
//   /redirect/<n>              302 to /redirect/<n-1> (an absolute address with ?absolute=1);
//                              /redirect/0 answers text/plain "arrived\n"
//   /loop/a, /loop/b           302 to each other
//   /status/<code>             that status with a small HTML body
//   /reset                     announces 65536 pattern bytes, sends 16384, then resets
//   /short                     announces 4096 pattern bytes, sends 1000, then closes
//   /slow?chunks=N&bytes=B&interval=MS   N pieces of B pattern bytes, one every MS
//                              (defaults 20, 1024, 50)
//   /stall                     announces 1000 bytes, sends 100, then nothing
//   /hang                      never answers
//   /generated/<length>        <length> pattern bytes, application/octet-stream
//   /pages/index.html, /pages/second.html   small HTML pages that link to each other
//   /resumable/<length>?...    <length> pattern bytes with ETag "v1", honouring Range and If-Range;
//                              the query shapes a bad network (n counts earlier requests for the
//                              same target, so a row of its own adds a tag=... of its own):
//                                resetFirst=B   the first answer resets the connection after B bytes
//                                resetEvery=B   every answer resets after B bytes
//                                closeFirst=B   the first answer closes cleanly after B bytes (short)
//                                ignoreRange=1  answers every request with the whole file (200)
//                                change=1       from the second request on the file is another one
//                                               (ETag "v2", other bytes)
//                                unavailable=K  the first K requests get 503, with
//                                retryAfter=V   Retry-After: V on them
//                                refuse416=1    any request with a Range gets 416
//                                wrongRange=1   any request with a Range gets a 206 starting at 0
//                                validator=etag|modified|none   what the file offers for If-Range
// Anything else is a 404.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    bool listen(const QHostAddress& address = QHostAddress::LocalHost);
    // Stops taking connections (new ones are refused) until listenAgain() opens the same port.
    void stopListening();
    bool listenAgain();
    // Serves HTTPS instead; testTlsConfiguration() has a certificate for the loopback names.
    bool listenTls(const QSslConfiguration& configuration, const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const; // 0 while stopped
    // http(s)://127.0.0.1:<port> followed by pathAndQuery, which must start with "/".
    QUrl url(const QString& pathAndQuery) const;

    void serve(const QString& path, const HttpResponse& response);
    void handle(const QString& path, Handler handler);
    // Handles every path that starts with prefix, unless an exact route or a longer prefix matches.
    void handlePrefix(const QString& prefix, Handler handler);
    void addStandardRoutes();

    QList<HttpRequest> requests() const { return m_requests; }
    int requestCount(const QString& path) const;
    int openConnections() const;
    // Every byte the server handed to its sockets, heads included, counted as each connection ends.
    qint64 bytesSent() const { return m_bytesSent; }
    // Requests for exactly this target (path and query as sent) so far.
    int targetCount(const QByteArray& target) const;

    // The deterministic bytes of generated bodies: any offset of any length, computed on demand.
    static QByteArray pattern(qint64 offset, qint64 length);

    static QSslCertificate testCertificate();
    static QSslConfiguration testTlsConfiguration();

private:
    friend class HttpConnection;
    HttpResponse respond(const HttpRequest& request);
    void acceptPending();

    QTcpServer* m_server = nullptr;
    bool m_tls = false;
    QHostAddress m_address;
    QMap<QString, Handler> m_exact;
    QMap<QString, Handler> m_prefixes;
    QList<HttpRequest> m_requests;
    QList<QPointer<QObject>> m_connections;
    qint64 m_bytesSent = 0;
    quint16 m_stoppedPort = 0;
};

} // namespace tarnwick::test
