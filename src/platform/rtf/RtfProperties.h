#pragma once

#include <QTextFormat>

namespace tarnwick::platform::rtf {

// What the RTF reader keeps on the document's formats so that the writer can say it again
// although QTextDocument neither shows nor needs it. Numbers are twips unless said otherwise.
enum RtfProperty : int {
    // Tables (QTextTableFormat): the row's left edge (\trleft) and half the gap between cells.
    TableRowLeft = QTextFormat::UserProperty + 0x100,
    TableCellGap,
    // Lists (QTextListFormat): the number the first item carries (\levelstartat, \pnstart).
    ListStartNumber = QTextFormat::UserProperty + 0x110,
    // Pictures (QTextImageFormat): see RtfPictures.h.
    PictureFormat = QTextFormat::UserProperty + 0x120, // the picture's PictureKind
    PictureSourceWidth, // \picw, \pich: pixels for bitmaps, hundredths of a millimetre for metafiles
    PictureSourceHeight,
    PictureMetafileMode, // the \wmetafileN mapping mode
    // Character formatting Qt does not draw but a save must keep.
    CharHiddenBefore = QTextFormat::UserProperty + 0x130, // QString: hidden text (\v) before this character
    CharCaps,                                       // 1: \caps, 2: \scaps
    CharUnderlineKind, // an RTF underline Qt draws as a single line: 1 \uldb, 2 \ulth, 3 \ulw
    CharLinkSwitches,  // QString: a link field's switches after its target (\o "tip", \t "frame", \m...)
    // Paragraphs (QTextBlockFormat).
    ParaKeepWithNext = QTextFormat::UserProperty + 0x140, // \keepn
    ParaTabLeaders, // QString "position:leader ..." for tab stops with leaders (see the reader)
};

} // namespace tarnwick::platform::rtf
