#pragma once

#include <QString>

namespace tarnwick::platform {

// The desktop clipboard, plain-text format only.
namespace Clipboard {
void setText(const QString& text);
QString text();
} // namespace Clipboard

} // namespace tarnwick::platform
