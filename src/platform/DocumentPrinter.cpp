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
#include <QTextFrame>

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


// The notes' text after the document's, numbered as their marks are shown.
bool appendNotes(QTextDocument* doc)
{
    QStringList footnotes;
    QStringList endnotes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.objectType() != rtf::kKeptObjectType)
                continue;
            const auto kind = static_cast<rtf::KeptKind>(f.intProperty(rtf::KeptKindProperty));
            if (kind != rtf::KeptKind::Footnote && kind != rtf::KeptKind::Endnote)
                continue;
            for (int k = 0; k < it.fragment().length(); ++k) {
                QStringList& notes = kind == rtf::KeptKind::Footnote ? footnotes : endnotes;
                const QString mark = !f.boolProperty(rtf::KeptAutoNumber) ? QStringLiteral("*")
                                     : kind == rtf::KeptKind::Footnote    ? QString::number(footnotes.size() + 1)
                                                                          : rtf::romanNumeral(int(endnotes.size()) + 1);
                notes << mark + QStringLiteral("  ") + f.stringProperty(rtf::KeptCaption);
            }
        }
    }
    if (footnotes.isEmpty() && endnotes.isEmpty())
        return false;
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat rule;
    rule.setTopMargin(12);
    QTextCharFormat small;
    small.setFontPointSize(9);
    cursor.insertBlock(rule, small);
    cursor.insertText(QString(24, QChar(0x2500)));
    for (const QString& note : footnotes + endnotes) {
        cursor.insertBlock(QTextBlockFormat(), small);
        cursor.insertText(note);
    }
    return true;
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

// Page and page-count fields (and \chpgn, read as a PAGE field) show this page's numbers.
void setPageNumbers(QTextDocument* doc, int page, int pages, int sectionPages)
{
    struct Run
    {
        int from;
        int to;
        QString text;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QVariantList chain = fragment.charFormat().property(rtf::FieldChain).toList();
            if (chain.isEmpty())
                continue;
            const QString word = fieldWord(chain.last().toByteArray());
            QString number;
            if (word == QLatin1String("PAGE"))
                number = QString::number(page);
            else if (word == QLatin1String("NUMPAGES"))
                number = QString::number(pages);
            else if (word == QLatin1String("SECTIONPAGES"))
                number = QString::number(sectionPages);
            else
                continue;
            const int from = fragment.position();
            const int to = from + fragment.length();
            if (!runs.empty() && runs.back().to == from && runs.back().text == number &&
                runs.back().format.property(rtf::FieldChain) == fragment.charFormat().property(rtf::FieldChain)) {
                runs.back().to = to;
                continue;
            }
            runs.push_back(Run{from, to, number, fragment.charFormat()});
        }
    }
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        QTextCursor cursor(doc);
        cursor.setPosition(it->from);
        cursor.setPosition(it->to, QTextCursor::KeepAnchor);
        cursor.insertText(it->text, it->format);
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
    setPageNumbers(doc.get(), page, pages, sectionPages);
    doc->setDocumentMargin(0);
    doc->setTextWidth(width);
    return doc;
}

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
    const bool notes = appendNotes(whole.get());
    std::vector<PrintSection> sections = splitSections(whole.get(), prelude);
    bool furniture = false;
    for (const PrintSection& section : sections)
        furniture = furniture || !section.setup.furniture.isEmpty();
    if (!notes && !furniture && sections.size() == 1) {
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
    for (std::size_t i = 0; i < sections.size(); ++i) {
        PrintSection& section = sections[i];
        if (!section.layout)
            section.layout = sections[i - 1].layout;
        section.doc =
            sections.size() == 1 ? std::move(whole) : sectionDocument(*whole, section.firstBlock, section.lastBlock);
        const QRectF body = section.layout->paintRectPixels(resolution);
        section.doc->setPageSize(QSizeF(body.width() / scale, body.height() / scale));
        section.pages = std::max(1, section.doc->pageCount());
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
            painter.save();
            painter.setClipRect(QRectF(QPointF(0, 0), page));
            painter.translate(0, -p * page.height());
            QAbstractTextDocumentLayout::PaintContext context;
            context.palette.setColor(QPalette::Text, Qt::black);
            context.clip = QRectF(0, p * page.height(), page.width(), page.height());
            section.doc->documentLayout()->draw(&painter, context);
            painter.restore();
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
