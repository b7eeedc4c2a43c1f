#pragma once
// HunspellDictionary.h: the installed dictionaries and one of them loaded, with the user's own words.
#include "SpellSession.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

struct TDictionaryInfo {
    QString Name; ///< "fr_FR", "en_US": the file name without ".aff"
    QString AffixFile;
    QString WordFile;
    QString DisplayName() const; ///< "français (France)", in the language itself
};

/// The dictionaries in the given folders (each an .aff with its .dic), sorted by name; the first
/// folder wins for a name found twice.
QList<TDictionaryInfo> FindDictionaries(const QStringList& folders);
/// Where the system keeps its dictionaries.
QStringList SystemDictionaryFolders();

class THunspellDictionary : public ISpellDictionary {
public:
    /// Throws an Exception naming the files when they cannot be read.
    explicit THunspellDictionary(const TDictionaryInfo& info);
    ~THunspellDictionary() override;

    const TDictionaryInfo& Info() const { return FInfo; }
    bool IsKnown(const QString& word) const override;
    QStringList Suggestions(const QString& word) const override;
    void AddWord(const QString& word) override;

private:
    QByteArray Encode(const QString& word) const;
    QString Decode(const std::string& bytes) const;

    TDictionaryInfo FInfo;
    std::unique_ptr<Hunspell> FHunspell;
    bool FUtf8 = true; // else ISO 8859-1, the other encoding dictionaries are written in
};

/// The user's own words, one a line in UTF-8, in a file written atomically on every addition.
class TPersonalWordList {
public:
    /// Reads the file now; a missing file is an empty list.
    explicit TPersonalWordList(QString fileName);
    const QString& FileName() const { return FFileName; }
    const QStringList& Words() const { return FWords; }
    /// Adds and writes the file; throws EFCreateError (and keeps the word out) when it cannot.
    void Add(const QString& word);

private:
    QString FFileName;
    QStringList FWords;
};
