#include "platform/rtf/RtfReader.h"

#include "platform/Units.h"
#include "platform/rtf/CodePages.h"
#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfLists.h"
#include "platform/rtf/RtfPictures.h"
#include "platform/rtf/RtfProperties.h"
#include "platform/rtf/RtfTables.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QPointer>
#include <QTextTable>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace tarnwick::platform::rtf {

double twipsPerPixel()
{
    return Units::TwipsPerInch / Units::dpi();
}

namespace {

// Real documents nest a few dozen groups; beyond this the content is dropped rather than
// letting hostile input grow the state stack without bound.
constexpr std::size_t kMaxDepth = 1024;
// Word's own limits; larger values only make layout misbehave.
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxTwips = 31680;
constexpr std::size_t kMaxTableEntries = 1 << 16;

enum class Kw : std::uint8_t {
    Unknown,
    FontTable, ColorTable, Field, FldInst, FldRslt, Upr, Ud, SkipDest,
    Ansi, AnsiCpg, Mac, Pc, Pca, Deff, FCharset, Cpg, Red, Green, Blue, Uc, U, Bin,
    Plain, F, Fs, B, I, Ul, UlNone, UlDotted, UlDash, UlDashDot, UlDashDotDot, UlWave,
    Strike, Cf, Highlight, Cb, Super, Sub, NoSuperSub, Up, Dn, Hidden,
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, InTable, Itap,
    Par, Line, Tab, Cell, Row, NestCell, NestRow, NestTableProps,
    Trowd, Trgaph, Trleft, Trql, Trqc, Trqr, Trhdr, Cellx, ClBrdrT, ClBrdrL, ClBrdrB, ClBrdrR, OtherBorder,
    BrdrS, BrdrDb, BrdrDot, BrdrDash, BrdrNone, BrdrW, BrdrCf, ClCbPat, ClShdng, ClVertAlT, ClVertAlC, ClVertAlB,
    ClMgf, ClMrg, ClVmgf, ClVmrg,
    ListTable, ListOverrideTable, List, ListLevel, LevelNfc, LevelStartAt, LevelText, ListId, ListOverride, Ls, Ilvl,
    Ab, Ai, Afs, Af, Loch, Hich, Dbch, Rtlch, Ltrch, Caps, Scaps, UlDouble, UlThick, UlWords, Expndtw, Expnd,
    Page, PageBb, Keep, KeepN, RtlPar, LtrPar, Sl, SlMult, Tx, Tqr, Tqc, Tqdec, Tb, TlDot, TlHyph, TlUl, TlTh, TlEq,
    Pict, PictKind, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY, WbmBitsPixel, WbmWidthBytes,
    ShpPict, NonShpPict,
    ListText, Pn, PnLvlBlt, PnLvlBody, PnLvl, PnDec, PnLcLtr, PnUcLtr, PnLcRm, PnUcRm, PnStart, PnTxtA, PnTxtB,
    Emdash, Endash, Lquote, Rquote, Ldblquote, Rdblquote, Bullet, Emspace, Enspace, Qmspace,
    Zwj, Zwnj, Ltrmark, Rtlmark, Sect,
};

struct Keyword {
    const char* name;
    Kw kw;
};

// Destinations listed as SkipDest hold nothing the document model shows; some writers omit
// the \* in front of them, so they are known by name.
constexpr Keyword kKeywords[] = {
    {"ab", Kw::Ab}, {"af", Kw::Af}, {"afs", Kw::Afs}, {"aftncn", Kw::SkipDest}, {"aftnsep", Kw::SkipDest},
    {"aftnsepc", Kw::SkipDest}, {"ai", Kw::Ai}, {"annotation", Kw::SkipDest}, {"ansi", Kw::Ansi},
    {"ansicpg", Kw::AnsiCpg}, {"atnauthor", Kw::SkipDest}, {"atndate", Kw::SkipDest}, {"atnid", Kw::SkipDest},
    {"atnref", Kw::SkipDest}, {"atrfend", Kw::SkipDest}, {"atrfstart", Kw::SkipDest}, {"author", Kw::SkipDest},
    {"b", Kw::B}, {"background", Kw::SkipDest}, {"bin", Kw::Bin}, {"bkmkend", Kw::SkipDest},
    {"bkmkstart", Kw::SkipDest}, {"blipuid", Kw::SkipDest}, {"blue", Kw::Blue}, {"box", Kw::OtherBorder},
    {"brdrb", Kw::OtherBorder}, {"brdrcf", Kw::BrdrCf}, {"brdrdash", Kw::BrdrDash}, {"brdrdb", Kw::BrdrDb},
    {"brdrdot", Kw::BrdrDot}, {"brdrl", Kw::OtherBorder}, {"brdrnil", Kw::BrdrNone}, {"brdrnone", Kw::BrdrNone},
    {"brdrr", Kw::OtherBorder}, {"brdrs", Kw::BrdrS}, {"brdrsh", Kw::BrdrS}, {"brdrt", Kw::OtherBorder},
    {"brdrth", Kw::BrdrS}, {"brdrw", Kw::BrdrW}, {"bullet", Kw::Bullet}, {"buptim", Kw::SkipDest}, {"caps", Kw::Caps},
    {"category", Kw::SkipDest}, {"cb", Kw::Cb}, {"cell", Kw::Cell}, {"cellx", Kw::Cellx}, {"cf", Kw::Cf},
    {"chcbpat", Kw::Cb}, {"clbrdrb", Kw::ClBrdrB}, {"clbrdrl", Kw::ClBrdrL}, {"clbrdrr", Kw::ClBrdrR},
    {"clbrdrt", Kw::ClBrdrT}, {"clcbpat", Kw::ClCbPat}, {"clmgf", Kw::ClMgf}, {"clmrg", Kw::ClMrg},
    {"clshdng", Kw::ClShdng}, {"clvertalb", Kw::ClVertAlB}, {"clvertalc", Kw::ClVertAlC}, {"clvertalt", Kw::ClVertAlT},
    {"clvmgf", Kw::ClVmgf}, {"clvmrg", Kw::ClVmrg}, {"colorschememapping", Kw::SkipDest}, {"colortbl", Kw::ColorTable},
    {"comment", Kw::SkipDest}, {"company", Kw::SkipDest}, {"cpg", Kw::Cpg}, {"creatim", Kw::SkipDest},
    {"datastore", Kw::SkipDest}, {"dbch", Kw::Dbch}, {"deff", Kw::Deff}, {"dibitmap", Kw::PictKind}, {"dn", Kw::Dn},
    {"do", Kw::SkipDest}, {"doccomm", Kw::SkipDest}, {"docvar", Kw::SkipDest}, {"emdash", Kw::Emdash},
    {"emfblip", Kw::PictKind}, {"emspace", Kw::Emspace}, {"endash", Kw::Endash}, {"enspace", Kw::Enspace},
    {"expnd", Kw::Expnd}, {"expndtw", Kw::Expndtw}, {"f", Kw::F}, {"falt", Kw::SkipDest}, {"fcharset", Kw::FCharset},
    {"fi", Kw::Fi}, {"field", Kw::Field}, {"filetbl", Kw::SkipDest}, {"fldinst", Kw::FldInst}, {"fldrslt", Kw::FldRslt},
    {"fonttbl", Kw::FontTable}, {"footer", Kw::SkipDest}, {"footerf", Kw::SkipDest}, {"footerl", Kw::SkipDest},
    {"footerr", Kw::SkipDest}, {"footnote", Kw::SkipDest}, {"fs", Kw::Fs}, {"ftncn", Kw::SkipDest},
    {"ftnsep", Kw::SkipDest}, {"ftnsepc", Kw::SkipDest}, {"generator", Kw::SkipDest}, {"green", Kw::Green},
    {"header", Kw::SkipDest}, {"headerf", Kw::SkipDest}, {"headerl", Kw::SkipDest}, {"headerr", Kw::SkipDest},
    {"hich", Kw::Hich}, {"highlight", Kw::Highlight}, {"hlinkbase", Kw::SkipDest}, {"i", Kw::I}, {"ilvl", Kw::Ilvl},
    {"info", Kw::SkipDest}, {"intbl", Kw::InTable}, {"itap", Kw::Itap}, {"jpegblip", Kw::PictKind}, {"keep", Kw::Keep},
    {"keepn", Kw::KeepN}, {"keywords", Kw::SkipDest}, {"latentstyles", Kw::SkipDest}, {"ldblquote", Kw::Ldblquote},
    {"levelnfc", Kw::LevelNfc}, {"levelnfcn", Kw::LevelNfc}, {"levelnumbers", Kw::SkipDest},
    {"levelstartat", Kw::LevelStartAt}, {"leveltext", Kw::LevelText}, {"li", Kw::Li}, {"lin", Kw::Li},
    {"line", Kw::Line}, {"list", Kw::List}, {"listid", Kw::ListId}, {"listlevel", Kw::ListLevel},
    {"listname", Kw::SkipDest}, {"listoverride", Kw::ListOverride}, {"listoverridetable", Kw::ListOverrideTable},
    {"listpicture", Kw::SkipDest}, {"listtable", Kw::ListTable}, {"listtext", Kw::ListText}, {"loch", Kw::Loch},
    {"lquote", Kw::Lquote}, {"ls", Kw::Ls}, {"ltrch", Kw::Ltrch}, {"ltrmark", Kw::Ltrmark}, {"ltrpar", Kw::LtrPar},
    {"mac", Kw::Mac}, {"macpict", Kw::PictKind}, {"manager", Kw::SkipDest}, {"mmathPr", Kw::SkipDest},
    {"nestcell", Kw::NestCell}, {"nestrow", Kw::NestRow}, {"nesttableprops", Kw::NestTableProps},
    {"nonesttables", Kw::SkipDest}, {"nonshppict", Kw::NonShpPict}, {"nosupersub", Kw::NoSuperSub},
    {"objdata", Kw::SkipDest}, {"object", Kw::SkipDest}, {"operator", Kw::SkipDest}, {"page", Kw::Page},
    {"pagebb", Kw::PageBb}, {"panose", Kw::SkipDest}, {"par", Kw::Par}, {"pard", Kw::Pard}, {"pc", Kw::Pc},
    {"pca", Kw::Pca}, {"pgdsctbl", Kw::SkipDest}, {"pich", Kw::PicH}, {"pichgoal", Kw::PicHGoal},
    {"picscalex", Kw::PicScaleX}, {"picscaley", Kw::PicScaleY}, {"pict", Kw::Pict}, {"picw", Kw::PicW},
    {"picwgoal", Kw::PicWGoal}, {"plain", Kw::Plain}, {"pmmetafile", Kw::PictKind}, {"pn", Kw::Pn},
    {"pndec", Kw::PnDec}, {"pngblip", Kw::PictKind}, {"pnlcltr", Kw::PnLcLtr}, {"pnlcrm", Kw::PnLcRm},
    {"pnlvl", Kw::PnLvl}, {"pnlvlblt", Kw::PnLvlBlt}, {"pnlvlbody", Kw::PnLvlBody}, {"pnstart", Kw::PnStart},
    {"pntext", Kw::ListText}, {"pntxta", Kw::PnTxtA}, {"pntxtb", Kw::PnTxtB}, {"pnucltr", Kw::PnUcLtr},
    {"pnucrm", Kw::PnUcRm}, {"printim", Kw::SkipDest}, {"private", Kw::SkipDest}, {"qc", Kw::Qc}, {"qd", Kw::Qj},
    {"qj", Kw::Qj}, {"ql", Kw::Ql}, {"qmspace", Kw::Qmspace}, {"qr", Kw::Qr}, {"rdblquote", Kw::Rdblquote},
    {"red", Kw::Red}, {"revtbl", Kw::SkipDest}, {"revtim", Kw::SkipDest}, {"ri", Kw::Ri}, {"rin", Kw::Ri},
    {"row", Kw::Row}, {"rquote", Kw::Rquote}, {"rsidtbl", Kw::SkipDest}, {"rtlch", Kw::Rtlch}, {"rtlmark", Kw::Rtlmark},
    {"rtlpar", Kw::RtlPar}, {"rxe", Kw::SkipDest}, {"sa", Kw::Sa}, {"sb", Kw::Sb}, {"scaps", Kw::Scaps},
    {"sect", Kw::Sect}, {"shp", Kw::SkipDest}, {"shpinst", Kw::SkipDest}, {"shppict", Kw::ShpPict},
    {"shprslt", Kw::SkipDest}, {"sl", Kw::Sl}, {"slmult", Kw::SlMult}, {"sn", Kw::SkipDest}, {"sp", Kw::SkipDest},
    {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"stylesheet", Kw::SkipDest}, {"sub", Kw::Sub},
    {"subject", Kw::SkipDest}, {"super", Kw::Super}, {"sv", Kw::SkipDest}, {"tab", Kw::Tab}, {"tb", Kw::Tb},
    {"tc", Kw::SkipDest}, {"tcn", Kw::SkipDest}, {"template", Kw::SkipDest}, {"themedata", Kw::SkipDest},
    {"title", Kw::SkipDest}, {"tldot", Kw::TlDot}, {"tleq", Kw::TlEq}, {"tlhyph", Kw::TlHyph}, {"tlth", Kw::TlTh},
    {"tlul", Kw::TlUl}, {"tqc", Kw::Tqc}, {"tqdec", Kw::Tqdec}, {"tqr", Kw::Tqr}, {"trbrdrb", Kw::OtherBorder},
    {"trbrdrh", Kw::OtherBorder}, {"trbrdrl", Kw::OtherBorder}, {"trbrdrr", Kw::OtherBorder},
    {"trbrdrt", Kw::OtherBorder}, {"trbrdrv", Kw::OtherBorder}, {"trgaph", Kw::Trgaph}, {"trhdr", Kw::Trhdr},
    {"trleft", Kw::Trleft}, {"trowd", Kw::Trowd}, {"trqc", Kw::Trqc}, {"trql", Kw::Trql}, {"trqr", Kw::Trqr},
    {"tx", Kw::Tx}, {"txe", Kw::SkipDest}, {"u", Kw::U}, {"uc", Kw::Uc}, {"ud", Kw::Ud}, {"ul", Kw::Ul},
    {"uld", Kw::UlDotted}, {"uldash", Kw::UlDash}, {"uldashd", Kw::UlDashDot}, {"uldashdd", Kw::UlDashDotDot},
    {"uldb", Kw::UlDouble}, {"ulhwave", Kw::UlWave}, {"ulldash", Kw::UlDash}, {"ulnone", Kw::UlNone},
    {"ulth", Kw::UlThick}, {"ulthd", Kw::UlDotted}, {"ulthdash", Kw::UlDash}, {"ulthdashd", Kw::UlDashDot},
    {"ulthdashdd", Kw::UlDashDotDot}, {"ulthldash", Kw::UlDash}, {"ululdbwave", Kw::UlWave}, {"ulw", Kw::UlWords},
    {"ulwave", Kw::UlWave}, {"up", Kw::Up}, {"upr", Kw::Upr}, {"userprops", Kw::SkipDest}, {"v", Kw::Hidden},
    {"wbitmap", Kw::PictKind}, {"wbmbitspixel", Kw::WbmBitsPixel}, {"wbmwidthbytes", Kw::WbmWidthBytes},
    {"webhidden", Kw::Hidden}, {"wgrffmtfilter", Kw::SkipDest}, {"wmetafile", Kw::PictKind}, {"xe", Kw::SkipDest},
    {"xmlnstbl", Kw::SkipDest}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj},
};

