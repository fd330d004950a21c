#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfLists.h"

#include <QAbstractTextDocumentLayout>
#include <QDataStream>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextObjectInterface>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace tarnwick::platform::rtf {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isNumeral(char c)
{
    return c >= '0' && c <= '9';
}

// One step through RTF as a reader sees it: a group's start or end, a \*, or a control word.
struct Token
{
    enum Kind { Open, Close, Star, Word, Other } kind = Other;
    QByteArrayView name;
    bool hasParam = false;
    int param = 0;
    qsizetype start = 0;      // where the token starts
    qsizetype paramStart = 0; // where a word's number starts (its sign included)
    qsizetype paramEnd = 0;
};

// Calls f(token) for every group brace, \* and control word, stepping over \bin data, hex
// escapes and text so that none of them is taken for structure.
template <typename F> void forEachToken(QByteArrayView rtf, F&& f)
{
    const qsizetype n = rtf.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = rtf[i];
        Token t;
        t.start = i;
        if (c == '{') {
            t.kind = Token::Open;
            ++i;
        } else if (c == '}') {
            t.kind = Token::Close;
            ++i;
        } else if (c == '\\' && i + 1 < n && isLetter(rtf[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && isLetter(rtf[j]) && j - i <= 32)
                ++j;
            t.kind = Token::Word;
            t.name = rtf.sliced(i + 1, j - i - 1);
            t.paramStart = j;
            if (j + 1 < n && rtf[j] == '-' && isNumeral(rtf[j + 1]))
                ++j;
            long long v = 0;
            while (j < n && isNumeral(rtf[j])) {
                t.hasParam = true;
                if (v < std::numeric_limits<int>::max())
                    v = v * 10 + (rtf[j] - '0');
                ++j;
            }
            v = std::min<long long>(v, std::numeric_limits<int>::max());
            t.param = static_cast<int>(rtf[t.paramStart] == '-' ? -v : v);
            t.paramEnd = j;
            if (j < n && rtf[j] == ' ')
                ++j;
            i = j;
            if (t.name == "bin" && t.hasParam && t.param > 0)
                i = std::min<qsizetype>(n, i + t.param);
        } else if (c == '\\' && i + 1 < n && rtf[i + 1] == '*') {
            t.kind = Token::Star;
            i += 2;
        } else if (c == '\\') {
            i += (i + 1 < n && rtf[i + 1] == '\'') ? 4 : 2;
            continue;
        } else {
            ++i;
            continue;
        }
        f(t);
    }
}

// Like forEachToken, without the words of font and colour tables inside the piece: those
// define numbers of their own instead of using the document's.
template <typename F> void forEachUse(QByteArrayView rtf, F&& f)
{
    int depth = 0;
    int tableDepth = -1;
    bool atGroupStart = false;
    forEachToken(rtf, [&](const Token& t) {
        const bool groupStart = std::exchange(atGroupStart, false);
        if (t.kind == Token::Open) {
            ++depth;
            atGroupStart = true;
        } else if (t.kind == Token::Close) {
            if (depth-- == tableDepth)
                tableDepth = -1;
        } else if (t.kind == Token::Star) {
            atGroupStart = groupStart;
        } else if (tableDepth < 0 && groupStart && t.kind == Token::Word &&
                   (t.name == "fonttbl" || t.name == "colortbl")) {
            tableDepth = depth;
        }
        if (tableDepth < 0)
            f(t);
    });
}

bool inList(QByteArrayView name, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (name == n)
            return true;
    }
    return false;
}

bool isFontWord(QByteArrayView name)
{
    return inList(name, {"f", "af", "stshfdbch", "stshfloch", "stshfhich", "stshfbi", "deff"});
}

bool isColorWord(QByteArrayView name)
{
    return inList(name,
                  {"cf", "cb", "chcbpat", "chcfpat", "highlight", "cbpat", "cfpat", "brdrcf", "clcbpat", "clcfpat",
                   "clcbpatraw", "clcfpatraw", "trcbpat", "trcfpat", "ulc", "tscellcbpat", "tscellcfpat"});
}

