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
void setPageNumbers(QTextDocument* doc, int page, int pages)
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
            else if (word == QLatin1String("NUMPAGES") || word == QLatin1String("SECTIONPAGES"))
                number = QString::number(pages);
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

// Word's choice of header or footer for a page: the first page's own with \titlepg, left and
// right ones with \facingp, else the one for every page.
QByteArray furnitureFor(const rtf::KeptPageSetup& setup, const char* kind, int page)
{
    const QByteArray base(kind);
    if (page == 1 && setup.titlePage)
        return setup.furniture.value(base + 'f');
    if (setup.facingPages) {
        const QByteArray sided = setup.furniture.value(base + (page % 2 == 0 ? 'l' : 'r'));
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
                                                 qreal width)
{
    if (group.isEmpty())
        return nullptr;
    static const QRegularExpression chpgn(QStringLiteral("\\\\chpgn ?"));
    group = QString::fromLatin1(group)
                .replace(chpgn, QStringLiteral("{\\field{\\*\\fldinst PAGE}{\\fldrslt 0}}"))
                .toLatin1();
    auto doc = std::make_unique<QTextDocument>();
    rtf::readKeptDocument(tables, group, doc.get());
    setPageNumbers(doc.get(), page, pages);
    doc->setDocumentMargin(0);
    doc->setTextWidth(width);
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
    const rtf::KeptPageSetup setup = rtf::pageSetupOf(rtf::documentPrelude(document));
    if (!printer || setup.paperWidth <= 0 || setup.paperHeight <= 0)
        return;
    const qreal toPoints = 72.0 / 1440.0;
    const QSizeF paper(std::min(setup.paperWidth, setup.paperHeight) * toPoints,
                       std::max(setup.paperWidth, setup.paperHeight) * toPoints);
    const bool landscape = setup.landscape || setup.paperWidth > setup.paperHeight;
    auto margin = [&](int twips, int fallback) { return (twips > 0 ? twips : fallback) * toPoints; };
    const QMarginsF margins(margin(setup.marginLeft, kDefaultSideMargin), margin(setup.marginTop, kDefaultTopMargin),
                            margin(setup.marginRight, kDefaultSideMargin),
                            margin(setup.marginBottom, kDefaultTopMargin));
    const QPageSize size(paper, QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    printer->setPageLayout(
        QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Point));
}

void printDocument(const QTextDocument& source, QPrinter* printer)
{
    if (!printer)
        return;
    const rtf::KeptRtf prelude = rtf::documentPrelude(source);
    const rtf::KeptPageSetup setup = rtf::pageSetupOf(prelude);
    std::unique_ptr<QTextDocument> doc(source.clone());
    rtf::registerKeptObjects(doc.get());
    const bool notes = appendNotes(doc.get());
    if (!notes && setup.furniture.isEmpty()) {
        // Nothing of the file's own to put on the pages: the editor's usual printing.
        doc->print(printer);
        return;
    }
    QPainter painter;
    if (!painter.begin(printer))
        return;
    const int resolution = printer->resolution();
    const QPageLayout layout = printer->pageLayout();
    const QRectF full = layout.fullRectPixels(resolution);
    const QRectF body = layout.paintRectPixels(resolution);
    const qreal scale = resolution / kLayoutDpi;
    const QSizeF page(body.width() / scale, body.height() / scale);
    const qreal bodyTop = body.top() / scale;
    const qreal paperHeight = full.height() / scale;
    doc->setPageSize(page);
    const int pages = std::max(1, doc->pageCount());
    const QByteArray tables = rtf::tablesFor(prelude);
    const qreal headerY = (setup.headerY > 0 ? setup.headerY : kDefaultFurnitureDistance) / kTwipsPerLayoutPixel;
    const qreal footerY = (setup.footerY > 0 ? setup.footerY : kDefaultFurnitureDistance) / kTwipsPerLayoutPixel;

    painter.scale(scale, scale);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            printer->newPage();
        painter.save();
        painter.setClipRect(QRectF(QPointF(0, 0), page));
        painter.translate(0, -p * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        context.clip = QRectF(0, p * page.height(), page.width(), page.height());
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
        // The painter's origin is the body's corner; the furniture sits in the margins.
        if (auto header = furnitureDocument(tables, furnitureFor(setup, "header", p + 1), p + 1, pages, page.width()))
            drawAt(&painter, header.get(), 0, headerY - bodyTop);
        if (auto footer = furnitureDocument(tables, furnitureFor(setup, "footer", p + 1), p + 1, pages, page.width()))
            drawAt(&painter, footer.get(), 0, paperHeight - footerY - footer->size().height() - bodyTop);
    }
    painter.end();
}

} // namespace tarnwick::platform
