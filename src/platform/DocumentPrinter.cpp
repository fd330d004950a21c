#include "platform/DocumentPrinter.h"

#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfLists.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tarnwick::platform {

namespace {

// Documents are laid out in pixels of a 96 dpi screen and scaled onto the printer, so that
// indents and spacing kept in pixels print at their size.
constexpr qreal kLayoutDpi = 96.0;
constexpr qreal kTwipsPerLayoutPixel = 1440.0 / kLayoutDpi;
// Word's defaults where a file states paper but no margins, or no header position.
constexpr int kDefaultSideMargin = 1800;
constexpr int kDefaultTopMargin = 1440;
constexpr int kDefaultFurnitureDistance = 720;

// Printed notes are set smaller than the body, under a short rule.
constexpr qreal kNotePointSize = 9;
constexpr qreal kRuleSpace = 12; // the rule and the space around it, in layout pixels
constexpr qreal kEpsilon = 0.01;
constexpr qreal kEdge = 0.5;
constexpr std::size_t kMaxPages = 100000;

// The vertical extent of one laid-out line, in its document's coordinates.
struct Span
{
    qreal top;
    qreal bottom;
};

// Where a laid-out document may be cut between pages: never through a line.
struct Flow
{
    std::vector<Span> lines;   // by top
    std::vector<qreal> breaks; // forced page breaks, ascending
    qreal tallest = 0;
    qreal end = 0;
};

Flow flowOf(QTextDocument* doc)
{
    Flow flow;
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* lines = b.layout();
        if (!lines || !b.isVisible())
            continue;
        const QRectF rect = layout->blockBoundingRect(b);
        const QTextFormat::PageBreakFlags policy = b.blockFormat().pageBreakPolicy();
        if (policy & QTextFormat::PageBreak_AlwaysBefore)
            flow.breaks.push_back(rect.top());
        if (policy & QTextFormat::PageBreak_AlwaysAfter)
            flow.breaks.push_back(rect.bottom());
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const Span span{rect.top() + line.y(), rect.top() + line.y() + line.height()};
            flow.lines.push_back(span);
            flow.tallest = std::max(flow.tallest, span.bottom - span.top);
            flow.end = std::max(flow.end, span.bottom);
        }
    }
    std::sort(flow.lines.begin(), flow.lines.end(), [](const Span& a, const Span& b) { return a.top < b.top; });
    std::sort(flow.breaks.begin(), flow.breaks.end());
    // Table borders and the like below the last line print with it.
    flow.end = std::max(flow.end, layout->documentSize().height() - doc->documentMargin());
    return flow;
}

// A line that y would cut through, or nullptr.
const Span* straddling(const Flow& flow, qreal y)
{
    auto it =
        std::lower_bound(flow.lines.begin(), flow.lines.end(), y, [](const Span& s, qreal v) { return s.top < v; });
    while (it != flow.lines.begin()) {
        --it;
        if (it->top <= y - flow.tallest - kEpsilon)
            break; // every earlier line ends above y
        if (it->top < y - kEpsilon && it->bottom > y + kEpsilon)
            return &*it;
    }
    return nullptr;
}

// The lowest place at or above limit, below top, where a page may end; top when there is none.
qreal cutAt(const Flow& flow, qreal top, qreal limit)
{
    qreal y = limit;
    // A forced break ends the page unless nothing of the page's text comes before it.
    const auto first = std::lower_bound(flow.lines.begin(), flow.lines.end(), top - kEpsilon,
                                        [](const Span& s, qreal v) { return s.top < v; });
    if (first != flow.lines.end()) {
        const auto forced =
            std::upper_bound(flow.breaks.begin(), flow.breaks.end(), std::max(top, first->top) + kEpsilon);
        if (forced != flow.breaks.end() && *forced < y)
            y = *forced;
    }
    while (const Span* line = straddling(flow, y))
        y = line->top;
    return y > top + kEpsilon ? y : top;
}

// The highest place below top where a page may end: after the first line that starts there.
qreal firstCut(const Flow& flow, qreal top)
{
    auto it = std::lower_bound(flow.lines.begin(), flow.lines.end(), top - kEpsilon,
                               [](const Span& s, qreal v) { return s.top < v; });
    if (it == flow.lines.end())
        return flow.end;
    qreal y = it->bottom;
    while (const Span* line = straddling(flow, y))
        y = line->bottom;
    return y;
}

