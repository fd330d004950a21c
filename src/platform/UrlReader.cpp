#include "platform/UrlReader.h"

#include "platform/net/DownloadFileName.h"
#include "platform/net/DownloadFolder.h"
#include "platform/net/NetworkModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

namespace tarnwick::platform {

namespace {

// Bounds what Qt holds per download before the data is written out, whatever the size.
constexpr qint64 readBufferBytes = 256 * 1024;
constexpr qint64 copyChunkBytes = 64 * 1024;
// Past this an error page is cut off rather than read to its end.
constexpr qint64 maxErrorPageBytes = 256 * 1024;

// Orphans of a crashed run are cleared once per root and process, on its first download.
void cleanupStaleFoldersOnce(const QString& root)
{
    static QMutex mutex;
    static QSet<QString> cleaned;
    {
        const QMutexLocker lock(&mutex);
        if (cleaned.contains(root))
            return;
        cleaned.insert(root);
    }
    net::removeStaleFolders(root);
}

bool isFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isNetworkScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QString visitKey(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments).toString(QUrl::FullyEncoded);
}

// Connection failures worth another attempt. A reset or refusal before the server ever answered
// more likely means a wrong address or port, which retrying would only make slower to report.
bool isTransientNetworkError(net::ExchangeError error, bool answered)
{
    switch (error) {
    case net::ExchangeError::ClosedOrRefused:
        return answered;
    case net::ExchangeError::Passing:
        return true;
    default:
        return false;
    }
}

} // namespace

UrlReader::UrlReader(QObject* parent) : QObject(parent)
{
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &UrlReader::onIdleTimeout);
    m_retryTimer.setSingleShot(true);
    // A coarse timer may fire a twentieth early, sooner than a server's Retry-After allows.
    m_retryTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_retryTimer, &QTimer::timeout, this, &UrlReader::onRetryDue);
}

UrlReader::~UrlReader()
{
    discard();
}

QString UrlReader::defaultDownloadRoot()
{
    // Not CacheLocation: with the organisation and the program both called Tarnwick that doubles the name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QLatin1String("/Tarnwick/downloads");
}

QStringList UrlReader::formerDownloadRoots()
{
    const QString doubled =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1String("/downloads");
    if (doubled == defaultDownloadRoot())
        return {};
    return {doubled};
}

int UrlReader::cleanupFormerDownloadRoots()
{
    int removed = 0;
    for (const QString& root : formerDownloadRoots()) {
        if (!QFileInfo::exists(root))
            continue;
        removed += net::removeStaleFolders(root);
        // Only empty folders go: anything else that lives there is not ours to delete.
        QDir folder(root);
        if (folder.rmdir(root))
            folder.rmdir(QFileInfo(root).absolutePath());
    }
    return removed;
}

void UrlReader::setDownloadRoot(const QString& root)
{
    m_root = root;
}

QString UrlReader::downloadRoot() const
{
    return m_root.isEmpty() ? defaultDownloadRoot() : m_root;
}

void UrlReader::setIdleTimeout(std::chrono::milliseconds timeout)
{
    m_idleTimeout = timeout;
}

std::chrono::milliseconds UrlReader::idleTimeout() const
{
    return m_idleTimeout;
}

int UrlReader::cleanupStaleFolders(const QString& root)
{
    return net::removeStaleFolders(root);
}

QUrl UrlReader::addressFromText(const QString& text, QString* error)
{
    const auto rejected = [error](const QString& message) {
        if (error)
            *error = message;
        return QUrl();
    };
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return rejected(tr("No address was given."));
    for (const QChar c : trimmed) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return rejected(tr("The text holds more than one line, not one address."));
    }
    // An explicit scheme is taken as written: fromUserInput would "repair" a text such as two
    // addresses on one line into some other address instead of refusing it.
    static const QRegularExpression explicitScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const QUrl url =
        explicitScheme.match(trimmed).hasMatch() ? QUrl(trimmed, QUrl::TolerantMode) : QUrl::fromUserInput(trimmed);
    if (!url.isValid() || url.isEmpty())
        return rejected(tr("\"%1\" is not a valid address.").arg(trimmed));
    const QString scheme = url.scheme().toLower();
    if (isNetworkScheme(scheme)) {
        if (url.host().isEmpty())
            return rejected(tr("The address \"%1\" names no host.").arg(trimmed));
    } else if (scheme == QLatin1String("file")) {
        const QString host = url.host();
        if (!host.isEmpty() && host != QLatin1String("localhost"))
            return rejected(tr("The file address \"%1\" names another computer.").arg(trimmed));
        if (url.path().isEmpty())
            return rejected(tr("The file address \"%1\" names no file.").arg(trimmed));
    } else if (scheme != QLatin1String("data")) {
        return rejected(tr("Addresses of the kind \"%1:\" cannot be read.").arg(url.scheme()));
    }
    return url;
}

