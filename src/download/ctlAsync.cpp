#include "download/ctlAsync.h"

namespace tarnwick::download {

ctlAsync::ctlAsync(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("ctlAsync1"));
}

void ctlAsync::setURL(const QString& NewURL)
{
    // The text is kept exactly as given: the log shows what the user dropped or typed.
    m_url = NewURL;
    emit urlAssigned(m_url);
}

} // namespace tarnwick::download
