#pragma once

// Renders a document as a list of readable lines, one per paragraph and one per run of equally
// formatted text, so that QCOMPARE on two documents points at the first difference.

#include "platform/DocumentIO.h"
#include "platform/rtf/RtfProperties.h"

#include <QColor>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <memory>

namespace rtftest {

inline QString dataPath(const QString& name)
{
    return QStringLiteral(TARNWICK_RTF_TEST_DATA) + QLatin1Char('/') + name;
}

inline QByteArray readData(const QString& name)
{
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline QString effectiveFamily(const QTextCharFormat& f, const QTextDocument& doc)
{
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return doc.defaultFont().family();
}

inline QString brushName(const QTextCharFormat& f, QTextFormat::Property property)
{
    if (!f.hasProperty(property))
        return {};
    const QBrush brush = f.brushProperty(property);
    return brush.style() == Qt::NoBrush ? QString() : brush.color().name();
}

// Formatting the RTF layer promises to keep. Link targets are left out when asked, for the
// formats of paragraph marks, which RTF cannot make links of.
inline QString describeChar(const QTextCharFormat& f, const QTextDocument& doc, bool withLink = true)
{
    QStringList parts;
    parts << QStringLiteral("font=") + effectiveFamily(f, doc);
    if (f.fontPointSize() > 0)
        parts << QStringLiteral("pt=%1").arg(f.fontPointSize());
    if (f.fontWeight() >= QFont::DemiBold)
        parts << QStringLiteral("bold");
    if (f.fontItalic())
        parts << QStringLiteral("italic");
    const int ul = f.underlineStyle();
    if (ul != QTextCharFormat::NoUnderline && ul != QTextCharFormat::SpellCheckUnderline)
        parts << QStringLiteral("ul=%1").arg(ul);
    if (f.fontStrikeOut())
        parts << QStringLiteral("strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << QStringLiteral("super");
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << QStringLiteral("sub");
    const QString fg = brushName(f, QTextFormat::ForegroundBrush);
    if (!fg.isEmpty())
        parts << QStringLiteral("fg=") + fg;
    const QString bg = brushName(f, QTextFormat::BackgroundBrush);
    if (!bg.isEmpty())
        parts << QStringLiteral("bg=") + bg;
    if (withLink && f.isAnchor() && !f.anchorHref().isEmpty())
        parts << QStringLiteral("href=") + f.anchorHref();
    if (withLink && f.hasProperty(tarnwick::platform::rtf::CharLinkSwitches))
        parts << QStringLiteral("switches=") + f.stringProperty(tarnwick::platform::rtf::CharLinkSwitches);
    if (!f.toolTip().isEmpty())
        parts << QStringLiteral("tip=") + f.toolTip();
    return parts.join(QLatin1Char(' '));
}

inline int twips(qreal pixels)
{
    return static_cast<int>(std::round(pixels * 15.0));
}

inline QString describeBlock(const QTextBlockFormat& f)
{
    QString align = QStringLiteral("left");
    switch (f.alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)) {
    case Qt::AlignHCenter: align = QStringLiteral("center"); break;
    case Qt::AlignRight: align = QStringLiteral("right"); break;
    case Qt::AlignJustify: align = QStringLiteral("justify"); break;
    default: break;
    }
    return QStringLiteral("align=%1 li=%2 ri=%3 fi=%4 sb=%5 sa=%6")
        .arg(align)
        .arg(twips(f.leftMargin()))
        .arg(twips(f.rightMargin()))
        .arg(twips(f.textIndent()))
        .arg(twips(f.topMargin()))
        .arg(twips(f.bottomMargin()));
}

inline QStringList describeDocument(const QTextDocument& doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        lines << QStringLiteral("P ") + describeBlock(block.blockFormat());
        if (block.length() == 1) {
            lines << QStringLiteral("  (empty) ") + describeChar(block.charFormat(), doc, false);
            continue;
        }
        QString runDesc;
        QString runText;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString desc = describeChar(fragment.charFormat(), doc);
            if (desc != runDesc && !runText.isEmpty()) {
                lines << QStringLiteral("  [") + runDesc + QStringLiteral("] ") + runText;
                runText.clear();
            }
            runDesc = desc;
            runText += fragment.text();
        }
        if (!runText.isEmpty())
            lines << QStringLiteral("  [") + runDesc + QStringLiteral("] ") + runText;
    }
    return lines;
}

