#pragma once

#include "document/SpellChecker.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <climits>

class QMenu;
class QPainter;
class QTextBlock;

namespace tarnwick::platform {
class RichTextBox;
}

namespace tarnwick::document {

// Marks the misspelled words of one rich text box with a red wavy line. The marks are kept beside
// the paragraphs and drawn over the visible text by the box: they are not part of the document, so
// they are never saved, printed or undone, making them is not an edit, and the text never has to be
// laid out again for them. Paragraphs are checked on a timer a few milliseconds at a time, so that
// a long document never holds up the window.
class SpellHighlighter : public QObject
{
    Q_OBJECT
public:
    SpellHighlighter(platform::RichTextBox* box, SpellChecker* checker, QObject* parent = nullptr);
    // Takes every mark away.
    ~SpellHighlighter() override;

    // How long one slice of checking may run.
    static constexpr int SliceMs = 8;

    bool isIdle() const { return m_next == INT_MAX; }
    // The box is going away with its window: the marks need not be taken off it.
    void detach();
    // The marked words, as (document position, length).
    QList<SpellChecker::Span> marks() const;
    // The marked word at a document position, or a span of length 0.
    SpellChecker::Span markAt(int position) const;

    // Puts the suggestions for the misspelled word under pos (viewport coordinates), Ignore All and
    // Add to Dictionary at the top of menu; nothing when the word there is not marked.
    void addMenuEntries(QMenu* menu, const QPoint& pos);

signals:
    // Every paragraph has been checked.
    void idle();

private:
    void onContentsChange(int from, int removed, int added);
    void schedule(int from);
    void runSlice();
    void checkBlock(QTextBlock& block);
    static QList<SpellChecker::Span> marksOf(const QTextBlock& block);
    void recheckMarked();
    void clearMarks();
    void paintMarks(QPainter& painter, const QRect& exposed, const QPointF& offset) const;
    bool isVisible(const QTextBlock& block) const;

    QPointer<platform::RichTextBox> m_box;
    QPointer<SpellChecker> m_checker;
    QTimer m_timer;
    int m_next = INT_MAX;
    // A paragraph whose user state equals this has been checked since its last change.
    int m_stamp;
    // A visible paragraph's marks changed during this slice.
    bool m_repaint = false;
};

} // namespace tarnwick::document