// A font table entry reduced to what an entry may hold: the font's words, its panose, alternative
// and full-name groups, and its name. Malformed tables can run on into text, fields or paragraphs,
// which must not be written into another font table.
QByteArray fontEntry(QByteArrayView raw)
{
    static const char* const words[] = {"fnil",     "froman",     "fswiss",   "fmodern",  "fscript",  "fdecor",
                                        "ftech",    "fbidi",      "fcharset", "fprq",     "cpg",      "fbias",
                                        "ftnil",    "fttruetype", "flomajor", "fhimajor", "fdbmajor", "fbimajor",
                                        "flominor", "fhiminor",   "fdbminor", "fbiminor"};
    QByteArray out;
    bool afterWord = false; // text must not run into the word before it
    qsizetype i = 0;
    const qsizetype n = raw.size();
    while (i < n) {
        const char c = raw[i];
        if (c == '{') {
            // Only {\*\panose ...}, {\*\falt ...} and {\*\fname ...}, whole.
            int depth = 0;
            qsizetype j = i;
            for (; j < n; ++j) {
                if (raw[j] == '\\') {
                    ++j;
                    continue;
                }
                if (raw[j] == '{')
                    ++depth;
                else if (raw[j] == '}' && --depth == 0)
                    break;
            }
            const QByteArrayView group = raw.sliced(i, std::min(n, j + 1) - i);
            if (depth == 0 &&
                (group.startsWith("{\\*\\panose") || group.startsWith("{\\*\\falt") ||
                 group.startsWith("{\\*\\fname")) &&
                group.indexOf("\\bin") < 0) {
                out.append(group);
                afterWord = false;
            }
            i = j + 1;
        } else if (c == '\\' && i + 1 < n && isLetter(raw[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && isLetter(raw[j]))
                ++j;
            const QByteArrayView name = raw.sliced(i + 1, j - i - 1);
            if (j < n && raw[j] == '-')
                ++j;
            while (j < n && isNumeral(raw[j]))
                ++j;
            bool allowed = false;
            for (const char* w : words)
                allowed = allowed || name == w;
            if (allowed) {
                out.append(raw.sliced(i, j - i));
                afterWord = true;
            }
            if (j < n && raw[j] == ' ')
                ++j;
            i = j;
        } else if (c == '\\' && i + 3 < n && raw[i + 1] == '\'') {
            out.append(raw.sliced(i, 4));
            afterWord = false;
            i += 4;
        } else if (c == '\\') {
            i += 2;
        } else if (c == '}') {
            ++i;
        } else {
            if (c != '\r' && c != '\n') {
                if (afterWord && (isLetter(c) || isNumeral(c) || c == ' ' || c == '-'))
                    out.append(' ');
                afterWord = false;
                out.append(c);
            }
            if (c == ';')
                break;
            ++i;
        }
    }
    if (!out.endsWith(';'))
        out.append(';');
    return out;
}

// A colour entry's words: the components and Word's theme tint and shade.
QByteArray colorEntry(QByteArrayView raw)
{
    QByteArray out;
    forEachToken(raw, [&](const Token& t) {
        if (t.kind == Token::Word &&
            (t.name == "red" || t.name == "green" || t.name == "blue" || t.name == "ctint" || t.name == "cshade" ||
             t.name.startsWith("cmain") || t.name.startsWith("caccent") || t.name.startsWith("chyperlink") ||
             t.name.startsWith("cfollowed") || t.name.startsWith("cbackground") || t.name.startsWith("ctext")))
            out.append(raw.sliced(t.start, t.paramEnd - t.start));
    });
    return out;
}

} // namespace

QByteArray KeptRtf::encode() const
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << quint8(1) << rtf << fonts << colors << qint32(id);
    return data;
}

KeptRtf KeptRtf::decode(const QByteArray& data)
{
    KeptRtf k;
    QDataStream in(data);
    quint8 version = 0;
    qint32 id = 0;
    in >> version;
    if (version != 1)
        return {};
    in >> k.rtf >> k.fonts >> k.colors >> id;
    if (in.status() != QDataStream::Ok)
        return {};
    k.id = id;
    return k;
}

void KeptTables::setFontTable(const QByteArray& group)
{
    fonts_.clear();
    // An entry runs from its \fN to its ';' (or to the end of the group it sits in).
    int depth = 0;
    int entryDepth = -1;
    int entryNumber = 0;
    qsizetype entryStart = 0;
    const QByteArrayView view(group);
    auto close = [&](qsizetype end) {
        if (entryDepth >= 0 && fonts_.size() < 4096)
            fonts_.insert(entryNumber, fontEntry(view.sliced(entryStart, end - entryStart)));
        entryDepth = -1;
    };
    qsizetype i = 0;
    forEachToken(view, [&](const Token& t) {
        if (entryDepth >= 0 && depth == entryDepth) {
            // a ';' between the last token and this one ends the entry
            const qsizetype semi = view.sliced(i, t.start - i).indexOf(';');
            if (semi >= 0)
                close(i + semi + 1);
        }
        i = t.kind == Token::Word ? (t.paramEnd < view.size() && view[t.paramEnd] == ' ' ? t.paramEnd + 1 : t.paramEnd)
                                  : t.start + (t.kind == Token::Star ? 2 : 1);
        if (t.kind == Token::Open) {
            ++depth;
        } else if (t.kind == Token::Close) {
            if (entryDepth >= 0 && depth == entryDepth)
                close(t.start);
            --depth;
        } else if (t.kind == Token::Word && t.name == "f" && t.hasParam && depth >= 1 && entryDepth < 0) {
            entryDepth = depth;
            entryNumber = t.param;
            entryStart = t.paramEnd;
        }
    });
    rebuild();
}

void KeptTables::setColorTable(const QByteArray& group)
{
    colors_.clear();
    const qsizetype open = group.indexOf("colortbl");
    if (open < 0) {
        rebuild();
        return;
    }
    qsizetype from = open + 8;
    const qsizetype end = group.lastIndexOf('}');
    for (qsizetype i = from; i < end && colors_.size() < 4096; ++i) {
        if (group.at(i) == ';') {
            colors_.append(colorEntry(QByteArrayView(group).sliced(from, i - from)));
            from = i + 1;
        }
    }
    rebuild();
}

