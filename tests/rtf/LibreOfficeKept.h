#pragma once

// What LibreOffice reads of the parts of a document the editor keeps without showing: page size
// and margins, sections with their page styles, headers and footers, notes with the text they follow, comments, text
// boxes, field results and style names, from its flat ODF (.fodt) rendering, one readable line each.

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

#include <cmath>
#include <memory>
#include <vector>

namespace rtftest {

struct OdfNode
{
    QString name; // qualified, "text:p"
    QHash<QString, QString> attributes;
    QString text; // character data directly inside, in order with the children (see pieces)
    std::vector<std::unique_ptr<OdfNode>> children;
    std::vector<std::pair<int, QString>> pieces; // (child index or -1, text) in document order
};

inline std::unique_ptr<OdfNode> parseOdf(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return nullptr;
    }
    QXmlStreamReader xml(&file);
    auto root = std::make_unique<OdfNode>();
    std::vector<OdfNode*> stack{root.get()};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            auto node = std::make_unique<OdfNode>();
            node->name = xml.qualifiedName().toString();
            for (const QXmlStreamAttribute& a : xml.attributes())
                node->attributes.insert(a.qualifiedName().toString(), a.value().toString());
            OdfNode* raw = node.get();
            OdfNode* parent = stack.back();
            parent->pieces.emplace_back(static_cast<int>(parent->children.size()), QString());
            parent->children.push_back(std::move(node));
            stack.push_back(raw);
        } else if (xml.isEndElement()) {
            stack.pop_back();
        } else if (xml.isCharacters()) {
            stack.back()->pieces.emplace_back(-1, xml.text().toString());
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
        return nullptr;
    }
    return root;
}

inline void findAll(const OdfNode& node, const QString& name, std::vector<const OdfNode*>* out)
{
    for (const auto& child : node.children) {
        if (child->name == name)
            out->push_back(child.get());
        findAll(*child, name, out);
    }
}

inline const OdfNode* findFirst(const OdfNode& node, const QString& name)
{
    std::vector<const OdfNode*> all;
    findAll(node, name, &all);
    return all.empty() ? nullptr : all.front();
}

// The text a reader sees in the node, without notes, comments and frames inside it.
inline QString visibleText(const OdfNode& node)
{
    QString text;
    for (const auto& [index, piece] : node.pieces) {
        if (index < 0) {
            text += piece;
            continue;
        }
        const OdfNode& child = *node.children[static_cast<std::size_t>(index)];
        if (child.name == QLatin1String("text:note") || child.name == QLatin1String("office:annotation") ||
            child.name == QLatin1String("draw:frame") || child.name == QLatin1String("office:annotation-end"))
            continue;
        if (child.name == QLatin1String("text:s"))
            text += QString(child.attributes.value(QStringLiteral("text:c"), QStringLiteral("1")).toInt(),
                            QLatin1Char(' '));
        else if (child.name == QLatin1String("text:tab"))
            text += QLatin1Char(' ');
        else if (child.name == QLatin1String("text:line-break"))
            text += QLatin1Char(' ');
        else
            text += visibleText(child);
        if (child.name == QLatin1String("text:p") || child.name == QLatin1String("text:h"))
            text += QLatin1Char(' ');
    }
    return text;
}

inline QString simplified(const QString& s)
{
    return s.simplified();
}

inline QString millimetres(const QString& length)
{
    double value = length.left(length.size() - 2).toDouble();
    if (length.endsWith(QLatin1String("in")))
        value *= 25.4;
    else if (length.endsWith(QLatin1String("cm")))
        value *= 10;
    else if (length.endsWith(QLatin1String("pt")))
        value *= 25.4 / 72;
    return QString::number(std::lround(value));
}

