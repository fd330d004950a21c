#include "platform/rtf/RtfWriter.h"

#include "platform/rtf/CodePages.h"
#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfLists.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfProperties.h"
#include "platform/rtf/RtfReader.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tarnwick::platform::rtf {

namespace {

constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxTwips = 31680;

// Character formatting reduced to what RTF can say, with fonts and colours as table indices.
struct Attrs {
    int font = 0;
    int halfPoints = 0; // 0: not set, the reader's default applies
    int fg = 0; // 0: the "auto" entry of the colour table
    int bg = 0;
    int bold = 0;
    int italic = 0;
    int underline = QTextCharFormat::NoUnderline;
    int strike = 0;
    int valign = QTextCharFormat::AlignNormal;
    int caps = 0;          // 1 all capitals, 2 small capitals
    int underlineKind = 0; // 1 double, 2 thick, 3 words only (drawn as single)
    int letterSpacing = 0; // twips
    QString href;
    QString linkSwitches; // a link field's switches after its target
};

int toTwips(qreal pixels)
{
    if (!std::isfinite(pixels))
        return 0;
    return static_cast<int>(std::clamp<qreal>(std::round(pixels * twipsPerPixel()), -kMaxTwips, kMaxTwips));
}

const char* underlineWord(int style)
{
    switch (style) {
    case QTextCharFormat::SingleUnderline: return "ul";
    case QTextCharFormat::DashUnderline: return "uldash";
    case QTextCharFormat::DotLine: return "uld";
    case QTextCharFormat::DashDotLine: return "uldashd";
    case QTextCharFormat::DashDotDotLine: return "uldashdd";
    case QTextCharFormat::WaveUnderline: return "ulwave";
    default: return "ulnone";
    }
}

class Writer
{
public:
    explicit Writer(const QTextDocument& document)
        : document_(document)
    {
        QString family = document.defaultFont().family();
        if (family.isEmpty())
            family = QStringLiteral("Arial");
        fontIndex(family);
    }

    QByteArray run(int from, int to);
    void keepPrelude() { withPrelude_ = true; }

private:
    void word(const char* name);
    void word(const char* name, int value);
    void appendNumber(int value);
    void writeText(QStringView text);
    void writeBlock(const QTextBlock& block, int from, int to, int depth = 0, const char* ending = "par");
    void writeFrame(QTextFrame::iterator it, int from, int to, int depth, bool cellContent);
    void writeTable(QTextTable* table, int from, int to, int depth);
    void writeRowDefinition(QTextTable* table, int row, const QList<int>& edges);
    QList<int> columnEdges(QTextTable* table);
    void collectLists(int from, int to);
    void groupLists(int from, int to, const QSet<const QTextList*>& alone);
    QSet<const QTextList*> listsNumberedAgain(int from, int to) const;
    void writePicture(const QTextImageFormat& format);
    void writeListTable();

    // Lists as Word sees them: a list of up to nine levels; each QTextList is one level of one.
    struct ListGroup
    {
        RtfListLevel levels[9];
    };
    std::vector<ListGroup> listGroups_;
    QHash<const QTextList*, int> listGroupOf_;
    void setAttrs(const Attrs& want);
    const Attrs& attrsFor(int formatIndex, const QTextCharFormat& format);
    int fontIndex(const QString& family);
    int colorIndex(const QBrush& brush);
    void openLink(const QString& href, const QString& switches);
    void closeLink();

    // Kept RTF (RtfKept.h): written where it stood, its fonts and colours numbered at the end.
    bool writeKept(const QTextCharFormat& format);
    enum { KeptObject = 1, KeptMarks = 2, KeptSection = 4 };
    int keptInfo(const QTextFragment& fragment);
    QHash<int, int> keptInfo_; // per format index, as attrsByFormat_
    void syncKept(const QTextCharFormat& format);
    void openField(const QByteArray& encoded);
    void closeFields(qsizetype keep = 0);
    void closeComment();
    QByteArray placeKept(QByteArray* prelude, QByteArray* fontEntries, QByteArray* colorEntries);
    struct Splice {
        qsizetype at;
        KeptRtf kept;
    };
    std::vector<Splice> splices_;
    QVariantList openFields_;
    std::vector<Attrs> beforeField_;
    QString openComment_;
    bool withPrelude_ = false;