Kw lookupKeyword(const char* name)
{
    static const std::vector<Keyword> sorted = [] {
        std::vector<Keyword> v(std::begin(kKeywords), std::end(kKeywords));
        std::sort(v.begin(), v.end(),
                  [](const Keyword& a, const Keyword& b) { return std::strcmp(a.name, b.name) < 0; });
        return v;
    }();
    auto it = std::lower_bound(sorted.begin(), sorted.end(), name,
                               [](const Keyword& k, const char* n) { return std::strcmp(k.name, n) < 0; });
    if (it != sorted.end() && std::strcmp(it->name, name) == 0)
        return it->kw;
    return Kw::Unknown;
}

// Where the text and words of a group go. A destination the document shows (the body, a field
// result) is Normal; the others collect into tables of the reader's own or are dropped.
enum class Dest : std::uint8_t {
    Normal, Skip, FontTable, ColorTable, FieldInst, UprAnsi, NestTableProps,
    ListTable, ListOverrideTable, LevelText, ListText, Pn, PnTextAfter, PnTextBefore, Pict,
    Kept, // a group kept as RTF and written back as it was
};

// Character properties as RTF states them, kept as table indices until text is emitted so
// that comparing two runs is a handful of integer compares.
struct CharAttrs {
    int font = -1;
    int halfPoints = 0; // 0: not stated
    int fg = -1;
    int bg = -1;
    int href = -1;
    int fieldChain = -1; // the fields whose result the text is (index into the reader's chains)
    std::uint8_t bold = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0; // QTextCharFormat::UnderlineStyle
    std::uint8_t strike = 0;
    std::uint8_t valign = 0; // QTextCharFormat::VerticalAlignment
    std::uint8_t hidden = 0;
    std::uint8_t caps = 0; // 1 \caps, 2 \scaps
    std::uint8_t underlineKind = 0; // 1 \uldb, 2 \ulth, 3 \ulw: kept for the writer, drawn as single
    int letterSpacing = 0; // twips, \expndtw
    // Associated properties (\af, \afs, \ab, \ai) govern right-to-left and double-byte runs
    // (\rtlch, \dbch); -1 or 0: not stated, the ordinary ones hold.
    int assocFont = -1;
    int assocHalfPoints = 0;
    std::int8_t assocBold = -1;
    std::int8_t assocItalic = -1;
    std::uint8_t runKind = 0; // 0 \loch/\hich/\ltrch, 1 \rtlch, 2 \dbch
    int hiddenBefore = -1; // hidden text (\v) that stood before this character: index in hiddenTexts_

    bool operator==(const CharAttrs& o) const
    {
        return font == o.font && halfPoints == o.halfPoints && fg == o.fg && bg == o.bg
            && href == o.href && fieldChain == o.fieldChain && bold == o.bold && italic == o.italic && underline == o.underline
            && strike == o.strike && valign == o.valign && hidden == o.hidden && caps == o.caps
            && underlineKind == o.underlineKind && letterSpacing == o.letterSpacing && assocFont == o.assocFont
            && assocHalfPoints == o.assocHalfPoints && assocBold == o.assocBold && assocItalic == o.assocItalic
            && runKind == o.runKind && hiddenBefore == o.hiddenBefore;
    }
    bool operator!=(const CharAttrs& o) const { return !(*this == o); }
};

size_t qHash(const CharAttrs& a, size_t seed = 0)
{
    return qHashMulti(seed, a.font, a.halfPoints, a.fg, a.bg, a.href, a.hiddenBefore, a.fieldChain,
                      (a.bold << 20) | (a.italic << 16) | (a.underline << 12) | (a.strike << 8)
                          | (a.valign << 4) | a.hidden | (a.caps << 24) | (a.underlineKind << 26));
}

// The properties a run of text shows: associated ones where the run is of their kind.
CharAttrs effectiveAttrs(const CharAttrs& a)
{
    if (a.runKind == 0 && a.assocFont < 0 && a.assocHalfPoints == 0 && a.assocBold < 0 && a.assocItalic < 0)
        return a;
    CharAttrs e = a;
    if (a.runKind != 0) {
        if (a.assocFont >= 0)
            e.font = a.assocFont;
        if (a.assocHalfPoints > 0)
            e.halfPoints = a.assocHalfPoints;
        if (a.assocBold >= 0)
            e.bold = static_cast<std::uint8_t>(a.assocBold);
        if (a.assocItalic >= 0)
            e.italic = static_cast<std::uint8_t>(a.assocItalic);
    }
    e.assocFont = -1;
    e.assocHalfPoints = 0;
    e.assocBold = -1;
    e.assocItalic = -1;
    e.runKind = 0;
    return e;
}

struct TabStop {
    int position = 0; // twips
    int kind = 0; // 0 left, 1 right, 2 centre, 3 decimal
    int leader = 0; // 0 none, 1 dots, 2 hyphens, 3 underline, 4 thick line, 5 equal signs
};

struct ParaAttrs {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int li = 0;
    int ri = 0;
    int fi = 0;
    int sb = 0;
    int sa = 0;
    int itap = 0; // \itap: how deep in nested tables; 0 with \intbl means 1
    bool inTable = false;
    int lineSpacing = 0; // \sl: twips, negative for "exactly"
    bool lineMultiple = false; // \slmult1: \sl counts 240ths of a line
    bool keep = false;
    bool keepNext = false;
    bool pageBreakBefore = false;
    bool rtl = false;
    QList<TabStop> tabs;
    int ls = 0; // \ls: the list override the paragraph belongs to
    int ilvl = 0;
    // Word 6 numbering (\pn): the number format, 0 for none, and its level, start and texts.
    int pnNfc = -1;
    int pnLevel = 0;
    int pnStart = 1;
    QString pnBefore;
    QString pnAfter;
};

// How many tables a paragraph sits in.
std::size_t tableDepth(const ParaAttrs& para)
{
    if (para.itap > 0)
        return static_cast<std::size_t>(para.itap);
    return para.inTable ? 1 : 0;
}

struct Group {
    CharAttrs chars;
    ParaAttrs para;
    int uc = 1;
    int field = -1;
    Dest dest = Dest::Normal;
    bool starred = false;
    const char* start = nullptr; // the group's opening brace in the input
    const char* keptFrom = nullptr; // where the kept destination's words start
    std::uint64_t contentAtStart = 0; // the parser's content count when the group opened
};

struct FontEntry {
    QString name;
    int codePage = 0;
    SymbolFont symbol = SymbolFont::None;
    bool nameDone = false;
    bool codePageStated = false; // by \cpg or a charset other than ANSI
};

struct ColorEntry {
    QColor color;
    bool defined = false;
};

struct Field {
    QString instruction;
    int href = -1;
    bool resolved = false;
    int parent = -1; // the field whose instruction or result this one sits in
    const char* start = nullptr; // the field group's opening brace
    const char* keptFrom = nullptr; // its \field word, when content came before it in its group
    std::uint64_t contentAtWord = 0; // the parser's content count at its \field word
    QByteArray prefix; // the field group up to the end of its instruction, as read
    bool shown = false; // some of its result became document content
    int chain = -1; // the field chain its result text carries
    qsizetype hiddenAt = 0; // how much hidden text waited when it began
    // The row definitions as they were before a row word inside it changed them.
    std::shared_ptr<const std::pair<RtfRowDef, RtfRowDef>> rows;
};

bool isAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Characters QTextDocument gives a structural meaning must not enter as text.
bool isStructural(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
}

// Bytes that end a run of plain text.
struct TextStops {
    bool stop[256] = {};
    constexpr TextStops()
    {
        for (int c = 0; c < 0x20; ++c)
            stop[c] = c != '\t';
        stop[static_cast<unsigned char>('{')] = true;
        stop[static_cast<unsigned char>('}')] = true;
        stop[static_cast<unsigned char>('\\')] = true;
    }
};
constexpr TextStops kTextStops;

// Characters a font name or link target can hold: the writer has no way to say the others.
bool fitsInName(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 || u == u'\t') && u != 0x2029 && u != 0xFDD0 && u != 0xFDD1 && u != 0xFFFC;
}

// Word's field code syntax: words separated by spaces, quoted arguments with \" and \\ escapes.
struct FieldWord {
    QString text;
    bool quoted = false;
};