void UrlReader::start(const QString& text)
{
    discard();
    m_text = text;
    m_componentMissing = false;
    m_url = QUrl();
    m_errorString.clear();
    m_bytesReceived = 0;
    m_bytesExpected = -1;
    m_redirects = 0;
    m_visited.clear();
    m_dataReported = false;
    m_attempt = 0;
    m_answered = false;
    m_resumeFrom = -1;
    m_wholeFileNext = false;
    m_validator.clear();
    m_retryAfter = std::chrono::milliseconds(-1);
    m_running = true;
    const quint64 generation = m_generation;
    // Reports start after start() returns, so a caller can finish setting up first.
    QMetaObject::invokeMethod(
        this, [this, generation] { begin(generation); }, Qt::QueuedConnection);
}

void UrlReader::discard()
{
    ++m_generation;
    dropReply();
    m_idleTimer.stop();
    m_retryTimer.stop();
    removeFolder();
    m_running = false;
}

void UrlReader::begin(quint64 generation)
{
    if (generation != m_generation)
        return;
    QString error;
    const QUrl url = addressFromText(m_text, &error);
    if (url.isEmpty()) {
        fail(error);
        return;
    }
    m_network = isNetworkScheme(url.scheme().toLower());
    cleanupStaleFoldersOnce(downloadRoot());
    m_url = url;
    if (!report(FindingResource))
        return;
    m_visited.append(visitKey(url));
    sendRequest(url);
}

void UrlReader::sendRequest(const QUrl& url)
{
    m_url = url;
    m_phase = Phase::AwaitingHeaders;
    m_errorPageBytes = 0;
    m_connectingReported = false;
    m_requestReported = false;
    m_dataReported = false;
    net::ExchangeRequest request;
    request.url = url;
    request.readBufferBytes = readBufferBytes;
    // The file must hold the bytes the server holds: no transparent decompression, and the
    // announced length stays comparable with what was received.
    request.headers.append({QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity")});
    // Only bytes that provably belong to the same file are continued; without a validator the
    // server could hand over the tail of a newer file, so the whole file is asked for again.
    m_resumeFrom = -1;
    if (m_network && m_file && m_bytesReceived > 0 && !m_validator.isEmpty() && !m_wholeFileNext) {
        m_resumeFrom = m_bytesReceived;
        request.headers.append({QByteArrayLiteral("Range"), "bytes=" + QByteArray::number(m_resumeFrom) + '-'});
        request.headers.append({QByteArrayLiteral("If-Range"), m_validator});
    }
    m_wholeFileNext = false;

    QString error;
    m_exchange = net::startExchange(request, this, &error, &m_componentMissing);
    if (!m_exchange) {
        fail(error);
        return;
    }
    touch();
}

void UrlReader::onSocketStartedConnecting()
{
    touch();
    reportConnecting();
}

void UrlReader::onRequestSent()
{
    touch();
    reportRequestSent();
}

bool UrlReader::handleHeaders()
{
    if (m_phase == Phase::Receiving)
        return true;
    if (m_phase == Phase::DiscardingErrorPage) {
        discardErrorPage();
        return false;
    }
    touch();
    net::Exchange* reply = m_exchange.get();
    if (m_network) {
        const int status = reply->httpStatus();
        if (status < 0) {
            if (reply->error() != net::ExchangeError::None)
                attemptFailed(reply->errorString(), isTransientNetworkError(reply->error(), m_answered));
            else
                fail(tr("The server sent no response."));
            return false;
        }
        m_answered = true;
        if (isFollowedRedirect(status))
            return followRedirect();
        if (status == 416 && m_resumeFrom >= 0)
            return restartFromZero(tr("The server cannot continue the file at byte %1.").arg(m_resumeFrom));
        if (status < 200 || status > 299) {
            // The body is an error page, never saved. It is read to its end (if short) rather
            // than cut off, which keeps the connection reusable and Qt's error reporting sane.
            const QString reason = reply->reasonPhrase().trimmed();
            m_pendingError = tr("The server answered %1 %2.").arg(status).arg(reason).trimmed();
            m_pendingTransient = net::isTransientStatus(status);
            m_retryAfter = net::parseRetryAfter(reply->rawHeader("Retry-After"), QDateTime::currentDateTimeUtc());
            m_phase = Phase::DiscardingErrorPage;
            discardErrorPage();
            return false;
        }
        if (!reportRequestSent())
            return false;
        return beginBody(status);
    }
    if (reply->error() != net::ExchangeError::None) {
        fail(reply->errorString());
        return false;
    }
    return beginBody(200);
}

bool UrlReader::beginBody(int status)
{
    net::Exchange* reply = m_exchange.get();
    const qint64 length = reply->contentLength();
    if (status == 206) {
        const net::ContentRange range = net::parseContentRange(reply->rawHeader("Content-Range"));
        const QByteArray etag = reply->rawHeader("ETag").trimmed();
        const bool sameFile = etag.isEmpty() || !m_validator.startsWith('"') || etag == m_validator;
        if (m_resumeFrom < 0 || !range.valid || range.first != m_resumeFrom || !sameFile)
            return restartFromZero(tr("The server sent another part of the file than the one asked for."));
        m_bytesExpected = range.total >= 0 ? range.total : (length >= 0 ? m_resumeFrom + length : -1);
    } else {
        // The whole file again (a server that ignores ranges, or a file that changed): start over.
        if (m_file && m_bytesReceived > 0 && !(m_file->resize(0) && m_file->seek(0))) {
            fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_localFilePath), m_file->errorString()));
            return false;
        }
        m_bytesReceived = 0;
        m_bytesExpected = length;
        if (m_network)
            m_validator = net::ifRangeValidator(reply->rawHeader("ETag"), reply->rawHeader("Last-Modified"));
    }
    m_phase = Phase::Receiving;
    if (!m_file && !openLocalFile())
        return false;
    return report(BeginDownloadData);
}

