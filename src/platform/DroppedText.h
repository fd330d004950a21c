#pragma once

#include <QString>
#include <optional>

class QMimeData;

namespace tarnwick::platform {

// The plain text a drop offers, as the document windows understand it. A dragged link's plain text
// is its address: browsers put the link's words in text/plain beside the address in text/uri-list
// (or text/x-moz-url), so where the drop carries addresses that are not all local files those win,
// one a line, exactly as the browser sent them. A drop of local files only (file manager icons) has
// no text to take; a drop of plain text alone gives that text. Empty when there is nothing to take.
std::optional<QString> droppedPlainText(const QMimeData* data);

} // namespace tarnwick::platform
