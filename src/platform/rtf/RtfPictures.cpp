#include "platform/rtf/RtfPictures.h"

#include "platform/rtf/RtfProperties.h"
#include "platform/rtf/RtfReader.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <QVariantList>

#include <algorithm>
#include <cstring>

namespace tarnwick::platform::rtf {

namespace {

constexpr int kMaxTwips = 31680;
// A placeholder box is drawn at most this large; the format still says the picture's size.
constexpr int kMaxPlaceholderPixels = 2000;

quint32 le32(const QByteArray& d, qsizetype at)
{
    if (at + 4 > d.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(d.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<quint32>(p[3]) << 24);
}

quint16 le16(const QByteArray& d, qsizetype at)
{
    if (at + 2 > d.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(d.constData() + at);
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

void put32(QByteArray* d, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        d->append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void put16(QByteArray* d, quint16 v)
{
    d->append(static_cast<char>(v & 0xFF));
    d->append(static_cast<char>(v >> 8));
}

// A device-independent bitmap as RTF holds it lacks the 14-byte file header image readers want.
QByteArray bmpFromDib(const QByteArray& dib)
{
    const quint32 headerSize = le32(dib, 0);
    if (headerSize < 12 || headerSize > static_cast<quint32>(dib.size()))
        return {};
    quint32 bits = 0;
    quint32 colors = 0;
    quint32 entrySize = 4;
    quint32 masks = 0;
    if (headerSize == 12) {
        bits = le16(dib, 10);
        entrySize = 3;
    } else {
        bits = le16(dib, 14);
        colors = le32(dib, 32);
        const quint32 compression = le32(dib, 16);
        if (headerSize == 40 && (compression == 3 || compression == 6))
            masks = compression == 3 ? 12 : 16;
    }
    if (colors == 0 && bits <= 8)
        colors = 1u << bits;
    colors = std::min<quint32>(colors, 256);
    const quint32 offset = 14 + headerSize + masks + colors * entrySize;
    QByteArray bmp;
    bmp.reserve(dib.size() + 14);
    bmp.append("BM", 2);
    put32(&bmp, static_cast<quint32>(dib.size() + 14));
    put32(&bmp, 0);
    put32(&bmp, offset);
    bmp.append(dib);
    return bmp;
}

// A device-dependent bitmap (\wbitmap): rows of widthBytes, top row first, no colour table.
QByteArray bmpFromDdb(const Picture& p)
{
    const int bits = p.bitsPerPixel;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) || p.sourceWidth <= 0 || p.sourceHeight <= 0)
        return {};
    const qint64 widthBytes =
        p.widthBytes > 0 ? p.widthBytes : (static_cast<qint64>(p.sourceWidth) * bits + 15) / 16 * 2;
    const qint64 stride = (static_cast<qint64>(p.sourceWidth) * bits + 31) / 32 * 4;
    const qint64 rows = std::min<qint64>(p.sourceHeight, widthBytes ? p.data.size() / widthBytes : 0);
    if (rows <= 0 || stride * rows > kMaxPictureBytes)
        return {};
    const int colors = bits <= 8 ? 1 << bits : 0;
    QByteArray dib;
    put32(&dib, 40);
    put32(&dib, static_cast<quint32>(p.sourceWidth));
    put32(&dib, static_cast<quint32>(-static_cast<qint32>(rows)));
    put16(&dib, 1);
    put16(&dib, static_cast<quint16>(bits));
    put32(&dib, 0);
    put32(&dib, static_cast<quint32>(stride * rows));
    put32(&dib, 2835);
    put32(&dib, 2835);
    put32(&dib, static_cast<quint32>(colors));
    put32(&dib, 0);
    for (int i = 0; i < colors; ++i) {
        const int v = colors > 1 ? i * 255 / (colors - 1) : 0;
        dib.append(static_cast<char>(v));
        dib.append(static_cast<char>(v));
        dib.append(static_cast<char>(v));
        dib.append('\0');
    }
    for (qint64 r = 0; r < rows; ++r) {
        QByteArray row = p.data.mid(r * widthBytes, std::min(widthBytes, stride));
        row.resize(stride, '\0');
        dib.append(row);
    }
    return bmpFromDib(dib);
}

QImage decode(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() * 4 > kMaxPictureBytes)
        return {};
    return reader.read();
}

const char* kindLabel(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Emf:
        return "EMF picture";
    case PictureKind::Wmf:
        return "WMF picture";
    case PictureKind::Macpict:
        return "PICT picture";
    case PictureKind::PmMetafile:
        return "OS/2 metafile";
    default:
        return "Picture";
    }
}

QImage placeholder(PictureKind kind, QSizeF size)
{
    const int w = std::clamp(static_cast<int>(size.width()), 8, kMaxPlaceholderPixels);
    const int h = std::clamp(static_cast<int>(size.height()), 8, kMaxPlaceholderPixels);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF4, 0xF4));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.drawRect(0, 0, w - 1, h - 1);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawText(QRect(2, 2, w - 4, h - 4), Qt::AlignCenter | Qt::TextWordWrap, QLatin1String(kindLabel(kind)));
    return image;
}