// Where the line holding a position starts, in the document's coordinates.
qreal lineTopAt(QTextDocument* doc, int position)
{
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid() || !block.layout())
        return 0;
    const QRectF rect = doc->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    return rect.top() + (line.isValid() ? line.y() : 0);
}

// A footnote as it prints at the foot of the page its mark is on.
struct Note
{
    qreal markTop = 0;
    std::unique_ptr<QTextDocument> doc;
    Flow flow;
};

// A slice of a note: notes too long for one page's foot go on at the next page's.
struct Piece
{
    std::size_t note;
    qreal from;
    qreal to;
};

struct PagePlan
{
    qreal top = 0; // the body from top to cut prints on the page
    qreal cut = 0;
    std::vector<Piece> foot;
};

bool isNote(const QTextCharFormat& f, rtf::KeptKind kind)
{
    return f.objectType() == rtf::kKeptObjectType &&
           static_cast<rtf::KeptKind>(f.intProperty(rtf::KeptKindProperty)) == kind;
}

// The footnote marks with their formats, in document order.
std::vector<std::pair<int, QTextCharFormat>> footnoteMarks(const QTextDocument& doc)
{
    std::vector<std::pair<int, QTextCharFormat>> marks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (isNote(it.fragment().charFormat(), rtf::KeptKind::Footnote)) {
                for (int k = 0; k < it.fragment().length(); ++k)
                    marks.emplace_back(it.fragment().position() + k, it.fragment().charFormat());
            }
        }
    }
    return marks;
}

// A note as it prints: its mark, as the body shows it, then the note's own text and formatting,
// in smaller type where it states no size.
std::unique_ptr<QTextDocument> noteDocument(const QTextCharFormat& f, const QString& number, qreal width)
{
    auto doc = std::make_unique<QTextDocument>();
    const rtf::KeptRtf kept = rtf::KeptRtf::decode(f.property(rtf::KeptData).toByteArray());
    rtf::readKeptDocument(rtf::tablesFor(kept), kept.rtf, doc.get());
    std::vector<std::pair<int, int>> unsized;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (!it.fragment().charFormat().hasProperty(QTextFormat::FontPointSize))
                unsized.emplace_back(it.fragment().position(), it.fragment().position() + it.fragment().length());
        }
    }
    QTextCursor cursor(doc.get());
    QTextCharFormat small;
    small.setFontPointSize(kNotePointSize);
    for (const auto& [from, to] : unsized) {
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(small);
    }
    // The note's own mark reads as nothing here (it is the body's mark again): put the number.
    cursor.setPosition(0);
    while (doc->characterAt(0) == QLatin1Char(' ') || doc->characterAt(0) == QLatin1Char('\t'))
        cursor.deleteChar();
    QTextCharFormat markFormat = doc->begin().charFormat();
    if (!markFormat.hasProperty(QTextFormat::FontPointSize))
        markFormat.setFontPointSize(kNotePointSize);
    const QString mark = f.boolProperty(rtf::KeptAutoNumber) ? number : QStringLiteral("*");
    cursor.insertText(mark + QStringLiteral("  "), markFormat);
    doc->setDocumentMargin(0);
    doc->setTextWidth(width);
    return doc;
}

// Every footnote of the document, numbered as their marks are shown, laid out at the body's width.
std::vector<Note> footnotes(const QTextDocument& doc, qreal width, int firstNumber)
{
    std::vector<Note> notes;
    for (const auto& [position, format] : footnoteMarks(doc)) {
        Note note;
        note.doc = noteDocument(format, QString::number(firstNumber + int(notes.size())), width);
        note.flow = flowOf(note.doc.get());
        notes.push_back(std::move(note));
    }
    return notes;
}

