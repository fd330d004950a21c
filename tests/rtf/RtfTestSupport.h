#pragma once

// Renders a document as a list of readable lines, one per paragraph and one per run of equally
// formatted text, so that QCOMPARE on two documents points at the first difference.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>

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

} // namespace rtftest