std::vector<FieldWord> splitFieldCode(const QString& code)
{
    std::vector<FieldWord> words;
    qsizetype i = 0;
    const qsizetype n = code.size();
    while (i < n) {
        while (i < n && code.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        FieldWord word;
        if (code.at(i) == QLatin1Char('"')) {
            word.quoted = true;
            ++i;
            while (i < n && code.at(i) != QLatin1Char('"')) {
                if (code.at(i) == QLatin1Char('\\') && i + 1 < n)
                    ++i;
                word.text.append(code.at(i++));
            }
            ++i;
        } else {
            while (i < n && !code.at(i).isSpace() && code.at(i) != QLatin1Char('"'))
                word.text.append(code.at(i++));
        }
        words.push_back(std::move(word));
    }
    return words;
}

// A link field's code: where it goes, and the switches other than \l that say how (a tool tip,
// a target frame...), written back as they were read.
struct LinkCode {
    QString target;
    QString switches;
    QString toolTip; // \o
};

QString fieldCodeWord(const FieldWord& w)
{
    if (!w.quoted)
        return w.text;
    QString escaped = w.text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

LinkCode hyperlinkCode(const QString& instruction)
{
    const std::vector<FieldWord> words = splitFieldCode(instruction);
    if (words.empty() || words.front().quoted
        || words.front().text.compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    LinkCode link;
    QString url;
    QString location;
    bool haveUrl = false;
    QStringList kept;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const FieldWord& w = words[i];
        if (!w.quoted && w.text.size() >= 2 && w.text.startsWith(QLatin1Char('\\'))) {
            const QChar sw = w.text.size() == 2 ? w.text.at(1).toLower() : QChar();
            const bool takesArgument = sw == QLatin1Char('l') || sw == QLatin1Char('o') || sw == QLatin1Char('t');
            if (sw == QLatin1Char('l')) {
                if (i + 1 < words.size())
                    location = words[++i].text;
                continue;
            }
            kept << w.text;
            if (takesArgument && i + 1 < words.size()) {
                ++i;
                kept << fieldCodeWord(words[i]);
                if (sw == QLatin1Char('o'))
                    link.toolTip = words[i].text;
            }
            continue;
        }
        if (!haveUrl) {
            url = w.text;
            haveUrl = true;
        } else {
            kept << fieldCodeWord(w); // an argument of a switch we do not know
        }
    }
    link.target = location.isEmpty() ? url : url + QLatin1Char('#') + location;
    if (!link.target.isEmpty())
        link.switches = kept.join(QLatin1Char(' '));
    return link;
}

class Parser
{
public:
    Parser(const QByteArray& data, QTextCursor* cursor, bool wholeDocument, bool keptText = false)
        : keptText_(keptText)
        , p_(data.constData())
        , end_(data.constData() + data.size())
        , cursor_(cursor)
        , wholeDocument_(wholeDocument)
        , landingFormat_(cursor->blockFormat())
    {
        stack_.reserve(32);
        stack_.emplace_back();
        stack_.back().dest = Dest::Skip; // bytes before the opening brace (a BOM, blanks)
    }

    void run();
    // Whether the reading put kept objects into the document (which then needs their drawing).
    bool keptObjects() const { return keptObjects_ > 0; }

private:
    Group& top() { return stack_.back(); }
    bool skipping() const
    {
        return overflowDepth_ > 0 || stack_.back().dest == Dest::Skip || stack_.back().dest == Dest::Kept;
    }
    // Depth 1 is the \rtf1 group itself; destinations only count inside it.
    bool nested() const { return stack_.size() > 2; }

    void groupStart();
    bool groupEnd();
    void controlWord();
    void controlSymbol(unsigned char c);
    void hexByte();
    void text(const char* start, qsizetype size);
    void keyword(Kw kw, bool hasParam, int param);
    bool consumeSkippedChar();
    void skipBinary(int count);
    bool takeTrailByte();

    void flushBytes();
    void emitChar(char16_t ch);
    void emitText(QStringView text);
    void emitBody(QStringView text);
    void appendRun(QStringView text);
    void beginContent(std::size_t depth = kParagraphDepth);
    void endParagraph();
    void cellEnd(std::size_t level);
    void rowEnd(std::size_t level);
    void openTable();
    void closeTable();
    void nextCell();
    void tableKeyword(Kw kw, int param, bool on);
    void listKeyword(Kw kw, int param, bool hasParam);
    void pictureKeyword(Kw kw, int param);
    void pictureHex(const char* start, qsizetype size);
    void pictureBinary(int count);
    void endPicture();
    bool resolveList(const ParaAttrs& para, RtfListLevel* level, int* nesting, int* key) const;
    void attachList();
    void setParagraphFormat(QTextBlockFormat format);
    void placeListLabel();
    void finish();
    void finishFontName();

    // Kept RTF (RtfKept.h): groups and words the document model has no place for.
    Dest keptOrSkipped(const Group& g) const;
    void unknownWord();
    void keepGroup(const char* start, const char* keptFrom);
    void keepInline(const char* from, const char* to, bool space = false, bool brace = false,
                    const QString& caption = QString(), bool hidden = false);
    void flushKept();
    void endField(const Group& closing);
    void markFieldShown();
    void finishKept();
    void sectionBreak();
    void keepWithSection(QByteArrayView rtf);
    void commitSection();
    bool bodyStarted_ = false;
    std::uint64_t contentCount_ = 0; // grows with every piece of content put into the document
    // The object standing for the last section break read, and the RTF of the section it opens.
    int sectionObject_ = -1;
    QByteArray sectionRtf_;
    bool breakEndedParagraph_ = false; // the last paragraph mark was a section break
    int keptObjects_ = 0;
    bool keptText_ = false; // reading a kept group's text: its text destinations are the body
    const char* wordStart_ = nullptr;
    const char* starStart_ = nullptr;
    const char* wordName_ = "";
    KeptTables keptTables_;
    QByteArray prelude_;
    struct KeptPiece {
        const char* from;
        const char* to;
        bool space; // a word that needs its delimiter
        bool brace; // a group kept from its destination on: its opening brace comes first
        bool hidden;     // it stood in hidden text, which the kept piece says again around it
        QByteArray name; // its destination or word
        QString caption; // what a field kept whole shows (an equation's base text)
    };
    std::vector<KeptPiece> pendingKept_; // pieces of the input, read into one object when content follows
    CharAttrs pendingKeptAttrs_;
    std::vector<QVariantList> fieldChains_;
    struct CommentMark {
        int start = -1;
        int end = -1;
    };
    QHash<QString, CommentMark> commentRanges_;
    QHash<QString, QString> commentTexts_;

    int codePageFor(const Group& g, SymbolFont* symbol) const;
    QTextCharFormat charFormat(const CharAttrs& attrs);
    QTextBlockFormat blockFormat(const ParaAttrs& para) const;
    void flushRun();

    const char* p_;
    const char* end_;
    std::vector<Group> stack_;
    std::size_t overflowDepth_ = 0;
    int skipChars_ = 0;
    bool finished_ = false;

    int ansiCodePage_ = kCodePageWindows1252;
    int defaultFont_ = -1;
    QHash<int, FontEntry> fonts_;
    int fontEntry_ = -1;
    std::vector<ColorEntry> colors_;
    ColorEntry pendingColor_;
    std::vector<Field> fields_;
    std::vector<LinkCode> hrefs_;

    QByteArray bytes_;
    bool decodingBytes_ = false;
    CodePageDecoder decoder_;
    QString decoded_;

    QTextCursor* cursor_;
    bool wholeDocument_;
    QString runText_;
    CharAttrs runAttrs_;
    bool paragraphPending_ = false;
    QTextBlockFormat pendingBlockFormat_;
    QTextBlockFormat landingFormat_; // the block an insertion starts in
    bool atParagraphStart_ = true; // the next content begins a paragraph
    bool pardAfterMark_ = false; // a \pard came after the last paragraph mark
    QHash<CharAttrs, QTextCharFormat> formats_;

    // Tables being read, outermost first; a paragraph's \itap says how many it sits in.
    struct LiveTable {
        QTextTable* table = nullptr;
        int row = 0;
        int cellsInRow = 0; // cells the current row has ended
        bool cellOpen = false; // the cursor is in a cell that has not ended yet
        bool rowDone = false;
        std::vector<RtfRowRecord> rows;
    };
    static constexpr std::size_t kParagraphDepth = std::numeric_limits<std::size_t>::max();
    // Word allows 63 cells a row and no deeper nesting than this in practice; beyond it cells
    // run on in the last one and nested rows in their outer cell, so no text is lost.
    static constexpr int kMaxColumns = 64;
    static constexpr std::size_t kMaxTableDepth = 16;
    std::vector<LiveTable> tables_;
    RtfRowDef rowDef_; // the outermost rows' definition
    RtfRowDef nestRowDef_; // nested rows', from \nesttableprops
    RtfCellDef cellDef_; // the \cl... words before the next \cellx
    int borderSide_ = -1; // the cell border the \brdr... words describe

    struct ListDef {
        int id = 0;
        int levelCount = 0;
        RtfListLevel levels[9];
    };
    std::vector<ListDef> listDefs_;
    QHash<int, int> listOverrides_; // \ls → \listid
    int overrideListId_ = 0;
    bool levelTextLengthPending_ = false;
    QHash<qint64, QPointer<QTextList>> lists_; // (list, level) → the QTextList its items join
    Picture picture_; // the {\pict} being read
    int pictureNibble_ = -1;
    bool pictureShown_ = false;
    bool pageBreakNext_ = false; // \page: the next paragraph starts a page
    int tabKind_ = 0; // \tqr... and \tl... words before the \tx they describe
    int tabLeader_ = 0; // the last {\pict} became a picture: skip its \nonshppict twin
    const char* pictureKindWord_ = nullptr;
    QString hiddenText_; // \\v text waiting for the next visible character
    QStringList hiddenTexts_;
    QString listLabel_; // the fallback label ({\listtext}, {\pntext}) of the coming paragraph
    CharAttrs listLabelAttrs_;
};

void Parser::run()
{
    while (p_ < end_ && !finished_) {
        const unsigned char c = static_cast<unsigned char>(*p_);
        switch (c) {
        case '{':
            if (takeTrailByte())
                break;
            ++p_;
            groupStart();
            break;
        case '}':
            if (takeTrailByte())
                break;
            ++p_;
            if (groupEnd())
                return;
            break;
        case '\\':
            if (takeTrailByte())
                break;
            wordStart_ = p_;
            ++p_;
            if (p_ < end_) {
                if (isAlpha(static_cast<unsigned char>(*p_)))
                    controlWord();
                else
                    controlSymbol(static_cast<unsigned char>(*p_++));
            }
            break;
        default:
            if (kTextStops.stop[c]) {
                ++p_; // CR and LF are layout of the file, other controls are noise
                break;
            }
            const char* start = p_;
            while (p_ < end_ && !kTextStops.stop[static_cast<unsigned char>(*p_)])
                ++p_;
            text(start, p_ - start);
            break;
        }
    }
    finish();
}

void Parser::groupStart()
{
    flushBytes();
    skipChars_ = 0;
    if (overflowDepth_ > 0 || stack_.size() >= kMaxDepth) {
        ++overflowDepth_;
        return;
    }
    // \* marks the control word right after it; a group in between takes that meaning away.
    stack_.back().starred = false;
    stack_.push_back(stack_.back());
    stack_.back().start = p_ - 1;
    stack_.back().contentAtStart = contentCount_;
    if (stack_.size() == 2)
        stack_.back().dest = Dest::Normal;
}

bool Parser::groupEnd()
{
    flushBytes();
    skipChars_ = 0;
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return false;
    }
    const Dest closing = top().dest;
    if (closing == Dest::FontTable)
        finishFontName();
    if (stack_.size() > 2) {
        const Dest parent = stack_[stack_.size() - 2].dest;
        if (closing == Dest::Kept && parent != Dest::Kept) {
            const char* start = top().start;
            const char* keptFrom = top().keptFrom;
            stack_.pop_back();
            keepGroup(start, keptFrom);
            return false;
        }
        if (closing == Dest::FontTable && parent != Dest::FontTable && top().start)
            keptTables_.setFontTable(QByteArray(top().start, p_ - top().start));
        if (closing == Dest::ColorTable && parent != Dest::ColorTable && top().start)
            keptTables_.setColorTable(QByteArray(top().start, p_ - top().start));
        if (closing == Dest::FieldInst && parent != Dest::FieldInst && top().field >= 0) {
            Field& f = fields_[top().field];
            if (f.prefix.isEmpty() && f.start)
                f.prefix = f.keptFrom ? '{' + QByteArray(f.keptFrom, p_ - f.keptFrom) : QByteArray(f.start, p_ - f.start);
        }
        if (top().field >= 0 && fields_[top().field].start == top().start)
            endField(top());
    }
    if (stack_.size() <= 2) {
        finish(); // the \rtf1 group closed: whatever follows is not part of the document
        return true;
    }
    if (closing == Dest::Pict && stack_[stack_.size() - 2].dest != Dest::Pict) {
        stack_.pop_back();
        endPicture();
        return false;
    }
    if (closing == Dest::Pn || closing == Dest::PnTextAfter || closing == Dest::PnTextBefore) {
        // \pn words describe the paragraph the group sits in.
        ParaAttrs numbering = top().para;
        stack_.pop_back();
        ParaAttrs& para = top().para;
        para.pnNfc = numbering.pnNfc;
        para.pnLevel = numbering.pnLevel;
        para.pnStart = numbering.pnStart;
        para.pnBefore = numbering.pnBefore;
        para.pnAfter = numbering.pnAfter;
        return false;
    }
    stack_.pop_back();
    if ((closing == Dest::FontTable || closing == Dest::ColorTable) && top().dest != closing)
        formats_.clear();
    return false;
}

void Parser::controlWord()
{
    char name[33];
    std::size_t len = 0;
    bool truncated = false;
    while (p_ < end_ && isAlpha(static_cast<unsigned char>(*p_))) {
        if (len < sizeof(name) - 1)
            name[len++] = *p_;
        else
            truncated = true;
        ++p_;
    }
    name[len] = '\0';
    bool negative = false;
    if (p_ + 1 < end_ && *p_ == '-' && isDigit(static_cast<unsigned char>(p_[1]))) {
        negative = true;
        ++p_;
    }
    bool hasParam = false;
    long long value = 0;
    while (p_ < end_ && isDigit(static_cast<unsigned char>(*p_))) {
        hasParam = true;
        if (value < std::numeric_limits<int>::max())
            value = value * 10 + (*p_ - '0');
        ++p_;
    }
    if (p_ < end_ && *p_ == ' ')
        ++p_;
    value = std::min<long long>(value, std::numeric_limits<int>::max());
    const int param = static_cast<int>(negative ? -value : value);
    const Kw kw = truncated ? Kw::Unknown : lookupKeyword(name);
    wordName_ = truncated ? "" : name;
    if (kw == Kw::PictKind)
        pictureKindWord_ = name[0] == 'p' ? (name[1] == 'n' ? "png" : "pm") : name[0] == 'j' ? "jpeg"
            : name[0] == 'e'                                                  ? "emf"
            : name[0] == 'm'                                                  ? "mac"
            : name[0] == 'd'                                                  ? "dib"
            : name[1] == 'b'                                                  ? "wbitmap"
                                                                              : "wmf";
    keyword(kw, hasParam, param);
}

bool Parser::consumeSkippedChar()
{
    if (skipChars_ <= 0)
        return false;
    --skipChars_;
    return true;
}

void Parser::skipBinary(int count)
{
    const qsizetype left = end_ - p_;
    p_ += std::clamp<qsizetype>(count, 0, left);
}

void Parser::keyword(Kw kw, bool hasParam, int param)
{
    if (skipping() || consumeSkippedChar()) {
        if (kw == Kw::Bin)
            skipBinary(param);
        return;
    }
    if (kw == Kw::Bin && top().dest == Dest::Pict) {
        pictureBinary(param);
        return;
    }
    flushBytes();
    Group& g = top();
    const bool starred = g.starred;
    g.starred = false;
    const bool on = !hasParam || param != 0;

    if (starred && nested()) {
        switch (kw) {
        case Kw::FontTable:
        case Kw::ColorTable:
        case Kw::Field:
        case Kw::FldInst:
        case Kw::FldRslt:
        case Kw::Upr:
        case Kw::Ud:
        case Kw::NestTableProps:
        case Kw::ListTable:
        case Kw::ListOverrideTable:
        case Kw::Pn:
        case Kw::LevelText:
        case Kw::ShpPict:
            break;
        default:
            // Inside a field a \* before a formatting word is a slip; the result still shows.
            if (g.field >= 0 && g.dest == Dest::Normal && isOrdinaryWord(wordName_))
                break;
            g.dest = keptOrSkipped(g);
            if (g.dest == Dest::Kept)
                g.keptFrom = starStart_;
            return;
        }
    }

    switch (kw) {
    case Kw::Unknown:
        unknownWord();
        break;
    case Kw::FontTable:
        // A note, text box or field uses the document's tables; one of its own would change what
        // its words mean, and those around it, after the writer renumbers the fonts and colours.
        if (keptText_ || g.field >= 0) {
            g.dest = Dest::Skip;
        } else if (nested()) {
            g.dest = Dest::FontTable;
            fontEntry_ = -1;
        }
        break;
    case Kw::ColorTable:
        if (keptText_ || g.field >= 0) {
            g.dest = Dest::Skip;
        } else if (nested()) {
            g.dest = Dest::ColorTable;
            colors_.clear();
            pendingColor_ = {};
        }
        break;
    case Kw::Field:
        // A field belongs in the text or in another field's instruction; elsewhere (a font table,
        // say) its group is not a field's and keeping it would carry that group into the text.
        if (nested() && fields_.size() < kMaxTableEntries && (g.dest == Dest::Normal || g.dest == Dest::FieldInst)) {
            fields_.emplace_back();
            fields_.back().parent = g.field;
            fields_.back().start = g.start;
            fields_.back().contentAtWord = contentCount_;
            fields_.back().hiddenAt = hiddenText_.size();
            // Content before the word in its group ("{text\\field ...}") was shown or kept already.
            const bool keptBefore = !pendingKept_.empty() && pendingKept_.back().from > g.start;
            if (g.contentAtStart != contentCount_ || keptBefore)
                fields_.back().keptFrom = wordStart_;
            g.field = static_cast<int>(fields_.size() - 1);
        }
        break;
    case Kw::FldInst:
        if (nested()) {
            // Text shown before the word in its group or since the field began
            // ("{\\field{text{\\fldinst ...}") is not taken into the instruction as well: such a group
            // stays text.
            const char* since = g.field >= 0 ? fields_[g.field].start : g.start;
            const bool shownBefore = g.contentAtStart != contentCount_
                || (g.field >= 0 && fields_[g.field].contentAtWord != contentCount_)
                || (!pendingKept_.empty() && pendingKept_.back().from > std::min(since, g.start));
            if (g.field < 0)
                g.dest = Dest::Skip;
            else if (!shownBefore)
                g.dest = Dest::FieldInst;
        }
        break;
    case Kw::FldRslt:
        // A result inside an instruction is part of the instruction, which is kept as read.
        if (nested() && g.dest == Dest::Normal) {
            if (g.field >= 0) {
                Field& f = fields_[g.field];
                if (!f.resolved) {
                    f.resolved = true;
                    LinkCode link = hyperlinkCode(f.instruction);
                    if (!link.target.isEmpty()) {
                        hrefs_.push_back(std::move(link));
                        f.href = static_cast<int>(hrefs_.size() - 1);
                    }
                }
                if (f.href >= 0) {
                    g.chars.href = f.href;
                } else if (!f.prefix.isEmpty() && f.chain < 0 && fieldChains_.size() < kMaxTableEntries) {
                    // Other fields keep their start and show their result.
                    QVariantList chain = g.chars.fieldChain >= 0 ? fieldChains_[g.chars.fieldChain] : QVariantList();
                    chain.append(keptTables_.keep(f.prefix, g.field + 1).encode());
                    fieldChains_.push_back(std::move(chain));
                    f.chain = static_cast<int>(fieldChains_.size() - 1);
                }
                if (f.chain >= 0)
                    g.chars.fieldChain = f.chain;
            }
        }
        break;
    case Kw::Upr:
        if (nested())
            g.dest = Dest::UprAnsi;
        break;
    case Kw::Ud:
        if (nested() && g.dest == Dest::UprAnsi) {
            // The Unicode text stands in the destination the \upr group is in (a font name in
            // a font table), not always in the body.
            Dest outer = Dest::Normal;
            for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
                if (it->dest != Dest::UprAnsi) {
                    outer = it->dest;
                    break;
                }
            }
            g.dest = outer;
        }
        break;
    case Kw::SkipDest:
        if (nested()) {
            g.dest = keptOrSkipped(g);
            if (g.dest == Dest::Kept)
                g.keptFrom = starred ? starStart_ : wordStart_;
        }
        break;

    case Kw::Ansi:
        ansiCodePage_ = kCodePageWindows1252;
        break;
    case Kw::AnsiCpg:
        ansiCodePage_ = param > 0 ? param : kCodePageWindows1252;
        break;
    case Kw::Mac:
        ansiCodePage_ = 10000;
        break;
    case Kw::Pc:
        ansiCodePage_ = 437;
        break;
    case Kw::Pca:
        ansiCodePage_ = 850;
        break;
    case Kw::Deff:
        // As with the tables: a field or a note does not change the document's default font.
        if (keptText_ || g.field >= 0)
            break;
        defaultFont_ = param;
        if (g.chars.font < 0)
            g.chars.font = param;
        break;
    case Kw::F:
        if (g.dest == Dest::FontTable) {
            finishFontName();
            if (fonts_.size() < static_cast<qsizetype>(kMaxTableEntries) || fonts_.contains(param)) {
                fonts_.insert(param, FontEntry{});
                fontEntry_ = param;
            } else {
                fontEntry_ = -1;
            }
        } else {
            g.chars.font = param;
        }
        break;
    case Kw::FCharset:
        if (g.dest == Dest::FontTable && fontEntry_ >= 0) {
            auto it = fonts_.find(fontEntry_);
            if (it != fonts_.end() && it->codePage == 0) {
                it->codePage = codePageForCharset(param);
                it->codePageStated = param != 0;
            }
        }
        break;
    case Kw::Cpg:
        // \cpg is the more precise statement and overrides the charset's implied page.
        if (g.dest == Dest::FontTable && fontEntry_ >= 0 && param > 0) {
            auto it = fonts_.find(fontEntry_);
            if (it != fonts_.end()) {
                it->codePage = param;
                it->codePageStated = true;
            }
        }
        break;
    case Kw::Red:
    case Kw::Green:
    case Kw::Blue:
        if (g.dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            pendingColor_.defined = true;
            if (kw == Kw::Red)
                pendingColor_.color.setRed(v);
            else if (kw == Kw::Green)
                pendingColor_.color.setGreen(v);
            else
                pendingColor_.color.setBlue(v);
        }
        break;
    case Kw::Uc:
        g.uc = std::clamp(param, 0, 255);
        break;
    case Kw::U:
        if (hasParam) {
            int v = param < 0 ? param + 65536 : param;
            if (v >= 0 && v <= 0x10FFFF) {
                if (v >= 0xF020 && v <= 0xF0FF) {
                    // Word stores Symbol and Wingdings glyphs in the private use area.
                    auto it = fonts_.constFind(g.chars.font);
                    if (it != fonts_.constEnd() && it->symbol != SymbolFont::None)
                        v = symbolToUnicode(it->symbol, static_cast<unsigned char>(v - 0xF000)).unicode();
                }
                if (v > 0xFFFF) {
                    const char32_t c = static_cast<char32_t>(v);
                    const char16_t pair[2] = {QChar::highSurrogate(c), QChar::lowSurrogate(c)};
                    emitText(QStringView(pair, 2));
                } else {
                    emitChar(static_cast<char16_t>(v));
                }
            }
            skipChars_ = g.uc;
        }
        break;
    case Kw::Bin:
        skipBinary(param);
        break;

    case Kw::Plain: {
        const int href = g.chars.href;
        const int fieldChain = g.chars.fieldChain;
        g.chars = CharAttrs{};
        g.chars.font = defaultFont_;
        g.chars.href = href; // a link's text stays a link whatever its formatting
        g.chars.fieldChain = fieldChain;
        break;
    }
    case Kw::Fs:
        g.chars.halfPoints = std::clamp(param, 0, kMaxHalfPoints);
        break;
    case Kw::B:
        g.chars.bold = on;
        break;
    case Kw::I:
        g.chars.italic = on;
        break;
    case Kw::Ul:
        g.chars.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlNone:
        g.chars.underline = QTextCharFormat::NoUnderline;
        break;
    case Kw::UlDotted:
        g.chars.underline = on ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlDash:
        g.chars.underline = on ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlDashDot:
        g.chars.underline = on ? QTextCharFormat::DashDotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlDashDotDot:
        g.chars.underline = on ? QTextCharFormat::DashDotDotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::UlWave:
        g.chars.underline = on ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::Strike:
        g.chars.strike = on;
        break;
    case Kw::Cf:
        g.chars.fg = param;
        break;
    case Kw::Highlight:
    case Kw::Cb:
        g.chars.bg = param;
        break;
    case Kw::Super:
        g.chars.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        break;
    case Kw::Sub:
        g.chars.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        break;
    case Kw::NoSuperSub:
        g.chars.valign = QTextCharFormat::AlignNormal;
        break;
    case Kw::Up:
        // LibreOffice writes super- and subscript as raised and lowered text (\up, \dn).
        g.chars.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        break;
    case Kw::Dn:
        g.chars.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        break;
    case Kw::Hidden:
        g.chars.hidden = on;
        break;
    case Kw::Ab:
        g.chars.assocBold = on;
        break;
    case Kw::Ai:
        g.chars.assocItalic = on;
        break;
    case Kw::Afs:
        g.chars.assocHalfPoints = std::clamp(param, 0, kMaxHalfPoints);
        break;
    case Kw::Af:
        g.chars.assocFont = param;
        break;
    case Kw::Loch:
    case Kw::Hich:
    case Kw::Ltrch:
        g.chars.runKind = 0;
        break;
    case Kw::Rtlch:
        g.chars.runKind = 1;
        break;
    case Kw::Dbch:
        g.chars.runKind = 2;
        break;
    case Kw::Caps:
        g.chars.caps = on ? 1 : 0;
        break;
    case Kw::Scaps:
        g.chars.caps = on ? 2 : 0;
        break;
    case Kw::UlDouble:
    case Kw::UlThick:
    case Kw::UlWords:
        g.chars.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        g.chars.underlineKind = on ? (kw == Kw::UlDouble ? 1 : kw == Kw::UlThick ? 2 : 3) : 0;
        break;
    case Kw::Expndtw:
        g.chars.letterSpacing = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Expnd: // quarter points
        g.chars.letterSpacing = std::clamp(param, -kMaxTwips / 5, kMaxTwips / 5) * 5;
        break;
    case Kw::Page:
        if (g.dest == Dest::Normal) {
            endParagraph();
            pageBreakNext_ = true;
        }
        break;
    case Kw::PageBb:
        g.para.pageBreakBefore = on;
        break;
    case Kw::Keep:
        g.para.keep = on;
        break;
    case Kw::KeepN:
        g.para.keepNext = on;
        break;
    case Kw::RtlPar:
        g.para.rtl = true;
        break;
    case Kw::LtrPar:
        g.para.rtl = false;
        break;
    case Kw::Sl:
        g.para.lineSpacing = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::SlMult:
        g.para.lineMultiple = on;
        break;
    case Kw::Tqr:
        tabKind_ = 1;
        break;
    case Kw::Tqc:
        tabKind_ = 2;
        break;
    case Kw::Tqdec:
        tabKind_ = 3;
        break;
    case Kw::TlDot:
    case Kw::TlHyph:
    case Kw::TlUl:
    case Kw::TlTh:
    case Kw::TlEq:
        tabLeader_ = kw == Kw::TlDot ? 1 : kw == Kw::TlHyph ? 2 : kw == Kw::TlUl ? 3 : kw == Kw::TlTh ? 4 : 5;
        break;
    case Kw::Tx:
    case Kw::Tb:
        if (g.para.tabs.size() < 64)
            g.para.tabs.append(TabStop{std::clamp(param, 0, kMaxTwips), kw == Kw::Tb ? 0 : tabKind_, tabLeader_});
        tabKind_ = 0;
        tabLeader_ = 0;
        break;

    case Kw::Pard:
        if (g.dest == Dest::Normal)
            bodyStarted_ = true;
        g.para = ParaAttrs{};
        borderSide_ = -1;
        pardAfterMark_ = paragraphPending_;
        break;
    case Kw::Ql:
        g.para.align = 0;
        break;
    case Kw::Qc:
        g.para.align = 1;
        break;
    case Kw::Qr:
        g.para.align = 2;
        break;
    case Kw::Qj:
        g.para.align = 3;
        break;
    case Kw::Li:
        g.para.li = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Ri:
        g.para.ri = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Fi:
        g.para.fi = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Sb:
        g.para.sb = std::clamp(param, 0, kMaxTwips);
        break;
    case Kw::Sa:
        g.para.sa = std::clamp(param, 0, kMaxTwips);
        break;
    case Kw::InTable:
        g.para.inTable = true;
        break;
    case Kw::Itap:
        g.para.itap = std::clamp(param, 0, static_cast<int>(kMaxTableDepth));
        break;

    case Kw::Par:
        if (g.dest == Dest::Normal)
            endParagraph();
        break;
    case Kw::Sect:
        if (g.dest == Dest::Normal) {
            // Word puts none in headers or field results; there it only ends the paragraph.
            if (keptText_ || g.field >= 0)
                endParagraph();
            else
                sectionBreak();
        }
        break;
    case Kw::Line:
        emitChar(QChar::LineSeparator);
        break;
    case Kw::Tab:
        emitChar(u'\t');
        break;
    case Kw::Cell:
        if (g.dest == Dest::Normal)
            cellEnd(1);
        break;
    case Kw::Row:
        if (g.dest == Dest::Normal)
            rowEnd(1);
        break;
    case Kw::NestCell:
        if (g.dest == Dest::Normal)
            cellEnd(std::max<std::size_t>(2, tableDepth(g.para)));
        break;
    case Kw::NestRow:
        // The nested row's end sits in its \nesttableprops group, after the row's definition.
        if (g.dest == Dest::Normal || g.dest == Dest::NestTableProps)
            rowEnd(std::max<std::size_t>(2, tables_.size()));
        break;
    case Kw::NestTableProps:
        if (nested())
            g.dest = Dest::NestTableProps;
        break;
    case Kw::Pict:
        if (nested() && g.dest == Dest::Normal) {
            g.dest = Dest::Pict;
            picture_ = Picture{};
            pictureNibble_ = -1;
        } else if (nested()) {
            g.dest = Dest::Skip;
        }
        break;
    case Kw::PictKind:
    case Kw::PicW:
    case Kw::PicH:
    case Kw::PicWGoal:
    case Kw::PicHGoal:
    case Kw::PicScaleX:
    case Kw::PicScaleY:
    case Kw::WbmBitsPixel:
    case Kw::WbmWidthBytes:
        if (g.dest == Dest::Pict)
            pictureKeyword(kw, param);
        break;
    case Kw::ShpPict:
        // The picture Word 97 and later read; the \nonshppict group after it is for older readers.
        pictureShown_ = false;
        break;
    case Kw::NonShpPict:
        if (nested() && pictureShown_)
            g.dest = Dest::Skip;
        pictureShown_ = false;
        break;
    case Kw::ListTable:
    case Kw::ListOverrideTable:
    case Kw::List:
    case Kw::ListLevel:
    case Kw::LevelNfc:
    case Kw::LevelStartAt:
    case Kw::LevelText:
    case Kw::ListId:
    case Kw::ListOverride:
    case Kw::Ls:
    case Kw::Ilvl:
    case Kw::ListText:
    case Kw::Pn:
    case Kw::PnLvlBlt:
    case Kw::PnLvlBody:
    case Kw::PnLvl:
    case Kw::PnDec:
    case Kw::PnLcLtr:
    case Kw::PnUcLtr:
    case Kw::PnLcRm:
    case Kw::PnUcRm:
    case Kw::PnStart:
    case Kw::PnTxtA:
    case Kw::PnTxtB:
        listKeyword(kw, param, hasParam);
        break;
    case Kw::Trowd:
    case Kw::Trgaph:
    case Kw::Trleft:
    case Kw::Trql:
    case Kw::Trqc:
    case Kw::Trqr:
    case Kw::Trhdr:
    case Kw::Cellx:
    case Kw::ClBrdrT:
    case Kw::ClBrdrL:
    case Kw::ClBrdrB:
    case Kw::ClBrdrR:
    case Kw::OtherBorder:
    case Kw::BrdrS:
    case Kw::BrdrDb:
    case Kw::BrdrDot:
    case Kw::BrdrDash:
    case Kw::BrdrNone:
    case Kw::BrdrW:
    case Kw::BrdrCf:
    case Kw::ClCbPat:
    case Kw::ClShdng:
    case Kw::ClVertAlT:
    case Kw::ClVertAlC:
    case Kw::ClVertAlB:
    case Kw::ClMgf:
    case Kw::ClMrg:
    case Kw::ClVmgf:
    case Kw::ClVmrg:
        tableKeyword(kw, param, on);
        break;
    case Kw::Emdash: emitChar(0x2014); break;
    case Kw::Endash: emitChar(0x2013); break;
    case Kw::Lquote: emitChar(0x2018); break;
    case Kw::Rquote: emitChar(0x2019); break;
    case Kw::Ldblquote: emitChar(0x201C); break;
    case Kw::Rdblquote: emitChar(0x201D); break;
    case Kw::Bullet: emitChar(0x2022); break;
    case Kw::Emspace: emitChar(0x2003); break;
    case Kw::Enspace: emitChar(0x2002); break;
    case Kw::Qmspace: emitChar(0x2005); break;
    case Kw::Zwj: emitChar(0x200D); break;
    case Kw::Zwnj: emitChar(0x200C); break;
    case Kw::Ltrmark: emitChar(0x200E); break;
    case Kw::Rtlmark: emitChar(0x200F); break;
    }
}