    const QTextDocument& document_;
    QByteArray out_;
    bool needSpace_ = false;
    QHash<QString, int> fonts_;
    QStringList fontNames_;
    QList<bool> scriptFonts_; // by font number: its name implies a code page other than ANSI
    QHash<QRgb, int> colors_;
    QList<QRgb> colorList_;
    QHash<int, Attrs> attrsByFormat_;
    Attrs current_;
    Attrs beforeLink_;
};

void Writer::word(const char* name)
{
    out_.append('\\');
    out_.append(name);
    needSpace_ = true;
}

void Writer::word(const char* name, int value)
{
    word(name);
    appendNumber(value);
}

void Writer::appendNumber(int value)
{
    char buf[12];
    int len = 0;
    unsigned int v = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    do {
        buf[len++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        out_.append('-');
    while (len)
        out_.append(buf[--len]);
}

void Writer::writeText(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80) {
            if (c >= 0x20) {
                if (c == u'\\' || c == u'{' || c == u'}') {
                    out_.append('\\');
                    needSpace_ = false;
                } else if (needSpace_) {
                    out_.append(' ');
                    needSpace_ = false;
                }
                out_.append(static_cast<char>(c));
            } else if (c == u'\t') {
                word("tab");
            }
            // other C0 controls have no RTF form and no meaning in a paragraph
            continue;
        }
        switch (c) {
        case 0x2028:
            word("line");
            continue;
        case 0x00A0:
            out_.append("\\~");
            needSpace_ = false;
            continue;
        case 0x00AD:
            out_.append("\\-");
            needSpace_ = false;
            continue;
        case 0x2011:
            out_.append("\\_");
            needSpace_ = false;
            continue;
        case 0x2029:
        case 0xFDD0:
        case 0xFDD1:
        case 0xFFFC: // images and frame marks: nothing a reader could rebuild
            continue;
        default:
            break;
        }
        // Readers take a font named "... Cyr", "... CE" and so on without a charset to mean that
        // script's code page, so \'hh in such a font would name another character there.
        const bool scriptFont = current_.font >= 0 && current_.font < scriptFonts_.size() && scriptFonts_.at(current_.font);
        if (const unsigned char b = scriptFont ? 0 : unicodeToCp1252(c)) {
            out_.append("\\'");
            out_.append(hex[b >> 4]);
            out_.append(hex[b & 0xF]);
        } else {
            out_.append("\\u");
            appendNumber(static_cast<std::int16_t>(c));
            out_.append('?');
        }
        needSpace_ = false;
    }
}

int Writer::fontIndex(const QString& family)
{
    auto it = fonts_.constFind(family);
    if (it != fonts_.constEnd())
        return *it;
    const int index = static_cast<int>(fontNames_.size());
    fonts_.insert(family, index);
    fontNames_.append(family);
    scriptFonts_.append(codePageForFontName(family.trimmed()) != 0);
    return index;
}

int Writer::colorIndex(const QBrush& brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QRgb rgb = brush.color().rgb();
    auto it = colors_.constFind(rgb);
    if (it != colors_.constEnd())
        return *it;
    colorList_.append(rgb);
    const int index = static_cast<int>(colorList_.size()); // entry 0 is "auto"
    colors_.insert(rgb, index);
    return index;
}

const Attrs& Writer::attrsFor(int formatIndex, const QTextCharFormat& format)
{
    auto cached = attrsByFormat_.constFind(formatIndex);
    if (cached != attrsByFormat_.constEnd())
        return *cached;
    Attrs a;
    const QStringList families = format.fontFamilies().toStringList();
    // Readers trim font names, so blanks around one cannot be kept anyway.
    const QString family = families.isEmpty() ? QString() : families.first().trimmed();
    if (!family.isEmpty())
        a.font = fontIndex(family);
    qreal points = format.fontPointSize();
    if (points <= 0 && format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (points > 0 && std::isfinite(points))
        a.halfPoints = std::clamp(static_cast<int>(std::round(points * 2)), 1, kMaxHalfPoints);
    a.bold = format.fontWeight() >= QFont::DemiBold;
    a.italic = format.fontItalic();
    a.underline = format.underlineStyle();
    if (a.underline == QTextCharFormat::SpellCheckUnderline)
        a.underline = QTextCharFormat::NoUnderline;
    a.strike = format.fontStrikeOut();
    a.valign = format.verticalAlignment();
    if (a.valign != QTextCharFormat::AlignSuperScript && a.valign != QTextCharFormat::AlignSubScript)
        a.valign = QTextCharFormat::AlignNormal;
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        a.fg = colorIndex(format.foreground());
    if (format.hasProperty(QTextFormat::BackgroundBrush) && !format.boolProperty(CommentMarked))
        a.bg = colorIndex(format.background());
    if (format.isAnchor()) {
        a.href = format.anchorHref();
        if (!a.href.isEmpty())
            a.linkSwitches = format.stringProperty(CharLinkSwitches);
    }
    if (format.fontCapitalization() == QFont::AllUppercase)
        a.caps = 1;
    else if (format.fontCapitalization() == QFont::SmallCaps)
        a.caps = 2;
    if (a.underline == QTextCharFormat::SingleUnderline)
        a.underlineKind = std::clamp(format.intProperty(CharUnderlineKind), 0, 3);
    if (format.hasProperty(QTextFormat::FontLetterSpacing) && format.fontLetterSpacingType() == QFont::AbsoluteSpacing)
        a.letterSpacing = toTwips(format.fontLetterSpacing());
    return *attrsByFormat_.insert(formatIndex, a);
}

void Writer::setAttrs(const Attrs& want)
{
    // Only \plain takes a size back to "not set".
    if (current_.halfPoints && !want.halfPoints) {
        word("plain");
        const QString href = current_.href;
        const QString switches = current_.linkSwitches;
        current_ = Attrs{};
        current_.href = href;
        current_.linkSwitches = switches;
    }
    if (want.font != current_.font)
        word("f", want.font);
    if (want.halfPoints != current_.halfPoints)
        word("fs", want.halfPoints);
    if (want.bold != current_.bold)
        want.bold ? word("b") : word("b", 0);
    if (want.italic != current_.italic)
        want.italic ? word("i") : word("i", 0);
    if (want.underline != current_.underline || want.underlineKind != current_.underlineKind) {
        static const char* const kinds[] = {"ul", "uldb", "ulth", "ulw"};
        word(want.underline == QTextCharFormat::SingleUnderline ? kinds[want.underlineKind]
                                                                : underlineWord(want.underline));
    }
    if (want.caps != current_.caps) {
        if (current_.caps)
            word(current_.caps == 1 ? "caps" : "scaps", 0);
        if (want.caps)
            word(want.caps == 1 ? "caps" : "scaps");
    }
    if (want.letterSpacing != current_.letterSpacing)
        word("expndtw", want.letterSpacing);
    if (want.strike != current_.strike)
        want.strike ? word("strike") : word("strike", 0);
    if (want.valign != current_.valign) {
        if (want.valign == QTextCharFormat::AlignSuperScript)
            word("super");
        else if (want.valign == QTextCharFormat::AlignSubScript)
            word("sub");
        else
            word("nosupersub");
    }
    if (want.fg != current_.fg)
        word("cf", want.fg);
    if (want.bg != current_.bg)
        word("highlight", want.bg);
    const QString href = current_.href;
    const QString switches = current_.linkSwitches;
    current_ = want;
    current_.href = href;
    current_.linkSwitches = switches;
}

void Writer::openLink(const QString& href, const QString& switches)
{
    beforeLink_ = current_;
    out_.append("{\\field{\\*\\fldinst{");
    needSpace_ = false;
    // Field codes have their own escaping (\\ and \") inside the quoted argument.
    QString target = href;
    QString code = QStringLiteral("HYPERLINK ");
    if (target.size() > 1 && target.startsWith(QLatin1Char('#'))) {
        code += QStringLiteral("\\l ");
        target.remove(0, 1);
    }
    target.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    code += QLatin1Char('"') + target + QLatin1Char('"');
    if (!switches.isEmpty())
        code += QLatin1Char(' ') + switches;
    writeText(code);
    out_.append("}}{\\fldrslt{");
    needSpace_ = false;
    current_.href = href;
    current_.linkSwitches = switches;
}

void Writer::closeLink()
{
    out_.append("}}}");
    needSpace_ = false;
    current_ = beforeLink_;
}

void Writer::writeBlock(const QTextBlock& block, int from, int to, int depth, const char* ending)
{
    word("pard");
    if (depth > 0) {
        word("intbl");
        if (depth > 1)
            word("itap", depth);
    }
    const QTextBlockFormat bf = block.blockFormat();
    switch (bf.alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)) {
    case Qt::AlignHCenter: word("qc"); break;
    case Qt::AlignRight: word("qr"); break;
    case Qt::AlignJustify: word("qj"); break;
    default: break;
    }
    const QTextList* list = block.textList();
    QString marker;
    if (list && listGroupOf_.contains(list)) {
        const int group = listGroupOf_.value(list);
        const int level = std::clamp(list->format().indent() - 1, 0, 8);
        word("ls", group + 1);
        word("ilvl", level);
        const RtfListLevel& def = listGroups_[static_cast<std::size_t>(group)].levels[level];
        marker = listLabel(def, def.start + list->itemNumber(block)) + QLatin1Char('\t');
    }
    const qreal listIndent = block.textList() ? block.textList()->format().indent() * document_.indentWidth() : 0;
    const int li = toTwips(bf.leftMargin() + bf.indent() * document_.indentWidth() + listIndent);
    int fi = toTwips(bf.textIndent());
    if (!marker.isEmpty() && fi == 0)
        fi = -std::min(li, 360);
    if (li)
        word("li", li);
    if (const int ri = toTwips(bf.rightMargin()))
        word("ri", ri);
    if (fi)
        word("fi", fi);
    if (const int sb = toTwips(bf.topMargin()))
        word("sb", std::max(sb, 0));
    if (const int sa = toTwips(bf.bottomMargin()))
        word("sa", std::max(sa, 0));
    if (bf.hasProperty(QTextFormat::LineHeight) && bf.lineHeightType() != QTextBlockFormat::SingleHeight) {
        const qreal h = bf.lineHeight();
        switch (bf.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            word("sl", static_cast<int>(std::clamp<qreal>(std::round(h * 240 / 100), 1, kMaxTwips)));
            word("slmult", 1);
            break;
        case QTextBlockFormat::MinimumHeight:
            word("sl", std::max(1, toTwips(h)));
            word("slmult", 0);
            break;
        case QTextBlockFormat::FixedHeight:
            word("sl", -std::max(1, toTwips(h)));
            word("slmult", 0);
            break;
        default:
            break;
        }
    }
    if (bf.nonBreakableLines())
        word("keep");
    if (bf.boolProperty(ParaKeepWithNext))
        word("keepn");
    if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        word("pagebb");
    if (bf.layoutDirection() == Qt::RightToLeft)
        word("rtlpar");
    const QList<QTextOption::Tab> tabs = bf.tabPositions();
    if (!tabs.isEmpty()) {
        QHash<int, int> leaders;
        for (const QString& entry : bf.stringProperty(ParaTabLeaders).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            leaders.insert(entry.section(QLatin1Char(':'), 0, 0).toInt(), entry.section(QLatin1Char(':'), 1).toInt());
        static const char* const leaderWords[] = {nullptr, "tldot", "tlhyph", "tlul", "tlth", "tleq"};
        for (const QTextOption::Tab& tab : tabs) {
            const int at = std::max(0, toTwips(tab.position));
            const int leader = std::clamp(leaders.value(at), 0, 5);
            if (tab.type == QTextOption::RightTab)
                word("tqr");
            else if (tab.type == QTextOption::CenterTab)
                word("tqc");
            else if (tab.type == QTextOption::DelimiterTab)
                word("tqdec");
            if (leader)
                word(leaderWords[leader]);
            word("tx", at);
        }
    }

    const int start = std::max(from, block.position());
    const int end = std::min(to, block.position() + block.length() - 1);
    bool wroteText = false;
    // A section break stands in for the paragraph's mark, wherever in the paragraph it was moved.
    QList<QTextCharFormat> sections;
    int sectionFormatIndex = -1;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int fragStart = fragment.position();
        const int a = std::max(fragStart, start);
        const int b = std::min(fragStart + fragment.length(), end);
        if (a >= b)
            continue;
        const int kept = keptInfo(fragment);
        if (kept & KeptSection) {
            for (int k = a; k < b; ++k)
                sections.append(fragment.charFormat());
            sectionFormatIndex = fragment.charFormatIndex();
            continue;
        }
        if (kept & KeptMarks || !openComment_.isEmpty() || !openFields_.isEmpty())
            syncKept(fragment.charFormat());
        const Attrs& attrs = attrsFor(fragment.charFormatIndex(), fragment.charFormat());
        if (!wroteText && !marker.isEmpty() && start == block.position()) {
            // The label for readers without list tables; it looks like the item's first character.
            setAttrs(attrs);
            out_.append("{\\listtext ");
            needSpace_ = false;
            writeText(marker);
            out_.append('}');
            needSpace_ = false;
            marker.clear();
        }
        if (attrs.href != current_.href || attrs.linkSwitches != current_.linkSwitches) {
            if (!current_.href.isEmpty())
                closeLink();
            if (!attrs.href.isEmpty())
                openLink(attrs.href, attrs.linkSwitches);
        }
        setAttrs(attrs);
        if (fragment.charFormat().isImageFormat()) {
            const QTextImageFormat image = fragment.charFormat().toImageFormat();
            for (int k = a; k < b; ++k)
                writePicture(image);
        } else if (kept & KeptObject) {
            for (int k = a; k < b; ++k) {
                if (fragment.charFormat().hasProperty(CharHiddenBefore)) {
                    out_.append("{\\v ");
                    needSpace_ = false;
                    writeText(fragment.charFormat().stringProperty(CharHiddenBefore));
                    out_.append('}');
                    needSpace_ = false;
                }
                writeKept(fragment.charFormat());
            }
        } else if (fragment.charFormat().hasProperty(CharHiddenBefore)) {
            // Hidden text goes back in front of the character it was read before.
            const QString hidden = fragment.charFormat().stringProperty(CharHiddenBefore);
            const QString text = fragment.text();
            for (int k = a; k < b; ++k) {
                out_.append("{\\v ");
                needSpace_ = false;
                writeText(hidden);
                out_.append('}');
                needSpace_ = false;
                writeText(QStringView(text).mid(k - fragStart, 1));
            }
        } else {
            const QString text = fragment.text();
            writeText(QStringView(text).mid(a - fragStart, b - a));
        }
        wroteText = true;
    }
    if (!current_.href.isEmpty())
        closeLink();
    closeFields();
    if (!marker.isEmpty() && start == block.position()) {
        out_.append("{\\listtext ");
        needSpace_ = false;
        writeText(marker);
        out_.append('}');
        needSpace_ = false;
    }
    // An empty paragraph's height comes from its mark's format; a break alone in its paragraph
    // takes the look it had, which the next reading gives it from the words before it.
    if (!wroteText && sectionFormatIndex >= 0)
        setAttrs(attrsFor(sectionFormatIndex, sections.constLast()));
    else if (!wroteText)
        setAttrs(attrsFor(block.charFormatIndex(), block.charFormat()));
    bool sectionWritten = false;
    for (const QTextCharFormat& section : std::as_const(sections))
        sectionWritten = writeKept(section) || sectionWritten;
    // A cell's last paragraph still needs its cell mark, which then stands for nothing more.
    if (!sectionWritten || std::strcmp(ending, "par") != 0)
        word(ending);
    out_.append('\n');
    needSpace_ = false;
}

// A frame's content from the iterator on. Cells end their last paragraph with a cell mark
// instead of a paragraph mark.
void Writer::writeFrame(QTextFrame::iterator it, int from, int to, int depth, bool cellContent)
{
    const char* cellEnd = depth > 1 ? "nestcell" : "cell";
    for (bool first = true; !it.atEnd(); ++it, first = false) {
        if (QTextFrame* child = it.currentFrame()) {
            if (child->lastPosition() < from || child->firstPosition() > to)
                continue;
            if (auto* table = qobject_cast<QTextTable*>(child))
                writeTable(table, from, to, depth + 1);
            else
                writeFrame(child->begin(), from, to, depth, false);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const int blockEnd = block.position() + block.length() - 1;
        if (blockEnd < from || block.position() > to)
            continue;
        QTextFrame::iterator next = it;
        ++next;
        const bool last = next.atEnd();
        // Every table has a paragraph before it; a reader makes an empty one itself where the
        // table opens a document or cell, so writing it would add a line on every round trip.
        // One with a look of its own (bold, centred, indented) was a real paragraph and stays.
        // The reader's own has no look at all, whatever the words in force.
        if (first && block.length() == 1 && !last && next.currentFrame()) {
            const qsizetype mark = out_.size();
            const bool space = needSpace_;
            const Attrs inForce = std::exchange(current_, Attrs{});
            writeBlock(block, from, to, depth, "par");
            QByteArray bare("\\pard");
            if (depth > 0)
                bare += depth > 1 ? "\\intbl\\itap" + QByteArray::number(depth) : QByteArray("\\intbl");
            const bool plain = out_.size() - mark == bare.size() + 5 && out_.mid(mark) == bare + "\\par\n";
            out_.truncate(mark);
            needSpace_ = space;
            current_ = inForce;
            if (!plain)
                writeBlock(block, from, to, depth, "par");
            continue;
        }
        writeBlock(block, from, to, depth, cellContent && last ? cellEnd : "par");
    }
}

QList<int> Writer::columnEdges(QTextTable* table)
{
    // Right edges of the grid's columns in twips from the row's origin.
    const QTextTableFormat format = table->format();
    const int columns = table->columns();
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    qreal available = document_.textWidth() > 0 ? document_.textWidth() : 9360 / twipsPerPixel();
    if (format.width().type() == QTextLength::FixedLength)
        available = format.width().rawValue();
    else if (format.width().type() == QTextLength::PercentageLength)
        available = available * format.width().rawValue() / 100.0;
    qreal fixed = 0;
    int variable = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints.at(c) : QTextLength();
        if (length.type() == QTextLength::FixedLength)
            fixed += length.rawValue();
        else if (length.type() == QTextLength::PercentageLength)
            fixed += available * length.rawValue() / 100.0;
        else
            ++variable;
    }
    const qreal share = variable ? std::max<qreal>(available - fixed, variable * 24.0) / variable : 0;
    QList<int> edges;
    qreal x = format.hasProperty(TableRowLeft) ? format.intProperty(TableRowLeft) / twipsPerPixel() : 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints.at(c) : QTextLength();
        qreal width = share;
        if (length.type() == QTextLength::FixedLength)
            width = length.rawValue();
        else if (length.type() == QTextLength::PercentageLength)
            width = available * length.rawValue() / 100.0;
        x += width;
        edges.append(static_cast<int>(std::clamp<qreal>(std::round(x * twipsPerPixel()), -kMaxTwips, 4 * kMaxTwips)));
    }
    return edges;
}

