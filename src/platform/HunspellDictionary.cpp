#include "platform/HunspellDictionary.h"

#include <QDir>
#include <QFileInfo>

#include <hunspell.hxx>

namespace tarnwick::platform {

HunspellDictionary::HunspellDictionary(std::unique_ptr<Hunspell> engine, const QString& language)
    : m_engine(std::move(engine)), m_language(language)
{
    const QString encoding = QString::fromStdString(m_engine->get_dict_encoding()).toUpper();
    // Hunspell speaks the dictionary's own encoding; the dictionaries Debian ships are UTF-8 or
    // ISO 8859-1, which is Latin-1 to us.
    m_utf8 = !(encoding.startsWith(QLatin1String("ISO8859-1")) || encoding.startsWith(QLatin1String("ISO-8859-1")));
}

HunspellDictionary::~HunspellDictionary() = default;

std::unique_ptr<HunspellDictionary> HunspellDictionary::load(const QString& basePath)
{
    const QString aff = basePath + QStringLiteral(".aff");
    const QString dic = basePath + QStringLiteral(".dic");
    if (!QFileInfo(aff).isFile() || !QFileInfo(dic).isFile())
        return nullptr;
    auto engine = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(), QFile::encodeName(dic).constData());
    return std::unique_ptr<HunspellDictionary>(
        new HunspellDictionary(std::move(engine), QFileInfo(basePath).fileName()));
}

QStringList HunspellDictionary::systemFolders()
{
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell"),
            QStringLiteral("/usr/share/myspell/dicts")};
}

QString HunspellDictionary::locate(const QString& localeName, const QStringList& folders)
{
    const auto exists = [](const QString& base) {
        return QFileInfo(base + QStringLiteral(".aff")).isFile() && QFileInfo(base + QStringLiteral(".dic")).isFile();
    };
    // "de_AT.UTF-8@euro" names the dictionary "de_AT".
    QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QString language = name.section(QLatin1Char('_'), 0, 0);
    if (!name.isEmpty() && name != QLatin1String("C") && name != QLatin1String("POSIX")) {
        for (const QString& folder : folders) {
            const QString base = QDir(folder).filePath(name);
            if (exists(base))
                return base;
        }
        for (const QString& folder : folders) {
            const QStringList sameLanguage =
                QDir(folder).entryList({language + QStringLiteral("_*.dic")}, QDir::Files, QDir::Name);
            for (const QString& file : sameLanguage) {
                const QString base = QDir(folder).filePath(QFileInfo(file).completeBaseName());
                if (exists(base))
                    return base;
            }
        }
    }
    for (const QString& folder : folders) {
        const QString base = QDir(folder).filePath(QStringLiteral("en_US"));
        if (exists(base))
            return base;
    }
    return QString();
}

std::string HunspellDictionary::encode(const QString& word) const
{
    return m_utf8 ? word.toStdString() : word.toLatin1().toStdString();
}

QString HunspellDictionary::decode(const std::string& word) const
{
    return m_utf8 ? QString::fromStdString(word) : QString::fromLatin1(word.data(), qsizetype(word.size()));
}

bool HunspellDictionary::isCorrect(const QString& word) const
{
    return m_engine->spell(encode(word));
}

QStringList HunspellDictionary::suggestions(const QString& word) const
{
    QStringList result;
    for (const std::string& suggestion : m_engine->suggest(encode(word)))
        result.append(decode(suggestion));
    return result;
}

void HunspellDictionary::addWord(const QString& word)
{
    m_engine->add(encode(word));
}

} // namespace tarnwick::platform