void Parser::controlSymbol(unsigned char c)
{
    if (c == '\'') {
        hexByte();
        return;
    }
    if (skipping() || consumeSkippedChar())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        // Kept with the surrounding bytes: in double-byte code pages they can be trail bytes.
        top().starred = false;
        bytes_.append(static_cast<char>(c));
        break;
    case '*':
        top().starred = true;
        starStart_ = p_ - 2;
        break;
    case '~':
        flushBytes();
        emitChar(0x00A0);
        break;
    case '-':
        flushBytes();
        emitChar(0x00AD);
        break;
    case '_':
        flushBytes();
        emitChar(0x2011);
        break;
    case '\r':
    case '\n':
        flushBytes();
        if (top().dest == Dest::Normal)
            endParagraph();
        break;
    default:
        break; // \| \: and anything unknown carry nothing we show
    }
}

void Parser::hexByte()
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && p_ < end_) {
        const int h = hexValue(static_cast<unsigned char>(*p_));
        if (h < 0)
            break;
        value = value * 16 + h;
        ++p_;
        ++digits;
    }
    if (skipping() || consumeSkippedChar() || digits == 0)
        return;
    top().starred = false;
    bytes_.append(static_cast<char>(value));
}

// Word writes a double-byte character's lead byte as \'hh and its trail byte as it is, even
// when that byte is a brace or a backslash; such a byte belongs to the character.
bool Parser::takeTrailByte()
{
    if (bytes_.isEmpty() || skipping() || skipChars_ > 0)
        return false;
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (c == '\\' && p_ + 1 < end_) {
        const char next = p_[1];
        // \'hh is the trail byte spelled out; \\, \{ and \} are the escaped character.
        if (next == '\'' || next == '\\' || next == '{' || next == '}')
            return false;
    }
    SymbolFont symbol;
    const int codePage = codePageFor(top(), &symbol);
    if (!isDoubleByteCodePage(codePage))
        return false;
    qsizetype i = 0;
    const qsizetype n = bytes_.size();
    while (i < n)
        i += isLeadByte(codePage, static_cast<unsigned char>(bytes_.at(i))) ? 2 : 1;
    if (i != n + 1)
        return false;
    // A pair that is no character in the code page (a lead byte cut off by the group's end)
    // leaves the brace or backslash its usual meaning.
    const char pair[2] = {bytes_.back(), static_cast<char>(c)};
    QString probe;
    decoder_.appendDecoded(codePage, pair, 2, &probe);
    if (probe.size() != 1 || probe.at(0) == QChar::ReplacementCharacter)
        return false;
    bytes_.append(static_cast<char>(c));
    ++p_;
    return true;
}

