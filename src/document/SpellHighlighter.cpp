#include "document/SpellHighlighter.h"

#include "platform/RichTextBox.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace tarnwick::document {

using platform::RichTextBox;

namespace {
// Each highlighter stamps the paragraphs it checked with a number of its own, so that a new
// highlighter on the same document does not take an old stamp for its own.
int nextStamp()
{
    static int stamp = 0x5e11;
    return ++stamp;
}
} // namespace

SpellHighlighter::SpellHighlighter(RichTextBox* box, SpellChecker* checker, QObject* parent)
    : QObject(parent)
    , m_box(box)
    , m_checker(checker)
    , m_stamp(nextStamp())
{
    m_markFormat.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    m_markFormat.setUnderlineColor(Qt::red);
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &SpellHighlighter::runSlice);
    connect(box->document(), &QTextDocument::contentsChange, this, &SpellHighlighter::onContentsChange);
    connect(checker, &SpellChecker::wordAccepted, this, &SpellHighlighter::recheckMarked);
    connect(checker, &SpellChecker::ready, this, [this] { schedule(0); });
    schedule(0);
}

SpellHighlighter::~SpellHighlighter()
{
    clearMarks();
}

void SpellHighlighter::detach()
{
    m_timer.stop();
    m_box = nullptr;
}

void SpellHighlighter::clearMarks()
{
    if (!m_box)
        return;
    QTextDocument* document = m_box->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        block.setUserState(-1);
        if (block.layout() && !block.layout()->formats().isEmpty()) {
            block.layout()->clearFormats();
            noteRedraw(block);
        }
    }
    flushRedraw();
}

void SpellHighlighter::noteRedraw(const QTextBlock& block)
{
    m_redrawFrom = std::min(m_redrawFrom, block.position());
    m_redrawTo = std::max(m_redrawTo, block.position() + block.length());
}

// Draws the paragraphs again; this is not an edit and raises no change.
void SpellHighlighter::flushRedraw()
{
    if (m_box && m_redrawTo > m_redrawFrom)
        m_box->document()->markContentsDirty(m_redrawFrom, m_redrawTo - m_redrawFrom);
    m_redrawFrom = INT_MAX;
    m_redrawTo = -1;
}

void SpellHighlighter::onContentsChange(int from, int /*removed*/, int added)
{
    if (!m_box)
        return;
    QTextDocument* document = m_box->document();
    const QTextBlock last = document->findBlock(from + added);
    for (QTextBlock block = document->findBlock(from); block.isValid(); block = block.next()) {
        block.setUserState(-1);
        if (block == last)
            break;
    }
    schedule(from);
}

void SpellHighlighter::schedule(int from)
{
    m_next = std::min(m_next, std::max(0, from));
    if (!m_timer.isActive())
        m_timer.start();
}

void SpellHighlighter::runSlice()
{
    if (!m_box || !m_checker || !m_checker->isReady()) {
        // Waiting for the dictionary: ready() schedules the work again.
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextDocument* document = m_box->document();
    QTextBlock block = document->findBlock(m_next);
    while (block.isValid()) {
        if (block.userState() != m_stamp)
            checkBlock(block);
        block = block.next();
        if (block.isValid() && clock.elapsed() >= SliceMs) {
            flushRedraw();
            m_next = block.position();
            m_timer.start();
            return;
        }
    }
    flushRedraw();
    m_next = INT_MAX;
    emit idle();
}

void SpellHighlighter::checkBlock(QTextBlock& block)
{
    QList<QTextLayout::FormatRange> ranges;
    for (const SpellChecker::Span& span : m_checker->misspellings(block.text())) {
        QTextLayout::FormatRange range;
        range.start = span.start;
        range.length = span.length;
        range.format = m_markFormat;
        ranges.append(range);
    }
    block.setUserState(m_stamp);
    QTextLayout* layout = block.layout();
    if (!layout || layout->formats() == ranges)
        return;
    layout->setFormats(ranges);
    noteRedraw(block);
}

// A word now accepted loses its marks wherever it is: only paragraphs with a mark are looked at again.
void SpellHighlighter::recheckMarked()
{
    if (!m_box)
        return;
    for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
        if (block.layout() && !block.layout()->formats().isEmpty())
            block.setUserState(-1);
    }
    schedule(0);
}

QList<SpellChecker::Span> SpellHighlighter::marks() const
{
    QList<SpellChecker::Span> result;
    if (!m_box)
        return result;
    for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.layout())
            continue;
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            result.append(SpellChecker::Span{block.position() + range.start, range.length});
    }
    return result;
}

SpellChecker::Span SpellHighlighter::markAt(int position) const
{
    if (!m_box)
        return {position, 0};
    const QTextBlock block = m_box->document()->findBlock(position);
    if (!block.isValid() || !block.layout())
        return {position, 0};
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        // The caret just after a word still counts as on it.
        if (offset >= range.start && offset <= range.start + range.length)
            return {block.position() + range.start, range.length};
    }
    return {position, 0};
}

void SpellHighlighter::addMenuEntries(QMenu* menu, const QPoint& pos)
{
    if (!m_box || !m_checker || !menu)
        return;
    const SpellChecker::Span mark = markAt(m_box->cursorForPosition(pos).position());
    if (mark.length == 0)
        return;
    QTextCursor word(m_box->document());
    word.setPosition(mark.start);
    word.setPosition(mark.start + mark.length, QTextCursor::KeepAnchor);
    const QString text = word.selectedText();

    QList<QAction*> entries;
    const QStringList suggestions = m_checker->suggestions(text);
    for (const QString& suggestion : suggestions) {
        auto* action = new QAction(suggestion, menu);
        QFont font = action->font();
        font.setBold(true);
        action->setFont(font);
        QPointer<RichTextBox> box = m_box;
        connect(action, &QAction::triggered, this, [box, word, suggestion]() mutable {
            if (!box || box->Locked())
                return;
            word.insertText(suggestion);
        });
        entries.append(action);
    }
    if (suggestions.isEmpty()) {
        auto* none = new QAction(tr("(no spelling suggestions)"), menu);
        none->setEnabled(false);
        entries.append(none);
    }
    auto* separator = new QAction(menu);
    separator->setSeparator(true);
    entries.append(separator);
    auto* ignore = new QAction(tr("Ignore All"), menu);
    ignore->setObjectName(QStringLiteral("actIgnoreAll"));
    connect(ignore, &QAction::triggered, m_checker, [checker = m_checker, text] {
        if (checker)
            checker->ignoreAll(text);
    });
    entries.append(ignore);
    auto* add = new QAction(tr("Add to Dictionary"), menu);
    add->setObjectName(QStringLiteral("actAddToDictionary"));
    connect(add, &QAction::triggered, m_checker, [checker = m_checker, text] {
        if (checker)
            checker->addToDictionary(text);
    });
    entries.append(add);
    if (!menu->actions().isEmpty()) {
        auto* after = new QAction(menu);
        after->setSeparator(true);
        entries.append(after);
    }
    QAction* first = menu->actions().value(0, nullptr);
    menu->insertActions(first, entries);
}

} // namespace tarnwick::document
