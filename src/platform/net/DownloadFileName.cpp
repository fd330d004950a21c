#include "platform/net/DownloadFileName.h"

#include <QMimeDatabase>
#include <QStringDecoder>
#include <QUrl>

namespace tarnwick::platform::net {

namespace {

// Servers send raw bytes in filename=; UTF-8 is by far the most common, and anything that does
// not decode as UTF-8 is taken as ISO-8859-1, the header's historical charset.
QString decodeNameBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

struct Parameter {
    QByteArray name;
    QByteArray value;
    bool hasValue = false;
};

// Splits "type; a=b; c=\"d;e\"" into its parts, honouring quoted strings with backslash escapes.
QList<Parameter> parseParameters(const QByteArray& header)
{
    QList<Parameter> result;
    const int size = header.size();
    int i = 0;
    while (i < size) {
        while (i < size && (header[i] == ';' || header[i] == ' ' || header[i] == '\t'))
            ++i;
        if (i >= size)
            break;
        Parameter parameter;
        const int nameStart = i;
        while (i < size && header[i] != '=' && header[i] != ';')
            ++i;
        parameter.name = header.mid(nameStart, i - nameStart).trimmed().toLower();
        if (i < size && header[i] == '=') {
            parameter.hasValue = true;
            ++i;
            while (i < size && (header[i] == ' ' || header[i] == '\t'))
                ++i;
            if (i < size && header[i] == '"') {
                ++i;
                while (i < size && header[i] != '"') {
                    if (header[i] == '\\' && i + 1 < size)
                        ++i;
                    parameter.value += header[i];
                    ++i;
                }
                ++i; // closing quote; a missing one simply ends the header
                while (i < size && header[i] != ';')
                    ++i;
            } else {
                const int valueStart = i;
                while (i < size && header[i] != ';')
                    ++i;
                parameter.value = header.mid(valueStart, i - valueStart).trimmed();
            }
        }
        result.append(parameter);
    }
    return result;
}

// RFC 5987 ext-value: charset'language'percent-encoded-bytes. Other charsets are not worth
// guessing at: the plain filename= parameter is the fallback for them.
QString decodeExtendedValue(const QByteArray& value)
{
    const int firstQuote = value.indexOf('\'');
    const int secondQuote = firstQuote < 0 ? -1 : value.indexOf('\'', firstQuote + 1);
    if (secondQuote < 0)
        return {};
    const QByteArray charset = value.left(firstQuote).trimmed().toLower();
    const QByteArray bytes = QByteArray::fromPercentEncoding(value.mid(secondQuote + 1));
    if (charset == "utf-8") {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        return utf8.hasError() ? QString() : text;
    }
    if (charset == "iso-8859-1")
        return QString::fromLatin1(bytes);
    return {};
}

int utf8Length(char32_t codePoint)
{
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    if (codePoint < 0x10000)
        return 3;
    return 4;
}

bool isStrippedAtEdge(QChar c)
{
    return c == u'.' || c.isSpace();
}

QString trimEdges(QString name)
{
    qsizetype start = 0;
    while (start < name.size() && isStrippedAtEdge(name[start]))
        ++start;
    qsizetype end = name.size();
    while (end > start && isStrippedAtEdge(name[end - 1]))
        --end;
    return name.mid(start, end - start);
}

// Cuts whole code points off the end of the base name, so the extension survives and no
// surrogate pair or UTF-8 sequence is split.
QString boundLength(const QString& name)
{
    if (name.toUtf8().size() <= maxFileNameBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = (dot > 0 && name.size() - dot <= 16) ? name.mid(dot) : QString();
    const QList<uint> base = QStringView(name).left(name.size() - extension.size()).toUcs4();
    const int budget = maxFileNameBytes - int(extension.toUtf8().size());
    int used = 0;
    qsizetype kept = 0;
    while (kept < base.size() && used + utf8Length(base[kept]) <= budget) {
        used += utf8Length(base[kept]);
        ++kept;
    }
    QString cut = QString::fromUcs4(reinterpret_cast<const char32_t*>(base.constData()), kept);
    while (!cut.isEmpty() && isStrippedAtEdge(cut.back()))
        cut.chop(1);
    return cut + extension;
}

} // namespace

QString fileNameFromContentDisposition(const QByteArray& header)
{
    QString plain;
    QString extended;
    for (const Parameter& parameter : parseParameters(header)) {
        if (!parameter.hasValue)
            continue;
        if (parameter.name == "filename*" && extended.isEmpty())
            extended = decodeExtendedValue(parameter.value);
        else if (parameter.name == "filename" && plain.isEmpty())
            plain = decodeNameBytes(parameter.value);
    }
    return extended.isEmpty() ? plain : extended;
}

QString sanitizedFileName(const QString& candidate)
{
    const qsizetype cut = std::max(candidate.lastIndexOf(u'/'), candidate.lastIndexOf(u'\\'));
    const QList<uint> codePoints = QStringView(candidate).mid(cut + 1).toUcs4();
    QString kept;
    kept.reserve(codePoints.size());
    for (const uint codePoint : codePoints) {
        switch (QChar::category(char32_t(codePoint))) {
        case QChar::Other_Control:       // C0, DEL, C1: terminal escapes, NUL
        case QChar::Other_Format:        // bidirectional overrides that disguise an extension
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        case QChar::Other_Surrogate:     // an unpaired half from a broken decoding
            continue;
        default:
            kept += QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
        }
    }
    return boundLength(trimEdges(kept));
}

QString downloadFileName(const QUrl& url, const QByteArray& contentDisposition, const QString& contentType)
{
    QString name = sanitizedFileName(fileNameFromContentDisposition(contentDisposition));
    bool fromHost = false;
    if (name.isEmpty() && url.scheme() != QLatin1String("data")) {
        // Split before decoding, so that an encoded slash stays inside its segment.
        const QByteArrayList segments = url.path(QUrl::FullyEncoded).toLatin1().split('/');
        for (auto it = segments.crbegin(); it != segments.crend(); ++it) {
            if (!it->isEmpty()) {
                name = sanitizedFileName(decodeNameBytes(QByteArray::fromPercentEncoding(*it)));
                break;
            }
        }
    }
    if (name.isEmpty()) {
        name = sanitizedFileName(url.host());
        fromHost = !name.isEmpty();
    }
    if (name.isEmpty())
        name = QStringLiteral("download");

    const QString mimeName = contentType.section(u';', 0, 0).trimmed().toLower();
    if (mimeName.isEmpty())
        return name;
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(mimeName);
    if (!type.isValid() || type.isDefault())
        return name;
    const QString suffix = type.preferredSuffix();
    // A host name's dots are not an extension ("example.com" is not a DOS program).
    if (!suffix.isEmpty() && (fromHost || database.suffixForFileName(name).isEmpty()))
        name = boundLength(name + u'.' + suffix);
    return name;
}

} // namespace tarnwick::platform::net