void KeptTables::rebuild()
{
    KeptRtf entries;
    entries.fonts = fonts_;
    for (qsizetype i = 0; i < colors_.size(); ++i)
        entries.colors.insert(static_cast<int>(i), colors_.at(i));
    tables_ = tablesFor(entries);
}

KeptRtf KeptTables::keep(const QByteArray& rtf, int id) const
{
    KeptRtf k;
    k.rtf = rtf;
    k.id = id;
    forEachUse(rtf, [&](const Token& t) {
        if (t.kind != Token::Word || !t.hasParam)
            return;
        if (isFontWord(t.name)) {
            auto it = fonts_.constFind(t.param);
            if (it != fonts_.constEnd())
                k.fonts.insert(t.param, *it);
        } else if (isColorWord(t.name) && t.param >= 0 && t.param < colors_.size()) {
            k.colors.insert(t.param, colors_.at(t.param));
        }
    });
    return k;
}

KeptScan scanKept(const QByteArray& rtf)
{
    KeptScan scan;
    bool atGroupStart = false;
    bool inAtnref = false;
    // Destinations whose content the scan hands out: the comment's reference, author, initials.
    QByteArray* capture = nullptr;
    int captureDepth = -1;
    qsizetype captureStart = 0;
    bool footnote = false, endnote = false, annotation = false, shape = false, shapeText = false, field = false,
         bookmark = false, furniture = false;
    QByteArray atnref;
    int depth = 0;
    int atnrefDepth = -1;
    qsizetype atnrefStart = 0;
    forEachToken(rtf, [&](const Token& t) {
        switch (t.kind) {
        case Token::Open:
            ++depth;
            atGroupStart = true;
            return;
        case Token::Close:
            if (inAtnref && depth == atnrefDepth) {
                atnref = rtf.mid(atnrefStart, t.start - atnrefStart).trimmed();
                inAtnref = false;
            }
            if (capture && depth == captureDepth) {
                *capture = rtf.mid(captureStart, t.start - captureStart);
                capture = nullptr;
            }
            --depth;
            atGroupStart = false;
            return;
        case Token::Star:
            return;
        case Token::Word:
            break;
        case Token::Other:
            return;
        }
        const bool destination = atGroupStart;
        atGroupStart = false;
        if (destination && scan.firstDestination.isEmpty())
            scan.firstDestination = t.name.toByteArray();
        if (t.name == "chftn")
            scan.autoNumber = true;
        else if (t.name == "ftnalt")
            endnote = true;
        if (!destination)
            return;
        if (t.name == "footnote")
            footnote = true;
        else if (t.name == "annotation")
            annotation = true;
        else if (t.name == "shp" || t.name == "do" || t.name == "shpgrp" || t.name == "object")
            shape = true;
        else if (t.name == "shptxt" || t.name == "dptxbxtext")
            shapeText = true;
        else if (t.name == "field")
            field = true;
        else if (t.name == "bkmkstart" || t.name == "bkmkend")
            bookmark = true;
        else if (t.name.startsWith("header") || t.name.startsWith("footer"))
            furniture = true;
        else if ((t.name == "atnauthor" || t.name == "atnid") && !capture) {
            capture = t.name == "atnid" ? &scan.commentInitials : &scan.commentAuthor;
            captureDepth = depth;
            captureStart = t.paramEnd < rtf.size() && rtf.at(t.paramEnd) == ' ' ? t.paramEnd + 1 : t.paramEnd;
        } else if (t.name == "atnref") {
            inAtnref = true;
            atnrefDepth = depth;
            atnrefStart = t.paramEnd < rtf.size() && rtf.at(t.paramEnd) == ' ' ? t.paramEnd + 1 : t.paramEnd;
        }
    });
    if (footnote)
        scan.kind = endnote ? KeptKind::Endnote : KeptKind::Footnote;
    else if (annotation)
        scan.kind = KeptKind::Comment;
    else if (shape)
        scan.kind = shapeText ? KeptKind::TextBox : KeptKind::Shape;
    else if (field)
        scan.kind = KeptKind::Field;
    else if (bookmark)
        scan.kind = KeptKind::Bookmark;
    else if (furniture)
        scan.kind = KeptKind::Furniture;
    scan.commentRef = atnref;
    return scan;
}

QByteArray destinationOf(const QByteArray& group)
{
    QByteArray name;
    bool done = false;
    forEachToken(group, [&](const Token& t) {
        if (done || t.kind == Token::Open || t.kind == Token::Star)
            return;
        if (t.kind == Token::Word)
            name = t.name.toByteArray();
        done = true;
    });
    return name;
}