// Walks the body: notes with the text before them in their paragraph, comments, text boxes,
// links and fields, in document order.
inline void describeBody(const OdfNode& node, QString* before, QStringList* lines)
{
    static const QStringList fields = {QStringLiteral("text:page-number"), QStringLiteral("text:page-count"),
                                       QStringLiteral("text:title"),       QStringLiteral("text:date"),
                                       QStringLiteral("text:time"),        QStringLiteral("text:author-name"),
                                       QStringLiteral("text:subject"),     QStringLiteral("text:sequence")};
    for (const auto& [index, piece] : node.pieces) {
        if (index < 0) {
            *before += piece;
            continue;
        }
        const OdfNode& child = *node.children[static_cast<std::size_t>(index)];
        if (child.name == QLatin1String("text:p") || child.name == QLatin1String("text:h"))
            before->clear();
        if (child.name == QLatin1String("text:note")) {
            const OdfNode* body = findFirst(child, QStringLiteral("text:note-body"));
            const QString after = simplified(*before).right(20);
            lines->append(QStringLiteral("%1 after \"%2\": %3")
                              .arg(child.attributes.value(QStringLiteral("text:note-class")), after,
                                   body ? simplified(visibleText(*body)) : QString()));
            continue;
        }
        if (child.name == QLatin1String("office:annotation")) {
            QString text;
            for (const auto& c : child.children) {
                if (c->name == QLatin1String("text:p"))
                    text += visibleText(*c) + QLatin1Char(' ');
            }
            lines->append(QStringLiteral("comment: ") + simplified(text));
            continue;
        }
        if (child.name == QLatin1String("draw:text-box")) {
            lines->append(QStringLiteral("text box: ") + simplified(visibleText(child)));
            continue;
        }
        if (child.name == QLatin1String("text:a")) {
            const auto& a = child.attributes;
            lines->append(QStringLiteral("link to %1, frame \"%2\": %3")
                              .arg(a.value(QStringLiteral("xlink:href")),
                                   a.value(QStringLiteral("office:target-frame-name")),
                                   simplified(visibleText(child))));
            *before += visibleText(child);
            continue;
        }
        if (fields.contains(child.name)) {
            lines->append(QStringLiteral("field %1: %2").arg(child.name, simplified(visibleText(child))));
            *before += visibleText(child);
            continue;
        }
        describeBody(child, before, lines);
    }
}

// The page style a master page uses, and its headers and footers, as one line.
inline QString describeMasterPage(const OdfNode& root, const QString& masterName)
{
    std::vector<const OdfNode*> masters;
    findAll(root, QStringLiteral("style:master-page"), &masters);
    const OdfNode* master = nullptr;
    for (const OdfNode* m : masters) {
        if (m->attributes.value(QStringLiteral("style:name")) == masterName)
            master = m;
    }
    if (!master)
        return QStringLiteral("no page style ") + masterName;
    QString line;
    const QString layoutName = master->attributes.value(QStringLiteral("style:page-layout-name"));
    std::vector<const OdfNode*> layouts;
    findAll(root, QStringLiteral("style:page-layout"), &layouts);
    for (const OdfNode* layout : layouts) {
        if (layout->attributes.value(QStringLiteral("style:name")) != layoutName)
            continue;
        if (const OdfNode* p = findFirst(*layout, QStringLiteral("style:page-layout-properties"))) {
            const auto& a = p->attributes;
            const QString width = millimetres(a.value(QStringLiteral("fo:page-width")));
            const QString height = millimetres(a.value(QStringLiteral("fo:page-height")));
            line = QStringLiteral("page %1x%2 mm %3, margins %4 %5 %6 %7 mm")
                       .arg(width, height, width.toInt() > height.toInt() ? "landscape" : "portrait",
                            millimetres(a.value(QStringLiteral("fo:margin-left"))),
                            millimetres(a.value(QStringLiteral("fo:margin-right"))),
                            millimetres(a.value(QStringLiteral("fo:margin-top"))),
                            millimetres(a.value(QStringLiteral("fo:margin-bottom"))));
        }
    }
    for (const auto& part : master->children) {
        if (part->name.startsWith(QLatin1String("style:header")) ||
            part->name.startsWith(QLatin1String("style:footer")))
            line += QStringLiteral("; ") + part->name.mid(6) + QStringLiteral(": ") + simplified(visibleText(*part));
    }
    return line;
}