// The endnotes after the document's text under a rule, numbered as their marks are shown.
bool appendEndnotes(QTextDocument* doc)
{
    std::vector<std::unique_ptr<QTextDocument>> endnotes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!isNote(f, rtf::KeptKind::Endnote))
                continue;
            for (int k = 0; k < it.fragment().length(); ++k)
                endnotes.push_back(noteDocument(f, rtf::romanNumeral(int(endnotes.size()) + 1), -1));
        }
    }
    if (endnotes.empty())
        return false;
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat rule;
    rule.setTopMargin(12);
    QTextCharFormat small;
    small.setFontPointSize(kNotePointSize);
    cursor.insertBlock(rule, small);
    cursor.insertText(QString(24, QChar(0x2500)));
    for (const auto& note : endnotes) {
        cursor.insertBlock(QTextBlockFormat(), small);
        cursor.insertFragment(QTextDocumentFragment(note.get()));
    }
    return true;
}

// Splits the body into pages whose foot holds the notes of their lines. A line whose notes do
// not fit moves to the next page; when even a page's first line does not fit beside its notes,
// the notes go on at the next page's foot.
std::vector<PagePlan> planPages(const Flow& body, const std::vector<Note>& notes, qreal height)
{
    std::vector<std::size_t> order(notes.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return notes[a].markTop < notes[b].markTop; });
    std::vector<PagePlan> plan;
    std::deque<Piece> carry;
    std::size_t next = 0; // in order: the first note not yet at a foot
    qreal top = 0;
    auto notesAbove = [&](qreal cut) {
        if (top >= body.end - kEpsilon)
            return order.size();
        std::size_t i = next;
        while (i < order.size() && notes[order[i]].markTop < cut - kEpsilon)
            ++i;
        return i;
    };
    auto footNeed = [&](std::size_t upto) {
        qreal h = 0;
        for (const Piece& p : carry)
            h += p.to - p.from;
        for (std::size_t i = next; i < upto; ++i)
            h += notes[order[i]].flow.end;
        return h > 0 ? h + kRuleSpace : 0.0;
    };
    while ((top < body.end - kEpsilon || !carry.empty() || next < order.size()) && plan.size() < kMaxPages) {
        PagePlan page;
        page.top = top;
        const bool bodyLeft = top < body.end - kEpsilon;
        qreal cut = bodyLeft ? cutAt(body, top, top + height) : top;
        // The most lines that fit with their notes: fewer notes (a line carrying one moved to the
        // next page) until the text before the first left-out mark and the notes kept fit.
        std::size_t upto = notesAbove(cut);
        while (bodyLeft) {
            qreal limit = top + height - footNeed(upto);
            if (upto < order.size())
                limit = std::min(limit, notes[order[upto]].markTop);
            cut = limit > top ? cutAt(body, top, limit) : top;
            if (upto == next || (cut > top && notes[order[upto - 1]].markTop < cut - kEpsilon))
                break;
            --upto;
        }
        if (cut <= top && bodyLeft) {
            const qreal first = std::min(firstCut(body, top), top + height);
            if (carry.empty() || footNeed(next) <= height - (first - top))
                cut = first;
            upto = notesAbove(cut);
        }
        std::deque<Piece> queue = std::move(carry);
        carry.clear();
        for (; next < upto; ++next)
            queue.push_back(Piece{order[next], 0, notes[order[next]].flow.end});
        qreal room = height - (cut - top) - kRuleSpace;
        while (!queue.empty()) {
            Piece piece = queue.front();
            queue.pop_front();
            if (piece.to - piece.from <= room + kEpsilon) {
                page.foot.push_back(piece);
                room -= piece.to - piece.from;
                continue;
            }
            qreal split = room > 0 ? cutAt(notes[piece.note].flow, piece.from, piece.from + room) : piece.from;
            if (split <= piece.from && page.foot.empty() && cut <= top)
                split = piece.from + room; // a note line taller than a page: cut rather than never printed
            if (split > piece.from) {
                page.foot.push_back(Piece{piece.note, piece.from, split});
                piece.from = split;
            }
            carry.push_back(piece);
            carry.insert(carry.end(), queue.begin(), queue.end());
            break;
        }
        page.cut = cut;
        plan.push_back(std::move(page));
        top = cut;
    }
    if (plan.empty())
        plan.push_back(PagePlan{});
    return plan;
}

// The page (from 1) a place in the body prints on.
int pageAtY(const std::vector<PagePlan>& plan, qreal y)
{
    const auto it =
        std::upper_bound(plan.begin(), plan.end(), y + kEpsilon, [](qreal v, const PagePlan& p) { return v < p.top; });
    return std::max<int>(1, static_cast<int>(it - plan.begin()));
}