void Parser::text(const char* start, qsizetype size)
{
    if (skipping())
        return;
    if (top().dest == Dest::Pict) {
        pictureHex(start, size);
        return;
    }
    if (skipChars_ > 0) {
        const qsizetype n = std::min<qsizetype>(size, skipChars_);
        skipChars_ -= static_cast<int>(n);
        start += n;
        size -= n;
        if (size == 0)
            return;
    }
    top().starred = false;
    bytes_.append(start, size);
}

int Parser::codePageFor(const Group& g, SymbolFont* symbol) const
{
    const int font = g.dest == Dest::FontTable ? fontEntry_ : g.chars.font;
    int codePage = 0;
    *symbol = SymbolFont::None;
    auto it = fonts_.constFind(font);
    if (it != fonts_.constEnd()) {
        codePage = it->codePage;
        *symbol = it->symbol;
    }
    return codePage > 0 ? codePage : ansiCodePage_;
}

void Parser::flushBytes()
{
    if (bytes_.isEmpty())
        return;
    const Group& g = top();
    SymbolFont symbol;
    const int codePage = codePageFor(g, &symbol);
    decoded_.resize(0);
    // A field's instruction is plain words ("HYPERLINK"), whatever symbol font stands around it; the
    // writer keeps it as read, so a symbol reading would make it another field on the next reading.
    if (codePage == kCodePageSymbol && symbol != SymbolFont::None && g.dest != Dest::FieldInst) {
        for (char b : std::as_const(bytes_))
            decoded_.append(symbolToUnicode(symbol, static_cast<unsigned char>(b)));
    } else {
        decoder_.appendDecoded(codePage == kCodePageSymbol ? kCodePageWindows1252 : codePage,
                               bytes_.constData(), bytes_.size(), &decoded_);
    }
    bytes_.resize(0);
    // Word reads the bytes CR and LF in text (\'0d, \'0a) as paragraph marks.
    decodingBytes_ = true;
    emitText(decoded_);
    decodingBytes_ = false;
}

void Parser::emitChar(char16_t ch)
{
    emitText(QStringView(&ch, 1));
}

void Parser::finishFontName()
{
    if (fontEntry_ < 0)
        return;
    auto it = fonts_.find(fontEntry_);
    if (it == fonts_.end() || it->nameDone)
        return;
    it->name = it->name.trimmed();
    it->nameDone = true;
    it->symbol = symbolFontForName(it->name);
    if (!it->codePageStated) {
        if (const int codePage = codePageForFontName(it->name))
            it->codePage = codePage;
    }
}

void Parser::emitText(QStringView text)
{
    Group& g = top();
    switch (g.dest) {
    case Dest::Normal:
        emitBody(text);
        break;
    case Dest::FontTable: {
        if (fontEntry_ < 0)
            break;
        auto it = fonts_.find(fontEntry_);
        if (it == fonts_.end())
            break;
        for (QChar c : text) {
            if (c == QLatin1Char(';'))
                finishFontName();
            else if (!it->nameDone && it->name.size() < 256 && fitsInName(c))
                it->name.append(c);
        }
        break;
    }
    case Dest::ColorTable:
        for (QChar c : text) {
            if (c == QLatin1Char(';') && colors_.size() < kMaxTableEntries) {
                colors_.push_back(pendingColor_);
                pendingColor_ = {};
            }
        }
        break;
    case Dest::FieldInst:
        if (g.field >= 0) {
            QString& instruction = fields_[g.field].instruction;
            for (QChar c : text) {
                if (fitsInName(c))
                    instruction.append(c);
            }
        }
        break;
    case Dest::ListText:
        if (listLabel_.size() < 256)
            listLabel_.append(text);
        // The label is shown with its paragraph; a field around it is not kept whole as well.
        markFieldShown();
        break;
    case Dest::LevelText:
        if (!listDefs_.empty() && listDefs_.back().levelCount > 0) {
            QString& into = listDefs_.back().levels[listDefs_.back().levelCount - 1].text;
            for (QChar c : text) {
                if (levelTextLengthPending_) {
                    levelTextLengthPending_ = false; // the first character counts the others
                    continue;
                }
                // Below 9 a character stands for a level's number; other controls have no text form.
                if (c == QLatin1Char(';') || into.size() >= 64 || (c.unicode() > 9 && c.unicode() < 0x20))
                    continue;
                into.append(c);
            }
        }
        break;
    case Dest::PnTextAfter:
    case Dest::PnTextBefore: {
        QString& into = g.dest == Dest::PnTextAfter ? g.para.pnAfter : g.para.pnBefore;
        if (into.size() < 32)
            into.append(text);
        break;
    }
    case Dest::Skip:
    case Dest::Kept:
    case Dest::UprAnsi:
    case Dest::NestTableProps:
    case Dest::ListTable:
    case Dest::ListOverrideTable:
    case Dest::Pn:
    case Dest::Pict:
        break;
    }
}

void Parser::emitBody(QStringView text)
{
    if (top().chars.hidden) {
        // Hidden text is not shown: it rides on the next visible character, which says it again
        // when saved. Hidden text with nothing visible after it in its paragraph is dropped.
        for (QChar c : text) {
            if (hiddenText_.size() < 65536 && !isStructural(c.unicode()))
                hiddenText_.append(c);
        }
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isStructural(c))
            continue;
        appendRun(text.mid(from, i - from));
        from = i + 1;
        const bool lineEnd = decodingBytes_ && (c == u'\r' || c == u'\n');
        if (lineEnd && c == u'\n' && i > 0 && text[i - 1] == u'\r')
            continue; // CR LF is one break
        if (c == 0x2029 || lineEnd)
            endParagraph();
        else if (c >= 0xFDD0)
            appendRun(u"\uFFFD");
    }
    appendRun(text.mid(from));
}

void Parser::appendRun(QStringView text)
{
    if (text.isEmpty())
        return;
    flushKept();
    beginContent();
    placeListLabel();
    const CharAttrs attrs = effectiveAttrs(top().chars);
    if (!hiddenText_.isEmpty() && hiddenTexts_.size() < static_cast<qsizetype>(kMaxTableEntries)) {
        flushRun();
        CharAttrs carrier = attrs;
        carrier.hiddenBefore = static_cast<int>(hiddenTexts_.size());
        hiddenTexts_.append(std::exchange(hiddenText_, QString()));
        runAttrs_ = carrier;
        runText_.append(text.first(1));
        flushRun();
        text = text.sliced(1);
    }
    if (attrs != runAttrs_) {
        flushRun();
        runAttrs_ = attrs;
    }
    runText_.append(text);
}

void Parser::beginContent(std::size_t depth)
{
    bodyStarted_ = true;
    ++contentCount_;
    // Whatever a field's group puts into the document (text, a paragraph mark, a cell, a list
    // label) is shown: the field is not kept whole around it as well.
    markFieldShown();
    if (!atParagraphStart_)
        return;
    atParagraphStart_ = false;
    flushRun();
    std::size_t want = depth == kParagraphDepth ? tableDepth(top().para) : depth;
    want = std::min(want, kMaxTableDepth);
    while (tables_.size() > want)
        closeTable();
    if (!tables_.empty() && !tables_.back().cellOpen && tables_.size() <= want)
        nextCell();
    while (tables_.size() < want) {
        // A cell's empty first paragraph, left in front of a table nested in it, is not written
        // back; it keeps no formatting, or the next reading would give it the nested text's.
        if (!tables_.empty() && !paragraphPending_ && cursor_->block().length() == 1)
            setParagraphFormat(blockFormat(ParaAttrs{}));
        openTable();
    }
    if (paragraphPending_) {
        setParagraphFormat(pendingBlockFormat_);
        // Inserted text ends in the paragraph it was put into, so that paragraph's format goes
        // on; every paragraph the RTF closes gets its own format at its \par.
        cursor_->insertBlock(wholeDocument_ || !tables_.empty() ? blockFormat(top().para) : landingFormat_,
                             charFormat(top().chars));
        paragraphPending_ = false;
    }
}

void Parser::endParagraph()
{
    breakEndedParagraph_ = false;
    flushKept();
    hiddenText_.clear();
    beginContent();
    placeListLabel();
    flushRun();
    attachList();
    if (cursor_->block().length() == 1)
        cursor_->setBlockCharFormat(charFormat(top().chars));
    pendingBlockFormat_ = blockFormat(top().para);
    pardAfterMark_ = false;
    if (std::exchange(pageBreakNext_, false))
        pendingBlockFormat_.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    paragraphPending_ = true;
    atParagraphStart_ = true;
}