void Writer::writeRowDefinition(QTextTable* table, int row, const QList<int>& edges)
{
    const QTextTableFormat format = table->format();
    word("trowd");
    word("trgaph", format.hasProperty(TableCellGap) ? format.intProperty(TableCellGap) : toTwips(format.cellPadding()));
    word("trleft", format.intProperty(TableRowLeft));
    if (format.alignment() & Qt::AlignHCenter)
        word("trqc");
    else if (format.alignment() & Qt::AlignRight)
        word("trqr");
    if (row < format.headerRowCount())
        word("trhdr");
    // Tables from HTML draw their grid with the table's own border.
    const int tableBorder = format.border() > 0 && format.borderStyle() != QTextFrameFormat::BorderStyle_None
                                ? std::max(1, toTwips(format.border()))
                                : 0;
    static const char* const sides[4] = {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"};
    static const QTextFormat::Property widthProps[4] = {
        QTextFormat::TableCellTopBorder, QTextFormat::TableCellLeftBorder, QTextFormat::TableCellBottomBorder,
        QTextFormat::TableCellRightBorder};
    static const QTextFormat::Property styleProps[4] = {
        QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellLeftBorderStyle,
        QTextFormat::TableCellBottomBorderStyle, QTextFormat::TableCellRightBorderStyle};
    static const QTextFormat::Property brushProps[4] = {
        QTextFormat::TableCellTopBorderBrush, QTextFormat::TableCellLeftBorderBrush,
        QTextFormat::TableCellBottomBorderBrush, QTextFormat::TableCellRightBorderBrush};
    for (int c = 0; c < table->columns();) {
        const QTextTableCell cell = table->cellAt(row, c);
        const int span = std::max(1, cell.columnSpan());
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        if (cell.row() != row)
            word("clvmrg");
        else if (cell.rowSpan() > 1)
            word("clvmgf");
        if (f.verticalAlignment() == QTextCharFormat::AlignMiddle)
            word("clvertalc");
        else if (f.verticalAlignment() == QTextCharFormat::AlignBottom)
            word("clvertalb");
        for (int side = 0; side < 4; ++side) {
            int width = tableBorder;
            int style = QTextFrameFormat::BorderStyle_Solid;
            QBrush brush;
            if (f.hasProperty(widthProps[side])) {
                width = toTwips(f.doubleProperty(widthProps[side]));
                style = f.hasProperty(styleProps[side]) ? f.intProperty(styleProps[side]) : style;
                brush = f.brushProperty(brushProps[side]);
            }
            if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
                continue;
            word(sides[side]);
            switch (style) {
            case QTextFrameFormat::BorderStyle_Double:
                word("brdrdb");
                break;
            case QTextFrameFormat::BorderStyle_Dotted:
                word("brdrdot");
                break;
            case QTextFrameFormat::BorderStyle_Dashed:
                word("brdrdash");
                break;
            default:
                word("brdrs");
                break;
            }
            word("brdrw", std::clamp(width, 1, 255));
            if (brush.style() != Qt::NoBrush)
                word("brdrcf", colorIndex(brush));
        }
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            word("clcbpat", colorIndex(f.background()));
        const int last = std::min(c + span, static_cast<int>(edges.size())) - 1;
        word("cellx", edges.value(last));
        c += span;
    }
}

void Writer::writeTable(QTextTable* table, int from, int to, int depth)
{
    // A selection inside one cell is that cell's text, not a table.
    const QTextTableCell first = table->cellAt(std::max(from, table->firstPosition()));
    const QTextTableCell last = table->cellAt(std::min(to, table->lastPosition()));
    if (first.isValid() && first == last && from >= table->firstPosition() && to <= table->lastPosition()) {
        writeFrame(first.begin(), from, to, depth - 1, false);
        return;
    }
    const bool whole = from <= table->firstPosition() && to >= table->lastPosition();
    const int firstRow = whole || !first.isValid() ? 0 : first.row();
    const int lastRow = whole || !last.isValid() ? table->rows() - 1 : last.row() + last.rowSpan() - 1;
    const QList<int> edges = columnEdges(table);
    const int everything = std::numeric_limits<int>::max();
    for (int r = firstRow; r <= lastRow && r < table->rows(); ++r) {
        if (depth == 1) {
            writeRowDefinition(table, r, edges);
            out_.append('\n');
            needSpace_ = false;
        }
        for (int c = 0; c < table->columns();) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r) // the rest of a cell merged downwards: an empty cell in this row
                writeBlock(QTextBlock(), 0, -1, depth, depth > 1 ? "nestcell" : "cell");
            else
                writeFrame(cell.begin(), 0, everything, depth, true);
            c += std::max(1, cell.columnSpan());
        }
        if (depth == 1) {
            word("row");
        } else {
            out_.append("{\\*\\nesttableprops");
            writeRowDefinition(table, r, edges);
            word("nestrow");
            out_.append("}{\\nonesttables\\par}");
            needSpace_ = false;
        }
        out_.append('\n');
        needSpace_ = false;
    }
}