// The field instruction's first word, upper-cased: "PAGE" for {\field{\*\fldinst { PAGE }}...
QString fieldWord(const QByteArray& encoded)
{
    const rtf::KeptRtf kept = rtf::KeptRtf::decode(encoded);
    const qsizetype at = kept.rtf.indexOf("fldinst");
    if (at < 0)
        return {};
    static const QRegularExpression word(QStringLiteral("^(?:\\s|[{}]|\\\\[a-z]+-?\\d* ?)*([A-Za-z]+)"));
    const QRegularExpressionMatch m = word.match(QString::fromLatin1(kept.rtf.mid(at + 7, 200)));
    return m.hasMatch() ? m.captured(1).toUpper() : QString();
}

// A page or page-count field (a result or a field kept whole for showing nothing) or \chpgn:
// what to put in its place on each page.
struct NumberRun
{
    int from;
    int to;
    enum Kind { Page, Pages, SectionPages } kind;
    QTextCharFormat format;
};

std::vector<NumberRun> pageNumberRuns(const QTextDocument& doc)
{
    std::vector<NumberRun> runs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            QString word;
            bool perCharacter = false;
            if (format.objectType() == rtf::kKeptObjectType) {
                const QByteArray encoded = format.property(rtf::KeptData).toByteArray();
                if (rtf::KeptRtf::decode(encoded).rtf.startsWith("\\chpgn"))
                    word = QStringLiteral("PAGE");
                else if (static_cast<rtf::KeptKind>(format.intProperty(rtf::KeptKindProperty)) == rtf::KeptKind::Field)
                    word = fieldWord(encoded);
                perCharacter = true;
            } else {
                const QVariantList chain = format.property(rtf::FieldChain).toList();
                if (!chain.isEmpty())
                    word = fieldWord(chain.last().toByteArray());
            }
            NumberRun::Kind kind;
            if (word == QLatin1String("PAGE"))
                kind = NumberRun::Page;
            else if (word == QLatin1String("NUMPAGES"))
                kind = NumberRun::Pages;
            else if (word == QLatin1String("SECTIONPAGES"))
                kind = NumberRun::SectionPages;
            else
                continue;
            const int from = fragment.position();
            const int to = from + fragment.length();
            if (perCharacter) {
                // Each object is a field of its own.
                for (int k = from; k < to; ++k)
                    runs.push_back(NumberRun{k, k + 1, kind, rtf::withoutKept(format)});
                continue;
            }
            // A field's result may be split into fragments by its formatting: one number for all.
            if (!runs.empty() && runs.back().to == from && runs.back().kind == kind &&
                runs.back().format.property(rtf::FieldChain) == format.property(rtf::FieldChain)) {
                runs.back().to = to;
                continue;
            }
            runs.push_back(NumberRun{from, to, kind, format});
        }
    }
    return runs;
}

// Puts each page field's number in its place; pageAt says on which page a position prints.
template <typename PageAt>
void setPageNumbers(QTextDocument* doc, const std::vector<NumberRun>& runs, PageAt pageAt, int pages, int sectionPages)
{
    std::vector<int> numbers;
    numbers.reserve(runs.size());
    for (const NumberRun& run : runs)
        numbers.push_back(run.kind == NumberRun::Pages          ? pages
                          : run.kind == NumberRun::SectionPages ? sectionPages
                                                                : pageAt(run.from));
    QTextCursor cursor(doc);
    for (std::size_t i = runs.size(); i-- > 0;) {
        cursor.setPosition(runs[i].from);
        cursor.setPosition(runs[i].to, QTextCursor::KeepAnchor);
        cursor.insertText(QString::number(numbers[i]), runs[i].format);
    }
}