void Parser::openTable()
{
    if (paragraphPending_) {
        // The table follows the paragraph the \par closed.
        setParagraphFormat(pendingBlockFormat_);
        paragraphPending_ = false;
    }
    const RtfRowDef& def = tables_.empty() ? rowDef_ : nestRowDef_;
    const int columns = std::clamp(static_cast<int>(def.cells.size()), 1, kMaxColumns);
    LiveTable live;
    live.table = cursor_->insertTable(1, columns, initialTableFormat(def));
    live.cellOpen = true;
    setParagraphFormat(blockFormat(top().para));
    tables_.push_back(std::move(live));
}

void Parser::nextCell()
{
    LiveTable& t = tables_.back();
    if (t.rowDone) {
        ++t.row;
        t.rowDone = false;
        // Rows are added in batches: every addition makes Qt rebuild the table's grid, and removing
        // the rows a batch did not use is as slow, so batches stay small.
        if (t.row >= t.table->rows())
            t.table->appendRows(std::clamp(t.table->rows(), 1, 64));
    }
    int col = t.cellsInRow;
    if (col >= kMaxColumns) {
        // Past the widest row Word writes: the text runs on in the row's last cell.
        col = kMaxColumns - 1;
        --t.cellsInRow;
        *cursor_ = t.table->cellAt(t.row, col).lastCursorPosition();
        cursor_->insertBlock(blockFormat(top().para), charFormat(top().chars));
        t.cellOpen = true;
        return;
    }
    if (col >= t.table->columns())
        t.table->appendColumns(col + 1 - t.table->columns());
    *cursor_ = t.table->cellAt(t.row, col).firstCursorPosition();
    setParagraphFormat(blockFormat(top().para));
    t.cellOpen = true;
}

void Parser::cellEnd(std::size_t level)
{
    level = std::min(level, kMaxTableDepth);
    flushKept();
    // A \pard after the mark starts another paragraph, empty as it may be: it stays.
    const bool markClosesCell = atParagraphStart_ && paragraphPending_ && !pardAfterMark_ && tables_.size() == level
        && tables_.back().cellOpen;
    if (markClosesCell) {
        // "text\par\cell": the cell end stands for the paragraph mark before it.
        setParagraphFormat(pendingBlockFormat_);
        paragraphPending_ = false;
        atParagraphStart_ = false;
    } else {
        beginContent(level);
        placeListLabel();
        flushRun();
        attachList();
        if (cursor_->block().length() == 1)
            cursor_->setBlockCharFormat(charFormat(top().chars));
        setParagraphFormat(blockFormat(top().para));
    }
    while (tables_.size() > level)
        closeTable();
    if (tables_.size() < level)
        return;
    LiveTable& t = tables_.back();
    t.cellOpen = false;
    ++t.cellsInRow;
    atParagraphStart_ = true;
}

void Parser::rowEnd(std::size_t level)
{
    level = std::min(level, kMaxTableDepth);
    if (tables_.size() < level)
        return; // a row end with no cells before it
    if (tables_.size() > level || tables_.back().cellOpen)
        cellEnd(level); // the row's last cell had no cell mark of its own
    LiveTable& t = tables_[level - 1];
    if (t.rowDone || t.cellsInRow == 0)
        return;
    t.rows.push_back(RtfRowRecord{level == 1 ? rowDef_ : nestRowDef_, t.cellsInRow});
    t.rowDone = true;
    t.cellsInRow = 0;
    paragraphPending_ = false;
    atParagraphStart_ = true;
}

void Parser::closeTable()
{
    flushRun();
    if (paragraphPending_) {
        setParagraphFormat(pendingBlockFormat_);
        paragraphPending_ = false;
    }
    LiveTable t = std::move(tables_.back());
    tables_.pop_back();
    if (t.cellOpen || (!t.rowDone && t.cellsInRow > 0)) {
        const RtfRowDef& def = tables_.empty() ? rowDef_ : nestRowDef_;
        t.rows.push_back(RtfRowRecord{def, t.cellsInRow + (t.cellOpen ? 1 : 0)});
    }
    const int used = static_cast<int>(t.rows.size());
    if (used > 0 && t.table->rows() > used)
        t.table->removeRows(used, t.table->rows() - used);
    QTextTable* table = finishTable(t.table, t.rows);
    cursor_->setPosition(table->lastPosition() + 1);
}

void Parser::tableKeyword(Kw kw, int param, bool on)
{
    // A field kept whole puts back the rows its words changed; most fields have none.
    if (top().field >= 0 && !fields_[top().field].rows) {
        const auto before = std::make_shared<const std::pair<RtfRowDef, RtfRowDef>>(rowDef_, nestRowDef_);
        for (int f = top().field; f >= 0 && !fields_[f].rows; f = fields_[f].parent)
            fields_[f].rows = before;
    }
    RtfRowDef& def = top().dest == Dest::NestTableProps ? nestRowDef_ : rowDef_;
    auto color = [this](int index) {
        return index >= 0 && static_cast<std::size_t>(index) < colors_.size() && colors_[index].defined
            ? colors_[index].color
            : QColor();
    };
    RtfBorder* border = borderSide_ >= 0 ? &cellDef_.borders[borderSide_] : nullptr;
    switch (kw) {
    case Kw::Trowd:
        def = RtfRowDef{};
        cellDef_ = RtfCellDef{};
        borderSide_ = -1;
        break;
    case Kw::Trgaph:
        def.gap = std::clamp(param, 0, kMaxTwips);
        break;
    case Kw::Trleft:
        def.left = std::clamp(param, -kMaxTwips, kMaxTwips);
        break;
    case Kw::Trql:
        def.align = 0;
        break;
    case Kw::Trqc:
        def.align = 1;
        break;
    case Kw::Trqr:
        def.align = 2;
        break;
    case Kw::Trhdr:
        def.header = on;
        break;
    case Kw::Cellx:
        if (def.cells.size() < static_cast<std::size_t>(kMaxColumns) * 4) {
            cellDef_.right = std::clamp(param, -kMaxTwips, 4 * kMaxTwips);
            def.cells.push_back(cellDef_);
        }
        cellDef_ = RtfCellDef{};
        borderSide_ = -1;
        break;
    case Kw::ClBrdrT:
        borderSide_ = 0;
        break;
    case Kw::ClBrdrL:
        borderSide_ = 1;
        break;
    case Kw::ClBrdrB:
        borderSide_ = 2;
        break;
    case Kw::ClBrdrR:
        borderSide_ = 3;
        break;
    case Kw::OtherBorder:
        borderSide_ = -1; // paragraph and row borders are not kept
        break;
    case Kw::BrdrS:
    case Kw::BrdrDb:
    case Kw::BrdrDot:
    case Kw::BrdrDash:
        if (border) {
            border->style = kw == Kw::BrdrDb ? QTextFrameFormat::BorderStyle_Double
                : kw == Kw::BrdrDot           ? QTextFrameFormat::BorderStyle_Dotted
                : kw == Kw::BrdrDash          ? QTextFrameFormat::BorderStyle_Dashed
                                              : QTextFrameFormat::BorderStyle_Solid;
            if (border->width == 0)
                border->width = 15; // a border whose width is not said is Word's hairline
        }
        break;
    case Kw::BrdrNone:
        if (border)
            *border = RtfBorder{};
        break;
    case Kw::BrdrW:
        if (border && border->style != QTextFrameFormat::BorderStyle_None)
            border->width = std::clamp(param, 1, 255);
        break;
    case Kw::BrdrCf:
        if (border)
            border->color = color(param);
        break;
    case Kw::ClCbPat:
        cellDef_.background = color(param);
        break;
    case Kw::ClShdng:
        // Shading without a pattern colour darkens white by its percentage (in hundredths).
        if (!cellDef_.background.isValid() && param > 0) {
            const int level = 255 - std::clamp(param, 0, 10000) * 255 / 10000;
            cellDef_.background = QColor(level, level, level);
        }
        break;
    case Kw::ClVertAlT:
        cellDef_.valign = 0;
        break;
    case Kw::ClVertAlC:
        cellDef_.valign = 1;
        break;
    case Kw::ClVertAlB:
        cellDef_.valign = 2;
        break;
    case Kw::ClMgf:
        cellDef_.mergeFirst = on;
        break;
    case Kw::ClMrg:
        cellDef_.merged = on;
        break;
    case Kw::ClVmgf:
        cellDef_.vMergeFirst = on;
        break;
    case Kw::ClVmrg:
        cellDef_.vMerged = on;
        break;
    default:
        break;
    }
}

void Parser::listKeyword(Kw kw, int param, bool hasParam)
{
    Group& g = top();
    ListDef* list = listDefs_.empty() ? nullptr : &listDefs_.back();
    RtfListLevel* level = list && list->levelCount > 0 ? &list->levels[list->levelCount - 1] : nullptr;
    const bool inListTable = g.dest == Dest::ListTable || g.dest == Dest::LevelText;
    switch (kw) {
    case Kw::ListTable:
        if (nested())
            g.dest = Dest::ListTable;
        break;
    case Kw::ListOverrideTable:
        if (nested())
            g.dest = Dest::ListOverrideTable;
        break;
    case Kw::List:
        if (g.dest == Dest::ListTable && listDefs_.size() < kMaxTableEntries)
            listDefs_.emplace_back();
        break;
    case Kw::ListLevel:
        if (g.dest == Dest::ListTable && list) {
            if (list->levelCount < 9)
                list->levels[list->levelCount++].defined = true;
        }
        break;
    case Kw::LevelNfc:
        if (inListTable && level)
            level->nfc = param;
        break;
    case Kw::LevelStartAt:
        if (inListTable && level)
            level->start = std::clamp(param, 0, 32767);
        break;
    case Kw::LevelText:
        g.dest = g.dest == Dest::ListTable && level ? Dest::LevelText : Dest::Skip;
        levelTextLengthPending_ = true;
        break;
    case Kw::ListId:
        if (g.dest == Dest::ListTable && list)
            list->id = param;
        else if (g.dest == Dest::ListOverrideTable)
            overrideListId_ = param;
        break;
    case Kw::ListOverride:
        overrideListId_ = 0;
        break;
    case Kw::Ls:
        if (g.dest == Dest::ListOverrideTable) {
            if (listOverrides_.size() < static_cast<qsizetype>(kMaxTableEntries))
                listOverrides_.insert(param, overrideListId_);
        } else if (g.dest == Dest::Normal) {
            g.para.ls = param;
        }
        break;
    case Kw::Ilvl:
        g.para.ilvl = std::clamp(param, 0, 8);
        break;
    case Kw::ListText:
        // A label inside a field's instruction is part of the instruction, kept with it.
        if (g.dest == Dest::FieldInst) {
            g.dest = Dest::Skip;
        } else if (nested()) {
            g.dest = Dest::ListText;
            listLabel_.clear();
            listLabelAttrs_ = g.chars;
        }
        break;
    case Kw::Pn:
        // In a field's own group it would number the paragraph around the field from inside it.
        if (nested() && !(g.field >= 0 && fields_[g.field].start == g.start)) {
            g.dest = Dest::Pn;
            g.para.pnNfc = NfcDecimal;
            g.para.pnLevel = 0;
            g.para.pnStart = 1;
            g.para.pnBefore.clear();
            g.para.pnAfter.clear();
        }
        break;
    case Kw::PnLvlBlt:
        g.para.pnNfc = NfcBullet;
        g.para.pnLevel = 0;
        break;
    case Kw::PnLvlBody:
        g.para.pnLevel = 0;
        break;
    case Kw::PnLvl:
        g.para.pnLevel = std::clamp(param, 1, 9) - 1;
        break;
    case Kw::PnDec:
        g.para.pnNfc = NfcDecimal;
        break;
    case Kw::PnLcLtr:
        g.para.pnNfc = NfcLowerLetter;
        break;
    case Kw::PnUcLtr:
        g.para.pnNfc = NfcUpperLetter;
        break;
    case Kw::PnLcRm:
        g.para.pnNfc = NfcLowerRoman;
        break;
    case Kw::PnUcRm:
        g.para.pnNfc = NfcUpperRoman;
        break;
    case Kw::PnStart:
        g.para.pnStart = hasParam ? std::clamp(param, 0, 32767) : 1;
        break;
    case Kw::PnTxtA:
        if (g.dest == Dest::Pn)
            g.dest = Dest::PnTextAfter;
        break;
    case Kw::PnTxtB:
        if (g.dest == Dest::Pn)
            g.dest = Dest::PnTextBefore;
        break;
    default:
        break;
    }
}

// The list level a paragraph's \ls/\ilvl or \pn numbering stands for, and the key its items
// share; false where the paragraph is not in a list the reader understands.
bool Parser::resolveList(const ParaAttrs& para, RtfListLevel* level, int* nesting, int* key) const
{
    if (para.ls > 0) {
        auto ov = listOverrides_.constFind(para.ls);
        if (ov == listOverrides_.constEnd())
            return false;
        for (const ListDef& def : listDefs_) {
            if (def.id != *ov)
                continue;
            const int n = std::clamp(para.ilvl, 0, 8);
            if (!def.levels[n].defined)
                return false;
            *level = def.levels[n];
            *nesting = n;
            *key = para.ls;
            QTextListFormat unused;
            return listFormatForLevel(*level, n, &unused);
        }
        return false;
    }
    if (para.pnNfc < 0)
        return false;
    level->nfc = para.pnNfc;
    level->start = para.pnStart;
    level->defined = true;
    if (para.pnNfc == NfcBullet)
        level->text = para.pnBefore.isEmpty() ? QString(QChar(0x2022)) : para.pnBefore;
    else
        level->text = para.pnBefore + QChar(static_cast<char16_t>(para.pnLevel)) + para.pnAfter;
    *nesting = para.pnLevel;
    *key = -1 - para.pnNfc;
    return true;
}