bool UrlReader::restartFromZero(const QString& why)
{
    if (m_file && !(m_file->resize(0) && m_file->seek(0))) {
        fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_localFilePath), m_file->errorString()));
        return false;
    }
    m_bytesReceived = 0;
    m_wholeFileNext = true;
    // Nothing is wrong with the server, so the whole file is asked for at once; it still counts
    // as an attempt, so a server that answers this way every time cannot keep the read going.
    attemptFailed(why, true, true);
    return false;
}

void UrlReader::discardErrorPage()
{
    for (qint64 count; (count = m_exchange->read(copyChunkBytes).size()) > 0;)
        m_errorPageBytes += count;
    if (m_errorPageBytes > maxErrorPageBytes || m_exchange->isFinished())
        attemptFailed(m_pendingError, m_pendingTransient);
}

bool UrlReader::followRedirect()
{
    QUrl location = m_exchange->redirectTarget();
    if (location.isEmpty()) {
        fail(tr("The server redirected without saying where to."));
        return false;
    }
    const QUrl target = m_url.resolved(location).adjusted(QUrl::RemoveFragment);
    const QString scheme = target.scheme().toLower();
    if (!isNetworkScheme(scheme) || target.host().isEmpty()) {
        fail(tr("The server redirected to %1, which cannot be followed.").arg(target.toDisplayString()));
        return false;
    }
    if (m_url.scheme().toLower() == QLatin1String("https") && scheme != QLatin1String("https")) {
        fail(tr("The secure address %1 redirected to the insecure address %2.")
                 .arg(m_url.toDisplayString(), target.toDisplayString()));
        return false;
    }
    if (m_redirects >= maxRedirects) {
        fail(tr("The server redirected more than %1 times.").arg(maxRedirects));
        return false;
    }
    const QString key = visitKey(target);
    if (m_visited.contains(key)) {
        fail(tr("The server's redirects go round in a loop at %1.").arg(target.toDisplayString()));
        return false;
    }
    ++m_redirects;
    m_visited.append(key);
    dropReply();
    if (!report(Redirecting))
        return false;
    sendRequest(target);
    return false; // the reply that asked for the redirect is finished with
}

bool UrlReader::openLocalFile()
{
    QString error;
    m_folder = net::createPrivateFolder(downloadRoot(), &error);
    if (m_folder.isEmpty()) {
        fail(error);
        return false;
    }
    const QString name =
        net::downloadFileName(m_url, m_exchange->rawHeader("Content-Disposition"), m_exchange->contentType());
    m_localFilePath = QDir(m_folder).filePath(name);
    m_file = std::make_unique<QFile>(m_localFilePath);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        fail(tr("Cannot create %1: %2").arg(QDir::toNativeSeparators(m_localFilePath), m_file->errorString()));
        return false;
    }
    return true;
}

