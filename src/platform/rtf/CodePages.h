#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringDecoder>

#include <memory>

namespace tarnwick::platform::rtf {

// Windows code page numbers as RTF names them (\ansicpg, \cpg, and through \fcharset).
// Zero stands for "not given" so callers can fall back to the document's code page.
constexpr int kCodePageSymbol = 42; // what Windows reports for SYMBOL_CHARSET fonts
constexpr int kCodePageWindows1252 = 1252;

// The code page a font's \fcharset implies; 0 when the charset leaves it to \ansicpg.
int codePageForCharset(int charset);

// The code page a font name's script suffix names (" CE", " Cyr", " (Hebrew)"...), as Word
// reads fonts whose charset is missing or ANSI; 0 when the name has no such suffix.
int codePageForFontName(const QString& name);

// Shift-JIS, GBK, Korean and Big5: a lead byte and the byte after it make one character.
bool isDoubleByteCodePage(int codePage);
bool isLeadByte(int codePage, unsigned char byte);

// cp1252 is the writer's only 8-bit encoding and by far the most common in the files we read,
// so it is table-driven instead of going through a converter.
QChar cp1252ToUnicode(unsigned char byte);
// The cp1252 byte for a character, or 0 when cp1252 cannot represent it (NUL itself included).
unsigned char unicodeToCp1252(char16_t ch);

// Characters from the Symbol and Wingdings fonts, which Windows stores as bytes (or as U+F0xx)
// in the font's own encoding rather than in any code page.
enum class SymbolFont { None, Symbol, Wingdings };
SymbolFont symbolFontForName(const QString& family);
QChar symbolToUnicode(SymbolFont font, unsigned char byte);

// Turns runs of bytes in a Windows code page into text. Converters are costly to open,
// so each code page's converter is opened once and kept.
class CodePageDecoder
{
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    void appendDecoded(int codePage, const char* data, qsizetype size, QString* out);
    // Whether this machine can decode the code page (otherwise cp1252 stands in).
    bool supports(int codePage);

private:
    QStringDecoder* decoderFor(int codePage);

    QHash<int, std::shared_ptr<QStringDecoder>> decoders_;
};

} // namespace tarnwick::platform::rtf