namespace {

// Word's equation field language: \o(...) overstrikes its arguments, \s\up n(...) raises one
// (a ruby's reading), \f(a,b) is a fraction, \r(n,x) a root, \b(...) brackets, \l(...) a list,
// \a(...) an array; \x, \d and \i draw around their arguments. Backslash and a character other
// than a letter is that character.
class EquationReader
{
public:
    explicit EquationReader(const QString& code) : s_(code) {}
    // Steps over the field word and the \* formatting switches (\* jc2 \* "Font:..." \* hps20).
    void skipPrologue()
    {
        skipSpaces();
        letters(); // EQ
        for (;;) {
            skipSpaces();
            if (i_ + 1 < s_.size() && s_.at(i_) == QLatin1Char('\\') && s_.at(i_ + 1) == QLatin1Char('*')) {
                i_ += 2;
                skipSpaces();
                if (i_ < s_.size() && s_.at(i_) == QLatin1Char('"')) {
                    const qsizetype close = s_.indexOf(QLatin1Char('"'), i_ + 1);
                    i_ = close < 0 ? s_.size() : close + 1;
                } else {
                    while (i_ < s_.size() && !s_.at(i_).isSpace() && s_.at(i_) != QLatin1Char('\\'))
                        ++i_;
                }
                continue;
            }
            break;
        }
    }

    bool atEnd() const { return i_ >= s_.size(); }
    void skipStray() { ++i_; } // a ',' or ')' with nothing open

    struct Part
    {
        QString text;
        bool raised = true; // made of \s raisings only: a reading, not a base
    };

    // Elements up to a ',' or ')' of the level (not taken) or the end.
    Part sequence(int depth)
    {
        Part part;
        bool any = false;
        while (i_ < s_.size() && s_.at(i_) != QLatin1Char(',') && s_.at(i_) != QLatin1Char(')')) {
            const QChar c = s_.at(i_);
            if (c == QLatin1Char('\\') && i_ + 1 < s_.size() && s_.at(i_ + 1).isLetter()) {
                const Part sw = switchGroup(depth);
                part.text += sw.text;
                part.raised = part.raised && sw.raised;
                any = true;
                continue;
            }
            if (c == QLatin1Char('\\') && i_ + 1 < s_.size()) {
                part.text += s_.at(i_ + 1);
                i_ += 2;
            } else {
                part.text += c;
                ++i_;
            }
            if (!c.isSpace())
                part.raised = false;
            any = true;
        }
        if (!any)
            part.raised = false;
        return part;
    }

private:
    QString letters()
    {
        const qsizetype from = i_;
        while (i_ < s_.size() && s_.at(i_).isLetter())
            ++i_;
        return s_.mid(from, i_ - from).toLower();
    }

    void skipSpaces()
    {
        while (i_ < s_.size() && s_.at(i_).isSpace())
            ++i_;
    }

    static QChar closing(QChar open)
    {
        switch (open.unicode()) {
        case u'(':
            return QLatin1Char(')');
        case u'[':
            return QLatin1Char(']');
        case u'{':
            return QLatin1Char('}');
        case u'<':
            return QLatin1Char('>');
        default:
            return open;
        }
    }

    // A switch, its options (\up 9, \ad, \lc\[ ...) and its arguments in parentheses.
    Part switchGroup(int depth)
    {
        ++i_; // the backslash
        const QString name = letters();
        QChar left = QLatin1Char('('), right = QLatin1Char(')');
        for (;;) {
            skipSpaces();
            if (i_ + 1 < s_.size() && s_.at(i_) == QLatin1Char('\\') && s_.at(i_ + 1).isLetter()) {
                ++i_;
                const QString option = letters();
                skipSpaces();
                while (i_ < s_.size() && (s_.at(i_).isDigit() || s_.at(i_) == QLatin1Char('-')))
                    ++i_;
                if ((option == QLatin1String("lc") || option == QLatin1String("rc") || option == QLatin1String("bc")) &&
                    i_ + 1 < s_.size() && s_.at(i_) == QLatin1Char('\\')) {
                    const QChar c = s_.at(i_ + 1);
                    i_ += 2;
                    if (option != QLatin1String("rc"))
                        left = c;
                    if (option == QLatin1String("rc"))
                        right = c;
                    else if (option == QLatin1String("bc"))
                        right = closing(c);
                }
                continue;
            }
            break;
        }
        QList<Part> args;
        if (i_ < s_.size() && s_.at(i_) == QLatin1Char('(')) {
            ++i_;
            for (;;) {
                args << (depth < 64 ? sequence(depth + 1) : Part{});
                if (depth >= 64) {
                    // Too deep to be an equation anyone wrote: the rest of it is not shown.
                    i_ = s_.size();
                    break;
                }
                if (i_ < s_.size() && s_.at(i_) == QLatin1Char(',')) {
                    ++i_;
                    continue;
                }
                if (i_ < s_.size())
                    ++i_; // ')'
                break;
            }
        }
        auto join = [&](QLatin1String with, bool basesOnly) {
            QStringList texts;
            for (const Part& a : args) {
                if (!basesOnly || !a.raised)
                    texts << a.text;
            }
            return texts.join(with);
        };
        Part part;
        part.raised = false;
        if (name == QLatin1String("s")) {
            part.text = join(QLatin1String(""), false);
            part.raised = true;
        } else if (name == QLatin1String("o")) {
            const bool bases = std::any_of(args.begin(), args.end(), [](const Part& a) { return !a.raised; });
            part.text = join(QLatin1String(""), bases);
        } else if (name == QLatin1String("f")) {
            part.text = join(QLatin1String("/"), false);
        } else if (name == QLatin1String("r")) {
            part.text = QChar(0x221A) + (args.isEmpty() ? QString() : args.last().text);
        } else if (name == QLatin1String("b")) {
            part.text = left + join(QLatin1String(""), false) + right;
        } else if (name == QLatin1String("l")) {
            part.text = join(QLatin1String(","), false);
        } else if (name == QLatin1String("a")) {
            part.text = join(QLatin1String(" "), false);
        } else {
            part.text = join(QLatin1String(""), false);
        }
        return part;
    }