// Word's choice of header or footer for a page: the first page's own with \titlepg (the
// section's first page), left and right ones with \facingp (by the page's number), else the one
// for every page.
QByteArray furnitureFor(const rtf::KeptPageSetup& setup, const char* kind, int pageInSection, int number)
{
    const QByteArray base(kind);
    if (pageInSection == 1 && setup.titlePage)
        return setup.furniture.value(base + 'f');
    if (setup.facingPages) {
        const QByteArray sided = setup.furniture.value(base + (number % 2 == 0 ? 'l' : 'r'));
        if (!sided.isEmpty())
            return sided;
    }
    for (const QByteArray& name : {base, base + 'r', base + 'l'}) {
        const QByteArray group = setup.furniture.value(name);
        if (!group.isEmpty())
            return group;
    }
    return {};
}

std::unique_ptr<QTextDocument> furnitureDocument(const QByteArray& tables, QByteArray group, int page, int pages,
                                                 int sectionPages, qreal width)
{
    if (group.isEmpty())
        return nullptr;
    static const QRegularExpression chpgn(QStringLiteral("\\\\chpgn ?"));
    group = QString::fromLatin1(group)
                .replace(chpgn, QStringLiteral("{\\field{\\*\\fldinst PAGE}{\\fldrslt 0}}"))
                .toLatin1();
    auto doc = std::make_unique<QTextDocument>();
    rtf::readKeptDocument(tables, group, doc.get());
    setPageNumbers(
        doc.get(), pageNumberRuns(*doc), [page](int) { return page; }, pages, sectionPages);
    doc->setDocumentMargin(0);
    doc->setTextWidth(width);
    return doc;
}

// A document printed on pages of our own: laid out in one piece, cut between lines, each page's
// foot holding the footnotes of its lines.
struct PagedBody
{
    QTextDocument* doc = nullptr;
    std::vector<Note> notes;
    std::vector<PagePlan> pages;
};

// The page layout a file's page setup asks for; nothing where it states no paper.
std::optional<QPageLayout> pageLayoutOf(const rtf::KeptPageSetup& setup)
{
    if (setup.paperWidth <= 0 || setup.paperHeight <= 0)
        return std::nullopt;
    const qreal toPoints = 72.0 / 1440.0;
    const QSizeF paper(std::min(setup.paperWidth, setup.paperHeight) * toPoints,
                       std::max(setup.paperWidth, setup.paperHeight) * toPoints);
    const bool landscape = setup.landscape || setup.paperWidth > setup.paperHeight;
    auto margin = [&](int twips, int fallback) { return (twips > 0 ? twips : fallback) * toPoints; };
    const QMarginsF margins(margin(setup.marginLeft, kDefaultSideMargin), margin(setup.marginTop, kDefaultTopMargin),
                            margin(setup.marginRight, kDefaultSideMargin),
                            margin(setup.marginBottom, kDefaultTopMargin));
    const QPageSize size(paper, QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Point);
}

// A stretch of the document printed on pages of its own: a section, with the continuous
// sections after it (they go on on its pages).
struct PrintSection
{
    int firstBlock = 0;
    int lastBlock = 0;
    rtf::KeptPageSetup setup;
    QMap<QByteArray, QByteArray> tables; // per header or footer: the font and colour tables it refers to
    std::optional<QPageLayout> layout;   // none: the one before it (for the first, the printer's)
    std::unique_ptr<QTextDocument> doc;
    PagedBody paged;
    int pages = 1;
    int firstNumber = 1;
    int firstPage = 0; // the sheet it starts on, from 0
};

