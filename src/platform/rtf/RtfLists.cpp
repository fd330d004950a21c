#include "platform/rtf/RtfLists.h"

#include "platform/rtf/RtfProperties.h"

#include <algorithm>

namespace tarnwick::platform::rtf {

namespace {

QString letters(int n)
{
    if (n <= 0)
        return QString::number(n);
    QString out;
    while (n > 0) {
        --n;
        out.prepend(QChar(u'a' + n % 26));
        n /= 26;
    }
    return out;
}

// The placeholder (a character below 9) that stands for the level's own number, and the text
// around it.
void splitLevelText(const QString& text, QString* prefix, QString* suffix)
{
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() < 9) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        *prefix = QString();
        *suffix = QString();
        return;
    }
    *prefix = text.left(first);
    *suffix = text.mid(last + 1);
}

QChar bulletOf(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x20)
            return c;
    }
    return QChar(0x2022);
}

} // namespace

QString romanNumeral(int n)
{
    static const struct
    {
        int value;
        const char* digits;
    } table[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                 {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    if (n <= 0 || n >= 5000)
        return QString::number(n);
    QString out;
    for (const auto& t : table) {
        while (n >= t.value) {
            out += QLatin1String(t.digits);
            n -= t.value;
        }
    }
    return out;
}

bool listFormatForLevel(const RtfListLevel& level, int nesting, QTextListFormat* format)
{
    QTextListFormat f;
    switch (level.nfc) {
    case NfcDecimal:
    case NfcOrdinal:
    case NfcDecimalZero:
        f.setStyle(QTextListFormat::ListDecimal);
        break;
    case NfcUpperRoman:
        f.setStyle(QTextListFormat::ListUpperRoman);
        break;
    case NfcLowerRoman:
        f.setStyle(QTextListFormat::ListLowerRoman);
        break;
    case NfcUpperLetter:
        f.setStyle(QTextListFormat::ListUpperAlpha);
        break;
    case NfcLowerLetter:
        f.setStyle(QTextListFormat::ListLowerAlpha);
        break;
    case NfcBullet: {
        // Word's bullets are Symbol's middle dot, "o" in Courier New and Wingdings' square.
        const char16_t c = bulletOf(level.text).unicode();
        if (c == u'o' || c == 0x25E6 || c == 0x25CB || c == 0xF06F)
            f.setStyle(QTextListFormat::ListCircle);
        else if (c == 0xA7 || c == 0x25AA || c == 0x25A0 || c == 0xF0A7 || c == 0xF0A8 || c == 0xF06E)
            f.setStyle(QTextListFormat::ListSquare);
        else
            f.setStyle(QTextListFormat::ListDisc);
        break;
    }
    default:
        return false;
    }
    f.setIndent(nesting + 1);
    if (level.nfc != NfcBullet) {
        QString prefix;
        QString suffix = QStringLiteral(".");
        if (!level.text.isEmpty())
            splitLevelText(level.text, &prefix, &suffix);
        f.setNumberPrefix(prefix);
        f.setNumberSuffix(suffix);
        if (level.start != 1)
            f.setProperty(ListStartNumber, level.start);
    }
    *format = f;
    return true;
}

RtfListLevel levelForListFormat(const QTextListFormat& format, int nesting)
{
    RtfListLevel level;
    level.defined = true;
    level.start = format.hasProperty(ListStartNumber) ? format.intProperty(ListStartNumber) : 1;
    const QChar placeholder(static_cast<char16_t>(std::clamp(nesting, 0, 8)));
    const QString numbered =
        format.numberPrefix() + placeholder +
        (format.hasProperty(QTextFormat::ListNumberSuffix) ? format.numberSuffix() : QStringLiteral("."));
    switch (format.style()) {
    case QTextListFormat::ListCircle:
        level.nfc = NfcBullet;
        level.text = QString(QChar(0x25E6));
        break;
    case QTextListFormat::ListSquare:
        level.nfc = NfcBullet;
        level.text = QString(QChar(0x25AA));
        break;
    case QTextListFormat::ListDecimal:
        level.nfc = NfcDecimal;
        level.text = numbered;
        break;
    case QTextListFormat::ListLowerAlpha:
        level.nfc = NfcLowerLetter;
        level.text = numbered;
        break;
    case QTextListFormat::ListUpperAlpha:
        level.nfc = NfcUpperLetter;
        level.text = numbered;
        break;
    case QTextListFormat::ListLowerRoman:
        level.nfc = NfcLowerRoman;
        level.text = numbered;
        break;
    case QTextListFormat::ListUpperRoman:
        level.nfc = NfcUpperRoman;
        level.text = numbered;
        break;
    default:
        level.nfc = NfcBullet;
        level.text = QString(QChar(0x2022));
        break;
    }
    return level;
}

QString listLabel(const RtfListLevel& level, int number)
{
    if (level.nfc == NfcBullet)
        return QString(bulletOf(level.text));
    QString digits;
    switch (level.nfc) {
    case NfcUpperRoman:
        digits = romanNumeral(number).toUpper();
        break;
    case NfcLowerRoman:
        digits = romanNumeral(number);
        break;
    case NfcUpperLetter:
        digits = letters(number).toUpper();
        break;
    case NfcLowerLetter:
        digits = letters(number);
        break;
    default:
        digits = QString::number(number);
        break;
    }
    QString prefix;
    QString suffix;
    splitLevelText(level.text, &prefix, &suffix);
    return prefix + digits + suffix;
}

} // namespace tarnwick::platform::rtf