    const QString& s_;
    qsizetype i_ = 0;
};

} // namespace

QString equationText(const QString& instruction)
{
    const QString code = instruction.trimmed();
    if (!code.startsWith(QLatin1String("EQ"), Qt::CaseInsensitive) ||
        (code.size() > 2 && !code.at(2).isSpace() && code.at(2) != QLatin1Char('\\')))
        return {};
    EquationReader reader(code);
    reader.skipPrologue();
    QString text;
    while (!reader.atEnd()) {
        text += reader.sequence(0).text;
        if (!reader.atEnd())
            reader.skipStray();
    }
    return text.simplified();
}

bool isKeptMarkWord(const char* name)
{
    static const char* const words[] = {"chftn", "chatn", "chpgn", "chdate", "chtime", "chdpl", "chdpa", "sectnum"};
    for (const char* w : words) {
        if (std::strcmp(w, name) == 0)
            return true;
    }
    return false;
}

bool isDocumentWord(const char* name)
{
    // What the writer states itself is left to it.
    static const char* const own[] = {"rtf",  "ansi", "ansicpg",  "mac",    "pc",      "pca",
                                      "deff", "uc",   "viewkind", "fbidis", "htmautsp"};
    for (const char* w : own) {
        if (std::strcmp(w, name) == 0)
            return false;
    }
    return true;
}

bool isSectionWord(const char* name)
{
    // Called for every word the reader does not know, which Word writes by the hundred thousand:
    // sorted by first letter, so that most are turned away at once.
    const std::string_view n(name);
    auto any = [&](std::initializer_list<std::string_view> words) {
        return std::find(words.begin(), words.end(), n) != words.end();
    };
    auto startsWith = [&](std::string_view prefix) { return n.substr(0, prefix.size()) == prefix; };
    switch (n.empty() ? '\0' : n.front()) {
    case 's':
        return startsWith("sect") || startsWith("sbk") || startsWith("sftn") || startsWith("saftn") ||
               any({"srauth", "srdate", "stextflow"});
    case 'p':
        return startsWith("pgn") || startsWith("pgbrdr") || any({"pgwsxn", "pghsxn"});
    case 'v':
        return startsWith("vertal") || n == "vertsect";
    case 'm':
        return any({"marglsxn", "margrsxn", "margtsxn", "margbsxn", "margmirsxn"});
    case 'l':
        return any({"lndscpsxn", "linebetcol", "linemod", "linex", "linestarts", "linerestart", "lineppage",
                    "linecont", "ltrsect"});
    case 'c':
        return any({"cols", "colsx", "colno", "colsr", "colw"});
    case 'g':
        return n == "guttersxn";
    case 't':
        return n == "titlepg";
    case 'h':
        return n == "headery" || n == "horzsect";
    case 'f':
        return n == "footery";
    case 'e':
        return n == "endnhere";
    case 'd':
        return n == "ds";
    case 'r':
        return n == "rtlsect";
    case 'b':
        return n == "binfsxn" || n == "binsxn";
    default:
        return false;
    }
}

bool isOrdinaryWord(const char* name)
{
    static const char* const words[] = {
        "cs",    "ds",      "ts",        "s",         "lang",    "langfe", "langnp",  "langfenp",
        "alang", "insrsid", "charrsid",  "rtlch",     "ltrch",   "loch",   "hich",    "dbch",
        "af",    "afs",     "ab",        "ai",        "kerning", "expnd",  "expndtw", "noproof",
        "cgrid", "fcs",     "webhidden", "b",         "i",       "ul",     "ulnone",  "f",
        "fs",    "cf",      "cb",        "highlight", "strike",  "super",  "sub",     "nosupersub",
        "up",    "dn",      "plain",     "v",         "caps",    "scaps",  "outl",    "shad",
        "embo",  "impr",    "chcbpat",   "chshdng",   "ltrpar",  "rtlpar", "pard",    "ql",
        "qc",    "qr",      "qj",        "li",        "ri",      "fi",     "sb",      "sa"};
    for (const char* w : words) {
        if (std::strcmp(w, name) == 0)
            return true;
    }
    return false;
}

bool isRebuiltDestination(const QByteArray& name)
{
    // Fallback text for readers without nested tables repeats what the tables hold.
    // LibreOffice's raise and lower are read as super- and subscript already.
    return name == "nonesttables" || name == "updnprop";
}

