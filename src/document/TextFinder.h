#pragma once

#include <QString>
#include <QTextCursor>

class QTextDocument;

namespace tarnwick::document {

struct FindOptions
{
    bool matchCase = false;
    bool wholeWords = false;
};

// Searching and replacing in a document, apart from any window so that it can be tested alone.
class TextFinder
{
public:
    enum class Direction { Forward, Backward };
    struct Result
    {
        QTextCursor match; // null when nothing matched anywhere
        bool wrapped = false;
        bool found() const { return !match.isNull(); }
    };

    // The next match after `from` (forward: after its selection; backward: before it), going round
    // the end of the document once.
    static Result find(const QTextDocument* document, const QString& text, const QTextCursor& from, Direction direction,
                       FindOptions options);
    // Whether `selection` is exactly one match of text.
    static bool isMatch(const QTextCursor& selection, const QString& text, FindOptions options);
    // Replaces every match as one undo step; returns how many it replaced.
    static int replaceAll(QTextDocument* document, const QString& text, const QString& replacement,
                          FindOptions options);
};

} // namespace tarnwick::document
