// HunspellDictionary.cpp: dictionaries found on the system, read through Hunspell.
#include "HunspellDictionary.h"

#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <hunspell.hxx>

#include <algorithm>

QString TDictionaryInfo::DisplayName() const
{
    const QLocale locale(Name);
    if (locale.language() == QLocale::C)
        return Name;
    QString language = locale.nativeLanguageName();
    if (Name.contains(u'_') || Name.contains(u'-')) {
        const QString territory = locale.nativeTerritoryName();
        if (!territory.isEmpty())
            language += QStringLiteral(" (%1)").arg(territory);
    }
    return language.isEmpty() ? Name : language;
}

QStringList SystemDictionaryFolders()
{
    return { QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/local/share/hunspell"),
        QStringLiteral("/usr/share/myspell"), QStringLiteral("/usr/share/myspell/dicts") };
}

QList<TDictionaryInfo> FindDictionaries(const QStringList& folders)
{
    QList<TDictionaryInfo> found;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo& affix : dir.entryInfoList({ QStringLiteral("*.aff") }, QDir::Files | QDir::Readable)) {
            const QString name = affix.completeBaseName();
            const QString words = dir.filePath(name + QStringLiteral(".dic"));
            if (!QFileInfo(words).isReadable()
                || std::any_of(found.cbegin(), found.cend(), [&](const TDictionaryInfo& d) { return d.Name == name; }))
                continue;
            found.append(TDictionaryInfo { name, affix.absoluteFilePath(), QFileInfo(words).absoluteFilePath() });
        }
    }
    std::sort(found.begin(), found.end(), [](const TDictionaryInfo& a, const TDictionaryInfo& b) { return a.Name < b.Name; });
    return found;
}

THunspellDictionary::THunspellDictionary(const TDictionaryInfo& info)
    : FInfo(info)
{
    // Hunspell reads whatever it is given and says nothing of failures: look first.
    QFile affix(info.AffixFile);
    QFile words(info.WordFile);
    if (!affix.open(QIODevice::ReadOnly))
        throw EFOpenError(info.AffixFile);
    if (!words.open(QIODevice::ReadOnly) || words.read(1).isEmpty())
        throw EFOpenError(info.WordFile);
    FHunspell = std::make_unique<Hunspell>(
        QFile::encodeName(info.AffixFile).constData(), QFile::encodeName(info.WordFile).constData());
    const QByteArray encoding = QByteArray::fromStdString(FHunspell->get_dict_encoding()).toUpper();
    FUtf8 = encoding.isEmpty() || encoding == "UTF-8" || encoding == "UTF8";
}

THunspellDictionary::~THunspellDictionary() = default;

QByteArray THunspellDictionary::Encode(const QString& word) const { return FUtf8 ? word.toUtf8() : word.toLatin1(); }

QString THunspellDictionary::Decode(const std::string& bytes) const
{
    return FUtf8 ? QString::fromStdString(bytes) : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

bool THunspellDictionary::IsKnown(const QString& word) const
{
    // A word the dictionary's encoding cannot hold is not one of its words.
    if (!FUtf8 && std::any_of(word.cbegin(), word.cend(), [](QChar c) { return c.unicode() > 0xFF; }))
        return false;
    // The typographic apostrophe is spelt with the plain one in many dictionaries.
    const QByteArray bytes = Encode(word);
    if (FHunspell->spell(bytes.toStdString()))
        return true;
    if (word.contains(QChar(0x2019))) {
        QString plain = word;
        plain.replace(QChar(0x2019), u'\'');
        return FHunspell->spell(Encode(plain).toStdString());
    }
    return false;
}

QStringList THunspellDictionary::Suggestions(const QString& word) const
{
    QStringList suggestions;
    for (const std::string& suggestion : FHunspell->suggest(Encode(word).toStdString()))
        suggestions << Decode(suggestion);
    return suggestions;
}

void THunspellDictionary::AddWord(const QString& word) { FHunspell->add(Encode(word).toStdString()); }

TPersonalWordList::TPersonalWordList(QString fileName)
    : FFileName(std::move(fileName))
{
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A word list is small; anything far larger is no list of ours.
    const QByteArray bytes = file.read(8 * 1024 * 1024);
    for (const QString& line : QString::fromUtf8(bytes).split(u'\n')) {
        const QString word = line.trimmed();
        if (!word.isEmpty() && !FWords.contains(word))
            FWords << word;
    }
}

void TPersonalWordList::Add(const QString& word)
{
    const QString trimmed = word.trimmed();
    if (trimmed.isEmpty() || FWords.contains(trimmed))
        return;
    QStringList words = FWords;
    words << trimmed;
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    const QByteArray bytes = (words.join(u'\n') + u'\n').toUtf8();
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw EFCreateError(FFileName);
    FWords = words;
}
