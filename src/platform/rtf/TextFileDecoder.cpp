#include "platform/rtf/TextFileDecoder.h"

#include "platform/rtf/CodePages.h"

#include <QStringDecoder>

namespace tarnwick::platform::rtf {

namespace {

// Strict UTF-8: a truncated sequence at the end counts as invalid, so does an overlong one.
bool decodeUtf8(QByteArrayView bytes, QString* text)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QString decodeTextFile(const QByteArray& bytes, TextEncoding* detected)
{
    const QByteArrayView view(bytes);
    TextEncoding encoding = TextEncoding::Windows1252;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TextEncoding::Utf8Bom;
        text = decodeWith(QStringConverter::Utf8, view.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = TextEncoding::Utf16LE;
        text = decodeWith(QStringConverter::Utf16LE, view.sliced(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = TextEncoding::Utf16BE;
        text = decodeWith(QStringConverter::Utf16BE, view.sliced(2));
    } else if (decodeUtf8(view, &text)) {
        encoding = TextEncoding::Utf8;
    }
    if (detected)
        *detected = encoding;
    if (encoding != TextEncoding::Windows1252)
        return text;
    text = QString(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = cp1252ToUnicode(static_cast<unsigned char>(bytes.at(i)));
    return text;
}

bool looksLikeHtml(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    qsizetype i = 0;
    while (i < view.size() && (view[i] == ' ' || view[i] == '\t' || view[i] == '\r' || view[i] == '\n'))
        ++i;
    const QByteArray head = view.sliced(i, std::min<qsizetype>(view.size() - i, 14)).toByteArray().toLower();
    return head.startsWith("<!doctype html") || head.startsWith("<html");
}

} // namespace tarnwick::platform::rtf
