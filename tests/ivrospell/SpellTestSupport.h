#pragma once
// SpellTestSupport.h: small dictionaries of a few words, written as Hunspell files or held in memory.
#include "SpellSession.h"

#include <QDir>
#include <QFile>
#include <QSet>

/// A dictionary of the words given; suggests the known words of the same length.
class TWordSetDictionary : public ISpellDictionary {
public:
    explicit TWordSetDictionary(const QStringList& words)
        : Words(words.cbegin(), words.cend())
    {
    }
    bool IsKnown(const QString& word) const override
    {
        ++Lookups;
        return Words.contains(word);
    }
    QStringList Suggestions(const QString& word) const override
    {
        QStringList suggestions;
        for (const QString& known : Words)
            if (known.size() == word.size())
                suggestions << known;
        suggestions.sort();
        return suggestions;
    }
    void AddWord(const QString& word) override { Words.insert(word); }

    QSet<QString> Words;
    mutable int Lookups = 0;
};

/// Writes <name>.aff and <name>.dic in the folder: a Hunspell dictionary of exactly these words.
inline void WriteHunspellDictionary(const QString& folder, const QString& name, const QStringList& words)
{
    QDir().mkpath(folder);
    QFile affix(QDir(folder).filePath(name + QStringLiteral(".aff")));
    if (affix.open(QIODevice::WriteOnly))
        affix.write("SET UTF-8\nTRY esianrtolcdugmphbyfvkwzESIANRTOLCDUGMPHBYFVKWZ'\n");
    QFile list(QDir(folder).filePath(name + QStringLiteral(".dic")));
    if (list.open(QIODevice::WriteOnly)) {
        list.write(QByteArray::number(words.size()) + '\n');
        for (const QString& word : words)
            list.write(word.toUtf8() + '\n');
    }
}
