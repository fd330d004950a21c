#pragma once

#include <QByteArray>
#include <QString>

class QTextCursor;
class QTextCharFormat;
class QTextDocument;
class QTextImageFormat;

namespace tarnwick::platform::rtf {

enum class PictureKind : int { None = 0, Png, Jpeg, Dib, Wbitmap, Emf, Wmf, Macpict, PmMetafile };

// A picture as a file or the clipboard carries it: its bytes in their own format, never
// re-encoded, so that open and save give back the same bytes.
struct Picture
{
    PictureKind kind = PictureKind::None;
    QByteArray data;
    int sourceWidth = 0; // \picw, \pich
    int sourceHeight = 0;
    int goalWidth = 0; // \picwgoal, \pichgoal: twips
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
    int metafileMode = 8; // \wmetafileN, \pmmetafileN
    int bitsPerPixel = 1; // \wbmbitspixel, \wbmwidthbytes
    int widthBytes = 0;
    bool tooLarge = false;
};

// No picture may take more memory than this, neither its bytes nor the decoded image.
constexpr qsizetype kMaxPictureBytes = 64 * 1024 * 1024;

// Puts the picture at the cursor in the character format given: drawn where Qt can draw it,
// else as a framed box of its size with a short label. False (nothing inserted) when the
// picture has no data or is too large.
bool insertPicture(QTextCursor* cursor, const Picture& picture, const QTextCharFormat& format);

// The picture behind an image in the document, as insertPicture or loadHtmlPictures stored it,
// or for other images their pixels as PNG. False when the image has no pixels at all.
bool pictureForImage(const QTextDocument& document, const QTextImageFormat& format, Picture* picture);

// Pictures of an HTML file (<img> with a data: address or a file beside the page) become
// pictures of the document with their own bytes, so that saving keeps them.
void loadHtmlPictures(QTextDocument* document, const QString& folder);

} // namespace tarnwick::platform::rtf