// The picture's own bytes in its own format, so that nothing is lost by saving.
void Writer::writePicture(const QTextImageFormat& format)
{
    Picture p;
    if (!pictureForImage(document_, format, &p))
        return;
    out_.append("{\\pict");
    needSpace_ = true;
    switch (p.kind) {
    case PictureKind::Png:
        word("pngblip");
        break;
    case PictureKind::Jpeg:
        word("jpegblip");
        break;
    case PictureKind::Emf:
        word("emfblip");
        break;
    case PictureKind::Wmf:
        word("wmetafile", p.metafileMode);
        break;
    case PictureKind::Macpict:
        word("macpict");
        break;
    case PictureKind::PmMetafile:
        word("pmmetafile", p.metafileMode);
        break;
    case PictureKind::Dib:
        word("dibitmap", 0);
        break;
    case PictureKind::Wbitmap:
        word("wbitmap", 0);
        word("wbmbitspixel", p.bitsPerPixel);
        word("wbmplanes", 1);
        word("wbmwidthbytes", p.widthBytes);
        break;
    case PictureKind::None:
        break;
    }
    const QVariant pixels = document_.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QSize size(p.sourceWidth, p.sourceHeight);
    if (size.isEmpty() && pixels.typeId() == QMetaType::QImage)
        size = pixels.value<QImage>().size();
    qreal width = format.width();
    qreal height = format.height();
    if (width <= 0 || height <= 0) {
        width = size.width();
        height = size.height();
    }
    word("picw", size.width());
    word("pich", size.height());
    word("picwgoal", std::max(1, toTwips(width)));
    word("pichgoal", std::max(1, toTwips(height)));
    out_.append('\n');
    static const char hex[] = "0123456789abcdef";
    const auto* bytes = reinterpret_cast<const unsigned char*>(p.data.constData());
    out_.reserve(out_.size() + p.data.size() * 2 + p.data.size() / 64 + 8);
    for (qsizetype i = 0; i < p.data.size(); ++i) {
        out_.append(hex[bytes[i] >> 4]);
        out_.append(hex[bytes[i] & 0xF]);
        if (i % 64 == 63)
            out_.append('\n');
    }
    out_.append('}');
    needSpace_ = false;
}