void Parser::attachList()
{
    RtfListLevel level;
    int nesting = 0;
    int key = 0;
    if (!resolveList(top().para, &level, &nesting, &key))
        return;
    QTextListFormat format;
    if (!listFormatForLevel(level, nesting, &format))
        return;
    // A new item ends the sub-lists below it: their next items number from the start again.
    for (int deeper = nesting + 1; deeper < 9; ++deeper)
        lists_.remove(static_cast<qint64>(key) * 16 + deeper);
    QPointer<QTextList>& list = lists_[static_cast<qint64>(key) * 16 + nesting];
    const QTextBlock block = cursor_->block();
    if (block.textList())
        return;
    if (list && list->document() == cursor_->document())
        list->add(block);
    else
        list = cursor_->createList(format);
}

// Qt's setBlockFormat takes a block out of its list; the list stays, and gives the item its indent
// whatever the words in force say.
void Parser::setParagraphFormat(QTextBlockFormat format)
{
    if (const QTextList* list = cursor_->block().textList()) {
        format.setObjectIndex(list->objectIndex());
        format.clearProperty(QTextFormat::BlockLeftMargin);
        format.clearProperty(QTextFormat::TextIndent);
    }
    cursor_->setBlockFormat(format);
}

// The fallback label goes only where the paragraph's list is not understood.
void Parser::placeListLabel()
{
    if (listLabel_.isEmpty())
        return;
    const QString label = std::exchange(listLabel_, QString());
    RtfListLevel level;
    int nesting = 0;
    int key = 0;
    if (resolveList(top().para, &level, &nesting, &key))
        return;
    if (listLabelAttrs_ != runAttrs_) {
        flushRun();
        runAttrs_ = listLabelAttrs_;
    }
    // The label is text like any other: characters with a structural meaning stay out.
    for (QChar c : label) {
        if (!isStructural(c.unicode()))
            runText_.append(c);
    }
}

void Parser::pictureKeyword(Kw kw, int param)
{
    Picture& p = picture_;
    switch (kw) {
    case Kw::PictKind: {
        const QByteArray word(pictureKindWord_ ? pictureKindWord_ : "");
        if (word == "png")
            p.kind = PictureKind::Png;
        else if (word == "jpeg")
            p.kind = PictureKind::Jpeg;
        else if (word == "emf")
            p.kind = PictureKind::Emf;
        else if (word == "mac")
            p.kind = PictureKind::Macpict;
        else if (word == "pm")
            p.kind = PictureKind::PmMetafile;
        else if (word == "dib")
            p.kind = PictureKind::Dib;
        else if (word == "wbitmap")
            p.kind = PictureKind::Wbitmap;
        else
            p.kind = PictureKind::Wmf;
        if (p.kind == PictureKind::Wmf || p.kind == PictureKind::PmMetafile)
            p.metafileMode = param;
        break;
    }
    case Kw::PicW: p.sourceWidth = std::clamp(param, 0, 1 << 20); break;
    case Kw::PicH: p.sourceHeight = std::clamp(param, 0, 1 << 20); break;
    case Kw::PicWGoal: p.goalWidth = std::clamp(param, 0, 1 << 20); break;
    case Kw::PicHGoal: p.goalHeight = std::clamp(param, 0, 1 << 20); break;
    case Kw::PicScaleX: p.scaleX = std::clamp(param, 1, 10000); break;
    case Kw::PicScaleY: p.scaleY = std::clamp(param, 1, 10000); break;
    case Kw::WbmBitsPixel: p.bitsPerPixel = std::clamp(param, 1, 32); break;
    case Kw::WbmWidthBytes: p.widthBytes = std::clamp(param, 0, 1 << 20); break;
    default: break;
    }
}

void Parser::pictureHex(const char* start, qsizetype size)
{
    Picture& p = picture_;
    if (p.tooLarge)
        return;
    if (p.data.capacity() < p.data.size() + size / 2 + 1)
        p.data.reserve(std::min<qsizetype>(kMaxPictureBytes, std::max<qsizetype>(p.data.size() * 2, size / 2 + 64)));
    for (qsizetype i = 0; i < size; ++i) {
        const int h = hexValue(static_cast<unsigned char>(start[i]));
        if (h < 0)
            continue; // line breaks and blanks between the digits
        if (pictureNibble_ < 0) {
            pictureNibble_ = h;
            continue;
        }
        if (p.data.size() >= kMaxPictureBytes) {
            p.tooLarge = true;
            p.data = QByteArray();
            return;
        }
        p.data.append(static_cast<char>(pictureNibble_ * 16 + h));
        pictureNibble_ = -1;
    }
}

void Parser::pictureBinary(int count)
{
    const qsizetype n = std::clamp<qsizetype>(count, 0, end_ - p_);
    Picture& p = picture_;
    if (!p.tooLarge && p.data.size() + n <= kMaxPictureBytes) {
        p.data.append(p_, n);
    } else {
        p.tooLarge = true;
        p.data = QByteArray();
    }
    p_ += n;
}

void Parser::endPicture()
{
    Picture p = std::move(picture_);
    picture_ = Picture{};
    if (top().dest != Dest::Normal || p.data.isEmpty() || p.tooLarge)
        return;
    flushKept();
    beginContent();
    placeListLabel();
    flushRun();
    pictureShown_ = insertPicture(cursor_, p, charFormat(top().chars));
}

void Parser::finish()
{
    if (finished_)
        return;
    finished_ = true;
    flushBytes();
    flushKept();
    flushRun();
    while (!tables_.empty())
        closeTable();
    commitSection();
    finishKept();
    if (!wholeDocument_)
        return;
    // The last paragraph mark of a document is the document's end, not an empty paragraph.
    if (paragraphPending_) {
        setParagraphFormat(pendingBlockFormat_);
    } else {
        if (cursor_->block().length() > 1)
            attachList();
        if (cursor_->block().length() == 1)
            cursor_->setBlockCharFormat(charFormat(top().chars));
        setParagraphFormat(blockFormat(top().para));
    }
}

void Parser::flushRun()
{
    if (runText_.isEmpty())
        return;
    cursor_->insertText(runText_, charFormat(runAttrs_));
    runText_.resize(0);
}

QTextCharFormat Parser::charFormat(const CharAttrs& attrs)
{
    auto cached = formats_.constFind(attrs);
    if (cached != formats_.constEnd())
        return *cached;
    QTextCharFormat f;
    auto font = fonts_.constFind(attrs.font);
    // Text from Symbol and Wingdings is turned into Unicode on the way in, so it must not be
    // shown in the symbol font again (nor be saved as if in it): the body font takes over.
    const bool symbolMapped = font != fonts_.constEnd() && font->symbol != SymbolFont::None
        && font->codePage == kCodePageSymbol;
    if (symbolMapped)
        font = fonts_.constFind(defaultFont_);
    if (font != fonts_.constEnd() && font->codePage != kCodePageSymbol) {
        // A font table left open has names that never met their ';'.
        const QString name = font->nameDone ? font->name : font->name.trimmed();
        if (!name.isEmpty())
            f.setFontFamilies({name});
    }
    if (attrs.halfPoints > 0)
        f.setFontPointSize(attrs.halfPoints / 2.0);
    if (attrs.bold)
        f.setFontWeight(QFont::Bold);
    if (attrs.italic)
        f.setFontItalic(true);
    if (attrs.underline)
        f.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(attrs.underline));
    if (attrs.strike)
        f.setFontStrikeOut(true);
    if (attrs.valign)
        f.setVerticalAlignment(static_cast<QTextCharFormat::VerticalAlignment>(attrs.valign));
    if (attrs.caps)
        f.setFontCapitalization(attrs.caps == 1 ? QFont::AllUppercase : QFont::SmallCaps);
    if (attrs.hiddenBefore >= 0 && attrs.hiddenBefore < hiddenTexts_.size())
        f.setProperty(CharHiddenBefore, hiddenTexts_.at(attrs.hiddenBefore));
    if (attrs.underlineKind && attrs.underline)
        f.setProperty(CharUnderlineKind, static_cast<int>(attrs.underlineKind));
    if (attrs.letterSpacing) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(attrs.letterSpacing / twipsPerPixel());
    }
    if (attrs.fg >= 0 && static_cast<std::size_t>(attrs.fg) < colors_.size() && colors_[attrs.fg].defined)
        f.setForeground(colors_[attrs.fg].color);
    if (attrs.bg >= 0 && static_cast<std::size_t>(attrs.bg) < colors_.size() && colors_[attrs.bg].defined)
        f.setBackground(colors_[attrs.bg].color);
    if (attrs.href >= 0) {
        f.setAnchor(true);
        const LinkCode& link = hrefs_.at(attrs.href);
        f.setAnchorHref(link.target);
        if (!link.switches.isEmpty())
            f.setProperty(CharLinkSwitches, link.switches);
        if (!link.toolTip.isEmpty())
            f.setToolTip(link.toolTip);
    }
    if (attrs.fieldChain >= 0)
        f.setProperty(FieldChain, fieldChains_[attrs.fieldChain]);
    formats_.insert(attrs, f);
    return f;
}

