#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tarnwick::platform::Clipboard {

void setText(const QString& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

QString text()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

} // namespace tarnwick::platform::Clipboard