// Groups the QTextLists into Word lists: a list indented deeper than the item before it is a
// level of that item's list, so that nested lists stay one list for readers of list tables.
void Writer::collectLists(int from, int to)
{
    // A list whose numbering goes on past an item of a shallower one would start again as a
    // level of that one's list, so it gets a Word list of its own.
    QSet<const QTextList*> alone;
    for (int pass = 0; pass < 3; ++pass) {
        listGroups_.clear();
        listGroupOf_.clear();
        groupLists(from, to, alone);
        if (listGroupOf_.size() == static_cast<qsizetype>(listGroups_.size()))
            break; // each list a Word list of its own
        const QSet<const QTextList*> again = listsNumberedAgain(from, to);
        if (alone.contains(again))
            break;
        alone.unite(again);
    }
    for (ListGroup& g : listGroups_) {
        for (int level = 0; level < 9; ++level) {
            if (!g.levels[level].defined) {
                QTextListFormat f;
                f.setStyle(level % 3 == 0   ? QTextListFormat::ListDisc
                           : level % 3 == 1 ? QTextListFormat::ListCircle
                                            : QTextListFormat::ListSquare);
                g.levels[level] = levelForListFormat(f, level);
                g.levels[level].defined = false;
            }
        }
    }
}

// The lists a reader would number from the start again: a reader starts a level again after
// every item of a shallower level of its Word list.
QSet<const QTextList*> Writer::listsNumberedAgain(int from, int to) const
{
    QSet<const QTextList*> again;
    QHash<const QTextList*, int> items;
    std::vector<std::array<const QTextList*, 9>> current(listGroups_.size());
    for (auto& levels : current)
        levels.fill(nullptr);
    for (QTextBlock block = document_.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const QTextList* list = block.textList();
        if (!list || !listGroupOf_.contains(list))
            continue;
        auto& levels = current[static_cast<std::size_t>(listGroupOf_.value(list))];
        const int level = std::clamp(list->format().indent(), 1, 9) - 1;
        if (items.value(list) > 0 && levels[static_cast<std::size_t>(level)] != list)
            again.insert(list);
        ++items[list];
        levels[static_cast<std::size_t>(level)] = list;
        for (int deeper = level + 1; deeper < 9; ++deeper)
            levels[static_cast<std::size_t>(deeper)] = nullptr;
    }
    return again;
}

