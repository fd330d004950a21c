#include "platform/rtf/CodePages.h"

#include <array>

namespace tarnwick::platform::rtf {

namespace {

// 0x80..0x9F of cp1252. The five holes keep their C1 code points, as Windows' own conversion
// does, so that such bytes survive a read and write.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Symbol font bytes whose glyph is not the ASCII/Latin-1 character of the same number.
struct SymbolEntry {
    unsigned char byte;
    char16_t unicode;
};
constexpr SymbolEntry kSymbolMap[] = {
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
    {0x40, 0x2245}, {0x41, 0x0391}, {0x42, 0x0392}, {0x43, 0x03A7}, {0x44, 0x0394},
    {0x45, 0x0395}, {0x46, 0x03A6}, {0x47, 0x0393}, {0x48, 0x0397}, {0x49, 0x0399},
    {0x4A, 0x03D1}, {0x4B, 0x039A}, {0x4C, 0x039B}, {0x4D, 0x039C}, {0x4E, 0x039D},
    {0x4F, 0x039F}, {0x50, 0x03A0}, {0x51, 0x0398}, {0x52, 0x03A1}, {0x53, 0x03A3},
    {0x54, 0x03A4}, {0x55, 0x03A5}, {0x56, 0x03C2}, {0x57, 0x03A9}, {0x58, 0x039E},
    {0x59, 0x03A8}, {0x5A, 0x0396}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x61, 0x03B1},
    {0x62, 0x03B2}, {0x63, 0x03C7}, {0x64, 0x03B4}, {0x65, 0x03B5}, {0x66, 0x03C6},
    {0x67, 0x03B3}, {0x68, 0x03B7}, {0x69, 0x03B9}, {0x6A, 0x03D5}, {0x6B, 0x03BA},
    {0x6C, 0x03BB}, {0x6D, 0x03BC}, {0x6E, 0x03BD}, {0x6F, 0x03BF}, {0x70, 0x03C0},
    {0x71, 0x03B8}, {0x72, 0x03C1}, {0x73, 0x03C3}, {0x74, 0x03C4}, {0x75, 0x03C5},
    {0x76, 0x03D6}, {0x77, 0x03C9}, {0x78, 0x03BE}, {0x79, 0x03C8}, {0x7A, 0x03B6},
    {0x7E, 0x223C}, {0xA3, 0x2264}, {0xA5, 0x221E}, {0xA7, 0x2663}, {0xA8, 0x2666},
    {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191},
    {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB3, 0x2265},
    {0xB4, 0x00D7}, {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7},
    {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC5, 0x2295},
    {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xD0, 0x2220}, {0xD1, 0x2207},
    {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227},
    {0xDA, 0x2228}, {0xE0, 0x25CA}, {0xE5, 0x2211}, {0xF2, 0x222B},
};

// Only the Wingdings glyphs that word processors use as list bullets; the rest of the font
// has no sensible Unicode counterpart worth carrying.
constexpr SymbolEntry kWingdingsMap[] = {
    {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751}, {0x75, 0x25C6},
    {0x76, 0x2756}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2}, {0xFC, 0x2714},
};

template <std::size_t N>
char16_t lookup(const SymbolEntry (&table)[N], unsigned char byte)
{
    for (const SymbolEntry& e : table) {
        if (e.byte == byte)
            return e.unicode;
    }
    return 0;
}

QList<QByteArray> converterNames(int codePage)
{
    switch (codePage) {
    case 932: return {"windows-31j", "Shift_JIS"};
    case 936: return {"GBK", "windows-936", "GB2312"};
    case 949: return {"windows-949", "EUC-KR"};
    case 950: return {"Big5", "windows-950"};
    case 1361: return {"Johab", "ibm-1363"};
    case 10000: return {"macintosh", "x-mac-roman"};
    case 10007: return {"x-mac-cyrillic", "macos-7_3-10.2"};
    case 20866: return {"KOI8-R"};
    case 21866: return {"KOI8-U"};
    case 54936: return {"GB18030"};
    case 65001: return {"UTF-8"};
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28599)
        return {"ISO-8859-" + QByteArray::number(codePage - 28590)};
    const QByteArray n = QByteArray::number(codePage);
    return {"windows-" + n, "cp" + n, "IBM" + n};
}

} // namespace

int codePageForFontName(const QString& name)
{
    struct Suffix {
        const char* text;
        int codePage;
    };
    static const Suffix suffixes[] = {
        {" CE", 1250}, {" Cyr", 1251}, {" Greek", 1253}, {" Tur", 1254},
        {" Baltic", 1257}, {" (Hebrew)", 1255}, {" (Arabic)", 1256},
    };
    for (const Suffix& s : suffixes) {
        if (name.endsWith(QLatin1String(s.text), Qt::CaseInsensitive))
            return s.codePage;
    }
    return 0;
}

bool isDoubleByteCodePage(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(int codePage, unsigned char byte)
{
    if (codePage == 932)
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    return isDoubleByteCodePage(codePage) && byte >= 0x81 && byte <= 0xFE;
}

int codePageForCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return kCodePageSymbol;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178:
    case 179:
    case 180:
    case 181: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0; // DEFAULT_CHARSET and unknown values follow \ansicpg
    }
}

QChar cp1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(byte);
}

unsigned char unicodeToCp1252(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<unsigned char>(ch);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

SymbolFont symbolFontForName(const QString& family)
{
    if (family.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive))
        return SymbolFont::Symbol;
    if (family.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive))
        return SymbolFont::Wingdings;
    return SymbolFont::None;
}

QChar symbolToUnicode(SymbolFont font, unsigned char byte)
{
    char16_t mapped = 0;
    if (font == SymbolFont::Symbol)
        mapped = lookup(kSymbolMap, byte);
    else if (font == SymbolFont::Wingdings)
        mapped = lookup(kWingdingsMap, byte);
    return mapped ? QChar(mapped) : QChar(byte);
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

QStringDecoder* CodePageDecoder::decoderFor(int codePage)
{
    auto it = decoders_.constFind(codePage);
    if (it != decoders_.constEnd())
        return it->get();
    std::shared_ptr<QStringDecoder> found;
    for (const QByteArray& name : converterNames(codePage)) {
        auto candidate = std::make_shared<QStringDecoder>(name.constData());
        if (candidate->isValid()) {
            found = std::move(candidate);
            break;
        }
    }
    decoders_.insert(codePage, found);
    return found.get();
}

bool CodePageDecoder::supports(int codePage)
{
    return codePage == kCodePageWindows1252 || decoderFor(codePage) != nullptr;
}

void CodePageDecoder::appendDecoded(int codePage, const char* data, qsizetype size, QString* out)
{
    bool ascii = true;
    for (qsizetype i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(data[i]) < 0x80;
    // Every code page RTF writers use for body text agrees with ASCII below 0x80; UTF-16 and
    // EBCDIC pages never occur in \ansicpg.
    if (ascii) {
        out->append(QLatin1String(data, size));
        return;
    }
    QStringDecoder* decoder = codePage == kCodePageWindows1252 ? nullptr : decoderFor(codePage);
    if (!decoder) {
        const qsizetype start = out->size();
        out->resize(start + size);
        QChar* dst = out->data() + start;
        for (qsizetype i = 0; i < size; ++i)
            dst[i] = cp1252ToUnicode(static_cast<unsigned char>(data[i]));
        return;
    }
    decoder->resetState();
    out->append(decoder->decode(QByteArrayView(data, size)));
}

} // namespace tarnwick::platform::rtf
