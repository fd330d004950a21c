#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick::platform {

// A word list that says whether a word is spelled right and what it might have been meant to be.
// The Hunspell dictionaries of the system are the real one; tests load a small one of their own.
class SpellDictionary
{
public:
    virtual ~SpellDictionary() = default;

    virtual bool isCorrect(const QString& word) const = 0;
    virtual QStringList suggestions(const QString& word) const = 0;
    // Accepts the word from now on, for as long as this dictionary lives.
    virtual void addWord(const QString& word) = 0;
    // The language the dictionary is for ("en_US").
    virtual QString language() const = 0;
};

} // namespace tarnwick::platform