void Writer::groupLists(int from, int to, const QSet<const QTextList*>& alone)
{
    int lastGroup = -1;
    int lastIndent = 0;
    for (QTextBlock block = document_.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const QTextList* list = block.textList();
        if (!list)
            continue;
        const int indent = std::clamp(list->format().indent(), 1, 9);
        auto known = listGroupOf_.constFind(list);
        if (known == listGroupOf_.constEnd()) {
            int group = -1;
            if (lastGroup >= 0 && indent > 1 && indent > lastIndent - 8 && !alone.contains(list)) {
                const RtfListLevel& taken = listGroups_[static_cast<std::size_t>(lastGroup)].levels[indent - 1];
                // A second list on a taken level may share it only right after a shallower item:
                // there a reader starts the level's numbering again, as it was.
                if (!taken.defined
                    || (lastIndent < indent && taken.nfc == levelForListFormat(list->format(), indent - 1).nfc))
                    group = lastGroup;
            }
            if (group < 0) {
                listGroups_.emplace_back();
                group = static_cast<int>(listGroups_.size() - 1);
            }
            ListGroup& g = listGroups_[static_cast<std::size_t>(group)];
            if (!g.levels[indent - 1].defined)
                g.levels[indent - 1] = levelForListFormat(list->format(), indent - 1);
            known = listGroupOf_.insert(list, group);
        }
        lastGroup = *known;
        lastIndent = indent;
    }
}