QString resourceName(const Picture& p)
{
    const QByteArray digest = QCryptographicHash::hash(p.data, QCryptographicHash::Sha1).toHex().left(24);
    return QStringLiteral("rtfpicture:%1-%2").arg(static_cast<int>(p.kind)).arg(QString::fromLatin1(digest));
}

QUrl dataUrl(const QString& name)
{
    return QUrl(name + QStringLiteral("#bytes"));
}

void storeBytes(QTextDocument* document, const QString& name, const Picture& p)
{
    document->addResource(QTextDocument::UserResource, dataUrl(name),
                          QVariantList{static_cast<int>(p.kind), p.data, p.sourceWidth, p.sourceHeight, p.metafileMode,
                                       p.bitsPerPixel, p.widthBytes});
}

PictureKind kindOfBytes(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return PictureKind::Png;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return PictureKind::Jpeg;
    return PictureKind::None;
}

} // namespace

bool insertPicture(QTextCursor* cursor, const Picture& p, const QTextCharFormat& format)
{
    if (p.data.isEmpty() || p.tooLarge || p.kind == PictureKind::None)
        return false;
    QImage image;
    switch (p.kind) {
    case PictureKind::Png:
        image = decode(p.data, "png");
        break;
    case PictureKind::Jpeg:
        image = decode(p.data, "jpeg");
        break;
    case PictureKind::Dib:
        image = decode(bmpFromDib(p.data), "bmp");
        break;
    case PictureKind::Wbitmap:
        image = decode(bmpFromDdb(p), "bmp");
        break;
    default:
        break;
    }
    // The size the picture is shown at: its goal size scaled, else its own size.
    const bool metafile = p.kind == PictureKind::Emf || p.kind == PictureKind::Wmf || p.kind == PictureKind::Macpict ||
                          p.kind == PictureKind::PmMetafile;
    double twW = p.goalWidth;
    double twH = p.goalHeight;
    if (twW <= 0 || twH <= 0) {
        if (p.sourceWidth > 0 && p.sourceHeight > 0) {
            // Metafiles count hundredths of a millimetre, bitmaps pixels.
            const double unit = metafile ? 1440.0 / 2540.0 : twipsPerPixel();
            twW = p.sourceWidth * unit;
            twH = p.sourceHeight * unit;
        } else if (!image.isNull()) {
            twW = image.width() * twipsPerPixel();
            twH = image.height() * twipsPerPixel();
        } else {
            twW = twH = 1440;
        }
    }
    twW = std::clamp(twW * std::clamp(p.scaleX, 1, 10000) / 100.0, 15.0, static_cast<double>(kMaxTwips));
    twH = std::clamp(twH * std::clamp(p.scaleY, 1, 10000) / 100.0, 15.0, static_cast<double>(kMaxTwips));
    const QSizeF shown(twW / twipsPerPixel(), twH / twipsPerPixel());
    if (image.isNull())
        image = placeholder(p.kind, shown);

    QTextDocument* document = cursor->document();
    const QString name = resourceName(p);
    document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    storeBytes(document, name, p);
    QTextImageFormat f;
    f.merge(format);
    f.setName(name);
    f.setWidth(shown.width());
    f.setHeight(shown.height());
    f.setProperty(PictureFormat, static_cast<int>(p.kind));
    cursor->insertImage(f);
    return true;
}

