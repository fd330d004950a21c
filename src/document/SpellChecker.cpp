#include "document/SpellChecker.h"

#include "platform/SpellDictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <QThread>

namespace tarnwick::document {

namespace {
constexpr int kCacheLimit = 200000;

QStringList readWordList(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList words;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString word = line.trimmed();
        if (!word.isEmpty())
            words.append(word);
    }
    return words;
}

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}
} // namespace

SpellChecker::SpellChecker(DictionaryLoader load, const QString& personalListPath, QObject* parent)
    : QObject(parent), m_personalListPath(personalListPath),
      m_loaded(std::make_shared<std::unique_ptr<platform::SpellDictionary>>())
{
    auto slot = m_loaded;
    m_loader = QThread::create([slot, load = std::move(load)] { *slot = load(); });
    m_loader->setObjectName(QStringLiteral("dictionaryLoader"));
    connect(m_loader, &QThread::finished, this, [this] {
        m_loader->deleteLater();
        m_loader = nullptr;
        install(std::move(*m_loaded));
    });
    m_loader->start(QThread::LowPriority);
}

SpellChecker::SpellChecker(std::unique_ptr<platform::SpellDictionary> dictionary, const QString& personalListPath,
                           QObject* parent)
    : QObject(parent), m_personalListPath(personalListPath)
{
    install(std::move(dictionary));
}

SpellChecker::~SpellChecker()
{
    // A load cannot be interrupted; it is short enough to wait for.
    if (m_loader) {
        m_loader->wait();
        delete m_loader;
    }
}

void SpellChecker::install(std::unique_ptr<platform::SpellDictionary> dictionary)
{
    m_dictionary = std::move(dictionary);
    if (m_dictionary) {
        for (const QString& word : readWordList(m_personalListPath))
            m_dictionary->addWord(word);
    }
    emit ready();
}

QString SpellChecker::language() const
{
    return m_dictionary ? m_dictionary->language() : QString();
}

QString SpellChecker::normalized(const QString& word)
{
    QString result = word;
    result.replace(QChar(0x2019), QLatin1Char('\''));
    return result;
}

QList<SpellChecker::Span> SpellChecker::wordsToCheck(const QString& text)
{
    // Addresses are not words: "https://example.org/x", "www.example.org", "someone@example.org".
    static const QRegularExpression addresses(
        QStringLiteral(R"((?:\b[A-Za-z][A-Za-z0-9+.\-]*://|\bwww\.|\bmailto:)\S+|[^\s@]+@[^\s@]+\.[^\s@]+)"));
    QList<Span> skipped;
    for (auto it = addresses.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        skipped.append(Span{int(match.capturedStart()), int(match.capturedLength())});
    }

    QList<Span> words;
    const int n = int(text.size());
    int i = 0;
    int skip = 0;
    while (i < n) {
        if (!isWordChar(text.at(i))) {
            ++i;
            continue;
        }
        int end = i;
        // An apostrophe between two word characters ("don't", "O'Neill") is part of the word.
        while (end < n && (isWordChar(text.at(end)) ||
                           (isApostrophe(text.at(end)) && end + 1 < n && isWordChar(text.at(end + 1)) && end > i)))
            ++end;
        // Words glued to a dot or a hyphen on both sides of letters stay separate words; a run
        // with a digit in it is a number, a code or a name, never a word to correct.
        bool hasDigit = false;
        bool hasLower = false;
        int letters = 0;
        for (int k = i; k < end; ++k) {
            const QChar c = text.at(k);
            hasDigit = hasDigit || c.isDigit();
            if (c.isLetter()) {
                ++letters;
                hasLower = hasLower || c.isLower() || (!c.isUpper() && !c.isTitleCase());
            }
        }
        while (skip < skipped.size() && skipped.at(skip).start + skipped.at(skip).length <= i)
            ++skip;
        const bool inAddress = skip < skipped.size() && skipped.at(skip).start < end;
        const bool allCapitals = letters > 1 && !hasLower;
        if (!hasDigit && !allCapitals && !inAddress && letters > 0)
            words.append(Span{i, end - i});
        i = end;
    }
    return words;
}

bool SpellChecker::isCorrect(const QString& word)
{
    if (!m_dictionary)
        return true;
    const QString key = normalized(word);
    if (m_ignored.contains(key))
        return true;
    const auto known = m_known.constFind(key);
    if (known != m_known.constEnd())
        return *known;
    const bool correct = m_dictionary->isCorrect(key);
    if (m_known.size() >= kCacheLimit)
        m_known.clear();
    m_known.insert(key, correct);
    return correct;
}

QList<SpellChecker::Span> SpellChecker::misspellings(const QString& text)
{
    QList<Span> result;
    if (!m_dictionary)
        return result;
    for (const Span& span : wordsToCheck(text)) {
        if (!isCorrect(text.mid(span.start, span.length)))
            result.append(span);
    }
    return result;
}

QStringList SpellChecker::suggestions(const QString& word, int max) const
{
    if (!m_dictionary)
        return {};
    QStringList result = m_dictionary->suggestions(normalized(word));
    result.removeDuplicates();
    if (result.size() > max)
        result.erase(result.begin() + max, result.end());
    return result;
}

void SpellChecker::ignoreAll(const QString& word)
{
    const QString key = normalized(word);
    m_ignored.insert(key);
    emit wordAccepted(key);
}

bool SpellChecker::addToDictionary(const QString& word)
{
    const QString key = normalized(word).trimmed();
    if (key.isEmpty())
        return false;
    if (m_dictionary)
        m_dictionary->addWord(key);
    m_known.insert(key, true);
    emit wordAccepted(key);

    QStringList words = readWordList(m_personalListPath);
    if (words.contains(key))
        return true;
    words.append(key);
    if (m_personalListPath.isEmpty() || !QDir().mkpath(QFileInfo(m_personalListPath).absolutePath()))
        return false;
    // Written whole through a temporary file, so a crash never leaves half a list behind.
    QSaveFile file(m_personalListPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(words.join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit();
}

} // namespace tarnwick::document