bool isDocumentDestination(const QByteArray& name)
{
    static const char* const names[] = {
        "stylesheet",    "info",        "userprops",    "generator", "rsidtbl",  "themedata", "colorschememapping",
        "latentstyles",  "datastore",   "xmlnstbl",     "mmathPr",   "pgdsctbl", "revtbl",    "filetbl",
        "wgrffmtfilter", "docvar",      "ftnsep",       "ftnsepc",   "ftncn",    "aftnsep",   "aftnsepc",
        "aftncn",        "pnseclvl",    "defchp",       "defpap",    "fchars",   "lchars",    "template",
        "private",       "protusertbl", "passwordhash", "background"};
    for (const char* n : names) {
        if (name == n)
            return true;
    }
    return false;
}

QByteArray KeptNumbering::place(const KeptRtf& kept)
{
    if (kept.fonts.isEmpty() && kept.colors.isEmpty())
        return kept.rtf;
    QByteArray out;
    out.reserve(kept.rtf.size() + 16);
    qsizetype copied = 0;
    forEachUse(kept.rtf, [&](const Token& t) {
        if (t.kind != Token::Word || !t.hasParam)
            return;
        int number = -1;
        if (isFontWord(t.name)) {
            auto it = kept.fonts.constFind(t.param);
            if (it == kept.fonts.constEnd())
                return;
            auto known = fontIndex_.constFind(*it);
            if (known == fontIndex_.constEnd()) {
                fonts_.append(*it);
                known = fontIndex_.insert(*it, static_cast<int>(fonts_.size() - 1));
            }
            number = fontBase_ + *known;
        } else if (isColorWord(t.name)) {
            auto it = kept.colors.constFind(t.param);
            if (it == kept.colors.constEnd())
                return;
            if (it->isEmpty()) {
                number = 0; // "auto" is the first entry of every colour table
            } else {
                auto known = colorIndex_.constFind(*it);
                if (known == colorIndex_.constEnd()) {
                    colors_.append(*it);
                    known = colorIndex_.insert(*it, static_cast<int>(colors_.size() - 1));
                }
                number = colorBase_ + *known;
            }
        } else {
            return;
        }
        out.append(QByteArrayView(kept.rtf).sliced(copied, t.paramStart - copied));
        out.append(QByteArray::number(number));
        copied = t.paramEnd;
    });
    out.append(QByteArrayView(kept.rtf).sliced(copied));
    return out;
}

QByteArray KeptNumbering::fontEntries() const
{
    QByteArray out;
    for (qsizetype i = 0; i < fonts_.size(); ++i) {
        out.append("{\\f");
        out.append(QByteArray::number(fontBase_ + static_cast<int>(i)));
        const QByteArray& entry = fonts_.at(i);
        if (!entry.isEmpty() && isLetter(entry.at(0)))
            out.append(' ');
        out.append(entry);
        if (!entry.endsWith(';'))
            out.append(';');
        out.append('}');
    }
    return out;
}

QByteArray KeptNumbering::colorEntries() const
{
    QByteArray out;
    for (const QByteArray& entry : colors_) {
        out.append(entry);
        out.append(';');
    }
    return out;
}

KeptRtf documentPrelude(const QTextDocument& document)
{
    const QTextFrame* root = document.rootFrame();
    if (!root)
        return {};
    const QVariant data = root->frameFormat().property(KeptPrelude);
    return data.isValid() ? KeptRtf::decode(data.toByteArray()) : KeptRtf();
}

void setDocumentPrelude(QTextDocument* document, const KeptRtf& prelude)
{
    QTextFrame* root = document->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    if (prelude.rtf.isEmpty())
        format.clearProperty(KeptPrelude);
    else
        format.setProperty(KeptPrelude, prelude.encode());
    root->setFrameFormat(format);
}

QByteArray tablesFor(const KeptRtf& kept)
{
    QByteArray tables("{\\fonttbl");
    for (auto it = kept.fonts.constBegin(); it != kept.fonts.constEnd(); ++it) {
        tables += "{\\f" + QByteArray::number(it.key());
        if (!it->isEmpty() && isLetter(it->at(0)))
            tables += ' ';
        tables += *it + '}';
    }
    tables += "}{\\colortbl";
    const int last = kept.colors.isEmpty() ? -1 : std::min(kept.colors.lastKey(), 4095);
    for (int i = 0; i <= last; ++i)
        tables += kept.colors.value(i) + ';';
    tables += '}';
    return tables;
}

bool carriesKept(const QTextCharFormat& format)
{
    return format.hasProperty(KeptData) || format.hasProperty(KeptKindProperty) || format.hasProperty(KeptCaption) ||
           format.hasProperty(KeptAutoNumber);
}

QTextCharFormat withoutKept(QTextCharFormat format)
{
    for (int property : {int(KeptData), int(KeptKindProperty), int(KeptCaption), int(KeptAutoNumber),
                         int(QTextFormat::TextToolTip), int(QTextFormat::ObjectType)})
        format.clearProperty(property);
    return format;
}

