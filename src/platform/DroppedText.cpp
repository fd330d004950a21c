#include "platform/DroppedText.h"

#include <QMimeData>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

namespace tarnwick::platform {

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
const QString kMozUrl = QStringLiteral("text/x-moz-url");

// text/uri-list: CRLF-separated addresses, "#" lines are comments.
QStringList uriListAddresses(const QByteArray& bytes)
{
    QStringList addresses;
    for (const QByteArray& line : bytes.split('\n')) {
        const QString address = QString::fromUtf8(line).trimmed();
        if (!address.isEmpty() && !address.startsWith(QLatin1Char('#')))
            addresses << address;
    }
    return addresses;
}

// text/x-moz-url: address and title lines taking turns, usually in UTF-16.
QStringList mozUrlAddresses(const QByteArray& bytes)
{
    QString text;
    if (bytes.size() >= 2 && (bytes.contains('\0') || bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff"))) {
        auto decoder = QStringDecoder(bytes.startsWith("\xfe\xff") ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
        text = decoder(bytes);
    } else {
        text = QString::fromUtf8(bytes);
    }
    text.remove(QChar(0));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList addresses;
    for (int i = 0; i < lines.size(); i += 2) {
        const QString address = lines.at(i).trimmed();
        if (!address.isEmpty())
            addresses << address;
    }
    return addresses;
}

bool allLocalFiles(const QStringList& addresses)
{
    for (const QString& address : addresses) {
        if (!QUrl(address).isLocalFile())
            return false;
    }
    return true;
}
} // namespace

std::optional<QString> droppedPlainText(const QMimeData* data)
{
    if (!data)
        return std::nullopt;
    QStringList addresses;
    if (data->hasFormat(kUriList))
        addresses = uriListAddresses(data->data(kUriList));
    if (addresses.isEmpty() && data->hasFormat(kMozUrl))
        addresses = mozUrlAddresses(data->data(kMozUrl));
    if (addresses.isEmpty() && data->hasUrls()) {
        for (const QUrl& url : data->urls())
            addresses << url.toString(QUrl::FullyEncoded);
    }
    if (!addresses.isEmpty()) {
        if (allLocalFiles(addresses))
            return std::nullopt;
        return addresses.join(QLatin1Char('\n'));
    }
    if (data->hasText())
        return data->text();
    return std::nullopt;
}

} // namespace tarnwick::platform
