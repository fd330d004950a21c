#include "platform/DocumentIO.h"

#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/rtf/TextFileDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>

namespace tarnwick::platform {

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString decodeHtml(const QByteArray& bytes)
{
    // A <meta charset> naming a legacy code page wins; without one the bytes are judged like any
    // text file, since old pages saved from Windows editors are cp1252 without saying so.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (decoder.isValid() && qstrcmp(decoder.name(), "UTF-8") != 0)
        return decoder.decode(bytes);
    return rtf::decodeTextFile(bytes);
}

bool isHtmlFile(const QString& path, const QByteArray& bytes)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0 || rtf::looksLikeHtml(bytes);
}

} // namespace

bool loadDocumentFile(const QString& path, QTextDocument* document, QString* error)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        return fail(error, QStringLiteral("%1 is a folder, not a file.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(error, file.errorString());

    if (rtf::looksLikeRtf(bytes))
        return rtf::RtfReader::readDocument(bytes, document, error);
    if (isHtmlFile(path, bytes)) {
        document->setHtml(decodeHtml(bytes));
        rtf::loadHtmlPictures(document, QFileInfo(path).absolutePath());
    } else
        document->setPlainText(rtf::decodeTextFile(bytes));
    document->setModified(false);
    return true;
}

bool saveDocumentFile(const QString& path, const QTextDocument& document, QString* error)
{
    const QByteArray rtf = rtf::RtfWriter::write(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    if (file.write(rtf) != rtf.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(error, reason);
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

QByteArray documentToRtf(const QTextDocument& document)
{
    return rtf::RtfWriter::write(document);
}

QByteArray selectionToRtf(const QTextCursor& selection)
{
    return rtf::RtfWriter::writeSelection(selection);
}

bool rtfToDocument(const QByteArray& rtf, QTextDocument* document, QString* error)
{
    return rtf::RtfReader::readDocument(rtf, document, error);
}

bool insertRtf(const QByteArray& rtf, QTextCursor* cursor, QString* error)
{
    return rtf::RtfReader::insert(rtf, cursor, error);
}

} // namespace tarnwick::platform