// Each section (a paragraph that starts a page style) with its page style, furniture and page
// number restart, named by the text it starts with rather than by the page style's name, which
// differs between readings.
inline QStringList describeSections(const OdfNode& root)
{
    QHash<QString, const OdfNode*> styles;
    std::vector<const OdfNode*> all;
    findAll(root, QStringLiteral("style:style"), &all);
    for (const OdfNode* s : all) {
        if (s->attributes.value(QStringLiteral("style:family")) == QLatin1String("paragraph"))
            styles.insert(s->attributes.value(QStringLiteral("style:name")), s);
    }
    const OdfNode* body = findFirst(root, QStringLiteral("office:text"));
    if (!body)
        return {};
    // Paragraphs of the text itself: continuous sections become text sections around theirs.
    std::vector<const OdfNode*> paragraphs;
    std::vector<const OdfNode*> open{body};
    std::vector<std::size_t> next{0};
    while (!open.empty()) {
        if (next.back() >= open.back()->children.size()) {
            open.pop_back();
            next.pop_back();
            continue;
        }
        const OdfNode* child = open.back()->children[next.back()++].get();
        if (child->name == QLatin1String("text:p") || child->name == QLatin1String("text:h")) {
            paragraphs.push_back(child);
        } else if (child->name == QLatin1String("text:section")) {
            open.push_back(child);
            next.push_back(0);
        }
    }
    QStringList lines;
    bool first = true;
    for (const OdfNode* p : paragraphs) {
        const OdfNode* style = styles.value(p->attributes.value(QStringLiteral("text:style-name")));
        QString master = style ? style->attributes.value(QStringLiteral("style:master-page-name")) : QString();
        if (master.isEmpty() && !first)
            continue;
        if (master.isEmpty())
            master = QStringLiteral("Standard");
        first = false;
        QString restart;
        if (style) {
            if (const OdfNode* props = findFirst(*style, QStringLiteral("style:paragraph-properties"))) {
                const QString number = props->attributes.value(QStringLiteral("style:page-number"));
                if (!number.isEmpty() && number != QLatin1String("auto"))
                    restart = QStringLiteral(", pages from ") + number;
            }
        }
        lines << QStringLiteral("section at \"%1\"%2: %3")
                     .arg(simplified(visibleText(*p)).left(20), restart, describeMasterPage(root, master));
    }
    lines.prepend(QStringLiteral("sections: %1").arg(lines.size()));
    return lines;
}

inline QStringList describeKeptFodt(const QString& path, QString* error)
{
    const auto root = parseOdf(path, error);
    if (!root)
        return {};
    QStringList lines;
    // Page setup and furniture of the first master page (the one the text starts with).
    if (const OdfNode* master = findFirst(*root, QStringLiteral("style:master-page"))) {
        const QString layoutName = master->attributes.value(QStringLiteral("style:page-layout-name"));
        std::vector<const OdfNode*> layouts;
        findAll(*root, QStringLiteral("style:page-layout"), &layouts);
        for (const OdfNode* layout : layouts) {
            if (layout->attributes.value(QStringLiteral("style:name")) != layoutName)
                continue;
            if (const OdfNode* p = findFirst(*layout, QStringLiteral("style:page-layout-properties"))) {
                const auto& a = p->attributes;
                lines << QStringLiteral("page %1x%2 mm, margins left %3 right %4 mm")
                             .arg(millimetres(a.value(QStringLiteral("fo:page-width"))),
                                  millimetres(a.value(QStringLiteral("fo:page-height"))),
                                  millimetres(a.value(QStringLiteral("fo:margin-left"))),
                                  millimetres(a.value(QStringLiteral("fo:margin-right"))));
            }
        }
        for (const auto& part : master->children) {
            if (part->name.startsWith(QLatin1String("style:header")) ||
                part->name.startsWith(QLatin1String("style:footer")))
                lines << part->name.mid(6) + QStringLiteral(": ") + simplified(visibleText(*part));
        }
    }
    lines << describeSections(*root);
    if (const OdfNode* body = findFirst(*root, QStringLiteral("office:text"))) {
        QString before;
        describeBody(*body, &before, &lines);
    }
    QStringList styles;
    if (const OdfNode* common = findFirst(*root, QStringLiteral("office:styles"))) {
        for (const auto& s : common->children) {
            if (s->name != QLatin1String("style:style"))
                continue;
            const QString display = s->attributes.value(QStringLiteral("style:display-name"));
            // LibreOffice makes these from the formatting of list labels; they are not the file's.
            if (display.startsWith(QLatin1String("ListLabel")))
                continue;
            styles << (display.isEmpty() ? s->attributes.value(QStringLiteral("style:name")) : display);
        }
    }
    styles.sort();
    lines << QStringLiteral("styles: ") + styles.join(QStringLiteral(", "));
    return lines;
}

} // namespace rtftest