KeptPageSetup pageSetupOf(const KeptRtf& prelude)
{
    KeptPageSetup setup;
    int depth = 0;
    int groupStartDepth = -1;
    qsizetype groupStart = 0;
    QByteArray groupName;
    bool atGroupStart = false;
    const QByteArray& rtf = prelude.rtf;
    forEachToken(rtf, [&](const Token& t) {
        if (t.kind == Token::Open) {
            if (depth == 0) {
                groupStart = t.start;
                groupStartDepth = 0;
                groupName.clear();
            }
            ++depth;
            atGroupStart = true;
            return;
        }
        if (t.kind == Token::Close) {
            --depth;
            if (depth == 0 && groupStartDepth == 0 &&
                (groupName.startsWith("header") || groupName.startsWith("footer")))
                setup.furniture.insert(groupName, rtf.mid(groupStart, t.start + 1 - groupStart));
            atGroupStart = false;
            return;
        }
        if (t.kind != Token::Word) {
            return;
        }
        if (atGroupStart && depth == 1)
            groupName = t.name.toByteArray();
        atGroupStart = false;
        if (depth != 0)
            return;
        const int v = std::clamp(t.param, 0, 31680 * 2);
        if (t.name == "paperw" || t.name == "pgwsxn")
            setup.paperWidth = v;
        else if (t.name == "paperh" || t.name == "pghsxn")
            setup.paperHeight = v;
        else if (t.name == "margl" || t.name == "marglsxn")
            setup.marginLeft = v;
        else if (t.name == "margr" || t.name == "margrsxn")
            setup.marginRight = v;
        else if (t.name == "margt" || t.name == "margtsxn")
            setup.marginTop = v;
        else if (t.name == "margb" || t.name == "margbsxn")
            setup.marginBottom = v;
        else if (t.name == "headery")
            setup.headerY = v;
        else if (t.name == "footery")
            setup.footerY = v;
        else if (t.name == "landscape" || t.name == "lndscpsxn")
            setup.landscape = !t.hasParam || t.param != 0;
        else if (t.name == "titlepg")
            setup.titlePage = !t.hasParam || t.param != 0;
        else if (t.name == "facingp")
            setup.facingPages = !t.hasParam || t.param != 0;
        else if (t.name == "sbknone")
            setup.sectionBreak = KeptPageSetup::Break::None;
        else if (t.name == "sbkcol")
            setup.sectionBreak = KeptPageSetup::Break::Column;
        else if (t.name == "sbkpage")
            setup.sectionBreak = KeptPageSetup::Break::Page;
        else if (t.name == "sbkeven")
            setup.sectionBreak = KeptPageSetup::Break::Even;
        else if (t.name == "sbkodd")
            setup.sectionBreak = KeptPageSetup::Break::Odd;
        else if (t.name == "pgnrestart")
            setup.restartNumbers = true;
        else if (t.name == "pgncont")
            setup.restartNumbers = false;
        else if (t.name == "pgnstarts")
            setup.firstNumber = std::clamp(t.param, 0, 32767);
        else if (t.name == "sectd") {
            // The section's own properties start again from their defaults.
            setup.titlePage = false;
            setup.sectionBreak = KeptPageSetup::Break::Page;
            setup.restartNumbers = false;
            setup.firstNumber = 1;
        }
    });
    return setup;
}

namespace {


class KeptObjectHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    QSizeF intrinsicSize(QTextDocument* doc, int posInDocument, const QTextFormat& format) override
    {
        const QTextCharFormat cf = format.toCharFormat();
        switch (kindOf(format)) {
        case KeptKind::Footnote:
        case KeptKind::Endnote: {
            const QString mark = markText(doc, posInDocument, format);
            if (mark.isEmpty())
                return {2, 2};
            const QFontMetricsF fm(markFont(doc, cf));
            return {fm.horizontalAdvance(mark) + 1, QFontMetricsF(layoutFont(doc, cf)).ascent()};
        }
        case KeptKind::Comment:
            return {7, QFontMetricsF(layoutFont(doc, cf)).ascent()};
        case KeptKind::TextBox: {
            const QRectF box = textBoxRect(doc, format);
            return box.size();
        }
        case KeptKind::Shape:
            return {16, 16};
        case KeptKind::Section:
            return {kSectionMarkWidth, QFontMetricsF(layoutFont(doc, cf)).ascent()};
        case KeptKind::Field: {
            const QString shown = format.stringProperty(KeptCaption);
            if (shown.isEmpty())
                return {0, 0};
            const QFontMetricsF fm(layoutFont(doc, cf));
            return {fm.horizontalAdvance(shown), fm.ascent()};
        }
        default:
            return {0, 0}; // bookmarks, page furniture, unknown destinations: nothing to see
        }
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int posInDocument,
                    const QTextFormat& format) override
    {
        const QTextCharFormat cf = format.toCharFormat();
        painter->save();
        switch (kindOf(format)) {
        case KeptKind::Footnote:
        case KeptKind::Endnote: {
            const QString mark = markText(doc, posInDocument, format);
            painter->setFont(markFont(doc, cf));
            painter->setPen(cf.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : cf.foreground().color());
            painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop, mark);
            break;
        }
        case KeptKind::Comment: {
            const QRectF flag(rect.left() + 1, rect.top(), 5, std::min<qreal>(rect.height(), 8));
            painter->setPen(QColor(0xb0, 0x90, 0x00));
            painter->setBrush(QColor(0xff, 0xe0, 0x60));
            painter->drawRect(flag);
            break;
        }
        case KeptKind::TextBox: {
            painter->setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
            painter->setFont(layoutFont(doc, cf));
            painter->setPen(Qt::black);
            painter->drawText(rect.adjusted(kPad, kPad, -kPad, -kPad), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                              format.stringProperty(KeptCaption));
            break;
        }
        case KeptKind::Shape: {
            painter->setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
            painter->setBrush(Qt::NoBrush);
            const QRectF box = rect.adjusted(1.5, 1.5, -1.5, -1.5);
            painter->drawRect(box);
            painter->drawLine(box.topLeft(), box.bottomRight());
            painter->drawLine(box.bottomLeft(), box.topRight());
            break;
        }
        case KeptKind::Section: {
            // Two thin dotted lines: the break is there, and stays out of the way of the text.
            painter->setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::DotLine));
            const qreal y = rect.top() + rect.height() * 0.6;
            painter->drawLine(QPointF(rect.left() + 3, y), QPointF(rect.right() - 1, y));
            painter->drawLine(QPointF(rect.left() + 3, y + 2), QPointF(rect.right() - 1, y + 2));
            break;
        }
        case KeptKind::Field:
            painter->setFont(layoutFont(doc, cf));
            painter->setPen(cf.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : cf.foreground().color());
            painter->drawText(QPointF(rect.left(), rect.bottom()), format.stringProperty(KeptCaption));
            break;
        default:
            break;
        }
        painter->restore();
    }

