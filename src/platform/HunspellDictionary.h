#pragma once

#include "platform/SpellDictionary.h"

#include <memory>

class Hunspell;

namespace tarnwick::platform {

// A Hunspell dictionary: a pair of files "<name>.aff" and "<name>.dic".
class HunspellDictionary : public SpellDictionary
{
public:
    ~HunspellDictionary() override;

    // Loads "<basePath>.aff" and "<basePath>.dic"; null when either is missing.
    static std::unique_ptr<HunspellDictionary> load(const QString& basePath);
    // Where Debian's hunspell packages put their dictionaries.
    static QStringList systemFolders();
    // The base path of the dictionary for a locale name ("de_AT"): that locale, else another of
    // the same language, else en_US; empty when there is none of them.
    static QString locate(const QString& localeName, const QStringList& folders);

    bool isCorrect(const QString& word) const override;
    QStringList suggestions(const QString& word) const override;
    void addWord(const QString& word) override;
    QString language() const override { return m_language; }

private:
    HunspellDictionary(std::unique_ptr<Hunspell> engine, const QString& language);
    std::string encode(const QString& word) const;
    QString decode(const std::string& word) const;

    std::unique_ptr<Hunspell> m_engine;
    QString m_language;
    bool m_utf8 = true;
};

} // namespace tarnwick::platform
