#include "document/TextFinder.h"

#include <QTextDocument>

namespace tarnwick::document {

namespace {
QTextDocument::FindFlags flagsOf(FindOptions options, TextFinder::Direction direction)
{
    QTextDocument::FindFlags flags;
    if (options.matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWords)
        flags |= QTextDocument::FindWholeWords;
    if (direction == TextFinder::Direction::Backward)
        flags |= QTextDocument::FindBackward;
    return flags;
}
} // namespace

TextFinder::Result TextFinder::find(const QTextDocument* document, const QString& text, const QTextCursor& from,
                                    Direction direction, FindOptions options)
{
    Result result;
    if (!document || text.isEmpty())
        return result;
    const auto flags = flagsOf(options, direction);
    result.match = document->find(text, from, flags);
    if (result.found())
        return result;
    QTextCursor restart(const_cast<QTextDocument*>(document));
    restart.movePosition(direction == Direction::Forward ? QTextCursor::Start : QTextCursor::End);
    result.match = document->find(text, restart, flags);
    result.wrapped = result.found();
    return result;
}

bool TextFinder::isMatch(const QTextCursor& selection, const QString& text, FindOptions options)
{
    if (selection.isNull() || !selection.hasSelection() || text.isEmpty())
        return false;
    const QTextCursor found =
        selection.document()->find(text, selection.selectionStart(), flagsOf(options, Direction::Forward));
    return !found.isNull() && found.selectionStart() == selection.selectionStart() &&
           found.selectionEnd() == selection.selectionEnd();
}

int TextFinder::replaceAll(QTextDocument* document, const QString& text, const QString& replacement,
                           FindOptions options)
{
    if (!document || text.isEmpty())
        return 0;
    const auto flags = flagsOf(options, Direction::Forward);
    int count = 0;
    QTextCursor block(document);
    block.beginEditBlock();
    QTextCursor found = document->find(text, 0, flags);
    while (!found.isNull()) {
        found.insertText(replacement);
        ++count;
        // Going on after the inserted text keeps a replacement that contains the text from
        // being found again.
        found = document->find(text, found, flags);
    }
    block.endEditBlock();
    return count;
}

} // namespace tarnwick::document
