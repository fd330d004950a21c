#pragma once

#include "platform/BrowserEngine.h"

#include <QString>
#include <memory>

class QWidget;

namespace tarnwick::browser {

// The engine of one browser window, from the web engine module in moduleDirectory (the folder of
// the executable in the program). The module is loaded by the first call that needs it and stays
// loaded. Null, with error 339, when this build has no engine or the module does not load here.
std::unique_ptr<platform::BrowserEngine> loadBrowserEngine(const QString& moduleDirectory, QWidget* parent,
                                                           platform::BrowserEngineError* error);

} // namespace tarnwick::browser