QTextBlockFormat Parser::blockFormat(const ParaAttrs& para) const
{
    QTextBlockFormat f;
    switch (para.align) {
    case 1: f.setAlignment(Qt::AlignHCenter); break;
    case 2: f.setAlignment(Qt::AlignRight); break;
    case 3: f.setAlignment(Qt::AlignJustify); break;
    default: break;
    }
    // A list item's indent comes from its list's level.
    RtfListLevel level;
    int nesting = 0;
    int key = 0;
    const bool listItem = (para.ls > 0 || para.pnNfc >= 0) && resolveList(para, &level, &nesting, &key);
    if (para.li && !listItem)
        f.setLeftMargin(para.li / twipsPerPixel());
    if (para.ri)
        f.setRightMargin(para.ri / twipsPerPixel());
    if (para.fi && !listItem)
        f.setTextIndent(para.fi / twipsPerPixel());
    if (para.sb)
        f.setTopMargin(para.sb / twipsPerPixel());
    if (para.sa)
        f.setBottomMargin(para.sa / twipsPerPixel());
    if (para.lineSpacing > 0 && para.lineMultiple)
        f.setLineHeight(para.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (para.lineSpacing > 0)
        f.setLineHeight(para.lineSpacing / twipsPerPixel(), QTextBlockFormat::MinimumHeight);
    else if (para.lineSpacing < 0)
        f.setLineHeight(-para.lineSpacing / twipsPerPixel(), QTextBlockFormat::FixedHeight);
    if (para.keep)
        f.setNonBreakableLines(true);
    if (para.keepNext)
        f.setProperty(ParaKeepWithNext, true);
    if (para.pageBreakBefore)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (para.rtl)
        f.setLayoutDirection(Qt::RightToLeft);
    if (!para.tabs.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        QStringList leaders;
        for (const TabStop& t : para.tabs) {
            static const QTextOption::TabType types[] = {QTextOption::LeftTab, QTextOption::RightTab,
                                                         QTextOption::CenterTab, QTextOption::DelimiterTab};
            tabs.append(QTextOption::Tab(t.position / twipsPerPixel(), types[t.kind],
                                         t.kind == 3 ? QChar(u'.') : QChar()));
            if (t.leader)
                leaders << QStringLiteral("%1:%2").arg(t.position).arg(t.leader);
        }
        f.setTabPositions(tabs);
        if (!leaders.isEmpty())
            f.setProperty(ParaTabLeaders, leaders.join(QLatin1Char(' ')));
    }
    return f;
}

// A destination the document cannot show is kept where it stands, unless it sits in something
// kept or rebuilt as a whole (tables, pictures, field instructions) or repeats what the writer
// produces anew.
Dest Parser::keptOrSkipped(const Group& g) const
{
    if (g.dest != Dest::Normal || isRebuiltDestination(wordName_))
        return Dest::Skip;
    if (keptText_) {
        static const char* const text[] = {"footnote", "annotation", "header", "headerl", "headerr", "headerf",
                                           "footer", "footerl", "footerr", "footerf", "shp", "shpinst",
                                           "shpgrp", "shptxt", "do", "dptxbx", "dptxbxtext"};
        for (const char* t : text) {
            if (std::strcmp(t, wordName_) == 0)
                return Dest::Normal;
        }
        return Dest::Skip;
    }
    return Dest::Kept;
}

void Parser::unknownWord()
{
    if (keptText_ || !wordStart_ || wordStart_ >= p_)
        return;
    const Group& g = top();
    if (g.dest != Dest::Normal)
        return;
    if (isKeptMarkWord(wordName_)) {
        keepInline(wordStart_, p_, p_[-1] != ' ');
    } else if (stack_.size() == 2 && !bodyStarted_ && wholeDocument_ && isDocumentWord(wordName_)
               && prelude_.size() < (1 << 24)) {
        prelude_.append(wordStart_, p_ - wordStart_);
    } else if (isSectionWord(wordName_)) {
        // A section's words belong to the section wherever they stand in it. Only words and
        // groups follow one there, so it needs no delimiter of its own.
        keepWithSection(QByteArrayView(wordStart_, p_ - wordStart_));
    }
}

void Parser::keepGroup(const char* start, const char* keptFrom)
{
    if (!start || start >= p_)
        return;
    // Text before a destination word in its group ("{text\\*\\dest ...}") was shown already.
    const bool late = keptFrom && keptFrom > start + 1 && keptFrom < p_;
    const QByteArray raw = late ? '{' + QByteArray(keptFrom, p_ - keptFrom) : QByteArray(start, p_ - start);
    const QByteArray name = destinationOf(raw);
    if (name == "atrfstart" || name == "atrfend") {
        // A comment's range: the text between the two marks is marked when the reading ends.
        QByteArray id = raw.mid(raw.indexOf(name) + name.size());
        id.chop(1);
        const QString key = QString::fromLatin1(id.trimmed());
        if (commentRanges_.size() >= static_cast<qsizetype>(kMaxTableEntries) && !commentRanges_.contains(key))
            return;
        flushKept();
        if (name == "atrfstart") {
            beginContent();
            flushRun();
            commentRanges_[key].start = cursor_->position();
        } else {
            flushRun();
            commentRanges_[key].end = cursor_->position();
        }
        return;
    }
    if (sectionObject_ >= 0 && top().dest == Dest::Normal && top().field < 0 &&
        (name.startsWith("header") || name.startsWith("footer") || name == "pnseclvl")) {
        // A later section's own headers and footers go with its break, in a group of the text
        // or not.
        keepWithSection(raw);
        return;
    }
    if (isDocumentDestination(name) || (stack_.size() == 2 && !bodyStarted_)) {
        // Document-level groups, wherever they stand (the writer puts them in the document's
        // head, where the next reading finds them); in pasted RTF they would only repeat the
        // target's own.
        if (wholeDocument_ && prelude_.size() < (1 << 24))
            prelude_.append(raw);
        return;
    }
    if (late)
        keepInline(keptFrom, p_, false, true);
    else
        keepInline(start, p_);
}

void Parser::keepInline(const char* from, const char* to, bool space, bool brace, const QString& caption, bool hidden)
{
    // What a field kept whole already holds is not kept twice.
    while (!pendingKept_.empty() && pendingKept_.back().from >= from)
        pendingKept_.pop_back();
    // A note's mark and the note, a comment's author and text, come as neighbours: one object.
    // Other neighbours stay objects of their own, as the writer puts them back side by side.
    const QByteArray name = destinationOf(QByteArray::fromRawData(from, std::min<qsizetype>(to - from, 64)));
    if (!pendingKept_.empty() && pendingKept_.back().to <= from) {
        const QByteArray& last = pendingKept_.back().name;
        const bool joins = (name == "footnote" && last == "chftn")
            || ((name == "atnauthor" || name == "chatn" || name == "annotation" || name == "atndate")
                && (last == "atnid" || last == "atnauthor" || last == "chatn" || last == "atndate"));
        if (!joins)
            flushKept();
    }
    if (pendingKept_.empty())
        pendingKeptAttrs_ = top().chars;
    pendingKept_.push_back(KeptPiece{from, to, space, brace, hidden, name, caption});
}

void Parser::flushKept()
{
    if (pendingKept_.empty())
        return;
    QByteArray raw;
    QString shown;
    for (const KeptPiece& piece : pendingKept_) {
        shown += piece.caption;
        if (piece.hidden)
            raw.append("{\\v ");
        if (piece.brace)
            raw.append('{');
        raw.append(piece.from, piece.to - piece.from);
        if (piece.space)
            raw.append(' ');
        if (piece.hidden)
            raw.append('}');
    }
    pendingKept_.clear();
    CharAttrs attrs = effectiveAttrs(pendingKeptAttrs_);
    if (!hiddenText_.isEmpty() && hiddenTexts_.size() < static_cast<qsizetype>(kMaxTableEntries)) {
        // Hidden text before the object is written back in front of it.
        attrs.hiddenBefore = static_cast<int>(hiddenTexts_.size());
        hiddenTexts_.append(std::exchange(hiddenText_, QString()));
    }
    beginContent();
    placeListLabel();
    flushRun();
    const KeptScan scan = scanKept(raw);
    QTextCharFormat f = charFormat(attrs);
    f.setObjectType(kKeptObjectType);
    f.setProperty(KeptData, keptTables_.keep(raw).encode());
    f.setProperty(KeptKindProperty, static_cast<int>(scan.kind));
    if (scan.autoNumber)
        f.setProperty(KeptAutoNumber, true);
    // Captions come from reading the piece's text on its own; inside such a reading (a field
    // holding a note, say) that would read the same piece again, without end.
    switch (keptText_ && scan.kind != KeptKind::Field ? KeptKind::Other : scan.kind) {
    case KeptKind::Footnote:
    case KeptKind::Endnote:
    case KeptKind::TextBox: {
        const QString caption = readKeptText(keptTables_.tables(), raw);
        f.setProperty(KeptCaption, caption);
        f.setToolTip(caption);
        break;
    }
    case KeptKind::Comment: {
        // "Author: text", with the initials where the comment names no author.
        const QString caption = readKeptText(keptTables_.tables(), raw);
        QString who = readKeptText(keptTables_.tables(), '{' + scan.commentAuthor + '}');
        if (who.isEmpty())
            who = readKeptText(keptTables_.tables(), '{' + scan.commentInitials + '}');
        const QString tip = who.isEmpty() ? caption : who + QStringLiteral(": ") + caption;
        f.setProperty(KeptCaption, caption);
        f.setToolTip(tip);
        if (!scan.commentRef.isEmpty())
            commentTexts_.insert(QString::fromLatin1(scan.commentRef), tip);
        break;
    }
    case KeptKind::Field:
        if (!shown.isEmpty())
            f.setProperty(KeptCaption, shown);
        break;
    default:
        break;
    }
    cursor_->insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++keptObjects_;
}

void Parser::markFieldShown()
{
    for (int f = top().field; f >= 0 && !fields_[f].shown; f = fields_[f].parent)
        fields_[f].shown = true;
}

// A field that showed nothing (no result, an empty or hidden one) is kept whole.
void Parser::endField(const Group& closing)
{
    const Field& f = fields_[closing.field];
    // Kept pieces still waiting in the result are what it shows: they go in now, inside the field,
    // or the field would be kept whole around them on one reading and not on the next.
    if (!keptText_ && !f.shown && f.start && !pendingKept_.empty() && pendingKept_.back().from > f.start
        && stack_[stack_.size() - 2].dest == Dest::Normal)
        flushKept();
    if (f.shown || !f.start || stack_[stack_.size() - 2].dest != Dest::Normal)
        return;
    // An equation without a result shows its base text (a ruby's base, say), drawn by the
    // object so that it is not written as text of its own.
    const QString shows = equationText(f.instruction);
    // A hidden field's text is in the field kept whole, not hidden text before the next character.
    const bool hidden = stack_[stack_.size() - 2].chars.hidden;
    if (hidden && hiddenText_.size() > f.hiddenAt)
        hiddenText_.truncate(f.hiddenAt);
    // The row words inside it do not define the rows around it.
    if (f.rows) {
        rowDef_ = f.rows->first;
        nestRowDef_ = f.rows->second;
    }
    if (f.keptFrom)
        keepInline(f.keptFrom, p_, false, true, shows, hidden);
    else
        keepInline(f.start, p_, false, false, shows, hidden);
    // A result word straight in the field's group ("{\\field{\\*\\fldinst X}\\fldrslt}") gave the group
    // the field's own chain; the field kept whole carries that chain already.
    if (f.chain >= 0 && pendingKeptAttrs_.fieldChain == f.chain)
        pendingKeptAttrs_.fieldChain = stack_[stack_.size() - 2].chars.fieldChain;
}

// A section break ends the paragraph it stands in (or, right after a paragraph mark, the
// paragraph that mark closed: LibreOffice writes "\par\sect"). It becomes an object character
// at that paragraph's end holding \sect and the words and furniture of the section it opens.
void Parser::sectionBreak()
{
    commitSection();
    flushKept();
    hiddenText_.clear();
    const bool closed = paragraphPending_ && atParagraphStart_ && !breakEndedParagraph_ && cursor_->position() > 0;
    if (!closed) {
        beginContent();
        placeListLabel();
        flushRun();
    }
    // The break looks like the end of the text it follows, whatever the words around it say; the
    // writer puts none of its own before it. After a kept object that is the object's look.
    QTextCharFormat f = cursor_->charFormat();
    if ((f.objectType() != 0 && f.objectType() != kKeptObjectType) || f.isImageFormat() || cursor_->atBlockStart())
        f = charFormat(effectiveAttrs(top().chars));
    for (int property : {int(FieldChain), int(CommentRange), int(CommentMarked), int(QTextFormat::AnchorHref),
                         int(QTextFormat::IsAnchor), int(QTextFormat::AnchorName), int(QTextFormat::TextToolTip),
                         int(CharHiddenBefore)})
        f.clearProperty(property);
    f = withoutKept(f);
    f.setObjectType(kKeptObjectType);
    f.setProperty(KeptKindProperty, static_cast<int>(KeptKind::Section));
    f.setToolTip(QStringLiteral("Section break"));
    f.setProperty(KeptData, KeptRtf{QByteArrayLiteral("\\sect"), {}, {}, 0}.encode());
    ++contentCount_; // the break is content of its group, before any field word after it
    sectionObject_ = cursor_->position();
    cursor_->insertText(QString(QChar::ObjectReplacementCharacter), f);
    ++keptObjects_;
    sectionRtf_ = QByteArrayLiteral("\\sect");
    if (!closed)
        endParagraph();
    breakEndedParagraph_ = true;
}

void Parser::keepWithSection(QByteArrayView rtf)
{
    if (sectionObject_ >= 0) {
        if (sectionRtf_.size() < (1 << 24))
            sectionRtf_.append(rtf);
    } else if (wholeDocument_ && prelude_.size() < (1 << 24)) {
        prelude_.append(rtf); // the first section's are the document's
    }
}

void Parser::commitSection()
{
    if (sectionObject_ < 0 || sectionRtf_ == "\\sect")
        return;
    QTextCursor object(cursor_->document());
    object.setPosition(sectionObject_);
    object.setPosition(sectionObject_ + 1, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setProperty(KeptData, keptTables_.keep(sectionRtf_).encode());
    object.mergeCharFormat(f);
    sectionRtf_ = QByteArrayLiteral("\\sect");
}

void Parser::finishKept()
{
    QTextDocument* document = cursor_->document();
    for (auto it = commentRanges_.constBegin(); it != commentRanges_.constEnd(); ++it) {
        const CommentMark& mark = it.value();
        if (mark.start < 0 || mark.end <= mark.start)
            continue;
        const QString tip = commentTexts_.value(it.key());
        QTextCharFormat common;
        common.setProperty(CommentRange, it.key());
        if (!tip.isEmpty())
            common.setToolTip(tip);
        QTextCursor range(document);
        range.setPosition(mark.start);
        range.setPosition(std::min(mark.end, document->characterCount() - 1), QTextCursor::KeepAnchor);
        range.mergeCharFormat(common);
        // Text with a background of its own keeps it; the rest is marked lightly.
        std::vector<std::pair<int, int>> unmarked;
        for (QTextBlock b = document->findBlock(mark.start); b.isValid() && b.position() < mark.end; b = b.next()) {
            for (auto f = b.begin(); !f.atEnd(); ++f) {
                const QTextFragment fragment = f.fragment();
                const int from = std::max(fragment.position(), mark.start);
                const int to = std::min(fragment.position() + fragment.length(), mark.end);
                if (from < to && !fragment.charFormat().hasProperty(QTextFormat::BackgroundBrush))
                    unmarked.emplace_back(from, to);
            }
        }
        QTextCharFormat marked;
        marked.setBackground(QColor(0xff, 0xf4, 0xb0));
        marked.setProperty(CommentMarked, true);
        for (const auto& [from, to] : unmarked) {
            range.setPosition(from);
            range.setPosition(to, QTextCursor::KeepAnchor);
            range.mergeCharFormat(marked);
        }
    }
    if (wholeDocument_)
        setDocumentPrelude(document, prelude_.isEmpty() ? KeptRtf() : keptTables_.keep(prelude_));
}

bool rejectNonRtf(QString* error)
{
    if (error)
        *error = QStringLiteral("The data is not rich text (it does not start with {\\rtf).");
    return false;
}

} // namespace

bool looksLikeRtf(const QByteArray& data)
{
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() && (data.at(i) == ' ' || data.at(i) == '\t' || data.at(i) == '\r' || data.at(i) == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf");
}

bool RtfReader::readDocument(const QByteArray& data, QTextDocument* document, QString* error)
{
    if (!looksLikeRtf(data))
        return rejectNonRtf(error);
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    {
        QTextCursor cursor(document);
        cursor.beginEditBlock();
        Parser parser(data, &cursor, true);
        parser.run();
        cursor.endEditBlock();
        // Only then: making the layout this early lays out the whole document at once.
        if (parser.keptObjects())
            registerKeptObjects(document);
    }
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
    return true;
}

bool RtfReader::insert(const QByteArray& data, QTextCursor* cursor, QString* error)
{
    if (!looksLikeRtf(data))
        return rejectNonRtf(error);
    cursor->beginEditBlock();
    cursor->removeSelectedText();
    Parser parser(data, cursor, false);
    parser.run();
    if (parser.keptObjects())
        registerKeptObjects(cursor->document());
    cursor->endEditBlock();
    return true;
}

void readKeptDocument(const QByteArray& tables, const QByteArray& group, QTextDocument* document)
{
    document->clear();
    QTextCursor cursor(document);
    Parser(QByteArrayLiteral("{\\rtf1 ") + tables + group + '}', &cursor, true, true).run();
    registerKeptObjects(document);
}

QString readKeptText(const QByteArray& tables, const QByteArray& group)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    Parser(QByteArrayLiteral("{\\rtf1 ") + tables + group + '}', &cursor, true, true).run();
    // Objects inside show nothing as text, except what a field kept whole shows.
    QString text;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b != document.begin())
            text += QLatin1Char('\n');
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.objectType() == kKeptObjectType)
                text += f.stringProperty(KeptCaption).repeated(it.fragment().length());
            else
                text += it.fragment().text().remove(QChar::ObjectReplacementCharacter);
        }
    }
    text = text.trimmed();
    if (text.size() > 2000)
        text = text.left(2000) + QChar(0x2026);
    return text;
}

} // namespace tarnwick::platform::rtf
