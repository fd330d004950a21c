#include "document/SpellHighlighter.h"

#include "platform/RichTextBox.h"
#include "shell/MenuItemAccessible.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
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

// The misspelled words of one paragraph, kept with the paragraph.
class BlockMarks : public QTextBlockUserData
{
public:
    explicit BlockMarks(QList<SpellChecker::Span> spans) : spans(std::move(spans)) {}
    QList<SpellChecker::Span> spans;
};

void drawWave(QPainter& painter, qreal x1, qreal x2, qreal y, qreal amplitude)
{
    QPainterPath wave;
    const qreal step = amplitude * 2;
    wave.moveTo(x1, y);
    bool up = true;
    for (qreal x = x1 + step; x < x2 + step; x += step) {
        wave.lineTo(std::min(x, x2), y + (up ? -amplitude : amplitude));
        up = !up;
    }
    painter.drawPath(wave);
}
} // namespace

SpellHighlighter::SpellHighlighter(RichTextBox* box, SpellChecker* checker, QObject* parent)
    : QObject(parent), m_box(box), m_checker(checker), m_stamp(nextStamp())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &SpellHighlighter::runSlice);
    connect(box->document(), &QTextDocument::contentsChange, this, &SpellHighlighter::onContentsChange);
    connect(checker, &SpellChecker::wordAccepted, this, &SpellHighlighter::recheckMarked);
    connect(checker, &SpellChecker::ready, this, [this] { schedule(0); });
    box->setOverlay([this](QPainter& painter, const QRect& exposed, const QPointF& offset) {
        paintMarks(painter, exposed, offset);
    });
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

QList<SpellChecker::Span> SpellHighlighter::marksOf(const QTextBlock& block)
{
    const auto* marks = dynamic_cast<const BlockMarks*>(block.userData());
    return marks ? marks->spans : QList<SpellChecker::Span>();
}

void SpellHighlighter::clearMarks()
{
    if (!m_box)
        return;
    m_box->setOverlay({});
    for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
        block.setUserState(-1);
        if (block.userData())
            block.setUserData(nullptr);
    }
}

void SpellHighlighter::onContentsChange(int from, int /*removed*/, int added)
{
    if (!m_box)
        return;
    QTextDocument* document = m_box->document();
    const QTextBlock last = document->findBlock(from + added);
    for (QTextBlock block = document->findBlock(from); block.isValid(); block = block.next()) {
        block.setUserState(-1);
        // Old marks would sit in the wrong places until the paragraph is checked again.
        if (block.userData())
            block.setUserData(nullptr);
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
    m_repaint = false;
    QTextBlock block = m_box->document()->findBlock(m_next);
    while (block.isValid()) {
        if (block.userState() != m_stamp)
            checkBlock(block);
        block = block.next();
        if (block.isValid() && clock.elapsed() >= SliceMs)
            break;
    }
    if (m_repaint)
        m_box->viewport()->update();
    if (block.isValid()) {
        m_next = block.position();
        m_timer.start();
        return;
    }
    m_next = INT_MAX;
    emit idle();
}

void SpellHighlighter::checkBlock(QTextBlock& block)
{
    QList<SpellChecker::Span> spans = m_checker->misspellings(block.text());
    block.setUserState(m_stamp);
    if (spans == marksOf(block))
        return;
    block.setUserData(spans.isEmpty() ? nullptr : new BlockMarks(std::move(spans)));
    m_repaint = m_repaint || isVisible(block);
}

bool SpellHighlighter::isVisible(const QTextBlock& block) const
{
    const QRectF area = m_box->document()->documentLayout()->blockBoundingRect(block);
    const QRectF view(m_box->horizontalScrollBar()->value(), m_box->verticalScrollBar()->value(),
                      m_box->viewport()->width(), m_box->viewport()->height());
    return area.intersects(view);
}

// A red wave under each marked word of the paragraphs in the exposed part of the view, line by line
// where a word is broken over two lines.
void SpellHighlighter::paintMarks(QPainter& painter, const QRect& exposed, const QPointF& offset) const
{
    if (!m_box)
        return;
    QTextDocument* document = m_box->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const int first = layout->hitTest(QPointF(exposed.topLeft()) - offset, Qt::FuzzyHit);
    const int last = layout->hitTest(QPointF(exposed.bottomRight()) - offset, Qt::FuzzyHit);
    if (first < 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(Qt::red), 1));
    const QTextBlock end = document->findBlock(std::max(first, last)).next();
    for (QTextBlock block = document->findBlock(first); block.isValid() && block != end; block = block.next()) {
        const QList<SpellChecker::Span> spans = marksOf(block);
        const QTextLayout* lines = block.layout();
        if (spans.isEmpty() || !lines)
            continue;
        const QPointF origin = layout->blockBoundingRect(block).topLeft() + offset;
        for (const SpellChecker::Span& span : spans) {
            int from = span.start;
            const int to = span.start + span.length;
            while (from < to) {
                const QTextLine line = lines->lineForTextPosition(from);
                if (!line.isValid())
                    break;
                const int lineEnd = std::min(to, line.textStart() + line.textLength());
                const qreal x1 = line.cursorToX(from);
                const qreal x2 = line.cursorToX(lineEnd);
                const qreal y = line.y() + line.ascent() + std::max<qreal>(2, line.descent() / 2);
                drawWave(painter, origin.x() + std::min(x1, x2), origin.x() + std::max(x1, x2), origin.y() + y,
                         std::max<qreal>(1.5, line.height() / 12));
                if (lineEnd <= from)
                    break;
                from = lineEnd;
            }
        }
    }
}

// A word now accepted loses its marks wherever it is: only paragraphs with a mark are looked at again.
void SpellHighlighter::recheckMarked()
{
    if (!m_box)
        return;
    for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
        if (block.userData())
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
        for (const SpellChecker::Span& span : marksOf(block))
            result.append(SpellChecker::Span{block.position() + span.start, span.length});
    }
    return result;
}

SpellChecker::Span SpellHighlighter::markAt(int position) const
{
    if (!m_box)
        return {position, 0};
    const QTextBlock block = m_box->document()->findBlock(position);
    const int offset = position - block.position();
    for (const SpellChecker::Span& span : marksOf(block)) {
        // The caret just after a word still counts as on it.
        if (offset >= span.start && offset <= span.start + span.length)
            return {block.position() + span.start, span.length};
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
        shell::setItemDescription(action, tr("Replaces the misspelled word with this one."));
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
        shell::setItemDescription(none, tr("The dictionary has no word to offer in its place."));
        entries.append(none);
    }
    auto* separator = new QAction(menu);
    separator->setSeparator(true);
    entries.append(separator);
    auto* ignore = new QAction(tr("Ignore All"), menu);
    ignore->setObjectName(QStringLiteral("actIgnoreAll"));
    shell::setItemDescription(ignore, tr("Stops marking this word as misspelled until the program ends."));
    connect(ignore, &QAction::triggered, m_checker, [checker = m_checker, text] {
        if (checker)
            checker->ignoreAll(text);
    });
    entries.append(ignore);
    auto* add = new QAction(tr("Add to Dictionary"), menu);
    add->setObjectName(QStringLiteral("actAddToDictionary"));
    shell::setItemDescription(add, tr("Adds this word to your own dictionary, so it is never marked again."));
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
