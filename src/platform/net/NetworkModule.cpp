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
    const QString directory = moduleDirectory();
    const auto abi =
        reinterpret_cast<AbiFunction>(resolveModuleSymbol(directory, NetworkModuleBaseName, NetworkAbiSymbol, &why));
    const auto start = reinterpret_cast<StartExchangeFunction>(
        abi ? resolveModuleSymbol(directory, NetworkModuleBaseName, NetworkStartSymbol, &why) : nullptr);
    if (start && abi() != NetworkAbiVersion) {
        why = QStringLiteral("%1 is of another version of the program.")
                  .arg(moduleFilePath(directory, NetworkModuleBaseName));
    }
    if (!start || abi() != NetworkAbiVersion) {
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