// Splits the document (a copy of its own) at its section breaks; the break marks themselves are
// not printed. A later section states its own page setup on top of the document's and keeps the
// headers and footers of the one before unless it has its own, as Word does.
std::vector<PrintSection> splitSections(QTextDocument* doc, const rtf::KeptRtf& prelude)
{
    std::vector<PrintSection> sections(1);
    sections[0].setup = rtf::pageSetupOf(prelude);
    const QByteArray documentTables = rtf::tablesFor(prelude);
    for (auto it = sections[0].setup.furniture.constBegin(); it != sections[0].setup.furniture.constEnd(); ++it)
        sections[0].tables.insert(it.key(), documentTables);
    std::vector<std::pair<int, rtf::KeptRtf>> breaks; // position, the section it opens
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.objectType() != rtf::kKeptObjectType ||
                f.intProperty(rtf::KeptKindProperty) != static_cast<int>(rtf::KeptKind::Section))
                continue;
            for (int k = 0; k < it.fragment().length(); ++k)
                breaks.emplace_back(it.fragment().position() + k,
                                    rtf::KeptRtf::decode(f.property(rtf::KeptData).toByteArray()));
        }
    }
    std::vector<int> endBlocks;
    std::vector<bool> inTable; // a break pasted into a table cell does not split the table
    for (const auto& [position, kept] : breaks) {
        endBlocks.push_back(doc->findBlock(position).blockNumber());
        QTextCursor at(doc);
        at.setPosition(position);
        inTable.push_back(at.currentTable() != nullptr);
    }
    for (auto it = breaks.rbegin(); it != breaks.rend(); ++it) {
        QTextCursor mark(doc);
        mark.setPosition(it->first);
        mark.deleteChar();
    }
    for (std::size_t i = 0; i < breaks.size(); ++i) {
        if (inTable[i])
            continue;
        const PrintSection& before = sections.back();
        const rtf::KeptPageSetup own = rtf::pageSetupOf(breaks[i].second);
        PrintSection next;
        next.setup = own;
        const rtf::KeptPageSetup& base = sections[0].setup;
        if (own.paperWidth <= 0 || own.paperHeight <= 0) {
            next.setup.paperWidth = base.paperWidth;
            next.setup.paperHeight = base.paperHeight;
            next.setup.landscape = own.landscape || base.landscape;
        }
        for (int rtf::KeptPageSetup::*field :
             {&rtf::KeptPageSetup::marginLeft, &rtf::KeptPageSetup::marginRight, &rtf::KeptPageSetup::marginTop,
              &rtf::KeptPageSetup::marginBottom, &rtf::KeptPageSetup::headerY, &rtf::KeptPageSetup::footerY}) {
            if (next.setup.*field <= 0)
                next.setup.*field = base.*field;
        }
        next.setup.facingPages = base.facingPages;
        next.setup.furniture = before.setup.furniture;
        next.tables = before.tables;
        const QByteArray tables = rtf::tablesFor(breaks[i].second);
        for (auto it = own.furniture.constBegin(); it != own.furniture.constEnd(); ++it) {
            next.setup.furniture.insert(it.key(), it.value());
            next.tables.insert(it.key(), tables);
        }
        // A section that states nothing of its page goes on on the one before (which may be the
        // user's choice in the print dialog).
        if (own.paperWidth > 0 || own.paperHeight > 0 || own.landscape || own.marginLeft > 0 || own.marginRight > 0 ||
            own.marginTop > 0 || own.marginBottom > 0)
            next.layout = pageLayoutOf(next.setup);
        sections.back().lastBlock = endBlocks[i];
        next.firstBlock = endBlocks[i] + 1;
        if (next.firstBlock >= doc->blockCount())
            break; // a break that ends the document opens nothing
        if (own.sectionBreak == rtf::KeptPageSetup::Break::None ||
            own.sectionBreak == rtf::KeptPageSetup::Break::Column) {
            // A continuous section goes on on the pages of the one before.
            continue;
        }
        sections.push_back(std::move(next));
    }
    sections.back().lastBlock = doc->blockCount() - 1;
    return sections;
}

