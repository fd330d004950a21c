#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class QThread;

namespace tarnwick::platform {
class SpellDictionary;
}

namespace tarnwick::document {

// Which words of a text are misspelled, shared by every document window: the dictionary, the
// words ignored for this run and the user's own word list (a text file, one word a line, kept
// in the per-user data folder).
class SpellChecker : public QObject
{
    Q_OBJECT
public:
    using DictionaryLoader = std::function<std::unique_ptr<platform::SpellDictionary>()>;

    // Loading a system dictionary takes half a second, so it runs on a worker thread; ready()
    // follows once it is there (or is missing).
    SpellChecker(DictionaryLoader load, const QString& personalListPath, QObject* parent = nullptr);
    SpellChecker(std::unique_ptr<platform::SpellDictionary> dictionary, const QString& personalListPath,
                 QObject* parent = nullptr);
    ~SpellChecker() override;

    bool isLoading() const { return m_loader != nullptr; }
    // A dictionary is loaded and words can be checked.
    bool isReady() const { return m_dictionary != nullptr; }
    QString language() const;
    QString personalListPath() const { return m_personalListPath; }

    struct Span
    {
        int start;
        int length;
        bool operator==(const Span& other) const { return start == other.start && length == other.length; }
    };
    // The words of text worth checking: web and mail addresses, words with digits and words in
    // capitals only are left out; apostrophes inside a word belong to it.
    static QList<Span> wordsToCheck(const QString& text);
    QList<Span> misspellings(const QString& text);
    bool isCorrect(const QString& word);
    // At most max suggestions, best first.
    QStringList suggestions(const QString& word, int max = 7) const;

    void ignoreAll(const QString& word);
    // Adds the word to the personal list file and to the dictionary; false when the file could
    // not be written (the word is still accepted for this run).
    bool addToDictionary(const QString& word);

signals:
    void ready();
    // A word is now accepted everywhere: marks of it can go.
    void wordAccepted(const QString& word);

private:
    void install(std::unique_ptr<platform::SpellDictionary> dictionary);
    static QString normalized(const QString& word);

    std::unique_ptr<platform::SpellDictionary> m_dictionary;
    QString m_personalListPath;
    QSet<QString> m_ignored;
    QHash<QString, bool> m_known;
    QThread* m_loader = nullptr;
    std::shared_ptr<std::unique_ptr<platform::SpellDictionary>> m_loaded;
};

} // namespace tarnwick::document
