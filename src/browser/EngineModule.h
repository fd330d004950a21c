#pragma once

// The contract between the program and its web engine module, a library loaded when the first
// browser window opens so that starting the program neither loads nor initialises Chromium.
// Only plain virtual classes cross it: no meta-objects, so neither side needs the other's symbols.

#include "platform/BrowserFileTarget.h"

#include <QString>

class QWidget;

namespace tarnwick::browser::module {

// Raised by any change below; a module of another version is refused as missing.
inline constexpr int AbiVersion = 2;

// The base name of the module file (lib...so, ...dll) beside the executable.
inline constexpr char FileBaseName[] = "tarnwick_webengine";
inline constexpr char CreateSymbol[] = "tarnwick_create_browser_engine";

// Implemented by the program; the engine calls it on the user-interface thread.
class EngineEvents
{
public:
    virtual void loadEnded() = 0;
    virtual void locationChanged(const QString& url) = 0;
    virtual platform::BrowserFileTarget fileTarget(const QString& url, const QString& suggestedFileName) = 0;

protected:
    ~EngineEvents() = default;
};

// Implemented by the module. Deleting it deletes its view.
class Engine
{
public:
    virtual ~Engine() = default;
    virtual QWidget* view() const = 0;
    virtual void navigate(const QString& address) = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual void refresh() = 0;
    virtual void stop() = 0;
    virtual void goSearch() = 0;
    virtual QString locationName() const = 0;
    virtual QString locationUrl() const = 0;
    virtual bool busy() const = 0;
};

// The module's one export. Returns null with *error set when the engine cannot start here.
using CreateFunction = Engine* (*)(int abiVersion, QWidget* parent, EngineEvents* events, QString* error);

} // namespace tarnwick::browser::module