bool pictureForImage(const QTextDocument& document, const QTextImageFormat& format, Picture* picture)
{
    const QString name = format.name();
    const QVariant stored = document.resource(QTextDocument::UserResource, dataUrl(name));
    if (stored.typeId() == QMetaType::QVariantList) {
        const QVariantList v = stored.toList();
        if (v.size() == 7) {
            picture->kind = static_cast<PictureKind>(v.at(0).toInt());
            picture->data = v.at(1).toByteArray();
            picture->sourceWidth = v.at(2).toInt();
            picture->sourceHeight = v.at(3).toInt();
            picture->metafileMode = v.at(4).toInt();
            picture->bitsPerPixel = v.at(5).toInt();
            picture->widthBytes = v.at(6).toInt();
            return !picture->data.isEmpty();
        }
    }
    // Images put in by other means: their pixels, as PNG.
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(name));
    QImage image;
    if (resource.typeId() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = resource.toByteArray();
        const PictureKind kind = kindOfBytes(bytes);
        if (kind != PictureKind::None) {
            picture->kind = kind;
            picture->data = bytes;
            return true;
        }
        image.loadFromData(bytes);
    }
    if (image.isNull())
        return false;
    QBuffer buffer(&picture->data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    picture->kind = PictureKind::Png;
    picture->sourceWidth = image.width();
    picture->sourceHeight = image.height();
    return !picture->data.isEmpty();
}

void loadHtmlPictures(QTextDocument* document, const QString& folder)
{
    QHash<QString, bool> done;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            if (!cf.isImageFormat())
                continue;
            const QString name = cf.toImageFormat().name();
            if (name.isEmpty() || done.contains(name))
                continue;
            done.insert(name, true);
            QByteArray bytes;
            const QUrl url(name);
            if (url.scheme() == QLatin1String("data")) {
                const QString mediaType = name.section(QLatin1Char(','), 0, 0);
                const QByteArray payload = name.section(QLatin1Char(','), 1).toLatin1();
                if (payload.size() <= kMaxPictureBytes * 4 / 3 + 4)
                    bytes = mediaType.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive)
                                ? QByteArray::fromBase64(payload)
                                : QByteArray::fromPercentEncoding(payload);
            } else if (url.isRelative() || url.isLocalFile()) {
                const QString path = url.isLocalFile()
                                         ? url.toLocalFile()
                                         : QDir(folder).filePath(QUrl::fromPercentEncoding(name.toUtf8()));
                QFile file(path);
                if (QFileInfo(path).isFile() && file.size() <= kMaxPictureBytes && file.open(QIODevice::ReadOnly))
                    bytes = file.readAll();
            }
            if (bytes.isEmpty())
                continue;
            Picture p;
            p.kind = kindOfBytes(bytes);
            QImage image = decode(bytes, nullptr);
            if (image.isNull())
                continue;
            if (p.kind == PictureKind::None) {
                QBuffer buffer(&p.data);
                buffer.open(QIODevice::WriteOnly);
                image.save(&buffer, "PNG");
                p.kind = PictureKind::Png;
            } else {
                p.data = bytes;
            }
            p.sourceWidth = image.width();
            p.sourceHeight = image.height();
            document->addResource(QTextDocument::ImageResource, url, image);
            storeBytes(document, name, p);
        }
    }
}

} // namespace tarnwick::platform::rtf
