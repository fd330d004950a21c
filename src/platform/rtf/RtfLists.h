#pragma once

#include <QString>
#include <QTextListFormat>

namespace tarnwick::platform::rtf {

// Word's number formats (\levelnfc) the document model can show.
enum ListNumberFormat : int {
    NfcDecimal = 0,
    NfcUpperRoman = 1,
    NfcLowerRoman = 2,
    NfcUpperLetter = 3,
    NfcLowerLetter = 4,
    NfcOrdinal = 5,
    NfcDecimalZero = 22,
    NfcBullet = 23,
    NfcNone = 255,
};

// 1 -> "i", 4 -> "iv", in lower case; numbers outside 1..4999 stay decimal.
QString romanNumeral(int n);

// One level of a list as a list table or \pn numbering describes it.
struct RtfListLevel
{
    int nfc = NfcDecimal;
    int start = 1;
    QString text; // \leveltext with the level placeholders as characters 0..8, length byte removed
    bool defined = false;
};

// The list format a level stands for at nesting level (0-based), or false where the model has
// no such numbering (the fallback label then stays as text).
bool listFormatForLevel(const RtfListLevel& level, int nesting, QTextListFormat* format);

// The other way round, for the writer: the level a list format is written as.
RtfListLevel levelForListFormat(const QTextListFormat& format, int nesting);

// The label an item shows: "3.", "iv)", "•".
QString listLabel(const RtfListLevel& level, int number);

} // namespace tarnwick::platform::rtf
