#pragma once

// The contract between the program and its network module, a library loaded by the first
// download, so that starting the program maps neither Qt Network nor what it pulls in (libproxy,
// Kerberos). Only plain virtual classes cross it: no meta-objects, so neither side needs the
// other's symbols.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <memory>

namespace tarnwick::platform::net {

// Raised by any change below; a module of another version is refused as missing.
inline constexpr int NetworkAbiVersion = 1;
inline constexpr char NetworkModuleBaseName[] = "tarnwick_network";
inline constexpr char NetworkAbiSymbol[] = "tarnwick_network_abi";
inline constexpr char NetworkStartSymbol[] = "tarnwick_start_exchange";

// One GET: manual redirects, never from a cache, the read buffer bounded.
struct ExchangeRequest
{
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    qint64 readBufferBytes = 0;
};

// What an exchange failed with, as far as deciding on another attempt goes.
enum class ExchangeError {
    None,
    ClosedOrRefused, // the peer closed or refused the connection
    Passing,         // a time-out or a failure of the network that may pass
    Lasting,         // anything else
};

// Implemented by the program; called on the thread that started the exchange, as the answer
// arrives. A call may delete the exchange.
class ExchangeEvents
{
public:
    virtual void exchangeConnecting() = 0;
    virtual void exchangeRequestSent() = 0;
    virtual void exchangeHeaders() = 0;
    virtual void exchangeData() = 0;
    virtual void exchangeActivity() = 0;
    virtual void exchangeFinished() = 0;

protected:
    ~ExchangeEvents() = default;
};

// Implemented by the module. Deleting it cancels the request without another event.
class Exchange
{
public:
    virtual ~Exchange() = default;
    virtual int httpStatus() const = 0; // -1 before (or without) an HTTP status line
    virtual QString reasonPhrase() const = 0;
    virtual QByteArray rawHeader(const QByteArray& name) const = 0;
    virtual qint64 contentLength() const = 0; // -1 when not announced
    virtual QString contentType() const = 0;
    virtual QUrl redirectTarget() const = 0;
    virtual ExchangeError error() const = 0;
    virtual QString errorString() const = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual bool isFinished() const = 0;
};

// The module's exports: its version (an int (*)()), and the start of one exchange. Null with
// *error set when the request cannot be made (a proxy variable that names an unusable proxy, say).
using StartExchangeFunction = Exchange* (*)(const ExchangeRequest& request, ExchangeEvents* events, QString* error);

// The program's side: loads the module on first use. Null with *error set when the request
// cannot be made; *componentMissing then says whether the module itself could not be loaded.
std::unique_ptr<Exchange> startExchange(const ExchangeRequest& request, ExchangeEvents* events, QString* error,
                                        bool* componentMissing = nullptr);

} // namespace tarnwick::platform::net