private:
    static constexpr qreal kPad = 4;
    static constexpr qreal kSectionMarkWidth = 28;

    static KeptKind kindOf(const QTextFormat& format)
    {
        return static_cast<KeptKind>(format.intProperty(KeptKindProperty));
    }

    // Fonts in pixels of the device the document is laid out for, so that a painter scaled onto a
    // printer draws them at the size the layout measured.
    static QFont layoutFont(QTextDocument* doc, const QTextCharFormat& cf, qreal factor = 1)
    {
        QFont f = cf.font();
        const QPaintDevice* device = doc->documentLayout() ? doc->documentLayout()->paintDevice() : nullptr;
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = device ? device->logicalDpiY() : screen ? screen->logicalDotsPerInchY() : 96;
        qreal points = f.pointSizeF();
        if (points <= 0)
            points = f.pixelSize() > 0 ? f.pixelSize() * 72.0 / dpi : 12;
        f.setPixelSize(std::max(4, qRound(points * factor * dpi / 72.0)));
        return f;
    }

    static QFont markFont(QTextDocument* doc, const QTextCharFormat& cf) { return layoutFont(doc, cf, 0.7); }

    static QRectF textBoxRect(QTextDocument* doc, const QTextFormat& format)
    {
        const qreal available = doc->textWidth() > 0 ? doc->textWidth() - 2 * doc->documentMargin() : 400;
        const qreal width = std::clamp<qreal>(available * 0.6, 40, 320);
        const QFontMetricsF fm(layoutFont(doc, format.toCharFormat()));
        const QRectF text =
            fm.boundingRect(QRectF(0, 0, width - 2 * kPad, 1e6), Qt::TextWordWrap, format.stringProperty(KeptCaption));
        return {0, 0, width, std::max(text.height(), fm.height()) + 2 * kPad};
    }

    // Word numbers notes with \chftn in document order, footnotes and endnotes apart.
    QString markText(QTextDocument* doc, int pos, const QTextFormat& format)
    {
        if (!format.boolProperty(KeptAutoNumber))
            return {};
        if (doc != cachedDoc_ || doc->revision() != cachedRevision_) {
            numbers_.clear();
            int footnotes = doc->rootFrame() ? doc->rootFrame()->frameFormat().intProperty(KeptFootnoteBase) : 0;
            int endnotes = 0;
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat f = it.fragment().charFormat();
                    if (f.objectType() != kKeptObjectType || !f.boolProperty(KeptAutoNumber))
                        continue;
                    const auto kind = kindOf(f);
                    for (int k = 0; k < it.fragment().length(); ++k) {
                        if (kind == KeptKind::Footnote)
                            numbers_.insert(it.fragment().position() + k, QString::number(++footnotes));
                        else if (kind == KeptKind::Endnote)
                            numbers_.insert(it.fragment().position() + k, romanNumeral(++endnotes));
                    }
                }
            }
            cachedDoc_ = doc;
            cachedRevision_ = doc->revision();
        }
        return numbers_.value(pos, QStringLiteral("*"));
    }

    QPointer<QTextDocument> cachedDoc_;
    int cachedRevision_ = -1;
    QHash<int, QString> numbers_;
};

} // namespace

void registerKeptObjects(QTextDocument* document)
{
    static KeptObjectHandler* handler = new KeptObjectHandler;
    if (document && document->documentLayout())
        document->documentLayout()->registerHandler(kKeptObjectType, handler);
}

} // namespace tarnwick::platform::rtf

#include "RtfKept.moc"