inline QStringList blockTexts(const QTextDocument& doc)
{
    QStringList texts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

// A document read from RTF; what cannot be read is reported and leaves what was read so far.
inline std::unique_ptr<QTextDocument> read(const QByteArray& rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    QString error;
    if (!tarnwick::platform::rtfToDocument(rtf, doc.get(), &error))
        qWarning() << "not read:" << error;
    return doc;
}

inline QString textOf(const QTextDocument& doc)
{
    return blockTexts(doc).join(QLatin1Char('\n'));
}

// Block texts without the object characters that stand for kept RTF (notes, bookmarks...).
inline QStringList shownTexts(const QTextDocument& doc)
{
    QStringList texts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString text;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().objectType() != QTextFormat::UserObject + 0x2B)
                text += it.fragment().text();
        }
        texts << text;
    }
    return texts;
}

// The format of the first character of the first occurrence of needle; an invalid format when
// the text is missing, so that a lost word fails the attribute checks too.
inline QTextCharFormat formatOf(const QTextDocument& doc, const QString& needle)
{
    const QTextCursor found = doc.find(needle);
    if (found.isNull())
        return {};
    QTextCursor at(const_cast<QTextDocument*>(&doc));
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

inline QTextBlockFormat blockFormatOf(const QTextDocument& doc, const QString& needle)
{
    const QTextCursor found = doc.find(needle);
    return found.isNull() ? QTextBlockFormat() : found.block().blockFormat();
}

// Every table in document order (nested ones after their outer table) as "rows x columns
// widths=..." followed by one line a row: cells as text, "(rows x columns)" after merged ones,
// "^" for the rest of a cell merged from above.
inline void describeTablesIn(QTextFrame::iterator it, QStringList* lines);

inline void describeTable(QTextTable* table, QStringList* lines)
{
    QStringList widths;
    for (const QTextLength& l : table->format().columnWidthConstraints())
        widths << (l.type() == QTextLength::FixedLength ? QString::number(twips(l.rawValue())) : QStringLiteral("*"));
    lines->append(QStringLiteral("table %1x%2 widths=%3 header=%4")
                      .arg(table->rows())
                      .arg(table->columns())
                      .arg(widths.join(QLatin1Char(',')))
                      .arg(table->format().headerRowCount()));
    QList<QTextTableCell> owners;
    for (int r = 0; r < table->rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columns();) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r) {
                cells << QStringLiteral("^");
            } else {
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                QString text = cursor.selection().toPlainText().trimmed();
                text.replace(QLatin1Char('\n'), QLatin1Char('/'));
                if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                    text += QStringLiteral("(%1x%2)").arg(cell.rowSpan()).arg(cell.columnSpan());
                cells << text;
                owners << cell;
            }
            c += std::max(1, cell.columnSpan());
        }
        lines->append(QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |"));
    }
    for (const QTextTableCell& cell : owners)
        describeTablesIn(cell.begin(), lines);
}

inline void describeTablesIn(QTextFrame::iterator it, QStringList* lines)
{
    for (; !it.atEnd(); ++it) {
        QTextFrame* child = it.currentFrame();
        if (auto* table = qobject_cast<QTextTable*>(child))
            describeTable(table, lines);
        else if (child)
            describeTablesIn(child->begin(), lines);
    }
}

// Every list item as "<style> level <indent> <label>: <text>", labels as Qt numbers them.
inline QStringList describeLists(const QTextDocument& doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        if (!list)
            continue;
        lines << QStringLiteral("%1 level %2 %3: %4")
                     .arg(static_cast<int>(list->format().style()))
                     .arg(list->format().indent())
                     .arg(list->itemText(block), block.text());
    }
    return lines;
}

inline QStringList describeTables(const QTextDocument& doc)
{
    QStringList lines;
    describeTablesIn(doc.rootFrame()->begin(), &lines);
    return lines;
}

} // namespace rtftest