void Writer::writeListTable()
{
    if (listGroups_.empty())
        return;
    out_.append("{\\*\\listtable\n");
    for (std::size_t i = 0; i < listGroups_.size(); ++i) {
        out_.append("{\\list\\listtemplateid");
        appendNumber(static_cast<int>(1000 + i));
        out_.append("\\listhybrid");
        for (int level = 0; level < 9; ++level) {
            const RtfListLevel& l = listGroups_[i].levels[level];
            out_.append("{\\listlevel");
            word("levelnfc", l.nfc);
            word("levelnfcn", l.nfc);
            word("leveljc", 0);
            word("levelfollow", 0);
            word("levelstartat", l.start);
            out_.append("{\\leveltext");
            needSpace_ = true;
            QByteArray numbers;
            for (qsizetype k = 0; k < l.text.size(); ++k) {
                if (l.text.at(k).unicode() < 9) {
                    char pos[8];
                    std::snprintf(pos, sizeof pos, "\\'%02x", static_cast<int>(k + 1));
                    numbers.append(pos);
                }
            }
            char length[8];
            std::snprintf(length, sizeof length, "\\'%02x", static_cast<int>(std::min<qsizetype>(l.text.size(), 255)));
            out_.append(length);
            needSpace_ = false; // a blank here would be part of the level's text
            for (QChar c : l.text) {
                if (c.unicode() < 9) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\'%02x", c.unicode());
                    out_.append(code);
                    needSpace_ = false;
                } else {
                    writeText(QStringView(&c, 1));
                }
            }
            out_.append(";}{\\levelnumbers");
            out_.append(numbers);
            out_.append(";}");
            needSpace_ = false;
            word("fi", -360);
            word("li", toTwips(document_.indentWidth()) * (level + 1));
            out_.append('}');
            needSpace_ = false;
        }
        word("listid", static_cast<int>(2000 + i));
        out_.append("}\n");
        needSpace_ = false;
    }
    out_.append("}\n{\\*\\listoverridetable");
    for (std::size_t i = 0; i < listGroups_.size(); ++i) {
        out_.append("{\\listoverride");
        word("listid", static_cast<int>(2000 + i));
        word("listoverridecount", 0);
        word("ls", static_cast<int>(i + 1));
        out_.append('}');
        needSpace_ = false;
    }
    out_.append("}\n");
}

// Whether a fragment's format is a kept object or marks a field result or comment range;
// worked out once per format, as the formats of a large document are few.
int Writer::keptInfo(const QTextFragment& fragment)
{
    auto cached = keptInfo_.constFind(fragment.charFormatIndex());
    if (cached != keptInfo_.constEnd())
        return *cached;
    const QTextCharFormat format = fragment.charFormat();
    int info = format.objectType() == kKeptObjectType ? KeptObject : 0;
    if (info && format.intProperty(KeptKindProperty) == static_cast<int>(KeptKind::Section))
        info |= KeptSection;
    if (format.hasProperty(CommentRange) || format.hasProperty(FieldChain))
        info |= KeptMarks;
    return *keptInfo_.insert(fragment.charFormatIndex(), info);
}