void UrlReader::onReadyRead()
{
    touch();
    if (!handleHeaders())
        return;
    drain();
}

bool UrlReader::drain()
{
    const qint64 before = m_bytesReceived;
    for (;;) {
        // Up to the whole read buffer at once: Qt's network thread refills only what each read
        // frees, with a wake-up between the threads every time, so smaller pieces multiply the
        // socket reads and the wake-ups.
        const QByteArray data = m_exchange->read(readBufferBytes);
        const qint64 count = data.size();
        if (count <= 0)
            break;
        if (m_file->write(data) != count) {
            fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_localFilePath), m_file->errorString()));
            return false;
        }
        m_bytesReceived += count;
    }
    if (m_bytesReceived == before)
        return true;
    // Every chunk would flood a log on a large file; a tenth of a second still shows movement.
    if (m_dataReported && m_sinceDataReport.elapsed() < dataReportInterval.count())
        return true;
    m_dataReported = true;
    m_sinceDataReport.start();
    return report(DownloadingData);
}

void UrlReader::onFinished()
{
    if (!handleHeaders())
        return;
    // What arrived before a break is good data, and the next attempt need not fetch it again.
    if (!drain())
        return;
    if (m_exchange->error() != net::ExchangeError::None) {
        attemptFailed(m_exchange->errorString(), isTransientNetworkError(m_exchange->error(), m_answered));
        return;
    }
    if (m_bytesExpected >= 0 && m_bytesReceived < m_bytesExpected) {
        attemptFailed(
            tr("The transfer ended after %1 of the %2 bytes announced.").arg(m_bytesReceived).arg(m_bytesExpected),
            true);
        return;
    }
    if (!m_file->flush()) {
        fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_localFilePath), m_file->errorString()));
        return;
    }
    m_file->close();
    succeed();
}

void UrlReader::onIdleTimeout()
{
    attemptFailed(tr("Nothing was received for %1 seconds.").arg(double(m_idleTimeout.count()) / 1000.0), true);
}

void UrlReader::attemptFailed(const QString& message, bool transient, bool immediately)
{
    if (!transient || !m_network || m_attempt >= m_retryPolicy.maxRetries) {
        fail(message);
        return;
    }
    m_errorString = message;
    dropReply();
    m_idleTimer.stop();
    ++m_attempt;
    m_retryTimer.start(immediately ? std::chrono::milliseconds(0) : m_retryPolicy.pauseBefore(m_attempt, m_retryAfter));
    m_retryAfter = std::chrono::milliseconds(-1);
}

void UrlReader::onRetryDue()
{
    // The retry goes to where the redirects led; revisiting that address is no loop.
    m_visited = QStringList{visitKey(m_url)};
    sendRequest(m_url);
}

bool UrlReader::reportConnecting()
{
    if (m_connectingReported)
        return true;
    m_connectingReported = true;
    return report(Connecting);
}

bool UrlReader::reportRequestSent()
{
    if (!reportConnecting())
        return false;
    if (m_requestReported)
        return true;
    m_requestReported = true;
    return report(SendingRequest);
}

bool UrlReader::report(int statusCode)
{
    // A receiver may discard, restart or delete the reader; whatever came next is then void.
    const QPointer<UrlReader> self(this);
    const quint64 generation = m_generation;
    emit progress(statusCode);
    return self && generation == m_generation;
}

void UrlReader::touch()
{
    m_idleTimer.start(m_idleTimeout);
}

void UrlReader::fail(const QString& message)
{
    m_errorString = message;
    dropReply();
    m_idleTimer.stop();
    m_retryTimer.stop();
    removeFolder();
    m_running = false;
    if (!report(Failed))
        return;
    emit completed(false, QString());
}

void UrlReader::succeed()
{
    dropReply();
    m_idleTimer.stop();
    m_file.reset();
    m_running = false;
    if (!report(EndDownloadData))
        return;
    emit completed(true, m_localFilePath);
}

void UrlReader::dropReply()
{
    // Deleting the exchange cancels its request without another event.
    m_exchange.reset();
}

void UrlReader::removeFolder()
{
    m_file.reset();
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    m_folder.clear();
    m_localFilePath.clear();
}

} // namespace tarnwick::platform