// The section's blocks as a document of their own.
std::unique_ptr<QTextDocument> sectionDocument(const QTextDocument& whole, int firstBlock, int lastBlock)
{
    std::unique_ptr<QTextDocument> doc(whole.clone());
    rtf::registerKeptObjects(doc.get());
    const QTextBlock last = doc->findBlockByNumber(lastBlock);
    if (last.next().isValid()) {
        QTextCursor tail(doc.get());
        tail.setPosition(last.position() + last.length() - 1);
        tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        tail.removeSelectedText();
    }
    if (firstBlock > 0) {
        QTextCursor head(doc.get());
        head.setPosition(doc->findBlockByNumber(firstBlock).position(), QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    return doc;
}

void drawAt(QPainter* painter, QTextDocument* doc, qreal x, qreal y)
{
    painter->save();
    painter->translate(x, y);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(QPointF(0, 0), doc->size());
    doc->documentLayout()->draw(painter, context);
    painter->restore();
}

// Draws the part of a laid-out document from one height to another at y.
void drawSlice(QPainter* painter, QTextDocument* doc, qreal from, qreal to, qreal y, qreal width)
{
    if (to <= from)
        return;
    painter->save();
    painter->translate(0, y - from);
    const QRectF slice(0, from, width, to - from);
    painter->setClipRect(slice);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    // Lines that only touch the slice (the last of the page before, the first of the next)
    // belong to another page: drawn clipped away they would still be in the printed text.
    context.clip = slice.adjusted(0, kEdge, 0, -kEdge);
    doc->documentLayout()->draw(painter, context);
    painter->restore();
}

void replan(PagedBody* paged, const QSizeF& page)
{
    const auto marks = footnoteMarks(*paged->doc);
    for (std::size_t i = 0; i < paged->notes.size() && i < marks.size(); ++i)
        paged->notes[i].markTop = lineTopAt(paged->doc, marks[i].first);
    paged->pages = planPages(flowOf(paged->doc), paged->notes, page.height());
}

PagedBody paginate(QTextDocument* doc, const QSizeF& page, int firstNote)
{
    PagedBody paged;
    paged.doc = doc;
    doc->setTextWidth(page.width());
    paged.notes = footnotes(*doc, page.width(), firstNote);
    replan(&paged, page);
    return paged;
}

// Page fields in the body show the numbers of the pages they print on (the first of them
// numbered firstNumber); numbers a digit wider than their field rarely move a line, so one more
// cut settles the pages.
void numberPages(PagedBody* paged, const QSizeF& page, int firstNumber, int pages, int sectionPages)
{
    const std::vector<NumberRun> runs = pageNumberRuns(*paged->doc);
    if (runs.empty())
        return;
    auto pageAt = [&](int position) {
        return firstNumber - 1 + pageAtY(paged->pages, lineTopAt(paged->doc, position));
    };
    setPageNumbers(paged->doc, runs, pageAt, pages, sectionPages);
    replan(paged, page);
}

// The painter's origin is the page's body corner.
void drawPage(QPainter* painter, const PagedBody& paged, std::size_t p, const QSizeF& page)
{
    const PagePlan& sheet = paged.pages[p];
    drawSlice(painter, paged.doc, sheet.top, sheet.cut, 0, page.width());
    if (sheet.foot.empty())
        return;
    qreal used = kRuleSpace;
    for (const Piece& piece : sheet.foot)
        used += piece.to - piece.from;
    qreal y = page.height() - used;
    painter->save();
    painter->setPen(QPen(Qt::black, 0.75));
    painter->drawLine(QPointF(0, y + kRuleSpace / 2), QPointF(page.width() / 3, y + kRuleSpace / 2));
    painter->restore();
    y += kRuleSpace;
    for (const Piece& piece : sheet.foot) {
        drawSlice(painter, paged.notes[piece.note].doc.get(), piece.from, piece.to, y, page.width());
        y += piece.to - piece.from;
    }
}

} // namespace

void applyDocumentPageLayout(const QTextDocument& document, QPrinter* printer)
{
    if (!printer)
        return;
    if (const auto layout = pageLayoutOf(rtf::pageSetupOf(rtf::documentPrelude(document))))
        printer->setPageLayout(*layout);
}

void printDocument(const QTextDocument& source, QPrinter* printer)
{
    if (!printer)
        return;
    const rtf::KeptRtf prelude = rtf::documentPrelude(source);
    std::unique_ptr<QTextDocument> whole(source.clone());
    rtf::registerKeptObjects(whole.get());
    const bool endnotes = appendEndnotes(whole.get());
    const bool numbered = !pageNumberRuns(*whole).empty();
    const bool footnoted = !footnoteMarks(*whole).empty();
    std::vector<PrintSection> sections = splitSections(whole.get(), prelude);
    bool furniture = false;
    for (const PrintSection& section : sections)
        furniture = furniture || !section.setup.furniture.isEmpty();
    if (!endnotes && !footnoted && !numbered && !furniture && sections.size() == 1) {
        // Nothing of the file's own to put on the pages: the editor's usual printing.
        whole->print(printer);
        return;
    }
    const int resolution = printer->resolution();
    const qreal scale = resolution / kLayoutDpi;
    // The first section prints on the layout the print dialog left; later ones on their own.
    sections[0].layout = printer->pageLayout();
    // Lay every section out first: page numbers and page counts go across sections.
    int sheets = 0;
    int number = 1;
    int notes = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        PrintSection& section = sections[i];
        if (!section.layout)
            section.layout = sections[i - 1].layout;
        section.doc =
            sections.size() == 1 ? std::move(whole) : sectionDocument(*whole, section.firstBlock, section.lastBlock);
        const QRectF body = section.layout->paintRectPixels(resolution);
        // Our own pages: cut between lines, each page's foot holding its lines' footnotes,
        // numbered on from the sections before, in the text as at the foot.
        QTextFrameFormat root = section.doc->rootFrame()->frameFormat();
        root.setProperty(rtf::KeptFootnoteBase, notes);
        section.doc->rootFrame()->setFrameFormat(root);
        section.paged = paginate(section.doc.get(), QSizeF(body.width() / scale, body.height() / scale), notes + 1);
        notes += int(section.paged.notes.size());
        section.pages = int(section.paged.pages.size());
        section.firstNumber = i > 0 && section.setup.restartNumbers ? section.setup.firstNumber : number;
        const auto kind = section.setup.sectionBreak;
        if (i > 0 && ((kind == rtf::KeptPageSetup::Break::Odd && section.firstNumber % 2 == 0) ||
                      (kind == rtf::KeptPageSetup::Break::Even && section.firstNumber % 2 != 0))) {
            ++section.firstNumber; // a blank page goes before it
            ++sheets;
        }
        section.firstPage = sheets;
        sheets += section.pages;
        number = section.firstNumber + section.pages;
    }

    for (PrintSection& section : sections) {
        const QRectF body = section.layout->paintRectPixels(resolution);
        numberPages(&section.paged, QSizeF(body.width() / scale, body.height() / scale), section.firstNumber, sheets,
                    section.pages);
    }

    QPainter painter;
    if (!painter.begin(printer))
        return;
    painter.scale(scale, scale);
    int sheet = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        PrintSection& section = sections[i];
        const QRectF full = section.layout->fullRectPixels(resolution);
        const QRectF body = section.layout->paintRectPixels(resolution);
        const QSizeF page(body.width() / scale, body.height() / scale);
        const qreal bodyTop = body.top() / scale;
        const qreal paperHeight = full.height() / scale;
        const rtf::KeptPageSetup& setup = section.setup;
        const qreal headerY = (setup.headerY > 0 ? setup.headerY : kDefaultFurnitureDistance) / kTwipsPerLayoutPixel;
        const qreal footerY = (setup.footerY > 0 ? setup.footerY : kDefaultFurnitureDistance) / kTwipsPerLayoutPixel;
        if (i > 0 && !printer->pageLayout().isEquivalentTo(*section.layout)) {
            // Takes effect with the next page.
            printer->setPageLayout(*section.layout);
        }
        for (; sheet < section.firstPage; ++sheet)
            printer->newPage(); // the blank page before an odd or even section
        for (int p = 0; p < section.pages; ++p, ++sheet) {
            if (sheet > 0)
                printer->newPage();
            if (std::size_t(p) < section.paged.pages.size())
                drawPage(&painter, section.paged, std::size_t(p), page);
            // The painter's origin is the body's corner; the furniture sits in the margins.
            const int pageNumber = section.firstNumber + p;
            const QByteArray header = furnitureFor(setup, "header", p + 1, pageNumber);
            const QByteArray footer = furnitureFor(setup, "footer", p + 1, pageNumber);
            auto tablesOf = [&](const QByteArray& group) {
                for (auto it = setup.furniture.constBegin(); it != setup.furniture.constEnd(); ++it) {
                    if (it.value() == group)
                        return section.tables.value(it.key());
                }
                return QByteArray();
            };
            if (auto doc = furnitureDocument(tablesOf(header), header, pageNumber, sheets, section.pages, page.width()))
                drawAt(&painter, doc.get(), 0, headerY - bodyTop);
            if (auto doc = furnitureDocument(tablesOf(footer), footer, pageNumber, sheets, section.pages, page.width()))
                drawAt(&painter, doc.get(), 0, paperHeight - footerY - doc->size().height() - bodyTop);
        }
    }
    painter.end();
}

} // namespace tarnwick::platform