bool Writer::writeKept(const QTextCharFormat& format)
{
    const KeptRtf kept = KeptRtf::decode(format.property(KeptData).toByteArray());
    if (kept.rtf.isEmpty())
        return false;
    splices_.push_back(Splice{out_.size(), kept});
    needSpace_ = false;
    return true;
}

// Fields whose result a fragment is, and the comment it sits in, opened and closed around it.
void Writer::syncKept(const QTextCharFormat& format)
{
    if (openComment_.isEmpty() && openFields_.isEmpty() && !format.hasProperty(CommentRange)
        && !format.hasProperty(FieldChain))
        return; // most text is in neither
    const QString comment = format.stringProperty(CommentRange);
    if (comment != openComment_) {
        closeComment();
        if (!comment.isEmpty()) {
            out_.append("{\\*\\atrfstart ");
            writeText(comment);
            out_.append('}');
            needSpace_ = false;
            openComment_ = comment;
        }
    }
    const QVariantList want = format.property(FieldChain).toList();
    if (want == openFields_)
        return;
    qsizetype common = 0;
    while (common < want.size() && common < openFields_.size() && want.at(common) == openFields_.at(common))
        ++common;
    if (!current_.href.isEmpty())
        closeLink();
    closeFields(common);
    for (qsizetype i = common; i < want.size(); ++i)
        openField(want.at(i).toByteArray());
}

void Writer::openField(const QByteArray& encoded)
{
    const KeptRtf kept = KeptRtf::decode(encoded);
    beforeField_.push_back(current_);
    openFields_.append(encoded);
    splices_.push_back(Splice{out_.size(), kept});
    out_.append("{\\fldrslt{");
    needSpace_ = false;
}

void Writer::closeFields(qsizetype keep)
{
    while (openFields_.size() > keep) {
        out_.append("}}}");
        needSpace_ = false;
        current_ = beforeField_.back();
        beforeField_.pop_back();
        openFields_.removeLast();
    }
}

void Writer::closeComment()
{
    if (openComment_.isEmpty())
        return;
    out_.append("{\\*\\atrfend ");
    writeText(openComment_);
    out_.append('}');
    needSpace_ = false;
    openComment_.clear();
}

// Puts the kept pieces into the body, numbering their fonts and colours after the document's.
QByteArray Writer::placeKept(QByteArray* prelude, QByteArray* fontEntries, QByteArray* colorEntries)
{
    QByteArray body = std::move(out_);
    out_ = QByteArray();
    KeptNumbering numbering(static_cast<int>(fontNames_.size()), static_cast<int>(colorList_.size()) + 1);
    if (withPrelude_)
        *prelude = numbering.place(documentPrelude(document_));
    if (!splices_.empty()) {
        QByteArray placed;
        placed.reserve(body.size() + 1024);
        qsizetype copied = 0;
        for (const Splice& splice : splices_) {
            placed.append(QByteArrayView(body).sliced(copied, splice.at - copied));
            placed.append(numbering.place(splice.kept));
            copied = splice.at;
        }
        placed.append(QByteArrayView(body).sliced(copied));
        body = std::move(placed);
    }
    *fontEntries = numbering.fontEntries();
    *colorEntries = numbering.colorEntries();
    return body;
}

QByteArray Writer::run(int from, int to)
{
    out_.reserve(static_cast<qsizetype>(to - from) * 5 / 4 + 256);
    collectLists(from, to);
    writeFrame(document_.rootFrame()->begin(), from, to, 0, false);
    closeComment();

    QByteArray prelude;
    QByteArray keptFonts;
    QByteArray keptColors;
    const QByteArray body = placeKept(&prelude, &keptFonts, &keptColors);
    out_ = QByteArray();
    out_.reserve(body.size() + 256 + fontNames_.size() * 48 + colorList_.size() * 24);
    out_.append("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl");
    for (qsizetype i = 0; i < fontNames_.size(); ++i) {
        out_.append("{");
        word("f", static_cast<int>(i));
        word("fnil");
        word("fcharset", 0);
        QString name = fontNames_.at(i);
        name.remove(QLatin1Char(';'));
        writeText(name);
        out_.append(";}");
        needSpace_ = false;
    }
    out_.append(keptFonts);
    out_.append("}\n{\\colortbl ;");
    for (QRgb rgb : std::as_const(colorList_)) {
        word("red", qRed(rgb));
        word("green", qGreen(rgb));
        word("blue", qBlue(rgb));
        out_.append(';');
    }
    out_.append(keptColors);
    out_.append("}\n");
    writeListTable();
    out_.append(prelude);
    if (!prelude.contains("\\generator"))
        out_.append("{\\*\\generator Tarnwick;}");
    out_.append("\\viewkind4\\uc1\n");
    out_.append(body);
    out_.append("}\n");
    return out_;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& document)
{
    Writer writer(document);
    writer.keepPrelude();
    return writer.run(0, std::max(0, document.characterCount() - 1));
}

QByteArray RtfWriter::writeSelection(const QTextCursor& cursor)
{
    if (cursor.isNull())
        return Writer(QTextDocument()).run(0, 0);
    return Writer(*cursor.document()).run(cursor.selectionStart(), cursor.selectionEnd());
}

} // namespace tarnwick::platform::rtf
