#include "platform/net/NetworkModule.h"

#include "platform/Modules.h"

#include <QCoreApplication>

namespace tarnwick::platform::net {

std::unique_ptr<Exchange> startExchange(const ExchangeRequest& request, ExchangeEvents* events, QString* error,
                                        bool* componentMissing)
{
    if (componentMissing)
        *componentMissing = false;
    QString why;
    const auto start = reinterpret_cast<StartExchangeFunction>(
        resolveModuleEntry(NetworkModuleBaseName, NetworkAbiSymbol, NetworkAbiVersion, NetworkStartSymbol, &why));
    if (!start) {
        if (componentMissing)
            *componentMissing = true;
        *error = QCoreApplication::translate("tarnwick::platform::UrlReader",
                                             "The network component of the program could not be loaded: %1")
                     .arg(why);
        return nullptr;
    }
    return std::unique_ptr<Exchange>(start(request, events, error));
}

} // namespace tarnwick::platform::net
